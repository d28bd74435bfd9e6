#pragma once
// Reports of saved records, without the pages: the records listed, and the report of each written
// as PDF into a folder. Each record goes into a hidden copy of the workbook from the program's
// folder through the entry's write-out, as loading it into the pages writes it; the overview's
// button copies it to Report; the report is read and filled as for the workbook the user has open.
// The workbook the user has open is never touched.

#include "report/TocReport.h"

#include <QString>
#include <QStringList>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class Clock;
class MessageBoxes;
class NumberFormat;
class ReportLock;

// One line per saved record of the database at path, in the browser's order: its key, company,
// industry and date, separated by tabs; a column without a value is empty, the date as stored
// (2026-01-02 09:08:07). Throws dao::RecordStoreError.
QStringList RecordListLines(const QString& databasePath);

// The records a batch makes reports of: every one, or those with the keys, in the order given.
struct RecordSelection {
    bool all = false;
    std::vector<std::int64_t> keys;
};
// "all", or keys separated by commas (whole numbers from 1; one named twice counts once);
// nothing for any other text.
std::optional<RecordSelection> ParseRecordSelection(const QString& text);

struct RecordReportsRequest {
    QString programFolder;  // the database, the workbook and the template
    QString pdfFolder;
    RecordSelection records;
    std::shared_ptr<const NumberFormat> numbers;  // the user's, as the pages read the answers
    // For the office work of each record, and of the loading before them.
    std::chrono::milliseconds timeLimit = kReportTimeLimit;
    // Whether the user asked the batch to stop (Ctrl+C): no record after the one being made.
    std::function<bool()> stopped;
};

// Writes "<pdfFolder>/<key> <company>.pdf" for each record, one line to line as it goes
// ("3/30 Kestrel Tools KG: written") and a summary at the end; asked to stop, it ends after the
// record being made, closing its workbook. A record the pages would refuse,
// or that fails otherwise, is said with its reason and skipped; a failure that ends the batch (no
// office, an office that stopped answering) is one message. Each record's office work waits its
// turn on lock. 0 when every record was written, 1 otherwise.
int MakeRecordReports(wb::ReportOffice& office, ReportLock& lock, MessageBoxes& msg,
                      const Clock& clock, const RecordReportsRequest& request,
                      const std::function<void(const QString&)>& line);
