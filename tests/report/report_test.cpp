// The report program's course on the in-memory workbook: what goes where in the document, the
// empty Report sheet, and one message for each failure with nothing left open.

#include "Entries.h"
#include "FakeWorkbook.h"
#include "TestPlatform.h"
#include "Texts.h"
#include "report/ReportBatch.h"
#include "report/ReportCommand.h"
#include "report/ReportContent.h"
#include "report/ReportTarget.h"
#include "report/TocReport.h"
#include "shell/AppIdentity.h"
#include "workbook/ModuleSystem.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

class ReportTest : public ::testing::Test {
protected:
    ReportTest() {
        QFile(folder.filePath(kReportTemplateName)).open(QIODevice::WriteOnly);
        office.FillReportSheet();
    }

    int Make(const QString& pdf = QString()) {
        return MakeTocReport(office, msg, clock, {folder.path(), pdf});
    }
    QStringList Log() const { return book->log; }

    QTemporaryDir folder;  // the program's
    QTemporaryDir out;     // the user's, for the PDFs
    std::shared_ptr<FakeWorkbook> book = std::make_shared<FakeWorkbook>();
    FakeReportOffice office{book};
    ScriptedMessageBoxes msg;
    FixedClock clock{QDateTime(QDate(2026, 12, 8), QTime(15, 0))};
};

TEST_F(ReportTest, TheReportOpensFilledForTheUser) {
    EXPECT_EQ(Make(), 0);
    const QStringList log = Log();
    EXPECT_EQ(log.first(), "TakeWorkbook " + folder.filePath(WorkbookFileName()) + " shown");
    EXPECT_TRUE(log.contains("Title = Total Cost of Ownership Report for Acme Storage"));
    EXPECT_TRUE(log.contains("Bookmark Customer = Acme Storage"));
    EXPECT_TRUE(log.contains("Table Profile 0,1 = Acme Storage;Finance;ERP;Open"));
    EXPECT_TRUE(log.contains("Table Costs 10,3 = $1,231,500"));
    // The outage hours are no cost of their own and stay out of the cost chart.
    const QStringList chart = book->Entries(QStringLiteral("Chart CostChart = "));
    ASSERT_EQ(chart.size(), 1);
    EXPECT_FALSE(chart[0].contains(QStringLiteral("Outage, otherwise")));
    EXPECT_TRUE(chart[0].endsWith(QStringLiteral("|Downtime at the outage cost")));
    EXPECT_EQ(log.mid(log.size() - 3), QStringList({"Show", "ReleaseWorkbook", "Release"}));
    EXPECT_TRUE(book->Entries(QStringLiteral("ExportPdf")).isEmpty());
}

