// The TOC report against a real headless office and the workbook built with the program: the PDF
// after the typical entry, a Report sheet that was never filled, and the built program under
// stress: reports at once, a stopped office, an error value, targets it must not write.

#include "CalcApp.h"
#include "Entries.h"
#include "TestApp.h"
#include "TestPlatform.h"
#include "app/frm00Splash.h"
#include "pages/frm01.h"
#include "pages/frm02.h"
#include "records/Details.h"
#include "records/SaveData.h"
#include "report/TocReport.h"
#include "shell/AppIdentity.h"
#include "shell/Pages.h"
#include "workbook/ModuleSystem.h"
#include "workbook/WorkbookConnection.h"
#include "workbook/calc/CalcBackend.h"
#include "workbook/calc/CalcReport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>

namespace {

// The built workbook and the report template side by side, as in the program's folder.
QString ReportFolder(const QString& name) {
    const QString folder = ProgramFolderWithWorkbook(name);
    const QString built =
        QDir(qEnvironmentVariable("DRAVIK_BIN_DIR")).filePath(kReportTemplateName);
    if (folder.isEmpty() || !QFile::copy(built, QDir(folder).filePath(kReportTemplateName))) {
        ADD_FAILURE() << "the workbook or the report template was not built";
        return {};
    }
    return folder;
}

QString PdfText(const QString& pdf) {
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    EXPECT_TRUE(pdftotext.waitForFinished(30000)) << "pdftotext (poppler-utils) did not run";
    return QString::fromUtf8(pdftotext.readAllStandardOutput());
}

TEST(ReportOnCalc, PdfAfterTheTypicalEntryHoldsTheWorkbooksFiguresAndItsCharts) {
    const QString folder = ReportFolder(QStringLiteral("typical"));
    ASSERT_FALSE(folder.isEmpty());
    const QString workbook = QDir(folder).filePath(WorkbookFileName());
    CalcOffice& office = SharedOffice();

    // The typical entry through both pages, then the overview's button.
    RealApp app(folder);
    app.pages->StartUp();
    app.pages->frm00Splash().cmdContinue_Click();
    frm01& page1 = app.pages->frm01();
    entry::Entry answers = TypicalAnswers();
    answers[entry::kCompany] = QStringLiteral("Müller & Söhne Logistik");
    page1.ShowEntry(answers);
    page1.cmdNext_Click();
    ASSERT_TRUE(page1.TuttoOK);
    frm02& page2 = app.pages->frm02();
    page2.ShowEntry(answers);
    page2.cmdApply_Click();
    ASSERT_TRUE(page2.TuttoOK);
    office.CopyOverviewToReport(workbook);

    const QString customer = office.ShownText(workbook, QStringLiteral("TOC Overview.B4"));
    const QString industry = office.ShownText(workbook, QStringLiteral("TOC Overview.B5"));
    const QString total = office.ShownText(workbook, QStringLiteral("TOC Overview.D37"));
    ASSERT_EQ(customer, QStringLiteral("Müller & Söhne Logistik"));
    ASSERT_TRUE(total.startsWith(u'$')) << total.toStdString();  // the shown text, not the value

    const int documentsBefore = office.DocumentCount();
    const std::unique_ptr<wb::ReportOffice> reportOffice = MakeCalcReportOffice(office.Options());
    ScriptedMessageBoxes msg;
    const FixedClock clock(QDateTime(QDate(2026, 12, 8), QTime(15, 0)));
    const QTemporaryDir out;  // not the program's folder, where no report is written
    const QString pdf = out.filePath(QStringLiteral("TOC report.pdf"));
    EXPECT_EQ(MakeTocReport(*reportOffice, msg, clock, {folder, pdf}), 0);
    EXPECT_TRUE(msg.shown.empty());
    // The hidden report is closed again; the user's workbook stays open.
    EXPECT_EQ(office.DocumentCount(), documentsBefore);
    EXPECT_FALSE(office.ShownText(workbook, QStringLiteral("RPT_COPIED")).isEmpty());

    const QString text = PdfText(pdf);
    EXPECT_TRUE(text.contains(customer)) << text.toStdString();
    // The industry in the customer's words, not as its code.
    EXPECT_EQ(industry, QStringLiteral("1 - Finance"));
    EXPECT_TRUE(text.contains(QStringLiteral("Finance")));
    EXPECT_FALSE(text.contains(industry));
    EXPECT_TRUE(text.contains(total)) << total.toStdString();
    // Charts are drawn as vector graphics with their titles as text: the titles are there only
    // when the charts were drawn.
    EXPECT_TRUE(text.contains(QStringLiteral("Capacity by year (GB)")));
    EXPECT_TRUE(text.contains(QStringLiteral("Three-year cost by item (USD)")));
}

TEST(ReportOnCalc, AnEmptyReportSheetIsSaidAndOpensNothing) {
    const QString folder = ReportFolder(QStringLiteral("empty"));
    ASSERT_FALSE(folder.isEmpty());
    CalcOffice& office = SharedOffice();
    const int documentsBefore = office.DocumentCount();

    const std::unique_ptr<wb::ReportOffice> reportOffice = MakeCalcReportOffice(office.Options());
    ScriptedMessageBoxes msg;
    msg.Expect(QStringLiteral("The Report worksheet is empty.\r\rPlease go on the TOC Overview "
                              "sheet and press the 'Copy Summary Data to Report Worksheet' "
                              "button, then open the report again"),
               kStyleExclamation, kTitle);
    const FixedClock clock(QDateTime(QDate(2026, 12, 8), QTime(15, 0)));
    const QTemporaryDir out;
    const QString pdf = out.filePath(QStringLiteral("report.pdf"));
    EXPECT_NE(MakeTocReport(*reportOffice, msg, clock, {folder, pdf}), 0);
    EXPECT_TRUE(msg.AllShown());
    EXPECT_FALSE(QFileInfo::exists(pdf));
    // The workbook read hidden for it is closed again, and no report was made.
    EXPECT_EQ(office.DocumentCount(), documentsBefore);
}

// The installed program itself, as a batch job would run it: it loads the office module, starts
// an office of its own for a user of its own, finds the built workbook's Report never filled, says
// so in one line, and ends the office it started.
TEST(ReportOnCalc, TheProgramInBatchSaysAnEmptyReportInOneLineAndEndsItsOffice) {
    const QString bin = qEnvironmentVariable("DRAVIK_BIN_DIR");
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const QString user = QStringLiteral("dravikreport%1").arg(QCoreApplication::applicationPid());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("USER"), user);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.path());
    env.remove(QStringLiteral("DISPLAY"));
    QProcess report;
    report.setProcessEnvironment(env);
    const QString pdf = home.filePath(QStringLiteral("report.pdf"));
    report.start(QDir(bin).filePath(QStringLiteral("dravik-toc-report")),
                 {QStringLiteral("--pdf"), pdf});
    ASSERT_TRUE(report.waitForFinished(120000));
    const QStringList lines = QString::fromLocal8Bit(report.readAllStandardError())
                                  .split(u'\n', Qt::SkipEmptyParts)
                                  .filter(QStringLiteral("dravik-toc-report:"));
    EXPECT_NE(report.exitCode(), 0);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines.front().contains(QStringLiteral("Copy Summary Data to Report Worksheet")))
        << lines.front().toStdString();
    EXPECT_FALSE(QFileInfo::exists(pdf));
    EXPECT_FALSE(OfficeAnswers(UsersOfficePipe(home.path(), user)));
}

