#include "records/frm03data.h"

#include "pages/frm01.h"
#include "pages/frm02.h"
#include "records/Details.h"
#include "shell/Pages.h"
#include "shell/Platform.h"
#include "shell/SharedValues.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QTimer>

namespace {

// A button whose caption wraps onto as many lines as its width needs, as the three wide buttons
// at the bottom do; text() stays the caption itself.
class WrappingButton : public QPushButton {
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent*) override {
        QStylePainter painter(this);
        QStyleOptionButton option;
        initStyleOption(&option);
        option.text.clear();
        painter.drawControl(QStyle::CE_PushButton, option);
        const QRect area = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
        painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                                       QPalette::ButtonText));
        painter.drawText(area, Qt::AlignCenter | Qt::TextWordWrap, text());
    }
};

enum class Shown { Text, BusinessType, Percent, Date };

struct DisplayRow {
    QLineEdit* frm03data::*box;
    const char* boxName;
    const char* labelName;
    const char* caption;
    int top;
    const char* column;
    Shown shown;
};

// Top to bottom; also the order in which ShowRecord fills the boxes, but for the date, which
// ShowRecord fills last.
const DisplayRow kRows[] = {
    {&frm03data::txtDLQ12, "txtDLQ12", "lblDLQ12", "Record Creation Date", 360, "Date",
     Shown::Date},
    {&frm03data::txtDLQ0, "txtDLQ0", "lblDLQ0", "Company Name", 600, "Company", Shown::Text},
    {&frm03data::txtDLQ1, "txtDLQ1", "lblDLQ1", "Industry", 840, "Industry", Shown::Text},
    {&frm03data::txtDLQ21, "txtDLQ21", "lblDLQ21", "Business Type1", 1080, "BT1",
     Shown::BusinessType},
    {&frm03data::txtDLQ22, "txtDLQ22", "lblDLQ22", "Business Type2", 1320, "BT2",
     Shown::BusinessType},
    {&frm03data::txtDLQ23, "txtDLQ23", "lblDLQ23", "Business Type3", 1560, "BT3",
     Shown::BusinessType},
    {&frm03data::txtDLQ24, "txtDLQ24", "lblDLQ24", "Business Type4", 1800, "BT4",
     Shown::BusinessType},
    {&frm03data::txtDLQ25, "txtDLQ25", "lblDLQ25", "Business Type5", 2040, "BT5",
     Shown::BusinessType},
    {&frm03data::txtDLQ26, "txtDLQ26", "lblDLQ26", "Business Type6", 2280, "BT6",
     Shown::BusinessType},
    {&frm03data::txtDLQ3, "txtDLQ3", "lblDLQ3", "Installed Capacity (GB)", 2520,
     "InstalledCapacity", Shown::Text},
    {&frm03data::txtDLQ4, "txtDLQ4", "lblDLQ4", "Server Type", 2760, "ServerType", Shown::Text},
    {&frm03data::txtDLQ5, "txtDLQ5", "lblDLQ5", "% Super Performance", 3000, "SuperPerformance",
     Shown::Percent},
    {&frm03data::txtDLQ6, "txtDLQ6", "lblDLQ6", "% Remote Copy", 3240, "RemoteCopy",
     Shown::Percent},
    {&frm03data::txtDLQ7, "txtDLQ7", "lblDLQ7", "% RAID1", 3480, "RAID1", Shown::Percent},
    {&frm03data::txtDLQ8, "txtDLQ8", "lblDLQ8", "Number of Servers", 3720, "NumberServers",
     Shown::Text},
    {&frm03data::txtDLQ9, "txtDLQ9", "lblDLQ9", "Storage Growth Rate %", 3960, "GrowthRateStorage",
     Shown::Percent},
    {&frm03data::txtDLQ10, "txtDLQ10", "lblDLQ10", "Continuous Operations", 4200,
     "ContinuousOperations", Shown::Text},
    {&frm03data::txtDLQ11, "txtDLQ11", "lblDLQ11", "Outage Cost", 4440, "OutageCost", Shown::Text},
};

