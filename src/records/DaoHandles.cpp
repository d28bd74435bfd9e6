#include "records/DaoHandles.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QUrl>

#include <libpq-fe.h>
#include <sqlite3.h>
#include <unistd.h>

#include <atomic>
#include <map>
#include <mutex>
#include <optional>

namespace dao {

namespace {

using Kind = RecordStoreError::Kind;

Kind FileKind(const QString& code) {
    bool number = false;
    const int rc = code.toInt(&number);
    if (!number) {
        return Kind::Io;
    }
    // The name now leads to another file than the one opened (replaced, or moved away).
    if (rc == SQLITE_READONLY_DBMOVED) {
        return Kind::Replaced;
    }
    switch (rc & 0xFF) {
        case SQLITE_CONSTRAINT:
            return Kind::ValueRefused;
        case SQLITE_READONLY:
        case SQLITE_PERM:
            return Kind::ReadOnly;
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return Kind::Locked;
        case SQLITE_NOTADB:
        case SQLITE_CORRUPT:
        case SQLITE_FORMAT:
            return Kind::NotADatabase;
        default:
            return Kind::Io;
    }
}

// By SQLSTATE: the server's classes of failure.
Kind ServerKind(const QString& state) {
    // An integrity rule (a check, a missing or a second value), or a value its type refuses.
    if (state.startsWith(QLatin1String("23")) || state.startsWith(QLatin1String("22"))) {
        return Kind::ValueRefused;
    }
    if (state == u"42501") {
        return Kind::Denied;  // a right the role lacks
    }
    if (state == u"42P01") {
        return Kind::NoTable;
    }
    // Lost or refused connections, sign-in refused, the server shutting down or out of
    // resources: the server cannot be used now.
    if (state.isEmpty() || state.startsWith(QLatin1String("08")) ||
        state.startsWith(QLatin1String("28")) || state.startsWith(QLatin1String("53")) ||
        state.startsWith(QLatin1String("57P"))) {
        return Kind::Unreachable;
    }
    if (state == u"40001" || state == u"40P01" || state == u"55P03") {
        return Kind::Locked;
    }
    return Kind::Io;
}

std::atomic<int> gConnections{0};

// A server's connection outlives its last user, for the next operation: a new one costs the
// server a process of its own, several times an operation's time. One is kept per connection
// string, and asked whether it still works before it is used again. A forked child never uses
// its parent's (their messages would mix on one socket).
struct IdleConnection {
    QString qtName;
    pid_t owner;
};
std::mutex gIdleLock;
std::map<QString, IdleConnection> gIdle;

void CloseIdle() {
    const std::lock_guard<std::mutex> hold(gIdleLock);
    for (const auto& [conninfo, idle] : gIdle) {
        if (idle.owner == ::getpid()) {
            QSqlDatabase::database(idle.qtName, false).close();
            QSqlDatabase::removeDatabase(idle.qtName);
        }
    }
    gIdle.clear();
}

std::optional<QString> TakeIdle(const QString& conninfo) {
    const std::lock_guard<std::mutex> hold(gIdleLock);
    const auto found = gIdle.find(conninfo);
    if (found == gIdle.end()) {
        return std::nullopt;
    }
    const IdleConnection idle = found->second;
    gIdle.erase(found);
    if (idle.owner != ::getpid()) {
        return std::nullopt;
    }
    return idle.qtName;
}

bool PutIdle(const QString& conninfo, const QString& qtName) {
    const std::lock_guard<std::mutex> hold(gIdleLock);
    if (gIdle.count(conninfo) != 0 || !QCoreApplication::instance()) {
        return false;
    }
    static const bool closedAtExit = [] {
        qAddPostRoutine(CloseIdle);
        return true;
    }();
    (void)closedAtExit;
    gIdle[conninfo] = {qtName, ::getpid()};
    return true;
}

}  // namespace

// The checks live in the tables, so that every writer is held to them. In the file a text holds
// 1 to Size characters (length() counts characters, not bytes) or nothing at all, and a date is
// stored in one canonical form, which datetime() reproduces exactly; the server's types hold the
// dates.
const EngineSql& FileEngine() {
    static const EngineSql engine{
        "QSQLITE",
        "file",
        {R"("DravikRecordKey" INTEGER PRIMARY KEY AUTOINCREMENT)",
         R"("DravikRecordId" VARCHAR(36) CONSTRAINT "DravikRecordId" CHECK ("DravikRecordId" IS NULL OR (typeof("DravikRecordId") = 'text' AND length("DravikRecordId") = 36)))",
         R"("DravikSavedBy" VARCHAR(64) CONSTRAINT "DravikSavedBy" CHECK ("DravikSavedBy" IS NULL OR (typeof("DravikSavedBy") = 'text' AND length("DravikSavedBy") BETWEEN 1 AND 64)))",
         R"("DravikUnsent" INTEGER CONSTRAINT "DravikUnsent" CHECK ("DravikUnsent" IS NULL OR "DravikUnsent" = 1))"},
        {R"(CREATE UNIQUE INDEX "DravikRecordIdOnce" ON %1 ("DravikRecordId"))"},
        "typeof(%1) = 'text' AND length(%1) BETWEEN 1 AND %2",
        "DATETIME",
        "typeof(%1) = 'text' AND %1 IS datetime(%1)",
        "SELECT name, upper(type), pk = 1 FROM pragma_table_info(?) ORDER BY cid",
        // Immediate: the write lock is taken now, so nothing can slip in between our steps.
        "BEGIN IMMEDIATE",
        "INSERT OR IGNORE INTO %1 (%2) VALUES (%3)",
        "PRAGMA user_version",
        "PRAGMA user_version = %1",
        FileKind,
    };
    return engine;
}

const EngineSql& ServerEngine() {
    static const EngineSql engine{
        "QPSQL",
        "server",
        {R"("DravikRecordKey" BIGINT GENERATED ALWAYS AS IDENTITY PRIMARY KEY)",
         R"("DravikRecordId" VARCHAR(36) NOT NULL CONSTRAINT "DravikRecordIdOnce" UNIQUE CONSTRAINT "DravikRecordId" CHECK (char_length("DravikRecordId") = 36))",
         R"("DravikSavedBy" VARCHAR(64) CONSTRAINT "DravikSavedBy" CHECK ("DravikSavedBy" IS NULL OR char_length("DravikSavedBy") BETWEEN 1 AND 64))"},
        {},
        "char_length(%1) BETWEEN 1 AND %2",
        "TIMESTAMP(0)",
        "",
        R"(SELECT a.attname,
                  CASE WHEN t.typname = 'varchar' THEN 'VARCHAR(' || (a.atttypmod - 4) || ')'
                       WHEN t.typname = 'timestamp' THEN 'DATETIME'
                       WHEN t.typname IN ('int8', 'int4', 'int2') THEN 'INTEGER'
                       ELSE upper(t.typname) END,
                  coalesce(a.attnum = ANY (i.indkey::int2[]), false)
             FROM pg_attribute a
             JOIN pg_type t ON t.oid = a.atttypid
             LEFT JOIN pg_index i ON i.indrelid = a.attrelid AND i.indisprimary
            WHERE a.attrelid = to_regclass(quote_ident(?)) AND a.attnum > 0
              AND NOT a.attisdropped
            ORDER BY a.attnum)",
        "BEGIN",
        R"(INSERT INTO %1 (%2) VALUES (%3) ON CONFLICT ("DravikRecordId") DO NOTHING)",
        R"(SELECT version FROM "DravikFormat")",
        R"(UPDATE "DravikFormat" SET version = %1)",
        ServerKind,
    };
    return engine;
}

