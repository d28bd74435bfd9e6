#include "records/DaoHandles.h"

#include <QRegularExpression>

namespace dao {

QString Quoted(const QString& identifier) {
    return QLatin1Char('"') +
           QString(identifier).replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

void Throw(RecordStoreError::Kind kind, const QString& description, const QString& field) {
    throw RecordStoreError(kind, description, field);
}

void ThrowEngine(sqlite3* db, int rc, const QString& doing) {
    const QString detail =
        db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
    const QString description = doing + QStringLiteral(": ") + detail;
    using Kind = RecordStoreError::Kind;
    switch (rc & 0xFF) {
        case SQLITE_CONSTRAINT: {
            // Each column's check carries the column's name: "CHECK constraint failed: Company".
            static const QRegularExpression named(QStringLiteral("constraint failed: \"?(\\w+)"));
            const auto match = named.match(detail);
            Throw(Kind::ValueRefused, description,
                  match.hasMatch() ? match.captured(1) : QString());
        }
        case SQLITE_READONLY:
            // The name now leads to another file than the one opened (it was replaced, or moved
            // away): nothing read-only about it.
            Throw(rc == SQLITE_READONLY_DBMOVED ? Kind::Replaced : Kind::ReadOnly, description);
        case SQLITE_PERM:
            Throw(Kind::ReadOnly, description);
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            Throw(Kind::Locked, description);
        case SQLITE_NOTADB:
        case SQLITE_CORRUPT:
        case SQLITE_FORMAT:
            Throw(Kind::NotADatabase, description);
        default:
            Throw(Kind::Io, description);
    }
}

QString DeclaredType(const Field& field) {
    return field.Type() == dbDate ? QStringLiteral("DATETIME")
                                  : QStringLiteral("VARCHAR(%1)").arg(field.Size());
}

bool ParseDeclaredType(const QString& declared, int& type, int& size) {
    static const QRegularExpression text(QStringLiteral("^VARCHAR\\((\\d+)\\)$"));
    if (declared == QLatin1String("DATETIME")) {
        type = dbDate;
        size = 8;
        return true;
    }
    if (const auto match = text.match(declared); match.hasMatch()) {
        type = dbText;
        size = match.captured(1).toInt();
        return true;
    }
    return false;
}

std::vector<StoredColumn> ReadColumns(Connection& connection, const QString& table) {
    Statement info(connection,
                   QStringLiteral("SELECT name, type, pk FROM pragma_table_info(?1) ORDER BY cid"));
    info.Bind(1, table);
    Use use(info);
    std::vector<StoredColumn> columns;
    while (info.Step(QStringLiteral("Reading the table ") + table)) {
        columns.push_back({info.Text(0), info.Text(1).toUpper(), info.Int(2) == 1});
    }
    return columns;
}

Connection::Connection(const QString& path, int flags) {
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &db_, flags, nullptr);
    if (rc != SQLITE_OK) {
        // A failed open still hands back a handle, which carries the description.
        const QString description = QString::fromUtf8(db_ ? sqlite3_errmsg(db_) : "");
        sqlite3_close_v2(db_);
        db_ = nullptr;
        Throw(rc == SQLITE_CANTOPEN ? RecordStoreError::Kind::Io
                                    : RecordStoreError::Kind::NotADatabase,
              QStringLiteral("Opening %1: %2").arg(path, description));
    }
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
    // A file from elsewhere gets no say: its schema may not run functions with side effects,
    // nor may anything here write to the schema behind the engine's back.
    sqlite3_db_config(db_, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    sqlite3_db_config(db_, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
}
void Connection::Exec(const char* sql, const QString& doing) {
    const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        ThrowEngine(db_, rc, doing);
    }
}

Statement::Statement(Connection& connection, const QString& sql) : db_(connection.handle()) {
    const QByteArray text = sql.toUtf8();
    const int rc = sqlite3_prepare_v3(db_, text.constData(), static_cast<int>(text.size()),
                                      SQLITE_PREPARE_PERSISTENT, &stmt_, nullptr);
    if (rc != SQLITE_OK) {
        ThrowEngine(db_, rc, QStringLiteral("Reading the database"));
    }
}
bool Statement::Step(const QString& doing) {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) {
        return true;
    }
    if (rc == SQLITE_DONE) {
        return false;
    }
    sqlite3_reset(stmt_);
    ThrowEngine(db_, rc, doing);
}
}  // namespace dao
