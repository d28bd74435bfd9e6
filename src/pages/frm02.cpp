#include "pages/frm02.h"

#include "pages/CodedCombo.h"
#include "pages/frm01.h"
#include "pages/modCheck.h"
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

namespace {

// Question q stands in the row at this top.
constexpr int RowTop(int question) {
    return 720 + 360 * (question - 3);
}

constexpr int kLabelLeft = 60;
constexpr int kInputLeft = 2760;
constexpr int kInputWidth = 1575;

constexpr const char* kCaptions[9] = {
    "Installed Capacity (GB)",       "Server Type",
    "% requiring Super Performance", "% requiring Remote Copy",
    "% implemented in RAID1",        "Number of Servers",
    "Storage Growth Rate %",         "Continuous Operation",
    "Outage Costs $/hour",
};

// The help of each "?" button: heading, text and, for the fields with a green box, the box's
// sentence. The headings are the help's own, not always the fields' captions.
struct Help {
    const char* heading;
    const char* text;
    const char* greenBox;
};
constexpr const char* kIndustryAndTypes =
    "The green box represents the default value based on the Industry and the Business Types "
    "selected";
constexpr const char* kIndustryOnly =
    "The green box represents the default value based on the Industry selected";
constexpr Help kHelp[9] = {
    {"Installed Capacity", "Please enter here the disk storage capacity currently installed.",
     nullptr},
    {"Server Type", "Please select the server environment.", nullptr},
    {"% requiring Super Performance",
     "Please enter here the % of applications performance-critical.", kIndustryAndTypes},
    {"% requiring Remote Copy",
     "Please enter here the % of applications or data requiring a disaster tolerance "
     "environment.",
     kIndustryAndTypes},
    {"% requiring RAID1",
     "Please enter here the % of applications or data requiring a mission-critical environment.",
     kIndustryAndTypes},
    {"Number of Servers", "Please enter here the number of servers involved in the project.",
     nullptr},
    {"% Storage Growth Rate",
     "Please enter here the expected capacity growth per annum (as a percentage of installed "
     "capacity).",
     kIndustryOnly},
    {"Continuous Operations", "Please select the level of Business Continuity required.",
     kIndustryOnly},
    {"Outage Costs", "Please enter the hourly outage cost of the company.", kIndustryAndTypes},
};

}  // namespace

