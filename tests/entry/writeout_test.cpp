// The write-out rules on the in-memory workbook, without any page: the checks in order and their
// messages, what reaches each range and in what form, and the defaults read and copied.

#include "entry/WriteOut.h"
#include "Entries.h"
#include "FakeWorkbook.h"
#include "Texts.h"
#include "shell/Platform.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::string>;

class WriteOut : public ::testing::Test {
protected:
    explicit WriteOut(const QLocale& locale = QLocale(QLocale::English, QLocale::UnitedStates))
        : numbers(locale) {}

    entry::GeneralResult General(bool copyDefaults = true) {
        book->ClearLog();
        entry::GeneralResult result;
        entry::WriteGeneral(answers, *doc, numbers, copyDefaults, result);
        return result;
    }
    entry::WriteOutResult Technical() {
        book->ClearLog();
        entry::WriteOutResult result;
        entry::WriteTechnical(answers, *doc, numbers, result);
        return result;
    }
    Strings Writes() const { return ToStd(book->Writes()); }
    bool Wrote(const char* entry) const {
        const Strings writes = Writes();
        return std::find(writes.begin(), writes.end(), entry) != writes.end();
    }
    // The texts of the questions in a result, in order.
    static Strings Texts(const std::vector<entry::QuestionText>& texts) {
        Strings out;
        for (const auto& [question, text] : texts) {
            out.push_back(text.toStdString());
        }
        return out;
    }
    static Strings Said(const entry::WriteOutResult& result) {
        Strings out;
        for (const entry::Message& message : result.messages) {
            out.push_back(message.text.toStdString());
        }
        return out;
    }

    std::shared_ptr<FakeWorkbook> book = FakeWorkbook::Standard();
    std::shared_ptr<wb::Document> doc = OpenFake(book);
    LocaleNumberFormat numbers;
    entry::Entry answers = TypicalAnswers();
};

class WriteOutComma : public WriteOut {
protected:
    WriteOutComma() : WriteOut(QLocale(QLocale::German, QLocale::Germany)) {}
};

TEST_F(WriteOut, GeneralWritesTheAnswersThenReadsAndCopiesTheDefaults) {
    const entry::GeneralResult result = General();
    EXPECT_TRUE(result.passed);
    EXPECT_TRUE(result.defaultsCopied);
    EXPECT_TRUE(result.messages.empty());
    // Every write and read, in order.
    EXPECT_EQ(ToStd(book->log.filter(QRegularExpression("^(Contents|Text|cellvalue) "))),
              (Strings{
                  "Text DLQ0 = \"Acme\"",     "Contents DLQ1 = \"1\"",   "Contents Y:E8 = \"0\"",
                  "Contents Y:F8 = \"2\"",    "Contents Y:G8 = \"0\"",   "Contents Y:H8 = \"0\"",
                  "Contents Y:I8 = \"0\"",    "Contents Y:J8 = \"0\"",
                  "cellvalue DL_DEF_SP",  // the "ERR" test
                  "cellvalue DL_DEF_SP",      "cellvalue DL_DEF_RC",     "cellvalue DL_DEF_R1",
                  "cellvalue DL_DEF_GR",      "cellvalue DL_DEF_OPER",   "cellvalue DL_DEF_OUTCOST",
                  "cellvalue DL_DEF_SP",      "Contents DLQ5 = \"35%\"", "cellvalue DL_DEF_RC",
                  "Contents DLQ6 = \"20%\"",  "cellvalue DL_DEF_R1",     "Contents DLQ7 = \"40%\"",
                  "cellvalue DL_DEF_GR",      "Contents DLQ9 = \"30%\"", "cellvalue DL_DEF_OPER",
                  "Contents DLQ10 = 1",  // numbers, not texts
                  "cellvalue DL_DEF_OUTCOST", "Contents DLQ11 = 25000",
              }));
    EXPECT_EQ(Texts(result.defaults), (Strings{"35", "20", "40", "30", "1", "25000"}));
    EXPECT_EQ(Texts(result.copied), (Strings{"35", "20", "40", "30", "1 - Required", "25000"}));

    // Without the copy only the defaults are read.
    const entry::GeneralResult boxesOnly = General(false);
    EXPECT_TRUE(boxesOnly.copied.empty());
    EXPECT_EQ(Writes().size(), 8u);
}

