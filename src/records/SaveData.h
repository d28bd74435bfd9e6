#pragma once
// Page 2's "Save Data", after page 2's write-out passed: the entry of both pages as one new
// Details record: in the file, or for a team on its server, with the file as the outbox of what
// cannot reach it.

#include <QString>

#include <functional>

namespace entry {
struct Entry;
}
struct Platform;
struct RecordStore;

// Appends the entry and says so, or says why the store let the save down; the entry stays on
// the pages either way. For a team, the record goes to the server, after what waits in the file;
// when the server cannot be reached it goes into the file as unsent, which is said, and on with
// the next operation that reaches the server.
void SaveData(Platform& platform, const entry::Entry& entry);

// The database part of Save Data in the file: appends the entry as one record in one
// transaction, so a failure at any step leaves no record at all (unsent: marked to be sent to the
// team's server; id: the record's, when already made). whileOpen runs after the commit, with the
// database still open. Throws dao::RecordStoreError.
void AppendDetailsRecord(const QString& path, const entry::Entry& entry,
                         const std::function<void()>& whileOpen = {}, bool unsent = false,
                         const QString& id = QString());
// The same on a team's server, in one insert of the record with that id: a second save of the
// id adds nothing. Throws dao::RecordStoreError.
void AppendToServer(const RecordStore& store, const entry::Entry& entry, const QString& id);
