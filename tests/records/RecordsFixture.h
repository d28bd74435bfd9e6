#pragma once
// Helpers for the record store's tests: a real dravik.mdb in a private folder, and, in the
// executable built for a server (test_records_postgres, with DRAVIK_TEST_ON_SERVER), the tables
// on a private PostgreSQL server with the file as their outbox; records put in through the store,
// and a look into the store with its engine itself. The tests of the file's own behaviour stand
// in `#ifndef DRAVIK_TEST_ON_SERVER` sections.

#include "Entries.h"
#include "PostgresServer.h"
#include "records/DaoEngine.h"
#include "records/Details.h"
#include "records/SaveData.h"

#include <QDateTime>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#ifdef DRAVIK_TEST_ON_SERVER
inline constexpr bool kOnServer = true;
#else
inline constexpr bool kOnServer = false;
#endif

// An entry whose every text names the company and the column ("Acme Industry", ...).
inline entry::Entry EntryFor(const QString& company,
                             const QDateTime& date = QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7))) {
    entry::Entry record;
    record.texts[0] = company;
    for (std::size_t i = 1; i < record.texts.size(); ++i) {
        record.texts[i] = QString::number(i);
    }
    record.date = date;
    return record;
}

inline QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

using Rows = std::vector<std::vector<std::string>>;

// Rows of a query straight from the store, the file (read-only) or the server, each column as
// text ("NULL" for no value; dates as the file writes them).
inline Rows Query(const RecordStore& store, const std::string& sql) {
    Rows rows;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(
            store.OnServer() ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE"),
            QStringLiteral("dravik-test-query"));
        if (store.OnServer()) {
            db.setConnectOptions(store.server);
        } else {
            db.setDatabaseName(store.file);
            db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        }
        EXPECT_TRUE(db.open()) << store.Name().toStdString();
        QSqlQuery query(db);
        EXPECT_TRUE(query.exec(QString::fromStdString(sql))) << sql;
        while (query.next()) {
            std::vector<std::string> row;
            for (int c = 0; c < query.record().count(); ++c) {
                const QVariant value = query.value(c);
                row.push_back(value.isNull() ? "NULL"
                              : value.typeId() == QMetaType::QDateTime
                                  ? value.toDateTime().toString("yyyy-MM-dd HH:mm:ss").toStdString()
                                  : value.toString().toStdString());
            }
            rows.push_back(row);
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("dravik-test-query"));
    return rows;
}
inline Rows Query(const QString& path, const std::string& sql) {
    return Query(RecordStore{path, QString()}, sql);
}

// The 18 columns of a record, in order, for a SELECT.
inline std::string DetailsColumnList() {
    std::string list = "\"Company\"";
    for (std::size_t i = 1; i < DetailsColumns().size(); ++i) {
        list += std::string(", \"") + DetailsColumns()[i].name + "\"";
    }
    return list;
}

inline std::vector<std::string> Companies(const RecordStore& store) {
    std::vector<std::string> names;
    for (const auto& row :
         Query(store, R"(SELECT "Company" FROM "Details" ORDER BY "DravikRecordKey")")) {
        names.push_back(row[0]);
    }
    return names;
}
inline std::vector<std::string> Companies(const QString& path) {
    return Companies(RecordStore{path, QString()});
}

// The store of a program folder for the tests of this executable: the file, or the private
// server with the file as its outbox; made empty, and set as the user's (records.conf).
inline RecordStore TestStore(const QString& folder) {
    RecordStore store{DatabasePath(folder), QString()};
    QString why;
    if (kOnServer) {
        PostgresServer& server = PostgresServer::Shared();
        if (!server.Available()) {
            ADD_FAILURE() << server.Failure().toStdString();
        }
        store.server = server.Conninfo();
        WriteSetting(store.server, why);
    } else {
        RemoveSetting(why);
    }
    return store;
}

// The empty store: the file (created), and on a server its tables made afresh.
inline void CreateStore(const RecordStore& store) {
    CreateDetailsDatabase(store.file);
    if (store.OnServer()) {
        PostgresServer::Shared().Exec(
            QStringLiteral(R"(DROP TABLE IF EXISTS "Details", "DravikFormat")"));
        dao::Workspace workspace = dao::DBEngine::Shared().Workspaces(0);
        workspace.OpenDatabase(store.Name(), store.server, dao::ServerFormat(), CreateDetailsTable)
            .Close();
    }
}

// A record put in as Save Data puts it: into the file, or through the outbox to the server.
inline void AddTo(const RecordStore& store, const entry::Entry& record) {
    AppendDetailsRecord(store.file, record, {}, store.OnServer());
    if (store.OnServer()) {
        OpenDetails(store).Close();
    }
}

class RecordsTest : public ::testing::Test {
protected:
    QString Path() const { return DatabasePath(folder.path()); }
    void Create() { CreateStore(store); }
    void Add(const QString& company) { AddTo(store, EntryFor(company)); }

    QTemporaryDir folder;
    RecordStore store = TestStore(folder.path());
};