bool IsHidden(const QString& column) {
    for (const QString& hidden : {kKeyColumn, kIdColumn, kSavedByColumn, kUnsentColumn}) {
        if (column.compare(hidden, Qt::CaseInsensitive) == 0) {
            return true;
        }
    }
    return false;
}

QString Quoted(const QString& identifier) {
    return QLatin1Char('"') +
           QString(identifier).replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

void Throw(RecordStoreError::Kind kind, const QString& description, const QString& field) {
    throw RecordStoreError(kind, description, field);
}

QString DeclaredType(const EngineSql& sql, const Field& field) {
    switch (field.Type()) {
        case dbDate:
            return QString::fromLatin1(sql.dateType);
        case dbLong:
            return QStringLiteral("INTEGER");
        default:
            return QStringLiteral("VARCHAR(%1)").arg(field.Size());
    }
}

bool ParseDeclaredType(const QString& declared, int& type, int& size) {
    static const QRegularExpression text(QStringLiteral("^VARCHAR\\((\\d+)\\)$"));
    if (declared == QLatin1String("DATETIME")) {
        type = dbDate;
        size = 8;
        return true;
    }
    if (declared == QLatin1String("INTEGER")) {
        type = dbLong;
        size = 4;
        return true;
    }
    if (const auto match = text.match(declared); match.hasMatch()) {
        type = dbText;
        size = match.captured(1).toInt();
        return true;
    }
    return false;
}

std::vector<StoredColumn> ReadColumns(const std::shared_ptr<Connection>& connection,
                                      const QString& table) {
    Statement info(connection, QString::fromLatin1(connection->sql().columns));
    info.Bind(1, table);
    Use use(info);
    std::vector<StoredColumn> columns;
    while (info.Step(QStringLiteral("Reading the table ") + table)) {
        columns.push_back({info.Text(0), info.Text(1).toUpper(), info.Value(2).toBool()});
    }
    return columns;
}

Connection::Connection(const EngineSql& sql, QString name)
    : sql_(&sql),
      name_(std::move(name)),
      qtName_(QStringLiteral("dravik-records-%1").arg(gConnections.fetch_add(1))) {
    database_ = QSqlDatabase::addDatabase(QString::fromLatin1(sql.driver), qtName_);
}

Connection::~Connection() {
    if (!conninfo_.isEmpty() && database_.isOpen() && PutIdle(conninfo_, qtName_)) {
        return;
    }
    database_.close();
    database_ = QSqlDatabase();
    QSqlDatabase::removeDatabase(qtName_);
}

std::shared_ptr<Connection> Connection::File(const QString& path) {
    std::shared_ptr<Connection> made(new Connection(FileEngine(), path));
    made->OpenFile(path);
    return made;
}

void Connection::OpenFile(const QString& path) {
    // mode=rw: never made afresh, also when the file went missing meanwhile.
    database_.setDatabaseName(QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded) +
                              QStringLiteral("?mode=rw"));
    database_.setConnectOptions(
        QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs));
    if (!database_.open()) {
        const QSqlError error = database_.lastError();
        Throw(error.nativeErrorCode().toInt() == SQLITE_CANTOPEN ? Kind::Io : Kind::NotADatabase,
              QStringLiteral("Opening %1: %2")
                  .arg(path,
                       error.databaseText().isEmpty() ? error.driverText() : error.databaseText()));
    }
    const QVariant handle = database_.driver()->handle();
    if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0) {
        sqlite3* const db = *static_cast<sqlite3* const*>(handle.data());
        sqlite3_extended_result_codes(db, 1);
        // A file from elsewhere gets no say: its schema may not run functions with side effects,
        // nor may anything here write to the schema behind the engine's back.
        sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
        sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    }
}

