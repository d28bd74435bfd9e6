#include "pages/frm02.h"

#include "pages/CodedCombo.h"
#include "pages/frm01.h"
#include "records/SaveData.h"
#include "shell/Fonts.h"
#include "shell/Pages.h"
#include "shell/Platform.h"
#include "shell/SharedValues.h"
#include "workbook/RangeExchange.h"
#include "workbook/WorkbookConnection.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using entry::Control;
using entry::Question;

namespace {

// Row i stands at this top; the buttons and the window's foot follow the last row.
constexpr int RowTop(std::size_t row) {
    return 720 + 360 * static_cast<int>(row);
}
int LastRowTop() {
    int rows = 0;
    for (const Question& question : entry::Questions()) {
        rows += question.page == entry::OnPage::Technical ? 1 : 0;
    }
    return RowTop(rows - 1);
}

constexpr int kLabelLeft = 60;
constexpr int kInputLeft = 2760;
constexpr int kInputWidth = 1575;

}  // namespace

frm02::frm02(Pages& pages)
    : AnswerPage(pages, "frm02", 6255, LastRowTop() + 1965, entry::OnPage::Technical) {
    Label2 =
        Place(new QLabel(QStringLiteral("Please fill in the form")), "Label2", 240, 240, 2295, 255);
    Label2->setFont(HeadingFont());
    MakeRows();
    MakeButtons();
    SetTabOrder();
    Create();
    Connect();
}

void frm02::MakeRows() {
    const std::vector<const Question*>& rows = Questions();
    std::vector<QLabel*> captions;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const QByteArray name = "Label1_" + QByteArray::number(static_cast<int>(i));
        QLabel* label = Place(new QLabel(QString::fromUtf8(rows[i]->caption)), name.constData(),
                              kLabelLeft, RowTop(i), rows[i]->captionRight - kLabelLeft, 255);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        captions.push_back(label);
    }
    for (std::size_t i = 0; i < rows.size(); ++i) {
        QWidget* input =
            rows[i]->control == Control::List
                ? static_cast<QWidget*>(Place(MakeCodedCombo(), rows[i]->name, kInputLeft,
                                              RowTop(i), kInputWidth, 315))
                : Place(MakeTextBox(), rows[i]->name, kInputLeft, RowTop(i), kInputWidth, 285);
        NameByCaption(captions[i], input);
        inputs_.push_back(input);
    }
    // The green boxes show the workbook's defaults; nothing reads them, so they take no typing.
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (const char* name = rows[i]->defaultBox.name) {
            QLineEdit* box = Place(MakeTextBox(), name, 4440, RowTop(i), 855, 285);
            box->setAccessibleName(QString::fromUtf8(rows[i]->caption) +
                                   QStringLiteral(" default"));
            box->setReadOnly(true);
            box->setStyleSheet(
                QStringLiteral("QLineEdit { background-color: rgb(192, 255, 192); }"));
            greenBoxes_.push_back(box);
            defaultBoxes_[rows[i]] = box;
        }
    }
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (const char* name = rows[i]->defaultBox.percentLabel) {
            Place(new QLabel(QStringLiteral("%")), name, 5400, RowTop(i), 255, 255);
        }
    }
    for (std::size_t i = 0; i < rows.size(); ++i) {
        QPushButton* button = Place(new QPushButton(QStringLiteral("?")), rows[i]->help.button,
                                    5760, RowTop(i), 255, 255);
        button->setFont(ArialFont(8.25));
        connect(button, &QPushButton::clicked, this, [this, row = rows[i]] { ShowHelp(*row); });
        helpButtons_.push_back(button);
    }
}

// The two button rows below the last question.
void frm02::MakeButtons() {
    const int buttons = LastRowTop() + 600;
    cmdPrev =
        Place(new QPushButton(QStringLiteral("<< Previous")), "cmdPrev", 1320, buttons, 1095, 375);
    cmdApply =
        Place(new QPushButton(QStringLiteral("Apply")), "cmdApply", 2640, buttons, 1095, 375);
    cmdNext = Place(new QPushButton(QStringLiteral("Apply and Close")), "cmdNext", 3960, buttons,
                    1335, 375);
    cmdSave = Place(new QPushButton(QStringLiteral("Save Data")), "cmdSave", 1680, buttons + 720,
                    1095, 375);
    Command1 = Place(new QPushButton(QStringLiteral("TOC Report Help")), "Command1", 3360,
                     buttons + 720, 1455, 375);
}

// The answers first, then the buttons that act on them; the rest after.
void frm02::SetTabOrder() {
    std::vector<QWidget*> tabOrder = inputs_;
    tabOrder.insert(tabOrder.end(), {cmdNext, cmdApply, cmdPrev, cmdSave});
    tabOrder.insert(tabOrder.end(), greenBoxes_.begin(), greenBoxes_.end());
    tabOrder.insert(tabOrder.end(), helpButtons_.begin(), helpButtons_.end());
    tabOrder.push_back(Command1);
    for (std::size_t i = 1; i < tabOrder.size(); ++i) {
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    }
    inputs_.front()->setFocus();
}

