// The Calc backend against a real headless office: opening the workbook and its failures,
// the forms values take in the cells, the sheet turn, and the error numbers the program tells
// apart. One office serves the whole executable; the crash test starts one of its own.

#include "CalcApp.h"
#include "CalcOffice.h"
#include "Controls.h"
#include "Listener.h"
#include "TestPlatform.h"
#include "Texts.h"
#include "app/EndSignals.h"
#include "app/ProgramPages.h"
#include "app/frm00Splash.h"
#include "entry/Questions.h"
#include "shell/Platform.h"
#include "shell/SharedValues.h"
#include "workbook/ModuleSystem.h"
#include "workbook/RangeExchange.h"
#include "workbook/UserOffice.h"
#include "workbook/WorkbookConnection.h"
#include "workbook/calc/CalcBackend.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>
#include <csignal>
#include <cstdio>
#include <random>

namespace {

const QString kWorkbook = QStringLiteral("Dravik-Lumo_V117a.tabb");

// Runs body and gives the automation error number it failed with, or 0.
template <class Body>
int ErrorNumberOf(Body&& body) {
    try {
        body();
    } catch (const wb::AutomationError& e) {
        return e.number();
    }
    return 0;
}

class CalcWorkbookTest : public ::testing::Test {
protected:
    CalcOffice& office = SharedOffice();

