#pragma once
// The automation system on LibreOffice Calc, driven out of process over UNO.

#include "workbook/Automation.h"

#include <QString>

#include <memory>

struct CalcOptions {
    QString sofficePath;  // the office binary; a missing one means the spreadsheet is not there
    QString pipeName;     // the UNO pipe the office accepts on, fixed for the user
    QString profileUrl;   // a private profile (file:// URL), or empty for the user's own
    bool headless = false;
    int startTimeoutMs = 60000;

    // The user's own office: visible, on the pipe named for the user.
    static CalcOptions ForUser();
};

std::unique_ptr<wb::System> MakeCalcSystem(const CalcOptions& options);