frm02::frm02(Pages& pages) : Page(pages, "frm02", 6255, 5565) {
    Label2 =
        Place(new QLabel(QStringLiteral("Please fill in the form")), "Label2", 240, 240, 2295, 255);
    Label2->setFont(HeadingFont());

    // One row per question: caption, input, green default box, "%" and "?".
    for (int q = 3; q <= 11; ++q) {
        const QByteArray name = "Label1_" + QByteArray::number(q - 3);
        const int labelRight = q == 5 ? 2415 : 2295;
        QLabel* label = Place(new QLabel(QString::fromLatin1(kCaptions[q - 3])), name.constData(),
                              kLabelLeft, RowTop(q), labelRight - kLabelLeft, 255);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        Label1[q - 3] = label;
    }
    const auto textBox = [this](const char* name, int q) {
        return Place(MakeTextBox(), name, kInputLeft, RowTop(q), kInputWidth, 285);
    };
    const auto comboBox = [this](const char* name, int q) {
        return Place(MakeCodedCombo(), name, kInputLeft, RowTop(q), kInputWidth, 315);
    };
    txtDLQ3 = textBox("txtDLQ3", 3);
    cmbDLQ4 = comboBox("cmbDLQ4", 4);
    txtDLQ5 = textBox("txtDLQ5", 5);
    txtDLQ6 = textBox("txtDLQ6", 6);
    txtDLQ7 = textBox("txtDLQ7", 7);
    txtDLQ8 = textBox("txtDLQ8", 8);
    txtDLQ9 = textBox("txtDLQ9", 9);
    cmbDLQ10 = comboBox("cmbDLQ10", 10);
    txtDLQ11 = textBox("txtDLQ11", 11);
    QWidget* const inputs[9] = {txtDLQ3, cmbDLQ4, txtDLQ5,  txtDLQ6, txtDLQ7,
                                txtDLQ8, txtDLQ9, cmbDLQ10, txtDLQ11};
    for (int i = 0; i < 9; ++i) {
        NameByCaption(Label1[i], inputs[i]);
    }

    // The green boxes show the workbook's defaults; nothing reads them, so they take no typing.
    const auto defaultBox = [this](const char* name, int q) {
        QLineEdit* box = Place(MakeTextBox(), name, 4440, RowTop(q), 855, 285);
        box->setAccessibleName(QString::fromLatin1(kCaptions[q - 3]) + QStringLiteral(" default"));
        box->setReadOnly(true);
        box->setStyleSheet(QStringLiteral("QLineEdit { background-color: rgb(192, 255, 192); }"));
        return box;
    };
    txtDLQ5default = defaultBox("txtDLQ5default", 5);
    txtDLQ6default = defaultBox("txtDLQ6default", 6);
    txtDLQ7default = defaultBox("txtDLQ7default", 7);
    txtDLQ9default = defaultBox("txtDLQ9default", 9);
    txtDLQ10default = defaultBox("txtDLQ10default", 10);
    txtDLQ11default = defaultBox("txtDLQ11default", 11);

    const auto percentLabel = [this](const char* name, int q) {
        return Place(new QLabel(QStringLiteral("%")), name, 5400, RowTop(q), 255, 255);
    };
    Label9 = percentLabel("Label9", 5);
    Label10 = percentLabel("Label10", 6);
    Label11 = percentLabel("Label11", 7);
    Label12 = percentLabel("Label12", 9);

    QPushButton** const helpButtons[9] = {&cmdDLQ3, &cmdDLQ4, &cmdDLQ5,  &cmdDLQ6, &cmdDLQ7,
                                          &cmdDLQ8, &cmdDLQ9, &cmdDLQ10, &cmdDLQ11};
    for (int q = 3; q <= 11; ++q) {
        const QByteArray name = "cmdDLQ" + QByteArray::number(q);
        QPushButton* button = Place(new QPushButton(QStringLiteral("?")), name.constData(), 5760,
                                    RowTop(q), 255, 255);
        button->setFont(ArialFont(8.25));
        *helpButtons[q - 3] = button;
    }

    // The two button rows.
    cmdPrev =
        Place(new QPushButton(QStringLiteral("<< Previous")), "cmdPrev", 1320, 4200, 1095, 375);
    cmdApply = Place(new QPushButton(QStringLiteral("Apply")), "cmdApply", 2640, 4200, 1095, 375);
    cmdNext =
        Place(new QPushButton(QStringLiteral("Apply and Close")), "cmdNext", 3960, 4200, 1335, 375);
    cmdSave = Place(new QPushButton(QStringLiteral("Save Data")), "cmdSave", 1680, 4920, 1095, 375);
    Command1 = Place(new QPushButton(QStringLiteral("TOC Report Help")), "Command1", 3360, 4920,
                     1455, 375);

    // The answers first, then the buttons that act on them; the rest after.
    QWidget* const tabOrder[] = {
        txtDLQ3,        cmbDLQ4,        txtDLQ5,         txtDLQ6,         txtDLQ7,
        txtDLQ8,        txtDLQ9,        cmbDLQ10,        txtDLQ11,        cmdNext,
        cmdApply,       cmdPrev,        cmdSave,         txtDLQ5default,  txtDLQ6default,
        txtDLQ7default, txtDLQ9default, txtDLQ10default, txtDLQ11default, cmdDLQ3,
        cmdDLQ4,        cmdDLQ5,        cmdDLQ6,         cmdDLQ7,         cmdDLQ8,
        cmdDLQ9,        cmdDLQ10,       cmdDLQ11,        Command1};
    for (size_t i = 1; i < std::size(tabOrder); ++i) {
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    }
    txtDLQ3->setFocus();

    // Creation steps, in order.
    TuttoOK = false;
    setWindowTitle(shared_.sAppName + QStringLiteral(" - Technical Information"));
    FillCodedCombo(cmbDLQ4, {"1 - Vastor", "2 - Open"});
    if (!shared_.cLoaded) {
        cmbDLQ4->setEditText(QStringLiteral("2 - Open"));
        shared_.cLoaded = true;
    }
    FillCodedCombo(cmbDLQ10, {"0 - Not required", "1 - Required"});
    cmbDLQ10->setEditText(QStringLiteral("Please select..."));

    // Notifications. Only a choice from the Server Type list counts, not typing.
    connect(cmbDLQ4, &QComboBox::activated, this, &frm02::cmbDLQ4_Click);
    connect(cmdPrev, &QPushButton::clicked, this, &frm02::cmdPrev_Click);
    connect(cmdApply, &QPushButton::clicked, this, &frm02::cmdApply_Click);
    connect(cmdNext, &QPushButton::clicked, this, &frm02::cmdNext_Click);
    connect(cmdSave, &QPushButton::clicked, this, &frm02::cmdSave_Click);
    connect(Command1, &QPushButton::clicked, this, &frm02::Command1_Click);
    void (frm02::*const helpHandlers[9])() = {
        &frm02::cmdDLQ3_Click, &frm02::cmdDLQ4_Click,  &frm02::cmdDLQ5_Click,
        &frm02::cmdDLQ6_Click, &frm02::cmdDLQ7_Click,  &frm02::cmdDLQ8_Click,
        &frm02::cmdDLQ9_Click, &frm02::cmdDLQ10_Click, &frm02::cmdDLQ11_Click};
    for (int i = 0; i < 9; ++i) {
        connect(*helpButtons[i], &QPushButton::clicked, this, helpHandlers[i]);
    }
}

