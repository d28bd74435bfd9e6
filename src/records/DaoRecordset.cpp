#include "records/DaoHandles.h"

#include <QDateTime>
#include <QStringList>
#include <QUuid>

#include <limits>

#include <pwd.h>
#include <unistd.h>

namespace dao {

Recordset::Recordset(std::shared_ptr<Connection> connection, const QString& table,
                     std::vector<Column> columns, const QString& keyColumn, const QString& filter,
                     std::int64_t filterValue)
    : connection_(std::move(connection)),
      table_(table),
      columns_(std::move(columns)),
      filtered_(!filter.isEmpty()),
      filterValue_(filterValue) {
    QStringList names;
    QStringList parameters;
    QStringList assignments;
    for (const Column& column : columns_) {
        names << Quoted(column.name);
        parameters << QStringLiteral("?");
        assignments << Quoted(column.name) + QStringLiteral(" = ?");
    }
    const QString key = Quoted(keyColumn);
    const QString only = filtered_ ? QStringLiteral(" AND ") + filter : QString();
    const QString from = QStringLiteral(" FROM ") + Quoted(table_);
    const QString row = QStringLiteral("SELECT ") + key + QStringLiteral(", ") +
                        names.join(QStringLiteral(", ")) + from;
    const std::shared_ptr<Connection>& c = connection_;
    next_ = std::make_unique<Statement>(
        c, row + QStringLiteral(" WHERE %1 > ?%2 ORDER BY %1 LIMIT 1").arg(key, only));
    previous_ = std::make_unique<Statement>(
        c, row + QStringLiteral(" WHERE %1 < ?%2 ORDER BY %1 DESC LIMIT 1").arg(key, only));
    at_ = std::make_unique<Statement>(c, row + QStringLiteral(" WHERE %1 = ?").arg(key));
    any_ = std::make_unique<Statement>(
        c, QStringLiteral("SELECT EXISTS (SELECT 1") + from +
               (filtered_ ? QStringLiteral(" WHERE ") + filter : QString()) + QStringLiteral(")"));
    count_ = std::make_unique<Statement>(
        c, QStringLiteral("SELECT count(*)") + from +
               (filtered_ ? QStringLiteral(" WHERE ") + filter : QString()));
    const QString insert = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)");
    insert_ =
        std::make_unique<Statement>(c, insert.arg(Quoted(table_), names.join(QStringLiteral(", ")),
                                                  parameters.join(QStringLiteral(", "))));
    insertOnce_ =
        std::make_unique<Statement>(c, QString::fromLatin1(c->sql().insertOnce)
                                           .arg(Quoted(table_), names.join(QStringLiteral(", ")),
                                                parameters.join(QStringLiteral(", "))));
    update_ = std::make_unique<Statement>(
        c, QStringLiteral("UPDATE %1 SET %2 WHERE %3 = ?")
               .arg(Quoted(table_), assignments.join(QStringLiteral(", ")), key));
    delete_ = std::make_unique<Statement>(
        c, QStringLiteral("DELETE FROM %1 WHERE %2 = ?").arg(Quoted(table_), key));

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

int Recordset::FindColumn(const QString& name) const {
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        if (columns_[i].name.compare(name, Qt::CaseInsensitive) == 0) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int Recordset::ColumnIndex(const QString& name) const {
    const int index = FindColumn(name);
    if (index < 0) {
        Throw(RecordStoreError::Kind::Misuse,
              QStringLiteral("Item %1 not found in the table %2.").arg(name, table_), name);
    }
    return index;
}

bool Recordset::Fetch(Statement& statement, std::int64_t key) {
    statement.Bind(1, key);
    if (filtered_ && &statement != at_.get()) {
        statement.Bind(2, filterValue_);
    }
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
        const QVariant value = statement.Value(column);
        if (columns_[i].type == dbDate) {
            // The file keeps a date as its text, the server as a date.
            current_[i] = value.typeId() == QMetaType::QDateTime
                              ? value.toDateTime()
                              : QDateTime::fromString(value.toString(), kDateFormat);
        } else if (columns_[i].type == dbLong) {
            current_[i] = value.toLongLong();
        } else {
            current_[i] = value.toString();
        }
    }
    position_ = Position::OnRecord;
    editMode_ = EditMode::None;
    return true;
}

std::int64_t Recordset::RecordCount() {
    RequireOpen();
    if (filtered_) {
        count_->Bind(1, filterValue_);
    }
    Use use(*count_);
    count_->Step(QStringLiteral("Counting the table ") + table_);
    return count_->Int(0);
}

bool Recordset::TableHasRecords() {
    if (filtered_) {
        any_->Bind(1, filterValue_);
    }
    Use use(*any_);
    any_->Step(QStringLiteral("Reading the table ") + table_);
    return any_->Value(0).toBool();
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

namespace {

QString LoginName() {
    const passwd* const user = ::getpwuid(::getuid());
    return user && user->pw_name && *user->pw_name ? QString::fromLocal8Bit(user->pw_name).left(64)
                                                   : QString::number(::getuid());
}

}  // namespace

QString NewRecordId() {
    QByteArray bytes = QUuid::createUuid().toRfc4122();
    const quint64 ms = static_cast<quint64>(QDateTime::currentMSecsSinceEpoch());
    for (int i = 0; i < 6; ++i) {
        bytes[i] = static_cast<char>(ms >> (8 * (5 - i)));
    }
    bytes[6] = static_cast<char>((bytes[6] & 0x0F) | 0x70);  // the variant bits stay as made
    return QUuid::fromRfc4122(bytes).toString(QUuid::WithoutBraces);
}

void Recordset::AddNew() {
    RequireOpen();
    pending_.assign(columns_.size(), QVariant());
    // Made at the save: an id no other record, here or on any server, will have, and who saved.
    if (const int id = FindColumn(kIdColumn); id >= 0) {
        pending_[id] = NewRecordId();
    }
    if (const int savedBy = FindColumn(kSavedByColumn); savedBy >= 0) {
        pending_[savedBy] = LoginName();
    }
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
        const int type = columns_[index].type;
        const bool integer =
            value.typeId() == QMetaType::Int || value.typeId() == QMetaType::LongLong;
        const bool fits = type == dbDate   ? value.typeId() == QMetaType::QDateTime
                          : type == dbLong ? integer
                                           : value.typeId() == QMetaType::QString;
        if (!fits) {
            Throw(RecordStoreError::Kind::ValueRefused,
                  QStringLiteral("Data type conversion error for %1.").arg(columns_[index].name),
                  columns_[index].name);
        }
    }
    pending_[index] = value;
}

void Recordset::BindValues(Statement& statement) const {
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        const int index = static_cast<int>(i) + 1;
        const QVariant& value = pending_[i];
        if (!value.isValid()) {
            statement.BindNull(index);
        } else if (columns_[i].type == dbDate) {
            statement.Bind(index, value.toDateTime().toString(kDateFormat));
        } else if (columns_[i].type == dbLong) {
            statement.Bind(index, std::int64_t(value.toLongLong()));
        } else {
            statement.Bind(index, value.toString());
        }
    }
}

