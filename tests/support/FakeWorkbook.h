#pragma once
// An in-memory workbook behind the automation interface. It logs every call, one entry each, so
// tests can check the order and values of writes and reads, and it fails calls on request.
//
// Log entries: "NewDocument CorlaTabb.Workbook", "ParentApplication", "Visible True",
// "MainWindow", "Invoke Activate", "FirstPreparatoryCall", "SecondPreparatoryCall",
// "OpenDocument <file>|<folder>|True", "GetRange <name>", "Contents <name> = <value>",
// "Text <name> = "<text>"",
// "cellvalue <name>", "GetSheet <name>", "TurnTo <name>". A value is written "text" (quoted),
// as a number (12.5), or True/False.

#include "workbook/Automation.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

class FakeWorkbook {
public:
    // A workbook defining every range and sheet the program uses, with plausible defaults.
    static std::shared_ptr<FakeWorkbook> Standard();

    // Defines a range (or "Y:E8" cell) holding value.
    void Define(const QString& name, const wb::CellValue& value = QString());
    // A range whose value is computed at each read.
    void DefineFormula(const QString& name, std::function<wb::CellValue()> formula);
    void DefineSheet(const QString& name) { sheets.insert(name); }
    void Undefine(const QString& name);

    // Every later call whose log entry starts with prefix fails with number.
    void FailOn(const QString& prefix, int number) { failures.emplace_back(prefix, number); }
    // The office goes away: every later call fails with 462.
    void Kill() { gone = true; }

    // The log entries that start with prefix ("Contents " for the writes).
    QStringList Entries(const QString& prefix) const;
    // The writes: "Contents" as typed, "Text" as the text itself.
    QStringList Writes() const;
    void ClearLog() { log.clear(); }

    wb::CellValue Value(const QString& name) const;

    // Called by the fake objects: logs the call, then fails it if asked to.
    void Call(const QString& entry);
    static QString Describe(const wb::CellValue& value);

    std::map<QString, wb::CellValue> cells;
    std::map<QString, std::function<wb::CellValue()>> formulas;
    std::set<QString> sheets;
    QString activeSheet;
    QStringList log;
    std::vector<std::pair<QString, int>> failures;
    bool gone = false;
    bool fileExists = true;  // OpenDocument fails when false
    // Write-outs begun and not ended, and the writes made in them the office would not show yet.
    int writeOutDepth = 0;
    int unshownWrites = 0;
};

// A log's entries as standard strings, for gtest's messages.
inline std::vector<std::string> ToStd(const QStringList& list) {
    std::vector<std::string> out;
    for (const QString& s : list) {
        out.push_back(s.toStdString());
    }
    return out;
}

// The workbook as the write-outs reach it, already open: no opening step is logged.
std::shared_ptr<wb::Document> OpenFake(std::shared_ptr<FakeWorkbook> book);

class FakeAutomation : public wb::System {
public:
    explicit FakeAutomation(std::shared_ptr<FakeWorkbook> book) : book_(std::move(book)) {}
    std::shared_ptr<wb::Document> NewDocument(const QString& className) override;
    // Counted, not logged: they are not steps of the opening.
    void StartInBackground(const QString&) override { ++backgroundStarts; }
    void EndIfUnused() override { ++unusedEnds; }
    FakeWorkbook& book() { return *book_; }

    int backgroundStarts = 0;
    int unusedEnds = 0;

private:
    std::shared_ptr<FakeWorkbook> book_;
};

// The report's side on the same in-memory workbook: ranges of shown cells (shown), and a report
// document that logs what it receives into the book's log, where FailOn reaches it too. Entries:
// "TakeWorkbook <path> hidden|shown", "SheetOf <name>", "ShownRange <name>", "TurnTo <sheet>",
// "ReleaseWorkbook", "NewFromTemplate <path> hidden|shown", "Title = <text>",
// "Bookmark <name> = <text>", "Table <name> <row>,<column> = <a>|<b>;<c>|<d>",
// "Chart <name> = <category>|<category>", "Show", "ExportPdf", "Close", "Release". A range missing
// from shown is 6027 and on no sheet; the others are on the sheet "Report" unless sheetOf says
// otherwise. ExportPdf gives pdf.
class FakeReportOffice : public wb::ReportOffice {
public:
    explicit FakeReportOffice(std::shared_ptr<FakeWorkbook> book) : book_(std::move(book)) {}
    // The Report sheet as the overview's button leaves it, with typical figures.
    void FillReportSheet();

    std::shared_ptr<wb::ShownWorkbook> TakeWorkbook(const QString& path, bool hidden) override;
    std::shared_ptr<wb::TextDocument> NewFromTemplate(const QString& path, bool hidden) override;
    // Reports of saved records are made on a real office only.
    std::shared_ptr<wb::WorkbookCopy> LoadWorkbookCopy(const QString&) override {
        throw wb::AutomationError(wb::kErrGeneral, "no workbook copies in memory");
    }
    void Release() override { book_->Call(QStringLiteral("Release")); }

    FakeWorkbook& book() { return *book_; }
    std::map<QString, wb::ShownTable> shown;
    std::map<QString, QString> sheetOf;
    QByteArray pdf = "%PDF-1.7 made by the fake";
    // Runs before each ShownRange returns, with the name read: a copy made meanwhile.
    std::function<void(const QString&)> whileReading;

private:
    std::shared_ptr<FakeWorkbook> book_;
};
