#pragma once
// The record browser: one Details record at a time in eighteen boxes, stepping, erasing, and
// loading the shown record back into the two pages. It keeps its cursor open from LoadForm until
// a record is loaded or LoadForm runs again.

#include "records/DaoEngine.h"
#include "shell/Page.h"

#include <QVariant>

#include <optional>

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

    // Staging values, one per column but Date: text, or invalid where the column holds nothing.
    QVariant DLQ0, DLQ1, DLQ21, DLQ22, DLQ23, DLQ24, DLQ25, DLQ26;
    QVariant DLQ3, DLQ4, DLQ5, DLQ6, DLQ7, DLQ8, DLQ9, DLQ10, DLQ11;

    // Display boxes, top to bottom, each with its label (lblDLQ12 ... lblDLQ11).
    QLineEdit* txtDLQ12 = nullptr;
    QLineEdit* txtDLQ0 = nullptr;
    QLineEdit* txtDLQ1 = nullptr;
    QLineEdit* txtDLQ21 = nullptr;
    QLineEdit* txtDLQ22 = nullptr;
    QLineEdit* txtDLQ23 = nullptr;
    QLineEdit* txtDLQ24 = nullptr;
    QLineEdit* txtDLQ25 = nullptr;
    QLineEdit* txtDLQ26 = nullptr;
    QLineEdit* txtDLQ3 = nullptr;
    QLineEdit* txtDLQ4 = nullptr;
    QLineEdit* txtDLQ5 = nullptr;
    QLineEdit* txtDLQ6 = nullptr;
    QLineEdit* txtDLQ7 = nullptr;
    QLineEdit* txtDLQ8 = nullptr;
    QLineEdit* txtDLQ9 = nullptr;
    QLineEdit* txtDLQ10 = nullptr;
    QLineEdit* txtDLQ11 = nullptr;

    QPushButton* cmdPrevious = nullptr;
    QPushButton* cmdNext = nullptr;
    QPushButton* cmdRetrieve = nullptr;
    QPushButton* cmdErase = nullptr;
    QPushButton* cmdCancel = nullptr;

private:
    dao::Recordset& Cursor();
    void CloseDatabase();
    void Report(const dao::RecordStoreError& error);
    void EmptyMessage();

    // Declared in the order they are opened, so they are released cursor first.
    std::optional<dao::Workspace> workspace_;
    std::optional<dao::Database> database_;
    std::optional<dao::Recordset> cursor_;
};
