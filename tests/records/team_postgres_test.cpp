// A team's records on a real PostgreSQL server: saves from two programs at once, a server that
// goes away and comes back, records erased or added by others while the browser shows one, a
// server of a newer release, a role with fewer rights, and the copy of the file to the server.

#include "RecordsPages.h"
#include "records/StoreCommands.h"

#include <QUuid>

#include <sys/wait.h>
#include <unistd.h>

#include <set>

namespace {

const QString kGone =
    QStringLiteral("This record was erased meanwhile, by another program or another user.");

class Team : public RecordsPagesTest {
protected:
    Team() { Create(); }
    ~Team() override {
        if (!server.Available()) {
            server.Start();
        }
    }

    // The file's records waiting to be sent.
    std::string Unsent() const {
        return Query(Path(), R"(SELECT count(*) FROM "Details" WHERE "DravikUnsent" = 1)")[0][0];
    }
    std::string Shown(frm03data& b) const { return Edit(b, "txtDLQ0")->text().toStdString(); }
    void Save() { Button(app.pages.frm02(), "cmdSave")->click(); }
    QString KeptText() const {
        return QStringLiteral(
                   "The team's database %1 cannot be used now:\r%2\r\rThe record was "
                   "kept on this computer and will be sent when the team's database "
                   "can be reached.")
            .arg(store.Name(), kAnyText);
    }