bool frm02::QueryUnload(CloseCause cause) {
    return ConfirmQuit(cause);
}

void frm02::UpdFrm02() {
    MessageBoxes& msg = platform_.msg;
    const NumberFormat& numbers = platform_.numbers;
    ProtectedWriteOut(*pages_.frm01().CTabbDoc, msg, platform_.end, [&] {
        wb::Document& doc = *pages_.frm01().CTabbDoc;
        TuttoOK = false;

        // A number field: not empty, then the numeric check, then written as typed (a
        // percentage with its "%"); the workbook reads the text as the user would type it.
        const auto number = [&](QLineEdit* field, const char* range, const QString& sMin,
                                const QString& sMax, const char* emptyMessage,
                                const char* checkMessage, bool percentage) {
            const QString text = field->text();
            if (text.isEmpty()) {
                msg.MsgBox(QString::fromLatin1(emptyMessage), kStyleExclamation);
                field->setFocus();
                return false;
            }
            if (!CheckNumber(text, true, sMin, sMax, numbers, msg)) {
                msg.MsgBox(QString::fromLatin1(checkMessage), kStyleExclamation);
                field->setFocus();
                return false;
            }
            PutRange(doc, QString::fromLatin1(range), percentage ? text + QLatin1Char('%') : text);
            return true;
        };
        // A coded list: a capital P is the prompt "Please select..."; the code is the first
        // character.
        const auto selection = [&](QComboBox* combo, const char* range) {
            const QString text = combo->currentText();
            if (text.startsWith(QLatin1Char('P'))) {
                msg.MsgBox(QStringLiteral("Please make a selection"), kStyleExclamation);
                combo->setFocus();
                return false;
            }
            PutRange(doc, QString::fromLatin1(range), text.left(1));
            return true;
        };
        // The smallest positive value, made in the user's format at each check.
        const auto tiny = [&] { return numbers.ToText(1.0 / 100000); };
        const QString zero = QStringLiteral("0");
        const QString hundred = QStringLiteral("100");
        const QString none;

        if (!number(txtDLQ3, "DLQ3", tiny(), none,
                    "Installed Capacity (GB) must not be left empty!",
                    "Installed Capacity (GB) must be a positive value!", false) ||
            !selection(cmbDLQ4, "DLQ4") ||
            !number(txtDLQ5, "DLQ5", zero, hundred,
                    "% requiring Super Performance must not be left empty!",
                    "% requiring Super Performance must be a value between 0 and 100!", true) ||
            !number(txtDLQ6, "DLQ6", zero, hundred,
                    "% requiring Remote Copy must not be left empty!",
                    "% requiring Remote Copy must be a value between 0 and 100!", true) ||
            !number(txtDLQ7, "DLQ7", zero, hundred,
                    "% implemented in RAID1 must not be left empty!",
                    "% implemented in RAID1 must be a value between 0 and 100!", true) ||
            !number(txtDLQ8, "DLQ8", tiny(), none, "Number of Servers must not be left empty!",
                    "Number of Servers must be a positive value!", false) ||
            !number(txtDLQ9, "DLQ9", zero, none, "Storage Growth Rate must not be left empty!",
                    "Storage Growth Rate must be a positive value!", true) ||
            !selection(cmbDLQ10, "DLQ10") ||
            !number(txtDLQ11, "DLQ11", zero, none, "Outage Cost must not be left empty!",
                    "Outage Cost must be a positive value!", false)) {
            return;
        }
        TuttoOK = true;
    });
}

