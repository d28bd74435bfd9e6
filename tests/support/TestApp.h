#pragma once
// A whole program on the test platform: scripted boxes, a visible end, the in-memory workbook,
// a fixed clock, a decimal-point number format and a private program folder; the titles of the
// program's boxes; and the filling of both pages with answers (Entries.h).

#include "Controls.h"
#include "Entries.h"
#include "FakeWorkbook.h"
#include "TestPlatform.h"
#include "app/ProgramPages.h"
#include "pages/frm01.h"
#include "pages/frm02.h"
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
    ProgramPages pages{platform, shared};
};

// The titles of the program's message boxes.
inline const QString kTitle = QStringLiteral("Dravik Lumo");
inline const QString kCritical = QStringLiteral("Dravik Critical Error");
inline const QString kDb = QStringLiteral("Dravik Database");

// Answers on both pages, page 1's first.
inline void FillPages(ProgramPages& pages, const entry::Entry& answers) {
    pages.frm01().ShowEntry(answers);
    pages.frm02().ShowEntry(answers);
}