    // A folder of its own for each test, with a space and a non-ASCII letter in its name.
    QString Folder() {
        const QString folder =
            QDir(office.TempDir())
                .filePath(
                    QStringLiteral("Prüfung %1")
                        .arg(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        QDir().mkpath(folder);
        return folder;
    }

    // The whole opening of the program, on a workbook made for the test.
    WorkbookHandles Open(bool withDL = true) {
        folder = Folder();
        path = QDir(folder).filePath(kWorkbook);
        office.MakeWorkbook(path, withDL);
        system = office.System();
        return OpenWorkbookConnection(*system, kWorkbook, folder, msg, end);
    }

    double Number(const QString& range) {
        const wb::CellValue value = GetRangeValue(*handles.CTabbDoc, range);
        EXPECT_TRUE(std::holds_alternative<double>(value)) << range.toStdString();
        return std::holds_alternative<double>(value) ? std::get<double>(value) : -1e300;
    }

    QString Text(const QString& range) {
        const wb::CellValue value = GetRangeValue(*handles.CTabbDoc, range);
        EXPECT_TRUE(std::holds_alternative<QString>(value)) << range.toStdString();
        return std::holds_alternative<QString>(value) ? std::get<QString>(value) : QString();
    }

    ScriptedMessageBoxes msg;
    TestProgramEnd end;
    std::unique_ptr<wb::System> system;
    WorkbookHandles handles;
    QString folder;
    QString path;
};

TEST(CalcSystem, KnowsOnlyTheSpreadsheetClassName) {
    CalcOptions options;  // no office at all: the name is refused before any start
    options.pipeName = QStringLiteral("dravik_test_never_used");
    const auto system = MakeCalcSystem(options);
    EXPECT_EQ(wb::kErrGeneral, ErrorNumberOf([&] { system->NewDocument("Other.Spreadsheet"); }));
    EXPECT_EQ(wb::kErrGeneral, ErrorNumberOf([&] { system->NewDocument("corlatabb.workbook"); }));
}

TEST(CalcSystem, ForUserNamesTheInstalledOfficeAndAPipeOfTheUser) {
    const CalcOptions options = CalcOptions::ForUser();
    EXPECT_TRUE(options.sofficePath.endsWith(QStringLiteral("soffice")));
    EXPECT_TRUE(options.usersPipe);
    // Only the user's programs know its random part, kept in the user's own folder.
    EXPECT_EQ(options.pipeName, UserOfficePipeName());
    EXPECT_EQ(options.pipeName.size(),
              QStringLiteral("dravik_lumo_calc_").size() + UserNameForPipes().size() + 1 + 32);
    EXPECT_FALSE(options.headless);
    EXPECT_TRUE(options.profileUrl.isEmpty());
}

TEST(CalcOpening, WithoutTheOfficeReportsPhaseAAndEnds) {
    CalcOptions options;
    options.sofficePath = QStringLiteral("/nonexistent/program/soffice");
    options.pipeName = QStringLiteral("dravik_test_nobody_%1").arg(getpid());
    options.startTimeoutMs = 2000;
    const auto system = MakeCalcSystem(options);
    EXPECT_EQ(wb::kErrNoApplication,
              ErrorNumberOf([&] { system->NewDocument(QStringLiteral("CorlaTabb.Workbook")); }));

    ScriptedMessageBoxes msg;
    msg.Expect(kNoOffice, kStyleCritical, kOpening);
    TestProgramEnd end;
    EXPECT_THROW(OpenWorkbookConnection(*system, kWorkbook, QDir::tempPath(), msg, end),
                 ProgramEnded);
    EXPECT_EQ(1, end.endCount);
    EXPECT_EQ(kExitCriticalError, end.status);
}

TEST(CalcOpening, StartsTheOfficeWhenNothingAnswersOnThePipe) {
    QTemporaryDir profile;
    CalcOptions options = CalcOptions::ForUser();
    options.pipeName = QStringLiteral("dravik_test_started_%1").arg(getpid());
    options.usersPipe = false;
    options.profileUrl = QUrl::fromLocalFile(profile.path()).toString(QUrl::FullyEncoded);
    options.headless = true;
    const auto system = MakeCalcSystem(options);

    std::shared_ptr<wb::Document> doc;
    EXPECT_NO_THROW(doc = system->NewDocument(QStringLiteral("CorlaTabb.Workbook")));
    if (doc) {
        // The empty spreadsheet answers like any document: it has no range of the program's.
        EXPECT_EQ(wb::kErrUndefinedName, ErrorNumberOf([&] { doc->GetRange("DL"); }));
        EXPECT_NO_THROW(doc->GetRange(QStringLiteral("Sheet1:A1"))->SetContents(1.0));
    }
    doc.reset();
    TerminateOffice(options.pipeName);
}

// Another user's listener under the user's pipe is never spoken to: the program takes a new name
// and an office of its own.
TEST(CalcOpening, AnotherUsersListenerOnTheUsersPipeIsNeverUsed) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "another user's listener needs root";
    }
    const QString taken = UserOfficePipeName();
    const pid_t theirs = StartListener(OfficePipePath(taken), 65534, "forged");
    ASSERT_EQ(OwnerOfSocket(OfficePipePath(taken)), SocketOwner::Foreign);
    QTemporaryDir profile;
    CalcOptions options = CalcOptions::ForUser();
    options.profileUrl = QUrl::fromLocalFile(profile.path()).toString(QUrl::FullyEncoded);
    options.headless = true;
    const auto system = MakeCalcSystem(options);
    std::shared_ptr<wb::Document> doc;
    EXPECT_NO_THROW(doc = system->NewDocument(QStringLiteral("CorlaTabb.Workbook")));
    EXPECT_NE(UserOfficePipeName(), taken);
    EXPECT_TRUE(OfficeAnswers(UserOfficePipeName()));
    doc.reset();
    TerminateOffice(UserOfficePipeName());
    EndListener(theirs);
}

TEST_F(CalcWorkbookTest, AMissingWorkbookReportsPhaseBAndEnds) {
    system = office.System();
    msg.Expect(QStringLiteral("Missing-Book.tabb not found!"), kStyleExclamation, kOpening);
    EXPECT_THROW(
        OpenWorkbookConnection(*system, QStringLiteral("Missing-Book.tabb"), Folder(), msg, end),
        ProgramEnded);
    EXPECT_EQ(1, end.endCount);
    EXPECT_EQ(kExitCriticalError, end.status);
}

TEST_F(CalcWorkbookTest, AWorkbookWithoutDLReportsPhaseBAndEnds) {
    msg.Expect(kWorkbook + QStringLiteral(" not found!"), kStyleExclamation, kOpening);
    EXPECT_THROW(Open(/*withDL=*/false), ProgramEnded);
    EXPECT_EQ(1, end.endCount);
    EXPECT_EQ(kExitCriticalError, end.status);
}

TEST_F(CalcWorkbookTest, OpeningShowsTheWorkbookInOneWindowAndWritesDL) {
    const int framesBefore = office.FrameCount();
    handles = Open();
    ASSERT_TRUE(handles.CTabbDoc && handles.CTabbApp);
    EXPECT_EQ(0, end.endCount);
    EXPECT_DOUBLE_EQ(1.0, Number(QStringLiteral("DL")));
    EXPECT_EQ(QStringLiteral("VALUE"), office.CellKind(path, QStringLiteral("DL")));
    // The empty document of the first step gave its window to the workbook.
    EXPECT_EQ(framesBefore + 1, office.FrameCount());
    // The window still answers to the program's calls.
    for (const char* member : {"Activate", "Restore", "Maximize"}) {
        EXPECT_NO_THROW(handles.CTabbApp->MainWindow()->Invoke(QString::fromLatin1(member)));
    }
    EXPECT_EQ(wb::kErrGeneral, ErrorNumberOf([&] {
                  handles.CTabbApp->MainWindow()->Invoke(QStringLiteral("Minimise"));
              }));
}

TEST_F(CalcWorkbookTest, AWorkbookAlreadyOpenIsTakenAsItIs) {
    handles = Open();
    PutRange(*handles.CTabbDoc, QStringLiteral("DLQ0"), QStringLiteral("Kept"));
    const int framesBefore = office.FrameCount();

    // A second start of the program while the office still shows the workbook.
    const auto again = office.System();
    const WorkbookHandles second = OpenWorkbookConnection(*again, kWorkbook, folder, msg, end);
    EXPECT_EQ(QStringLiteral("Kept"), std::get<QString>(GetRangeValue(*second.CTabbDoc, "DLQ0")));
    EXPECT_EQ(framesBefore, office.FrameCount());
}

// A lock file of the user's own beside the workbook, left by another office of theirs that
// crashed, does not stop the program: the workbook opens for editing and takes the writes. One of
// someone else's still ends in the phase B message: a read-only workbook would drop the writes.
TEST_F(CalcWorkbookTest, TheUsersOwnLeftoverLockFileIsTakenOver) {
    const passwd* user = getpwuid(getuid());
    ASSERT_NE(user, nullptr);
    const QString own =
        QStringLiteral(",%1,%2,08.12.2026 10:00,file:///home/%1/.config/other;")
            .arg(QString::fromLocal8Bit(user->pw_name), QSysInfo::machineHostName());
    const QString someoneElse =
        QStringLiteral("Jane Roe,jroe,elsewhere,08.12.2026 10:00,file:///home/jroe/.config/x;");
    for (const QString& lock : {own, someoneElse}) {
        SCOPED_TRACE(lock.toStdString());
        folder = Folder() + (lock == own ? QStringLiteral(" own") : QStringLiteral(" other"));
        QDir().mkpath(folder);
        path = QDir(folder).filePath(kWorkbook);
        office.MakeWorkbook(path);
        QFile lockFile(QDir(folder).filePath(QStringLiteral(".~lock.") + kWorkbook + u'#'));
        ASSERT_TRUE(lockFile.open(QIODevice::WriteOnly));
        lockFile.write(lock.toUtf8());
        lockFile.close();
        system = office.System();
        if (lock == own) {
            handles = OpenWorkbookConnection(*system, kWorkbook, folder, msg, end);
            EXPECT_DOUBLE_EQ(1.0, Number(QStringLiteral("DL")));
            PutRange(*handles.CTabbDoc, QStringLiteral("DLQ0"), QStringLiteral("Written"));
            EXPECT_EQ(QStringLiteral("Written"), office.ShownText(path, QStringLiteral("DLQ0")));
            office.CloseDocument(path);
            handles = WorkbookHandles();
        } else {
            msg.Expect(kWorkbook + QStringLiteral(" not found!"), kStyleExclamation, kOpening);
            EXPECT_THROW(OpenWorkbookConnection(*system, kWorkbook, folder, msg, end),
                         ProgramEnded);
        }
    }
    EXPECT_EQ(1, end.endCount);
}

TEST_F(CalcWorkbookTest, TextIsEnteredAsTypedButNeverAsAFormula) {
    handles = Open();
    wb::Document& doc = *handles.CTabbDoc;
    const auto put = [&](const char* range, const wb::CellValue& value) {
        PutRange(doc, QString::fromLatin1(range), value);
    };

    put("DLQ3", QStringLiteral("1500"));
    EXPECT_DOUBLE_EQ(1500.0, Number(QStringLiteral("DLQ3")));
    put("DLQ5", QStringLiteral("25%"));
    EXPECT_DOUBLE_EQ(0.25, Number(QStringLiteral("DLQ5")));
    put("DLQ9", QStringLiteral("0.5"));
    EXPECT_DOUBLE_EQ(0.5, Number(QStringLiteral("DLQ9")));
    put("DLQ8", QStringLiteral("-5"));
    EXPECT_DOUBLE_EQ(-5.0, Number(QStringLiteral("DLQ8")));
    put("DLQ8", QStringLiteral("+5"));
    EXPECT_DOUBLE_EQ(5.0, Number(QStringLiteral("DLQ8")));
    put("DLQ11", 12.0);
    EXPECT_DOUBLE_EQ(12.0, Number(QStringLiteral("DLQ11")));
    put("DLQ10", true);
    EXPECT_DOUBLE_EQ(1.0, Number(QStringLiteral("DLQ10")));
    put("DLQ10", false);
    EXPECT_DOUBLE_EQ(0.0, Number(QStringLiteral("DLQ10")));

    // A company name is whatever was typed, even when Calc would take it for a formula.
    for (const char* typed : {"=WEBSERVICE(\"http://x\")", "+A1", "-SUM(1;2)", "@A1", "-5-3",
                              "ACME Storage", "  spaced  "}) {
        put("DLQ0", QString::fromUtf8(typed));
        EXPECT_EQ(QString::fromUtf8(typed), Text(QStringLiteral("DLQ0")));
        EXPECT_EQ(QStringLiteral("TEXT"), office.CellKind(path, QStringLiteral("DLQ0"))) << typed;
    }

    put("DLQ0", QString());
    EXPECT_EQ(QString(), Text(QStringLiteral("DLQ0")));
    EXPECT_EQ(QStringLiteral("EMPTY"), office.CellKind(path, QStringLiteral("DLQ0")));

    // A cell address of sheet Y.
    put("Y:J8", QStringLiteral("99"));
    EXPECT_DOUBLE_EQ(99.0, Number(QStringLiteral("Y:J8")));
    EXPECT_EQ(QStringLiteral("VALUE"), office.CellKind(path, QStringLiteral("Y.J8")));
    // A sheet name with a space.
    put("TOC Overview:Z99", QStringLiteral("7"));
    EXPECT_DOUBLE_EQ(7.0, Number(QStringLiteral("TOC Overview:Z99")));
}

// A write finding the cell unchanged is left out; whatever differs from what typing the value
// would enter (the kind of content, not only the text shown) is still written.
TEST_F(CalcWorkbookTest, OnlyACellHoldingExactlyTheValueIsLeftAsItIs) {
    handles = Open();
    wb::Document& doc = *handles.CTabbDoc;

    PutRange(doc, QStringLiteral("DLQ3"), QStringLiteral("'0"));  // the text "0"
    EXPECT_EQ(QStringLiteral("TEXT"), office.CellKind(path, QStringLiteral("DLQ3")));
    PutRange(doc, QStringLiteral("DLQ3"), QStringLiteral("0"));
    EXPECT_EQ(QStringLiteral("VALUE"), office.CellKind(path, QStringLiteral("DLQ3")));
    PutRange(doc, QStringLiteral("DLQ3"), QStringLiteral("0"));
    EXPECT_DOUBLE_EQ(0.0, Number(QStringLiteral("DLQ3")));

    PutRange(doc, QStringLiteral("DLQ0"), QStringLiteral("-5-3"));
    PutRange(doc, QStringLiteral("DLQ0"), QStringLiteral("-5-3"));
    EXPECT_EQ(QStringLiteral("TEXT"), office.CellKind(path, QStringLiteral("DLQ0")));
    EXPECT_EQ(QStringLiteral("-5-3"), Text(QStringLiteral("DLQ0")));

    PutRange(doc, QStringLiteral("DLQ11"), QStringLiteral("12"));
    PutRange(doc, QStringLiteral("DLQ11"), 12.0);
    EXPECT_DOUBLE_EQ(12.0, Number(QStringLiteral("DLQ11")));
    PutRange(doc, QStringLiteral("DLQ11"), QStringLiteral("twelve"));
    PutRange(doc, QStringLiteral("DLQ11"), 12.0);
    EXPECT_EQ(QStringLiteral("VALUE"), office.CellKind(path, QStringLiteral("DLQ11")));
    EXPECT_DOUBLE_EQ(12.0, Number(QStringLiteral("DLQ11")));

    // A formula whose result is the value is replaced by the value.
    PutRange(doc, QStringLiteral("DLQ1"), QStringLiteral("1"));
    ASSERT_DOUBLE_EQ(0.125, Number(QStringLiteral("DL_DEF_SP")));
    ASSERT_EQ(QStringLiteral("FORMULA"), office.CellKind(path, QStringLiteral("DL_DEF_SP")));
    PutRange(doc, QStringLiteral("DL_DEF_SP"), QStringLiteral("0.125"));
    EXPECT_EQ(QStringLiteral("VALUE"), office.CellKind(path, QStringLiteral("DL_DEF_SP")));
    PutRange(doc, QStringLiteral("DL_DEF_SP"), 0.125);
    EXPECT_EQ(QStringLiteral("VALUE"), office.CellKind(path, QStringLiteral("DL_DEF_SP")));
}

TEST_F(CalcWorkbookTest, WrittenAnswersReachTheWorkbooksFormulas) {
    handles = Open();
    wb::Document& doc = *handles.CTabbDoc;
    PutRange(doc, QStringLiteral("DLQ1"), QStringLiteral("1"));
    PutRange(doc, QStringLiteral("Y:E8"), QStringLiteral("1"));
    PutRange(doc, QStringLiteral("Y:F8"), QStringLiteral("2"));
    PutRange(doc, QStringLiteral("DLQ5"), QStringLiteral("25%"));
    PutRange(doc, QStringLiteral("DLQ11"), QStringLiteral("1000"));

    EXPECT_DOUBLE_EQ(0.125, Number(QStringLiteral("DL_DEF_SP")));
    EXPECT_DOUBLE_EQ(0.02, Number(QStringLiteral("DL_DEF_RC")));
    EXPECT_DOUBLE_EQ(0.125, Number(QStringLiteral("DL_DEF_R1")));
    EXPECT_DOUBLE_EQ(0.1, Number(QStringLiteral("DL_DEF_GR")));
    EXPECT_DOUBLE_EQ(1.0, Number(QStringLiteral("DL_DEF_OPER")));
    EXPECT_DOUBLE_EQ(2000.0, Number(QStringLiteral("DL_DEF_OUTCOST")));

    // A tie after the product: 0.125 * 100 is 12.5, which rounds to the even 12.
    EXPECT_EQ(12.0, RoundHalfEven(Number(QStringLiteral("DL_DEF_SP")) * 100));

    // A formula whose result is an error reads as the text the cell shows.
    PutRange(doc, QStringLiteral("DLQ11"), QStringLiteral("many"));
    EXPECT_EQ(QStringLiteral("#VALUE!"), Text(QStringLiteral("DL_DEF_OUTCOST")));
}

TEST_F(CalcWorkbookTest, TurnToShowsTheSheet) {
    handles = Open();
    TurnToSheet(*handles.CTabbDoc, QStringLiteral("TOC Overview"));
    EXPECT_EQ(QStringLiteral("TOC Overview"), office.ActiveSheet(path));
    TurnToSheet(*handles.CTabbDoc, QStringLiteral("Y"));
    EXPECT_EQ(QStringLiteral("Y"), office.ActiveSheet(path));
}

TEST_F(CalcWorkbookTest, NamesTheWorkbookDoesNotDefineAre6027) {
    handles = Open();
    wb::Document& doc = *handles.CTabbDoc;
    for (const char* name :
         {"DLQ99", "Q:E8", "Y:NOTACELL", "Y:E8;Y:F8", "Y'.E8", "DL_DEF_sp ", ""}) {
        EXPECT_EQ(wb::kErrUndefinedName,
                  ErrorNumberOf([&] { PutRange(doc, QString::fromLatin1(name), "1"); }))
            << name;
    }
    EXPECT_EQ(wb::kErrUndefinedName,
              ErrorNumberOf([&] { TurnToSheet(doc, QStringLiteral("TOC Overview 2")); }));
}

// Inside a write-out the workbook shows its changes once, at the end or before a message box; a
// name is checked once per write-out, so a range redefined or removed in between is honoured.
TEST_F(CalcWorkbookTest, AWriteOutShowsItsWritesBeforeABoxAndHonoursRedefinedNames) {
    handles = Open();
    wb::Document& doc = *handles.CTabbDoc;
    {
        const WriteOutScope writeOut(doc, msg);
        PutRange(doc, QStringLiteral("DLQ1"), QStringLiteral("4"));
        EXPECT_TRUE(office.Frozen(path));
        EXPECT_DOUBLE_EQ(0.5, Number(QStringLiteral("DL_DEF_SP")));  // DLQ1/8, recalculated
        msg.Expect(QStringLiteral("Check"), kStyleExclamation, QStringLiteral("T"));
        msg.onShow = [&] { EXPECT_FALSE(office.Frozen(path)); };
        msg.MsgBox(QStringLiteral("Check"), kStyleExclamation, QStringLiteral("T"));
        msg.onShow = nullptr;
        PutRange(doc, QStringLiteral("DLQ0"), QStringLiteral("First"));
    }
    EXPECT_FALSE(office.Frozen(path));

    office.DefineName(path, QStringLiteral("DLQ0"), QStringLiteral("$Data.$C$20"));
    {
        const WriteOutScope writeOut(doc, msg);
        PutRange(doc, QStringLiteral("DLQ0"), QStringLiteral("Second"));
    }
    EXPECT_EQ(QStringLiteral("TEXT"), office.CellKind(path, QStringLiteral("Data.C20")));
    EXPECT_EQ(QStringLiteral("First"), Text(QStringLiteral("Data:B2")));

    // An address means the cell at that place now, also after a row was put in before it.
    {
        const WriteOutScope writeOut(doc, msg);
        PutRange(doc, QStringLiteral("Y:E8"), 1.0);
    }
    office.InsertRow(path, QStringLiteral("Y"), 8);
    {
        const WriteOutScope writeOut(doc, msg);
        PutRange(doc, QStringLiteral("Y:E8"), 7.0);
    }
    EXPECT_EQ(7.0, Number(QStringLiteral("Y:E8")));
    EXPECT_EQ(1.0, Number(QStringLiteral("Y:E9")));

    office.DefineName(path, QStringLiteral("DLQ0"), QString());
    EXPECT_EQ(wb::kErrUndefinedName, ErrorNumberOf([&] {
                  const WriteOutScope writeOut(doc, msg);
                  PutRange(doc, QStringLiteral("DLQ0"), QStringLiteral("Third"));
              }));
    EXPECT_FALSE(office.Frozen(path));
}

// A program killed in the middle of a write-out must not leave the user's Calc frozen: at the
// latest its next start (the opening again, on the same office) lets the workbook repaint and
// recalculate.
TEST_F(CalcWorkbookTest, AWriteOutKilledAnywhereLeavesCalcWorkingAfterTheNextStart) {
    handles = Open();
    std::mt19937 random(20261208);
    int killedFrozen = 0;
    constexpr int kKills = 25;
    for (int kill = 0; kill < kKills; ++kill) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QStringLiteral(DRAVIK_WRITEOUT_CHILD), {office.Options().pipeName, folder});
        while (!child.readAllStandardOutput().contains("ready")) {
            ASSERT_TRUE(child.waitForReadyRead(30000)) << "the child did not open the workbook";
        }
        QThread::usleep(std::uniform_int_distribution<int>(0, 30000)(random));
        ASSERT_EQ(QProcess::Running, child.state()) << "the child stopped writing out";
        ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
        child.waitForFinished(10000);
        killedFrozen += office.Frozen(path) ? 1 : 0;

