#include "pages/frm01.h"

#include "entry/WriteOut.h"
#include "pages/CodedCombo.h"
#include "pages/frm02.h"
#include "records/frm03data.h"
#include "shell/AppIdentity.h"
#include "shell/Fonts.h"
#include "shell/Pages.h"
#include "shell/Platform.h"
#include "shell/SharedValues.h"
#include "workbook/WorkbookConnection.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using entry::Question;

namespace {

QString Caption(const Question& question) {
    return QString::fromUtf8(question.caption);
}

}  // namespace

frm01::frm01(Pages& pages) : AnswerPage(pages, "frm01", 5760, 5070, entry::OnPage::General) {
    MakeControls();
    SetTabOrder();
    Load();
    Connect();
}

void frm01::MakeControls() {
    Label3 =
        Place(new QLabel(QStringLiteral("Please fill in the form")), "Label3", 240, 240, 2295, 255);
    Label3->setFont(HeadingFont());

    // Company Name.
    Label1[1] = Place(new QLabel(Caption(entry::kCompany)), "Label1_1", 960, 960, 1335, 255);
    txtDLQ0 = Place(MakeTextBox(), entry::kCompany.name, 2760, 960, 2175, 285);

    // Industry.
    Label1[0] = Place(new QLabel(Caption(entry::kIndustry)), "Label1_0", 1560, 1320, 735, 255);
    cmbDLQ1 = Place(MakeCodedCombo(), entry::kIndustry.name, 2760, 1320, 2175, 315);
    cmdDLQ1 = Place(new QPushButton(QStringLiteral("?")), entry::kIndustry.help.button, 5160, 1320,
                    255, 255);
    cmdDLQ1->setFont(ArialFont(8.25));

    // Business Type.
    lblDLQ2 = Place(new QLabel(Caption(entry::kBusinessTypes)), "lblDLQ2", 1080, 1800, 1215, 255);
    for (const Question* type : Questions()) {
        if (type->number == entry::kBusinessTypes.number) {
            chkDLQ2[type->member] = Place(new QCheckBox(QString::fromUtf8(type->items.front())),
                                          type->name, 2760, 1800 + 360 * type->member, 2175, 255);
        }
    }
    cmdDLQ2 = Place(new QPushButton(QStringLiteral("?")), entry::kBusinessTypes.help.button, 5160,
                    1800, 255, 255);
    cmdDLQ2->setFont(ArialFont(8.25));

    // The buttons.
    cmdLoad = Place(new QPushButton(QStringLiteral("Load")), "cmdLoad", 840, 4440, 1095, 375);
    cmdApply = Place(new QPushButton(QStringLiteral("Apply")), "cmdApply", 2160, 4440, 1095, 375);
    cmdNext = Place(new QPushButton(QStringLiteral("Next >>")), "cmdNext", 3480, 4440, 1095, 375);

    for (QLabel* label : {Label1[0], Label1[1], lblDLQ2}) {
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    NameByCaption(Label1[1], txtDLQ0);
    NameByCaption(Label1[0], cmbDLQ1);
    for (QPushButton* button : {cmdDLQ1, cmdDLQ2, cmdLoad, cmdApply, cmdNext}) {
        button->setAutoDefault(false);
    }
}

// Tab order 0 to 16; the labels take no focus.
void frm01::SetTabOrder() {
    QWidget* const tabOrder[] = {txtDLQ0,    cmbDLQ1,    chkDLQ2[0], chkDLQ2[1], chkDLQ2[2],
                                 chkDLQ2[3], chkDLQ2[4], chkDLQ2[5], cmdApply,   cmdNext,
                                 cmdLoad,    cmdDLQ1,    cmdDLQ2};
    for (size_t i = 1; i < std::size(tabOrder); ++i) {
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    }
    txtDLQ0->setFocus();
}

// The load steps, in order; the last opens the workbook, or ends the program.
void frm01::Load() {
    TuttoOK = false;
    setWindowTitle(shared_.sAppName + QStringLiteral(" - General Information"));
    FillCodedCombo(cmbDLQ1, entry::kIndustry.items);
    cmbDLQ1->setEditText(QString::fromUtf8(entry::kIndustry.preset));
    shared_.sFileName = WorkbookFileName();
    const WorkbookHandles handles =
        OpenWorkbookConnection(platform_.automation, shared_.sFileName, platform_.programFolder,
                               platform_.msg, platform_.end);
    shared_.CTabbDoc = handles.CTabbDoc;
    shared_.CTabbApp = handles.CTabbApp;
}

// A business type reports every change of its value, also one the program makes (a record load),
// as the Industry text does.
void frm01::Connect() {
    connect(cmbDLQ1, &QComboBox::editTextChanged, this, &frm01::cmbDLQ1_Change);
    connect(cmbDLQ1, &QComboBox::activated, this, &frm01::cmbDLQ1_Click);
    for (int member = 0; member < static_cast<int>(chkDLQ2.size()); ++member) {
        connect(chkDLQ2[member], &QCheckBox::toggled, this,
                [this, member] { chkDLQ2_Click(member); });
    }
    connect(cmdDLQ1, &QPushButton::clicked, this, &frm01::cmdDLQ1_Click);
    connect(cmdDLQ2, &QPushButton::clicked, this, &frm01::cmdDLQ2_Click);
    connect(cmdLoad, &QPushButton::clicked, this, &frm01::cmdLoad_Click);
    connect(cmdApply, &QPushButton::clicked, this, &frm01::cmdApply_Click);
    connect(cmdNext, &QPushButton::clicked, this, &frm01::cmdNext_Click);
}

bool frm01::QueryUnload(CloseCause cause) {
    return ConfirmQuit(cause);
}

void frm01::UpdFrm01() {
    wb::Document& doc = *shared_.CTabbDoc;
    ProtectedWriteOut(doc, platform_.msg, platform_.end, [&] {
        TuttoOK = false;
        entry::Entry answers;
        PutAnswers(answers);
        entry::GeneralResult result;
        const auto showDefaults = [&] {
            // Touching page 2 makes it, once the write-out got as far as its defaults.
            if (!result.defaults.empty()) {
                pages_.frm02().ShowDefaults(result.defaults, result.copied);
            }
        };
        try {
            entry::WriteGeneral(answers, doc, platform_.numbers, shared_.cManual, result);
        } catch (...) {
            showDefaults();  // the boxes filled before the failure stay filled
            throw;
        }
        ShowResult(result);
        showDefaults();
        if (result.defaultsCopied) {
            shared_.cManual = false;
        }
        TuttoOK = result.passed;
    });
}

void frm01::cmdApply_Click() {
    UpdFrm01();
}

void frm01::cmdNext_Click() {
    UpdFrm01();
    if (TuttoOK) {
        pages_.Switch(*this, pages_.frm02());
    }
}

void frm01::cmdLoad_Click() {
    ::frm03data& browser = pages_.frm03data();
    browser.SetOpener({this,
                       [this](const entry::Entry& record) {
                           ShowEntry(record);
                           // Touching page 2 makes it first, so the record replaces its presets.
                           pages_.frm02().ShowEntry(record);
                       },
                       [this] {
                           UpdFrm01();
                           pages_.frm02().UpdFrm02();
                       }});
    browser.SetLeft(Left());
    browser.SetTop(Top());
    browser.ShowPage();
    browser.LoadForm();
    HidePage();
}

void frm01::cmdDLQ1_Click() {
    ShowHelp(entry::kIndustry);
}

void frm01::cmdDLQ2_Click() {
    ShowHelp(entry::kBusinessTypes);
}

void frm01::cmbDLQ1_Change() {
    shared_.cManual = true;
}

void frm01::cmbDLQ1_Click() {
    shared_.cManual = true;
}

void frm01::chkDLQ2_Click(int) {
    shared_.cManual = true;
}
