#include "records/DaoHandles.h"

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>
#include <utility>

namespace dao {

Field::Field(const QString& name, int type, int size) : name_(name), type_(type), size_(size) {}

Field TableDef::CreateField(const QString& name, int type) const {
    // Until Size is set a text column takes the engine's default width.
    return Field(name, type, type == dbDate ? 8 : 50);
}

void TableDef::FieldCollection::Append(const Field& field) {
    fields_.push_back(field);
}

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
