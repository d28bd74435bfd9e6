#pragma once
// The report's side of the office over UNO: the workbook read as it shows (Calc) and a report
// document made from a template (Writer), on the same pipe and start-up as the Calc backend.
// Failures are AutomationError: 429 when the office cannot be reached, 462 when it has gone, 6027
// for a name or sheet the workbook does not define, 53 for a missing file, 440 for anything else.

#include "workbook/Automation.h"
#include "workbook/calc/CalcBackend.h"

#include <memory>

std::unique_ptr<wb::ReportOffice> MakeCalcReportOffice(const CalcOptions& options);

// The same on an office of the report's own, started when first needed: headless, on a private
// profile in folder (which goes with it) and a pipe of its own, with the options' office program
// and extension, and ended by Release, by EndNow, or with this process however it ends.
std::unique_ptr<wb::ReportOffice> MakePrivateReportOffice(const CalcOptions& options,
                                                          const QString& folder);
