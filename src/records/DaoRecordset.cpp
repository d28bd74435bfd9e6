#include "records/DaoHandles.h"

#include <QStringList>

#include <limits>

namespace dao {

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
    at_ = std::make_unique<Statement>(c, row + QStringLiteral(" WHERE %1 = ?1").arg(key));
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
    insert_.reset();
    update_.reset();
    delete_.reset();
    connection_.reset();
    current_.clear();
    pending_.clear();
    position_ = Position::Empty;
}

}  // namespace dao
