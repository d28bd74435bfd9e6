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

const std::shared_ptr<Connection>& Database::Open() const {
    if (!connection_) {
        Throw(RecordStoreError::Kind::Misuse, QStringLiteral("The database is closed."));
    }
    return connection_;
}

bool Database::OnServer() const {
    return &Open()->sql() == &ServerEngine();
}

TableDef Database::CreateTableDef(const QString& name) const {
    Open();
    return TableDef(name);
}

void Database::TableDefCollection::Append(const TableDef& tableDef) {
    const std::shared_ptr<Connection>& connection = database_.Open();
    const EngineSql& sql = connection->sql();
    if (tableDef.Name().isEmpty() || tableDef.Fields().Count() == 0) {
        Throw(RecordStoreError::Kind::Misuse,
              QStringLiteral("A table needs a name and at least one field."));
    }
    QStringList definitions;
    for (int i = 0; i < tableDef.Fields().Count(); ++i) {
        const Field& field = tableDef.Fields()[i];
        const QString name = Quoted(field.Name());
        if (field.Name().isEmpty() || IsHidden(field.Name()) ||
            (field.Type() != dbText && field.Type() != dbDate) ||
            (field.Type() == dbText && (field.Size() < 1 || field.Size() > 255))) {
            Throw(RecordStoreError::Kind::Misuse,
                  QStringLiteral("The field definition %1 is not valid.").arg(field.Name()),
                  field.Name());
        }
        // The rules live in the tables, so that every writer is held to them (EngineSql).
        const QString rule = field.Type() == dbText
                                 ? QString::fromLatin1(sql.textRule).arg(name).arg(field.Size())
                             : *sql.dateRule ? QString::fromLatin1(sql.dateRule).arg(name)
                                             : QString();
        QString definition = name + QLatin1Char(' ') + DeclaredType(sql, field);
        if (!rule.isEmpty()) {
            definition +=
                QStringLiteral(" CONSTRAINT %1 CHECK (%1 IS NULL OR (%2))").arg(name, rule);
        }
        definitions << definition;
    }
    for (const char* hidden : sql.hiddenColumns) {
        definitions << QString::fromLatin1(hidden);
    }
    const QString table = Quoted(tableDef.Name());
    const QString doing = QStringLiteral("Creating the table ") + tableDef.Name();
    connection->Exec(QStringLiteral("CREATE TABLE %1 (\n  %2\n)")
                         .arg(table, definitions.join(QStringLiteral(",\n  "))),
                     doing);
    for (const char* statement : sql.afterCreate) {
        connection->Exec(QString::fromLatin1(statement).arg(table), doing);
    }
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
        if (!IsHidden(column.name) && ParseDeclaredType(column.declared, type, size)) {
            tableDef.Fields().Append(Field(column.name, type, size));
        }
    }
    return tableDef;
}

Recordset Database::OpenRecordset(const QString& name, RecordsetType type) {
    if (type != dbOpenTable) {
        Open();
        Throw(RecordStoreError::Kind::Misuse, QStringLiteral("Only table cursors are offered."));
    }
    return OpenRecordset(name, QString(), 0);
}

Recordset Database::OpenRecordset(const QString& name, const QString& column, std::int64_t value) {
    const std::shared_ptr<Connection>& connection = Open();
    const std::vector<StoredColumn> stored = ReadColumns(connection, name);
    if (stored.empty()) {
        Throw(RecordStoreError::Kind::NoTable,
              QStringLiteral("The database holds no table %1.").arg(name));
    }
    // The cursor's columns: every one but the key, hidden ones included; a column of a type this
    // program never makes is a table that is not the program's.
    std::vector<Recordset::Column> columns;
    QString key;
    for (const StoredColumn& found : stored) {
        int fieldType = 0;
        int size = 0;
        if (found.key && found.declared == QLatin1String("INTEGER")) {
            key = found.name;
        } else if (ParseDeclaredType(found.declared, fieldType, size)) {
            columns.push_back({found.name, fieldType, size});
        } else {
            Throw(RecordStoreError::Kind::NotADatabase,
                  QStringLiteral("The table %1 has a column %2 of unknown type %3.")
                      .arg(name, found.name, found.declared));
        }
    }
    if (key.isEmpty()) {
        Throw(RecordStoreError::Kind::NotADatabase,
              QStringLiteral("The table %1 was not made by this program.").arg(name));
    }
    return Recordset(connection, name, std::move(columns), key,
                     column.isEmpty() ? QString() : Quoted(column) + QStringLiteral(" = ?"), value);
}

void Database::BeginTrans() {
    const std::shared_ptr<Connection>& connection = Open();
    connection->Exec(QString::fromLatin1(connection->sql().beginWrite),
                     QStringLiteral("Starting a transaction"));
}

void Database::CommitTrans() {
    Open()->Exec(QStringLiteral("COMMIT"), QStringLiteral("Committing"));
}

void Database::Rollback() {
    Open()->Exec(QStringLiteral("ROLLBACK"), QStringLiteral("Rolling back"));
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
        QSqlQuery(database_.connection_->database()).exec(QStringLiteral("ROLLBACK"));
    }
}

void Transaction::Commit() {
    database_.CommitTrans();
    open_ = false;
}

}  // namespace dao