        // The next start.
        handles = OpenWorkbookConnection(*system, kWorkbook, folder, msg, end);
        EXPECT_FALSE(office.Frozen(path)) << "after kill " << kill;
        PutRange(*handles.CTabbDoc, QStringLiteral("DLQ1"), QString::number(kill % 5 + 2));
        EXPECT_DOUBLE_EQ((kill % 5 + 2) / 8.0, Number(QStringLiteral("DL_DEF_SP")));
    }
    // Most kills fall inside a write-out; were none to, the test would have shown nothing.
    EXPECT_GT(killedFrozen, 0) << "of " << kKills << " kills";
}

TEST_F(CalcWorkbookTest, AWorkbookClosedByTheUserIs462) {
    handles = Open();
    const std::shared_ptr<wb::Range> held = handles.CTabbDoc->GetRange(QStringLiteral("DLQ0"));
    office.CloseDocument(path);
    EXPECT_EQ(wb::kErrOfficeGone, ErrorNumberOf([&] { held->SetContents(QStringLiteral("x")); }));
    EXPECT_EQ(wb::kErrOfficeGone,
              ErrorNumberOf([&] { GetRangeValue(*handles.CTabbDoc, QStringLiteral("DL")); }));
    EXPECT_EQ(wb::kErrOfficeGone,
              ErrorNumberOf([&] { TurnToSheet(*handles.CTabbDoc, QStringLiteral("Y")); }));
}

