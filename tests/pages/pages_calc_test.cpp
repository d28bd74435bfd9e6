// One full pass through both pages against a real headless office and the workbook built with
// the program: the typical run, then what the workbook holds.

#include "CalcApp.h"
#include "TestApp.h"
#include "TestPlatform.h"
#include "app/ProgramPages.h"
#include "app/frm00Splash.h"
#include "pages/frm01.h"
#include "pages/frm02.h"
#include "shell/AppIdentity.h"
#include "shell/Platform.h"
#include "shell/SharedValues.h"
#include "workbook/RangeExchange.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>

#include <gtest/gtest.h>

#include <memory>

namespace {

double Number(wb::Document& doc, const char* range, const NumberFormat& numbers) {
    return CellNumber(GetRangeValue(doc, QString::fromLatin1(range)), numbers);
}

TEST(PagesOnCalc, TypicalRunFillsTheWorkbookAndBringsItsDefaultsBack) {
    const QString folder = ProgramFolderWithWorkbook(QStringLiteral("program"));
    ASSERT_FALSE(folder.isEmpty()) << "the workbook was not built (target workbook)";
    const QString workbook = folder + QLatin1Char('/') + WorkbookFileName();

    RealApp app(folder);
    const NumberFormat& numbers = app.numbers;

    // The splash, then Continue: page 1 loads and opens the workbook.
    app.pages->StartUp();
    app.pages->frm00Splash().cmdContinue_Click();
    frm01& page1 = app.pages->frm01();
    ASSERT_TRUE(app.shared.CTabbDoc);
    wb::Document& doc = *app.shared.CTabbDoc;

    // Page 1: the typical answers, Next.
    entry::Entry answers = TypicalAnswers();
    answers[entry::kCompany] = QStringLiteral("Acme Storage");
    page1.ShowEntry(answers);
    page1.cmdNext_Click();
    ASSERT_TRUE(page1.TuttoOK);
    frm02& page2 = app.pages->frm02();
    ASSERT_TRUE(page2.isVisible());
    EXPECT_FALSE(app.shared.cManual);

    // The green boxes hold the workbook's own defaults, and the fields their copies.
    const auto percent = [&](const char* range) {
        return WholeNumberText(RoundHalfEven(Number(doc, range, numbers) * 100));
    };
    const auto whole = [&](const char* range) {
        return WholeNumberText(RoundHalfEven(Number(doc, range, numbers)));
    };
    EXPECT_EQ(Edit(page2, "txtDLQ5default")->text(), percent("DL_DEF_SP"));
    EXPECT_EQ(Edit(page2, "txtDLQ6default")->text(), percent("DL_DEF_RC"));
    EXPECT_EQ(Edit(page2, "txtDLQ7default")->text(), percent("DL_DEF_R1"));
    EXPECT_EQ(Edit(page2, "txtDLQ9default")->text(), percent("DL_DEF_GR"));
    EXPECT_EQ(Edit(page2, "txtDLQ10default")->text(), whole("DL_DEF_OPER"));
    EXPECT_EQ(Edit(page2, "txtDLQ11default")->text(), whole("DL_DEF_OUTCOST"));
    for (QLineEdit* box : {Edit(page2, "txtDLQ5default"), Edit(page2, "txtDLQ6default"),
                           Edit(page2, "txtDLQ7default"), Edit(page2, "txtDLQ9default"),
                           Edit(page2, "txtDLQ10default"), Edit(page2, "txtDLQ11default")}) {
        EXPECT_FALSE(box->text().isEmpty()) << box->objectName().toStdString();
    }
    EXPECT_EQ(Edit(page2, "txtDLQ5")->text(), Edit(page2, "txtDLQ5default")->text());
    EXPECT_EQ(Edit(page2, "txtDLQ11")->text(), Edit(page2, "txtDLQ11default")->text());

    // Page 2: the typical answers, a server type chosen from the list, Apply.
    page2.ShowEntry(answers);
    List(page2, "cmbDLQ4")->setCurrentIndex(0);
    emit List(page2, "cmbDLQ4")->activated(0);
    EXPECT_EQ(Edit(page2, "txtDLQ9default")->text(),
              numbers.ToText(Number(doc, "DL_DEF_GR", numbers) * 100));
    EXPECT_EQ(Edit(page2, "txtDLQ9")->text(), Edit(page2, "txtDLQ9default")->text());
    page2.cmdApply_Click();
    ASSERT_TRUE(page2.TuttoOK);
    EXPECT_TRUE(app.msg.shown.empty());

    // What the workbook now holds: the office reads the texts as a user typing them.
    EXPECT_EQ(CellText(GetRangeValue(doc, QStringLiteral("DL")), numbers), "1");
    EXPECT_EQ(CellText(GetRangeValue(doc, QStringLiteral("DLQ0")), numbers), "Acme Storage");
    EXPECT_EQ(Number(doc, "DLQ1", numbers), 1);
    const char* const cells[] = {"Y:E8", "Y:F8", "Y:G8", "Y:H8", "Y:I8", "Y:J8"};
    const double codes[] = {0, 2, 0, 0, 0, 0};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(Number(doc, cells[i], numbers), codes[i]) << cells[i];
    }
    EXPECT_EQ(Number(doc, "DLQ3", numbers), 1500);
    EXPECT_EQ(Number(doc, "DLQ4", numbers), 1);
    EXPECT_DOUBLE_EQ(Number(doc, "DLQ5", numbers), Edit(page2, "txtDLQ5")->text().toDouble() / 100);
    EXPECT_DOUBLE_EQ(Number(doc, "DLQ6", numbers), Edit(page2, "txtDLQ6")->text().toDouble() / 100);
    EXPECT_DOUBLE_EQ(Number(doc, "DLQ7", numbers), Edit(page2, "txtDLQ7")->text().toDouble() / 100);
    EXPECT_EQ(Number(doc, "DLQ8", numbers), 12);
    EXPECT_DOUBLE_EQ(Number(doc, "DLQ9", numbers), Edit(page2, "txtDLQ9")->text().toDouble() / 100);
    EXPECT_EQ(Number(doc, "DLQ10", numbers),
              List(page2, "cmbDLQ10")->currentText().left(1).toDouble());
    EXPECT_EQ(Number(doc, "DLQ11", numbers), Edit(page2, "txtDLQ11")->text().toDouble());

    // Apply turned the workbook to its overview.
    EXPECT_EQ(SharedOffice().ActiveSheet(workbook), "TOC Overview");
}

}  // namespace
