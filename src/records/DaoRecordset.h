#pragma once
// A table cursor of the record store: the records in the order appended, one at a time, with the
// cursor behaviour (BOF, EOF, moves, adding, editing, deleting) the record store relies on.

#include <QDateTime>
#include <QString>
#include <QVariant>

#include <cstdint>
#include <memory>
#include <vector>

namespace dao {

enum FieldType { dbLong = 4, dbDate = 8, dbText = 10 };

class Connection;
class Statement;
class Database;

// A cursor over a whole table, in the order records were appended. Moves are one indexed query
// each, whatever the table's size.
class Recordset {
public:
    Recordset(Recordset&&) noexcept;
    Recordset& operator=(Recordset&&) noexcept;
    ~Recordset();

    // How many records the cursor walks over (counted afresh).
    std::int64_t RecordCount();

    // The engine's BOF and EOF; spelt Bof and Eof because EOF is the C library's macro.
    bool Bof() const;
    bool Eof() const;

    void MoveFirst();
    void MoveLast();
    void MoveNext();
    void MovePrevious();

    void AddNew();
    void Edit();
    void Update();
    // Commits the record being added, unless a record with its id is there already (a record
    // sent again): true when it was added.
    bool UpdateOnce();
    void Delete();

    // A column of the current record by name: a QString for text, a QDateTime for dates, an
    // invalid QVariant where the column holds no value.
    QVariant Fields(const QString& name) const;
    // The current record's hidden key, which tells two records apart where every column is equal.
    std::int64_t Key() const;
    // Moves to the record with the key, as the engine's Seek on the primary key; false, with the
    // cursor where it was, when no record has it.
    bool Seek(std::int64_t key);
    // Reads the current record afresh: where another program has erased it meanwhile, there is no
    // current record any more (as after Delete) and this fails with Gone.
    void Refresh();
    // Sets a column of the record being added or edited; committed by Update. A record added gets
    // its id and the login name of who saved it, unless they are set.
    void Collect(const QString& name, const QVariant& value);

    void Close();

private:
    friend class Database;
    void StepWrite(Statement& statement);

    struct Column {
        QString name;
        int type;
        int size;
    };
    enum class Position { Empty, BeforeFirst, OnRecord, Deleted, AfterLast };
    enum class EditMode { None, Adding, Editing };

    // filter: an SQL condition on a column and one bound value, or empty for every record.
    Recordset(std::shared_ptr<Connection> connection, const QString& table,
              std::vector<Column> columns, const QString& keyColumn, const QString& filter = {},
              std::int64_t filterValue = 0);
    void BindValues(Statement& statement) const;

    int FindColumn(const QString& name) const;  // -1 when the table has none of that name

    void RequireOpen() const;
    int ColumnIndex(const QString& name) const;
    // Runs a positioning query; true when it found a record, which becomes current.
    bool Fetch(Statement& statement, std::int64_t key);
    bool TableHasRecords();
    void SettleAfterMiss(Position whenRecordsRemain);

    std::shared_ptr<Connection> connection_;
    QString table_;
    std::vector<Column> columns_;
    std::unique_ptr<Statement> next_, previous_, at_, any_, count_, insert_, insertOnce_, update_,
        delete_;
    bool filtered_ = false;
    std::int64_t filterValue_ = 0;
    Position position_ = Position::Empty;
    std::int64_t key_ = 0;
    std::vector<QVariant> current_;
    std::vector<QVariant> pending_;
    EditMode editMode_ = EditMode::None;
};

}  // namespace dao