TEST(CalcCrash, AnOfficeThatWentAwayIs462) {
    CalcOffice own;
    const QString path = QDir(own.TempDir()).filePath(kWorkbook);
    own.MakeWorkbook(path);
    const auto system = own.System();
    ScriptedMessageBoxes msg;
    TestProgramEnd end;
    const WorkbookHandles h = OpenWorkbookConnection(*system, kWorkbook, own.TempDir(), msg, end);
    const std::shared_ptr<wb::Range> held = h.CTabbDoc->GetRange(QStringLiteral("DLQ0"));

    own.Kill();
    EXPECT_EQ(wb::kErrOfficeGone, ErrorNumberOf([&] { held->SetContents(QStringLiteral("x")); }));
    EXPECT_EQ(wb::kErrOfficeGone,
              ErrorNumberOf([&] { GetRangeValue(*h.CTabbDoc, QStringLiteral("DL")); }));
    EXPECT_EQ(wb::kErrOfficeGone,
              ErrorNumberOf([&] { PutRange(*h.CTabbDoc, QStringLiteral("DLQ0"), "y"); }));
    EXPECT_EQ(wb::kErrOfficeGone, ErrorNumberOf([&] { held->CellValueOf(); }));
}

// An X display of its own (Xvfb), for an office that shows its windows and dialogs as the user's
// does; Name() is empty when Xvfb could not be started.
class OwnDisplay {
public:
    OwnDisplay() {
        xvfb_.start(QStringLiteral("Xvfb"),
                    {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                     QStringLiteral("0"), QStringLiteral("1280x1024x24"),
                     QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                     // Without it the server resets when its last client leaves, and the office,
                     // which opens and closes the display once before it opens it for good, may
                     // be turned away in that reset and end at once.
                     QStringLiteral("-noreset")});
        // Xvfb picks a free display and writes its number once it accepts clients.
        while (xvfb_.waitForReadyRead(10000)) {
            output_ += xvfb_.readAllStandardOutput();
            if (output_.endsWith('\n')) {
                name_ = QLatin1Char(':') + QString::fromLatin1(output_.trimmed());
                break;
            }
        }
    }
    ~OwnDisplay() {
        // Ended so that it removes its socket; killed only if it will not go.
        xvfb_.terminate();
        if (!xvfb_.waitForFinished(5000)) {
            xvfb_.kill();
            xvfb_.waitForFinished();
        }
    }
    QString Name() const { return name_; }

private:
    QProcess xvfb_;
    QByteArray output_;
    QString name_;
};

