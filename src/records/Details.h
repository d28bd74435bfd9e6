#pragma once
// The record database: its place beside the program, the table Details and its 18 columns, its
// creation, and what the user is told when the database lets an operation down.

#include "records/DaoEngine.h"

#include <QString>

#include <array>

struct DetailsColumn {
    const char* name;
    int type;           // dao::dbText or dao::dbDate
    int size;           // characters, for text
    const char* label;  // the caption of the control it comes from, for messages
};

// The columns in their ordinal order.
const std::array<DetailsColumn, 18>& DetailsColumns();

inline const QString kDetailsTable = QStringLiteral("Details");
// The engine's general sort order; see Workspace::CreateDatabase.
inline const QString kDetailsLocale = QStringLiteral(";LANGID=0x0409;CP=1252;COUNTRY=0");
inline const QString kDatabaseTitle = QStringLiteral("Dravik Database");
inline const QString kCreateTitle = QStringLiteral("Create Dravik Database");

// The captions of page 1's business types: Save Data stores them, loading compares against them.
inline constexpr std::array<const char*, 6> kBusinessTypes{
    "1 - e-Commerce", "2 - ERP", "3 - Business Intelligence", "4 - SCM", "5 - CRM", "99 - Other"};

// The program's folder followed by dravik.mdb.
QString DatabasePath(const QString& programFolder);

// Creates the file with the empty table Details. Throws dao::RecordStoreError; a file already
// there is left as it is, and a failed creation leaves no file behind.
void CreateDetailsDatabase(const QString& path);

// One clear message for a failed record-store operation: what went wrong and what to do.
QString DatabaseFailureText(const dao::RecordStoreError& error, const QString& path);