void Recordset::StepWrite(Statement& statement) {
    try {
        statement.Step(QStringLiteral("Writing to the table ") + table_);
    } catch (const RecordStoreError& error) {
        if (error.kind() != RecordStoreError::Kind::ValueRefused || !error.field().isEmpty()) {
            throw;
        }
        // A text longer than its type takes (the server's words name no column): named here, as
        // the columns' own rules name theirs.
        for (std::size_t i = 0; i < columns_.size(); ++i) {
            if (columns_[i].type == dbText && pending_[i].isValid() &&
                pending_[i].toString().toUcs4().size() > columns_[i].size) {
                Throw(error.kind(), error.description(), columns_[i].name);
            }
        }
        throw;
    }
}

void Recordset::Update() {
    RequireOpen();
    if (editMode_ == EditMode::None) {
        Throw(RecordStoreError::Kind::Misuse,
              QStringLiteral("Update or CancelUpdate without AddNew or Edit."));
    }
    Statement& statement = editMode_ == EditMode::Adding ? *insert_ : *update_;
    BindValues(statement);
    if (editMode_ == EditMode::Editing) {
        statement.Bind(static_cast<int>(columns_.size()) + 1, key_);
    }
    Use use(statement);
    StepWrite(statement);
    if (editMode_ == EditMode::Editing) {
        if (statement.Changes() == 0) {
            Throw(RecordStoreError::Kind::Gone,
                  QStringLiteral("The record was deleted meanwhile."));
        }
        current_ = pending_;
    }
    // After adding, the cursor stays where it was, as the engine's table cursors do.
    editMode_ = EditMode::None;
    pending_.clear();
}

bool Recordset::UpdateOnce() {
    RequireOpen();
    if (editMode_ != EditMode::Adding) {
        Throw(RecordStoreError::Kind::Misuse, QStringLiteral("UpdateOnce without AddNew."));
    }
    BindValues(*insertOnce_);
    Use use(*insertOnce_);
    StepWrite(*insertOnce_);
    const bool added = insertOnce_->Changes() > 0;
    editMode_ = EditMode::None;
    pending_.clear();
    return added;
}

void Recordset::Delete() {
    RequireOpen();
    if (position_ != Position::OnRecord) {
        Throw(RecordStoreError::Kind::NoCurrentRecord, QStringLiteral("No current record."));
    }
    delete_->Bind(1, key_);
    Use use(*delete_);
    delete_->Step(QStringLiteral("Deleting from the table ") + table_);
    const bool removed = delete_->Changes() > 0;
    // Until the next move there is no current record; the next move starts from here.
    position_ = Position::Deleted;
    current_.clear();
    editMode_ = EditMode::None;
    if (!removed) {
        Throw(RecordStoreError::Kind::Gone, QStringLiteral("The record was deleted meanwhile."));
    }
}

void Recordset::Refresh() {
    RequireOpen();
    if (position_ != Position::OnRecord) {
        Throw(RecordStoreError::Kind::NoCurrentRecord, QStringLiteral("No current record."));
    }
    if (!Fetch(*at_, key_)) {
        position_ = Position::Deleted;
        current_.clear();
        editMode_ = EditMode::None;
        Throw(RecordStoreError::Kind::Gone, QStringLiteral("The record was deleted meanwhile."));
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

std::int64_t Recordset::Key() const {
    RequireOpen();
    if (position_ != Position::OnRecord) {
        Throw(RecordStoreError::Kind::NoCurrentRecord, QStringLiteral("No current record."));
    }
    return key_;
}

bool Recordset::Seek(std::int64_t key) {
    RequireOpen();
    // Fetch moves only when it finds the record.
    return Fetch(*at_, key);
}

void Recordset::Close() {
    next_.reset();
    previous_.reset();
    at_.reset();
    any_.reset();
    count_.reset();
    insert_.reset();
    insertOnce_.reset();
    update_.reset();
    delete_.reset();
    connection_.reset();
    current_.clear();
    pending_.clear();
    position_ = Position::Empty;
}

}  // namespace dao