// The built program as a user's script runs it, in a program folder of its own (the programs, the
// module, the template and a workbook), on the office of a user of its own.
struct ReportProgram {
    QString folder = ReportFolder(QStringLiteral("stress"));
    QString user = QStringLiteral("dravikstress%1").arg(QCoreApplication::applicationPid());
    QTemporaryDir home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();

    ReportProgram() {
        const QDir bin(qEnvironmentVariable("DRAVIK_BIN_DIR"));
        for (const QString& file : {QStringLiteral("dravik-toc-report"), kCalcModuleFileName}) {
            EXPECT_TRUE(QFile::copy(bin.filePath(file), QDir(folder).filePath(file)));
        }
        env.insert(QStringLiteral("HOME"), home.path());
        env.insert(QStringLiteral("USER"), user);
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.path());  // its lock file goes there
        env.remove(QStringLiteral("DISPLAY"));
        // The pool's offices have their profiles there.
        EXPECT_TRUE(QDir(home.path()).mkpath(QStringLiteral("tmp")));
        env.insert(QStringLiteral("TMPDIR"), home.filePath(QStringLiteral("tmp")));
    }
    QString Workbook() const { return QDir(folder).filePath(WorkbookFileName()); }

    QProcess* Start(const QString& pdf, int timeLimit = 0) {
        return Start({QStringLiteral("--pdf"), pdf}, timeLimit);
    }
    QProcess* Start(const QStringList& args, int timeLimit = 0) {
        auto* report = new QProcess;
        QProcessEnvironment own = env;
        if (timeLimit > 0) {
            own.insert(QStringLiteral("DRAVIK_REPORT_TIME_LIMIT"), QString::number(timeLimit));
        }
        report->setProcessEnvironment(own);
        report->start(QDir(folder).filePath(QStringLiteral("dravik-toc-report")), args);
        return report;
    }
    // The exit status and the lines on standard error, or on standard output.
    std::pair<int, QStringList> Finish(QProcess* report, bool output = false) {
        const std::unique_ptr<QProcess> owned(report);
        EXPECT_TRUE(report->waitForFinished(120000));
        return {report->exitCode(), QString::fromLocal8Bit(output ? report->readAllStandardOutput()
                                                                  : report->readAllStandardError())
                                        .split(u'\n', Qt::SkipEmptyParts)};
    }
};