// The workbook keeps the codes the program writes; the report prints the descriptions of the
// program's lists instead, and any other text as the workbook shows it.
TEST_F(ReportTest, CodedAnswersPrintInTheCustomersWords) {
    struct Case {
        const char* range;
        const char* shown;
        const char* printed;
    };
    const Case cases[] = {
        {"RPT_INDUSTRY", "1 - Finance", "Finance"},
        {"RPT_INDUSTRY", "2 - Manufacturing", "Manufacturing"},
        {"RPT_INDUSTRY", "3 - Public", "Public"},
        {"RPT_INDUSTRY", "4 - Insurance", "Insurance"},
        {"RPT_INDUSTRY", "5 - Industrial", "Industrial"},
        {"RPT_INDUSTRY", "6 - Communication", "Communication"},
        {"RPT_INDUSTRY", "99 - Other", "Other"},
        {"RPT_INDUSTRY", "(unknown code 7)", "(unknown code 7)"},
        {"RPT_SERVER", "1 - Vastor", "Vastor"},
        {"RPT_SERVER", "2 - Open", "Open"},
        {"RPT_SERVER", "(not answered: Open assumed)", "(not answered: Open assumed)"},
        {"RPT_ANSWERS", "1", "Required"},  // continuous operation, as entered
        {"RPT_ANSWERS", "0", "Not required"},
        {"RPT_ANSWERS", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown);
        office.FillReportSheet();
        const QString range = QString::fromLatin1(c.range);
        wb::ShownCell& cell =
            range == u"RPT_ANSWERS" ? office.shown[range][6][1] : office.shown[range][0][0];
        cell.text = QString::fromUtf8(c.shown);
        book->ClearLog();
        EXPECT_EQ(Make(), 0);
        const QString printed = QString::fromUtf8(c.printed);
        if (range == u"RPT_INDUSTRY") {
            EXPECT_TRUE(Log().contains(QStringLiteral("Bookmark Industry = ") + printed));
            EXPECT_TRUE(Log().contains(QStringLiteral("Table Profile 0,1 = Acme Storage;") +
                                       printed + QStringLiteral(";ERP;Open")));
        } else if (range == u"RPT_SERVER") {
            EXPECT_TRUE(Log().contains(
                QStringLiteral("Table Profile 0,1 = Acme Storage;Finance;ERP;") + printed));
        } else {
            const QStringList answers = book->Entries(QStringLiteral("Table Answers 1,0 = "));
            ASSERT_EQ(answers.size(), 1);
            EXPECT_TRUE(answers[0].contains(QStringLiteral(";Continuous operation|") + printed +
                                            QStringLiteral("|Required|Not required;")))
                << answers[0].toStdString();
        }
    }

    // A code no list has: the record's own text where the report is of a saved record.
    entry::Entry stored = TypicalEntry();
    stored[entry::kContinuousOperation] = QStringLiteral("5 - Maybe");
    const auto shown = [](const char* text) {
        return wb::ShownCell{QString::fromLatin1(text), std::nullopt, false};
    };
    ReportData data;
    data.answers = {
        {shown("Continuous operation (1 = required)"), shown("5"), shown("7"), shown("5")}};
    book->ClearLog();
    const auto doc = office.NewFromTemplate(QString(), true);
    FillReport(*doc, data, QDate(2026, 12, 8), &stored);
    EXPECT_TRUE(book->log.contains(
        QStringLiteral("Table Answers 1,0 = Continuous operation|5 - Maybe|7|5 - Maybe")))
        << book->log.join(u'\n').toStdString();
}

// A record's report is named by its key and the company as far as a file name can hold it, and
// only "all" or whole keys name records.
TEST(RecordReports, FileNamesAreSafeAndOnlyKeysOrAllSelectRecords) {
    const QString folder = QStringLiteral("/reports");
    const QString longName(100, QChar(u'\u00e9'));
    const std::pair<QString, QString> names[] = {
        {QStringLiteral("Kestrel Tools KG"), QStringLiteral("/reports/3 Kestrel Tools KG.pdf")},
        {QStringLiteral("a/b\\c:d*e?f\"g<h>i|j\tk"),
         QStringLiteral("/reports/3 a_b_c_d_e_f_g_h_i_j_k.pdf")},
        {QStringLiteral("  ../.. .. "), QStringLiteral("/reports/3 .._.pdf")},
        {QStringLiteral(" . "), QStringLiteral("/reports/3.pdf")},
        {QStringLiteral("Acme\u202Efdp.exe"), QStringLiteral("/reports/3 Acme_fdp.exe.pdf")},
        {longName, QStringLiteral("/reports/3 ") + longName.left(72) + QStringLiteral(".pdf")},
    };
    for (const auto& [company, path] : names) {
        EXPECT_EQ(RecordPdfPath(folder, 3, company), path);
    }
    EXPECT_TRUE(ParseRecordSelection(QStringLiteral("all"))->all);
    EXPECT_EQ(ParseRecordSelection(QStringLiteral("7,2,7"))->keys,
              (std::vector<std::int64_t>{7, 2}));
    for (const char* bad : {"", "ALL", "1,,2", "0", "-1", "+1", " 1", "1.0", "x"}) {
        EXPECT_FALSE(ParseRecordSelection(QString::fromLatin1(bad))) << bad;
    }
}

