#pragma once
// Page 2's "Save Data", after page 2's write-out passed: the entry of both pages as one new
// Details record.

#include <QString>

#include <functional>

namespace entry {
struct Entry;
}
struct Platform;

// Appends the entry and says so, or says why the database let the save down; the entry stays
// on the pages either way.
void SaveData(Platform& platform, const entry::Entry& entry);

// The database part of Save Data: appends the entry as one record in one transaction, so a
// failure at any step leaves no record at all. whileOpen runs after the commit, with the database
// still open. Throws dao::RecordStoreError.
void AppendDetailsRecord(const QString& path, const entry::Entry& entry,
                         const std::function<void()>& whileOpen = {});
