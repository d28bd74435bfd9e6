#pragma once
// Entries for tests: the typical answers a user gives on both pages, and a typical saved record
// whose values differ from the workbook's defaults.

#include "entry/Entry.h"

#include <stdexcept>

// The typical answers, all passing: "Acme", "1 - Finance", "2 - ERP" ticked; 1500 GB, "1 - Vastor",
// 25, 10 and 40 %, 12 servers, 30 % growth, "1 - Required", 25000. A page shows them with
// ShowEntry, as typed and chosen by the user; FillPages (TestApp.h) shows them on both.
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

// A typical saved entry, every value a page check accepts and none equal to the workbook's
// defaults, so a load shows whether page 2 kept the record's values.
inline entry::Entry TypicalEntry(const QString& company = QStringLiteral("Acme")) {
    entry::Entry record;
    record.texts = {company,
                    QStringLiteral("1 - Finance"),
                    entry::kUnticked,
                    QStringLiteral("2 - ERP"),
                    entry::kUnticked,
                    entry::kUnticked,
                    entry::kUnticked,
                    QStringLiteral("99 - Other"),
                    QStringLiteral("1500"),
                    QStringLiteral("1 - Vastor"),
                    QStringLiteral("25"),
                    QStringLiteral("10"),
                    QStringLiteral("45"),
                    QStringLiteral("4"),
                    QStringLiteral("12"),
                    QStringLiteral("0 - Not required"),
                    QStringLiteral("9999")};
    record.date = QDateTime(QDate(2026, 1, 2), QTime(9, 8, 7));
    return record;
}
