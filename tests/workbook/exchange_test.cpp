// The named-range exchange and the write-out failure handler on the in-memory workbook.

#include "FakeWorkbook.h"
#include "TestPlatform.h"
#include "Texts.h"
#include "workbook/ModuleSystem.h"
#include "workbook/RangeExchange.h"
#include "workbook/UserOffice.h"
#include "workbook/WorkbookConnection.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>
#include <stdexcept>
#include <system_error>

namespace {

TEST(RoundHalfEven, TiesGoToTheEvenNeighbour) {
    EXPECT_EQ(RoundHalfEven(12.5), 12);
    EXPECT_EQ(RoundHalfEven(13.5), 14);
    EXPECT_EQ(RoundHalfEven(0.5), 0);
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
    EXPECT_EQ(RoundHalfEven(0.125 * 100), 12);
    EXPECT_EQ(RoundHalfEven(12.500001), 13);
    EXPECT_EQ(WholeNumberText(RoundHalfEven(-7.4)).toStdString(), "-7");
    EXPECT_EQ(WholeNumberText(RoundHalfEven(25000)).toStdString(), "25000");
    EXPECT_EQ(WholeNumberText(RoundHalfEven(-0.4)).toStdString(), "0");
}

// Beyond the 64-bit integers a default is still written and shown as its digits.
TEST(WholeNumberText, ExactDigitsOfAnyWholeDouble) {
    EXPECT_EQ(WholeNumberText(9007199254740993.0).toStdString(), "9007199254740992");
    EXPECT_EQ(WholeNumberText(9223372036854775807.0).toStdString(), "9223372036854775808");
    EXPECT_EQ(WholeNumberText(-9223372036854775808.0).toStdString(), "-9223372036854775808");
    EXPECT_EQ(WholeNumberText(1e20).toStdString(), "100000000000000000000");
    EXPECT_EQ(WholeNumberText(RoundHalfEven(0.35e20 * 100)).toStdString(),
              "3500000000000000000000");
    const std::string huge = WholeNumberText(-1e300).toStdString();
    EXPECT_EQ(huge.size(), 302u);
    EXPECT_EQ(huge.substr(0, 20), "-1000000000000000052");
    EXPECT_EQ(std::strtod(huge.c_str(), nullptr), -1e300);  // exact, so it reads back unchanged
    EXPECT_EQ(WholeNumberText(std::numeric_limits<double>::max()).size(), 309);
    for (double notANumber :
         {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
          -std::numeric_limits<double>::infinity()}) {
        try {
            WholeNumberText(notANumber);
            ADD_FAILURE() << notANumber << " has no digits";
        } catch (const wb::AutomationError& e) {
            EXPECT_EQ(e.number(), 6);
        }
    }
}

TEST(CellValues, NumbersTextsAndMismatches) {
    LocaleNumberFormat point(QLocale(QLocale::English, QLocale::UnitedStates));
    LocaleNumberFormat comma(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(CellNumber(wb::CellValue(0.35), point), 0.35);
    EXPECT_EQ(CellNumber(wb::CellValue(QString("0.35")), point), 0.35);
    EXPECT_EQ(CellNumber(wb::CellValue(QString("0,35")), comma), 0.35);
    try {
        CellNumber(wb::CellValue(QString("ERR")), point);
        FAIL() << "text that is no number must not convert";
    } catch (const wb::AutomationError& e) {
        EXPECT_EQ(e.number(), wb::kErrTypeMismatch);
    }
    EXPECT_EQ(CellText(wb::CellValue(12.5), comma).toStdString(), "12,5");
    EXPECT_EQ(CellText(wb::CellValue(QString("ERR")), point).toStdString(), "ERR");
    // A number never equals the text "ERR".
    EXPECT_NE(CellText(wb::CellValue(0.0), point).toStdString(), "ERR");
}

TEST(RangeExchange, EachCallLooksTheRangeUpAgain) {
    auto book = FakeWorkbook::Standard();
    FakeAutomation automation(book);
    auto doc = automation.NewDocument("CorlaTabb.Workbook");
    book->ClearLog();
    PutRange(*doc, "DLQ5", QString("25%"));
    GetRangeValue(*doc, "DL_DEF_SP");
    GetRangeValue(*doc, "DL_DEF_SP");
    TurnToSheet(*doc, "TOC Overview");
    EXPECT_EQ(book->log,
              (QStringList{"GetRange DLQ5", "Contents DLQ5 = \"25%\"", "GetRange DL_DEF_SP",
                           "cellvalue DL_DEF_SP", "GetRange DL_DEF_SP", "cellvalue DL_DEF_SP",
                           "GetSheet TOC Overview", "TurnTo TOC Overview"}));
    EXPECT_EQ(book->activeSheet.toStdString(), "TOC Overview");
    try {
        PutRange(*doc, "DLQ99", QString("x"));
        FAIL();
    } catch (const wb::AutomationError& e) {
        EXPECT_EQ(e.number(), wb::kErrUndefinedName);
    }
}

TEST(FailWriteOut, MessageByNumberThenEnd) {
    const struct {
        int number;
        QString text;
    } cases[] = {
        {462, kOfficeClosed},
        {6027, kWrongVersion},
        {13, kGeneralError},
        {440, kGeneralError},
    };
    for (const auto& c : cases) {
        ScriptedMessageBoxes msg;
        TestProgramEnd end;
        msg.Expect(c.text, kStyleCritical, kCritical);
        EXPECT_THROW(FailWriteOut(c.number, msg, end), ProgramEnded);
        EXPECT_EQ(end.endCount, 1);
        EXPECT_EQ(end.status, kExitCriticalError);
    }
}

TEST(ProtectedWriteOut, StopsAtTheFailingStepAndKeepsEarlierWrites) {
    auto book = FakeWorkbook::Standard();
    FakeAutomation automation(book);
    auto doc = automation.NewDocument("CorlaTabb.Workbook");
    book->FailOn("GetRange DLQ1", wb::kErrOfficeGone);
    ScriptedMessageBoxes msg;
    TestProgramEnd end;
    msg.Expect(kOfficeClosed, kStyleCritical, kCritical);
    // The write-out has ended (the office shows its writes again) when the failure shows.
    msg.onShow = [&] { EXPECT_EQ(book->writeOutDepth, 0); };
    bool ranAfter = false;
    EXPECT_THROW(ProtectedWriteOut(*doc, msg, end,
                                   [&] {
                                       PutRange(*doc, "DLQ0", QString("Acme"));
                                       PutRange(*doc, "DLQ1", QString("1"));
                                       ranAfter = true;
                                   }),
                 ProgramEnded);
    EXPECT_FALSE(ranAfter);
    EXPECT_EQ(end.status, kExitCriticalError);
    EXPECT_EQ(std::get<QString>(book->Value("DLQ0")).toStdString(), "Acme");
}

// A failure of the spreadsheet's library that is no automation error must not escape either:
// out of a Qt handler it would end the program without a message.
TEST(ProtectedWriteOut, AnyOtherFailureIsAGeneralError) {
    auto book = FakeWorkbook::Standard();
    ScriptedMessageBoxes msg;
    TestProgramEnd end;
    msg.Expect(kGeneralError, kStyleCritical, kCritical);
    EXPECT_THROW(ProtectedWriteOut(*FakeAutomation(book).NewDocument("CorlaTabb.Workbook"), msg,
                                   end, [] { throw std::runtime_error("lost bridge"); }),
                 ProgramEnded);
    EXPECT_EQ(end.endCount, 1);
    EXPECT_EQ(end.status, kExitCriticalError);
}

TEST(OpenWorkbookConnection, AnyOtherFailureIsThePhasesFailure) {
    struct Broken : wb::System {
        std::shared_ptr<wb::Document> NewDocument(const QString&) override {
            throw std::system_error(std::make_error_code(std::errc::resource_deadlock_would_occur));
        }
    } broken;
    ScriptedMessageBoxes msg;
    TestProgramEnd end;
    msg.Expect(kNoOffice, kStyleCritical, kOpening);
    EXPECT_THROW(OpenWorkbookConnection(broken, "Dravik-Lumo_V117a.tabb", "/x", msg, end),
                 ProgramEnded);
    EXPECT_EQ(end.endCount, 1);
    EXPECT_EQ(end.status, kExitCriticalError);
}

// The office's backend is loaded when first needed; without it, or without the office's libraries
// it needs, the opening reports the spreadsheet application missing instead of the program not
// starting at all.
TEST(ModuleSystem, AModuleThatCannotBeLoadedIsAMissingApplication) {
    QTemporaryDir dir;
    QFile text(dir.filePath(QStringLiteral("text.so")));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly) && text.write("not a library") > 0);
    text.close();
    for (const QString& path : {dir.filePath(QStringLiteral("missing.so")), text.fileName(),
                                QStringLiteral("libm.so.6")}) {  // a library without the entry
        ModuleSystem module(path);
        module.StartInBackground(QString());  // nothing to start, and nothing said yet
        module.EndIfUnused();
        ScriptedMessageBoxes msg;
        msg.Expect(kNoOffice, kStyleCritical, kOpening);
        TestProgramEnd end;
        EXPECT_THROW(OpenWorkbookConnection(module, QStringLiteral("Dravik-Lumo_V117a.tabb"),
                                            dir.path(), msg, end),
                     ProgramEnded)
            << path.toStdString();
        EXPECT_EQ(end.endCount, 1) << path.toStdString();
    }
}

}  // namespace

// The office starts in a UTF-8 locale that exists, whatever the user's environment names: with
// none (cron, su -) or a missing one it would read a home folder with "ü" in ASCII, or not start.
TEST(OfficeEnvironment, AlwaysAUtf8LocaleThatExists) {
    const auto startedWith = [](std::initializer_list<std::pair<const char*, const char*>> vars) {
        QProcessEnvironment given;
        for (const auto& [name, value] : vars) {
            given.insert(QLatin1String(name), QLatin1String(value));
        }
        return OfficeEnvironment(given).value(QStringLiteral("LC_ALL"));
    };
    EXPECT_EQ(startedWith({}), "C.UTF-8");
    EXPECT_EQ(startedWith({{"LANG", "xx_YY.UTF-8"}}), "C.UTF-8");
    EXPECT_EQ(startedWith({{"LANG", "C"}}), "C.UTF-8");
    EXPECT_EQ(startedWith({{"LANG", "C.UTF-8"}}), "");
    EXPECT_EQ(startedWith({{"LANG", "C.UTF-8"}, {"LC_MESSAGES", "xx_YY.UTF-8"}}), "C.UTF-8");
}
