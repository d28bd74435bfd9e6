#include "workbook/CalcBackend.h"

// Placeholder until the UNO backend lands: the spreadsheet is never found.
CalcOptions CalcOptions::ForUser() {
    return {};
}

namespace {
class NoOffice : public wb::System {
public:
    std::shared_ptr<wb::Document> NewDocument(const QString&) override {
        throw wb::AutomationError(wb::kErrGeneral, "no office");
    }
};
}  // namespace

std::unique_ptr<wb::System> MakeCalcSystem(const CalcOptions&) {
    return std::make_unique<NoOffice>();
}