TEST_F(WriteOut, GeneralChecksInOrderAndKeepsWhatWasWrittenBefore) {
    answers = NoAnswers();
    entry::GeneralResult result = General();
    EXPECT_FALSE(result.passed);
    EXPECT_EQ(result.failed, &entry::kCompany);
    EXPECT_EQ(Said(result), Strings{"Company Name must not be left empty!"});
    EXPECT_TRUE(Writes().empty());

    answers[entry::kCompany] = QStringLiteral("   ");  // blanks only are a name
    answers[entry::kIndustry] = QStringLiteral("Please select...");
    result = General();
    EXPECT_EQ(result.failed, &entry::kIndustry);
    EXPECT_EQ(Said(result), Strings{kMakeASelection.toStdString()});
    EXPECT_EQ(Writes(), (Strings{"Text DLQ0 = \"   \""}));

    answers[entry::kIndustry] = QStringLiteral("99 - Other");
    result = General();
    EXPECT_EQ(result.failed, &entry::kBusinessTypes);
    EXPECT_FALSE(result.failed->focusOnFailure);  // no one box is to blame
    EXPECT_EQ(Said(result), Strings{"Please pick a Business Type!"});
    EXPECT_EQ(Writes(), (Strings{"Text DLQ0 = \"   \"", "Contents DLQ1 = \"99\""}));

    // All six cells written, the last type's code is 99.
    answers[BusinessType(0)] = QStringLiteral("1 - e-Commerce");
    answers[BusinessType(5)] = QStringLiteral("99 - Other");
    result = General(false);
    EXPECT_TRUE(result.passed);
    const Strings writes = Writes();
    ASSERT_GE(writes.size(), 8u);
    EXPECT_EQ(
        Strings(writes.begin() + 2, writes.begin() + 8),
        (Strings{"Contents Y:E8 = \"1\"", "Contents Y:F8 = \"0\"", "Contents Y:G8 = \"0\"",
                 "Contents Y:H8 = \"0\"", "Contents Y:I8 = \"0\"", "Contents Y:J8 = \"99\""}));
}

