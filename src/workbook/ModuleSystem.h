#pragma once
// The automation system of a module loaded at run time, the first time the program needs it.
// The Calc backend is built as such a module (beside the program) because it links the office's
// libraries: a program linked against them would not start at all where they are missing. A
// module that cannot be loaded, for that or any other reason, fails NewDocument with the general
// error, which the opening reports as a missing spreadsheet application.

#include "workbook/Automation.h"

#include <QString>

#include <memory>

// The one function a module exports, extern "C" wb::System* DravikLumoAutomationSystem(): a new
// automation system for the user, owned by the caller.
inline constexpr char kAutomationFactoryName[] = "DravikLumoAutomationSystem";

// The Calc backend's file name in the program's folder.
inline const QString kCalcModuleFileName = QStringLiteral("dravik-lumo-calc.so");

class ModuleSystem : public wb::System {
public:
    explicit ModuleSystem(QString modulePath);
    ~ModuleSystem() override;

    std::shared_ptr<wb::Document> NewDocument(const QString& className) override;
    void StartInBackground() override;
    void EndIfUnused() override;

private:
    // The module's system, or nullptr (with failure_ set) when it cannot be loaded.
    wb::System* Loaded();

    QString modulePath_;
    bool tried_ = false;
    QString failure_;
    std::unique_ptr<wb::System> system_;
};
