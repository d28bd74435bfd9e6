#pragma once
// The record database: its place beside the program, the table Details with a column for each
// answer of the question table and the date, its creation, the entry of a record, and what the
// user is told when the database lets an operation down.

#include "entry/Entry.h"
#include "records/DaoEngine.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

struct DetailsColumn {
    const char* name;
    int type;           // dao::dbText or dao::dbDate
    int size;           // characters, for text
    const char* label;  // the caption of the control it comes from, for messages
};

// The columns in their ordinal order: the question table's answers, then Date.
const std::vector<DetailsColumn>& DetailsColumns();

inline const QString kDetailsTable = QStringLiteral("Details");
// The engine's general sort order; see Workspace::CreateDatabase.
inline const QString kDetailsLocale = QStringLiteral(";LANGID=0x0409;CP=1252;COUNTRY=0");
inline const QString kDatabaseTitle = QStringLiteral("Dravik Database");
inline const QString kCreateTitle = QStringLiteral("Create Dravik Database");

// The program's folder followed by dravik.mdb.
QString DatabasePath(const QString& programFolder);

// Creates the file with the empty table Details. Throws dao::RecordStoreError; a file already
// there is left as it is, and a failed creation leaves no file behind.
void CreateDetailsDatabase(const QString& path);

// The table Details of the database at path, opened for the length of one record-store
// operation (the browser: from LoadForm to a load): the default workspace, the database and a
// cursor on the table, let go of cursor first. Throws dao::RecordStoreError.
struct OpenDetails {
    explicit OpenDetails(const QString& path);
    void Close();

    dao::Workspace workspace;
    dao::Database database;
    dao::Recordset cursor;
};

// The entry of the cursor's current record. Throws dao::RecordStoreError.
entry::Entry ReadEntry(const dao::Recordset& details);

// A saved record without any window: its entry, and its hidden key, which tells two equal saves
// apart and by which a record is named outside the browser.
struct SavedEntry {
    std::int64_t key = 0;
    entry::Entry entry;
};
// Every record of the database at path, in the browser's order. Throws dao::RecordStoreError.
std::vector<SavedEntry> ReadSavedEntries(const QString& path);
// The records with the keys, in the order given; nothing for a key that no record has.
std::vector<std::optional<SavedEntry>> ReadSavedEntries(const QString& path,
                                                        const std::vector<std::int64_t>& keys);

// One clear message for a failed record-store operation: what went wrong and what to do.
QString DatabaseFailureText(const dao::RecordStoreError& error, const QString& path);
