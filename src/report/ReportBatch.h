#pragma once
// Reports of saved records, without the pages: the records listed, and the report of each written
// as PDF into a folder. Each record goes into a hidden copy of the workbook from the program's
// folder through the entry's write-out, as loading it into the pages writes it; the overview's
// button copies it to Report; the report is read and filled as for the workbook the user has open.
// The reports are made in offices of the batch's own, never in the user's: the workbook the user
// has open, and the office it is open in, are never touched.

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
struct RecordStore;

// One line per saved record of the store, in the browser's order: its key, company, industry and
// date, separated by tabs; a column without a value is empty, the date as stored
// (2026-01-02 09:08:07). Throws dao::RecordStoreError.
QStringList RecordListLines(const RecordStore& store);

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
    // Whether the user asked the batch to stop (Ctrl+C): no record after those being made.
    std::function<bool()> stopped;
    // How many offices make reports at once.
    int jobs = 1;
};

// The offices a batch makes its reports in: a new one of the program's own, with its profile and
// everything else in folder, for each office of the pool and each start afresh.
using OfficeMaker = std::function<std::shared_ptr<wb::ReportOffice>(const QString& folder)>;

// The number of offices a batch uses unless told: the cores, at most 4.
int DefaultJobs();

// Writes "<pdfFolder>/<key> <company>.pdf" for each record, one line to line for each in record
// order ("3/30 Kestrel Tools KG: written") and a summary at the end. request.jobs offices make
// the reports at once, each taking the next record when it is free; asked to stop, the batch
// ends after the records being made. Every office closes what it opened and ends, however the
// batch ends. A record the pages would refuse, or that fails otherwise, is said with its reason
// and skipped; so is one whose office ended or stopped answering, and that office is started
// afresh. A failure that ends the batch (no office can be started) is one message. 0 when every
// record was written, 1 otherwise. The folder's last part is made when it is not there.
int MakeRecordReports(const OfficeMaker& offices, MessageBoxes& msg, const Clock& clock,
                      const RecordReportsRequest& request,
                      const std::function<void(const QString&)>& line);