// The processes of the batch's offices: those started with a profile in the program's TMPDIR.
std::vector<pid_t> PoolOffices(const ReportProgram& program) {
    const QByteArray profiles = program.home.filePath(QStringLiteral("tmp")).toUtf8();
    std::vector<pid_t> found;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile command(QStringLiteral("/proc/%1/cmdline").arg(entry));
        if (entry.toInt() > 0 && command.open(QIODevice::ReadOnly)) {
            const QByteArray args = command.readAll();
            if (args.contains("soffice.bin") && args.contains(profiles)) {
                found.push_back(entry.toInt());
            }
        }
    }
    return found;
}

// The pages of a PDF as pictures at 50 dpi.
std::vector<QImage> Pages(const QString& pdf, const QString& folder) {
    const QString stem = QDir(folder).filePath(QFileInfo(pdf).completeBaseName());
    EXPECT_EQ(
        QProcess::execute(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("50"),
                                                       QStringLiteral("-png"), pdf, stem}),
        0);
    std::vector<QImage> pages;
    for (const QString& page : QDir(folder).entryList(
             {QFileInfo(stem).fileName() + QStringLiteral("-*.png")}, QDir::Files, QDir::Name)) {
        pages.emplace_back(QDir(folder).filePath(page));
    }
    return pages;
}

bool IsPdf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(5) == "%PDF-";
}

TEST(ReportOnCalc, ReportsAtOnceTakeTurnsAStoppedOfficeIsGivenUpAndErrorsAreSaid) {
    ReportProgram program;
    ASSERT_FALSE(program.folder.isEmpty());
    CalcOffice office(QString(), UsersOfficePipe(program.home.path(), program.user));
    // The workbook open in the user's office, its Report filled.
    const std::unique_ptr<wb::ReportOffice> opener = MakeCalcReportOffice(office.Options());
    const std::shared_ptr<wb::ShownWorkbook> open = opener->TakeWorkbook(program.Workbook(), false);
    office.CopyOverviewToReport(program.Workbook());

    // Two at once, ten times over: an office that made two at once could freeze for good.
    for (int pair = 0; pair < 10; ++pair) {
        const QString a = program.home.filePath(QStringLiteral("A%1.pdf").arg(pair));
        const QString b = program.home.filePath(QStringLiteral("B%1.pdf").arg(pair));
        QProcess* first = program.Start(a);
        QProcess* second = program.Start(b);
        EXPECT_EQ(program.Finish(first), std::make_pair(0, QStringList()));
        EXPECT_EQ(program.Finish(second), std::make_pair(0, QStringList()));
        EXPECT_TRUE(IsPdf(a) && IsPdf(b)) << pair;
    }
    EXPECT_TRUE(OfficeAnswers(office.Options().pipeName));

    // A frozen office is given up after the time limit, with one line and no file.
    const QString frozen = program.home.filePath(QStringLiteral("frozen.pdf"));
    office.Pause(true);
    const auto [status, lines] = program.Finish(program.Start(frozen, 2));
    office.Pause(false);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(lines, QStringList(QStringLiteral(
                         "dravik-toc-report: Corla Tabb did not answer within 2 s. Please check "
                         "Corla Tabb, then start the report again.")));
    EXPECT_FALSE(QFileInfo::exists(frozen));
    EXPECT_TRUE(OfficeAnswers(office.Options().pipeName));

    // A figure the workbook could not compute is said, not printed blank.
    office.Enter(program.Workbook(), QStringLiteral("RPT_TOTAL"), QStringLiteral("=1/0"));
    const QString errorPdf = program.home.filePath(QStringLiteral("error.pdf"));
    const auto [errorStatus, errorLines] = program.Finish(program.Start(errorPdf));
    EXPECT_EQ(errorStatus, 1);
    ASSERT_EQ(errorLines.size(), 1);
    EXPECT_TRUE(errorLines[0].contains(
        QStringLiteral("shows an error for Total cost of ownership, 3 years")))
        << errorLines[0].toStdString();
    EXPECT_FALSE(QFileInfo::exists(errorPdf));
}

