#pragma once
// Helpers for the record store's tests: a real dravik.mdb in a private folder, records put in
// through the engine, and a look into the file with SQLite itself.

#include "Entries.h"
#include "records/DaoEngine.h"
#include "records/Details.h"
#include "records/SaveData.h"

#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

// Rows of a query straight from the file, each column as text ("NULL" for no value).
inline std::vector<std::vector<std::string>> Query(const QString& path, const char* sql) {
    sqlite3* db = nullptr;
    std::vector<std::vector<std::string>> rows;
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) !=
        SQLITE_OK) {
        ADD_FAILURE() << "cannot open " << path.toStdString();
        sqlite3_close(db);
        return rows;
    }
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK) {
        ADD_FAILURE() << sqlite3_errmsg(db);
    }
    while (stmt && sqlite3_step(stmt) == SQLITE_ROW) {
        std::vector<std::string> row;
        for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, c));
            row.push_back(text ? text : "NULL");
        }
        rows.push_back(row);
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return rows;
}

inline std::vector<std::string> Companies(const QString& path) {
    std::vector<std::string> names;
    for (const auto& row : Query(path, "SELECT Company FROM Details ORDER BY DravikRecordKey")) {
        names.push_back(row[0]);
    }
    return names;
}

class RecordsTest : public ::testing::Test {
protected:
    QString Path() const { return DatabasePath(folder.path()); }
    void Create() { CreateDetailsDatabase(Path()); }
    void Add(const QString& company) { AppendDetailsRecord(Path(), EntryFor(company)); }

    QTemporaryDir folder;
};
