#pragma once
// Opening the workbook once at page 1's load, and the one failure handler of the write-outs.

#include "workbook/Automation.h"

#include <chrono>
#include <exception>
#include <functional>
#include <memory>

class MessageBoxes;
class ProgramEnd;

inline const QString kWorkbookClassName = QStringLiteral("CorlaTabb.Workbook");

struct WorkbookHandles {
    std::shared_ptr<wb::Document> CTabbDoc;
    std::shared_ptr<wb::Application> CTabbApp;
};

// How long the opening waits for the spreadsheet, from its start to the workbook open.
inline constexpr std::chrono::seconds kOpeningTimeLimit{60};

// Starts the spreadsheet, shows it maximised, opens sFileName from folder and writes "1" into
// "DL". Returns only on success; a failure, or no answer within the time limit, shows the
// phase's message and ends the program with the critical-error status.
WorkbookHandles OpenWorkbookConnection(wb::System& automation, const QString& sFileName,
                                       const QString& folder, MessageBoxes& msg, ProgramEnd& end);

// Reports a failure inside a write-out by its number and ends the program with the critical-error
// status.
[[noreturn]] void FailWriteOut(int number, MessageBoxes& msg, ProgramEnd& end);

// Holds the document's write-out open while it lives. A message box shown meanwhile first lets
// the spreadsheet show every write made before it; the write-out ends on every way out.
class WriteOutScope {
public:
    WriteOutScope(wb::Document& doc, MessageBoxes& msg);
    ~WriteOutScope();
    WriteOutScope(const WriteOutScope&) = delete;
    WriteOutScope& operator=(const WriteOutScope&) = delete;

private:
    wb::Document& doc_;
    MessageBoxes& msg_;
    std::function<void()> outerBeforeShow_;
};

// Runs a write-out's body on doc; any automation failure inside it goes to FailWriteOut. So
// does any other failure (a runtime error of the spreadsheet's library): a handler must not let
// one escape into Qt's event loop, which would end the program without a word.
template <class Body>
void ProtectedWriteOut(wb::Document& doc, MessageBoxes& msg, ProgramEnd& end, Body&& body) {
    int failure = 0;
    try {
        const WriteOutScope writeOut(doc, msg);
        body();
        return;
    } catch (const wb::AutomationError& e) {
        failure = e.number();
    } catch (const std::exception&) {
        failure = wb::kErrGeneral;
    }
    // Reported outside the handler, so ending the program never unwinds through it.
    FailWriteOut(failure, msg, end);
}
