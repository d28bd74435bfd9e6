// Save Data: page 2's write-out first, then one record from both pages' controls in one
// transaction; database failures are reported clearly and leave neither a record nor a lost entry.

#include "RecordsPages.h"

#include <QUuid>

#include <pwd.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <memory>
#include <random>

namespace {

using Row = std::vector<std::string>;

class Save : public RecordsPagesTest {
protected:
    Save() {
        Create();
        FillPages();
    }
    void ExpectUpdated() { app.msg.Expect(kDatabaseUpdated, kStyleExclamation, kDb); }
    std::vector<Row> Records() const {
        return Query(store, "SELECT " + DetailsColumnList() +
                                R"(, "DravikRecordKey" FROM "Details" ORDER BY 19)");
    }
};

TEST_F(Save, StoresBothPagesAsTypedWithTheBusinessTypesAndTheMoment) {
    ExpectUpdated();
    Button(app.pages.frm02(), "cmdSave")->click();
    EXPECT_EQ(Records(),
              (std::vector<Row>{{"Acme", "1 - Finance", " ", "2 - ERP", " ", " ", " ", "99 - Other",
                                 "1500", "1 - Vastor", "50", "10", "40", "12", "30", "1 - Required",
                                 "25000", "2026-12-08 14:30:05", "1"}}));
    // Each record also carries its own id and who saved it.
    const Row hidden =
        Query(store, R"(SELECT "DravikRecordId", "DravikSavedBy" FROM "Details")")[0];
    EXPECT_FALSE(QUuid::fromString(QString::fromStdString(hidden[0])).isNull());
    EXPECT_EQ(hidden[1], ::getpwuid(::getuid())->pw_name);
    // The workbook got page 2's write-out with its percent signs; the record has none.
    EXPECT_TRUE(app.book->Writes().contains(QStringLiteral("Contents DLQ5 = \"50%\"")));
}

TEST_F(Save, NoBusinessTypeOrAGreyedOneStoresSpaces) {
    Tick(page1, "chkDLQ2_1")->setChecked(false);
    Tick(page1, "chkDLQ2_5")->setTristate(true);
    Tick(page1, "chkDLQ2_5")->setCheckState(Qt::PartiallyChecked);
    ExpectUpdated();
    app.pages.frm02().cmdSave_Click();
    const Row record = Records().at(0);
    EXPECT_EQ(Row(record.begin() + 2, record.begin() + 8), Row(6, " "));
}

TEST_F(Save, TwoSavesAppendTwoRecordsEachWithItsOwnDate) {
    ExpectUpdated();
    app.pages.frm02().cmdSave_Click();
    app.clock.Set(QDateTime(QDate(2026, 12, 9), QTime(8, 0, 1)));
    ExpectUpdated();
    app.pages.frm02().cmdSave_Click();
    const auto dates =
        Query(store, R"(SELECT "Company", "Date" FROM "Details" ORDER BY "DravikRecordKey")");
    EXPECT_EQ(dates,
              (std::vector<Row>{{"Acme", "2026-12-08 14:30:05"}, {"Acme", "2026-12-09 08:00:01"}}));
}

TEST_F(Save, APage2ErrorStopsBeforeTheDatabase) {
    Edit(app.pages.frm02(), "txtDLQ3")->clear();
    app.msg.Expect(QStringLiteral("Installed Capacity (GB) must not be left empty!"),
                   kStyleExclamation, kTitle);
    app.pages.frm02().cmdSave_Click();
    EXPECT_TRUE(Records().empty());
}

TEST_F(Save, AValueTheTableRefusesLeavesNoRecordAndKeepsTheEntry) {
    const QString longName = QString(31, QChar(0x00E9));
    Edit(page1, "txtDLQ0")->setText(longName);
    app.msg.Expect(QStringLiteral("\"Company Name\" can not be stored: the database holds from 1 "
                                  "to 30 characters in each field.\r\rPlease correct \"Company "
                                  "Name\" and try again."),
                   kStyleExclamation, kDb);
    app.pages.frm02().cmdSave_Click();
    EXPECT_TRUE(Records().empty());
    EXPECT_EQ(Edit(page1, "txtDLQ0")->text(), longName);

    // An Industry whose edit text was cleared: the empty text of the first commit never stays.
    Edit(page1, "txtDLQ0")->setText(QStringLiteral("Acme"));
    List(page1, "cmbDLQ1")->setEditText(QString());
    app.msg.Expect(QStringLiteral("\"Industry\" can not be stored: the database holds from 1 to 30 "
                                  "characters in each field.\r\rPlease correct \"Industry\" and "
                                  "try again."),
                   kStyleExclamation, kDb);
    app.pages.frm02().cmdSave_Click();
    EXPECT_TRUE(Records().empty());
    EXPECT_EQ(Query(Path(), "SELECT seq FROM sqlite_sequence").size(), 0u);
}

TEST_F(Save, NamesWithQuotesAndSqlAndOtherScriptsAreStoredVerbatim) {
    for (const QString& name :
         {QStringLiteral("Bob'); DROP TABLE Details;--"), QStringLiteral("\"Ünïcødé\" 株式会社 😀"),
          QStringLiteral("50% ; DELETE FROM Details")}) {
        Edit(page1, "txtDLQ0")->setText(name);
        ExpectUpdated();
        app.pages.frm02().cmdSave_Click();
    }
    EXPECT_EQ(Companies(store),
              (std::vector<std::string>{"Bob'); DROP TABLE Details;--", "\"Ünïcødé\" 株式会社 😀",
                                        "50% ; DELETE FROM Details"}));
}

#ifndef DRAVIK_TEST_ON_SERVER  // for a team, the file is only the outbox
TEST_F(Save, AMissingOrForeignDatabaseIsExplainedAndNotMade) {
    QFile::remove(Path());
    app.msg.Expect(DatabaseNotFound(Path()), kStyleExclamation, kDb);
    app.pages.frm02().cmdSave_Click();
    EXPECT_FALSE(QFileInfo::exists(Path()));

    QFile garbage(Path());
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    garbage.write("a spreadsheet, perhaps");
    garbage.close();
    app.msg.Expect(QStringLiteral("The file\r%1\ris not a Dravik database, or it is damaged. It "
                                  "was left unchanged.\r\rMove it aside, then run "
                                  "dravik-create-db in the program's folder to make a new, empty "
                                  "database.")
                       .arg(Path()),
                   kStyleExclamation, kDb);
    app.pages.frm02().cmdSave_Click();
    EXPECT_EQ(FileBytes(Path()), "a spreadsheet, perhaps");
    EXPECT_EQ(Edit(page1, "txtDLQ0")->text(), "Acme");
}
#endif

TEST_F(Save, AFileOfANewerReleaseIsExplainedAndNotWritten) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(Path().toUtf8().constData(), &db), SQLITE_OK);
    sqlite3_exec(db, "PRAGMA user_version = 99", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    const QByteArray before = FileBytes(Path());
    app.msg.Expect(QStringLiteral("The database\r%1\rwas made by a newer release of Dravik Lumo. "
                                  "It was left unchanged.\r\rPlease use it with that release, or "
                                  "move it aside, then run dravik-create-db in the program's "
                                  "folder to make a new, empty database.")
                       .arg(Path()),
                   kStyleExclamation, kDb);
    app.pages.frm02().cmdSave_Click();
    EXPECT_EQ(FileBytes(Path()), before);
}

