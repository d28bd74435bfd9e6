#pragma once
// The spreadsheet automation layer as the program sees it: a small late-bound object model
// (system, document, application, window, range, sheet). Every call either succeeds or throws
// AutomationError with its number. The Calc backend and the in-memory test workbook both
// implement it; nothing else in the program reaches the spreadsheet.

#include <QString>

#include <memory>
#include <optional>
#include <stdexcept>
#include <variant>

namespace wb {

// Numbers the program tells apart; anything else is a general failure.
inline constexpr int kErrOfficeGone = 462;      // the spreadsheet application has gone away
inline constexpr int kErrUndefinedName = 6027;  // a range or sheet the workbook does not define
inline constexpr int kErrTypeMismatch = 13;     // a cell value the caller cannot use
inline constexpr int kErrGeneral = 440;         // any other automation failure

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
    // NewDocument finds it ready. Failures are left for NewDocument to report.
    virtual void StartInBackground() {}
    // Ends the application if StartInBackground started it and it holds no document; an
    // application that was already running, or that shows anything, is left alone.
    virtual void EndIfUnused() {}
};

}  // namespace wb
