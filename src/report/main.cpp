// Dravik Lumo TOC Report: the report from the workbook's sheet "Report", opened in the word
// processor, or with --pdf FILE written as PDF without showing anything.

#include "report/TocReport.h"
#include "shell/AppIdentity.h"
#include "shell/Fonts.h"
#include "shell/Platform.h"
#include "workbook/ModuleSystem.h"

#include <QApplication>
#include <QFileInfo>
#include <QIcon>

#include <cstdio>
#include <cstdlib>

namespace {

int Run(const QString& pdfPath, MessageBoxes& msg) {
    // A batch run on a machine without a display still needs an office to start.
    const bool headless = !pdfPath.isEmpty() && qEnvironmentVariableIsEmpty("DISPLAY") &&
                          qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    // The office's backend is loaded when first needed, so that the report starts, and says the
    // office is missing, even where the office's libraries are not installed.
    ModuleReportOffice office(ProgramFolder() + QLatin1Char('/') + kCalcModuleFileName, headless);
    SystemClock clock;
    return MakeTocReport(office, msg, clock, {ProgramFolder(), pdfPath});
}

}  // namespace

int main(int argc, char* argv[]) {
    const bool pdf = argc >= 2 && QByteArray(argv[1]) == "--pdf";
    if ((pdf && argc != 3) || (!pdf && argc != 1)) {
        std::fprintf(stderr, "usage: dravik-toc-report [--pdf FILE]\n");
        return 2;
    }

    int status = 0;
    if (pdf) {
        // No window at all: a core application, and messages on standard error.
        QCoreApplication app(argc, argv);
        app.setApplicationName(QStringLiteral("dravik-toc-report"));
        StderrMessageBoxes msg;
        status = Run(QFileInfo(QString::fromLocal8Bit(argv[2])).absoluteFilePath(), msg);
    } else {
        QApplication app(argc, argv);
        app.setApplicationName(kAppTitle);
        app.setFont(ApplicationFont());
        app.setWindowIcon(QIcon(QStringLiteral(":/assets/logo.png")));
        QtMessageBoxes msg;
        status = Run(QString(), msg);
    }
    // Out at once, as the main program ends: the office's library is not torn down behind
    // bridges that may still be closing.
    std::fflush(nullptr);
    std::_Exit(status);
}