TEST_F(Save, ALockedDatabaseIsReportedAndTheSaveCanBeRepeated) {
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(Path().toUtf8().constData(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    app.msg.Expect(QStringLiteral("The database\r%1\ris in use by another program.\r\rClose that "
                                  "program, then try again.")
                       .arg(Path()),
                   kStyleExclamation, kDb);
    app.pages.frm02().cmdSave_Click();
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    ExpectUpdated();
    app.pages.frm02().cmdSave_Click();
    EXPECT_EQ(Records().size(), 1u);
}

#ifndef DRAVIK_TEST_ON_SERVER  // the file's own behaviour

// --- A kill inside the transaction -------------------------------------------------------------

// SQLite's own file layer with a count: the moments before and after each change to a file (a
// write, a truncation, a sync, a removal) are steps, and the chosen step is met with SIGKILL.
// Between two changes the files stay as they are, so killing at every step leaves every state on
// disk that a kill at any moment can leave.
struct KillingFile {
    sqlite3_file base;
    sqlite3_file* real;
};
sqlite3_vfs* gRealVfs = nullptr;
long gSteps = 0;
long gKillAt = LONG_MAX;
// The write that meets a full disk: half of it reaches the file, then ENOSPC, as SQLite's own
// file layer reports a short write.
long gWrites = 0;
long gFullAt = LONG_MAX;

void Step() {
    if (++gSteps == gKillAt) {
        ::raise(SIGKILL);
    }
}

// A change to a file, with a point to be killed at before it and after it.
template <class Change>
int Counted(Change change) {
    Step();
    const int rc = change();
    Step();
    return rc;
}

sqlite3_file* Real(sqlite3_file* file) {
    return reinterpret_cast<KillingFile*>(file)->real;
}

const sqlite3_io_methods kKillingMethods = {
    1,
    [](sqlite3_file* f) { return Real(f)->pMethods->xClose(Real(f)); },
    [](sqlite3_file* f, void* buf, int n, sqlite3_int64 at) {
        return Real(f)->pMethods->xRead(Real(f), buf, n, at);
    },
    [](sqlite3_file* f, const void* buf, int n, sqlite3_int64 at) {
        if (++gWrites == gFullAt) {
            Real(f)->pMethods->xWrite(Real(f), buf, n / 2, at);
            return SQLITE_FULL;
        }
        return Counted([&] { return Real(f)->pMethods->xWrite(Real(f), buf, n, at); });
    },
    [](sqlite3_file* f, sqlite3_int64 size) {
        return Counted([&] { return Real(f)->pMethods->xTruncate(Real(f), size); });
    },
    [](sqlite3_file* f, int flags) {
        return Counted([&] { return Real(f)->pMethods->xSync(Real(f), flags); });
    },
    [](sqlite3_file* f, sqlite3_int64* size) {
        return Real(f)->pMethods->xFileSize(Real(f), size);
    },
    [](sqlite3_file* f, int lock) { return Real(f)->pMethods->xLock(Real(f), lock); },
    [](sqlite3_file* f, int lock) { return Real(f)->pMethods->xUnlock(Real(f), lock); },
    [](sqlite3_file* f, int* out) { return Real(f)->pMethods->xCheckReservedLock(Real(f), out); },
    [](sqlite3_file* f, int op, void* arg) {
        return Real(f)->pMethods->xFileControl(Real(f), op, arg);
    },
    [](sqlite3_file* f) { return Real(f)->pMethods->xSectorSize(Real(f)); },
    [](sqlite3_file* f) { return Real(f)->pMethods->xDeviceCharacteristics(Real(f)); },
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
};

void InstallKillingVfs() {
    static sqlite3_vfs vfs;
    gRealVfs = sqlite3_vfs_find(nullptr);
    vfs = *gRealVfs;
    vfs.zName = "killing";
    vfs.szOsFile = static_cast<int>(sizeof(KillingFile)) + gRealVfs->szOsFile;
    vfs.xOpen = [](sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags,
                   int* outFlags) {
        auto* own = reinterpret_cast<KillingFile*>(file);
        own->base.pMethods = nullptr;
        own->real = reinterpret_cast<sqlite3_file*>(own + 1);
        const int rc = gRealVfs->xOpen(gRealVfs, name, own->real, flags, outFlags);
        if (own->real->pMethods) {
            own->base.pMethods = &kKillingMethods;
        }
        return rc;
    };
    vfs.xDelete = [](sqlite3_vfs*, const char* name, int syncDir) {
        return Counted([&] { return gRealVfs->xDelete(gRealVfs, name, syncDir); });
    };
    sqlite3_vfs_register(&vfs, 1);
}

// Runs Save Data's database part in a child killed before its killAt-th step (never, for
// LONG_MAX). Returns the steps the save took when it ran to its end, or -1 when it was killed.
long SaveInChild(const QString& path, const entry::Entry& record, long killAt) {
    int steps[2];
    if (::pipe(steps) != 0) {
        return -2;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(steps[0]);
        InstallKillingVfs();
        gKillAt = killAt;
        try {
            AppendDetailsRecord(path, record);
        } catch (...) {
            ::_exit(3);
        }
        const bool told = ::write(steps[1], &gSteps, sizeof gSteps) == sizeof gSteps;
        ::_exit(told ? 0 : 4);
    }
    ::close(steps[1]);
    long taken = -1;
    const bool read = ::read(steps[0], &taken, sizeof taken) == sizeof taken;
    ::close(steps[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) {
        return -1;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 && read ? taken : -2;
}

// In a child, beside an open browser cursor: a save whose fullAt-th write meets a full disk, then
// with room again a second one. 0 when the first failed and the second stored its record.
int FullThenRoomInChild(const QString& path, long fullAt) {
    const pid_t child = ::fork();
    if (child == 0) {
        InstallKillingVfs();
        dao::Database browsed = dao::DBEngine::Shared().Workspaces(0).OpenDatabase(path);
        const dao::Recordset cursor = browsed.OpenRecordset(kDetailsTable);
        const auto saves = [&](const char* company) {
            try {
                AppendDetailsRecord(path, EntryFor(QString::fromLatin1(company)));
                return true;
            } catch (const dao::RecordStoreError&) {
                return false;
            }
        };
        gFullAt = fullAt;
        const bool full = !saves("Full");
        gFullAt = LONG_MAX;
        ::_exit(!full ? 5 : saves("Room") ? 0 : 6);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// What a record of EntryFor holds, as Query reads it.
Row WholeRecord(const QString& company, int key) {
    const entry::Entry record = EntryFor(company);
    Row row;
    for (const QString& text : record.texts) {
        row.push_back(text.toStdString());
    }
    row.push_back(record.date.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toStdString());
    row.push_back(std::to_string(key));
    return row;
}

TEST_F(Save, AKillAtAnyMomentOfTheTransactionLeavesTheRecordsOrOneMoreWholeOne) {
    // The engine's defaults, which make a commit one step: the journal's removal.
    EXPECT_EQ(Query(Path(), "PRAGMA journal_mode"), (std::vector<Row>{{"delete"}}));
    EXPECT_EQ(Query(Path(), "PRAGMA synchronous"), (std::vector<Row>{{"2"}}));  // FULL

    const long steps = SaveInChild(Path(), EntryFor(QStringLiteral("Save 1")), LONG_MAX);
    ASSERT_GT(steps, 6) << "a save changes the journal, the database and removes the journal";
    std::vector<Row> expected{WholeRecord(QStringLiteral("Save 1"), 1)};
    std::mt19937 random(std::random_device{}());
    std::vector<bool> killedAt(steps + 1, false);
    for (int round = 0; round < 120; ++round) {
        // Every step once in order, then random ones.
        const long killAt =
            round < steps ? round + 1 : std::uniform_int_distribution<long>(1, steps)(random);
        const QString company = QStringLiteral("Save %1").arg(expected.size() + 1);
        ASSERT_EQ(SaveInChild(Path(), EntryFor(company), killAt), -1) << "step " << killAt;
        killedAt[killAt] = true;

        // Whoever opens the file next, this program or another tool, rolls a torn save back
        // (a read-only look could not).
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open_v2(Path().toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr),
                  SQLITE_OK);
        sqlite3_stmt* check = nullptr;
        sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &check, nullptr);
        const bool stepped = sqlite3_step(check) == SQLITE_ROW;
        const std::string verdict =
            stepped ? reinterpret_cast<const char*>(sqlite3_column_text(check, 0)) : "no answer";
        sqlite3_finalize(check);
        sqlite3_close(db);
        ASSERT_EQ(verdict, "ok") << "step " << killAt;
        const std::vector<Row> now = Records();
        if (now.size() == expected.size() + 1) {
            expected.push_back(WholeRecord(company, static_cast<int>(expected.size()) + 1));
        }
        ASSERT_EQ(now, expected) << "killed before step " << killAt << " of " << steps;
    }
    EXPECT_EQ(std::count(killedAt.begin() + 1, killedAt.end(), true), steps);
    // Killed before the journal went, the save is lost whole; after, it is kept whole.
    EXPECT_GT(expected.size(), 1u);
    EXPECT_LT(expected.size(), 121u);
}

// A full disk, then room again: whichever write of a save meets the full disk, the next save in
// the same run stores its record, and nothing of the failed one stays.
TEST_F(Save, AfterAFullDiskTheNextSaveWorksAsSoonAsThereIsRoom) {
    int expected = 0;
    for (long fullAt = 1;; ++fullAt) {
        const int outcome = FullThenRoomInChild(Path(), fullAt);
        if (outcome == 5) {
            break;  // past the save's last write
        }
        ASSERT_EQ(outcome, 0) << "full at write " << fullAt;
        ++expected;
        ASSERT_EQ(Companies(Path()), std::vector<std::string>(expected, "Room"));
    }
    EXPECT_GT(expected, 2);
}

// The same on a real small file system that fills and empties, through Save Data itself: the
// failed save leaves nothing, the save once there is room again is stored and said so, once.
TEST_F(Save, OnARealFileSystemThatFillsAndEmptiesEverySaveIsWhatItSays) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "mounting a small file system needs root";
    }
    const QByteArray folder = app.folder.path().toLocal8Bit();
    ASSERT_EQ(::mount("tmpfs", folder.constData(), "tmpfs", 0, "size=1m,mode=0700"), 0)
        << std::strerror(errno);
    const std::unique_ptr<const char, void (*)(const char*)> unmount(
        folder.constData(), [](const char* dir) { ::umount2(dir, MNT_DETACH); });
    Create();
    ExpectUpdated();
    app.pages.frm02().cmdSave_Click();

    const QString filler = app.folder.filePath(QStringLiteral("filler"));
    QFile fill(filler);
    ASSERT_TRUE(fill.open(QIODevice::WriteOnly));
    const QByteArray block(4096, '\0');
    while (fill.write(block) == block.size() && fill.flush()) {
    }
    fill.close();
    const auto saveWith = [&](const char* capacity) {
        Edit(app.pages.frm02(), "txtDLQ3")->setText(QString::fromLatin1(capacity));
        app.pages.frm02().cmdSave_Click();
        EXPECT_TRUE(app.msg.AllShown()) << capacity;
    };
    app.msg.Expect(
        DatabaseNotUsable(Path(), "Writing to the table Details: database or disk is full"),
        kStyleExclamation, kDb);
    saveWith("1600");
    EXPECT_EQ(Query(Path(), "SELECT InstalledCapacity FROM Details"), std::vector<Row>{{"1500"}});

    ASSERT_TRUE(QFile::remove(filler));
    ExpectUpdated();
    saveWith("1700");
    ExpectUpdated();
    saveWith("1800");
    EXPECT_EQ(Query(Path(), "SELECT InstalledCapacity FROM Details ORDER BY DravikRecordKey"),
              (std::vector<Row>{{"1500"}, {"1700"}, {"1800"}}));
}

#endif

}  // namespace