// What the report program refuses, in one line before its usage, and what it takes.
TEST(RecordReports, TheCommandLineSaysWhatIsWrongInOneLineAndTakesTheRest) {
    const std::pair<QStringList, QString> refused[] = {
        {{"--records", "x", "--pdf-dir", "/r"}, "--records: 'x' is not a record key"},
        {{"--records", "3,0", "--pdf-dir", "/r"}, "--records: '0' is not a record key"},
        {{"--records", "all"}, "--records needs --pdf-dir"},
        {{"--pdf-dir", "/r"}, "--pdf-dir needs --records"},
        {{"--jobs", "2"}, "--jobs needs --records"},
        {{"--records", "all", "--pdf-dir", "/r", "--jobs", "0"},
         "--jobs: '0' is not a number of offices from 1 to 32"},
        {{"--records", "all", "--pdf-dir", "/r", "--jobs=2x"},
         "--jobs: '2x' is not a number of offices from 1 to 32"},
        {{"--records", "all", "--pdf-dir", "-"}, "--pdf-dir: '-' is not a folder"},
        {{"--pdf", ""}, "--pdf: '' names no file"},
        {{"--pdf", "a.pdf", "--list-records"}, "--pdf goes alone"},
        {{"--list-records", "--jobs", "2"}, "--list-records goes alone"},
        {{"--records", "1", "--records", "2", "--pdf-dir", "/r"}, "--records is given twice"},
        {{"report.pdf"}, "'report.pdf' is no option of dravik-toc-report"},
        {{"--pdf"}, "Missing value after '--pdf'."},
    };
    for (const auto& [args, what] : refused) {
        SCOPED_TRACE(args.join(u' ').toStdString());
        CommandLine line(ReportUsage(), args);
        EXPECT_FALSE(ParseReportCommand(line, QStringLiteral("/work")));
        EXPECT_EQ(line.Ended(), 2);
        const QStringList said = line.Said().split(u'\n');
        EXPECT_EQ(said[0], QStringLiteral("dravik-toc-report: ") + what);
        EXPECT_EQ(said[1],
                  QStringLiteral("usage: dravik-toc-report [--pdf FILE | --list-records |"));
    }

    CommandLine records(ReportUsage(), {"--pdf-dir", "out", "--records", "3,7", "--jobs", "3"});
    const std::optional<ReportCommand> taken = ParseReportCommand(records, QStringLiteral("/work"));
    ASSERT_TRUE(taken);
    EXPECT_EQ(taken->kind, ReportCommand::Records);
    EXPECT_EQ(taken->records.pdfFolder, QStringLiteral("/work/out"));
    EXPECT_EQ(taken->records.records.keys, (std::vector<std::int64_t>{3, 7}));
    EXPECT_EQ(taken->records.jobs, 3);
    CommandLine cores(ReportUsage(), {"--records", "all", "--pdf-dir", "r"});
    EXPECT_EQ(ParseReportCommand(cores, QStringLiteral("/work"))->records.jobs, DefaultJobs());
    EXPECT_TRUE(DefaultJobs() >= 1 && DefaultJobs() <= 4);

    // Every option has its line in the help, which the manual page is made from.
    CommandLine help(ReportUsage(), {"--help"});
    EXPECT_FALSE(ParseReportCommand(help, QStringLiteral("/work")));
    EXPECT_EQ(help.Ended(), 0);
    for (const char* option :
         {"\n  -h, --help ", "\n      --version ", "\n      --pdf FILE ", "\n      --list-records ",
          "\n      --records all|KEY[,KEY...] ", "\n      --pdf-dir DIR ", "\n      --jobs N "}) {
        EXPECT_TRUE(help.Said().contains(QString::fromLatin1(option))) << option;
    }
}

