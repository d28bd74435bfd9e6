// Page 2: its creation, the Server Type choice, its buttons and help texts, and the write-out
// UpdFrm02 with its checks, messages and focus.

#include "TestApp.h"

#include "records/frm03data.h"
#include "records/frm99Create.h"

#include <QAccessible>
#include <QApplication>
#include <QRegularExpression>
#include <QTest>

#include <algorithm>

namespace {

using Strings = std::vector<std::string>;

class Page2 : public ProgramTest {
protected:
    explicit Page2(const QLocale& locale = QLocale(QLocale::English, QLocale::UnitedStates))
        : ProgramTest(locale) {
        page2 = &app.pages.frm02();
        page2->ShowPage();
        app.book->ClearLog();
    }
    frm02* page2 = nullptr;
};

class Page2Comma : public Page2 {
protected:
    Page2Comma() : Page2(QLocale(QLocale::German, QLocale::Germany)) {}
};

TEST_F(Page2, CreationPresetsTheListsOnce) {
    EXPECT_EQ(page2->windowTitle(), "Dravik Lumo - Technical Information");
    EXPECT_EQ(List(page2, "cmbDLQ4")->currentText(), "2 - Open");
    EXPECT_EQ(List(page2, "cmbDLQ10")->currentText(), "Please select...");
    EXPECT_EQ(List(page2, "cmbDLQ4")->count(), 2);
    EXPECT_EQ(List(page2, "cmbDLQ10")->itemText(1), "1 - Required");
    EXPECT_TRUE(app.shared.cLoaded);
    EXPECT_FALSE(page2->TuttoOK);

    // Created after a record load: no preset, the record's text is to come.
    TestApp other;
    other.shared.cLoaded = true;
    other.pages.frm01();
    EXPECT_EQ(List(other.pages.frm02(), "cmbDLQ4")->currentText(), "");
}

TEST_F(Page2, AllEmptyStopsAtTheFirstField) {
    app.msg.Expect("Installed Capacity (GB) must not be left empty!", kStyleExclamation, kTitle);
    page2->UpdFrm02();
    EXPECT_FALSE(page2->TuttoOK);
    EXPECT_EQ(page2->focusWidget(), Edit(page2, "txtDLQ3"));
}

// Each failing value (as the write-out checks them, tests/entry) shows its message and takes the
// focus to its field.
TEST_F(Page2, EachFieldFailsWithItsMessageAndTakesTheFocus) {
    for (const TechnicalFailure& c : TechnicalFailures()) {
        SCOPED_TRACE(std::string(c.message) + " for \"" + c.text + "\"");
        FillPage2();
        page2->TuttoOK = true;
        QLineEdit* field = Edit(page2, c.question->name);
        field->setText(QString::fromLatin1(c.text));
        Button(page2, "cmdApply")->setFocus();
        app.msg.Expect(c.message, kStyleExclamation, kTitle);
        page2->UpdFrm02();
        EXPECT_FALSE(page2->TuttoOK);
        EXPECT_EQ(page2->focusWidget(), field);
    }
}

TEST_F(Page2, SelectionsAreCheckedInTheirPlace) {
    FillPage2();
    List(page2, "cmbDLQ4")->setEditText(QStringLiteral("Please select..."));
    app.msg.Expect(kMakeASelection, kStyleExclamation, kTitle);
    page2->UpdFrm02();
    EXPECT_EQ(page2->focusWidget(), List(page2, "cmbDLQ4"));

    FillPage2();
    List(page2, "cmbDLQ10")->setEditText(QStringLiteral("Please select..."));
    app.msg.Expect(kMakeASelection, kStyleExclamation, kTitle);
    page2->UpdFrm02();
    EXPECT_EQ(page2->focusWidget(), List(page2, "cmbDLQ10"));
    EXPECT_FALSE(page2->TuttoOK);
}

TEST_F(Page2Comma, APointInADecimalCommaLocaleIsToldFirst) {
    FillPage2();
    Edit(page2, "txtDLQ8")->setText(QStringLiteral("1.5"));
    app.msg.Expect("Please check the decimal separator", kStyleExclamation, kTitle)
        .Expect("Number of Servers must be a positive value!", kStyleExclamation, kTitle);
    // Both boxes come after writes of the same write-out, which the workbook already shows.
    app.msg.onShow = [&] { EXPECT_EQ(app.book->unshownWrites, 0); };
    page2->UpdFrm02();
    EXPECT_EQ(page2->focusWidget(), Edit(page2, "txtDLQ8"));

    // The comma is this user's separator.
    Edit(page2, "txtDLQ8")->setText(QStringLiteral("1,5"));
    page2->UpdFrm02();
    EXPECT_TRUE(page2->TuttoOK);
}

TEST_F(Page2, ApplyTurnsToTheOverviewWhateverTheOutcome) {
    app.msg.Expect("Installed Capacity (GB) must not be left empty!", kStyleExclamation, kTitle);
    page2->cmdApply_Click();
    EXPECT_EQ(app.book->activeSheet, "TOC Overview");
    EXPECT_EQ(page2->focusWidget(), Edit(page2, "txtDLQ3"));
    EXPECT_TRUE(page2->isVisible());

    app.book->activeSheet = QStringLiteral("Y");
    FillPage2();
    page2->cmdApply_Click();
    EXPECT_TRUE(page2->TuttoOK);
    EXPECT_EQ(app.book->log.last(), "TurnTo TOC Overview");
    EXPECT_EQ(app.end.endCount, 0);
}

TEST_F(Page2, ApplyAndCloseEndsOnlyAfterAPassingWriteOut) {
    FillPage2();
    Edit(page2, "txtDLQ9")->setText(QStringLiteral("-3"));
    app.msg.Expect("Storage Growth Rate must be a positive value!", kStyleExclamation, kTitle);
    page2->cmdNext_Click();
    EXPECT_EQ(app.end.endCount, 0);
    EXPECT_TRUE(page2->isVisible());
    EXPECT_EQ(page2->focusWidget(), Edit(page2, "txtDLQ9"));
    EXPECT_EQ(app.book->activeSheet, "TOC Overview");

    Edit(page2, "txtDLQ9")->setText(QStringLiteral("3"));
    app.book->ClearLog();
    EXPECT_THROW(page2->cmdNext_Click(), ProgramEnded);  // no question asked
    EXPECT_EQ(app.end.endCount, 1);
    EXPECT_EQ(app.end.status, kExitNormal);
    EXPECT_EQ(app.book->log.last(), "TurnTo TOC Overview");
    EXPECT_FALSE(page2->isVisible());
    EXPECT_FALSE(page1->isVisible());
}

TEST_F(Page2, ATurnThatFailsIsReportedAsALostWorkbook) {
    FillPage2();
    app.book->Undefine("DLQ11");
    app.book->sheets.erase(QStringLiteral("TOC Overview"));
    app.msg.Expect(kWrongVersion, kStyleCritical, kCritical);
    EXPECT_THROW(page2->cmdApply_Click(), ProgramEnded);
    EXPECT_EQ(app.end.status, kExitCriticalError);
    // The write-out failed first; the turn never ran.
    EXPECT_TRUE(app.book->Entries("GetSheet").isEmpty());

    TestApp other;
    other.pages.frm01();
    other.book->sheets.erase(QStringLiteral("TOC Overview"));
    other.msg.Expect("Installed Capacity (GB) must not be left empty!", kStyleExclamation, kTitle)
        .Expect(kWrongVersion, kStyleCritical, kCritical);
    EXPECT_THROW(other.pages.frm02().cmdApply_Click(), ProgramEnded);
    EXPECT_EQ(other.end.status, kExitCriticalError);
}

TEST_F(Page2, WorkbookGoneInsideTheWriteOut) {
    FillPage2();
    app.book->FailOn("Contents DLQ6", wb::kErrOfficeGone);
    app.msg.Expect(kOfficeClosed, kStyleCritical, kCritical);
    EXPECT_THROW(page2->UpdFrm02(), ProgramEnded);
    EXPECT_FALSE(page2->TuttoOK);
    EXPECT_EQ(app.book->cells["DLQ5"], wb::CellValue(QStringLiteral("25%")));
}

TEST_F(Page2, ServerTypeChoiceWritesAtOnceAndShowsTheGrowthUnrounded) {
    app.book->Define("DL_DEF_GR", 0.125);
    Edit(page2, "txtDLQ9")->setText(QStringLiteral("99"));
    List(page2, "cmbDLQ4")->setCurrentIndex(0);
    emit List(page2, "cmbDLQ4")->activated(0);
    EXPECT_EQ(ToStd(app.book->log.filter(QRegularExpression("^(Contents|cellvalue) "))),
              (Strings{"Contents DLQ4 = \"1\"", "cellvalue DL_DEF_GR", "cellvalue DL_DEF_GR"}));
    EXPECT_EQ(Edit(page2, "txtDLQ9default")->text(), "12.5");
    EXPECT_EQ(Edit(page2, "txtDLQ9")->text(), "12.5");

    // 0.07 * 100 is 7.000000000000001 in double; the text is the one a user expects.
    app.book->Define("DL_DEF_GR", 0.07);
    emit List(page2, "cmbDLQ4")->activated(1);
    EXPECT_EQ(Edit(page2, "txtDLQ9")->text(), "7");

    // Typing a server type is no choice.
    app.book->ClearLog();
    List(page2, "cmbDLQ4")->setEditText(QStringLiteral("1 - Vastor"));
    QTest::keyClicks(List(page2, "cmbDLQ4"), QStringLiteral("x"));
    EXPECT_TRUE(app.book->log.isEmpty());
}

TEST_F(Page2Comma, ServerTypeChoiceUsesTheUsersDecimalSeparator) {
    app.book->Define("DL_DEF_GR", 0.125);
    emit List(page2, "cmbDLQ4")->activated(0);
    EXPECT_EQ(Edit(page2, "txtDLQ9default")->text(), "12,5");
}

TEST_F(Page2, ServerTypeChoiceFailuresEndTheProgram) {
    app.book->Define("DL_DEF_GR", QString("n/a"));
    app.msg.Expect(kGeneralError, kStyleCritical, kCritical);
    EXPECT_THROW(emit List(page2, "cmbDLQ4")->activated(0), ProgramEnded);

    app.book->Kill();
    app.msg.Expect(kOfficeClosed, kStyleCritical, kCritical);
    EXPECT_THROW(page2->cmbDLQ4_Click(), ProgramEnded);
}

TEST_F(Page2, PreviousGoesBackWithoutWritingAndClearsTheManualMark) {
    app.shared.cManual = true;
    page2->SetLeft(3000);
    page2->SetTop(1500);
    Button(page2, "cmdPrev")->click();
    EXPECT_FALSE(app.shared.cManual);
    EXPECT_TRUE(page1->isVisible());
    EXPECT_FALSE(page2->isVisible());
    EXPECT_EQ(page1->Left(), page2->Left());
    EXPECT_EQ(page1->Top(), page2->Top());
    EXPECT_TRUE(app.book->log.isEmpty());
}

TEST_F(Page2, HelpTexts) {
    const char* const green =
        "The green box represents the default value based on the Industry and the Business Types "
        "selected";
    const char* const greenIndustry =
        "The green box represents the default value based on the Industry selected";
    const QString cr2 = QStringLiteral("\r\r");
    const struct {
        const char* button;
        QString text;
    } cases[] = {
        {"cmdDLQ3", "Installed Capacity" + cr2 +
                        "Please enter here the disk storage capacity currently installed."},
        {"cmdDLQ4", "Server Type" + cr2 + "Please select the server environment."},
        {"cmdDLQ5", "% requiring Super Performance" + cr2 +
                        "Please enter here the % of applications performance-critical." + cr2 +
                        green},
        {"cmdDLQ6", "% requiring Remote Copy" + cr2 +
                        "Please enter here the % of applications or data requiring a "
                        "disaster tolerance environment." +
                        cr2 + green},
        {"cmdDLQ7", "% requiring RAID1" + cr2 +
                        "Please enter here the % of applications or data requiring a "
                        "mission-critical environment." +
                        cr2 + green},
        {"cmdDLQ8", "Number of Servers" + cr2 +
                        "Please enter here the number of servers involved in the project."},
        {"cmdDLQ9", "% Storage Growth Rate" + cr2 +
                        "Please enter here the expected capacity growth per annum (as a "
                        "percentage of installed capacity)." +
                        cr2 + greenIndustry},
        {"cmdDLQ10", "Continuous Operations" + cr2 +
                         "Please select the level of Business Continuity required." + cr2 +
                         greenIndustry},
        {"cmdDLQ11", "Outage Costs" + cr2 + "Please enter the hourly outage cost of the company." +
                         cr2 + green},
    };
    for (const auto& c : cases) {
        app.msg.Expect(c.text, kStyleInformation, kHelp);
        page2->findChild<QPushButton*>(QString::fromLatin1(c.button))->click();
    }
    app.msg.Expect(
        "TOC Report Generation Help\r\r"
        "1) Please complete the form with all the data required and press Apply or Apply and "
        "Close\r"
        "2) Go on the Tabb window on the TOC Overview sheet and press the 'Copy Summary Data to "
        "Report Worksheet' button\r"
        "3) Open the 'Dravik Lumo TOC Report' from your Programs Taskbar\r"
        "4) A Corla Scriva document is opened and updated with data and graphs from the "
        "worksheet\r"
        "5) You can view/edit/print the document and save it for future reuse",
        kStyleInformation, kHelp);
    Button(page2, "Command1")->click();
    EXPECT_TRUE(app.msg.AllShown());
}

TEST_F(Page2, EnterInAFieldDoesNotRunTheWriteOut) {
    FillPage2();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(page2));
    QTest::keyClick(Edit(page2, "txtDLQ3"), Qt::Key_Return);
    QTest::keyClick(Edit(page2, "txtDLQ11"), Qt::Key_Enter);
    QTest::keyClick(List(page2, "cmbDLQ10"), Qt::Key_Return);
    QTest::keyClick(List(page2, "cmbDLQ4"), Qt::Key_Return);
    EXPECT_TRUE(app.book->log.isEmpty());
    EXPECT_FALSE(page2->TuttoOK);
    EXPECT_EQ(List(page2, "cmbDLQ10")->count(), 2);
    EXPECT_EQ(Edit(page2, "txtDLQ9")->text(), "30");

