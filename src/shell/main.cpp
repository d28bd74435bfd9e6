// Dravik Lumo: the splash first; everything else follows from its Continue.

#include "shell/AppIdentity.h"
#include "shell/Fonts.h"
#include "shell/Pages.h"
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

    QtMessageBoxes msg;
    ProcessProgramEnd end;
    ModuleSystem calc(ProgramFolder() + QLatin1Char('/') + kCalcModuleFileName);
    SystemClock clock;
    LocaleNumberFormat numbers;
    Platform platform{msg, end, calc, clock, numbers, ProgramFolder()};
    SharedValues shared;
    Pages pages(platform, shared);

    pages.StartUp();
    return app.exec();
}
