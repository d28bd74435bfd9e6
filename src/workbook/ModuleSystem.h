#pragma once
// The automation system, and the report's office, of a module loaded at run time, the first time
// a program needs it. The Calc backend is built as such a module (beside the programs) because it
// links the office's libraries: a program linked against them would not start at all where they
// are missing. A module that cannot be loaded, for that or any other reason, fails as an office
// that cannot be reached: 429, which both programs report as a missing spreadsheet application.

#include "workbook/Automation.h"

#include <QString>

#include <atomic>
#include <memory>

// The one function a module exports, extern "C" wb::System* DravikLumoAutomationSystem(): a new
// automation system for the user, owned by the caller.
inline constexpr char kAutomationFactoryName[] = "DravikLumoAutomationSystem";
// And extern "C" wb::ReportOffice* DravikLumoReportOffice(bool headless): the report's office of
// the user, with the office started headless if it must be started.
inline constexpr char kReportOfficeFactoryName[] = "DravikLumoReportOffice";
// And extern "C" wb::ReportOffice* DravikLumoPrivateReportOffice(const QString* folder): the
// report's office on an office of its own, with its profile in folder.
inline constexpr char kPrivateReportOfficeFactoryName[] = "DravikLumoPrivateReportOffice";

// The Calc backend's file name in the program's folder.
inline const QString kCalcModuleFileName = QStringLiteral("dravik-lumo-calc.so");

class ModuleSystem : public wb::System {
public:
    explicit ModuleSystem(QString modulePath);
    ~ModuleSystem() override;

    std::shared_ptr<wb::Document> NewDocument(const QString& className) override;
    void StartInBackground(const QString& workbookPath) override;
    void EndIfUnused() override;

private:
    // The module's system, or nullptr (with failure_ set) when it cannot be loaded.
    wb::System* Loaded();

    QString modulePath_;
    bool tried_ = false;
    QString failure_;
    std::unique_ptr<wb::System> system_;
};

class ModuleReportOffice : public wb::ReportOffice {
public:
    // The user's office.
    ModuleReportOffice(QString modulePath, bool headless);
    // An office of the program's own, its profile in privateFolder.
    ModuleReportOffice(QString modulePath, QString privateFolder);
    ~ModuleReportOffice() override;

    std::shared_ptr<wb::ShownWorkbook> TakeWorkbook(const QString& path, bool hidden) override;
    std::shared_ptr<wb::TextDocument> NewFromTemplate(const QString& path, bool hidden) override;
    std::shared_ptr<wb::WorkbookCopy> LoadWorkbookCopy(const QString& path) override;
    void Release() override;
    void EndNow() override;

private:
    // The module's office; throws 429 when the module cannot be loaded.
    wb::ReportOffice& Loaded();

    QString modulePath_;
    bool headless_ = true;
    QString privateFolder_;
    bool tried_ = false;
    QString failure_;
    std::unique_ptr<wb::ReportOffice> office_;
    std::atomic<wb::ReportOffice*> loaded_{nullptr};  // office_, for EndNow on another thread
};
