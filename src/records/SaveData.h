#pragma once
// Page 2's "Save Data": page 2's write-out, then one new Details record from both pages.

#include <QDateTime>
#include <QString>

#include <array>
#include <functional>

class Pages;

void SaveData(Pages& pages);

// The seventeen texts of a Details record, in column order, and its moment.
struct DetailsEntry {
    std::array<QString, 17> texts;
    QDateTime date;
};

// The database part of Save Data: appends the entry as one record in one transaction, so a
// failure at any step leaves no record at all. whileOpen runs after the commit, with the database
// still open. Throws dao::RecordStoreError.
void AppendDetailsRecord(const QString& path, const DetailsEntry& entry,
                         const std::function<void()>& whileOpen = {});
