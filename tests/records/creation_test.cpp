// Creating the database: the table and its columns, a second press, the program's folder rather
// than the working directory, failures that leave no file, and files named dravik.mdb that are
// not ours, which are reported and never touched.

#include "RecordsFixture.h"
#include "TestApp.h"
#include "records/frm99Create.h"

#include <QDir>
#include <QPushButton>

#include <sys/stat.h>
#include <unistd.h>

namespace {

using Kind = dao::RecordStoreError::Kind;

Kind OpenFails(const QString& path) {
    try {
        dao::Workspace workspace = dao::DBEngine::Shared().Workspaces(0);
        dao::Database database = workspace.OpenDatabase(path);
        database.OpenRecordset(kDetailsTable);
    } catch (const dao::RecordStoreError& error) {
        return error.kind();
    }
    ADD_FAILURE() << "opened " << path.toStdString();
    return Kind::Io;
}

// The customers' records are the user's alone: the file and its journal, whatever the umask.
TEST(Creation, TheFileAndItsJournalAreTheUsersAlone) {
    QTemporaryDir folder;
    const QString path = DatabasePath(folder.path());
    const mode_t before = ::umask(0);
    CreateDetailsDatabase(path);
    ::umask(before);
    const auto mode = [](const QString& file) {
        struct stat found {};
        return ::stat(QFile::encodeName(file).constData(), &found) == 0 ? found.st_mode & 0777
                                                                        : 01000u;
    };
    EXPECT_EQ(mode(path), 0600u);
    sqlite3* writer = nullptr;
    ASSERT_EQ(sqlite3_open(path.toUtf8().constData(), &writer), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(writer, "BEGIN IMMEDIATE; INSERT INTO Details (Company) VALUES ('x')",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    EXPECT_EQ(mode(path + QStringLiteral("-journal")), 0600u);
    sqlite3_close(writer);
}

TEST(Creation, MakesDetailsWithItsEighteenColumnsInOrderAndNoRecords) {
    TestApp app;
    QTemporaryDir elsewhere;
    const QString before = QDir::currentPath();
    QDir::setCurrent(elsewhere.path());
    auto& window = app.pages.frm99Create();
    EXPECT_EQ(window.windowTitle(), "Form1");
    EXPECT_EQ(Button(window, "cmdCreate")->text(), "Create DB");
    app.msg.Expect(kDatabaseCreated, kStyleOk, kCreate);
    Button(window, "cmdCreate")->click();
    QDir::setCurrent(before);

    const QString path = DatabasePath(app.folder.path());
    EXPECT_TRUE(QFileInfo::exists(path));
    EXPECT_FALSE(QFileInfo::exists(DatabasePath(elsewhere.path())));
    EXPECT_EQ(QDir(app.folder.path()).entryList(QDir::Files), QStringList{"dravik.mdb"});

    dao::Workspace workspace = dao::DBEngine::Shared().Workspaces(0);
    dao::Database database = workspace.OpenDatabase(path);
    const dao::TableDef details = database.TableDefs()[QStringLiteral("Details")];
    ASSERT_EQ(details.Fields().Count(), 18);
    for (int i = 0; i < 18; ++i) {
        const DetailsColumn& expected = DetailsColumns()[i];
        EXPECT_EQ(details.Fields()[i].Name(), QLatin1String(expected.name));
        EXPECT_EQ(details.Fields()[i].Type(), i < 17 ? dao::dbText : dao::dbDate);
        if (i < 17) {
            EXPECT_EQ(details.Fields()[i].Size(), 30) << expected.name;
        }
    }
    EXPECT_EQ(DetailsColumns()[8].name, std::string("InstalledCapacity"));
    // The same, seen by SQLite itself: the declared types carry the sizes.
    const auto info = Query(path, "SELECT name, type FROM pragma_table_info('Details')");
    ASSERT_EQ(info.size(), 22u);  // and, hidden, the key, the id, who saved it, the unsent mark
    EXPECT_EQ(info[0], (std::vector<std::string>{"Company", "VARCHAR(30)"}));
    EXPECT_EQ(info[17], (std::vector<std::string>{"Date", "DATETIME"}));
    EXPECT_EQ(info[19], (std::vector<std::string>{"DravikRecordId", "VARCHAR(36)"}));
    EXPECT_EQ(Query(path, "SELECT count(*) FROM Details")[0][0], "0");
    EXPECT_EQ(Query(path,
                    "SELECT name FROM sqlite_schema WHERE type = 'table' AND name NOT "
                    "LIKE 'sqlite%'"),
              (std::vector<std::vector<std::string>>{{"Details"}}));
}

TEST(Creation, ASecondPressLeavesTheFileAndItsRecordsAsTheyWere) {
    TestApp app;
    const QString path = DatabasePath(app.folder.path());
    CreateDetailsDatabase(path);
    AppendDetailsRecord(path, EntryFor(QStringLiteral("Kept")));
    const QByteArray before = FileBytes(path);

    app.msg.Expect(
        QStringLiteral("A database already exists at\r%1\rIt was left unchanged.").arg(path),
        kStyleExclamation, kCreate);
    Button(app.pages.frm99Create(), "cmdCreate")->click();
    EXPECT_EQ(FileBytes(path), before);
    EXPECT_EQ(Companies(path), (std::vector<std::string>{"Kept"}));
}

TEST(Creation, AFailedCreationSaysWhyAndLeavesNoFile) {
    // A folder that is not there.
    TestApp app;
    app.platform.programFolder = app.folder.filePath(QStringLiteral("gone"));
    app.msg.Expect(QStringLiteral("The database\r%1\rcould not be used:\rCreating a file in %2: "
                                  "No such file or directory")
                       .arg(DatabasePath(app.platform.programFolder), app.platform.programFolder),
                   kStyleExclamation, kCreate);
    Button(app.pages.frm99Create(), "cmdCreate")->click();
    EXPECT_TRUE(QDir(app.folder.path()).isEmpty());

    // A failure after the file was begun: nothing under either name.
    const QString path = DatabasePath(app.folder.path());
    {
        dao::Workspace workspace = dao::DBEngine::Shared().Workspaces(0);
        dao::Database database = workspace.CreateDatabase(path, kDetailsLocale);
        dao::TableDef table = database.CreateTableDef(kDetailsTable);
        dao::Field bad = table.CreateField(QStringLiteral("Company"), dao::dbText);
        bad.SetSize(0);
        table.Fields().Append(bad);
        EXPECT_THROW(database.TableDefs().Append(table), dao::RecordStoreError);
    }
    EXPECT_TRUE(QDir(app.folder.path()).isEmpty());

    // A file that appears under the name while the database is being built is not replaced.
    {
        dao::Workspace workspace = dao::DBEngine::Shared().Workspaces(0);
        dao::Database database = workspace.CreateDatabase(path, kDetailsLocale);
        QFile other(path);
        ASSERT_TRUE(other.open(QIODevice::WriteOnly));
        other.write("someone else's");
        other.close();
        try {
            database.Close();
            ADD_FAILURE() << "replaced a file";
        } catch (const dao::RecordStoreError& error) {
            EXPECT_EQ(error.kind(), Kind::FileExists);
        }
    }
    EXPECT_EQ(FileBytes(path), "someone else's");
    EXPECT_EQ(QDir(app.folder.path()).entryList(QDir::Files), QStringList{"dravik.mdb"});
}

class ForeignFile : public RecordsTest {};

TEST_F(ForeignFile, IsReportedAndNeverModified) {
    const auto check = [this](const QByteArray& content, Kind expected) {
        QFile file(Path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
        file.close();
        EXPECT_EQ(OpenFails(Path()), expected);
        EXPECT_THROW(AppendDetailsRecord(Path(), EntryFor(QStringLiteral("x"))),
                     dao::RecordStoreError);
        EXPECT_EQ(FileBytes(Path()), content);
    };
    check("garbage, not a database at all\n", Kind::NotADatabase);
    check(QByteArray(), Kind::NotADatabase);
    check(QByteArray("SQLite format 3\0", 16) + QByteArray(4000, '\x7f'), Kind::NotADatabase);
}

TEST_F(ForeignFile, AnotherProgramsSqliteFileOrOneWithoutDetailsIsLeftAlone) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(Path().toUtf8().constData(), &db), SQLITE_OK);
    sqlite3_exec(db, "CREATE TABLE Details (Company TEXT)", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    const QByteArray foreign = FileBytes(Path());
    EXPECT_EQ(OpenFails(Path()), Kind::NotADatabase);
    EXPECT_EQ(FileBytes(Path()), foreign);

    QFile::remove(Path());
    {
        dao::Workspace workspace = dao::DBEngine::Shared().Workspaces(0);
        dao::Database database = workspace.CreateDatabase(Path(), kDetailsLocale);
        dao::TableDef other = database.CreateTableDef(QStringLiteral("Other"));
        other.Fields().Append(other.CreateField(QStringLiteral("Name"), dao::dbText));
        database.TableDefs().Append(other);
        database.Close();
    }
    const QByteArray ours = FileBytes(Path());
    EXPECT_EQ(OpenFails(Path()), Kind::NoTable);
    EXPECT_EQ(FileBytes(Path()), ours);
}

TEST_F(ForeignFile, ALockHeldByAnotherProgramIsReportedAsSuch) {
    Create();
    Add(QStringLiteral("Kept"));
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(Path().toUtf8().constData(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    EXPECT_EQ(OpenFails(Path()), Kind::Locked);
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_EQ(Companies(Path()), (std::vector<std::string>{"Kept"}));
}

TEST_F(ForeignFile, AReadOnlyFileIsReadButNotWritten) {
    Create();
    Add(QStringLiteral("Kept"));
    QFile::setPermissions(Path(), QFileDevice::ReadOwner | QFileDevice::ReadGroup);
    if (::geteuid() == 0) {
        GTEST_SKIP() << "file permissions do not hold for root";
    }
    const QByteArray before = FileBytes(Path());
    try {
        AppendDetailsRecord(Path(), EntryFor(QStringLiteral("New")));
        ADD_FAILURE() << "wrote to a read-only file";
    } catch (const dao::RecordStoreError& error) {
        EXPECT_EQ(error.kind(), Kind::ReadOnly);
    }
    EXPECT_EQ(FileBytes(Path()), before);
}

// A file carries the version of its format: an older one is brought up to this release's in one
// transaction, here to a made-up next format that adds a column.
TEST_F(ForeignFile, AnOlderFormatIsBroughtUpInOneTransactionAndANewerOneIsRefused) {
    Create();
    Add(QStringLiteral("Kept"));
    const char* const addNotes = "ALTER TABLE Details ADD COLUMN Notes VARCHAR(30)";
    const int next = dao::ThisFormat().version + 1;
    const auto open = [this](const dao::FileFormat& format) {
        dao::Workspace workspace = dao::DBEngine::Shared().Workspaces(0);
        workspace.OpenDatabase(Path(), format).OpenRecordset(kDetailsTable);
    };
    const QByteArray before = FileBytes(Path());
    EXPECT_THROW(open({next + 1, {{next - 1, {addNotes}}, {next, {"ALTER TABLE Nowhere ADD x"}}}}),
                 dao::RecordStoreError);
    EXPECT_EQ(FileBytes(Path()), before);

    open({next, {{next - 1, {addNotes}}}});
    EXPECT_EQ(Query(Path(), "PRAGMA user_version")[0][0], std::to_string(next));
    EXPECT_EQ(Query(Path(),
                    "SELECT count(*) FROM pragma_table_info('Details') WHERE name = "
                    "'Notes'")[0][0],
              "1");
    EXPECT_EQ(Companies(Path()), (std::vector<std::string>{"Kept"}));

    // This release's format is now older than the file's.
    const QByteArray migrated = FileBytes(Path());
    EXPECT_EQ(OpenFails(Path()), Kind::NewerRelease);
    EXPECT_THROW(Add(QStringLiteral("New")), dao::RecordStoreError);
    EXPECT_EQ(FileBytes(Path()), migrated);
}

// A file of the first release, as it stands on users' disks: its records get their ids, each
// its own, and keep everything else.
TEST_F(ForeignFile, AFileOfTheFirstReleaseGivesItsRecordsTheirIds) {
    Create();
    Add(QStringLiteral("First"));
    Add(QStringLiteral("Second"));
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(Path().toUtf8().constData(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db,
                           R"(DROP INDEX "DravikRecordIdOnce";
                              ALTER TABLE "Details" DROP COLUMN "DravikRecordId";
                              ALTER TABLE "Details" DROP COLUMN "DravikSavedBy";
                              ALTER TABLE "Details" DROP COLUMN "DravikUnsent";
                              PRAGMA user_version = 1;)",
                           nullptr, nullptr, nullptr),
              SQLITE_OK)
        << sqlite3_errmsg(db);
    sqlite3_close(db);

    OpenDetails(Path()).Close();
    const Rows rows = Query(Path(), R"(SELECT "Company", "DravikRecordId", "DravikSavedBy"
                                       FROM "Details" ORDER BY "DravikRecordKey")");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][1].size(), 36u);
    EXPECT_NE(rows[0][1], rows[1][1]);
    EXPECT_EQ(rows[1][0], "Second");
    EXPECT_EQ(rows[1][2], "NULL");  // who saved it is not known
    EXPECT_EQ(Query(Path(), "PRAGMA user_version")[0][0],
              std::to_string(dao::ThisFormat().version));
}

TEST(FailureText, SaysWhatWentWrongAndWhatToDo) {
    const QString path = QStringLiteral("/opt/dravik/dravik.mdb");
    const QString missing = DatabaseFailureText(
        dao::RecordStoreError(Kind::NoFile, QStringLiteral("Could not find")), path);
    EXPECT_TRUE(missing.contains(path));
    EXPECT_TRUE(missing.contains(QStringLiteral("dravik-create-db")));
    const QString tooLong = DatabaseFailureText(
        dao::RecordStoreError(Kind::ValueRefused, QStringLiteral("CHECK"), QStringLiteral("BT3")),
        path);
    EXPECT_TRUE(tooLong.startsWith(QStringLiteral("\"Business Type\" can not be stored")));
    EXPECT_TRUE(DatabaseFailureText(dao::RecordStoreError(Kind::Locked, QString()), path)
                    .contains(QStringLiteral("in use by another program")));
    EXPECT_TRUE(DatabaseFailureText(dao::RecordStoreError(Kind::ReadOnly, QString()), path)
                    .contains(QStringLiteral("read-only")));
}

}  // namespace