// Runs body. Should it not return within limit (an office dialog waiting for a user who is not
// there), the office is killed so that it does, and the answer is false.
template <class Body>
bool FinishesWithin(std::chrono::seconds limit, CalcOffice& office, Body&& body) {
    std::mutex guard;
    std::condition_variable finishedSignal;
    bool finished = false;
    bool timedOut = false;
    std::thread watchdog([&] {
        std::unique_lock<std::mutex> lock(guard);
        if (!finishedSignal.wait_for(lock, limit, [&] { return finished; })) {
            timedOut = true;
            office.Kill();
        }
    });
    body();
    {
        const std::lock_guard<std::mutex> lock(guard);
        finished = true;
    }
    finishedSignal.notify_one();
    watchdog.join();
    return !timedOut;
}

// A damaged workbook ends in the program's own message at once: the office asks the user nothing.
// Its office has a display, because a headless office never shows a dialog and so could not show
// that none waits.
TEST(CalcDamagedWorkbook, EndsAtOnceInThePhaseBMessage) {
    const OwnDisplay display;
    ASSERT_FALSE(display.Name().isEmpty()) << "Xvfb (package xvfb) did not start";
    CalcOffice office(display.Name());

    const QString whole = QDir(office.TempDir()).filePath(QStringLiteral("whole.ods"));
    office.MakeWorkbook(whole);
    QFile wholeFile(whole);
    ASSERT_TRUE(wholeFile.open(QIODevice::ReadOnly));
    const QByteArray workbook = wholeFile.readAll();
    QByteArray noise(64 * 1024, '\0');
    QRandomGenerator random(117);
    for (char& byte : noise) {
        byte = static_cast<char>(random.bounded(256));
    }
    const std::pair<QString, QByteArray> damaged[] = {
        {QStringLiteral("random bytes"), noise},
        {QStringLiteral("semicolon-separated text"),
         "Company;Industry;Servers\r\nAcme Storage;1 - Finance;12\r\n"},
        {QStringLiteral("first half of a workbook"), workbook.left(workbook.size() / 2)},
    };
    for (const auto& [what, bytes] : damaged) {
        const QString folder = QDir(office.TempDir()).filePath(what);
        ASSERT_TRUE(QDir().mkpath(folder));
        QFile file(QDir(folder).filePath(kWorkbook));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        file.close();

        const auto system = office.System();
        ScriptedMessageBoxes msg;
        msg.Expect(kWorkbook + QStringLiteral(" not found!"), kStyleExclamation, kOpening);
        TestProgramEnd end;
        const bool finished = FinishesWithin(std::chrono::seconds(60), office, [&] {
            EXPECT_THROW(OpenWorkbookConnection(*system, kWorkbook, folder, msg, end), ProgramEnded)
                << what.toStdString();
        });
        ASSERT_TRUE(finished) << what.toStdString() << ": the open waited behind an office dialog";
        EXPECT_EQ(1, end.endCount) << what.toStdString();
    }
}

