// Dravik Lumo TOC Report: the report from the workbook's sheet "Report", opened in the word
// processor, or with --pdf FILE written as PDF without showing anything ("-": to standard
// output). --list-records lists the saved records; --records all|KEY[,KEY...] --pdf-dir DIR
// writes the report of each into DIR, without showing anything, in --jobs offices of its own.

#include "records/Details.h"
#include "report/ReportBatch.h"
#include "report/ReportCommand.h"
#include "report/ReportContent.h"
#include "report/ReportLock.h"
#include "report/ReportTarget.h"
#include "report/TocReport.h"
#include "shell/AppIdentity.h"
#include "shell/CommandLine.h"
#include "shell/Fonts.h"
#include "shell/Platform.h"
#include "workbook/ModuleSystem.h"
#include "workbook/UserOffice.h"

#include <QApplication>
#include <QDir>
#include <QIcon>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>

namespace {

// DRAVIK_REPORT_TIME_LIMIT (whole seconds) shortens or lengthens the time one report may take
// the office, and wait for another report before it.
std::chrono::milliseconds TimeLimit() {
    bool given = false;
    const int seconds = qEnvironmentVariableIntValue("DRAVIK_REPORT_TIME_LIMIT", &given);
    return given && seconds > 0 ? std::chrono::seconds(seconds) : kReportTimeLimit;
}

// The office's backend is loaded when first needed, so that the report starts, and says the
// office is missing, even where the office's libraries are not installed. It is never destroyed:
// as the main program does, the report leaves its bridge to the office to the process's end, since
// tearing it down waits up to 2 s for the bridge's idle threads.
wb::ReportOffice& Office(bool batch) {
    // A batch run on a machine without a display still needs an office to start.
    const bool headless = batch && qEnvironmentVariableIsEmpty("DISPLAY") &&
                          qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    return *new ModuleReportOffice(ProgramFolder() + QLatin1Char('/') + kCalcModuleFileName,
                                   headless);
}

int Run(const QString& pdfPath, MessageBoxes& msg) {
    const TocReportRequest request{ProgramFolder(), pdfPath, TimeLimit()};
    // One report at a time in the user's office. The lock goes before any message is shown, so
    // that the next report need not wait for the user to read it.
    ReportLock lock(UserOfficePipeName());
    if (!lock.Acquire(request.timeLimit)) {
        msg.MsgBox(BusyText(request.timeLimit), kStyleCritical);
        return 1;
    }
    msg.SetBeforeShow([&lock] { lock.Release(); });
    SystemClock clock;
    const int status = MakeTocReport(Office(!pdfPath.isEmpty()), msg, clock, request);
    msg.SetBeforeShow({});
    return status;
}

int ListRecords(MessageBoxes& msg) {
    const RecordStore database = StoreOf(ProgramFolder());
    try {
        for (const QString& line : RecordListLines(database)) {
            std::printf("%s\n", line.toLocal8Bit().constData());
        }
        return 0;
    } catch (const dao::RecordStoreError& error) {
        msg.MsgBox(DatabaseFailureText(error, database), kStyleCritical, kDatabaseTitle);
        return 1;
    }
}

volatile std::sig_atomic_t stopRequested = 0;

int MakeReportsOfRecords(RecordReportsRequest request, MessageBoxes& msg) {
    request.programFolder = ProgramFolder();
    request.numbers = std::make_shared<LocaleNumberFormat>();
    request.timeLimit = TimeLimit();
    // Ctrl+C or a terminate ends the batch after the records being made, so that every hidden
    // workbook is closed and every office of the batch ended.
    struct sigaction stop = {};
    stop.sa_handler = [](int) { stopRequested = 1; };
    sigemptyset(&stop.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        sigaction(signal, &stop, nullptr);
    }
    request.stopped = [] { return stopRequested != 0; };
    SystemClock clock;
    const QString module = ProgramFolder() + QLatin1Char('/') + kCalcModuleFileName;
    return MakeRecordReports(
        [module](const QString& folder) {
            return std::make_shared<ModuleReportOffice>(module, folder);
        },
        msg, clock, request,
        [](const QString& line) {
            std::printf("%s\n", line.toLocal8Bit().constData());
            std::fflush(stdout);
        });
}

}  // namespace

int main(int argc, char* argv[]) {
    QStringList args;
    for (int i = 1; i < argc; ++i) {
        args << QString::fromLocal8Bit(argv[i]);
    }
    CommandLine line(ReportUsage(), args);
    const std::optional<ReportCommand> command = ParseReportCommand(line, QDir::currentPath());
    if (!command) {
        PrintSaid(line);
        return *line.Ended();
    }

    int status = 0;
    if (command->kind != ReportCommand::Show) {
        // No window at all: a core application, and messages on standard error.
        QCoreApplication app(argc, argv);
        app.setApplicationName(QStringLiteral("dravik-toc-report"));
        StderrMessageBoxes msg;
        switch (command->kind) {
            case ReportCommand::Pdf:
                status = Run(command->pdfPath, msg);
                break;
            case ReportCommand::List:
                status = ListRecords(msg);
                break;
            case ReportCommand::Records:
                status = MakeReportsOfRecords(command->records, msg);
                break;
            case ReportCommand::Show:
                break;
        }
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
