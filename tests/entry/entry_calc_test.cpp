// An entry written into a hidden copy of the built workbook on a real headless office, with no
// page at all: what the workbook then holds, the defaults it gives back, and a failing answer.

#include "CalcApp.h"
#include "TestApp.h"
#include "entry/WriteOut.h"
#include "shell/AppIdentity.h"
#include "workbook/RangeExchange.h"

#include <gtest/gtest.h>

namespace {

TEST(EntryOnCalc, TheTypicalAnswersGoIntoAHiddenWorkbook) {
    const QString folder = ProgramFolderWithWorkbook(QStringLiteral("hidden"));
    ASSERT_FALSE(folder.isEmpty()) << "the workbook was not built (target workbook)";
    const QString path = folder + QLatin1Char('/') + WorkbookFileName();
    const std::shared_ptr<wb::Document> doc = SharedOffice().OpenHidden(path);
    const LocaleNumberFormat numbers(QLocale(QLocale::English, QLocale::UnitedStates));
    const auto number = [&](const char* range) {
        return CellNumber(GetRangeValue(*doc, QString::fromLatin1(range)), numbers);
    };

    entry::Entry answers = TypicalAnswers();
    entry::GeneralResult general;
    entry::WriteGeneral(answers, *doc, numbers, false, general);
    EXPECT_TRUE(general.passed);
    EXPECT_TRUE(general.messages.empty());
    entry::WriteOutResult technical;
    entry::WriteTechnical(answers, *doc, numbers, technical);
    EXPECT_TRUE(technical.passed);

    EXPECT_EQ(CellText(GetRangeValue(*doc, QStringLiteral("DLQ0")), numbers), "Acme");
    EXPECT_EQ(number("DLQ1"), 1);
    EXPECT_EQ(number("Y:F8"), 2);
    EXPECT_EQ(number("Y:J8"), 0);
    EXPECT_DOUBLE_EQ(number("DLQ5"), 0.25);
    EXPECT_EQ(number("DLQ10"), 1);
    EXPECT_EQ(number("DLQ11"), 25000);
    ASSERT_EQ(general.defaults.size(), 6u);
    EXPECT_EQ(general.defaults[0].first, &entry::kSuperPerformance);
    EXPECT_EQ(general.defaults[0].second,
              WholeNumberText(RoundHalfEven(number("DL_DEF_SP") * 100)));
    EXPECT_TRUE(general.copied.empty());

    // A failing answer says why, as the page would, and what came before it stays written.
    answers[entry::kNumberOfServers] = QStringLiteral("-");
    answers[entry::kInstalledCapacity] = QStringLiteral("800");
    entry::WriteTechnical(answers, *doc, numbers, technical);
    EXPECT_FALSE(technical.passed);
    EXPECT_EQ(technical.failed, &entry::kNumberOfServers);
    ASSERT_EQ(technical.messages.size(), 1u);
    EXPECT_EQ(technical.messages[0].text, "Number of Servers must be a positive value!");
    EXPECT_EQ(number("DLQ3"), 800);

    // The company is only ever shown: it stays the text typed, where the answers that are numbers
    // keep the spreadsheet's reading of what was typed.
    for (const char* company : {"007", "1/2", "1E3", "TRUE", "=1+1"}) {
        answers = TypicalAnswers();
        answers[entry::kCompany] = QString::fromLatin1(company);
        entry::WriteGeneral(answers, *doc, numbers, false, general);
        EXPECT_EQ(SharedOffice().CellKind(path, QStringLiteral("DLQ0")), "TEXT") << company;
        EXPECT_EQ(SharedOffice().ShownText(path, QStringLiteral("DLQ0")), company);
    }
    EXPECT_EQ(SharedOffice().CellKind(path, QStringLiteral("DLQ3")), "VALUE");

    SharedOffice().CloseDocument(path);
}

}  // namespace