namespace {

// A connection string in libpq's forms (keywords, or a postgresql:// URI) as Qt's connect
// options: each keyword quoted as libpq reads it. Qt reads ";" as the options' separator.
QString ConnectOptions(const QString& conninfo, QString& refused) {
    char* error = nullptr;
    PQconninfoOption* const options = PQconninfoParse(conninfo.toUtf8().constData(), &error);
    if (!options) {
        refused = error ? QString::fromUtf8(error).trimmed()
                        : QStringLiteral("not a PostgreSQL connection string");
        PQfreemem(error);
        return QString();
    }
    QStringList parts;
    bool timeout = false;
    for (const PQconninfoOption* option = options; option->keyword; ++option) {
        if (!option->val) {
            continue;
        }
        const QString value = QString::fromUtf8(option->val);
        if (value.contains(u';')) {
            refused = QStringLiteral("the value of %1 holds a \";\"").arg(option->keyword);
        }
        timeout = timeout || qstrcmp(option->keyword, "connect_timeout") == 0;
        parts << QStringLiteral("%1='%2'").arg(QString::fromLatin1(option->keyword),
                                               QString(value)
                                                   .replace(u'\\', QStringLiteral("\\\\"))
                                                   .replace(u'\'', QStringLiteral("\\'")));
    }
    PQconninfoFree(options);
    // Reaching the server is bounded, so that no button hangs.
    if (!timeout) {
        parts << QStringLiteral("connect_timeout=%1").arg(kConnectTimeoutSeconds);
    }
    parts << QStringLiteral("application_name='Dravik Lumo'");
    return parts.join(u' ');
}

}  // namespace

