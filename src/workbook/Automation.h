#pragma once
// The spreadsheet automation layer as the program sees it: a small late-bound object model
// (system, document, application, window, range, sheet). Every call either succeeds or throws
// AutomationError with its number. The Calc backend and the in-memory test workbook both
// implement it; nothing else in the program reaches the spreadsheet.

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <variant>
#include <vector>

namespace wb {

// Numbers the program tells apart; anything else is a general failure.
inline constexpr int kErrOfficeGone = 462;     // the spreadsheet application has gone away
inline constexpr int kErrNoApplication = 429;  // the application can be neither reached nor started
inline constexpr int kErrUndefinedName = 6027;  // a range or sheet the workbook does not define
inline constexpr int kErrTypeMismatch = 13;     // a cell value the caller cannot use
inline constexpr int kErrGeneral = 440;         // any other automation failure
inline constexpr int kErrFileNotFound = 53;     // a document to open is not there
inline constexpr int kErrCannotWrite = 75;      // a file cannot be written where asked
inline constexpr int kErrNoAnswer = 1460;       // the application did not answer in the time given

class AutomationError : public std::runtime_error {
public:
    AutomationError(int number, const std::string& what)
        : std::runtime_error(what), number_(number) {}
    int number() const { return number_; }

private:
    int number_;
};

// A cell value: text, number or Boolean. An empty cell reads as empty text.
using CellValue = std::variant<QString, double, bool>;

class Window {
public:
    virtual ~Window() = default;
    // "Activate", "Restore" or "Maximize", called by name.
    virtual void Invoke(const QString& member) = 0;
};

class Range {
public:
    virtual ~Range() = default;
    // Member "Contents": the value as a user typing it into the cell would enter it.
    virtual void SetContents(const CellValue& value) = 0;
    // The text itself as the cell's text, never read as a number, date, Boolean or formula: for
    // an answer that is only ever shown, so that "007" stays "007".
    virtual void SetText(const QString& text) = 0;
    // Member "cellvalue": what the cell holds now (formulas evaluated).
    virtual CellValue CellValueOf() = 0;
};

class Sheet {
public:
    virtual ~Sheet() = default;
    // Member "TurnTo": make this sheet the one the spreadsheet shows.
    virtual void TurnTo() = 0;
};

class Application;

class Document {
public:
    virtual ~Document() = default;
    virtual std::shared_ptr<Application> ParentApplication() = 0;
    virtual void FirstPreparatoryCall() = 0;
    virtual void SecondPreparatoryCall() = 0;
    // A range name ("DLQ5") or a cell address of the form "Y:E8" (sheet Y, cell E8).
    virtual std::shared_ptr<Range> GetRange(const QString& name) = 0;
    virtual std::shared_ptr<Sheet> GetSheet(const QString& name) = 0;

    // A write-out: the calls between BeginWriteOut and EndWriteOut. Inside one, a name is looked
    // up once, and the spreadsheet may hold back recalculating and repainting until ShowWrites or
    // EndWriteOut; a read still sees every write before it. ShowWrites brings the spreadsheet's
    // display up to date (before a message box). Neither of the two fails: an office gone shows
    // in the next call.
    virtual void BeginWriteOut() = 0;
    virtual void ShowWrites() noexcept = 0;
    virtual void EndWriteOut() noexcept = 0;
};

class Application {
public:
    virtual ~Application() = default;
    virtual void SetVisible(bool visible) = 0;
    virtual std::shared_ptr<Window> MainWindow() = 0;
    // fileName and folder, two omitted optional arguments, then a flag (True in this program).
    virtual std::shared_ptr<Document> OpenDocument(const QString& fileName, const QString& folder,
                                                   const std::optional<CellValue>& omitted1,
                                                   const std::optional<CellValue>& omitted2,
                                                   bool flag) = 0;
};

class System {
public:
    virtual ~System() = default;
    // A new document of the application registered under className; starts it when needed.
    virtual std::shared_ptr<Document> NewDocument(const QString& className) = 0;