    // Stepping to another server type with the arrow keys is a choice from the list.
    QTest::keyClick(List(page2, "cmbDLQ4"), Qt::Key_Down);
    EXPECT_EQ(Writes(), (Strings{"Contents DLQ4 = \"1\""}));
}

// One wheel step down over a widget, as the window system delivers it.
void WheelDown(QWidget* widget) {
    const QPointF at = QRectF(widget->rect()).center();
    QWheelEvent wheel(at, widget->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &wheel);
}

TEST_F(Page2, TheWheelOverAClosedListChangesNothing) {
    FillPage2();
    app.shared.cManual = false;
    for (QComboBox* list :
         {List(page1, "cmbDLQ1"), List(page2, "cmbDLQ4"), List(page2, "cmbDLQ10")}) {
        const QString before = list->currentText();
        WheelDown(list);
        WheelDown(list->lineEdit());
        EXPECT_EQ(list->currentText(), before) << list->objectName().toStdString();
    }
    EXPECT_TRUE(app.book->log.isEmpty());
    EXPECT_EQ(Edit(page2, "txtDLQ9")->text(), "30");
    EXPECT_FALSE(app.shared.cManual);
}

TEST_F(Page2, ClosingAsksQuitApplication) {
    app.msg.Expect(kQuit, kStyleYesNoInformation, kTitle, MsgResult::No);
    EXPECT_FALSE(page2->close());
    EXPECT_TRUE(page2->isVisible());
    app.msg.Expect(kQuit, kStyleYesNoInformation, kTitle, MsgResult::Yes);
    EXPECT_THROW(page2->QueryUnload(CloseCause::User), ProgramEnded);
}

}  // namespace