// Reports of saved records, as a consultant makes them after a new price list: the records
// listed, then each one through a hidden copy of the workbook, while the user has the workbook
// open in the same office, and leaves it as it was.
TEST(ReportOnCalc, ReportsOfSavedRecordsHoldTheirOwnFiguresAndLeaveTheOpenWorkbookAlone) {
    ReportProgram program;
    ASSERT_FALSE(program.folder.isEmpty());
    const QDir folder(program.folder);
    ASSERT_TRUE(QFile::copy(
        QDir(qEnvironmentVariable("DRAVIK_BIN_DIR")).filePath(DRAVIK_REPORT_EXTENSION_FILE_NAME),
        folder.filePath(DRAVIK_REPORT_EXTENSION_FILE_NAME)));
    const QString database = DatabasePath(program.folder);
    CreateDetailsDatabase(database);
    const QStringList list{QStringLiteral("--list-records")};
    EXPECT_EQ(program.Finish(program.Start(list), true), std::make_pair(0, QStringList()));

    entry::Entry kestrel = TypicalEntry(QStringLiteral("Kestrel Tools KG"));
    entry::Entry birch = TypicalEntry(QStringLiteral("Birch/Elm: Ltd"));
    birch[entry::kIndustry] = QStringLiteral("2 - Manufacturing");
    birch[entry::kInstalledCapacity] = QStringLiteral("4000");
    birch[entry::kServerType] = QStringLiteral("2 - Open");
    birch[entry::kOutageCosts] = QStringLiteral("60000");
    AppendDetailsRecord(database, kestrel);
    AppendDetailsRecord(database, birch);
    EXPECT_EQ(program.Finish(program.Start(list), true),
              std::make_pair(0, QStringList{QStringLiteral("1\tKestrel Tools KG\t1 - Finance\t"
                                                           "2026-01-02 09:08:07"),
                                            QStringLiteral("2\tBirch/Elm: Ltd\t2 - Manufacturing\t"
                                                           "2026-01-02 09:08:07")}));

    // What the workbook computes for each entry, in a copy of its own.
    CalcOffice office(QString(), UsersOfficePipe(program.home.path(), program.user));
    const QString total = QStringLiteral("TOC Overview.D37");
    const LocaleNumberFormat numbers(QLocale(QLocale::English, QLocale::UnitedStates));
    const auto computed = [&](const entry::Entry& answers) {
        const QString path = office.TempDir() + QStringLiteral("/computed.ods");
        QFile::remove(path);
        EXPECT_TRUE(QFile::copy(program.Workbook(), path));
        const std::shared_ptr<wb::Document> doc = office.OpenHidden(path);
        entry::GeneralResult general;
        entry::WriteGeneral(answers, *doc, numbers, false, general);
        entry::WriteOutResult technical;
        entry::WriteTechnical(answers, *doc, numbers, technical);
        const QString shown = office.ShownText(path, total);
        office.CloseDocument(path);
        return shown;
    };
    const QStringList totals{computed(kestrel), computed(birch)};
    ASSERT_NE(totals[0], totals[1]);

    // The user's workbook open, with answers of its own.
    const std::unique_ptr<wb::ReportOffice> opener = MakeCalcReportOffice(office.Options());
    const std::shared_ptr<wb::ShownWorkbook> open = opener->TakeWorkbook(program.Workbook(), false);
    office.Enter(program.Workbook(), QStringLiteral("DLQ0"), QStringLiteral("Open Customer"));
    const auto state = [&] {
        return QStringList{office.ShownText(program.Workbook(), QStringLiteral("DLQ0")),
                           office.ShownText(program.Workbook(), QStringLiteral("DLQ3")),
                           office.ShownText(program.Workbook(), total),
                           office.ShownText(program.Workbook(), QStringLiteral("RPT_COPIED")),
                           office.ActiveSheet(program.Workbook())};
    };
    const QStringList before = state();
    const int documents = office.DocumentCount();

    const QDir out(program.home.filePath(QStringLiteral("reports")));
    ASSERT_TRUE(out.mkpath(QStringLiteral(".")));
    const auto [status, lines] =
        program.Finish(program.Start({QStringLiteral("--records"), QStringLiteral("all"),
                                      QStringLiteral("--pdf-dir"), out.path()}),
                       true);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(lines, (QStringList{QStringLiteral("1/2 Kestrel Tools KG: written"),
                                  QStringLiteral("2/2 Birch/Elm: Ltd: written"),
                                  QStringLiteral("2 of 2 reports written to ") + out.path()}));
    const QStringList pdfs{out.filePath(QStringLiteral("1 Kestrel Tools KG.pdf")),
                           out.filePath(QStringLiteral("2 Birch_Elm_ Ltd.pdf"))};
    for (int i = 0; i < 2; ++i) {
        const QString text = PdfText(pdfs[i]);
        EXPECT_TRUE(text.contains(totals[i])) << totals[i].toStdString();
        EXPECT_FALSE(text.contains(totals[1 - i])) << totals[1 - i].toStdString();
    }
    EXPECT_TRUE(PdfText(pdfs[0]).contains(QStringLiteral("Kestrel Tools KG")));
    const QString second = PdfText(pdfs[1]);
    EXPECT_TRUE(second.contains(QStringLiteral("Birch/Elm: Ltd")));
    EXPECT_TRUE(second.contains(QStringLiteral("Manufacturing")));
    EXPECT_FALSE(second.contains(QStringLiteral("2 - Manufacturing")));
    EXPECT_EQ(state(), before);
    EXPECT_EQ(office.DocumentCount(), documents);

    // A key no record has is said, and the others are still made; arguments that do not go
    // together are refused.
    const auto [unknown, unknownLines] =
        program.Finish(program.Start({QStringLiteral("--pdf-dir"), out.path(),
                                      QStringLiteral("--records"), QStringLiteral("7,2")}),
                       true);
    EXPECT_EQ(unknown, 1);
    EXPECT_EQ(unknownLines.value(0), QStringLiteral("1/2 key 7: no saved record has this key"));
    EXPECT_EQ(unknownLines.value(1), QStringLiteral("2/2 Birch/Elm: Ltd: written"));
    EXPECT_EQ(program.Finish(program.Start({QStringLiteral("--pdf-dir"), out.path()})).first, 2);
    EXPECT_EQ(
        program.Finish(program.Start({QStringLiteral("--records"), QStringLiteral("all")})).first,
        2);

    // Ctrl+C after the first report ends the batch in order, its hidden workbook closed.
    const std::unique_ptr<QProcess> batch(
        program.Start({QStringLiteral("--records"), QStringLiteral("all"),
                       QStringLiteral("--pdf-dir"), out.path()}));
    ASSERT_TRUE(batch->waitForReadyRead(60000));
    ::kill(static_cast<pid_t>(batch->processId()), SIGINT);
    ASSERT_TRUE(batch->waitForFinished(60000));
    EXPECT_EQ(batch->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(office.DocumentCount(), documents);
}

// Reports of saved records in a pool of two offices of the batch's own, as a manager re-making
// every customer's report would run it: four records with different answers, each PDF with its
// own company and total and the same as a report made by hand, the lines in record order, and
// no office of the pool left running however the batch ends; the user's office holds nothing
// of it.
TEST(ReportOnCalc, APoolOfOfficesMakesEachRecordsReportAndLeavesNothingRunning) {
    ReportProgram program;
    ASSERT_FALSE(program.folder.isEmpty());
    const QDir bin(qEnvironmentVariable("DRAVIK_BIN_DIR"));
    ASSERT_TRUE(QFile::copy(bin.filePath(DRAVIK_REPORT_EXTENSION_FILE_NAME),
                            QDir(program.folder).filePath(DRAVIK_REPORT_EXTENSION_FILE_NAME)));
    CreateDetailsDatabase(DatabasePath(program.folder));
    std::vector<entry::Entry> records;
    for (int i = 0; i < 6; ++i) {
        entry::Entry record = TypicalEntry(QStringLiteral("Pool Customer %1").arg(i + 1));
        record[entry::kInstalledCapacity] = QString::number(700 + 900 * i);
        record[entry::kOutageCosts] = QString::number(20000 + 15000 * i);
        AppendDetailsRecord(DatabasePath(program.folder), record);
        records.push_back(record);
    }
    const QStringList batch{QStringLiteral("--records"), QStringLiteral("1,2,3,4"),
                            QStringLiteral("--pdf-dir"), program.home.filePath("reports"),
                            QStringLiteral("--jobs"),    QStringLiteral("2")};

    // The user's office, with the workbook open as the pages open it.
    CalcOffice office(QString(), UsersOfficePipe(program.home.path(), program.user));
    CalcOptions options = office.Options();
    options.extension = CalcOptions::ForUser().extension;
    options.extension.path = bin.filePath(DRAVIK_REPORT_EXTENSION_FILE_NAME);
    const std::unique_ptr<wb::System> system = MakeCalcSystem(options);
    ScriptedMessageBoxes msg;
    TestProgramEnd end;
    const WorkbookHandles open =
        OpenWorkbookConnection(*system, WorkbookFileName(), program.folder, msg, end);
    const int documents = office.DocumentCount();

    // The batch, its folder made for it.
    const auto [status, lines] = program.Finish(program.Start(batch), true);
    EXPECT_EQ(status, 0);
    ASSERT_EQ(lines.size(), 5) << lines.join(u'\n').toStdString();
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(lines[i], QStringLiteral("%1/4 Pool Customer %2: written").arg(i + 1).arg(i + 1));
    }
    EXPECT_TRUE(PoolOffices(program).empty());
    EXPECT_EQ(office.DocumentCount(), documents);

    // Each report holds its company and its total as the workbook computes it, and no other's.
    const LocaleNumberFormat numbers;
    const auto writeOut = [&](const entry::Entry& record) {
        entry::GeneralResult general;
        entry::WriteGeneral(record, *open.CTabbDoc, numbers, false, general);
        entry::WriteOutResult technical;
        entry::WriteTechnical(record, *open.CTabbDoc, numbers, technical);
    };
    QStringList totals;
    for (int i = 0; i < 4; ++i) {
        writeOut(records[i]);
        totals << office.ShownText(program.Workbook(), QStringLiteral("TOC Overview.D37"));
    }
    ASSERT_EQ(totals.removeDuplicates(), 0) << totals.join(u' ').toStdString();
    for (int i = 0; i < 4; ++i) {
        const QString text = PdfText(
            program.home.filePath(QStringLiteral("reports/%1 Pool Customer %1.pdf").arg(i + 1)));
        EXPECT_TRUE(text.contains(QStringLiteral("Pool Customer %1").arg(i + 1)));
        for (int j = 0; j < 4; ++j) {
            EXPECT_EQ(text.contains(totals[j]), i == j) << i << " " << totals[j].toStdString();
        }
    }

    // Record 4 by hand: loaded into the pages, the button pressed, the report made. Its copy
    // time shows in the report, so it is made again should the minute have turned meanwhile.
    const QString workbook = program.Workbook();
    const std::unique_ptr<wb::ReportOffice> reportOffice = MakeCalcReportOffice(office.Options());
    const QString byHand = program.home.filePath(QStringLiteral("by hand.pdf"));
    const QString batchPdf = program.home.filePath(QStringLiteral("reports/4 Pool Customer 4.pdf"));
    const auto copiedAt = [](const QString& pdf) {
        return PdfText(pdf).section(QStringLiteral("Report sheet on "), 1).section(u'.', 0, 0);
    };
    for (int attempt = 0; attempt < 2 && copiedAt(byHand) != copiedAt(batchPdf); ++attempt) {
        writeOut(records[3]);
        office.PressReportButton(workbook);
        SystemClock clock;
        ASSERT_EQ(MakeTocReport(*reportOffice, msg, clock, {program.folder, byHand}), 0);
    }
    EXPECT_EQ(PdfText(byHand), PdfText(batchPdf));
    const std::vector<QImage> handPages = Pages(byHand, program.home.path());
    const std::vector<QImage> batchPages = Pages(batchPdf, program.home.path());
    ASSERT_EQ(handPages.size(), batchPages.size());
    for (size_t page = 0; page < handPages.size(); ++page) {
        EXPECT_TRUE(handPages[page] == batchPages[page]) << "page " << page + 1;
    }

    // Ended by Ctrl+C after the first record, or killed: nothing of the pool is left running.
    for (const int signal : {SIGINT, SIGKILL}) {
        SCOPED_TRACE(signal);
        const std::unique_ptr<QProcess> running(program.Start(batch));
        ASSERT_TRUE(running->waitForReadyRead(60000));
        ::kill(static_cast<pid_t>(running->processId()), signal);
        ASSERT_TRUE(running->waitForFinished(60000));
        // Their folders go last, with them.
        const QDir profiles(program.home.filePath(QStringLiteral("tmp")));
        for (int waited = 0;
             waited < 100 && !(PoolOffices(program).empty() &&
                               profiles.isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot));
             ++waited) {
            QThread::msleep(100);
        }
        EXPECT_TRUE(PoolOffices(program).empty());
        EXPECT_EQ(profiles.entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    }

    // An office that stops costs the record it was making, after the time limit, and is started
    // afresh; the batch goes on to its summary. One office, so that the one stopped is at work.
    std::unique_ptr<QProcess> stopped(program.Start(
        {QStringLiteral("--records"), QStringLiteral("all"), QStringLiteral("--pdf-dir"),
         program.home.filePath("reports"), QStringLiteral("--jobs"), QStringLiteral("1")},
        3));
    ASSERT_TRUE(stopped->waitForReadyRead(60000));
    ASSERT_FALSE(PoolOffices(program).empty());
    ::kill(PoolOffices(program).front(), SIGSTOP);
    const auto [stoppedStatus, stoppedLines] = program.Finish(stopped.release(), true);
    EXPECT_EQ(stoppedStatus, 1);
    EXPECT_EQ(stoppedLines
                  .filter(QStringLiteral(": not written: Corla Tabb did not answer within "
                                         "3 s. Please check Corla Tabb, then start the "
                                         "report again."))
                  .size(),
              1)
        << stoppedLines.join(u'\n').toStdString();
    EXPECT_EQ(stoppedLines.value(6).toStdString(),
              ("5 of 6 reports written to " + program.home.filePath("reports")).toStdString())
        << stoppedLines.join(u'\n').toStdString();
    EXPECT_TRUE(PoolOffices(program).empty());
    EXPECT_EQ(office.DocumentCount(), documents);
}

