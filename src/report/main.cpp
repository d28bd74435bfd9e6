// Dravik Lumo TOC Report: the report from the workbook's sheet "Report", opened in the word
// processor, or with --pdf FILE written as PDF without showing anything ("-": to standard
// output). --list-records lists the saved records; --records all|KEY[,KEY...] --pdf-dir DIR
// writes the report of each into DIR, without showing anything.

#include "records/Details.h"
#include "report/ReportBatch.h"
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
    const QString database = DatabasePath(ProgramFolder());
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
    // Ctrl+C or a terminate ends the batch after the record being made, so that its hidden
    // workbook is closed rather than left open in the user's office.
    struct sigaction stop = {};
    stop.sa_handler = [](int) { stopRequested = 1; };
    sigemptyset(&stop.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        sigaction(signal, &stop, nullptr);
    }
    request.stopped = [] { return stopRequested != 0; };
    ReportLock lock(UserOfficePipeName());
    SystemClock clock;
    return MakeRecordReports(Office(true), lock, msg, clock, request, [](const QString& line) {
        std::printf("%s\n", line.toLocal8Bit().constData());
        std::fflush(stdout);
    });
}

// What the command line asks for; nothing for a bad one.
struct Command {
    enum { Show, Pdf, List, Records } kind = Show;
    QString pdfPath;
    RecordReportsRequest records;
};

std::optional<Command> Parse(const QStringList& args) {
    Command command;
    if (args.isEmpty()) {
        return command;
    }
    if (args.size() == 2 && args[0] == u"--pdf") {
        command.kind = Command::Pdf;
        command.pdfPath = PdfTargetPath(args[1], QDir::currentPath());
        return command.pdfPath.isEmpty() ? std::nullopt : std::optional(command);
    }
    if (args.size() == 1 && args[0] == u"--list-records") {
        command.kind = Command::List;
        return command;
    }
    // --records and --pdf-dir, both and in either order.
    if (args.size() != 4) {
        return std::nullopt;
    }
    const int records = args[0] == u"--records" ? 0 : 2;
    const int folder = 2 - records;
    if (args[records] != u"--records" || args[folder] != u"--pdf-dir") {
        return std::nullopt;
    }
    const std::optional<RecordSelection> selection = ParseRecordSelection(args[records + 1]);
    const QString pdfFolder = PdfTargetPath(args[folder + 1], QDir::currentPath());
    if (!selection || pdfFolder.isEmpty() || pdfFolder == kStandardOutput) {
        return std::nullopt;
    }
    command.kind = Command::Records;
    command.records = {QString(),   pdfFolder, *selection, std::make_shared<LocaleNumberFormat>(),
                       TimeLimit(), {}};
    return command;
}

}  // namespace

int main(int argc, char* argv[]) {
    QStringList args;
    for (int i = 1; i < argc; ++i) {
        args << QString::fromLocal8Bit(argv[i]);
    }
    const std::optional<Command> command = Parse(args);
    if (!command) {
        std::fprintf(stderr,
                     "usage: dravik-toc-report [--pdf FILE | --list-records |\n"
                     "                          --records all|KEY[,KEY...] --pdf-dir DIR]\n");
        return 2;
    }

    int status = 0;
    if (command->kind != Command::Show) {
        // No window at all: a core application, and messages on standard error.
        QCoreApplication app(argc, argv);
        app.setApplicationName(QStringLiteral("dravik-toc-report"));
        StderrMessageBoxes msg;
        switch (command->kind) {
            case Command::Pdf:
                status = Run(command->pdfPath, msg);
                break;
            case Command::List:
                status = ListRecords(msg);
                break;
            case Command::Records:
                status = MakeReportsOfRecords(command->records, msg);
                break;
            case Command::Show:
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
