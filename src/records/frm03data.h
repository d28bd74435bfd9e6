#pragma once
// The record browser: one Details record at a time, a box for each column (the question
// table's browser boxes below the date's), stepping, erasing, and loading the shown record back
// into the two pages. It keeps its cursor open from LoadForm until a record is loaded or LoadForm
// runs again.

#include "entry/Entry.h"
#include "records/DaoEngine.h"
#include "records/Details.h"
#include "shell/Page.h"

#include <functional>
#include <optional>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;

class frm03data : public Page {
    Q_OBJECT
public:
    explicit frm03data(Pages& pages);
    ~frm03data() override;

    bool QueryUnload(CloseCause cause) override;

    // Opens the database (replacing a cursor held before) and shows the first record.
    void LoadForm();
    void ShowRecord();
    void ClearRecord();
    // The shown record's seventeen columns into the staging values, and from there into the pages.
    void ReadRecord();
    void FillPages();

    void cmdPrevious_Click();
    void cmdNext_Click();
    void cmdRetrieve_Click();
    void cmdErase_Click();
    void cmdCancel_Click();

    // Given by the page that opens the browser (page 1's Load): the page Cancel and a load
    // return to, and what a load does with the pages. The record store reaches no page itself.
    struct Opener {
        Page* page = nullptr;
        std::function<void(const entry::Entry&)> showEntry;  // onto both pages
        std::function<void()> writeOut;                      // both pages' write-outs
    };
    void SetOpener(Opener opener) { opener_ = std::move(opener); }

private:
    void MakeBoxes();
    void MakeButtons();
    void SetTabOrder();
    void Connect();

    dao::Recordset& Cursor();
    void CloseDatabase();
    void Return();
    void Report(const dao::RecordStoreError& error);
    // A server gone away: said, the database closed and nothing shown; false for any other
    // failure.
    bool Lost(const dao::RecordStoreError& error);
    void EmptyMessage();
    void Step(bool forward);
    // On from the record erased (by the user, or meanwhile by another): the one after it, or the
    // one before where it was the last.
    void MoveOn();

    Opener opener_;
    // The staging values: the shown record's entry on its way into the pages.
    entry::Entry staging_;

    std::vector<QLineEdit*> boxes_;  // top to bottom: the date's, then one for each answer
    QLineEdit* txtDLQ12 = nullptr;   // the record's creation date
    QLineEdit* txtDLQ0 = nullptr;    // the company name, which a load looks at
    QPushButton* cmdPrevious = nullptr;
    QPushButton* cmdNext = nullptr;
    QPushButton* cmdRetrieve = nullptr;
    QPushButton* cmdErase = nullptr;
    QPushButton* cmdCancel = nullptr;

    // From LoadForm until a record is loaded or LoadForm runs again.
    RecordStore store_;
    std::optional<OpenDetails> open_;
};
