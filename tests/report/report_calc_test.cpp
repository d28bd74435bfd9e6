// The TOC report against a real headless office and the workbook built with the program: the PDF
// after the typical entry, and a Report sheet that was never filled.

#include "CalcApp.h"
#include "TestPlatform.h"
#include "pages/frm01.h"
#include "pages/frm02.h"
#include "report/TocReport.h"
#include "shell/AppIdentity.h"
#include "shell/Pages.h"
#include "shell/frm00Splash.h"
#include "workbook/CalcReport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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
    page1.txtDLQ0->setText(QStringLiteral("Müller & Söhne Logistik"));
    page1.cmbDLQ1->setCurrentIndex(0);
    emit page1.cmbDLQ1->activated(0);
    page1.chkDLQ2[1]->setChecked(true);
    page1.cmdNext_Click();
    ASSERT_TRUE(page1.TuttoOK);
    frm02& page2 = app.pages->frm02();
    page2.txtDLQ3->setText(QStringLiteral("1500"));
    page2.txtDLQ8->setText(QStringLiteral("12"));
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
    const QString pdf = QDir(folder).filePath(QStringLiteral("TOC report.pdf"));
    EXPECT_EQ(MakeTocReport(*reportOffice, msg, clock, {folder, pdf}), 0);
    EXPECT_TRUE(msg.shown.empty());
    // The hidden report is closed again; the user's workbook stays open.
    EXPECT_EQ(office.DocumentCount(), documentsBefore);
    EXPECT_FALSE(office.ShownText(workbook, QStringLiteral("RPT_COPIED")).isEmpty());

    const QString text = PdfText(pdf);
    EXPECT_TRUE(text.contains(customer)) << text.toStdString();
    EXPECT_TRUE(text.contains(industry)) << industry.toStdString();
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
               kStyleExclamation, QStringLiteral("Dravik Lumo"));
    const FixedClock clock(QDateTime(QDate(2026, 12, 8), QTime(15, 0)));
    const QString pdf = QDir(folder).filePath(QStringLiteral("report.pdf"));
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
    EXPECT_FALSE(OfficeAnswers(QStringLiteral("dravik_lumo_calc_") + user));
}

}  // namespace
