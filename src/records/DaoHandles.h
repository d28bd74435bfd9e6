#pragma once
// The record store's hold on its engines, shared by the engine's own .cpp files: what differs
// between the file's engine (SQLite) and the server's (PostgreSQL) as one small description each,
// the owner of a connection and of a statement over Qt SQL, the one error type made from the
// engines' results, and how tables and columns are written and read back.

#include "records/DaoEngine.h"

#include <QSqlDatabase>
#include <QSqlQuery>

#include <memory>
#include <vector>

class QSqlError;

namespace dao {

// Another program holding the file gets this long to let go before we report it as locked.
inline constexpr int kBusyTimeoutMs = 250;
// Reaching a server is given up after this many seconds, unless its connection string says.
inline constexpr int kConnectTimeoutSeconds = 5;
inline const QString kDateFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

bool IsHidden(const QString& column);

// What one engine's SQL looks like where the engines differ: its Qt driver, the hidden columns a
// table gets and their rules, the form of a column's rule, how its tables are read, how a write
// transaction begins, how a record is inserted once by its id, where the format's version lives,
// and what its errors mean. The cursor, the database and the workspace are written once for both.
struct EngineSql {
    const char* driver;
    const char* name;                        // in messages: "file", "server"
    std::vector<const char*> hiddenColumns;  // definitions, after the fields
    std::vector<const char*> afterCreate;    // statements that complete a new table (%1 its name)
    const char* textRule;                    // %1 the column, %2 its size
    const char* dateType;
    const char* dateRule;  // %1 the column; empty: the type holds it
    // Rows of (name, declared type as VARCHAR(n), DATETIME or INTEGER, 1 for the key) of the
    // table bound as the one parameter, in their order.
    const char* columns;
    const char* beginWrite;
    const char* insertOnce;  // %1 table, %2 columns, %3 parameters: nothing if the id is there
    // The format's version: read (one row, one column), and written (%1 the version).
    const char* readVersion;
    const char* writeVersion;
    // The kind of failure a native error code says; Io for any other.
    RecordStoreError::Kind (*kindOf)(const QString& nativeCode);
};
const EngineSql& FileEngine();
const EngineSql& ServerEngine();

QString Quoted(const QString& identifier);

[[noreturn]] void Throw(RecordStoreError::Kind kind, const QString& description,
                        const QString& field = QString());

QString DeclaredType(const EngineSql& sql, const Field& field);
// The declared type back into type code and size; false for a type this engine never makes.
bool ParseDeclaredType(const QString& declared, int& type, int& size);

// One connection to an engine, owned here alone: a Qt SQL connection of its own name, closed and
// removed with this object.
class Connection {
public:
    // The file at path, which must exist: it is never made here.
    static std::shared_ptr<Connection> File(const QString& path);
    // A new file at path, made empty by the caller.
    static std::shared_ptr<Connection> NewFile(const QString& path);
    // The server of a PostgreSQL connection string (libpq's forms); name is how messages name it.
    static std::shared_ptr<Connection> Server(const QString& conninfo, const QString& name);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    const EngineSql& sql() const { return *sql_; }
    QSqlDatabase& database() { return database_; }
    const QString& name() const { return name_; }

    void Exec(const QString& statement, const QString& doing);
    // The failure of a statement or of the connection as the one error type.
    [[noreturn]] void ThrowFailure(const QSqlError& error, const QString& doing) const;

private:
    Connection(const EngineSql& sql, QString name);
    Connection(const EngineSql& sql, QString name, QString qtName, QSqlDatabase database)
        : sql_(&sql), name_(std::move(name)), qtName_(std::move(qtName)), database_(database) {}
    void OpenFile(const QString& path);

    const EngineSql* sql_;
    QString name_;
    QString qtName_;
    QSqlDatabase database_;
    QString conninfo_;  // a server's: its connection is kept for the next operation
};

// A prepared statement with its values bound by position (from 1).
class Statement {
public:
    Statement(std::shared_ptr<Connection> connection, QString sql);
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    void Bind(int index, std::int64_t value) {
        Prepare();
        query_.bindValue(index - 1, qlonglong(value));
    }
    // An empty text stays empty text and never turns into a missing value.
    void Bind(int index, const QString& text) {
        Prepare();
        query_.bindValue(index - 1, text.isNull() ? QStringLiteral("") : text);
    }
    void BindNull(int index) {
        Prepare();
        query_.bindValue(index - 1, QVariant());
    }

    // True while there is a row; throws on failure. Reset() must follow the last step.
    bool Step(const QString& doing);
    // Lets go of the statement's rows between uses.
    void Reset() {
        query_.finish();
        executed_ = false;
    }
    // The records a step that wrote changed.
    int Changes() const { return query_.numRowsAffected(); }

    std::int64_t Int(int column) const { return query_.value(column).toLongLong(); }
    bool IsNull(int column) const { return query_.isNull(column); }
    QVariant Value(int column) const { return query_.value(column); }
    QString Text(int column) const { return query_.value(column).toString(); }

private:
    void Prepare();

    std::shared_ptr<Connection> connection_;
    QSqlQuery query_;
    QString sql_;
    bool prepared_ = false;
    bool executed_ = false;
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

std::vector<StoredColumn> ReadColumns(const std::shared_ptr<Connection>& connection,
                                      const QString& table);

}  // namespace dao
