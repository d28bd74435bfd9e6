#pragma once
// The automation system on LibreOffice Calc, driven out of process over UNO.
//
// NewDocument("CorlaTabb.Workbook") connects to the office on the options' pipe, starting it when
// nothing answers there, and makes an empty spreadsheet; OpenDocument loads the workbook into
// that document's window. Failures are AutomationError: 429 when the office can be neither reached
// nor started, 462 when the office or the document has gone, 6027 for a range or sheet the
// workbook does not define, 440 for anything else.

#include "workbook/Automation.h"

#include <QString>

#include <memory>

// The office extension behind the workbook's report button, as the build packed it.
struct OfficeExtension {
    QString path;        // the .oxt; empty: nothing is checked
    QString identifier;  // as its description.xml gives them
    QString version;
};

struct CalcOptions {
    QString sofficePath;  // the office binary; a missing one means the spreadsheet is not there
    QString pipeName;     // the UNO pipe the office accepts on
    // The pipe is the user's own (UserOffice.h): its name is read afresh at each connection, and
    // one that another user has taken is given a new random part.
    bool usersPipe = false;
    QString profileUrl;  // a private profile (file:// URL), or empty for the user's own
    bool headless = false;
    int startTimeoutMs = 60000;
    // Deployed in the office when the workbook opens, should the office lack it.
    OfficeExtension extension;

    // The user's own office and profile: visible, on the user's pipe
    // ("dravik_lumo_calc_<user name>_<random part>"), with the extension beside the program.
    static CalcOptions ForUser();
};

std::unique_ptr<wb::System> MakeCalcSystem(const CalcOptions& options);