// Waits up to a few seconds for condition.
template <class Condition>
bool Eventually(Condition&& condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        QThread::msleep(100);
    }
    return true;
}

// Whether any process of an office runs on the profile at profilePath.
bool OfficeRunsOn(const QString& profilePath) {
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
        if (cmdline.open(QIODevice::ReadOnly) && cmdline.readAll().contains(profilePath.toUtf8())) {
            return true;
        }
    }
    return false;
}

// The splash starts the office; closed instead of Continue, or ended by SIGTERM (a log-out), it
// ends that office when the office holds nothing, and never an office that was running already or
// that holds a document. The program ends at once, also while the office is still starting.
TEST(CalcSplashClosed, EndsOnlyAnOfficeStartedForItThatHoldsNothing) {
    QTemporaryDir profile;
    QTemporaryDir folder;
    CalcOptions options = CalcOptions::ForUser();
    options.pipeName = QStringLiteral("dravik_test_splash_%1").arg(getpid());
    options.usersPipe = false;
    options.profileUrl = QUrl::fromLocalFile(profile.path()).toString(QUrl::FullyEncoded);
    options.headless = true;
    // How long the program took to end once asked.
    const auto closeSplash = [&](wb::System& system, bool bySignal) {
        ScriptedMessageBoxes msg;
        TestProgramEnd end;
        SystemClock clock;
        LocaleNumberFormat numbers;
        Platform platform{msg, end, system, clock, numbers, folder.path()};
        SharedValues shared;
        ProgramPages pages(platform, shared);
        pages.StartUp();
        const auto asked = std::chrono::steady_clock::now();
        if (bySignal) {
            bool ended = false;
            const EndSignals endSignals([&] {
                try {
                    pages.EndBySignal();
                } catch (const ProgramEnded&) {
                    ended = true;
                }
            });
            std::raise(SIGTERM);
            while (!ended && std::chrono::steady_clock::now() - asked < std::chrono::seconds(20)) {
                QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
            }
        } else {
            EXPECT_THROW(pages.frm00Splash().QueryUnload(CloseCause::User), ProgramEnded);
        }
        EXPECT_EQ(end.endCount, 1);
        EXPECT_EQ(end.status, kExitNormal);
        EXPECT_FALSE(IsLoaded("frm01"));
        return std::chrono::steady_clock::now() - asked;
    };

    // Nothing answered on the pipe, so the splash started the office; it is still starting when
    // the splash goes, by its close box or by SIGTERM. The program ends at once, and the office
    // goes by itself, so that a start right after gets an office of its own.
    for (const bool bySignal : {false, true}) {
        ASSERT_FALSE(OfficeAnswers(options.pipeName));
        EXPECT_LT(closeSplash(*MakeCalcSystem(options), bySignal), std::chrono::seconds(1));
        EXPECT_TRUE(Eventually([&] { return !OfficeRunsOn(profile.path()); })) << bySignal;
    }

    // Started and idle: ended over its pipe, and gone by the time the program ends.
    {
        const auto system = MakeCalcSystem(options);
        system->StartInBackground(QString());
        ASSERT_TRUE(Eventually([&] { return OfficeAnswers(options.pipeName); }));
        QThread::msleep(500);
        closeSplash(*system, true);
        EXPECT_FALSE(OfficeAnswers(options.pipeName));
    }

    // Started for the splash, but meanwhile holding a document: left running.
    {
        const auto system = MakeCalcSystem(options);
        system->StartInBackground(QString());
        ASSERT_TRUE(Eventually([&] { return OfficeAnswers(options.pipeName); }));
        const auto users = MakeCalcSystem(options);
        const std::shared_ptr<wb::Document> opened =
            users->NewDocument(QStringLiteral("CorlaTabb.Workbook"));
        system->EndIfUnused();
        QThread::msleep(500);
        EXPECT_TRUE(OfficeAnswers(options.pipeName));
        // Read, not written: unchanged, it lets the office terminate below without a question.
        EXPECT_NO_THROW(opened->GetRange(QStringLiteral("Sheet1:A1"))->CellValueOf());
    }
    TerminateOffice(options.pipeName);

    // An office that was running already (the shared one) is left as it is.
    closeSplash(*SharedOffice().System(), false);
    QThread::msleep(500);
    EXPECT_TRUE(SharedOffice().Running());
}

