#include "workbook/ModuleSystem.h"

#include <QLibrary>

namespace {

using Factory = wb::System* (*)();

}  // namespace

ModuleSystem::ModuleSystem(QString modulePath) : modulePath_(std::move(modulePath)) {}

// The module stays loaded to the end of the process: its code runs the system's destructor.
ModuleSystem::~ModuleSystem() = default;

wb::System* ModuleSystem::Loaded() {
    if (!tried_) {
        tried_ = true;
        QLibrary module(modulePath_);
        // A missing module, a missing library it needs and a missing entry point all end here.
        const auto make = reinterpret_cast<Factory>(module.resolve(kAutomationFactoryName));
        if (make) {
            system_.reset(make());
        }
        if (!system_) {
            failure_ = make ? modulePath_ + QStringLiteral(" made no automation system")
                            : module.errorString();
        }
    }
    return system_.get();
}

std::shared_ptr<wb::Document> ModuleSystem::NewDocument(const QString& className) {
    wb::System* const system = Loaded();
    if (!system) {
        throw wb::AutomationError(wb::kErrGeneral, failure_.toStdString());
    }
    return system->NewDocument(className);
}

void ModuleSystem::StartInBackground() {
    if (wb::System* const system = Loaded()) {
        system->StartInBackground();
    }
}

void ModuleSystem::EndIfUnused() {
    // Never loads the module only to find there is nothing to end.
    if (system_) {
        system_->EndIfUnused();
    }
}
