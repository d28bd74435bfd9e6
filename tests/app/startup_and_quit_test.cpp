// The program's life as the shell runs it: splash, Continue, switching, the quit question and
// the stop order.

#include "TestApp.h"
#include "app/frm00Splash.h"
#include "pages/frm01.h"
#include "pages/frm02.h"
#include "records/frm03data.h"
#include "records/frm99Create.h"

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

// Records the order in which pages close.
class CloseRecorder : public QObject {
public:
    void Watch(QWidget& page) { page.installEventFilter(this); }
    QStringList closed;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Close) {
            closed << watched->objectName();
        }
        return false;
    }
};

class StartUp : public ::testing::Test {
protected:
    TestApp app;
};

TEST_F(StartUp, SplashLoadSetsSharedValuesAndTouchesNothingElse) {
    app.shared.cManual = true;
    app.shared.cLoaded = true;
    frm00Splash& splash = app.pages.frm00Splash();
    EXPECT_EQ(app.shared.sAppName.toStdString(), kTitle.toStdString());
    EXPECT_FALSE(app.shared.cManual);
    EXPECT_FALSE(app.shared.cLoaded);
    EXPECT_EQ(Label(splash, "lblVersion")->text().toStdString(), "Version 1.1.7a");
    EXPECT_EQ(Label(splash, "lblProductName")->text().toStdString(), kTitle.toStdString());
    EXPECT_TRUE(splash.windowTitle().isEmpty());
    EXPECT_FALSE(IsLoaded("frm01"));
    EXPECT_FALSE(IsLoaded("frm03data"));
    EXPECT_TRUE(app.book->log.isEmpty());
}

TEST_F(StartUp, SplashLabelsStayInsideTheFrame) {
    frm00Splash& splash = app.pages.frm00Splash();
    for (QLabel* label : {Label(splash, "lblProductName"), Label(splash, "lblCompanyProduct"),
                          Label(splash, "lblVersion"), Label(splash, "lblCopyright")}) {
        EXPECT_TRUE(Find<QFrame>(splash, "Frame1")->rect().contains(label->geometry()))
            << label->objectName().toStdString();
        EXPECT_GE(label->width(), label->sizeHint().width()) << label->objectName().toStdString();
    }
}

TEST_F(StartUp, ContinueOpensTheWorkbookInOrderAndCentresPageOne) {
    frm00Splash& splash = app.pages.frm00Splash();
    app.pages.StartUp();
    splash.cmdContinue_Click();

    ASSERT_TRUE(IsLoaded("frm01"));
    frm01& page1 = app.pages.frm01();
    EXPECT_TRUE(page1.isVisible());
    EXPECT_FALSE(splash.isVisible());
    EXPECT_EQ(page1.windowTitle().toStdString(), "Dravik Lumo - General Information");
    const QStringList expected = {
        "NewDocument CorlaTabb.Workbook",
        "ParentApplication",
        "Visible True",
        "MainWindow",
        "Invoke Activate",
        "MainWindow",
        "Invoke Restore",
        "MainWindow",
        "Invoke Maximize",
        "FirstPreparatoryCall",
        "SecondPreparatoryCall",
        "OpenDocument Dravik-Lumo_V117a.tabb|" + app.folder.path() + "|True",
        "GetRange DL",
        "Contents DL = \"1\"",
    };
    EXPECT_EQ(app.book->log, expected);
    // The office was started while the splash showed, and is kept.
    EXPECT_EQ(app.automation.backgroundStarts, 1);
    EXPECT_EQ(app.automation.unusedEnds, 0);

    // The size is read before page 1 is first shown, when it has no frame yet.
    const auto at = Centre(ScreenWidth(), ScreenHeight(), 5760, 5070);
    EXPECT_NEAR(page1.Left(), at.left, kTwipsPerPixel);
    EXPECT_NEAR(page1.Top(), at.top, kTwipsPerPixel);
}

