// Dravik Lumo: the splash first; everything else follows from its Continue. One program runs per
// user: a second start brings the first one's window to the front and ends.

#include "app/EndSignals.h"
#include "app/ProgramPages.h"
#include "app/SingleInstance.h"
#include "shell/AppIdentity.h"
#include "shell/CommandLine.h"
#include "shell/Fonts.h"
#include "shell/Platform.h"
#include "shell/SharedValues.h"
#include "workbook/ModuleSystem.h"

#include <QApplication>
#include <QIcon>

namespace {

ProgramUsage MainUsage() {
    return {QStringLiteral("dravik-lumo"),
            QStringLiteral("dravik-lumo [--help | --version]"),
            {},
            QStringLiteral(
                "The data-entry front end of the Dravik Lumo workbook: two pages of questions\n"
                "about a customer's storage environment, checked and written into the workbook\n"
                "open in the spreadsheet, whose defaults show in green boxes, and a record\n"
                "database (dravik.mdb beside the program) to save, browse and load entries. One\n"
                "runs per user: a second start brings the first one to the front. Exit status:\n"
                "0 when you end it, 1 after a critical error, 2 for a bad argument."),
            {}};
}

}  // namespace

int main(int argc, char* argv[]) {
    // Before any window: --help and --version need no display.
    QStringList args;
    for (int i = 1; i < argc; ++i) {
        args << QString::fromLocal8Bit(argv[i]);
    }
    if (const CommandLine line(MainUsage(), args); line.Ended()) {
        PrintSaid(line);
        return *line.Ended();
    }

    QApplication app(argc, argv);
    // Pages are hidden, never closed, and the splash closes before page 1 shows: only an
    // explicit stop ends the program.
    app.setQuitOnLastWindowClosed(false);
    app.setApplicationName(kAppTitle);
    app.setFont(ApplicationFont());
    app.setWindowIcon(QIcon(QStringLiteral(":/assets/logo.png")));

    // From the first moment: a signal that comes before the event loop runs waits for it.
    ProgramPages* running = nullptr;
    const EndSignals endSignals([&running] {
        if (running) {
            running->EndBySignal();
        }
    });

    SingleInstance instance(SingleInstancePath());
    // The running program has come to the front, or a signal ended this start before anything.
    if (instance.Claim(&EndSignals::Pending) != SingleInstance::Start::Running) {
        return kExitNormal;
    }

    QtMessageBoxes msg;
    // The socket goes with the program, so that the next start need not take it over.
    ProcessProgramEnd end([&instance] { instance.Release(); });
    ModuleSystem calc(ProgramFolder() + QLatin1Char('/') + kCalcModuleFileName);
    SystemClock clock;
    LocaleNumberFormat numbers;
    Platform platform{msg, end, calc, clock, numbers, ProgramFolder()};
    SharedValues shared;
    ProgramPages pages(platform, shared);
    instance.SetShow([&pages] { return pages.BringToFront(); });
    running = &pages;

    pages.StartUp();
    return app.exec();
}
