#include "records/DaoEngine.h"

#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStringList>

#include <sqlite3.h>

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <utility>

namespace dao {

namespace {

// Marks a file as one of ours, so that a foreign file of the same name is never written to.
constexpr int kApplicationId = 0x44524C4D;  // "DRLM"
constexpr int kFormatVersion = 1;
// Another program holding the file gets this long to let go before we report it as locked.
constexpr int kBusyTimeoutMs = 250;
// Every table gets a hidden key that only grows, so records come back in the order appended,
// also after deletes.
const QString kKeyColumn = QStringLiteral("DravikRecordKey");
const QString kDateFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

QString Quoted(const QString& identifier) {
    return QLatin1Char('"') +
           QString(identifier).replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

[[noreturn]] void Throw(RecordStoreError::Kind kind, const QString& description,
                        const QString& field = QString()) {
    throw RecordStoreError(kind, description, field);
}

// Turns an engine result into the one error type, with the engine's own description.
[[noreturn]] void ThrowEngine(sqlite3* db, int rc, const QString& doing) {
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

// The declared type back into type code and size; false for a type this engine never makes.
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

}  // namespace

RecordStoreError::RecordStoreError(Kind kind, const QString& description, const QString& field)
    : std::runtime_error(description.toStdString()),
      kind_(kind),
      description_(description),
      field_(field) {}

// --- Owners of the engine's handles -----------------------------------------------------------

class Connection {
public:
    Connection(const QString& path, int flags) {
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
    ~Connection() { sqlite3_close_v2(db_); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    sqlite3* handle() const { return db_; }

    void Exec(const char* sql, const QString& doing) {
        const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK) {
            ThrowEngine(db_, rc, doing);
        }
    }

private:
    sqlite3* db_ = nullptr;
};

class Statement {
public:
    Statement(Connection& connection, const QString& sql) : db_(connection.handle()) {
        const QByteArray text = sql.toUtf8();
        const int rc = sqlite3_prepare_v3(db_, text.constData(), static_cast<int>(text.size()),
                                          SQLITE_PREPARE_PERSISTENT, &stmt_, nullptr);
        if (rc != SQLITE_OK) {
            ThrowEngine(db_, rc, QStringLiteral("Reading the database"));
        }
    }
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
    bool Step(const QString& doing) {
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

namespace {

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

}  // namespace

// --- Definitions ------------------------------------------------------------------------------

Field::Field(const QString& name, int type, int size) : name_(name), type_(type), size_(size) {}

Field TableDef::CreateField(const QString& name, int type) const {
    // Until Size is set a text column takes the engine's default width.
    return Field(name, type, type == dbDate ? 8 : 50);
}

void TableDef::FieldCollection::Append(const Field& field) {
    fields_.push_back(field);
}

// --- Recordset --------------------------------------------------------------------------------

Recordset::Recordset(std::shared_ptr<Connection> connection, const QString& table,
                     std::vector<Column> columns, const QString& keyColumn)
    : connection_(std::move(connection)), table_(table), columns_(std::move(columns)) {
    QStringList names;
    QStringList parameters;
    QStringList assignments;
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        names << Quoted(columns_[i].name);
        parameters << QStringLiteral("?%1").arg(i + 1);
        assignments << Quoted(columns_[i].name) + QStringLiteral(" = ?%1").arg(i + 1);
    }
    const QString key = Quoted(keyColumn);
    const QString from = QStringLiteral(" FROM ") + Quoted(table_);
    const QString row = QStringLiteral("SELECT ") + key + QStringLiteral(", ") +
                        names.join(QStringLiteral(", ")) + from;
    Connection& c = *connection_;
    next_ = std::make_unique<Statement>(
        c, row + QStringLiteral(" WHERE %1 > ?1 ORDER BY %1 LIMIT 1").arg(key));
    previous_ = std::make_unique<Statement>(
        c, row + QStringLiteral(" WHERE %1 < ?1 ORDER BY %1 DESC LIMIT 1").arg(key));
    any_ = std::make_unique<Statement>(
        c, QStringLiteral("SELECT EXISTS (SELECT 1") + from + QStringLiteral(")"));
    insert_ =
        std::make_unique<Statement>(c, QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                           .arg(Quoted(table_), names.join(QStringLiteral(", ")),
                                                parameters.join(QStringLiteral(", "))));
    update_ = std::make_unique<Statement>(
        c, QStringLiteral("UPDATE %1 SET %2 WHERE %3 = ?%4")
               .arg(Quoted(table_), assignments.join(QStringLiteral(", ")), key)
               .arg(columns_.size() + 1));
    delete_ = std::make_unique<Statement>(
        c, QStringLiteral("DELETE FROM %1 WHERE %2 = ?1").arg(Quoted(table_), key));

    // A new cursor stands on the first record, or on nothing when the table is empty.
    if (!Fetch(*next_, std::numeric_limits<std::int64_t>::min())) {
        position_ = Position::Empty;
    }
}

Recordset::Recordset(Recordset&&) noexcept = default;
Recordset& Recordset::operator=(Recordset&&) noexcept = default;
Recordset::~Recordset() = default;

void Recordset::RequireOpen() const {
    if (!connection_) {
        Throw(RecordStoreError::Kind::Misuse, QStringLiteral("The record set is closed."));
    }
}

bool Recordset::Bof() const {
    RequireOpen();
    return position_ == Position::Empty || position_ == Position::BeforeFirst;
}

bool Recordset::Eof() const {
    RequireOpen();
    return position_ == Position::Empty || position_ == Position::AfterLast;
}

int Recordset::ColumnIndex(const QString& name) const {
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        if (columns_[i].name.compare(name, Qt::CaseInsensitive) == 0) {
            return static_cast<int>(i);
        }
    }
    Throw(RecordStoreError::Kind::Misuse,
          QStringLiteral("Item %1 not found in the table %2.").arg(name, table_), name);
}

bool Recordset::Fetch(Statement& statement, std::int64_t key) {
    statement.Bind(1, key);
    Use use(statement);
    if (!statement.Step(QStringLiteral("Moving in the table ") + table_)) {
        return false;
    }
    key_ = statement.Int(0);
    current_.assign(columns_.size(), QVariant());
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        const int column = static_cast<int>(i) + 1;
        if (statement.IsNull(column)) {
            continue;
        }
        const QString text = statement.Text(column);
        if (columns_[i].type == dbDate) {
            current_[i] = QDateTime::fromString(text, kDateFormat);
        } else {
            current_[i] = text;
        }
    }
    position_ = Position::OnRecord;
    editMode_ = EditMode::None;
    return true;
}

bool Recordset::TableHasRecords() {
    Use use(*any_);
    any_->Step(QStringLiteral("Reading the table ") + table_);
    return any_->Int(0) != 0;
}

void Recordset::SettleAfterMiss(Position whenRecordsRemain) {
    // Asked before anything changes: should the question fail, the cursor stays on its record
    // with that record's values, rather than on a record whose values are gone.
    const bool recordsRemain = TableHasRecords();
    current_.clear();
    editMode_ = EditMode::None;
    position_ = recordsRemain ? whenRecordsRemain : Position::Empty;
}

void Recordset::MoveFirst() {
    RequireOpen();
    if (!Fetch(*next_, std::numeric_limits<std::int64_t>::min())) {
        SettleAfterMiss(Position::Empty);
        Throw(RecordStoreError::Kind::NoCurrentRecord, QStringLiteral("No current record."));
    }
}

void Recordset::MoveLast() {
    RequireOpen();
    if (!Fetch(*previous_, std::numeric_limits<std::int64_t>::max())) {
        SettleAfterMiss(Position::Empty);
        Throw(RecordStoreError::Kind::NoCurrentRecord, QStringLiteral("No current record."));
    }
}

void Recordset::MoveNext() {
    RequireOpen();
    switch (position_) {
        case Position::AfterLast:
            Throw(RecordStoreError::Kind::NoCurrentRecord, QStringLiteral("No current record."));
        case Position::Empty:
            // A record may have been added since; otherwise there is nowhere to go.
            if (!Fetch(*next_, std::numeric_limits<std::int64_t>::min())) {
                Throw(RecordStoreError::Kind::NoCurrentRecord,
                      QStringLiteral("No current record."));
            }
            return;
        case Position::BeforeFirst:
            if (!Fetch(*next_, std::numeric_limits<std::int64_t>::min())) {
                SettleAfterMiss(Position::AfterLast);
            }
            return;
        case Position::OnRecord:
        case Position::Deleted:
            if (!Fetch(*next_, key_)) {
                SettleAfterMiss(Position::AfterLast);
            }
            return;
    }
}

void Recordset::MovePrevious() {
    RequireOpen();
    switch (position_) {
        case Position::BeforeFirst:
            Throw(RecordStoreError::Kind::NoCurrentRecord, QStringLiteral("No current record."));
        case Position::Empty:
            if (!Fetch(*previous_, std::numeric_limits<std::int64_t>::max())) {
                Throw(RecordStoreError::Kind::NoCurrentRecord,
                      QStringLiteral("No current record."));
            }
            return;
        case Position::AfterLast:
            if (!Fetch(*previous_, std::numeric_limits<std::int64_t>::max())) {
                SettleAfterMiss(Position::BeforeFirst);
            }
            return;
        case Position::OnRecord:
        case Position::Deleted:
            if (!Fetch(*previous_, key_)) {
                SettleAfterMiss(Position::BeforeFirst);
            }
            return;
    }
}

void Recordset::AddNew() {
    RequireOpen();
    pending_.assign(columns_.size(), QVariant());
    editMode_ = EditMode::Adding;
}

void Recordset::Edit() {
    RequireOpen();
    if (position_ != Position::OnRecord) {
        Throw(RecordStoreError::Kind::NoCurrentRecord, QStringLiteral("No current record."));
    }
    pending_ = current_;
    editMode_ = EditMode::Editing;
}

void Recordset::Collect(const QString& name, const QVariant& value) {
    RequireOpen();
    if (editMode_ == EditMode::None) {
        Throw(RecordStoreError::Kind::Misuse,
              QStringLiteral("Update or CancelUpdate without AddNew or Edit."), name);
    }
    const int index = ColumnIndex(name);
    if (value.isValid()) {
        const int wanted =
            columns_[index].type == dbDate ? QMetaType::QDateTime : QMetaType::QString;
        if (value.typeId() != wanted) {
            Throw(RecordStoreError::Kind::ValueRefused,
                  QStringLiteral("Data type conversion error for %1.").arg(columns_[index].name),
                  columns_[index].name);
        }
    }
    pending_[index] = value;
}

void Recordset::Update() {
    RequireOpen();
    if (editMode_ == EditMode::None) {
        Throw(RecordStoreError::Kind::Misuse,
              QStringLiteral("Update or CancelUpdate without AddNew or Edit."));
    }
    Statement& statement = editMode_ == EditMode::Adding ? *insert_ : *update_;
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        const int index = static_cast<int>(i) + 1;
        const QVariant& value = pending_[i];
        if (!value.isValid()) {
            statement.BindNull(index);
        } else if (columns_[i].type == dbDate) {
            statement.Bind(index, value.toDateTime().toString(kDateFormat));
        } else {
            statement.Bind(index, value.toString());
        }
    }
    if (editMode_ == EditMode::Editing) {
        statement.Bind(static_cast<int>(columns_.size()) + 1, key_);
    }
    Use use(statement);
    statement.Step(QStringLiteral("Writing to the table ") + table_);
    if (editMode_ == EditMode::Editing) {
        if (sqlite3_changes(connection_->handle()) == 0) {
            Throw(RecordStoreError::Kind::NoCurrentRecord,
                  QStringLiteral("The record was deleted meanwhile."));
        }
        current_ = pending_;
    }
    // After adding, the cursor stays where it was, as the engine's table cursors do.
    editMode_ = EditMode::None;
    pending_.clear();
}

void Recordset::Delete() {
    RequireOpen();
    if (position_ != Position::OnRecord) {
        Throw(RecordStoreError::Kind::NoCurrentRecord, QStringLiteral("No current record."));
    }
    delete_->Bind(1, key_);
    Use use(*delete_);
    delete_->Step(QStringLiteral("Deleting from the table ") + table_);
    const bool removed = sqlite3_changes(connection_->handle()) > 0;
    // Until the next move there is no current record; the next move starts from here.
    position_ = Position::Deleted;
    current_.clear();
    editMode_ = EditMode::None;
    if (!removed) {
        Throw(RecordStoreError::Kind::NoCurrentRecord,
              QStringLiteral("The record was deleted meanwhile."));
    }
}

QVariant Recordset::Fields(const QString& name) const {
    RequireOpen();
    const int index = ColumnIndex(name);
    if (position_ != Position::OnRecord) {
        Throw(RecordStoreError::Kind::NoCurrentRecord, QStringLiteral("No current record."));
    }
    return current_[index];
}

void Recordset::Close() {
    next_.reset();
    previous_.reset();
    any_.reset();
    insert_.reset();
    update_.reset();
    delete_.reset();
    connection_.reset();
    current_.clear();
    pending_.clear();
    position_ = Position::Empty;
}

// --- Database ---------------------------------------------------------------------------------

Database::Database(std::shared_ptr<Connection> connection, const QString& path,
                   const QString& buildingPath)
    : connection_(std::move(connection)), path_(path), buildingPath_(buildingPath) {}

Database::Database(Database&& other) noexcept
    : connection_(std::move(other.connection_)),
      path_(std::exchange(other.path_, QString())),
      buildingPath_(std::exchange(other.buildingPath_, QString())) {}

Database& Database::operator=(Database&& other) noexcept {
    if (this != &other) {
        Discard();
        connection_ = std::move(other.connection_);
        path_ = std::exchange(other.path_, QString());
        buildingPath_ = std::exchange(other.buildingPath_, QString());
    }
    return *this;
}

Database::~Database() {
    Discard();
}

void Database::Discard() noexcept {
    connection_.reset();
    if (!buildingPath_.isEmpty()) {
        ::unlink(buildingPath_.toLocal8Bit().constData());
        ::unlink((buildingPath_ + QStringLiteral("-journal")).toLocal8Bit().constData());
        buildingPath_.clear();
    }
}

Connection& Database::Open() const {
    if (!connection_) {
        Throw(RecordStoreError::Kind::Misuse, QStringLiteral("The database is closed."));
    }
    return *connection_;
}

TableDef Database::CreateTableDef(const QString& name) const {
    Open();
    return TableDef(name);
}

void Database::TableDefCollection::Append(const TableDef& tableDef) {
    Connection& connection = database_.Open();
    if (tableDef.Name().isEmpty() || tableDef.Fields().Count() == 0) {
        Throw(RecordStoreError::Kind::Misuse,
              QStringLiteral("A table needs a name and at least one field."));
    }
    QStringList definitions;
    for (int i = 0; i < tableDef.Fields().Count(); ++i) {
        const Field& field = tableDef.Fields()[i];
        const QString name = Quoted(field.Name());
        if (field.Name().isEmpty() || field.Name().compare(kKeyColumn, Qt::CaseInsensitive) == 0 ||
            (field.Type() != dbText && field.Type() != dbDate) ||
            (field.Type() == dbText && (field.Size() < 1 || field.Size() > 255))) {
            Throw(RecordStoreError::Kind::Misuse,
                  QStringLiteral("The field definition %1 is not valid.").arg(field.Name()),
                  field.Name());
        }
        // The checks live in the file, so that every writer is held to them. A text holds 1 to
        // Size characters (length() counts characters, not bytes) or nothing at all; a date is
        // stored in one canonical form, which datetime() reproduces exactly.
        const QString check =
            field.Type() == dbText
                ? QStringLiteral("typeof(%1) = 'text' AND length(%1) BETWEEN 1 AND %2")
                      .arg(name)
                      .arg(field.Size())
                : QStringLiteral("typeof(%1) = 'text' AND %1 IS datetime(%1)").arg(name);
        definitions << QStringLiteral("%1 %2 CONSTRAINT %1 CHECK (%1 IS NULL OR (%3))")
                           .arg(name, DeclaredType(field), check);
    }
    definitions << Quoted(kKeyColumn) + QStringLiteral(" INTEGER PRIMARY KEY AUTOINCREMENT");
    const QByteArray sql =
        QStringLiteral("CREATE TABLE %1 (\n  %2\n)")
            .arg(Quoted(tableDef.Name()), definitions.join(QStringLiteral(",\n  ")))
            .toUtf8();
    connection.Exec(sql.constData(), QStringLiteral("Creating the table ") + tableDef.Name());
}

bool Database::TableDefCollection::Contains(const QString& name) const {
    return !ReadColumns(database_.Open(), name).empty();
}

TableDef Database::TableDefCollection::operator[](const QString& name) const {
    const std::vector<StoredColumn> stored = ReadColumns(database_.Open(), name);
    if (stored.empty()) {
        Throw(RecordStoreError::Kind::NoTable,
              QStringLiteral("The database holds no table %1.").arg(name));
    }
    TableDef tableDef(name);
    for (const StoredColumn& column : stored) {
        int type = 0;
        int size = 0;
        if (!column.key && ParseDeclaredType(column.declared, type, size)) {
            tableDef.Fields().Append(Field(column.name, type, size));
        }
    }
    return tableDef;
}

Recordset Database::OpenRecordset(const QString& name, RecordsetType type) {
    Connection& connection = Open();
    if (type != dbOpenTable) {
        Throw(RecordStoreError::Kind::Misuse, QStringLiteral("Only table cursors are offered."));
    }
    const std::vector<StoredColumn> stored = ReadColumns(connection, name);
    if (stored.empty()) {
        Throw(RecordStoreError::Kind::NoTable,
              QStringLiteral("The database holds no table %1.").arg(name));
    }
    std::vector<Recordset::Column> columns;
    QString key;
    for (const StoredColumn& column : stored) {
        int fieldType = 0;
        int size = 0;
        if (column.key && column.declared == QLatin1String("INTEGER")) {
            key = column.name;
        } else if (ParseDeclaredType(column.declared, fieldType, size)) {
            columns.push_back({column.name, fieldType, size});
        } else {
            Throw(RecordStoreError::Kind::NotADatabase,
                  QStringLiteral("The table %1 has a column %2 of unknown type %3.")
                      .arg(name, column.name, column.declared));
        }
    }
    if (key.isEmpty()) {
        Throw(RecordStoreError::Kind::NotADatabase,
              QStringLiteral("The table %1 was not made by this program.").arg(name));
    }
    return Recordset(connection_, name, std::move(columns), key);
}

void Database::BeginTrans() {
    // Immediate: the write lock is taken now, so nothing can slip in between our steps.
    Open().Exec("BEGIN IMMEDIATE", QStringLiteral("Starting a transaction"));
}

void Database::CommitTrans() {
    Open().Exec("COMMIT", QStringLiteral("Committing"));
}

void Database::Rollback() {
    Open().Exec("ROLLBACK", QStringLiteral("Rolling back"));
}

void Database::Close() {
    connection_.reset();
    if (buildingPath_.isEmpty()) {
        return;
    }
    const QString building = buildingPath_;
    const QByteArray from = building.toLocal8Bit();
    const QByteArray to = path_.toLocal8Bit();
    // Into place in one step and never over a file that appeared meanwhile: link() fails when the
    // name exists; where links are not offered, rename without replacing.
    int rc = ::link(from.constData(), to.constData());
    if (rc == 0) {
        ::unlink(from.constData());
    } else if (errno != EEXIST) {
        rc = ::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE);
    }
    const int error = errno;
    if (rc != 0) {
        // The destructor removes the unfinished file.
        Throw(error == EEXIST ? RecordStoreError::Kind::FileExists : RecordStoreError::Kind::Io,
              QStringLiteral("Putting the new database in place at %1: %2")
                  .arg(path_, QString::fromLocal8Bit(std::strerror(error))));
    }
    buildingPath_.clear();
}

// --- Workspace and engine ---------------------------------------------------------------------

void Workspace::RequireOpen() const {
    if (!open_) {
        Throw(RecordStoreError::Kind::Misuse, QStringLiteral("The workspace is closed."));
    }
}

Database Workspace::OpenDatabase(const QString& path) {
    RequireOpen();
    const QFileInfo file(path);
    if (!file.exists()) {
        Throw(RecordStoreError::Kind::NoFile,
              QStringLiteral("Could not find the file %1.").arg(path));
    }
    if (!file.isFile()) {
        Throw(RecordStoreError::Kind::NotADatabase,
              QStringLiteral("%1 is not a database file.").arg(path));
    }
    // Never SQLITE_OPEN_CREATE: a file that went missing meanwhile is not made afresh.
    auto connection = std::make_shared<Connection>(path, SQLITE_OPEN_READWRITE);
    // Nothing is written before the file has shown that it is ours.
    Statement id(*connection, QStringLiteral("PRAGMA application_id"));
    Use use(id);
    if (!id.Step(QStringLiteral("Reading ") + path) || id.Int(0) != kApplicationId) {
        Throw(RecordStoreError::Kind::NotADatabase,
              QStringLiteral("%1 is not a database of this program.").arg(path));
    }
    return Database(std::move(connection), path, QString());
}

Database Workspace::CreateDatabase(const QString& path, const QString& locale) {
    RequireOpen();
    // The locale fixes the engine's sort order and code page; here text is always Unicode and
    // nothing is sorted by text, so it changes nothing.
    Q_UNUSED(locale);
    const QFileInfo file(path);
    if (file.exists() || file.isSymLink()) {
        Throw(RecordStoreError::Kind::FileExists,
              QStringLiteral("The file %1 already exists.").arg(path));
    }
    // Built under a temporary name beside its place, so that a creation that fails half-way
    // leaves nothing behind and the real name only ever holds a complete database.
    QString building;
    for (int attempt = 0; building.isEmpty(); ++attempt) {
        const QString candidate =
            path + QStringLiteral(".%1.building")
                       .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        const int fd = ::open(candidate.toLocal8Bit().constData(),
                              O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            building = candidate;
        } else if (errno != EEXIST || attempt > 100) {
            const int error = errno;
            Throw(error == EACCES || error == EROFS || error == EPERM
                      ? RecordStoreError::Kind::ReadOnly
                      : RecordStoreError::Kind::Io,
                  QStringLiteral("Creating a file in %1: %2")
                      .arg(file.absolutePath(), QString::fromLocal8Bit(std::strerror(error))));
        }
    }
    std::shared_ptr<Connection> connection;
    try {
        connection = std::make_shared<Connection>(building, SQLITE_OPEN_READWRITE);
    } catch (const RecordStoreError&) {
        ::unlink(building.toLocal8Bit().constData());
        throw;
    }
    Database database(std::move(connection), path, building);
    database.Open().Exec(QStringLiteral("PRAGMA application_id = %1; PRAGMA user_version = %2")
                             .arg(kApplicationId)
                             .arg(kFormatVersion)
                             .toUtf8()
                             .constData(),
                         QStringLiteral("Creating ") + path);
    return database;
}

DBEngine& DBEngine::Shared() {
    static DBEngine engine;
    return engine;
}

Workspace DBEngine::Workspaces(int index) {
    if (index != 0) {
        Throw(RecordStoreError::Kind::Misuse,
              QStringLiteral("Item %1 not found in this collection.").arg(index));
    }
    return Workspace();
}

// --- Transaction ------------------------------------------------------------------------------

Transaction::Transaction(Database& database) : database_(database) {
    database_.BeginTrans();
}

Transaction::~Transaction() {
    if (open_ && database_.connection_) {
        // A rollback cannot fail in a way that would keep the changes; its result adds nothing.
        sqlite3_exec(database_.connection_->handle(), "ROLLBACK", nullptr, nullptr, nullptr);
    }
}

void Transaction::Commit() {
    database_.CommitTrans();
    open_ = false;
}

}  // namespace dao
