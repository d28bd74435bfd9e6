// The engine layer on real SQLite files (and, in test_records_postgres, on a real server): cursor
// steps at both ends, deletes and where the cursor goes after them, append order, the column
// rules the file itself enforces, and transactions.

#include "RecordsFixture.h"

namespace {

using Kind = dao::RecordStoreError::Kind;

class Engine : public RecordsTest {
protected:
    Engine() {
        Create();
        open();
    }
    void open() {
        database.emplace(store.OnServer() ? workspace.OpenDatabase(store.Name(), store.server,
                                                                   dao::ServerFormat())
                                          : workspace.OpenDatabase(Path()));
        cursor.emplace(database->OpenRecordset(kDetailsTable));
    }
    void reopen() {
        cursor.reset();
        database.reset();
        open();
    }
    std::string Current() const {
        return cursor->Fields(QStringLiteral("Company")).toString().toStdString();
    }

    // Erase as the browser does: delete, one on, and one back if that ran past the end.
    void EraseCurrent() {
        cursor->Delete();
        cursor->MoveNext();
        if (cursor->Eof() && !cursor->Bof()) {
            cursor->MovePrevious();
        }
    }

    dao::Workspace workspace = dao::DBEngine::Shared().Workspaces(0);
    std::optional<dao::Database> database;
    std::optional<dao::Recordset> cursor;
};

template <class F>
Kind KindOf(F&& f) {
    try {
        f();
    } catch (const dao::RecordStoreError& error) {
        return error.kind();
    }
    ADD_FAILURE() << "no RecordStoreError";
    return Kind::Io;
}

TEST_F(Engine, AnEmptyTableIsAtBothEndsAndEveryMoveFails) {
    EXPECT_TRUE(cursor->Bof());
    EXPECT_TRUE(cursor->Eof());
    EXPECT_EQ(KindOf([&] { cursor->MoveNext(); }), Kind::NoCurrentRecord);
    EXPECT_EQ(KindOf([&] { cursor->MovePrevious(); }), Kind::NoCurrentRecord);
    EXPECT_EQ(KindOf([&] { cursor->MoveFirst(); }), Kind::NoCurrentRecord);
    EXPECT_EQ(KindOf([&] { cursor->MoveLast(); }), Kind::NoCurrentRecord);
    EXPECT_EQ(KindOf([&] { cursor->Fields(QStringLiteral("Company")); }), Kind::NoCurrentRecord);
    EXPECT_EQ(KindOf([&] { cursor->Delete(); }), Kind::NoCurrentRecord);
    EXPECT_TRUE(cursor->Bof() && cursor->Eof());
}

TEST_F(Engine, OneRecordStepsOffEitherEndAndBackOntoIt) {
    Add(QStringLiteral("Only"));
    reopen();
    EXPECT_FALSE(cursor->Bof() || cursor->Eof());
    EXPECT_EQ(Current(), "Only");

    cursor->MoveNext();
    EXPECT_TRUE(cursor->Eof());
    EXPECT_FALSE(cursor->Bof());
    EXPECT_EQ(KindOf([&] { cursor->Fields(QStringLiteral("Company")); }), Kind::NoCurrentRecord);
    EXPECT_EQ(KindOf([&] { cursor->MoveNext(); }), Kind::NoCurrentRecord);
    cursor->MovePrevious();  // back from EOF lands on the last record
    EXPECT_EQ(Current(), "Only");

    cursor->MovePrevious();
    EXPECT_TRUE(cursor->Bof());
    EXPECT_FALSE(cursor->Eof());
    EXPECT_EQ(KindOf([&] { cursor->MovePrevious(); }), Kind::NoCurrentRecord);
    cursor->MoveNext();  // on from BOF lands on the first
    EXPECT_EQ(Current(), "Only");
}

TEST_F(Engine, ThreeRecordsComeBackInAppendOrder) {
    for (const char* name : {"Zulu", "Alpha", "Mike"}) {
        Add(QString::fromLatin1(name));
    }
    reopen();
    EXPECT_EQ(Current(), "Zulu");
    cursor->MoveNext();
    EXPECT_EQ(Current(), "Alpha");
    cursor->MoveNext();
    EXPECT_EQ(Current(), "Mike");
    cursor->MoveNext();
    EXPECT_TRUE(cursor->Eof());
    cursor->MoveFirst();
    EXPECT_EQ(Current(), "Zulu");
    cursor->MoveLast();
    EXPECT_EQ(Current(), "Mike");
    cursor->MovePrevious();
    EXPECT_EQ(Current(), "Alpha");
}

TEST_F(Engine, ErasingShowsTheFollowingRecordOrTheOneBeforeTheLast) {
    for (const char* name : {"A", "B", "C"}) {
        Add(QString::fromLatin1(name));
    }
    reopen();
    cursor->MoveNext();  // B, the middle one
    cursor->Delete();
    EXPECT_EQ(KindOf([&] { cursor->Fields(QStringLiteral("Company")); }), Kind::NoCurrentRecord);
    EXPECT_FALSE(cursor->Bof() || cursor->Eof());
    cursor->MoveNext();
    EXPECT_EQ(Current(), "C");

    EraseCurrent();  // C, the last: the one before it
    EXPECT_EQ(Current(), "A");

    EraseCurrent();  // A, the only one: empty
    EXPECT_TRUE(cursor->Bof() && cursor->Eof());
    EXPECT_TRUE(Companies(store).empty());

    // Deleting and stepping back from a deleted record.
    Add(QStringLiteral("D"));
    Add(QStringLiteral("E"));
    reopen();
    cursor->MoveLast();
    cursor->Delete();
    cursor->MovePrevious();
    EXPECT_EQ(Current(), "D");
}

TEST_F(Engine, AppendOrderHoldsAfterDeletesAndKeysNeverComeBack) {
    for (const char* name : {"A", "B", "C"}) {
        Add(QString::fromLatin1(name));
    }
    reopen();
    cursor->MoveLast();
    cursor->Delete();  // C had the highest key
    Add(QStringLiteral("D"));
    EXPECT_EQ(Companies(store), (std::vector<std::string>{"A", "B", "D"}));
    const auto keys = Query(store, R"(SELECT "DravikRecordKey" FROM "Details" ORDER BY 1)");
    EXPECT_EQ(keys.back()[0], "4");  // not C's 3 again

    // The open cursor sees the record added behind it.
    cursor->MoveNext();
    EXPECT_EQ(Current(), "D");
}

#ifndef DRAVIK_TEST_ON_SERVER
// Reads a big-endian whole number of `size` bytes.
quint32 BigEndian(const QByteArray& bytes, qsizetype at, int size) {
    quint32 value = 0;
    for (int i = 0; i < size; ++i) {
        value = (value << 8) | static_cast<quint8>(bytes[at + i]);
    }
    return value;
}

TEST_F(Engine, AMoveThatFailsAfterFindingNoRecordLeavesTheCursorOnItsRecord) {
    // Enough long records for several leaf pages, so that stepping on from the last record reads
    // other pages than the question whether the table still holds any.
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(Path().toUtf8().constData(), &db), SQLITE_OK);
    ASSERT_EQ(
        sqlite3_exec(db,
                     "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i "
                     "< 100) INSERT INTO Details (Company, Industry, BT1, BT2, BT3, BT4, "
                     "BT5, BT6) SELECT printf('C%d', i), printf('%.30c', 'x'), printf('%.30c', "
                     "'x'), printf('%.30c', 'x'), printf('%.30c', 'x'), printf('%.30c', 'x'), "
                     "printf('%.30c', 'x'), printf('%.30c', 'x') FROM n",
                     nullptr, nullptr, nullptr),
        SQLITE_OK);
    sqlite3_close(db);
    reopen();
    cursor->MoveLast();
    ASSERT_EQ(Current(), "C100");

