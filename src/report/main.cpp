// Dravik Lumo TOC Report: the report from the workbook's sheet "Report", opened in the word
// processor, or with --pdf FILE written as PDF without showing anything ("-": to standard
// output).

#include "report/ReportContent.h"
#include "report/ReportLock.h"
#include "report/ReportTarget.h"
#include "report/TocReport.h"
#include "shell/AppIdentity.h"
#include "shell/Fonts.h"
#include "shell/Platform.h"
#include "workbook/ModuleSystem.h"
#include "workbook/UserOffice.h"

#include <QApplication>
#include <QDir>
#include <QIcon>

#include <cstdio>
#include <cstdlib>

namespace {

// DRAVIK_REPORT_TIME_LIMIT (whole seconds) shortens or lengthens the time one report may take
// the office, and wait for another report before it.
std::chrono::milliseconds TimeLimit() {
    bool given = false;
    const int seconds = qEnvironmentVariableIntValue("DRAVIK_REPORT_TIME_LIMIT", &given);
    return given && seconds > 0 ? std::chrono::seconds(seconds) : kReportTimeLimit;
}

int Run(const QString& pdfPath, MessageBoxes& msg) {
    const TocReportRequest request{ProgramFolder(), pdfPath, TimeLimit()};
    // One report at a time in the user's office. The lock goes before any message is shown, so
    // that the next report need not wait for the user to read it.
    ReportLock lock(UserOfficePipeName());
    if (!lock.Acquire(request.timeLimit)) {
        msg.MsgBox(QStringLiteral("Another TOC report has kept Corla Tabb busy for more than ") +
                       TimeLimitText(request.timeLimit) +
                       QStringLiteral(".\r\rPlease start the report again when it has ended"),
                   kStyleCritical);
        return 1;
    }
    msg.SetBeforeShow([&lock] { lock.Release(); });

    // A batch run on a machine without a display still needs an office to start.
    const bool headless = !pdfPath.isEmpty() && qEnvironmentVariableIsEmpty("DISPLAY") &&
                          qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    // The office's backend is loaded when first needed, so that the report starts, and says the
    // office is missing, even where the office's libraries are not installed. It is never
    // destroyed: as the main program does, the report leaves its bridge to the office to the
    // process's end, since tearing it down waits up to 2 s for the bridge's idle threads.
    auto* const office =
        new ModuleReportOffice(ProgramFolder() + QLatin1Char('/') + kCalcModuleFileName, headless);
    SystemClock clock;
    const int status = MakeTocReport(*office, msg, clock, request);
    msg.SetBeforeShow({});
    return status;
}

}  // namespace

int main(int argc, char* argv[]) {
    const bool pdf = argc >= 2 && QByteArray(argv[1]) == "--pdf";
    const QString target = pdf && argc == 3
                               ? PdfTargetPath(QString::fromLocal8Bit(argv[2]), QDir::currentPath())
                               : QString();
    if ((pdf && (argc != 3 || target.isEmpty())) || (!pdf && argc != 1)) {
        std::fprintf(stderr, "usage: dravik-toc-report [--pdf FILE]\n");
        return 2;
    }

    int status = 0;
    if (pdf) {
        // No window at all: a core application, and messages on standard error.
        QCoreApplication app(argc, argv);
        app.setApplicationName(QStringLiteral("dravik-toc-report"));
        StderrMessageBoxes msg;
        status = Run(target, msg);
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
