#include "records/frm03data.h"

#include "records/Details.h"
#include "shell/Pages.h"
#include "shell/Platform.h"
#include "shell/SharedValues.h"

#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QTimer>

#include <algorithm>

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

// The boxes top to bottom: the date's, then the question table's.
std::vector<const entry::BrowserBox*> Boxes() {
    std::vector<const entry::BrowserBox*> boxes{&entry::kDateBox};
    for (const entry::Question& question : entry::Questions()) {
        boxes.push_back(&question.browser);
    }
    return boxes;
}

constexpr int BoxTop(std::size_t box) {
    return 360 + 240 * static_cast<int>(box);
}

// What a box shows of its column's value; a column with no value shows empty.
QString Displayed(entry::Display display, const QString& text) {
    switch (display) {
        case entry::Display::BusinessType:
            // One space is Save Data's mark for an unticked business type.
            return text == entry::kUnticked ? QString() : text;
        case entry::Display::Percentage:
            return text.isNull() ? QString() : text + QLatin1Char('%');
        case entry::Display::Text:
        case entry::Display::Date:
            break;
    }
    return text;
}

const QString kEmpty = QStringLiteral("The Dravik Database is currently empty");

}  // namespace

frm03data::frm03data(Pages& pages)
    : Page(pages, "frm03data", 5910, BoxTop(Boxes().size() - 1) + 1635) {
    setWindowTitle(shared_.sAppName + QStringLiteral(" - Dravik Database"));
    MakeBoxes();
    MakeButtons();
    SetTabOrder();
    Connect();
}

// A box for each column, each with its right-aligned label ending at 1815. The program reads none
// of them back but the company name, so they take no typing.
void frm03data::MakeBoxes() {
    const std::vector<const entry::BrowserBox*> boxes = Boxes();
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        auto* label = Place(new QLabel(QString::fromUtf8(boxes[i]->caption)), boxes[i]->label, 0,
                            BoxTop(i), 1815, 255);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        auto* box = Place(MakeTextBox(), boxes[i]->name, 2040, BoxTop(i), 2295, 285);
        NameByCaption(label, box);
        box->setReadOnly(true);
        boxes_.push_back(box);
    }
    txtDLQ12 = boxes_.front();
    txtDLQ0 = boxes_[1];
}

// The five buttons; the wide ones below the last box.
void frm03data::MakeButtons() {
    const int foot = BoxTop(boxes_.size() - 1) + 600;
    cmdPrevious =
        Place(new QPushButton(QStringLiteral("<< Previous")), "cmdPrevious", 4560, 480, 1095, 375);
    cmdNext = Place(new QPushButton(QStringLiteral("Next >>")), "cmdNext", 4560, 960, 1095, 375);
    cmdRetrieve = Place(new WrappingButton(QStringLiteral("Load current record into form")),
                        "cmdRetrieve", 1080, foot, 1335, 735);
    cmdErase = Place(new WrappingButton(QStringLiteral("Erase Current Record")), "cmdErase", 2520,
                     foot, 1335, 735);
    cmdCancel =
        Place(new QPushButton(QStringLiteral("Cancel")), "cmdCancel", 3960, foot, 1335, 735);
}

// The company name, the five buttons, then the other boxes top to bottom.
void frm03data::SetTabOrder() {
    std::vector<QWidget*> tabOrder{txtDLQ0, cmdPrevious, cmdNext, cmdRetrieve, cmdErase, cmdCancel};
    std::copy_if(boxes_.begin(), boxes_.end(), std::back_inserter(tabOrder),
                 [this](QLineEdit* box) { return box != txtDLQ0; });
    for (std::size_t i = 1; i < tabOrder.size(); ++i) {
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    }
}

