// The record store against a real headless office and the workbook built with the program: save
// an entry, type over it, browse to the saved record, load it back, and the pages and the
// workbook hold the saved values again.

#include "CalcApp.h"
#include "RecordsFixture.h"
#include "TestApp.h"
#include "TestPlatform.h"
#include "app/frm00Splash.h"
#include "pages/frm01.h"
#include "pages/frm02.h"
#include "records/frm03data.h"
#include "shell/Pages.h"
#include "shell/Platform.h"
#include "shell/SharedValues.h"
#include "workbook/RangeExchange.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>

#include <memory>

namespace {

TEST(RecordsOnCalc, SaveBrowseAndLoadBackPutTheSavedEntryIntoTheWorkbook) {
    const QString folder = ProgramFolderWithWorkbook(QStringLiteral("records"));
    ASSERT_FALSE(folder.isEmpty()) << "the workbook was not built (target workbook)";
    QFile::remove(DatabasePath(folder));
    CreateDetailsDatabase(DatabasePath(folder));

    RealApp app(folder);
    app.pages->StartUp();
    app.pages->frm00Splash().cmdContinue_Click();
    frm01& page1 = app.pages->frm01();
    ASSERT_TRUE(app.shared.CTabbDoc);
    wb::Document& doc = *app.shared.CTabbDoc;
    const auto text = [&](const char* range) {
        return CellText(GetRangeValue(doc, QString::fromLatin1(range)), app.numbers).toStdString();
    };
    const auto number = [&](const char* range) {
        return CellNumber(GetRangeValue(doc, QString::fromLatin1(range)), app.numbers);
    };

    // The entry to keep: page 1, Next, page 2, Save Data.
    entry::Entry answers = TypicalAnswers();
    answers[entry::kCompany] = QStringLiteral("Söhne & O'Neil; 株式会社");
    answers[entry::kOutageCosts] = QStringLiteral("4321");
    page1.ShowEntry(answers);
    page1.cmdNext_Click();
    ASSERT_TRUE(page1.TuttoOK);
    frm02& page2 = app.pages->frm02();
    page2.ShowEntry(answers);
    app.msg.Expect(kDatabaseUpdated, kStyleExclamation, kDb);
    Button(page2, "cmdSave")->click();
    ASSERT_EQ(Companies(DatabasePath(folder)),
              (std::vector<std::string>{"Söhne & O'Neil; 株式会社"}));

    // Typed over and written: the workbook now holds the other entry.
    page2.cmdPrev_Click();
    Edit(page1, "txtDLQ0")->setText(QStringLiteral("Someone Else"));
    Tick(page1, "chkDLQ2_1")->setChecked(false);
    Tick(page1, "chkDLQ2_4")->setChecked(true);
    page1.cmdNext_Click();
    Edit(page2, "txtDLQ3")->setText(QStringLiteral("800"));
    Edit(page2, "txtDLQ5")->setText(QStringLiteral("60"));
    Edit(page2, "txtDLQ8")->setText(QStringLiteral("3"));
    page2.cmdApply_Click();
    ASSERT_EQ(text("DLQ0"), "Someone Else");
    page2.cmdPrev_Click();

    // Load, then "Load current record into form".
    Button(page1, "cmdLoad")->click();
    QCoreApplication::processEvents();
    frm03data& browser = app.pages->frm03data();
    EXPECT_EQ(Edit(browser, "txtDLQ0")->text(), "Söhne & O'Neil; 株式会社");
    EXPECT_EQ(Edit(browser, "txtDLQ5")->text(), "25%");
    Button(browser, "cmdRetrieve")->click();
    EXPECT_TRUE(app.msg.shown.size() == 1u);  // the save's message only
    EXPECT_TRUE(page1.isVisible());

    EXPECT_EQ(Edit(page1, "txtDLQ0")->text(), "Söhne & O'Neil; 株式会社");
    EXPECT_TRUE(Tick(page1, "chkDLQ2_1")->isChecked());
    EXPECT_FALSE(Tick(page1, "chkDLQ2_4")->isChecked());
    EXPECT_EQ(Edit(page2, "txtDLQ5")->text(), "25");
    EXPECT_EQ(text("DLQ0"), "Söhne & O'Neil; 株式会社");
    EXPECT_EQ(number("DLQ1"), 1);
    EXPECT_EQ(number("Y:F8"), 2);
    EXPECT_EQ(number("Y:I8"), 0);
    EXPECT_EQ(number("DLQ3"), 1500);
    EXPECT_EQ(number("DLQ4"), 1);
    EXPECT_DOUBLE_EQ(number("DLQ5"), 0.25);
    EXPECT_EQ(number("DLQ8"), 12);
    EXPECT_EQ(number("DLQ11"), 4321);
}

}  // namespace