void frm02::cmdPrev_Click() {
    shared_.cManual = false;
    pages_.Switch(*this, pages_.frm01());
}

void frm02::cmdApply_Click() {
    UpdFrm02();
    // The sheet turns whatever the write-out's outcome. Outside the write-out, a failure here is
    // still a lost workbook: it is reported and ends the program as one would.
    ProtectedWriteOut(*pages_.frm01().CTabbDoc, platform_.msg, platform_.end, [&] {
        TurnToSheet(*pages_.frm01().CTabbDoc, QStringLiteral("TOC Overview"));
    });
}

void frm02::cmdNext_Click() {
    cmdApply_Click();
    if (TuttoOK) {
        pages_.Stop();
    }
}

void frm02::cmdSave_Click() {
    SaveData(pages_);
}

void frm02::cmbDLQ4_Click() {
    const NumberFormat& numbers = platform_.numbers;
    // Written at once, without a check; the growth default follows the server type and is
    // shown unrounded, unlike page 1's whole percentages.
    ProtectedWriteOut(*pages_.frm01().CTabbDoc, platform_.msg, platform_.end, [&] {
        wb::Document& doc = *pages_.frm01().CTabbDoc;
        PutRange(doc, QStringLiteral("DLQ4"), cmbDLQ4->currentText().left(1));
        const auto growth = [&] {
            return numbers.ToText(
                CellNumber(GetRangeValue(doc, QStringLiteral("DL_DEF_GR")), numbers) * 100);
        };
        txtDLQ9default->setText(growth());
        txtDLQ9->setText(growth());
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

void frm02::ShowHelp(int question) {
    const Help& help = kHelp[question - 3];
    QString text =
        QString::fromLatin1(help.heading) + QStringLiteral("\r\r") + QString::fromLatin1(help.text);
    if (help.greenBox) {
        text += QStringLiteral("\r\r") + QString::fromLatin1(help.greenBox);
    }
    platform_.msg.MsgBox(text, kStyleInformation, QStringLiteral("Help"));
}

void frm02::cmdDLQ3_Click() {
    ShowHelp(3);
}
void frm02::cmdDLQ4_Click() {
    ShowHelp(4);
}
void frm02::cmdDLQ5_Click() {
    ShowHelp(5);
}
void frm02::cmdDLQ6_Click() {
    ShowHelp(6);
}
void frm02::cmdDLQ7_Click() {
    ShowHelp(7);
}
void frm02::cmdDLQ8_Click() {
    ShowHelp(8);
}
void frm02::cmdDLQ9_Click() {
    ShowHelp(9);
}
void frm02::cmdDLQ10_Click() {
    ShowHelp(10);
}
void frm02::cmdDLQ11_Click() {
    ShowHelp(11);
}
