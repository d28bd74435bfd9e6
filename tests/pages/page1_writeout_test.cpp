// Page 1's write-out: its checks in order, what reaches the workbook, the defaults brought onto
// page 2, and the ways it fails.

#include "TestApp.h"

#include "records/frm03data.h"
#include "records/frm99Create.h"

#include <QApplication>
#include <QRegularExpression>
#include <QTest>

#include <algorithm>

namespace {

using Strings = std::vector<std::string>;

class Page1WriteOut : public ProgramTest {};

// What the write-out reads and copies (tests/entry) shows on page 2.
TEST_F(Page1WriteOut, TypicalPassShowsTheDefaultsAndCopiesWhenChangedByHand) {
    FillPage1();
    ASSERT_TRUE(app.shared.cManual);

    page1->UpdFrm01();

    EXPECT_TRUE(page1->TuttoOK);
    EXPECT_FALSE(app.shared.cManual);
    frm02& p2 = app.pages.frm02();
    EXPECT_EQ(Edit(p2, "txtDLQ5default")->text(), "35");
    EXPECT_EQ(Edit(p2, "txtDLQ6default")->text(), "20");
    EXPECT_EQ(Edit(p2, "txtDLQ7default")->text(), "40");
    EXPECT_EQ(Edit(p2, "txtDLQ9default")->text(), "30");
    EXPECT_EQ(Edit(p2, "txtDLQ10default")->text(), "1");
    EXPECT_EQ(Edit(p2, "txtDLQ11default")->text(), "25000");
    EXPECT_EQ(Edit(p2, "txtDLQ5")->text(), "35");
    EXPECT_EQ(Edit(p2, "txtDLQ6")->text(), "20");
    EXPECT_EQ(Edit(p2, "txtDLQ7")->text(), "40");
    EXPECT_EQ(Edit(p2, "txtDLQ9")->text(), "30");
    EXPECT_EQ(List(p2, "cmbDLQ10")->currentText(), "1 - Required");
    EXPECT_EQ(Edit(p2, "txtDLQ11")->text(), "25000");
}

TEST_F(Page1WriteOut, ChecksInOrderAndKeepWhatWasWrittenBefore) {
    page1->ShowPage();

    // Company Name empty: nothing written, page 2 untouched, focus to the name.
    app.msg.Expect("Company Name must not be left empty!", kStyleExclamation, kTitle);
    page1->cmdApply_Click();
    EXPECT_FALSE(page1->TuttoOK);
    EXPECT_FALSE(Page2Loaded());
    EXPECT_EQ(page1->focusWidget(), Edit(page1, "txtDLQ0"));

    // Industry still at its prompt: the name stays written, focus to the list.
    Edit(page1, "txtDLQ0")->setText(QStringLiteral("   "));  // blanks only are a name
    Tick(page1, "chkDLQ2_0")->setFocus();
    app.msg.Expect(kMakeASelection, kStyleExclamation, kTitle);
    page1->cmdApply_Click();
    EXPECT_EQ(page1->focusWidget(), List(page1, "cmbDLQ1"));

    // No business type: name and industry stay written, the focus stays where it was.
    app.book->ClearLog();
    List(page1, "cmbDLQ1")->setCurrentIndex(6);
    Edit(page1, "txtDLQ0")->setFocus();
    app.msg.Expect("Please pick a Business Type!", kStyleExclamation, kTitle);
    page1->cmdNext_Click();
    EXPECT_EQ(page1->focusWidget(), Edit(page1, "txtDLQ0"));
    EXPECT_FALSE(page1->TuttoOK);
    EXPECT_FALSE(Page2Loaded());
    EXPECT_TRUE(page1->isVisible());

    Tick(page1, "chkDLQ2_0")->setChecked(true);
    page1->UpdFrm01();
    EXPECT_TRUE(page1->TuttoOK);
}

TEST_F(Page1WriteOut, WithoutAChangeOnlyTheDefaultBoxesAreRefreshed) {
    FillPage1();
    page1->cmdNext_Click();
    frm02& p2 = app.pages.frm02();
    ASSERT_TRUE(p2.isVisible());
    Edit(p2, "txtDLQ5")->setText(QStringLiteral("77"));
    List(p2, "cmbDLQ10")->setEditText(QStringLiteral("0 - Not required"));

    p2.cmdPrev_Click();
    EXPECT_FALSE(app.shared.cManual);
    EXPECT_TRUE(page1->isVisible());
    EXPECT_FALSE(p2.isVisible());

    app.book->Define("DL_DEF_SP", 0.5);
    app.book->ClearLog();
    page1->cmdNext_Click();
    EXPECT_TRUE(p2.isVisible());
    EXPECT_FALSE(page1->isVisible());
    EXPECT_EQ(Edit(p2, "txtDLQ5default")->text(), "50");
    EXPECT_EQ(Edit(p2, "txtDLQ5")->text(), "77");
    EXPECT_EQ(List(p2, "cmbDLQ10")->currentText(), "0 - Not required");
    EXPECT_EQ(Writes().size(), 8u);  // the page's own answers only
}

TEST_F(Page1WriteOut, ChangesOfIndustryOrBusinessTypeMarkTheChoiceAsManual) {
    app.shared.cManual = false;
    Tick(page1, "chkDLQ2_4")->setChecked(true);  // set by the program, as a record load does
    EXPECT_TRUE(app.shared.cManual);

    app.shared.cManual = false;
    Tick(page1, "chkDLQ2_4")->setChecked(false);
    EXPECT_TRUE(app.shared.cManual);

    app.shared.cManual = false;
    List(page1, "cmbDLQ1")->setEditText(QStringLiteral("3 - Public"));
    EXPECT_TRUE(app.shared.cManual);

    app.shared.cManual = false;
    page1->ShowPage();
    QTest::keyClicks(List(page1, "cmbDLQ1"), QStringLiteral("x"));
    EXPECT_TRUE(app.shared.cManual);
    EXPECT_EQ(List(page1, "cmbDLQ1")->count(), 7);

    app.shared.cManual = false;
    page1->cmbDLQ1_Click();
    EXPECT_TRUE(app.shared.cManual);
}

TEST_F(Page1WriteOut, SystemErrorWhenTheWorkbookCannotComputeItsDefaults) {
    app.book->Define("DL_DEF_SP", QString("ERR"));
    FillPage1();
    app.msg.Expect("System Error", kStyleCritical, kTitle);
    page1->cmdNext_Click();

    // Counted as passed: page 2 follows, with its boxes as they were (empty on the first pass).
    EXPECT_TRUE(page1->TuttoOK);
    EXPECT_TRUE(app.shared.cManual);
    ASSERT_TRUE(Page2Loaded());
    EXPECT_TRUE(app.pages.frm02().isVisible());
    EXPECT_EQ(Edit(app.pages.frm02(), "txtDLQ5default")->text(), "");

    // The test compares texts; "ERR " or a number are defaults like any other.
    app.book->Define("DL_DEF_SP", QString("ERR "));
    app.msg.Expect(kGeneralError, kStyleCritical, kCritical);
    EXPECT_THROW(page1->UpdFrm01(), ProgramEnded);
}

TEST_F(Page1WriteOut, ADefaultThatIsNoNumberEndsTheProgram) {
    app.book->Define("DL_DEF_R1", QString("abc"));
    FillPage1();
    app.msg.Expect(kGeneralError, kStyleCritical, kCritical);
    EXPECT_THROW(page1->UpdFrm01(), ProgramEnded);
    EXPECT_EQ(app.end.endCount, 1);
    EXPECT_FALSE(page1->TuttoOK);
    // The boxes before the failing one are filled.
    EXPECT_EQ(Edit(app.pages.frm02(), "txtDLQ6default")->text(), "20");
    EXPECT_EQ(Edit(app.pages.frm02(), "txtDLQ7default")->text(), "");
}

TEST_F(Page1WriteOut, WorkbookFailuresEndTheProgramWithTheirMessage) {
    FillPage1();
    app.book->Kill();
    app.msg.Expect(kOfficeClosed, kStyleCritical, kCritical);
    EXPECT_THROW(page1->cmdNext_Click(), ProgramEnded);
    EXPECT_FALSE(Page2Loaded());
}

TEST_F(Page1WriteOut, AnUndefinedRangeIsAWrongWorkbookVersion) {
    FillPage1();
    app.book->Undefine("DL_DEF_OUTCOST");
    app.msg.Expect(kWrongVersion, kStyleCritical, kCritical);
    EXPECT_THROW(page1->UpdFrm01(), ProgramEnded);
    EXPECT_EQ(app.end.endCount, 1);
}

TEST_F(Page1WriteOut, HelpTexts) {
    app.msg.Expect("Industry\r\rPlease select one of the options provided.", kStyleInformation,
                   kHelp);
    Button(page1, "cmdDLQ1")->click();
    app.msg.Expect(
        "Business Type\r\rPlease select one (or many) of the applications the customer is "
        "running.",
        kStyleInformation, kHelp);
    Button(page1, "cmdDLQ2")->click();
    EXPECT_TRUE(app.msg.AllShown());
}

TEST_F(Page1WriteOut, EnterInAFieldPressesNoButton) {
    FillPage1();
    page1->ShowPage();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(page1));
    QTest::keyClick(Edit(page1, "txtDLQ0"), Qt::Key_Return);
    QTest::keyClick(List(page1, "cmbDLQ1"), Qt::Key_Return);
    QTest::keyClick(Edit(page1, "txtDLQ0"), Qt::Key_Enter);
    EXPECT_TRUE(app.book->log.isEmpty());
    EXPECT_FALSE(Page2Loaded());
    EXPECT_EQ(List(page1, "cmbDLQ1")->count(), 7);  // Enter added no item either
}

