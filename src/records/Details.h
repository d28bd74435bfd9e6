#pragma once
// The record database: its place beside the program, the table Details with a column for each
// answer of the question table and the date, its creation, the entry of a record, and what the
// user is told when the database lets an operation down.

#include "entry/Entry.h"
#include "records/DaoEngine.h"
#include "records/RecordStore.h"

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
// The empty table Details in a database (the file's or a server's), with the columns above.
void CreateDetailsTable(dao::Database& database);

// The table Details of a store, opened for the length of one record-store operation (the
// browser: from LoadForm to a load): the default workspace, the database and a cursor on the
// table, let go of cursor first. On a server, the file's unsent records are sent there first.
// Throws dao::RecordStoreError.
struct OpenDetails {
    explicit OpenDetails(const QString& path);  // the file
    explicit OpenDetails(const RecordStore& store);
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
// Every record of the store, in the browser's order. Throws dao::RecordStoreError.
std::vector<SavedEntry> ReadSavedEntries(const RecordStore& store);
// The records with the keys, in the order given; nothing for a key that no record has.
std::vector<std::optional<SavedEntry>> ReadSavedEntries(const RecordStore& store,
                                                        const std::vector<std::int64_t>& keys);

// A failure of the file while the store is a server's (the outbox of its unsent records): its
// message names the file, not the server.
class OutboxError : public dao::RecordStoreError {
public:
    explicit OutboxError(const dao::RecordStoreError& error) : dao::RecordStoreError(error) {}
};

// Sends the file's records to the server's open database: those not sent yet (or with every,
// all of them), in the order saved. Each goes at most once (the server takes no second record of
// an id) and is marked sent in the file only after the server committed it, so that a kill at
// any moment leaves it unsent in the file or on the server. Gives how many were sent; a file
// that is not there has none. Throws dao::RecordStoreError, OutboxError for the file's.
int SendRecords(const QString& file, dao::Database& server, bool every = false);
// How many records a store holds, and how many of the file's wait to be sent.
struct StoreCount {
    std::int64_t records = 0;
    std::int64_t unsent = 0;
};
StoreCount CountRecords(const RecordStore& store);

// The engine's own words for a failure, without what the store was doing ("timeout expired").
QString ReasonOf(const dao::RecordStoreError& error);

// One clear message for a failed record-store operation: what went wrong and what to do.
QString DatabaseFailureText(const dao::RecordStoreError& error, const RecordStore& store);
QString DatabaseFailureText(const dao::RecordStoreError& error, const QString& path);