// Every caption of both pages is readable whole at its place, in the program's own font.
TEST(PageCaptions, FitTheirControls) {
    const QFont before = QApplication::font();
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(8.25);
    QApplication::setFont(font);
    {
        TestApp app;
        app.shared.sAppName = kTitle;
        Page* const pages[] = {&app.pages.frm01(), &app.pages.frm02()};
        for (Page* page : pages) {
            for (QLabel* label : page->findChildren<QLabel*>()) {
                const QFontMetrics fm(label->font());
                EXPECT_LE(fm.horizontalAdvance(label->text()), label->contentsRect().width())
                    << label->objectName().toStdString();
                EXPECT_LE(fm.height(), label->height()) << label->objectName().toStdString();
            }
            for (QPushButton* button : page->findChildren<QPushButton*>()) {
                const QFontMetrics fm(button->font());
                EXPECT_LE(fm.horizontalAdvance(button->text()) + 6, button->width())
                    << button->objectName().toStdString();
                EXPECT_LE(fm.height(), button->height()) << button->objectName().toStdString();
            }
            for (QCheckBox* box : page->findChildren<QCheckBox*>()) {
                EXPECT_LE(box->sizeHint().width(), box->width()) << box->objectName().toStdString();
            }
        }
    }
    QApplication::setFont(before);
}