    PostgresServer& server = PostgresServer::Shared();
};

// Two programs on one computer share the file: each save goes to the server once, with a key
// of its own, also where both send the same waiting records at the same moment.
TEST_F(Team, SavesFromTwoProgramsAtOnceEachArriveOnce) {
    constexpr int kEach = 25;
    pid_t children[2];
    for (int c = 0; c < 2; ++c) {
        children[c] = ::fork();
        if (children[c] == 0) {
            try {
                // Straight to the server, and through the file as after the server was away.
                for (int i = 0; i < kEach; ++i) {
                    const entry::Entry record = EntryFor(QStringLiteral("P%1 %2").arg(c).arg(i));
                    if (i % 2 == 0) {
                        AppendToServer(store, record,
                                       QUuid::createUuid().toString(QUuid::WithoutBraces));
                    } else {
                        AppendDetailsRecord(Path(), record, {}, true);
                        OpenDetails(store).Close();
                    }
                }
            } catch (const dao::RecordStoreError& error) {
                std::fprintf(stderr, "%s\n", error.what());
                ::_exit(1);
            }
            ::_exit(0);
        }
    }
    for (const pid_t child : children) {
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    const Rows ids = Query(store, R"(SELECT "DravikRecordId" FROM "Details")");
    std::set<std::string> distinct;
    for (const auto& row : ids) {
        distinct.insert(row[0]);
    }
    EXPECT_EQ(ids.size(), 2u * kEach);
    EXPECT_EQ(distinct.size(), 2u * kEach);
    EXPECT_EQ(Unsent(), "0");
}

TEST_F(Team, ASaveWhileTheServerIsAwayIsKeptAndSentOnceWhenItIsBack) {
    FillPages();
    server.Stop();
    app.msg.Expect(KeptText(), kStyleExclamation, kDb);
    Save();
    EXPECT_EQ(Unsent(), "1");
    EXPECT_EQ(Edit(page1, "txtDLQ0")->text(), "Acme");
    // Nor can the setting be made: one line, which says where the records stay.
    const QString refused = UseServer(app.folder.path(), store.server, false).line;
    EXPECT_TRUE(refused.endsWith(
        QStringLiteral("? The records stay on the team's database %1.").arg(store.Name())))
        << refused.toStdString();

    ASSERT_TRUE(server.Start());
    Edit(page1, "txtDLQ0")->setText(QStringLiteral("Second"));
    app.msg.Expect(kDatabaseUpdated, kStyleExclamation, kDb);
    Save();
    EXPECT_EQ(Companies(store), (std::vector<std::string>{"Acme", "Second"}));
    EXPECT_EQ(Unsent(), "0");

    // Sent, but killed before the mark came off in the file: the server takes no second copy.
    sqlite3* file = nullptr;
    ASSERT_EQ(sqlite3_open(Path().toUtf8().constData(), &file), SQLITE_OK);
    sqlite3_exec(file, R"(UPDATE "Details" SET "DravikUnsent" = 1)", nullptr, nullptr, nullptr);
    sqlite3_close(file);
    EXPECT_EQ(Unsent(), "1");  // the second went straight to the server
    EXPECT_EQ(SendUnsent(app.folder.path()).status, 0);
    EXPECT_EQ(Companies(store), (std::vector<std::string>{"Acme", "Second"}));
    EXPECT_EQ(Unsent(), "0");
}

TEST_F(Team, WhatOthersEraseOrAddWhileTheBrowserShowsARecordIsSaidAndShown) {
    for (const char* name : {"A", "B", "C"}) {
        Add(TypicalEntry(QString::fromLatin1(name)));
    }
    frm03data& b = OpenBrowser();
    ASSERT_EQ(Shown(b), "A");
    ASSERT_TRUE(server.Exec(R"(DELETE FROM "Details" WHERE "Company" IN ('A', 'B'))"));
    app.msg.Expect(kEraseRecord, kStyleYesNoInformation, kTitle, MsgResult::Yes)
        .Expect(kGone, kStyleExclamation, kDb);
    Button(b, "cmdErase")->click();
    EXPECT_EQ(Shown(b), "C");  // on, past the one erased too

    Add(TypicalEntry(QStringLiteral("D")));
    Button(b, "cmdNext")->click();
    EXPECT_EQ(Shown(b), "D");
    ASSERT_TRUE(server.Exec(R"(DELETE FROM "Details" WHERE "Company" = 'D')"));
    app.msg.Expect(kGone, kStyleExclamation, kDb);
    Button(b, "cmdRetrieve")->click();
    EXPECT_TRUE(b.isVisible());
    EXPECT_EQ(Shown(b), "C");
}

TEST_F(Team, AServerThatGoesAwayWhileBrowsingIsSaidOnceAndShowsNothingStale) {
    Add(TypicalEntry(QStringLiteral("A")));
    Add(TypicalEntry(QStringLiteral("B")));
    frm03data& b = OpenBrowser();
    server.Stop();
    app.msg.Expect(QStringLiteral("The team's database %1 cannot be reached:\r%2\r\rPlease try "
                                  "again when it can be reached; what you save is kept on this "
                                  "computer meanwhile.")
                       .arg(store.Name(), kAnyText),
                   kStyleExclamation, kDb);
    Button(b, "cmdNext")->click();
    EXPECT_EQ(Shown(b), "");
    EXPECT_FALSE(b.isVisible());
    EXPECT_TRUE(page1->isVisible());

    ASSERT_TRUE(server.Start());
    EXPECT_EQ(Shown(OpenBrowser()), "A");
}

TEST_F(Team, AServerOfANewerReleaseIsNeverWritten) {
    ASSERT_TRUE(server.Exec(R"(UPDATE "DravikFormat" SET version = 99)"));
    const QString newer = QStringLiteral(
                              "The team's database %1 was made by a newer release of "
                              "Dravik Lumo. Nothing was written to it.\r\rPlease use "
                              "it with that release.")
                              .arg(store.Name());
    app.msg.Expect(newer, kStyleExclamation, kDb);
    OpenBrowser();
    FillPages();
    app.msg.Expect(newer, kStyleExclamation, kDb);
    Save();
    EXPECT_EQ(Query(store, R"(SELECT count(*) FROM "Details")")[0][0], "0");
    EXPECT_EQ(Unsent(), "0");
    EXPECT_EQ(Edit(page1, "txtDLQ0")->text(), "Acme");  // still there to be saved elsewhere
}

TEST_F(Team, ARoleWithoutTheRightToEraseIsToldSoAndNothingChanges) {
    server.Exec(QStringLiteral("CREATE ROLE clerk LOGIN"));
    ASSERT_TRUE(server.Exec(R"(GRANT SELECT, INSERT ON "Details" TO clerk;
                               GRANT SELECT ON "DravikFormat" TO clerk)"));
    const RecordStore clerk{Path(), server.Conninfo(QStringLiteral("clerk"))};
    QString why;
    ASSERT_TRUE(WriteSetting(clerk.server, why)) << why.toStdString();
    AddTo(clerk, TypicalEntry(QStringLiteral("A")));
    frm03data& b = OpenBrowser();
    app.msg.Expect(kEraseRecord, kStyleYesNoInformation, kTitle, MsgResult::Yes)
        .Expect(QStringLiteral("The team's database %1 refused this:\r%2\r\rNothing was changed. "
                               "Ask its administrator for the right, then try again.")
                    .arg(clerk.Name(), kAnyText),
                kStyleExclamation, kDb);
    Button(b, "cmdErase")->click();
    EXPECT_EQ(Shown(b), "A");
    EXPECT_EQ(Companies(store), (std::vector<std::string>{"A"}));
}

TEST_F(Team, CopyingTheFileToTheServerTwiceCopiesEachRecordOnce) {
    QString why;
    RemoveSetting(why);
    AppendDetailsRecord(Path(), EntryFor(QStringLiteral("A")));
    AppendDetailsRecord(Path(), EntryFor(QStringLiteral("B")));
    sqlite3* other = nullptr;  // as another program would put it in, without an id
    ASSERT_EQ(sqlite3_open(Path().toUtf8().constData(), &other), SQLITE_OK);
    sqlite3_exec(other, R"(UPDATE "Details" SET "DravikRecordId" = NULL WHERE "Company" = 'B')",
                 nullptr, nullptr, nullptr);
    sqlite3_close(other);
    ASSERT_TRUE(server.Exec(R"(DROP TABLE "Details", "DravikFormat")"));  // a fresh server
    const CommandOutcome first = UseServer(app.folder.path(), store.server, true);
    EXPECT_EQ(first.status, 0) << first.line.toStdString();
    EXPECT_EQ(first.line.toStdString(),
              QStringLiteral("The records are now on the team's database %1 (2 records, 2 records "
                             "copied from %2).")
                  .arg(store.Name(), Path())
                  .toStdString());
    EXPECT_EQ(UseServer(app.folder.path(), store.server, true).status, 0);
    EXPECT_EQ(Companies(store), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(StoreStatus(app.folder.path()).line.toStdString(),
              QStringLiteral("The records are on the team's database %1: 2 records, 0 records "
                             "waiting in %2 to be sent.")
                  .arg(store.Name(), Path())
                  .toStdString());
    // Back to the file, with the old setting in the message.
    EXPECT_EQ(UseFile(app.folder.path()).line.toStdString(),
              QStringLiteral("The records are now in %1 (the team's database was \"%2\").")
                  .arg(Path(), store.server)
                  .toStdString());
    EXPECT_FALSE(StoreOf(app.folder.path()).OnServer());
}

}  // namespace
