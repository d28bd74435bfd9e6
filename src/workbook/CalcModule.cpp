// The entry point of the Calc backend as a module that the program loads when it first needs the
// office (see ModuleSystem.h). The program itself links no office library, so it starts, and
// reports a missing office, even where the office's libraries are not installed.

#include "workbook/CalcBackend.h"

// Its name is ModuleSystem.h's kAutomationFactoryName.
extern "C" __attribute__((visibility("default"))) wb::System* DravikLumoAutomationSystem() {
    return MakeCalcSystem(CalcOptions::ForUser()).release();
}
