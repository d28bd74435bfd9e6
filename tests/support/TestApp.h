#pragma once
// A whole program on the test platform: scripted boxes, a visible end, the in-memory workbook,
// a fixed clock, a decimal-point number format and a private program folder; the titles of the
// program's boxes; and the typical answers that fill the pages.

#include "FakeWorkbook.h"
#include "TestPlatform.h"
#include "entry/Entry.h"
#include "pages/frm01.h"
#include "pages/frm02.h"
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

// The titles of the program's message boxes.
inline const QString kTitle = QStringLiteral("Dravik Lumo");
inline const QString kCritical = QStringLiteral("Dravik Critical Error");
inline const QString kDb = QStringLiteral("Dravik Database");

// The typical answers, all passing: "Acme", "1 - Finance", "2 - ERP" ticked; 1500 GB, "1 - Vastor",
// 25, 10 and 40 %, 12 servers, 30 % growth, "1 - Required", 25000. A page shows them with
// ShowEntry, as typed and chosen by the user; FillPages below shows them on both.
inline entry::Entry TypicalAnswers() {
    entry::Entry answers;
    answers.texts = {QStringLiteral("Acme"), QStringLiteral("1 - Finance"),
                     entry::kUnticked,       QStringLiteral("2 - ERP"),
                     entry::kUnticked,       entry::kUnticked,
                     entry::kUnticked,       entry::kUnticked,
                     QStringLiteral("1500"), QStringLiteral("1 - Vastor"),
                     QStringLiteral("25"),   QStringLiteral("10"),
                     QStringLiteral("40"),   QStringLiteral("12"),
                     QStringLiteral("30"),   QStringLiteral("1 - Required"),
                     QStringLiteral("25000")};
    return answers;
}

// One answer of an entry by its question's number (a business type: with its member).
inline QString& Answer(entry::Entry& answers, int question, int member = 0) {
    for (const entry::Question& q : entry::Questions()) {
        if (q.number == question && q.member == member) {
            return answers[q];
        }
    }
    throw std::out_of_range("no such question");
}

// Answers on both pages, page 1's first.
inline void FillPages(Pages& pages, const entry::Entry& answers) {
    pages.frm01().ShowEntry(answers);
    pages.frm02().ShowEntry(answers);
}