// A PDF never writes through a link at its name: the link is replaced, what it led to is left as
// it was; the file takes the user's umask. In a folder others may write to, another user's link
// is no name to write to.
TEST(PdfTarget, ALinkAtTheNameIsReplacedNeverFollowed) {
    QTemporaryDir folder;
    QTemporaryDir program;
    const QString theirs = folder.filePath(QStringLiteral("theirs.txt"));
    QFile(theirs).open(QIODevice::WriteOnly);
    const QString pdf = folder.filePath(QStringLiteral("1 Acme.pdf"));
    ASSERT_TRUE(QFile::link(theirs, pdf));
    EXPECT_EQ(RefusedPdfTarget(pdf, program.path()), QString());
    const mode_t before = ::umask(027);
    EXPECT_EQ(WritePdf(pdf, "%PDF-1.7"), QString());
    ::umask(before);
    EXPECT_FALSE(QFileInfo(pdf).isSymLink());
    EXPECT_EQ(QFileInfo(theirs).size(), 0);
    struct stat made {};
    ASSERT_EQ(::stat(QFile::encodeName(pdf).constData(), &made), 0);
    EXPECT_EQ(made.st_mode & 0777, 0640u);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Hidden | QDir::Files).size(), 2);

    // A link that leads into the program's folder is refused as the folder itself is.
    ASSERT_TRUE(QFile::link(program.filePath(QStringLiteral("dravik.mdb")),
                            folder.filePath(QStringLiteral("db.pdf"))));
    EXPECT_TRUE(RefusedPdfTarget(folder.filePath(QStringLiteral("db.pdf")), program.path())
                    .contains(QStringLiteral("program folder")));

    if (::geteuid() != 0) {
        GTEST_SKIP() << "another user's link needs root";
    }
    // As nobody, in a sticky folder, under a name whose link belongs to another user.
    ASSERT_EQ(::chmod(QFile::encodeName(folder.path()).constData(), 01777), 0);
    const QString planted = folder.filePath(QStringLiteral("2 Birch.pdf"));
    ASSERT_TRUE(QFile::link(theirs, planted));
    ASSERT_EQ(::lchown(QFile::encodeName(planted).constData(), 65533, 65533), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        const bool refused = ::setgid(65534) == 0 && ::setuid(65534) == 0 &&
                             WritePdf(planted, "%PDF-1.7").contains("another user");
        std::_Exit(refused ? 0 : 1);
    }
    int status = -1;
    ::waitpid(child, &status, 0);
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(QFileInfo(planted).isSymLink());
    EXPECT_EQ(QFileInfo(theirs).size(), 0);
}

// The button may copy while the report reads: the report reads again, and says so when the
// copying goes on.
TEST_F(ReportTest, ACopyMadeWhileReadingIsReadAgainAndOneThatGoesOnIsSaid) {
    const auto copyAfter = [this](int copies) {
        office.whileReading = [this, copies](const QString& name) mutable {
            if (name == QStringLiteral("RPT_CUSTOMER") && copies-- > 0) {
                office.shown[QStringLiteral("RPT_COPIED")][0][0].number =
                    *office.shown[QStringLiteral("RPT_COPIED")][0][0].number + 1e-8;
                office.shown[QStringLiteral("RPT_CUSTOMER")][0][0].text =
                    QStringLiteral("Copy %1").arg(copies);
            }
        };
    };
    const QString pdf = out.filePath(QStringLiteral("report.pdf"));
    copyAfter(3);
    EXPECT_EQ(Make(pdf), 0);
    EXPECT_EQ(book->Entries(QStringLiteral("ShownRange RPT_COPIED")).size(), 8);
    EXPECT_TRUE(
        Log().contains(QStringLiteral("Title = Total Cost of Ownership Report for Copy 0")));
    QFile written(pdf);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), office.pdf);

    book->ClearLog();
    copyAfter(4);
    msg.Expect(QStringLiteral("The Report worksheet was copied again while the report read it.\r\r"
                              "Please wait until the copying has ended, then open the report "
                              "again"),
               kStyleExclamation, kTitle);
    EXPECT_EQ(Make(pdf), 1);
    EXPECT_TRUE(msg.AllShown());
    EXPECT_TRUE(book->Entries(QStringLiteral("NewFromTemplate")).isEmpty());
}

// Texts as the document can show them, and no figure printed blank.
TEST_F(ReportTest, ControlCharactersBecomeSpacesAndABlankNameIsNotAnswered) {
    for (const auto& [name, printed] :
         {std::pair{QStringLiteral("Alpha\u0001Co\tLtd\u2028"), QStringLiteral("Alpha Co Ltd ")},
          std::pair{QStringLiteral(" \u0001 "), QStringLiteral("(not answered)")}}) {
        book->ClearLog();
        office.shown[QStringLiteral("RPT_CUSTOMER")] = {{wb::ShownCell{name, {}}}};
        EXPECT_EQ(Make(), 0);
        EXPECT_TRUE(Log().contains(QStringLiteral("Bookmark Customer = ") + printed));
        EXPECT_TRUE(Log().contains(QStringLiteral("Table Profile 0,1 = ") + printed +
                                   QStringLiteral(";Finance;ERP;Open")));
    }
}

