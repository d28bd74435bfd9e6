#pragma once
// The database engine of the record store: the engine object, its default workspace, databases,
// table and field definitions and table cursors, with the cursor behaviour the record store relies
// on. The file underneath is SQLite; each handle and statement has exactly one owner, and every
// value goes in through a bound parameter.

#include <QDateTime>
#include <QString>
#include <QVariant>

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <vector>

namespace dao {

enum FieldType { dbDate = 8, dbText = 10 };
enum RecordsetType { dbOpenTable = 1 };

// The one error of the record store. kind tells the caller what to say to the user; field names
// the column whose value a table refused.
class RecordStoreError : public std::runtime_error {
public:
    enum class Kind {
        NoFile,           // no database file where one is expected
        FileExists,       // a creation found a file already there
        NotADatabase,     // the file is not a database of this program, or is damaged
        NoTable,          // the database lacks the table asked for
        ValueRefused,     // a column refused a value (empty, too long, wrong type)
        ReadOnly,         // the file or its folder cannot be written
        Locked,           // another program holds the file
        NoCurrentRecord,  // the cursor is on no record
        Misuse,           // an operation out of order (e.g. Update without AddNew or Edit)
        Io,               // anything else the file system or the engine reported
    };

    RecordStoreError(Kind kind, const QString& description, const QString& field = QString());
    Kind kind() const { return kind_; }
    const QString& description() const { return description_; }
    const QString& field() const { return field_; }

private:
    Kind kind_;
    QString description_;
    QString field_;
};

class Connection;
class Statement;
class Database;

class Field {
public:
    Field(const QString& name, int type, int size);
    const QString& Name() const { return name_; }
    int Type() const { return type_; }
    // For text, the largest number of characters the column holds.
    int Size() const { return size_; }
    void SetSize(int size) { size_ = size; }

private:
    QString name_;
    int type_;
    int size_;
};

class TableDef {
public:
    explicit TableDef(const QString& name) : name_(name) {}
    const QString& Name() const { return name_; }

    Field CreateField(const QString& name, int type) const;

    class FieldCollection {
    public:
        void Append(const Field& field);
        int Count() const { return static_cast<int>(fields_.size()); }
        const Field& operator[](int ordinal) const { return fields_.at(ordinal); }

    private:
        std::vector<Field> fields_;
    };
    FieldCollection& Fields() { return fields_; }
    const FieldCollection& Fields() const { return fields_; }

private:
    QString name_;
    FieldCollection fields_;
};

// A cursor over a whole table, in the order records were appended. Moves are one indexed query
// each, whatever the table's size.
class Recordset {
public:
    Recordset(Recordset&&) noexcept;
    Recordset& operator=(Recordset&&) noexcept;
    ~Recordset();

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
    void Delete();

    // A column of the current record by name: a QString for text, a QDateTime for dates, an
    // invalid QVariant where the column holds no value.
    QVariant Fields(const QString& name) const;
    // Sets a column of the record being added or edited; committed by Update.
    void Collect(const QString& name, const QVariant& value);

    void Close();

private:
    friend class Database;
    struct Column {
        QString name;
        int type;
        int size;
    };
    enum class Position { Empty, BeforeFirst, OnRecord, Deleted, AfterLast };
    enum class EditMode { None, Adding, Editing };

    Recordset(std::shared_ptr<Connection> connection, const QString& table,
              std::vector<Column> columns, const QString& keyColumn);

    void RequireOpen() const;
    int ColumnIndex(const QString& name) const;
    // Runs a positioning query; true when it found a record, which becomes current.
    bool Fetch(Statement& statement, std::int64_t key);
    bool TableHasRecords();
    void SettleAfterMiss(Position whenRecordsRemain);

    std::shared_ptr<Connection> connection_;
    QString table_;
    std::vector<Column> columns_;
    std::unique_ptr<Statement> next_, previous_, any_, insert_, update_, delete_;
    Position position_ = Position::Empty;
    std::int64_t key_ = 0;
    std::vector<QVariant> current_;
    std::vector<QVariant> pending_;
    EditMode editMode_ = EditMode::None;
};

class Database {
public:
    Database(Database&&) noexcept;
    Database& operator=(Database&&) noexcept;
    // A database that was being created and never closed is thrown away.
    ~Database();

    const QString& Name() const { return path_; }

    TableDef CreateTableDef(const QString& name) const;

    class TableDefCollection {
    public:
        // Stores the table with its columns in the order appended.
        void Append(const TableDef& tableDef);
        bool Contains(const QString& name) const;
        // The stored definition, columns in ordinal order.
        TableDef operator[](const QString& name) const;

    private:
        friend class Database;
        explicit TableDefCollection(Database& database) : database_(database) {}
        Database& database_;
    };
    TableDefCollection TableDefs() { return TableDefCollection(*this); }

    Recordset OpenRecordset(const QString& name, RecordsetType type = dbOpenTable);

    // One transaction: everything between BeginTrans and CommitTrans is kept or lost together.
    void BeginTrans();
    void CommitTrans();
    void Rollback();

    // For a database being created, the file appears under its name only here, complete.
    void Close();

private:
    friend class Workspace;
    friend class Transaction;
    Database(std::shared_ptr<Connection> connection, const QString& path,
             const QString& buildingPath);
    Connection& Open() const;
    // Lets go of the file; one that was being built is removed.
    void Discard() noexcept;

    std::shared_ptr<Connection> connection_;
    QString path_;
    QString buildingPath_;  // set while the file is made under a temporary name
};

class Workspace {
public:
    Database OpenDatabase(const QString& path);
    // Fails when a file of that name exists; it is never touched.
    Database CreateDatabase(const QString& path, const QString& locale);
    void Close() { open_ = false; }

private:
    friend class DBEngine;
    Workspace() = default;
    void RequireOpen() const;
    bool open_ = true;
};

class DBEngine {
public:
    // The one engine of the run, made at its first use.
    static DBEngine& Shared();
    // Index 0, the default workspace, is the only one.
    Workspace Workspaces(int index);

private:
    DBEngine() = default;
};

// Commits on Commit(); otherwise rolls back when it goes out of scope.
class Transaction {
public:
    explicit Transaction(Database& database);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void Commit();

private:
    Database& database_;
    bool open_ = true;
};

}  // namespace dao