const QString kEmpty = QStringLiteral("The Dravik Database is currently empty");

QString TextOf(const QVariant& value) {
    return value.isValid() ? value.toString() : QString();
}

}  // namespace

frm03data::frm03data(Pages& pages) : Page(pages, "frm03data", 5910, 6075) {
    setWindowTitle(shared_.sAppName + QStringLiteral(" - Dravik Database"));

    // The eighteen boxes, each with its right-aligned label ending at 1815.
    for (const DisplayRow& row : kRows) {
        auto* label = Place(new QLabel(QString::fromLatin1(row.caption)), row.labelName, 0, row.top,
                            1815, 255);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        auto* box = Place(MakeTextBox(), row.boxName, 2040, row.top, 2295, 285);
        NameByCaption(label, box);
        // The boxes show a record; the program reads none of them back but the company name.
        box->setReadOnly(true);
        this->*row.box = box;
    }

    // The five buttons.
    cmdPrevious =
        Place(new QPushButton(QStringLiteral("<< Previous")), "cmdPrevious", 4560, 480, 1095, 375);
    cmdNext = Place(new QPushButton(QStringLiteral("Next >>")), "cmdNext", 4560, 960, 1095, 375);
    cmdRetrieve = Place(new WrappingButton(QStringLiteral("Load current record into form")),
                        "cmdRetrieve", 1080, 5040, 1335, 735);
    cmdErase = Place(new WrappingButton(QStringLiteral("Erase Current Record")), "cmdErase", 2520,
                     5040, 1335, 735);
    cmdCancel =
        Place(new QPushButton(QStringLiteral("Cancel")), "cmdCancel", 3960, 5040, 1335, 735);

    // Tab order: the company name, the five buttons, then the other boxes top to bottom.
    QWidget* order[] = {txtDLQ0,  cmdPrevious, cmdNext,  cmdRetrieve, cmdErase, cmdCancel,
                        txtDLQ12, txtDLQ1,     txtDLQ21, txtDLQ22,    txtDLQ23, txtDLQ24,
                        txtDLQ25, txtDLQ26,    txtDLQ3,  txtDLQ4,     txtDLQ5,  txtDLQ6,
                        txtDLQ7,  txtDLQ8,     txtDLQ9,  txtDLQ10,    txtDLQ11};
    for (std::size_t i = 1; i < std::size(order); ++i) {
        setTabOrder(order[i - 1], order[i]);
    }

    connect(cmdPrevious, &QPushButton::clicked, this, &frm03data::cmdPrevious_Click);
    connect(cmdNext, &QPushButton::clicked, this, &frm03data::cmdNext_Click);
    connect(cmdRetrieve, &QPushButton::clicked, this, &frm03data::cmdRetrieve_Click);
    connect(cmdErase, &QPushButton::clicked, this, &frm03data::cmdErase_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frm03data::cmdCancel_Click);
}

frm03data::~frm03data() {
    CloseDatabase();
}

bool frm03data::QueryUnload(CloseCause cause) {
    return ConfirmQuit(cause);
}

void frm03data::Report(const dao::RecordStoreError& error) {
    platform_.msg.MsgBox(DatabaseFailureText(error, DatabasePath(platform_.programFolder)),
                         kStyleExclamation, kDatabaseTitle);
}

void frm03data::EmptyMessage() {
    platform_.msg.MsgBox(kEmpty, kStyleExclamation, kDatabaseTitle);
}

dao::Recordset& frm03data::Cursor() {
    if (!cursor_) {
        throw dao::RecordStoreError(dao::RecordStoreError::Kind::NoCurrentRecord,
                                    QStringLiteral("No database is open in the browser."));
    }
    return *cursor_;
}

