#include "CalcApp.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

std::unique_ptr<CalcOffice> sharedOffice;

// Starting an office takes seconds, so one serves every test; it goes after the last one.
class SharedOfficeEnvironment : public ::testing::Environment {
public:
    void TearDown() override { sharedOffice.reset(); }
};
[[maybe_unused]] ::testing::Environment* const kSharedOffice =
    ::testing::AddGlobalTestEnvironment(new SharedOfficeEnvironment);

}  // namespace

CalcOffice& SharedOffice() {
    if (!sharedOffice) {
        sharedOffice = std::make_unique<CalcOffice>();
    }
    return *sharedOffice;
}

QString ProgramFolderWithWorkbook(const QString& name) {
    const QString built = BuiltWorkbookPath();
    if (built.isEmpty()) {
        return {};
    }
    const QString folder = SharedOffice().TempDir() + QLatin1Char('/') + name;
    QDir(folder).removeRecursively();
    if (!QDir().mkpath(folder) ||
        !QFile::copy(built, folder + QLatin1Char('/') + QFileInfo(built).fileName())) {
        ADD_FAILURE() << "cannot copy the workbook into " << folder.toStdString();
        return {};
    }
    return folder;
}

RealApp::RealApp(const QString& folder) : system(SharedOffice().System()) {
    platform = std::make_unique<Platform>(Platform{msg, end, *system, clock, numbers, folder});
    pages = std::make_unique<ProgramPages>(*platform, shared);
}

RealApp::~RealApp() {
    pages.reset();  // the windows go before the platform they use
}
