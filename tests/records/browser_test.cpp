// The record browser through page 1's Load: its window, showing records, the step buttons at
// both ends, Cancel, erasing, loading a record into both pages, and what it does when the
// database cannot be used.

#include "RecordsPages.h"

#include <QLabel>
#include <QTest>

#include <cstdio>

namespace {

const QString kEmpty = kDatabaseEmpty;
const QString kLast = QStringLiteral("You reached the last record");
const QString kFirst = QStringLiteral("You reached the first record");

class Browser : public RecordsPagesTest {
protected:
    Browser() { Create(); }

    std::vector<std::string> Boxes(frm03data& b) const {
        std::vector<std::string> texts;
        for (const char* box :
             {"txtDLQ12", "txtDLQ0", "txtDLQ1", "txtDLQ21", "txtDLQ22", "txtDLQ23", "txtDLQ24",
              "txtDLQ25", "txtDLQ26", "txtDLQ3", "txtDLQ4", "txtDLQ5", "txtDLQ6", "txtDLQ7",
              "txtDLQ8", "txtDLQ9", "txtDLQ10", "txtDLQ11"}) {
            texts.push_back(Edit(b, box)->text().toStdString());
        }
        return texts;
    }
    std::string Shown(frm03data& b) const { return Edit(b, "txtDLQ0")->text().toStdString(); }
    void AddNamed(std::initializer_list<const char*> names) {
        for (const char* name : names) {
            Add(TypicalEntry(QString::fromUtf8(name)));
        }
    }
};

TEST_F(Browser, WindowCaptionControlsAndTabOrder) {
    frm03data& b = app.pages.frm03data();
    EXPECT_EQ(b.windowTitle(), "Dravik Lumo - Dravik Database");
    EXPECT_EQ(Button(b, "cmdRetrieve")->text(), "Load current record into form");
    EXPECT_EQ(Button(b, "cmdErase")->text(), "Erase Current Record");
    EXPECT_EQ(Button(b, "cmdPrevious")->geometry(), QRect(Px(4560), Px(480), Px(1095), Px(375)));
    EXPECT_EQ(Button(b, "cmdCancel")->geometry(), QRect(Px(3960), Px(5040), Px(1335), Px(735)));
    EXPECT_EQ(Edit(b, "txtDLQ11")->geometry(), QRect(Px(2040), Px(4440), Px(2295), Px(285)));
    auto* label = b.findChild<QLabel*>(QStringLiteral("lblDLQ3"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), "Installed Capacity (GB)");
    EXPECT_EQ(label->geometry().right() + 1, Px(1815));
    EXPECT_TRUE(label->alignment() & Qt::AlignRight);

    QWidget* expected[] = {Edit(b, "txtDLQ0"),    Button(b, "cmdPrevious"),
                           Button(b, "cmdNext"),  Button(b, "cmdRetrieve"),
                           Button(b, "cmdErase"), Button(b, "cmdCancel")};
    QWidget* w = Edit(b, "txtDLQ0");
    for (QWidget* next : expected) {
        EXPECT_EQ(w, next) << next->objectName().toStdString();
        w = w->nextInFocusChain();
    }
    // Loading the page does nothing more; the flags belong to no window.
    EXPECT_FALSE(IsLoaded("frm02"));
}

TEST_F(Browser, ShowsTheFirstRecordAsStoredWithPercentsDateAndEmptyBusinessTypes) {
    AddNamed({"First", "Second"});
    frm03data& b = OpenBrowser();
    EXPECT_TRUE(b.isVisible());
    EXPECT_FALSE(page1->isVisible());
    const std::string date =
        app.numbers.GeneralDate(QDateTime(QDate(2026, 1, 2), QTime(9, 8, 7))).toStdString();
    EXPECT_EQ(Boxes(b),
              (std::vector<std::string>{date, "First", "1 - Finance", "", "2 - ERP", "", "", "",
                                        "99 - Other", "1500", "1 - Vastor", "25%", "10%", "45%",
                                        "4", "12%", "0 - Not required", "9999"}));
}

TEST_F(Browser, AColumnWithNoValueShowsEmpty) {
    if (store.OnServer()) {
        ASSERT_TRUE(PostgresServer::Shared().Exec(
            R"(INSERT INTO "Details" ("Company", "BT1", "DravikRecordId")
               VALUES ('Sparse', '1 - e-Commerce', gen_random_uuid()))"));
    } else {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(Path().toUtf8().constData(), &db), SQLITE_OK);
        sqlite3_exec(db, "INSERT INTO Details (Company, BT1) VALUES ('Sparse', '1 - e-Commerce')",
                     nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    frm03data& b = OpenBrowser();
    std::vector<std::string> expected(18, "");
    expected[1] = "Sparse";
    expected[3] = "1 - e-Commerce";
    EXPECT_EQ(Boxes(b), expected);
}

TEST_F(Browser, AnEmptyTableSaysSoOnceAndEachStepButtonGivesItsEndMessage) {
    app.msg.Expect(kEmpty, kStyleExclamation, kDb);
    frm03data& b = OpenBrowser();
    EXPECT_EQ(Boxes(b), std::vector<std::string>(18, ""));
    EXPECT_EQ(app.msg.shown.size(), 1u);
    app.msg.Expect(kLast, kStyleExclamation, kDb);
    Button(b, "cmdNext")->click();
    app.msg.Expect(kFirst, kStyleExclamation, kDb);
    Button(b, "cmdPrevious")->click();
    EXPECT_EQ(Boxes(b), std::vector<std::string>(18, ""));
}

TEST_F(Browser, EndMessagesComeOnlyWhenPressedAtAnEndAndTheRecordStays) {
    AddNamed({"A", "B", "C"});
    frm03data& b = OpenBrowser();
    app.msg.Expect(kFirst, kStyleExclamation, kDb);
    Button(b, "cmdPrevious")->click();
    EXPECT_EQ(Shown(b), "A");
    Button(b, "cmdNext")->click();
    Button(b, "cmdNext")->click();  // arriving at the last: no message
    EXPECT_EQ(Shown(b), "C");
    app.msg.Expect(kLast, kStyleExclamation, kDb);
    Button(b, "cmdNext")->click();
    EXPECT_EQ(Shown(b), "C");
    Button(b, "cmdPrevious")->click();  // the cursor stayed on C, so one back is B
    EXPECT_EQ(Shown(b), "B");
}

TEST_F(Browser, CancelKeepsTheCursorAndLoadBeginsAgainAtTheFirst) {
    AddNamed({"A", "B"});
    frm03data& b = OpenBrowser();
    Button(b, "cmdNext")->click();
    Button(b, "cmdCancel")->click();
    EXPECT_TRUE(page1->isVisible());
    EXPECT_FALSE(b.isVisible());
    EXPECT_EQ(Shown(b), "B");
    OpenBrowser();
    EXPECT_EQ(Shown(b), "A");
}

TEST_F(Browser, ErasingTheMiddleTheLastAndTheOnlyRecord) {
    AddNamed({"A", "B", "C"});
    frm03data& b = OpenBrowser();
    Button(b, "cmdNext")->click();
    app.msg.Expect(kEraseRecord, kStyleYesNoInformation, kTitle, MsgResult::No);
    Button(b, "cmdErase")->click();
    EXPECT_EQ(Companies(store).size(), 3u);

    app.msg.Expect(kEraseRecord, kStyleYesNoInformation, kTitle, MsgResult::Yes);
    Button(b, "cmdErase")->click();
    EXPECT_EQ(Shown(b), "C");  // the one that followed
    app.msg.Expect(kEraseRecord, kStyleYesNoInformation, kTitle, MsgResult::Yes);
    Button(b, "cmdErase")->click();
    EXPECT_EQ(Shown(b), "A");  // the last erased: the one before it
    app.msg.Expect(kEraseRecord, kStyleYesNoInformation, kTitle, MsgResult::Yes)
        .Expect(kEmpty, kStyleExclamation, kDb);
    Button(b, "cmdErase")->click();
    EXPECT_EQ(Boxes(b), std::vector<std::string>(18, ""));
    EXPECT_TRUE(Companies(store).empty());

    app.msg.Expect(kEraseRecord, kStyleYesNoInformation, kTitle, MsgResult::Yes)
        .Expect(kEmpty, kStyleExclamation, kDb);
    Button(b, "cmdErase")->click();
}

TEST_F(Browser, LoadingAnEmptyTableIsRefusedAndTouchesNothing) {
    app.msg.Expect(kEmpty, kStyleExclamation, kDb);
    frm03data& b = OpenBrowser();
    app.book->ClearLog();
    app.msg.Expect(QStringLiteral("Can not retrieve data from an empty Database"),
                   kStyleExclamation, kDb);
    Button(b, "cmdRetrieve")->click();
    EXPECT_TRUE(b.isVisible());
    EXPECT_FALSE(IsLoaded("frm02"));
    EXPECT_TRUE(app.book->log.isEmpty());
}

TEST_F(Browser, LoadingFillsBothPagesWritesThemAndReturnsToPage1) {
    Tick(page1, "chkDLQ2_0")->setChecked(true);  // ticked before: the load unticks it
    entry::Entry record = TypicalEntry(QStringLiteral("O'Hara \"Ltd\"; --"));
    record.texts[1] = QStringLiteral("42 - Not in the list");
    record.texts[3] = QStringLiteral(" ");
    record.texts[4] = QStringLiteral("3 - Business Intelligence");
    record.texts[7] = QStringLiteral("99 - other");  // not the caption: case counts
    Add(record);
    ASSERT_FALSE(IsLoaded("frm02"));
    frm03data& b = OpenBrowser();
    b.move(200, 150);
    app.book->ClearLog();
    Button(b, "cmdRetrieve")->click();

    EXPECT_EQ(Edit(page1, "txtDLQ0")->text(), "O'Hara \"Ltd\"; --");
    EXPECT_EQ(List(page1, "cmbDLQ1")->currentText(), "42 - Not in the list");
    for (int member = 0; member < 6; ++member) {
        EXPECT_EQ(Tick(page1, entry::Questions()[2 + member].name)->checkState(),
                  member == 2 ? Qt::Checked : Qt::Unchecked)
            << member;
    }
    frm02& page2 = app.pages.frm02();
    EXPECT_EQ(List(page2, "cmbDLQ4")->currentText(),
              "1 - Vastor");                          // not the new page's "2 - Open"
    EXPECT_EQ(Edit(page2, "txtDLQ5")->text(), "25");  // the record's, not the default 35
    EXPECT_EQ(Edit(page2, "txtDLQ5default")->text(), "35");
    EXPECT_EQ(List(page2, "cmbDLQ10")->currentText(), "0 - Not required");
    EXPECT_EQ(Edit(page2, "txtDLQ11")->text(), "9999");
    EXPECT_TRUE(app.shared.cLoaded);
    EXPECT_FALSE(app.shared.cManual);
    EXPECT_TRUE(page1->TuttoOK);
    EXPECT_TRUE(page2.TuttoOK);
    EXPECT_TRUE(app.book->Writes().contains(QStringLiteral("Text DLQ0 = \"O'Hara \"Ltd\"; --\"")));
    EXPECT_TRUE(app.book->Writes().contains(QStringLiteral("Contents DLQ5 = \"25%\"")));
    EXPECT_TRUE(page1->isVisible());
    EXPECT_FALSE(b.isVisible());
    EXPECT_EQ(page1->Left(), b.Left());

    // The database was closed: it can be replaced, and Load opens the new one at its start.
    ASSERT_TRUE(QFile::remove(Path()));
    Create();
    Add(TypicalEntry(QStringLiteral("Fresh")));
    OpenBrowser();
    EXPECT_EQ(Shown(b), "Fresh");
}

// A text longer than its box shows its beginning once the program has put it there.
TEST_F(Browser, FilledTextsShowTheirBeginning) {
    entry::Entry record = TypicalEntry(QStringLiteral("Acme Storage International Ltd"));
    record.texts[1] = QStringLiteral("6 - Communication and Media");
    Add(record);
    frm03data& b = OpenBrowser();
    for (QLineEdit* box : b.findChildren<QLineEdit*>()) {
        EXPECT_EQ(box->cursorPosition(), 0) << box->objectName().toStdString();
    }
    Button(b, "cmdRetrieve")->click();
    frm02& page2 = app.pages.frm02();
    for (Page* page : std::initializer_list<Page*>{page1, &page2}) {
        for (QLineEdit* box : page->findChildren<QLineEdit*>()) {
            EXPECT_EQ(box->cursorPosition(), 0) << box->objectName().toStdString();
        }
    }
    EXPECT_EQ(Edit(page1, "txtDLQ0")->text(), "Acme Storage International Ltd");

    // What the user types keeps the cursor where the typing goes on.
    QTest::keyClick(Edit(page1, "txtDLQ0"), Qt::Key_End);
    QTest::keyClicks(Edit(page1, "txtDLQ0"), QStringLiteral(" Group"));
    EXPECT_EQ(Edit(page1, "txtDLQ0")->cursorPosition(), Edit(page1, "txtDLQ0")->text().size());
}

#ifndef DRAVIK_TEST_ON_SERVER  // the file's own behaviour
TEST_F(Browser, AMissingDatabaseIsExplainedAndTheUserIsBackOnPage1) {
    QFile::remove(Path());
    app.msg.Expect(DatabaseNotFound(Path()), kStyleExclamation, kDb);
    frm03data& b = OpenBrowser();
    EXPECT_TRUE(page1->isVisible());
    EXPECT_FALSE(b.isVisible());
    EXPECT_FALSE(QFileInfo::exists(Path()));
}
#endif

TEST_F(Browser, AForeignFileIsExplainedAndLeftUnchanged) {
    QFile::remove(Path());
    QFile garbage(Path());
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    garbage.write(QByteArray(2048, '\0'));
    garbage.close();
    app.msg.Expect(QStringLiteral("The file\r%1\ris not a Dravik database, or it is damaged. It "
                                  "was left unchanged.\r\rMove it aside, then run "
                                  "dravik-create-db in the program's folder to make a new, empty "
                                  "database.")
                       .arg(Path()),
                   kStyleExclamation, kDb);
    OpenBrowser();
    EXPECT_TRUE(page1->isVisible());
    EXPECT_EQ(FileBytes(Path()), QByteArray(2048, '\0'));
}

#ifndef DRAVIK_TEST_ON_SERVER  // the file's own behaviour
TEST_F(Browser, AnEraseTheFileRefusesIsReportedAndNothingIsLost) {
    AddNamed({"A", "B"});
    frm03data& b = OpenBrowser();
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(Path().toUtf8().constData(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    app.msg.Expect(kEraseRecord, kStyleYesNoInformation, kTitle, MsgResult::Yes)
        .Expect(QStringLiteral("The database\r%1\ris in use by another program.\r\rClose that "
                               "program, then try again.")
                    .arg(Path()),
                kStyleExclamation, kDb);
    Button(b, "cmdErase")->click();
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_EQ(Shown(b), "A");
    EXPECT_EQ(Companies(Path()), (std::vector<std::string>{"A", "B"}));
    Button(b, "cmdNext")->click();
    EXPECT_EQ(Shown(b), "B");

    // The file replaced while the browser holds it: said so, and neither file changes.
    const QString replacement = Path() + QStringLiteral(".new");
    ASSERT_TRUE(QFile::copy(Path(), replacement));
    ASSERT_EQ(
        ::rename(QFile::encodeName(replacement).constData(), QFile::encodeName(Path()).constData()),
        0);
    app.msg.Expect(kEraseRecord, kStyleYesNoInformation, kTitle, MsgResult::Yes)
        .Expect(QStringLiteral("The database\r%1\rwas replaced or moved while the records were "
                               "open. Nothing was changed.\r\rPlease open the records again.")
                    .arg(Path()),
                kStyleExclamation, kDb);
    Button(b, "cmdErase")->click();
    EXPECT_EQ(Companies(Path()), (std::vector<std::string>{"A", "B"}));
}
#endif

}  // namespace