void frm03data::CloseDatabase() {
    if (cursor_) {
        cursor_->Close();
        cursor_.reset();
    }
    if (database_) {
        database_->Close();
        database_.reset();
    }
    if (workspace_) {
        workspace_->Close();
        workspace_.reset();
    }
}

void frm03data::LoadForm() {
    CloseDatabase();
    try {
        workspace_.emplace(dao::DBEngine::Shared().Workspaces(0));
        database_.emplace(workspace_->OpenDatabase(DatabasePath(platform_.programFolder)));
        cursor_.emplace(database_->OpenRecordset(kDetailsTable, dao::dbOpenTable));
        if (cursor_->Bof() && cursor_->Eof()) {
            EmptyMessage();
            ClearRecord();
            return;
        }
        cursor_->MoveFirst();
    } catch (const dao::RecordStoreError& error) {
        CloseDatabase();
        ClearRecord();
        Report(error);
        // Nothing to browse: back to page 1 once page 1's Load has finished showing us.
        QTimer::singleShot(0, this, [this] { pages_.Switch(*this, pages_.frm01()); });
        return;
    }
    ShowRecord();
}

void frm03data::ShowRecord() {
    if (!cursor_) {
        ClearRecord();
        return;
    }
    if (cursor_->Bof() && cursor_->Eof()) {
        EmptyMessage();
        ClearRecord();
        return;
    }
    ClearRecord();
    try {
        // The date last, as the boxes are listed in the browser's display table.
        for (std::size_t i = 1; i <= std::size(kRows); ++i) {
            const DisplayRow& row = kRows[i % std::size(kRows)];
            const QVariant value = cursor_->Fields(QString::fromLatin1(row.column));
            if (!value.isValid()) {
                continue;  // a column with no value shows empty
            }
            QString text;
            switch (row.shown) {
                case Shown::Text:
                    text = value.toString();
                    break;
                case Shown::BusinessType:
                    // One space is Save Data's mark for an unticked business type.
                    text = value.toString() == QLatin1String(" ") ? QString() : value.toString();
                    break;
                case Shown::Percent:
                    text = value.toString() + QLatin1Char('%');
                    break;
                case Shown::Date:
                    text = platform_.numbers.GeneralDate(value.toDateTime());
                    break;
            }
            (this->*row.box)->setText(text);
        }
    } catch (const dao::RecordStoreError&) {
        // No current record (the cursor stands where a record was erased): nothing to show.
        ClearRecord();
    }
}

void frm03data::ClearRecord() {
    for (QLineEdit* box :
         {txtDLQ0, txtDLQ1, txtDLQ21, txtDLQ22, txtDLQ23, txtDLQ24, txtDLQ25, txtDLQ26, txtDLQ3,
          txtDLQ4, txtDLQ5, txtDLQ6, txtDLQ7, txtDLQ8, txtDLQ9, txtDLQ10, txtDLQ11, txtDLQ12}) {
        box->setText(QString());
    }
}

// The step buttons pass over every failure, moves included, and go on with their next step.
void frm03data::cmdNext_Click() {
    if (!cursor_) {
        return;
    }
    try {
        cursor_->MoveNext();
    } catch (const dao::RecordStoreError&) {
    }
    if (cursor_->Eof()) {
        platform_.msg.MsgBox(QStringLiteral("You reached the last record"), kStyleExclamation,
                             kDatabaseTitle);
        try {
            cursor_->MovePrevious();
        } catch (const dao::RecordStoreError&) {
        }
    } else {
        ShowRecord();
    }
}

void frm03data::cmdPrevious_Click() {
    if (!cursor_) {
        return;
    }
    try {
        cursor_->MovePrevious();
    } catch (const dao::RecordStoreError&) {
    }
    if (cursor_->Bof()) {
        platform_.msg.MsgBox(QStringLiteral("You reached the first record"), kStyleExclamation,
                             kDatabaseTitle);
        try {
            cursor_->MoveNext();
        } catch (const dao::RecordStoreError&) {
        }
    } else {
        ShowRecord();
    }
}