// A screen reader names every box, list and check box by its caption.
TEST(AccessibleNames, EveryBoxListAndCheckBoxCarriesItsCaption) {
    TestApp app;
    app.shared.sAppName = kTitle;
    const auto name = [](QWidget* widget) {
        return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name);
    };
    frm01& page1 = app.pages.frm01();
    frm02& page2 = app.pages.frm02();
    frm03data& browser = app.pages.frm03data();
    EXPECT_EQ(name(Edit(page1, "txtDLQ0")), "Company Name");
    EXPECT_EQ(name(List(page1, "cmbDLQ1")->lineEdit()),
              "Industry");  // the list's text holds its focus
    EXPECT_EQ(name(Tick(page1, "chkDLQ2_5")), "99 - Other");
    EXPECT_EQ(name(Edit(page2, "txtDLQ3")), "Installed Capacity (GB)");
    EXPECT_EQ(name(List(page2, "cmbDLQ10")->lineEdit()), "Continuous Operation");
    EXPECT_EQ(name(Edit(page2, "txtDLQ11")), "Outage Costs $/hour");
    EXPECT_EQ(name(Edit(page2, "txtDLQ5default")), "% requiring Super Performance default");
    EXPECT_EQ(name(Edit(browser, "txtDLQ12")), "Record Creation Date");
    EXPECT_EQ(name(Edit(browser, "txtDLQ26")), "Business Type6");
    // And no box, list or check box anywhere goes without a name.
    Page* const pages[] = {&page1, &page2, &browser, &app.pages.frm99Create()};
    for (Page* page : pages) {
        for (QWidget* control : page->findChildren<QWidget*>()) {
            if (qobject_cast<QLineEdit*>(control) || qobject_cast<QCheckBox*>(control)) {
                EXPECT_FALSE(name(control).isEmpty()) << control->objectName().toStdString();
            }
            if (auto* list = qobject_cast<QComboBox*>(control)) {
                QLabel* caption = nullptr;
                for (QLabel* label : page->findChildren<QLabel*>()) {
                    caption = label->buddy() == list ? label : caption;
                }
                ASSERT_NE(caption, nullptr) << list->objectName().toStdString();
                EXPECT_EQ(name(list->lineEdit()), caption->text());
            }
        }
    }
}

