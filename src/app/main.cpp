// Dravik Lumo: the splash first; everything else follows from its Continue. One program runs per
// user: a second start brings the first one's window to the front and ends.

#include "app/EndSignals.h"
#include "app/ProgramPages.h"
#include "app/SingleInstance.h"
#include "shell/AppIdentity.h"
#include "shell/Fonts.h"
#include "shell/Platform.h"
#include "shell/SharedValues.h"
#include "workbook/ModuleSystem.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char* argv[]) {
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