void frm03data::cmdCancel_Click() {
    pages_.Switch(*this, pages_.frm01());
}

void frm03data::cmdErase_Click() {
    if (platform_.msg.MsgBox(QStringLiteral("Erase current record?"), kStyleYesNoInformation) !=
        MsgResult::Yes) {
        return;
    }
    try {
        dao::Recordset& cursor = Cursor();
        if (cursor.Bof() && cursor.Eof()) {
            EmptyMessage();
            return;
        }
        cursor.Delete();
    } catch (const dao::RecordStoreError& error) {
        // Nothing was erased; the record stays shown.
        Report(error);
        return;
    }
    try {
        cursor_->MoveNext();
        if (cursor_->Eof() && !cursor_->Bof()) {
            cursor_->MovePrevious();
        }
    } catch (const dao::RecordStoreError& error) {
        Report(error);
    }
    ShowRecord();
}

void frm03data::ReadRecord() {
    dao::Recordset& cursor = Cursor();
    const auto field = [&cursor](const char* column) {
        return cursor.Fields(QString::fromLatin1(column));
    };
    DLQ0 = field("Company");
    DLQ1 = field("Industry");
    DLQ21 = field("BT1");
    DLQ22 = field("BT2");
    DLQ23 = field("BT3");
    DLQ24 = field("BT4");
    DLQ25 = field("BT5");
    DLQ26 = field("BT6");
    DLQ3 = field("InstalledCapacity");
    DLQ4 = field("ServerType");
    DLQ5 = field("SuperPerformance");
    DLQ6 = field("RemoteCopy");
    DLQ7 = field("RAID1");
    DLQ8 = field("NumberServers");
    DLQ9 = field("GrowthRateStorage");
    DLQ10 = field("ContinuousOperations");
    DLQ11 = field("OutageCost");
}

void frm03data::FillPages() {
    ::frm01& page1 = pages_.frm01();
    page1.txtDLQ0->setText(TextOf(DLQ0));
    page1.cmbDLQ1->setEditText(TextOf(DLQ1));
    const QVariant* businessTypes[] = {&DLQ21, &DLQ22, &DLQ23, &DLQ24, &DLQ25, &DLQ26};
    for (int member = 0; member < 6; ++member) {
        const bool ticked = TextOf(*businessTypes[member]) == QLatin1String(kBusinessTypes[member]);
        page1.chkDLQ2[member]->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
    }
    // Touching page 2 loads it first, so the record's values replace its initial list texts.
    ::frm02& page2 = pages_.frm02();
    page2.txtDLQ3->setText(TextOf(DLQ3));
    page2.cmbDLQ4->setEditText(TextOf(DLQ4));
    page2.txtDLQ5->setText(TextOf(DLQ5));
    page2.txtDLQ6->setText(TextOf(DLQ6));
    page2.txtDLQ7->setText(TextOf(DLQ7));
    page2.txtDLQ8->setText(TextOf(DLQ8));
    page2.txtDLQ9->setText(TextOf(DLQ9));
    page2.cmbDLQ10->setEditText(TextOf(DLQ10));
    page2.txtDLQ11->setText(TextOf(DLQ11));
}

void frm03data::cmdRetrieve_Click() {
    if (txtDLQ0->text().isEmpty()) {
        platform_.msg.MsgBox(QStringLiteral("Can not retrieve data from an empty Database"),
                             kStyleExclamation, kDatabaseTitle);
        return;
    }
    try {
        ReadRecord();
    } catch (const dao::RecordStoreError& error) {
        Report(error);
        return;
    }
    FillPages();
    CloseDatabase();
    // After filling: page 1's handlers set cManual while its controls were set, and page 1's
    // write-out must keep the loaded values on page 2.
    shared_.cLoaded = true;
    shared_.cManual = false;
    pages_.frm01().UpdFrm01();
    pages_.frm02().UpdFrm02();
    pages_.Switch(*this, pages_.frm01());
}
