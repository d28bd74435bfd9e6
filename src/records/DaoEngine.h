#pragma once
// The database engine of the record store: the engine object, its default workspace, databases,
// table and field definitions and table cursors, with the cursor behaviour the record store relies
// on. The file underneath is SQLite; each handle and statement has exactly one owner, and every
// value goes in through a bound parameter.

#include "records/DaoDatabase.h"

#include <QString>

#include <stdexcept>
#include <vector>

namespace dao {

// The one error of the record store. kind tells the caller what to say to the user; field names
// the column whose value a table refused.
class RecordStoreError : public std::runtime_error {
public:
    enum class Kind {
        NoFile,           // no database file where one is expected
        FileExists,       // a creation found a file already there
        NotADatabase,     // the file is not a database of this program, or is damaged
        NewerRelease,     // the file was made by a newer release of the program
        NoTable,          // the database lacks the table asked for
        ValueRefused,     // a column refused a value (empty, too long, wrong type)
        ReadOnly,         // the file or its folder cannot be written
        Replaced,         // the file was replaced or moved away while it was open
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

// The record file's format. A file carries its version; opening one of an older version brings
// it up to this release's, step by step in one transaction, and one of a newer version is refused
// before anything is written to it.
struct FileFormat {
    struct Step {
        int from;         // the version it starts from; it leaves the file at from + 1
        const char* sql;  // one or more statements
    };
    int version;
    std::vector<Step> steps;
};
// This release's format.
const FileFormat& ThisFormat();

class Workspace {
public:
    Database OpenDatabase(const QString& path);
    // The same for a file format other than this release's.
    Database OpenDatabase(const QString& path, const FileFormat& format);
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

}  // namespace dao