TEST(Centre, ComputesInFloatingPointThenTruncates) {
    const CentredPosition at = Centre(19200, 14400, 5775, 5085);
    EXPECT_EQ(at.left, 6712);  // 6712.5
    EXPECT_EQ(at.top, 4657);   // 4657.5
}

TEST_F(StartUp, NoOfficeEndsBeforePageOneIsShown) {
    app.book->FailOn("NewDocument", wb::kErrGeneral);
    app.msg.Expect(kNoOffice, kStyleCritical, kOpening);
    frm00Splash& splash = app.pages.frm00Splash();
    EXPECT_THROW(splash.cmdContinue_Click(), ProgramEnded);
    EXPECT_FALSE(IsLoaded("frm01"));
    EXPECT_EQ(app.end.status, kExitCriticalError);
}

TEST_F(StartUp, EachPhaseAStepFailureGivesThePhaseAMessage) {
    for (const char* step : {"ParentApplication", "Visible", "MainWindow", "Invoke Restore",
                             "Invoke Maximize", "FirstPreparatoryCall", "SecondPreparatoryCall"}) {
        TestApp local;
        local.book->FailOn(step, wb::kErrGeneral);
        local.msg.Expect(kNoOffice, kStyleCritical, kOpening);
        EXPECT_THROW(local.pages.frm00Splash().cmdContinue_Click(), ProgramEnded) << step;
        EXPECT_EQ(local.end.status, kExitCriticalError) << step;
        EXPECT_FALSE(local.book->log.join('\n').contains("OpenDocument")) << step;
    }
}

TEST_F(StartUp, MissingWorkbookOrMissingDLNamesTheFile) {
    app.book->fileExists = false;
    app.msg.Expect("Dravik-Lumo_V117a.tabb not found!", kStyleExclamation, kOpening);
    EXPECT_THROW(app.pages.frm00Splash().cmdContinue_Click(), ProgramEnded);
    EXPECT_FALSE(IsLoaded("frm01"));
    EXPECT_EQ(app.end.status, kExitCriticalError);

    TestApp noDL;
    noDL.book->Undefine("DL");
    noDL.msg.Expect("Dravik-Lumo_V117a.tabb not found!", kStyleExclamation, kOpening);
    EXPECT_THROW(noDL.pages.frm00Splash().cmdContinue_Click(), ProgramEnded);
    EXPECT_EQ(noDL.end.status, kExitCriticalError);
}

TEST_F(StartUp, ClosingTheSplashEndsWithoutPageOneOrTheOffice) {
    frm00Splash& splash = app.pages.frm00Splash();
    EXPECT_THROW(splash.QueryUnload(CloseCause::User), ProgramEnded);
    EXPECT_EQ(app.end.status, kExitNormal);
    EXPECT_FALSE(IsLoaded("frm01"));
    EXPECT_TRUE(app.book->log.isEmpty());
    // An office started for the splash goes with it when it holds nothing.
    EXPECT_EQ(app.automation.unusedEnds, 1);
}

class Running : public ::testing::Test {
protected:
    void SetUp() override {
        app.pages.StartUp();
        app.pages.frm00Splash().cmdContinue_Click();
        app.book->ClearLog();
    }
    TestApp app;
};

TEST_F(Running, SwitchShowsThePageWherePageOneStood) {
    frm01& page1 = app.pages.frm01();
    page1.SetLeft(1500);
    page1.SetTop(3000);
    frm02& page2 = app.pages.frm02();
    app.pages.Switch(page1, page2);
    EXPECT_EQ(page2.Left(), 1500);
    EXPECT_EQ(page2.Top(), 3000);
    EXPECT_TRUE(page2.isVisible());
    EXPECT_FALSE(page1.isVisible());

    page2.SetLeft(4500);
    app.pages.Switch(page2, page1);
    EXPECT_EQ(page1.Left(), 4500);
    EXPECT_EQ(page1.Top(), 3000);
}

