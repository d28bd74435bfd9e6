#pragma once
// A whole program on the test platform: scripted boxes, a visible end, the in-memory workbook,
// a fixed clock, a decimal-point number format and a private program folder; the filling of both
// pages with answers (Entries.h); and a fixture with page 1 loaded (the workbook opened).

#include "Controls.h"
#include "Entries.h"
#include "FakeWorkbook.h"
#include "TestPlatform.h"
#include "Texts.h"
#include "app/ProgramPages.h"
#include "pages/frm01.h"
#include "pages/frm02.h"
#include "shell/Platform.h"
#include "shell/SharedValues.h"

#include <QLocale>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

// Answers on both pages, page 1's first.
inline void FillPages(ProgramPages& pages, const entry::Entry& answers) {
    pages.frm01().ShowEntry(answers);
    pages.frm02().ShowEntry(answers);
}

// The program with page 1 loaded, ready for the user's answers.
class ProgramTest : public ::testing::Test {
protected:
    explicit ProgramTest(const QLocale& locale = QLocale(QLocale::English, QLocale::UnitedStates))
        : app(locale) {
        app.shared.sAppName = kTitle;
        page1 = &app.pages.frm01();
        app.book->ClearLog();
    }

    // The typical answers, on page 1 and on page 2.
    void FillPage1() { page1->ShowEntry(TypicalAnswers()); }
    void FillPage2() { app.pages.frm02().ShowEntry(TypicalAnswers()); }

    std::vector<std::string> Writes() const { return ToStd(app.book->Writes()); }
    static bool Page2Loaded() { return IsLoaded("frm02"); }

    TestApp app;
    frm01* page1 = nullptr;
};