TEST_F(WriteOut, TypedIndustryTextsWriteTheirFirstTwoCharactersTrimmed) {
    const struct {
        const char* typed;
        const char* written;  // nullptr: refused
    } cases[] = {
        {"7 - Other", "7"},
        {"abc", "ab"},
        {"", ""},
        {"p...", "p."},
        {" 9 x", "9"},
        {"P...", nullptr},
        {"Please select...", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        answers[entry::kIndustry] = QString::fromLatin1(c.typed);
        const entry::GeneralResult result = General(false);
        const Strings writes = Writes();
        if (c.written) {
            ASSERT_GE(writes.size(), 2u);
            EXPECT_EQ(writes[1], "Contents DLQ1 = \"" + std::string(c.written) + "\"");
            EXPECT_TRUE(result.passed);
        } else {
            EXPECT_EQ(Said(result), Strings{kMakeASelection.toStdString()});
            EXPECT_EQ(writes, (Strings{"Text DLQ0 = \"Acme\""}));
            EXPECT_FALSE(result.passed);
        }
    }
}

TEST_F(WriteOut, DefaultsRoundHalvesToEvenAndOperationTextFollowsTheValue) {
    book->Define("DL_DEF_SP", 0.125);           // 12.5 -> 12
    book->Define("DL_DEF_GR", QString("0.5"));  // a number written as text still counts
    book->Define("DL_DEF_OPER", 2.0);
    book->Define("DL_DEF_OUTCOST", 13.5);  // -> 14
    entry::GeneralResult result = General();
    EXPECT_EQ(Texts(result.defaults), (Strings{"12", "20", "40", "50", "2", "14"}));
    // 2 is no item of the list, and the workbook gets the number.
    EXPECT_EQ(Texts(result.copied), (Strings{"12", "20", "40", "50", "2 - Required", "14"}));
    EXPECT_TRUE(Wrote("Contents DLQ5 = \"12%\""));
    EXPECT_TRUE(Wrote("Contents DLQ10 = 2"));
    EXPECT_TRUE(Wrote("Contents DLQ11 = 14"));

    // 0 is "not required"; a half is not 0, though it rounds to 0.
    book->Define("DL_DEF_OPER", 0.0);
    EXPECT_EQ(General().copied[4].second, "0 - Not required");
    book->Define("DL_DEF_OPER", 0.5);
    result = General();
    EXPECT_EQ(result.copied[4].second, "0.5 - Required");
    EXPECT_EQ(result.defaults[4].second, "0");
    EXPECT_TRUE(Wrote("Contents DLQ10 = 0"));

    // Beyond the 64-bit integers a default is still shown and written as its digits.
    book->Define("DL_DEF_SP", 1e18);
    book->Define("DL_DEF_OUTCOST", -1e20);
    result = General();
    EXPECT_TRUE(result.passed);
    EXPECT_EQ(result.copied[0].second, "100000000000000000000");
    EXPECT_EQ(result.defaults[5].second, "-100000000000000000000");
}

TEST_F(WriteOut, AWorkbookThatCannotComputeItsDefaultsIsASystemErrorThatPasses) {
    book->Define("DL_DEF_SP", QString("ERR"));
    const entry::GeneralResult result = General();
    EXPECT_TRUE(result.passed);
    ASSERT_EQ(result.messages.size(), 1u);
    EXPECT_EQ(result.messages[0].text, "System Error");
    EXPECT_EQ(result.messages[0].style, kStyleCritical);
    EXPECT_TRUE(result.defaults.empty());
    EXPECT_FALSE(result.defaultsCopied);
    EXPECT_EQ(book->Entries("cellvalue").size(), 1);

    // The test compares texts; "ERR " or a number are defaults like any other, and a default that
    // is no number fails as a workbook failure.
    book->Define("DL_DEF_SP", QString("ERR "));
    EXPECT_THROW(General(), wb::AutomationError);
}

TEST_F(WriteOut, ADefaultThatIsNoNumberFailsAfterTheBoxesBeforeIt) {
    book->Define("DL_DEF_R1", QString("abc"));
    entry::GeneralResult result;
    try {
        entry::WriteGeneral(answers, *doc, numbers, true, result);
        ADD_FAILURE() << "no failure";
    } catch (const wb::AutomationError& e) {
        EXPECT_EQ(e.number(), wb::kErrTypeMismatch);
    }
    EXPECT_FALSE(result.passed);
    // What was written before stays; the defaults before the failing one were read.
    EXPECT_EQ(Writes().size(), 8u);
    EXPECT_EQ(Texts(result.defaults), (Strings{"35", "20"}));
}

TEST_F(WriteOut, TechnicalWritesTheNineAnswersAsTexts) {
    const entry::WriteOutResult result = Technical();
    EXPECT_TRUE(result.passed);
    EXPECT_EQ(Writes(), (Strings{
                            "Contents DLQ3 = \"1500\"",
                            "Contents DLQ4 = \"1\"",
                            "Contents DLQ5 = \"25%\"",
                            "Contents DLQ6 = \"10%\"",
                            "Contents DLQ7 = \"40%\"",
                            "Contents DLQ8 = \"12\"",
                            "Contents DLQ9 = \"30%\"",
                            "Contents DLQ10 = \"1\"",
                            "Contents DLQ11 = \"25000\"",
                        }));

    answers = NoAnswers();
    const entry::WriteOutResult empty = Technical();
    EXPECT_EQ(empty.failed, &entry::kInstalledCapacity);
    EXPECT_EQ(Said(empty), Strings{"Installed Capacity (GB) must not be left empty!"});
    EXPECT_TRUE(Writes().empty());
}

// Each failing value: its message, and how many ranges were written before it.
TEST_F(WriteOut, EachTechnicalAnswerFailsWithItsMessage) {
    for (const auto& c : TechnicalFailures()) {
        SCOPED_TRACE(std::string(c.message) + " for \"" + c.text + "\"");
        answers = TypicalAnswers();
        answers[*c.question] = QString::fromLatin1(c.text);
        const entry::WriteOutResult result = Technical();
        EXPECT_FALSE(result.passed);
        EXPECT_EQ(result.failed, c.question);
        EXPECT_EQ(Said(result), Strings{c.message});
        EXPECT_EQ(Writes().size(), c.writtenBefore);
    }
}

TEST_F(WriteOut, BoundsAreInclusiveAndTextsAreWrittenAsTyped) {
    answers[entry::kInstalledCapacity] = QStringLiteral("0.5");
    answers[entry::kSuperPerformance] = QStringLiteral("100");
    answers[entry::kRemoteCopy] = QStringLiteral("0");
    answers[entry::kRaid1] = QStringLiteral("+7");
    answers[entry::kNumberOfServers] = QStringLiteral("2.5");
    answers[entry::kGrowthRate] = QStringLiteral("0");
    answers[entry::kOutageCosts] = QStringLiteral("0");
    answers[entry::kServerType] = QStringLiteral("p");  // a small p is no prompt
    answers[entry::kContinuousOperation] = QString();   // nor is an empty text
    EXPECT_TRUE(Technical().passed);
    EXPECT_EQ(Writes(), (Strings{
                            "Contents DLQ3 = \"0.5\"",
                            "Contents DLQ4 = \"p\"",
                            "Contents DLQ5 = \"100%\"",
                            "Contents DLQ6 = \"0%\"",
                            "Contents DLQ7 = \"+7%\"",
                            "Contents DLQ8 = \"2.5\"",
                            "Contents DLQ9 = \"0%\"",
                            "Contents DLQ10 = \"\"",
                            "Contents DLQ11 = \"0\"",
                        }));
}

TEST_F(WriteOut, SelectionsAreCheckedInTheirPlace) {
    answers[entry::kServerType] = QStringLiteral("Please select...");
    entry::WriteOutResult result = Technical();
    EXPECT_EQ(Said(result), Strings{kMakeASelection.toStdString()});
    EXPECT_EQ(result.failed, &entry::kServerType);
    EXPECT_EQ(Writes(), (Strings{"Contents DLQ3 = \"1500\""}));

    // Continuous Operation at its prompt fails only after questions 3 to 9 are written.
    answers = TypicalAnswers();
    answers[entry::kContinuousOperation] = QStringLiteral("Please select...");
    result = Technical();
    EXPECT_EQ(result.failed, &entry::kContinuousOperation);
    EXPECT_EQ(Writes().size(), 7u);
    EXPECT_FALSE(result.passed);
}

TEST_F(WriteOutComma, APointInADecimalCommaLocaleIsToldFirst) {
    answers[entry::kNumberOfServers] = QStringLiteral("1.5");
    entry::WriteOutResult result = Technical();
    EXPECT_EQ(Said(result), (Strings{"Please check the decimal separator",
                                     "Number of Servers must be a positive value!"}));
    EXPECT_EQ(Writes().size(), 5u);

    // The comma is this user's separator, and the smallest capacity is written with it.
    answers[entry::kNumberOfServers] = QStringLiteral("1,5");
    answers[entry::kInstalledCapacity] = QStringLiteral("0,00001");
    result = Technical();
    EXPECT_TRUE(result.passed);
    EXPECT_EQ(Writes()[0], "Contents DLQ3 = \"0,00001\"");
    EXPECT_EQ(Writes()[5], "Contents DLQ8 = \"1,5\"");
}

}  // namespace