TEST_F(ReportTest, AnErrorValueOrADamagedReportSheetIsSaidAndMakesNothing) {
    const QString fix = QStringLiteral("\r\rThe workbook ") + WorkbookFileName() +
                        QStringLiteral(" in ") + QDir::toNativeSeparators(folder.path()) +
                        QStringLiteral(" has it");
    const QString answers = QStringLiteral(
        ".\r\rPlease check the answers, press the 'Copy Summary Data to Report Worksheet' "
        "button again, then open the report again");
    struct Case {
        std::function<void()> damage;
        QString text;
    };
    const Case cases[] = {
        {[&] {
             office.shown[QStringLiteral("RPT_TOTAL")][0][0] = {QStringLiteral("#NUM!"), {}, true};
         },
         QStringLiteral("The TOC Overview shows an error for Total cost of ownership, 3 years") +
             answers},
        {[&] {
             for (int year : {1, 2}) {
                 office.shown[QStringLiteral("RPT_CAPACITY")][year][2] = {QStringLiteral("Err:502"),
                                                                          {}};
             }
         },
         QStringLiteral(
             "The TOC Overview shows an error for Year 1 (Raw incl. copies) and 1 more") +
             answers},
        {[&] { office.shown.erase(QStringLiteral("RPT_COSTS")); },
         QStringLiteral("The Report worksheet is damaged: its name RPT_COSTS is missing.") + fix},
        {[&] { office.shown.clear(); }, QStringLiteral("The Report worksheet is missing.") + fix},
        {[&] { office.sheetOf[QStringLiteral("RPT_TOTAL")] = QStringLiteral("Inputs"); },
         QStringLiteral("The Report worksheet is damaged: RPT_TOTAL is not on the sheet of "
                        "RPT_COPIED.") +
             fix},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        office.shown.clear();
        office.sheetOf.clear();
        office.FillReportSheet();
        c.damage();
        book->ClearLog();
        ScriptedMessageBoxes boxes;
        boxes.Expect(c.text, kStyleExclamation, kTitle);
        EXPECT_EQ(MakeTocReport(office, boxes, clock,
                                {folder.path(), out.filePath(QStringLiteral("r.pdf"))}),
                  1);
        EXPECT_TRUE(boxes.AllShown());
        EXPECT_TRUE(book->Entries(QStringLiteral("NewFromTemplate")).isEmpty());
        EXPECT_FALSE(QFileInfo::exists(out.filePath(QStringLiteral("r.pdf"))));
    }
}

// The answers come as many as the workbook reports, one row each, four columns.
TEST_F(ReportTest, TheAnswersTakeTheRowsTheWorkbookHas) {
    wb::ShownTable& answers = office.shown[QStringLiteral("RPT_ANSWERS")];
    answers.push_back({{QStringLiteral("Tenth"), {}}, {}, {}, {}});
    EXPECT_EQ(Make(), 0);
    const QStringList table = book->Entries(QStringLiteral("Table Answers 1,0 = "));
    ASSERT_EQ(table.size(), 1);
    EXPECT_EQ(table[0].count(u';'), 8);
    EXPECT_TRUE(table[0].endsWith(QStringLiteral(";Tenth|||")));

    answers.back().pop_back();
    msg.Expect(QStringLiteral("You are using a wrong version of the Dravik worksheet, please "
                              "reinstall Dravik"),
               kStyleCritical, kTitle);
    EXPECT_NE(Make(), 0);
}

TEST_F(ReportTest, AnEmptyReportSheetNamesTheButtonAndOpensNothing) {
    office.shown[QStringLiteral("RPT_COPIED")] = {{wb::ShownCell{}}};
    msg.Expect(QStringLiteral("The Report worksheet is empty.\r\rPlease go on the TOC Overview "
                              "sheet and press the 'Copy Summary Data to Report Worksheet' "
                              "button, then open the report again"),
               kStyleExclamation, kTitle);
    EXPECT_NE(Make(), 0);
    EXPECT_TRUE(msg.AllShown());
    EXPECT_TRUE(book->Entries(QStringLiteral("NewFromTemplate")).isEmpty());
    EXPECT_TRUE(Log().contains(QStringLiteral("TurnTo TOC Overview")));
}