// The backend as the program loads it: the module built beside the program.
TEST(CalcModule, TheBuiltModuleMakesTheCalcSystem) {
    const QString bin = qEnvironmentVariable("DRAVIK_BIN_DIR");
    ASSERT_FALSE(bin.isEmpty()) << "DRAVIK_BIN_DIR is not set";
    ModuleSystem module(QDir(bin).filePath(kCalcModuleFileName));
    try {
        module.NewDocument(QStringLiteral("Other.Spreadsheet"));
        ADD_FAILURE() << "a class name of no application was accepted";
    } catch (const wb::AutomationError& e) {
        // Refused by the backend, which only a loaded module can do.
        EXPECT_EQ(wb::kErrGeneral, e.number());
        EXPECT_NE(std::string(e.what()).find("no application registered"), std::string::npos)
            << e.what();
    }
}

// An office whose profile never had the report button's extension (a new user of an installed
// copy, a reset profile) gets it from the opening, and the button then fills Report.
TEST_F(CalcWorkbookTest, TheOpeningDeploysTheReportButtonsExtension) {
    const QString built = BuiltWorkbookPath();
    if (built.isEmpty()) {
        GTEST_SKIP() << "no built workbook in DRAVIK_BIN_DIR";
    }
    folder = Folder();
    path = QDir(folder).filePath(kWorkbook);
    ASSERT_TRUE(QFile::copy(built, path));
    CalcOptions options = office.Options();
    options.extension = CalcOptions::ForUser().extension;
    options.extension.path =
        QFileInfo(built).dir().filePath(QFileInfo(options.extension.path).fileName());
    system = MakeCalcSystem(options);
    handles = OpenWorkbookConnection(*system, kWorkbook, folder, msg, end);
    PutRange(*handles.CTabbDoc, QStringLiteral("DLQ0"), QStringLiteral("Deployed Ltd"));
    office.PressReportButton(path);
    EXPECT_EQ(office.ShownText(path, QStringLiteral("RPT_CUSTOMER")),
              QStringLiteral("Deployed Ltd"));
    EXPECT_FALSE(office.ShownText(path, QStringLiteral("RPT_COPIED")).isEmpty());
}

// The workbook that ships with the program, once the build makes it.
TEST_F(CalcWorkbookTest, TheBuiltWorkbookHasTheProgramsRanges) {
    const QString built = BuiltWorkbookPath();
    if (built.isEmpty()) {
        GTEST_SKIP() << "no built workbook in DRAVIK_BIN_DIR";
    }
    // A copy, so that the build's file stays as it was made.
    folder = Folder();
    path = QDir(folder).filePath(kWorkbook);
    ASSERT_TRUE(QFile::copy(built, path));
    system = office.System();
    handles = OpenWorkbookConnection(*system, kWorkbook, folder, msg, end);
    // Every range an answer is written to, and every default read back.
    for (const entry::Question& question : entry::Questions()) {
        EXPECT_NO_THROW(handles.CTabbDoc->GetRange(QString::fromLatin1(question.range)))
            << question.range;
        if (const char* range = question.defaultBox.range) {
            EXPECT_NO_THROW(GetRangeValue(*handles.CTabbDoc, QString::fromLatin1(range))) << range;
        }
    }
    EXPECT_NO_THROW(TurnToSheet(*handles.CTabbDoc, QStringLiteral("TOC Overview")));
}

}  // namespace
