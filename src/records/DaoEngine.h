#pragma once
// The database engine of the record store: the engine object, its default workspace, databases,
// table and field definitions and table cursors, with the cursor behaviour the record store relies
// on. Underneath is Qt SQL: an SQLite file, or a PostgreSQL server for a team; each connection and
// statement has exactly one owner, and every value goes in through a bound parameter.

#include "records/DaoDatabase.h"

#include <QString>

#include <functional>
#include <stdexcept>
#include <vector>

namespace dao {

// Every table gets a hidden key that only grows, so records come back in the order appended,
// also after deletes. Its other hidden columns: a record's id, made at its first commit, and the
// login name of whoever saved it; in the file also the mark of a record not yet sent to a
// server (1, else no value). Hidden columns are no fields of a table's definition.
inline const QString kKeyColumn = QStringLiteral("DravikRecordKey");
inline const QString kIdColumn = QStringLiteral("DravikRecordId");
// A new record's id: a UUID whose first 48 bits are the time in milliseconds (version 7), so
// that each new id lands at the end of the index on it, not at a random page of a large one.
QString NewRecordId();
inline const QString kSavedByColumn = QStringLiteral("DravikSavedBy");
inline const QString kUnsentColumn = QStringLiteral("DravikUnsent");

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
        Unreachable,      // the server cannot be reached (or refuses the sign-in) now
        Denied,           // the server refuses what the user's role may not do
        Gone,             // the record was erased meanwhile, by another program or user
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

// The records' format, the file's or a server's. A database carries its version; opening one of
// an older version brings it up to this release's, step by step in one transaction, and one of a
// newer version is refused before anything is written to it.
struct FileFormat {
    struct Step {
        int from;                             // the version it starts from; it leaves from + 1
        std::vector<const char*> statements;  // run in order
    };
    int version;
    std::vector<Step> steps;
};
// This release's format of the file, and of a server's tables.
const FileFormat& ThisFormat();
const FileFormat& ServerFormat();

class Workspace {
public:
    Database OpenDatabase(const QString& path);
    // The same for a file format other than this release's.
    Database OpenDatabase(const QString& path, const FileFormat& format);
    // The database of a server: connect is its PostgreSQL connection string (libpq's forms), name
    // how messages name it. Where the program's tables are not there yet, makeTables (when
    // given) makes them, in one transaction with the format's version; otherwise NoTable.
    Database OpenDatabase(const QString& name, const QString& connect, const FileFormat& format,
                          const std::function<void(Database&)>& makeTables = {});
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
