#pragma once
// The whole program on a real headless office: one office shared by every test of the
// executable (started at the first use, stopped after the last test), and a program folder that
// holds the workbook built with the program.

#include "CalcOffice.h"
#include "TestPlatform.h"
#include "app/ProgramPages.h"
#include "shell/Platform.h"
#include "shell/SharedValues.h"

#include <QLocale>

#include <memory>

CalcOffice& SharedOffice();

// A fresh folder named name in the shared office's temporary folder, holding a copy of the built
// workbook under its own name; empty when the workbook was not built.
QString ProgramFolderWithWorkbook(const QString& name);

// Scripted boxes, a visible end, a fixed clock and a decimal-point format, on the shared office.
struct RealApp {
    explicit RealApp(const QString& folder);
    ~RealApp();

    ScriptedMessageBoxes msg;
    TestProgramEnd end;
    std::unique_ptr<wb::System> system;
    FixedClock clock{QDateTime(QDate(2026, 12, 8), QTime(14, 30, 5))};
    LocaleNumberFormat numbers{QLocale(QLocale::English, QLocale::UnitedStates)};
    std::unique_ptr<Platform> platform;
    SharedValues shared;
    std::unique_ptr<ProgramPages> pages;
};