    // Damage the first leaf page of the table and of its index of ids (which SQLite may read
    // instead to see whether the table holds any), and change the file's change counter so that
    // the cursor reads the pages afresh.
    QByteArray file = FileBytes(Path());
    const int pageSize = static_cast<int>(BigEndian(file, 16, 2));
    for (const char* tree : {"Details", "DravikRecordIdOnce"}) {
        quint32 page = std::stoul(Query(
            Path(),
            std::string("SELECT rootpage FROM sqlite_schema WHERE name = '") + tree + "'")[0][0]);
        if (tree == std::string("Details")) {
            ASSERT_EQ(static_cast<quint8>(file[(page - 1) * pageSize]), 0x05) << "one leaf page";
        }
        // Interior pages of a table (5) or an index (2): on to the leftmost child.
        while (static_cast<quint8>(file[(page - 1) * pageSize]) == 0x05 ||
               static_cast<quint8>(file[(page - 1) * pageSize]) == 0x02) {
            const qsizetype at = (page - 1) * pageSize;
            page = BigEndian(file, at + BigEndian(file, at + 12, 2), 4);
        }
        ASSERT_NE(page, 1u);
        file[(page - 1) * pageSize] = '\x00';
    }
    const quint32 changes = BigEndian(file, 24, 4) + 1;
    for (int i = 0; i < 4; ++i) {
        file[24 + i] = static_cast<char>(changes >> (8 * (3 - i)));
    }
    QFile out(Path());
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(file);
    out.close();

