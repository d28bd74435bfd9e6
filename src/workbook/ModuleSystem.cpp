#include "workbook/ModuleSystem.h"

#include <QLibrary>

namespace {

// The module's entry point called with args: what it made, or nullptr with failure saying why. A
// missing module, a missing library it needs and a missing entry point all end here. The module
// stays loaded to the end of the process: its code runs the destructor of what it made.
template <typename T, typename... Args>
std::unique_ptr<T> MakeFromModule(const QString& modulePath, const char* entry, QString& failure,
                                  Args... args) {
    QLibrary module(modulePath);
    const auto make = reinterpret_cast<T* (*)(Args...)>(module.resolve(entry));
    std::unique_ptr<T> made(make ? make(args...) : nullptr);
    if (!made) {
        failure = make ? modulePath + QStringLiteral(" made nothing at ") + QLatin1String(entry)
                       : module.errorString();
    }
    return made;
}

}  // namespace

ModuleSystem::ModuleSystem(QString modulePath) : modulePath_(std::move(modulePath)) {}

ModuleSystem::~ModuleSystem() = default;

wb::System* ModuleSystem::Loaded() {
    if (!tried_) {
        tried_ = true;
        system_ = MakeFromModule<wb::System>(modulePath_, kAutomationFactoryName, failure_);
    }
    return system_.get();
}

std::shared_ptr<wb::Document> ModuleSystem::NewDocument(const QString& className) {
    wb::System* const system = Loaded();
    if (!system) {
        throw wb::AutomationError(wb::kErrNoApplication, failure_.toStdString());
    }
    return system->NewDocument(className);
}

void ModuleSystem::StartInBackground(const QString& workbookPath) {
    if (wb::System* const system = Loaded()) {
        system->StartInBackground(workbookPath);
    }
}

void ModuleSystem::EndIfUnused() {
    // Never loads the module only to find there is nothing to end.
    if (system_) {
        system_->EndIfUnused();
    }
}

ModuleReportOffice::ModuleReportOffice(QString modulePath, bool headless)
    : modulePath_(std::move(modulePath)), headless_(headless) {}

ModuleReportOffice::ModuleReportOffice(QString modulePath, QString privateFolder)
    : modulePath_(std::move(modulePath)), privateFolder_(std::move(privateFolder)) {}

ModuleReportOffice::~ModuleReportOffice() = default;

wb::ReportOffice& ModuleReportOffice::Loaded() {
    if (!tried_) {
        tried_ = true;
        office_ =
            privateFolder_.isEmpty()
                ? MakeFromModule<wb::ReportOffice>(modulePath_, kReportOfficeFactoryName, failure_,
                                                   headless_)
                : MakeFromModule<wb::ReportOffice>(modulePath_, kPrivateReportOfficeFactoryName,
                                                   failure_, &std::as_const(privateFolder_));
        loaded_ = office_.get();
    }
    if (!office_) {
        throw wb::AutomationError(wb::kErrNoApplication, failure_.toStdString());
    }
    return *office_;
}

std::shared_ptr<wb::ShownWorkbook> ModuleReportOffice::TakeWorkbook(const QString& path,
                                                                    bool hidden) {
    return Loaded().TakeWorkbook(path, hidden);
}

std::shared_ptr<wb::TextDocument> ModuleReportOffice::NewFromTemplate(const QString& path,
                                                                      bool hidden) {
    return Loaded().NewFromTemplate(path, hidden);
}

std::shared_ptr<wb::WorkbookCopy> ModuleReportOffice::LoadWorkbookCopy(const QString& path) {
    return Loaded().LoadWorkbookCopy(path);
}

void ModuleReportOffice::EndNow() {
    // Called from another thread than the one that loads the module: only an office made.
    if (wb::ReportOffice* const office = loaded_) {
        office->EndNow();
    }
}

void ModuleReportOffice::Release() {
    // Never loads the module only to let go of nothing.
    if (office_) {
        office_->Release();
    }
}
