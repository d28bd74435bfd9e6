#include "pages/frm01.h"

#include "pages/CodedCombo.h"
#include "pages/frm02.h"
#include "records/frm03data.h"
#include "shell/AppIdentity.h"
#include "shell/Fonts.h"
#include "shell/Pages.h"
#include "shell/Platform.h"
#include "shell/SharedValues.h"
#include "workbook/RangeExchange.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

// The business types: caption, the code written when ticked, and the cell of sheet Y.
struct BusinessType {
    const char* caption;
    const char* code;
    const char* cell;
};
constexpr BusinessType kBusinessTypes[6] = {
    {"1 - e-Commerce", "1", "Y:E8"},
    {"2 - ERP", "2", "Y:F8"},
    {"3 - Business Intelligence", "3", "Y:G8"},
    {"4 - SCM", "4", "Y:H8"},
    {"5 - CRM", "5", "Y:I8"},
    {"99 - Other", "99", "Y:J8"},
};

// Blanks only, as the code of a coded list text is cut.
QString TrimBlanks(const QString& text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first) == QLatin1Char(' ')) {
        ++first;
    }
    while (last > first && text.at(last - 1) == QLatin1Char(' ')) {
        --last;
    }
    return text.mid(first, last - first);
}

}  // namespace

frm01::frm01(Pages& pages) : Page(pages, "frm01", 5760, 5070) {
    Label3 =
        Place(new QLabel(QStringLiteral("Please fill in the form")), "Label3", 240, 240, 2295, 255);
    Label3->setFont(HeadingFont());

    // Company Name.
    Label1[1] = Place(new QLabel(QStringLiteral("Company Name")), "Label1_1", 960, 960, 1335, 255);
    txtDLQ0 = Place(MakeTextBox(), "txtDLQ0", 2760, 960, 2175, 285);

    // Industry.
    Label1[0] = Place(new QLabel(QStringLiteral("Industry")), "Label1_0", 1560, 1320, 735, 255);
    cmbDLQ1 = Place(MakeCodedCombo(), "cmbDLQ1", 2760, 1320, 2175, 315);
    cmdDLQ1 = Place(new QPushButton(QStringLiteral("?")), "cmdDLQ1", 5160, 1320, 255, 255);
    cmdDLQ1->setFont(ArialFont(8.25));

    // Business Type.
    lblDLQ2 = Place(new QLabel(QStringLiteral("Business Type")), "lblDLQ2", 1080, 1800, 1215, 255);
    for (int member = 0; member < 6; ++member) {
        const QByteArray name = "chkDLQ2_" + QByteArray::number(member);
        chkDLQ2[member] = Place(new QCheckBox(QString::fromLatin1(kBusinessTypes[member].caption)),
                                name.constData(), 2760, 1800 + 360 * member, 2175, 255);
    }
    cmdDLQ2 = Place(new QPushButton(QStringLiteral("?")), "cmdDLQ2", 5160, 1800, 255, 255);
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

    // Tab order 0 to 16; the labels take no focus.
    QWidget* const tabOrder[] = {txtDLQ0,    cmbDLQ1,    chkDLQ2[0], chkDLQ2[1], chkDLQ2[2],
                                 chkDLQ2[3], chkDLQ2[4], chkDLQ2[5], cmdApply,   cmdNext,
                                 cmdLoad,    cmdDLQ1,    cmdDLQ2};
    for (size_t i = 1; i < std::size(tabOrder); ++i) {
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    }
    txtDLQ0->setFocus();

    // Load steps, in order.
    TuttoOK = false;
    setWindowTitle(shared_.sAppName + QStringLiteral(" - General Information"));
    FillCodedCombo(cmbDLQ1, {"1 - Finance", "2 - Manufacturing", "3 - Public", "4 - Insurance",
                             "5 - Industrial", "6 - Communication", "99 - Other"});
    cmbDLQ1->setEditText(QStringLiteral("Please select..."));
    sFileName = WorkbookFileName();
    const WorkbookHandles handles = OpenWorkbookConnection(
        platform_.automation, sFileName, platform_.programFolder, platform_.msg, platform_.end);
    CTabbDoc = handles.CTabbDoc;
    CTabbApp = handles.CTabbApp;

    // Notifications. A business type reports every change of its value, also one the program
    // makes (a record load), as the Industry text does.
    connect(cmbDLQ1, &QComboBox::editTextChanged, this, &frm01::cmbDLQ1_Change);
    connect(cmbDLQ1, &QComboBox::activated, this, &frm01::cmbDLQ1_Click);
    for (int member = 0; member < 6; ++member) {
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
    MessageBoxes& msg = platform_.msg;
    const NumberFormat& numbers = platform_.numbers;
    ProtectedWriteOut(*CTabbDoc, msg, platform_.end, [&] {
        wb::Document& doc = *CTabbDoc;
        TuttoOK = false;

        // Company Name: anything but the empty text, blanks included, is written as typed.
        if (txtDLQ0->text().isEmpty()) {
            msg.MsgBox(QStringLiteral("Company Name must not be left empty!"), kStyleExclamation);
            txtDLQ0->setFocus();
            return;
        }
        PutRange(doc, QStringLiteral("DLQ0"), txtDLQ0->text());

        // Industry: a capital P is the prompt "Please select..." (or a typed text like it).
        const QString industry = cmbDLQ1->currentText();
        if (industry.startsWith(QLatin1Char('P'))) {
            msg.MsgBox(QStringLiteral("Please make a selection"), kStyleExclamation);
            cmbDLQ1->setFocus();
            return;
        }
        PutRange(doc, QStringLiteral("DLQ1"), TrimBlanks(industry.left(2)));

        // Business Types: at least one; all six cells are written.
        bool anyTicked = false;
        for (const QCheckBox* box : chkDLQ2) {
            anyTicked = anyTicked || box->isChecked();
        }
        if (!anyTicked) {
            msg.MsgBox(QStringLiteral("Please pick a Business Type!"), kStyleExclamation);
            return;
        }
        for (int member = 0; member < 6; ++member) {
            const BusinessType& type = kBusinessTypes[member];
            PutRange(doc, QString::fromLatin1(type.cell),
                     chkDLQ2[member]->isChecked() ? QString::fromLatin1(type.code)
                                                  : QStringLiteral("0"));
        }

        // The workbook signals defaults it cannot compute with the text "ERR"; a number is
        // compared as its text and so never matches.
        if (CellText(GetRangeValue(doc, QStringLiteral("DL_DEF_SP")), numbers) ==
            QLatin1String("ERR")) {
            msg.MsgBox(QStringLiteral("System Error"), kStyleCritical);
            TuttoOK = true;
            return;
        }

        // Each default read afresh: a fraction as a whole percentage, the others whole.
        const auto percent = [&](const char* range) {
            const double value =
                CellNumber(GetRangeValue(doc, QString::fromLatin1(range)), numbers);
            return WholeNumberText(RoundHalfEven(value * 100));
        };
        const auto whole = [&](const char* range) {
            const double value =
                CellNumber(GetRangeValue(doc, QString::fromLatin1(range)), numbers);
            return RoundHalfEven(value);
        };
        frm02& page2 = pages_.frm02();
        page2.txtDLQ5default->setText(percent("DL_DEF_SP"));
        page2.txtDLQ6default->setText(percent("DL_DEF_RC"));
        page2.txtDLQ7default->setText(percent("DL_DEF_R1"));
        page2.txtDLQ9default->setText(percent("DL_DEF_GR"));
        page2.txtDLQ10default->setText(WholeNumberText(whole("DL_DEF_OPER")));
        page2.txtDLQ11default->setText(WholeNumberText(whole("DL_DEF_OUTCOST")));

        // After a change on this page the defaults also replace page 2's answers.
        if (shared_.cManual) {
            const auto copyPercent = [&](QLineEdit* field, const char* from, const char* to) {
                field->setText(percent(from));
                PutRange(doc, QString::fromLatin1(to), field->text() + QLatin1Char('%'));
            };
            copyPercent(page2.txtDLQ5, "DL_DEF_SP", "DLQ5");
            copyPercent(page2.txtDLQ6, "DL_DEF_RC", "DLQ6");
            copyPercent(page2.txtDLQ7, "DL_DEF_R1", "DLQ7");
            copyPercent(page2.txtDLQ9, "DL_DEF_GR", "DLQ9");

            const wb::CellValue oper = GetRangeValue(doc, QStringLiteral("DL_DEF_OPER"));
            const double operValue = CellNumber(oper, numbers);
            page2.cmbDLQ10->setEditText(CellText(oper, numbers) +
                                        (operValue == 0 ? QStringLiteral(" - Not required")
                                                        : QStringLiteral(" - Required")));
            PutRange(doc, QStringLiteral("DLQ10"), RoundHalfEven(operValue));

            const double outageCost = whole("DL_DEF_OUTCOST");
            page2.txtDLQ11->setText(WholeNumberText(outageCost));
            PutRange(doc, QStringLiteral("DLQ11"), outageCost);

            shared_.cManual = false;
        }
        TuttoOK = true;
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
    browser.SetLeft(Left());
    browser.SetTop(Top());
    browser.ShowPage();
    browser.LoadForm();
    HidePage();
}

void frm01::cmdDLQ1_Click() {
    platform_.msg.MsgBox(QStringLiteral("Industry\r\rPlease select one of the options provided."),
                         kStyleInformation, QStringLiteral("Help"));
}

void frm01::cmdDLQ2_Click() {
    platform_.msg.MsgBox(QStringLiteral("Business Type\r\rPlease select one (or many) of the "
                                        "applications the customer is running."),
                         kStyleInformation, QStringLiteral("Help"));
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