    EXPECT_EQ(KindOf([&] { cursor->MoveNext(); }), Kind::NotADatabase);
    EXPECT_FALSE(cursor->Bof() || cursor->Eof());
    EXPECT_EQ(Current(), "C100");
}

#endif

TEST_F(Engine, TextColumnsHoldOneToThirtyCharactersCountedAsCharacters) {
    const QString thirtyLatin(30, QLatin1Char('x'));
    const QString thirtyMixed = QString(27, QChar(0x00FC)) + QStringLiteral("漢字😀");
    const QString tricky = QStringLiteral("O'B\"); DROP TABLE Details;--");
    for (const QString& text : {thirtyLatin, thirtyMixed, QStringLiteral(" "), tricky}) {
        cursor->AddNew();
        cursor->Collect(QStringLiteral("Company"), text);
        cursor->Update();
    }
    cursor->AddNew();
    cursor->Collect(QStringLiteral("Company"), QVariant());  // no value at all
    cursor->Update();
    reopen();
    for (const QString& text : {thirtyLatin, thirtyMixed, QStringLiteral(" "), tricky}) {
        EXPECT_EQ(cursor->Fields(QStringLiteral("Company")).toString(), text);
        cursor->MoveNext();
    }
    EXPECT_FALSE(cursor->Fields(QStringLiteral("Company")).isValid());

    for (const QString& refused : {thirtyLatin + QLatin1Char('x'), thirtyMixed + QChar(0x00FC),
                                   QString(), QStringLiteral("")}) {
        cursor->AddNew();
        cursor->Collect(QStringLiteral("OutageCost"), refused);
        try {
            cursor->Update();
            ADD_FAILURE() << "stored " << refused.size() << " characters";
        } catch (const dao::RecordStoreError& error) {
            EXPECT_EQ(error.kind(), Kind::ValueRefused);
            EXPECT_EQ(error.field(), "OutageCost");
        }
    }
    EXPECT_EQ(Companies(store).size(), 5u);
}