    // Starts the application, when it is not running, without waiting for it, so that a later
    // NewDocument finds it ready; the workbook at workbookPath, which the opening will load, may
    // serve to warm it up. Failures are left for NewDocument to report.
    virtual void StartInBackground(const QString& workbookPath) { (void)workbookPath; }
    // Ends the application if StartInBackground started it and it holds no document; an
    // application that was already running, or that shows anything, is left alone. One still
    // starting is ended without waiting for it.
    virtual void EndIfUnused() {}
};

// -- The report's side: the workbook read as it shows, and a text document made from a template.

// A cell as the workbook shows it: the text in the cell's number format, and the number behind
// it when it holds one. A formula whose result is an error shows that error ("#NUM!").
struct ShownCell {
    QString text;
    std::optional<double> number;
    bool error = false;
};
using ShownTable = std::vector<std::vector<ShownCell>>;  // rows of cells

class ShownWorkbook {
public:
    virtual ~ShownWorkbook() = default;
    // The sheet a workbook-level range name leads to, found by the name alone; empty text when
    // the workbook does not define the name or it leads nowhere (its sheet was deleted).
    virtual QString SheetOf(const QString& name) = 0;
    // The cells of a workbook-level range name, row by row; 6027 for a name it does not define.
    virtual ShownTable ShownRange(const QString& name) = 0;
    // The cells of each name, in the order given, as ShownRange gives them. A workbook that can
    // reads them all in one step of the office; this one reads them one after the other.
    virtual std::vector<ShownTable> ShownRanges(const std::vector<QString>& names) {
        std::vector<ShownTable> tables;
        for (const QString& name : names) {
            tables.push_back(ShownRange(name));
        }
        return tables;
    }
    // Makes the sheet the one the workbook's window shows; 6027 for an unknown sheet.
    virtual void TurnTo(const QString& sheet) = 0;
    // Closes the workbook when it was loaded for this reader only; one the user has open stays.
    virtual void Release() = 0;
};

// A copy of the workbook that the report program loaded hidden for itself, to make reports of
// entries the user has not open: the entry goes in through the document, as the pages write it,
// and the overview's button copies it to Report, which reads as in the user's workbook. Release
// closes it.
class WorkbookCopy : public ShownWorkbook {
public:
    // Runs work on the copy's document as one write-out, in one step of the office.
    virtual void WriteOut(const std::function<void(Document&)>& work) = 0;
    // What a click on the overview's button "Copy Summary Data to Report Worksheet" does, through
    // the same handler; 440, with the button's own message, when it made no copy.
    virtual void CopySummaryToReport() = 0;
};

// A document made from a template whose named places the program fills: bookmarks take text,
// tables take rows of text, embedded charts take their data.
class TextDocument {
public:
    virtual ~TextDocument() = default;
    // The document's title: in its properties (a PDF's title too) and its window's caption.
    virtual void SetTitle(const QString& title) = 0;
    // The text replaces what the bookmark marks.
    virtual void SetBookmarkText(const QString& bookmark, const QString& text) = 0;
    // rows[r][c] goes into the table's cell (firstRow + r, firstColumn + c), counted from 0.
    virtual void FillTable(const QString& table, int firstRow, int firstColumn,
                           const std::vector<std::vector<QString>>& rows) = 0;
    // values[r][c]: category r of series c. The value axis is marked at whole multiples of
    // tickUnit (1 for whole numbers, 1000 for an axis shown in thousands), also for small values.
    virtual void SetChartData(const QString& chart, const std::vector<QString>& categories,
                              const std::vector<QString>& series,
                              const std::vector<std::vector<double>>& values, double tickUnit) = 0;
    // Shows the document's window in front (a document made hidden stays hidden otherwise).
    virtual void Show() = 0;
    // The document as PDF, handed over whole: the office writes no file of its own.
    virtual QByteArray ExportPdf() = 0;
    virtual void Close() = 0;
};

// The office as the report program reaches it. No call lets the office ask the user anything:
// where it would ask, the call fails instead.
class ReportOffice {
public:
    virtual ~ReportOffice() = default;
    // The workbook at path: the one the office has open, or else loaded from path, hidden or
    // shown. 53 when there is no such file.
    virtual std::shared_ptr<ShownWorkbook> TakeWorkbook(const QString& path, bool hidden) = 0;
    // A new untitled document made from the template at path; 53 when there is no such file.
    virtual std::shared_ptr<TextDocument> NewFromTemplate(const QString& path, bool hidden) = 0;
    // The workbook file at path, a copy the caller made for this alone, loaded hidden for writing;
    // 53 when there is no such file.
    virtual std::shared_ptr<WorkbookCopy> LoadWorkbookCopy(const QString& path) = 0;
    // Lets go of the office; one started for hidden work only, and left with nothing open, ends.
    virtual void Release() = 0;
    // Ends an office of the program's own at once, from any thread, also one that is stopped or
    // hangs: its calls under way then fail with 462. The user's office is never ended so.
    virtual void EndNow() {}
};

}  // namespace wb