std::shared_ptr<Connection> Connection::Server(const QString& conninfo, const QString& name) {
    if (const std::optional<QString> kept = TakeIdle(conninfo)) {
        QSqlDatabase idle = QSqlDatabase::database(*kept, false);
        if (idle.isOpen() && QSqlQuery(idle).exec(QStringLiteral("SELECT 1"))) {
            std::shared_ptr<Connection> reused(new Connection(ServerEngine(), name, *kept, idle));
            reused->conninfo_ = conninfo;
            return reused;
        }
        // Gone meanwhile (the server restarted, the network dropped it): a new one.
        idle.close();
        idle = QSqlDatabase();
        QSqlDatabase::removeDatabase(*kept);
    }
    std::shared_ptr<Connection> made(new Connection(ServerEngine(), name));
    QString refused;
    const QString options = ConnectOptions(conninfo, refused);
    if (!refused.isEmpty()) {
        Throw(Kind::Misuse, QStringLiteral("%1: %2").arg(conninfo, refused));
    }
    made->database_.setConnectOptions(options);
    if (!made->database_.open()) {
        made->ThrowFailure(made->database_.lastError(), QStringLiteral("Connecting"));
    }
    made->conninfo_ = conninfo;
    return made;
}

void Connection::Exec(const QString& statement, const QString& doing) {
    QSqlQuery query(database_);
    if (!query.exec(statement)) {
        ThrowFailure(query.lastError(), doing);
    }
}

void Connection::ThrowFailure(const QSqlError& error, const QString& doing) const {
    const QString detail =
        (error.databaseText().isEmpty() ? error.driverText() : error.databaseText()).trimmed();
    const QString description = doing + QStringLiteral(": ") + detail;
    Kind kind = sql_->kindOf(error.nativeErrorCode());
    if (error.type() == QSqlError::ConnectionError && sql_ == &ServerEngine()) {
        kind = Kind::Unreachable;
    }
    QString field;
    if (kind == Kind::ValueRefused) {
        // Each column's rule carries the column's name: "CHECK constraint failed: Company",
        // "violates check constraint "Company"".
        static const QRegularExpression named(QStringLiteral("constraint(?: failed:)? \"?(\\w+)"));
        const auto match = named.match(detail);
        field = match.hasMatch() ? match.captured(1) : QString();
    }
    Throw(kind, description, field);
}

Statement::Statement(std::shared_ptr<Connection> connection, QString sql)
    : connection_(std::move(connection)), query_(connection_->database()), sql_(std::move(sql)) {
    query_.setForwardOnly(true);
}

void Statement::Prepare() {
    if (prepared_) {
        return;
    }
    // At the first use: a cursor prepares only what it does (on a server, each is a round trip).
    if (!query_.prepare(sql_)) {
        connection_->ThrowFailure(query_.lastError(), QStringLiteral("Reading the database"));
    }
    prepared_ = true;
}

bool Statement::Step(const QString& doing) {
    Prepare();
    if (!executed_) {
        if (!query_.exec()) {
            const QSqlError error = query_.lastError();
            Reset();
            connection_->ThrowFailure(error, doing);
        }
        executed_ = true;
    }
    if (!query_.isSelect()) {
        return false;
    }
    if (query_.next()) {
        return true;
    }
    // The end of the rows, or a failure while reading them (a damaged page).
    if (const QSqlError error = query_.lastError(); error.isValid()) {
        Reset();
        connection_->ThrowFailure(error, doing);
    }
    return false;
}

}  // namespace dao