// What the program must not write is refused in one line, before the office is reached, and
// stays as it was.
TEST(ReportOnCalc, TheProgramRefusesTargetsItMustNotWrite) {
    ReportProgram program;
    ASSERT_FALSE(program.folder.isEmpty());
    const QDir home(program.home.path());
    QFile text(home.filePath(QStringLiteral("notes.txt")));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly) && text.write("notes") == 5);
    text.close();
    QFile readOnly(home.filePath(QStringLiteral("kept.pdf")));
    ASSERT_TRUE(readOnly.open(QIODevice::WriteOnly) && readOnly.write("%PDF-1.4 kept") == 13);
    readOnly.close();
    readOnly.setPermissions(QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    for (const QString& target :
         {text.fileName(), readOnly.fileName(), home.path(), program.Workbook(),
          QDir(program.folder).filePath(kReportTemplateName),
          QDir(program.folder).filePath(QStringLiteral("new.pdf"))}) {
        SCOPED_TRACE(target.toStdString());
        QFile before(target);
        const QByteArray kept = before.open(QIODevice::ReadOnly) ? before.readAll() : QByteArray();
        const auto [status, lines] = program.Finish(program.Start(target));
        EXPECT_EQ(status, 1);
        EXPECT_EQ(lines.size(), 1);
        QFile after(target);
        EXPECT_EQ(after.open(QIODevice::ReadOnly) ? after.readAll() : QByteArray(), kept);
    }
    EXPECT_FALSE(QFileInfo::exists(QDir(program.folder).filePath(QStringLiteral("new.pdf"))));
    EXPECT_EQ(program.Finish(program.Start(QString())).first, 2);
    EXPECT_FALSE(OfficeAnswers(UsersOfficePipe(program.home.path(), program.user)));
}

}  // namespace