TEST_F(ReportTest, EachFailureIsOneMessageAndLeavesNothingOpen) {
    const QString pdf = out.filePath(QStringLiteral("report.pdf"));
    struct Case {
        const char* failAt;
        int number;
        QString text;
        bool documentMade;
    };
    const Case cases[] = {
        {"TakeWorkbook", wb::kErrNoApplication, kNoOffice, false},
        // An office that ends as the report starts has been there: it closed.
        {"TakeWorkbook", wb::kErrOfficeGone,
         QStringLiteral("Corla Tabb application has been closed, please start the report again"),
         false},
        {"Chart CostChart", wb::kErrNoAnswer,
         QStringLiteral("Corla Tabb did not answer within 60 s.\r\rPlease check Corla Tabb, then "
                        "start the report again"),
         true},
        {"TakeWorkbook", wb::kErrFileNotFound,
         WorkbookFileName() + QStringLiteral(" not found!\r\rOpen it in Corla Tabb or put it in ") +
             QDir::toNativeSeparators(folder.path()),
         false},
        {"ShownRange RPT_COSTS", wb::kErrUndefinedName, kWrongVersion, false},
        {"Chart CapacityChart", wb::kErrOfficeGone,
         QStringLiteral("Corla Tabb application has been closed, please start the report again"),
         true},
        {"ExportPdf", wb::kErrCannotWrite,
         QStringLiteral("The report cannot be written to ") + QDir::toNativeSeparators(pdf) +
             QStringLiteral("\r\rPlease choose a file in a folder you can write to"),
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.failAt);
        book->ClearLog();
        book->failures.clear();
        book->FailOn(QString::fromLatin1(c.failAt), c.number);
        ScriptedMessageBoxes boxes;
        boxes.Expect(c.text, kStyleCritical, kTitle);
        EXPECT_NE(MakeTocReport(office, boxes, clock, {folder.path(), pdf}), 0);
        EXPECT_TRUE(boxes.AllShown());
        EXPECT_EQ(Log().contains(QStringLiteral("Close")), c.documentMade);
        EXPECT_EQ(Log().last(), "Release");
        EXPECT_FALSE(QFileInfo::exists(pdf));
    }
    // A folder that is not there is said before anything is opened.
    {
        book->ClearLog();
        book->failures.clear();
        const QString nowhere = out.filePath(QStringLiteral("no such folder/report.pdf"));
        ScriptedMessageBoxes boxes;
        boxes.Expect(QStringLiteral("The report cannot be written to ") +
                         QDir::toNativeSeparators(nowhere) +
                         QStringLiteral("\r\rPlease choose a file in a folder you can write to"),
                     kStyleCritical, kTitle);
        EXPECT_NE(MakeTocReport(office, boxes, clock, {folder.path(), nowhere}), 0);
        EXPECT_TRUE(boxes.AllShown());
        EXPECT_TRUE(book->Entries(QStringLiteral("TakeWorkbook")).isEmpty());
    }
    // A wrong version shows as one too: a range of another size.
    book->ClearLog();
    book->failures.clear();
    office.shown[QStringLiteral("RPT_CAPACITY")].pop_back();
    ScriptedMessageBoxes boxes;
    boxes.Expect(kWrongVersion, kStyleCritical, kTitle);
    EXPECT_NE(MakeTocReport(office, boxes, clock, {folder.path(), pdf}), 0);
    EXPECT_TRUE(boxes.AllShown());
}

// The office's backend is loaded when first needed; without it, or without the office's libraries
// it needs, the report says the office is missing instead of not starting at all.
TEST_F(ReportTest, AnOfficeModuleThatCannotBeLoadedIsAMissingOffice) {
    for (const QString& path : {folder.filePath(QStringLiteral("missing.so")),
                                QStringLiteral("libm.so.6")}) {  // a library without the entry
        SCOPED_TRACE(path.toStdString());
        ModuleReportOffice module(path, true);
        ScriptedMessageBoxes boxes;
        boxes.Expect(kNoOffice, kStyleCritical, kTitle);
        EXPECT_NE(MakeTocReport(module, boxes, clock,
                                {folder.path(), out.filePath(QStringLiteral("report.pdf"))}),
                  0);
        EXPECT_TRUE(boxes.AllShown());
    }
}

}  // namespace
