#pragma once
// A database of the record store: its table and field definitions, its cursors and its
// transactions. A database being created appears under its name only when it is closed, complete.

#include "records/DaoRecordset.h"

namespace dao {

enum RecordsetType { dbOpenTable = 1 };

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
    // A cursor over the records of the table whose integer column holds the value (the records
    // of the file not yet sent to a server).
    Recordset OpenRecordset(const QString& name, const QString& column, std::int64_t value);

    // Whether the database is a server's, not the file.
    bool OnServer() const;

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
    const std::shared_ptr<Connection>& Open() const;
    // Lets go of the file; one that was being built is removed.
    void Discard() noexcept;

    std::shared_ptr<Connection> connection_;
    QString path_;
    QString buildingPath_;  // set while the file is made under a temporary name
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