TEST_F(Page1WriteOut, DownFromThePromptGivesTheFirstIndustry) {
    // Behind "Please select..." no item is chosen, so the opened list highlights none.
    EXPECT_EQ(List(page1, "cmbDLQ1")->currentIndex(), -1);
    page1->ShowPage();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(page1));
    app.shared.cManual = false;
    QTest::keyClick(List(page1, "cmbDLQ1"), Qt::Key_Down);
    EXPECT_EQ(List(page1, "cmbDLQ1")->currentText(), "1 - Finance");
    EXPECT_TRUE(app.shared.cManual);
}

TEST_F(Page1WriteOut, TextBoxesTakeAnyLength) {
    const QString text(40000, QLatin1Char('x'));
    frm02& page2 = app.pages.frm02();
    for (QLineEdit* box :
         {Edit(page1, "txtDLQ0"), Edit(page2, "txtDLQ3"), Edit(page2, "txtDLQ11")}) {
        box->setText(text);
        EXPECT_EQ(box->text().size(), 40000) << box->objectName().toStdString();
    }
    // Typing goes on past Qt's usual limit of 32767 characters.
    Edit(page1, "txtDLQ0")->setText(text.left(32760));
    page1->ShowPage();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(page1));
    QTest::keyClicks(Edit(page1, "txtDLQ0"), QStringLiteral("0123456789"));
    EXPECT_EQ(Edit(page1, "txtDLQ0")->text().size(), 32770);
}

TEST_F(Page1WriteOut, LoadShowsTheBrowserWherePage1Stood) {
    page1->SetLeft(1500);
    page1->SetTop(3000);
    page1->ShowPage();
    app.msg.Expect(kDatabaseCreated, kStyleOk, kCreate);
    app.pages.frm99Create().cmdCreate_Click();
    app.msg.Expect(kDatabaseEmpty, kStyleExclamation, kDb);
    page1->cmdLoad_Click();
    frm03data& browser = app.pages.frm03data();
    EXPECT_TRUE(browser.isVisible());
    EXPECT_FALSE(page1->isVisible());
    EXPECT_EQ(browser.Left(), page1->Left());
    EXPECT_EQ(browser.Top(), page1->Top());
}

TEST_F(Page1WriteOut, ClosingAsksQuitApplication) {
    page1->ShowPage();
    app.msg.Expect(kQuit, kStyleYesNoInformation, kTitle, MsgResult::No);
    EXPECT_FALSE(page1->close());
    EXPECT_TRUE(page1->isVisible());
}

}  // namespace
