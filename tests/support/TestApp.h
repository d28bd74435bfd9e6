#pragma once
// A whole program on the test platform: scripted boxes, a visible end, the in-memory workbook,
// a fixed clock, a decimal-point number format and a private program folder.

#include "FakeWorkbook.h"
#include "TestPlatform.h"
#include "shell/Pages.h"
#include "shell/Platform.h"
#include "shell/SharedValues.h"

#include <QLocale>
#include <QTemporaryDir>

struct TestApp {
    explicit TestApp(const QLocale& locale = QLocale(QLocale::English, QLocale::UnitedStates))
        : numbers(locale) {}

    QTemporaryDir folder;
    std::shared_ptr<FakeWorkbook> book = FakeWorkbook::Standard();
    ScriptedMessageBoxes msg;
    TestProgramEnd end;
    FakeAutomation automation{book};
    FixedClock clock{QDateTime(QDate(2026, 12, 8), QTime(14, 30, 5))};
    LocaleNumberFormat numbers;
    Platform platform{msg, end, automation, clock, numbers, folder.path()};
    SharedValues shared;
    Pages pages{platform, shared};
};