// The creation steps, in order.
void frm02::Create() {
    TuttoOK = false;
    setWindowTitle(shared_.sAppName + QStringLiteral(" - Technical Information"));
    for (const Question* row : Questions()) {
        if (row->control != Control::List) {
            continue;
        }
        auto* list = static_cast<QComboBox*>(ControlOf(*row));
        FillCodedCombo(list, row->items);
        if (!row->presetOnce) {
            list->setEditText(QString::fromUtf8(row->preset));
        } else if (!shared_.cLoaded) {
            list->setEditText(QString::fromUtf8(row->preset));
            shared_.cLoaded = true;
        }
    }
}

// Only a choice from the Server Type list counts, not typing.
void frm02::Connect() {
    connect(static_cast<QComboBox*>(ControlOf(entry::kServerType)), &QComboBox::activated, this,
            &frm02::cmbDLQ4_Click);
    connect(cmdPrev, &QPushButton::clicked, this, &frm02::cmdPrev_Click);
    connect(cmdApply, &QPushButton::clicked, this, &frm02::cmdApply_Click);
    connect(cmdNext, &QPushButton::clicked, this, &frm02::cmdNext_Click);
    connect(cmdSave, &QPushButton::clicked, this, &frm02::cmdSave_Click);
    connect(Command1, &QPushButton::clicked, this, &frm02::Command1_Click);
}

bool frm02::QueryUnload(CloseCause cause) {
    return ConfirmQuit(cause);
}

void frm02::UpdFrm02() {
    wb::Document& doc = *shared_.CTabbDoc;
    ProtectedWriteOut(doc, platform_.msg, platform_.end, [&] {
        TuttoOK = false;
        entry::Entry answers;
        PutAnswers(answers);
        entry::WriteOutResult result;
        entry::WriteTechnical(answers, doc, platform_.numbers, result);
        ShowResult(result);
        TuttoOK = result.passed;
    });
}

void frm02::ShowDefaults(const std::vector<entry::QuestionText>& defaults,
                         const std::vector<entry::QuestionText>& copied) {
    for (const auto& [question, text] : defaults) {
        defaultBoxes_.at(question)->setText(text);
    }
    for (const auto& [question, text] : copied) {
        QWidget* answer = ControlOf(*question);
        if (question->control == Control::List) {
            static_cast<QComboBox*>(answer)->setEditText(text);
        } else {
            static_cast<QLineEdit*>(answer)->setText(text);
        }
    }
}

void frm02::cmdPrev_Click() {
    shared_.cManual = false;
    pages_.Switch(*this, pages_.frm01());
}

void frm02::cmdApply_Click() {
    UpdFrm02();
    // The sheet turns whatever the write-out's outcome. Outside the write-out, a failure here is
    // still a lost workbook: it is reported and ends the program as one would.
    wb::Document& doc = *shared_.CTabbDoc;
    ProtectedWriteOut(doc, platform_.msg, platform_.end,
                      [&] { TurnToSheet(doc, QStringLiteral("TOC Overview")); });
}

void frm02::cmdNext_Click() {
    cmdApply_Click();
    if (TuttoOK) {
        pages_.Stop();
    }
}

void frm02::cmdSave_Click() {
    UpdFrm02();
    if (!TuttoOK) {
        return;
    }
    entry::Entry current;
    pages_.frm01().PutAnswers(current);
    PutAnswers(current);
    current.date = platform_.clock.Now();
    SaveData(platform_, current);
}

void frm02::cmbDLQ4_Click() {
    const NumberFormat& numbers = platform_.numbers;
    wb::Document& doc = *shared_.CTabbDoc;
    const Question& growth = entry::kGrowthRate;
    const auto* cmbDLQ4 = static_cast<QComboBox*>(ControlOf(entry::kServerType));
    // Written at once, without a check; the growth default follows the server type and is
    // shown unrounded, unlike page 1's whole percentages.
    ProtectedWriteOut(doc, platform_.msg, platform_.end, [&] {
        PutRange(doc, QString::fromUtf8(entry::kServerType.range), cmbDLQ4->currentText().left(1));
        const auto percent = [&] {
            return numbers.ToText(
                CellNumber(GetRangeValue(doc, QString::fromUtf8(growth.defaultBox.range)),
                           numbers) *
                100);
        };
        defaultBoxes_.at(&growth)->setText(percent());
        static_cast<QLineEdit*>(ControlOf(growth))->setText(percent());
    });
}

void frm02::Command1_Click() {
    platform_.msg.MsgBox(
        QStringLiteral(
            "TOC Report Generation Help\r\r"
            "1) Please complete the form with all the data required and press Apply or Apply and "
            "Close\r"
            "2) Go on the Tabb window on the TOC Overview sheet and press the 'Copy Summary Data "
            "to Report Worksheet' button\r"
            "3) Open the 'Dravik Lumo TOC Report' from your Programs Taskbar\r"
            "4) A Corla Scriva document is opened and updated with data and graphs from the "
            "worksheet\r"
            "5) You can view/edit/print the document and save it for future reuse"),
        kStyleInformation, QStringLiteral("Help"));
}
