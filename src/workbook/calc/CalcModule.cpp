// The entry points of the Calc backend as a module that the programs load when they first need the
// office (see ModuleSystem.h). The programs themselves link no office library, so they start, and
// report a missing office, even where the office's libraries are not installed.

#include "workbook/calc/CalcBackend.h"
#include "workbook/calc/CalcReport.h"

// Its name is ModuleSystem.h's kAutomationFactoryName.
extern "C" __attribute__((visibility("default"))) wb::System* DravikLumoAutomationSystem() {
    return MakeCalcSystem(CalcOptions::ForUser()).release();
}

// Its name is ModuleSystem.h's kReportOfficeFactoryName.
extern "C" __attribute__((visibility("default"))) wb::ReportOffice* DravikLumoReportOffice(
    bool headless) {
    CalcOptions options = CalcOptions::ForUser();
    options.headless = headless;
    return MakeCalcReportOffice(options).release();
}

// Its name is ModuleSystem.h's kPrivateReportOfficeFactoryName.
extern "C" __attribute__((visibility("default"))) wb::ReportOffice* DravikLumoPrivateReportOffice(
    const QString* folder) {
    return MakePrivateReportOffice(CalcOptions::ForUser(), *folder).release();
}