void frm03data::Connect() {
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

void frm03data::Return() {
    if (opener_.page) {
        pages_.Switch(*this, *opener_.page);
    }
}

void frm03data::Report(const dao::RecordStoreError& error) {
    platform_.msg.MsgBox(DatabaseFailureText(error, store_), kStyleExclamation, kDatabaseTitle);
}

bool frm03data::Lost(const dao::RecordStoreError& error) {
    if (error.kind() != dao::RecordStoreError::Kind::Unreachable) {
        return false;
    }
    // The server went away: said, and the browsing ends, with nothing stale left shown.
    Report(error);
    CloseDatabase();
    ClearRecord();
    Return();
    return true;
}

void frm03data::EmptyMessage() {
    platform_.msg.MsgBox(kEmpty, kStyleExclamation, kDatabaseTitle);
}

dao::Recordset& frm03data::Cursor() {
    if (!open_) {
        throw dao::RecordStoreError(dao::RecordStoreError::Kind::NoCurrentRecord,
                                    QStringLiteral("No database is open in the browser."));
    }
    return open_->cursor;
}

void frm03data::CloseDatabase() {
    if (open_) {
        open_->Close();
        open_.reset();
    }
}

void frm03data::LoadForm() {
    CloseDatabase();
    try {
        store_ = StoreOf(platform_.programFolder);
        open_.emplace(store_);
        if (open_->cursor.Bof() && open_->cursor.Eof()) {
            EmptyMessage();
            ClearRecord();
            return;
        }
        open_->cursor.MoveFirst();
    } catch (const dao::RecordStoreError& error) {
        CloseDatabase();
        ClearRecord();
        Report(error);
        // Nothing to browse: back to page 1 once page 1's Load has finished showing us.
        QTimer::singleShot(0, this, [this] { Return(); });
        return;
    }
    ShowRecord();
}

void frm03data::ShowRecord() {
    if (!open_) {
        ClearRecord();
        return;
    }
    if (Cursor().Bof() && Cursor().Eof()) {
        EmptyMessage();
        ClearRecord();
        return;
    }
    ClearRecord();
    try {
        const entry::Entry shown = ReadEntry(Cursor());
        for (const entry::Question& question : entry::Questions()) {
            boxes_[entry::Ordinal(question) + 1]->setText(
                Displayed(question.browser.display, shown[question]));
        }
        // The date last.
        if (shown.date.isValid()) {
            txtDLQ12->setText(platform_.numbers.GeneralDate(shown.date));
        }
    } catch (const dao::RecordStoreError&) {
        // No current record (the cursor stands where a record was erased): nothing to show.
        ClearRecord();
    }
}

void frm03data::ClearRecord() {
    for (QLineEdit* box : boxes_) {
        box->setText(QString());
    }
}

// The step buttons pass over every failure, moves included, and go on with their next step; a
// server gone away is said, and ends the browsing (Lost).
void frm03data::Step(bool forward) {
    if (!open_) {
        return;
    }
    const auto move = [this](bool ahead) {
        try {
            ahead ? Cursor().MoveNext() : Cursor().MovePrevious();
        } catch (const dao::RecordStoreError& error) {
            return !Lost(error);
        }
        return true;
    };
    if (!move(forward)) {
        return;
    }
    if (forward ? Cursor().Eof() : Cursor().Bof()) {
        platform_.msg.MsgBox(forward ? QStringLiteral("You reached the last record")
                                     : QStringLiteral("You reached the first record"),
                             kStyleExclamation, kDatabaseTitle);
        move(!forward);
    } else {
        ShowRecord();
    }
}

void frm03data::cmdNext_Click() {
    Step(true);
}

void frm03data::cmdPrevious_Click() {
    Step(false);
}

void frm03data::MoveOn() {
    try {
        Cursor().MoveNext();
        if (Cursor().Eof() && !Cursor().Bof()) {
            Cursor().MovePrevious();
        }
    } catch (const dao::RecordStoreError& error) {
        if (!Lost(error)) {
            Report(error);
        }
    }
    ShowRecord();
}

void frm03data::cmdCancel_Click() {
    Return();
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
        if (Lost(error)) {
            return;
        }
        Report(error);
        // Erased meanwhile by another program or user: on as after an erase; otherwise nothing
        // was erased and the record stays shown.
        if (error.kind() == dao::RecordStoreError::Kind::Gone) {
            MoveOn();
        }
        return;
    }
    MoveOn();
}

void frm03data::ReadRecord() {
    // Read afresh: another program or user may have erased it since it was shown.
    Cursor().Refresh();
    staging_ = ReadEntry(Cursor());
}

void frm03data::FillPages() {
    if (opener_.showEntry) {
        opener_.showEntry(staging_);
    }
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
        if (Lost(error)) {
            return;
        }
        Report(error);
        if (error.kind() == dao::RecordStoreError::Kind::Gone) {
            MoveOn();
        }
        return;
    }
    FillPages();
    CloseDatabase();
    // After filling: page 1's handlers set cManual while its controls were set, and page 1's
    // write-out must keep the loaded values on page 2.
    shared_.cLoaded = true;
    shared_.cManual = false;
    if (opener_.writeOut) {
        opener_.writeOut();
    }
    Return();
}
