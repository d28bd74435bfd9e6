#pragma once
// Entries for tests: the typical answers a user gives on both pages, and a typical saved record
// whose values differ from the workbook's defaults.

#include "entry/Entry.h"

#include <vector>

// One business type by its member of the group (0 to 5).
inline const entry::Question& BusinessType(int member) {
    return entry::Questions()[entry::Ordinal(entry::kBusinessTypes) + member];
}

// An entry with every business type unticked and nothing else answered.
inline entry::Entry NoAnswers() {
    entry::Entry answers;
    for (int member = 0; member < 6; ++member) {
        answers[BusinessType(member)] = entry::kUnticked;
    }
    return answers;
}

// The typical answers, all passing: "Acme", "1 - Finance", "2 - ERP" ticked; 1500 GB, "1 - Vastor",
// 25, 10 and 40 %, 12 servers, 30 % growth, "1 - Required", 25000. A page shows them with
// ShowEntry, as typed and chosen by the user; FillPages (TestApp.h) shows them on both.
inline entry::Entry TypicalAnswers() {
    using namespace entry;
    Entry answers = NoAnswers();
    answers[kCompany] = QStringLiteral("Acme");
    answers[kIndustry] = QStringLiteral("1 - Finance");
    answers[BusinessType(1)] = QStringLiteral("2 - ERP");
    answers[kInstalledCapacity] = QStringLiteral("1500");
    answers[kServerType] = QStringLiteral("1 - Vastor");
    answers[kSuperPerformance] = QStringLiteral("25");
    answers[kRemoteCopy] = QStringLiteral("10");
    answers[kRaid1] = QStringLiteral("40");
    answers[kNumberOfServers] = QStringLiteral("12");
    answers[kGrowthRate] = QStringLiteral("30");
    answers[kContinuousOperation] = QStringLiteral("1 - Required");
    answers[kOutageCosts] = QStringLiteral("25000");
    return answers;
}

// A typical saved entry, every value a page check accepts and none equal to the workbook's
// defaults, so a load shows whether page 2 kept the record's values.
inline entry::Entry TypicalEntry(const QString& company = QStringLiteral("Acme")) {
    using namespace entry;
    Entry record = TypicalAnswers();
    record[kCompany] = company;
    record[BusinessType(5)] = QStringLiteral("99 - Other");
    record[kRaid1] = QStringLiteral("45");
    record[kNumberOfServers] = QStringLiteral("4");
    record[kGrowthRate] = QStringLiteral("12");
    record[kContinuousOperation] = QStringLiteral("0 - Not required");
    record[kOutageCosts] = QStringLiteral("9999");
    record.date = QDateTime(QDate(2026, 1, 2), QTime(9, 8, 7));
    return record;
}

// Page 2's answers that fail, one at a time in the typical answers: the answer, its text, the
// message and how many ranges were written before it.
struct TechnicalFailure {
    const entry::Question* question;
    const char* text;
    const char* message;
    size_t writtenBefore;
};
inline const std::vector<TechnicalFailure>& TechnicalFailures() {
    using namespace entry;
    static const std::vector<TechnicalFailure> failures{
        {&kInstalledCapacity, "0", "Installed Capacity (GB) must be a positive value!", 0},
        {&kInstalledCapacity, "abc", "Installed Capacity (GB) must be a positive value!", 0},
        {&kSuperPerformance, "", "% requiring Super Performance must not be left empty!", 2},
        {&kSuperPerformance, "100.5",
         "% requiring Super Performance must be a value between 0 and 100!", 2},
        {&kSuperPerformance, "-1",
         "% requiring Super Performance must be a value between 0 and 100!", 2},
        {&kRemoteCopy, "", "% requiring Remote Copy must not be left empty!", 3},
        {&kRemoteCopy, "101", "% requiring Remote Copy must be a value between 0 and 100!", 3},
        {&kRaid1, "", "% implemented in RAID1 must not be left empty!", 4},
        {&kRaid1, "x", "% implemented in RAID1 must be a value between 0 and 100!", 4},
        {&kNumberOfServers, "", "Number of Servers must not be left empty!", 5},
        {&kNumberOfServers, "-", "Number of Servers must be a positive value!", 5},
        {&kNumberOfServers, " 2", "Number of Servers must be a positive value!", 5},
        {&kGrowthRate, "", "Storage Growth Rate must not be left empty!", 6},
        {&kGrowthRate, "-3", "Storage Growth Rate must be a positive value!", 6},
        {&kOutageCosts, "", "Outage Cost must not be left empty!", 8},
        {&kOutageCosts, "-0.5", "Outage Cost must be a positive value!", 8},
    };
    return failures;
}