#ifndef DRAVIK_TEST_ON_SERVER
TEST_F(Engine, TheFileHoldsEveryWriterToItsRules) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(Path().toUtf8().constData(), &db), SQLITE_OK);
    for (const char* sql : {"INSERT INTO Details (Company) VALUES ('')",
                            "INSERT INTO Details (Company) VALUES (printf('%.31c', 'x'))",
                            "INSERT INTO Details (Company) VALUES (x'41')",
                            "INSERT INTO Details (Date) VALUES ('yesterday')",
                            "INSERT INTO Details (Date) VALUES (46000.5)"}) {
        EXPECT_NE(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sql;
    }
    EXPECT_EQ(sqlite3_exec(db, "INSERT INTO Details (Date) VALUES ('2026-12-08 14:30:05')", nullptr,
                           nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    reopen();
    EXPECT_EQ(cursor->Fields(QStringLiteral("Date")).toDateTime(),
              QDateTime(QDate(2026, 12, 8), QTime(14, 30, 5)));
}

#endif

TEST_F(Engine, EditingWritesOnlyOnUpdateAndOnlyWhatTheColumnsTake) {
    EXPECT_EQ(KindOf([&] { cursor->Collect(QStringLiteral("Company"), QStringLiteral("x")); }),
              Kind::Misuse);
    EXPECT_EQ(KindOf([&] { cursor->Update(); }), Kind::Misuse);
    cursor->AddNew();
    EXPECT_EQ(KindOf([&] { cursor->Collect(QStringLiteral("Date"), QStringLiteral("today")); }),
              Kind::ValueRefused);
    EXPECT_EQ(KindOf([&] { cursor->Collect(QStringLiteral("Company"), 7); }), Kind::ValueRefused);
    EXPECT_EQ(KindOf([&] { cursor->Collect(QStringLiteral("NoSuchColumn"), QString()); }),
              Kind::Misuse);
    cursor->Collect(QStringLiteral("company"),
                    QStringLiteral("Acme"));  // names as the engine's: any case
    cursor->Update();
    cursor->MoveLast();
    cursor->Edit();
    cursor->Collect(QStringLiteral("Industry"), QStringLiteral("1 - Finance"));
    EXPECT_EQ(Query(store, R"(SELECT "Industry" FROM "Details")")[0][0], "NULL");
    cursor->Update();
    EXPECT_EQ(cursor->Fields(QStringLiteral("Industry")).toString(), "1 - Finance");
    EXPECT_EQ(Query(store, R"(SELECT "Company", "Industry" FROM "Details")")[0],
              (std::vector<std::string>{"Acme", "1 - Finance"}));
}

TEST_F(Engine, ATransactionNotCommittedLeavesNothing) {
    {
        dao::Transaction transaction(*database);
        cursor->AddNew();
        cursor->Update();
        cursor->MoveLast();
        EXPECT_FALSE(cursor->Fields(QStringLiteral("Company")).isValid());
    }
    EXPECT_TRUE(Companies(store).empty());

    // AppendDetailsRecord: a value refused after the empty record leaves no record either.
    entry::Entry record = EntryFor(QStringLiteral("Acme"));
    record.texts[16] = QString(31, QLatin1Char('9'));
    EXPECT_EQ(KindOf([&] { AppendDetailsRecord(Path(), record); }), Kind::ValueRefused);
    EXPECT_TRUE(Companies(Path()).empty());
}

TEST_F(Engine, AClosedCursorDatabaseOrWorkspaceRefusesWork) {
    cursor->Close();
    EXPECT_EQ(KindOf([&] { cursor->MoveNext(); }), Kind::Misuse);
    database->Close();
    EXPECT_EQ(KindOf([&] { database->OpenRecordset(kDetailsTable); }), Kind::Misuse);
    workspace.Close();
    EXPECT_EQ(KindOf([&] { workspace.OpenDatabase(Path()); }), Kind::Misuse);
    EXPECT_EQ(KindOf([&] { dao::DBEngine::Shared().Workspaces(1); }), Kind::Misuse);
    EXPECT_EQ(&dao::DBEngine::Shared(), &dao::DBEngine::Shared());
}

}  // namespace