// The keyboard walks the answers first, then the buttons that act on them.
TEST(PageTabOrder, FollowsTheQuestions) {
    TestApp app;
    const auto chain = [](QWidget* first, int count) {
        std::vector<std::string> names;
        QWidget* w = first;
        while (static_cast<int>(names.size()) < count) {
            if ((w->focusPolicy() & Qt::TabFocus) && !w->focusProxy()) {
                names.push_back(w->objectName().toStdString());
            }
            w = w->nextInFocusChain();
        }
        return names;
    };
    frm01& page1 = app.pages.frm01();
    EXPECT_EQ(chain(Edit(page1, "txtDLQ0"), 13),
              (Strings{"txtDLQ0", "cmbDLQ1", "chkDLQ2_0", "chkDLQ2_1", "chkDLQ2_2", "chkDLQ2_3",
                       "chkDLQ2_4", "chkDLQ2_5", "cmdApply", "cmdNext", "cmdLoad", "cmdDLQ1",
                       "cmdDLQ2"}));
    frm02& page2 = app.pages.frm02();
    EXPECT_EQ(chain(Edit(page2, "txtDLQ3"), 14),
              (Strings{"txtDLQ3", "cmbDLQ4", "txtDLQ5", "txtDLQ6", "txtDLQ7", "txtDLQ8", "txtDLQ9",
                       "cmbDLQ10", "txtDLQ11", "cmdNext", "cmdApply", "cmdPrev", "cmdSave",
                       "txtDLQ5default"}));
}
