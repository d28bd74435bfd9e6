#pragma once
// The record store's hold on SQLite, shared by the engine's own .cpp files: the owners of a
// connection and a statement, the one error type made from the engine's results, and how tables
// and columns are written and read back.

#include "records/DaoEngine.h"

#include <sqlite3.h>

#include <vector>

namespace dao {

// Another program holding the file gets this long to let go before we report it as locked.
inline constexpr int kBusyTimeoutMs = 250;
// Every table gets a hidden key that only grows, so records come back in the order appended,
// also after deletes.
inline const QString kKeyColumn = QStringLiteral("DravikRecordKey");
inline const QString kDateFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

QString Quoted(const QString& identifier);

[[noreturn]] void Throw(RecordStoreError::Kind kind, const QString& description,
                        const QString& field = QString());

// Turns an engine result into the one error type, with the engine's own description.
[[noreturn]] void ThrowEngine(sqlite3* db, int rc, const QString& doing);

QString DeclaredType(const Field& field);
// The declared type back into type code and size; false for a type this engine never makes.
bool ParseDeclaredType(const QString& declared, int& type, int& size);

class Connection {
public:
    // Opens the file with SQLite's open flags; throws RecordStoreError.
    Connection(const QString& path, int flags);
    ~Connection() { sqlite3_close_v2(db_); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    sqlite3* handle() const { return db_; }

    void Exec(const char* sql, const QString& doing);

private:
    sqlite3* db_ = nullptr;
};

class Statement {
public:
    Statement(Connection& connection, const QString& sql);
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    void Bind(int index, std::int64_t value) { sqlite3_bind_int64(stmt_, index, value); }
    void Bind(int index, const QString& text) {
        const QByteArray bytes = text.toUtf8();
        // constData() of an empty array is "" rather than null, so an empty text stays empty
        // text and never turns into a missing value.
        sqlite3_bind_text(stmt_, index, bytes.constData(), static_cast<int>(bytes.size()),
                          SQLITE_TRANSIENT);
    }
    void BindNull(int index) { sqlite3_bind_null(stmt_, index); }

    // True while there is a row; throws on failure. Reset() must follow the last step.
    bool Step(const QString& doing);
    // Releases the statement's hold on the file between uses.
    void Reset() {
        sqlite3_reset(stmt_);
        sqlite3_clear_bindings(stmt_);
    }

    std::int64_t Int(int column) const { return sqlite3_column_int64(stmt_, column); }
    bool IsNull(int column) const { return sqlite3_column_type(stmt_, column) == SQLITE_NULL; }
    QString Text(int column) const {
        const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
        return QString::fromUtf8(bytes, sqlite3_column_bytes(stmt_, column));
    }

private:
    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
};

// Resets a statement however its use ends.
class Use {
public:
    explicit Use(Statement& statement) : statement_(statement) {}
    ~Use() { statement_.Reset(); }
    Use(const Use&) = delete;
    Use& operator=(const Use&) = delete;

private:
    Statement& statement_;
};

struct StoredColumn {
    QString name;
    QString declared;
    bool key;
};

std::vector<StoredColumn> ReadColumns(Connection& connection, const QString& table);

}  // namespace dao