TEST_F(Running, AnsweringNoKeepsEveryPageAsItWas) {
    app.pages.frm02();
    app.pages.frm03data();
    for (Page* page : std::initializer_list<Page*>{&app.pages.frm01(), &app.pages.frm02(),
                                                   &app.pages.frm03data()}) {
        app.msg.Expect(kQuit, kStyleYesNoInformation, kTitle, MsgResult::No);
        EXPECT_FALSE(page->QueryUnload(CloseCause::User)) << page->objectName().toStdString();
    }
    EXPECT_EQ(app.end.endCount, 0);
    EXPECT_TRUE(app.pages.frm01().isVisible());
}

TEST_F(Running, AnsweringYesClosesTheFiveWindowsInOrderFromEachPage) {
    for (int asker = 0; asker < 3; ++asker) {
        TestApp local;
        local.pages.StartUp();
        local.pages.frm00Splash().cmdContinue_Click();
        CloseRecorder recorder;
        Page* askers[] = {&local.pages.frm01(), &local.pages.frm02(), &local.pages.frm03data()};
        for (Page* page :
             {static_cast<Page*>(&local.pages.frm00Splash()),
              static_cast<Page*>(&local.pages.frm01()), static_cast<Page*>(&local.pages.frm02()),
              static_cast<Page*>(&local.pages.frm03data()),
              static_cast<Page*>(&local.pages.frm99Create())}) {
            recorder.Watch(*page);
        }
        local.msg.Expect(kQuit, kStyleYesNoInformation, kTitle, MsgResult::Yes);
        EXPECT_THROW(askers[asker]->QueryUnload(CloseCause::User), ProgramEnded);
        // The splash went with Continue, so the stop passes over it.
        EXPECT_EQ(recorder.closed, (QStringList{"frm01", "frm02", "frm03data", "frm99Create"}))
            << "asked by " << askers[asker]->objectName().toStdString();
        EXPECT_EQ(local.end.endCount, 1);
        EXPECT_EQ(local.end.status, kExitNormal);
    }
}

TEST_F(Running, EscapeNeitherHidesNorClosesAPage) {
    frm01& page1 = app.pages.frm01();
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&page1, &escape);
    EXPECT_TRUE(page1.isVisible());
    EXPECT_FALSE(page1.Unloaded());
}

TEST_F(Running, StopPassesOverWindowsNeverLoaded) {
    CloseRecorder recorder;
    recorder.Watch(app.pages.frm01());
    EXPECT_THROW(app.pages.Stop(), ProgramEnded);
    EXPECT_EQ(recorder.closed, QStringList{"frm01"});
    EXPECT_FALSE(IsLoaded("frm02"));
    EXPECT_FALSE(IsLoaded("frm03data"));
    EXPECT_FALSE(IsLoaded("frm99Create"));
    EXPECT_TRUE(app.book->log.isEmpty());  // the workbook is left open
}

TEST_F(Running, ClosesTheProgramOrTheSessionMakesAskNothing) {
    for (CloseCause cause :
         {CloseCause::Program, CloseCause::SessionEnd, CloseCause::OwnerWindow}) {
        EXPECT_TRUE(app.pages.frm01().QueryUnload(cause));
        EXPECT_TRUE(app.pages.frm02().QueryUnload(cause));
        EXPECT_TRUE(app.pages.frm03data().QueryUnload(cause));
    }
    app.pages.frm01().Unload();  // the program closing a page itself asks nothing
    EXPECT_TRUE(app.msg.shown.empty());
}

TEST_F(Running, SharedValuesDoNotLoadTheirOwners) {
    app.shared.cManual = true;
    app.shared.cLoaded = true;
    EXPECT_FALSE(IsLoaded("frm03data"));
    EXPECT_EQ(app.pages.frm02().windowTitle().toStdString(), "Dravik Lumo - Technical Information");
    EXPECT_EQ(app.pages.frm03data().windowTitle().toStdString(), "Dravik Lumo - Dravik Database");
    EXPECT_EQ(app.pages.frm99Create().windowTitle().toStdString(), "Form1");
}

}  // namespace
