#include "report/ReportBatch.h"

#include "entry/WriteOut.h"
#include "records/Details.h"
#include "report/ReportContent.h"
#include "report/ReportLock.h"
#include "report/ReportTarget.h"
#include "shell/AppIdentity.h"
#include "shell/Platform.h"
#include "workbook/OfficeWorker.h"
#include "workbook/RangeExchange.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <set>

namespace {

QString CompanyOf(const SavedEntry& saved) {
    const QString company = Printable(saved.entry[entry::kCompany]).trimmed();
    return company.isEmpty() ? QStringLiteral("Record %1").arg(saved.key) : company;
}

// What the pages would show of a write-out, in one line.
QString Shown(const std::vector<entry::Message>& messages) {
    QStringList texts;
    for (const entry::Message& message : messages) {
        texts << OneLine(message.text);
    }
    return texts.join(QLatin1Char(' '));
}

// How one record's report went.
struct Outcome {
    enum class Kind {
        Written,     // said: what the pages would say of the record, if anything
        NotWritten,  // said: why not
        EndsBatch,   // said: the office failure after which no report can be made
    };
    Kind kind;
    QString said;

    // What the record's line says after the company.
    QString Line() const {
        if (kind == Kind::Written) {
            return said.isEmpty() ? QStringLiteral("written")
                                  : QStringLiteral("written; the pages say: ") + said;
        }
        return QStringLiteral("not written: ") + said;
    }
};

// One record's report, from its entry to its PDF.
class RecordReport {
public:
    RecordReport(BoundedReportOffice& office, wb::WorkbookCopy& copy, const QDate& today,
                 const RecordReportsRequest& request)
        : office_(office), copy_(copy), today_(today), request_(request) {}

    Outcome Make(const SavedEntry& saved, const QString& pdfPath) {
        Stage stage = Stage::Making;
        std::shared_ptr<wb::TextDocument> doc;
        try {
            std::vector<entry::Message> said;
            if (!WriteOut(saved.entry, said)) {
                return {Outcome::Kind::NotWritten, Shown(said)};
            }
            try {
                copy_.CopySummaryToReport();
            } catch (const wb::AutomationError& e) {
                if (e.number() != wb::kErrGeneral) {
                    throw;
                }
                throw Said{QString::fromStdString(e.what())};
            }
            stage = Stage::Reading;
            const ReportData data = ReadReport(copy_);
            CheckFigures(data);

            stage = Stage::Making;
            doc = office_.NewFromTemplate(
                QDir(request_.programFolder).filePath(kReportTemplateName), true);
            FillReport(*doc, data, today_, &saved.entry);
            stage = Stage::Writing;
            const QByteArray pdf = doc->ExportPdf();
            doc->Close();
            if (const QString failed = WritePdf(pdfPath, pdf); !failed.isEmpty()) {
                return {Outcome::Kind::NotWritten, OneLine(failed)};
            }
            // A record the pages take with a message (the workbook gave no defaults) is written.
            return {Outcome::Kind::Written, Shown(said)};
        } catch (...) {
            const Failure failure =
                CurrentFailure(stage, {request_.programFolder, request_.timeLimit, pdfPath});
            if (doc) {
                doc->Close();
            }
            return failure.endsBatch ? Outcome{Outcome::Kind::EndsBatch, failure.text}
                                     : Outcome{Outcome::Kind::NotWritten, OneLine(failure.text)};
        }
    }

private:
    // Exactly as a load into the pages writes it: page 1 without copying the workbook's defaults
    // over the record's answers, then page 2. False when the pages would refuse the record; said
    // holds what they would show.
    bool WriteOut(const entry::Entry& answers, std::vector<entry::Message>& said) {
        struct Result {
            entry::GeneralResult general;
            entry::WriteOutResult technical;
        };
        const auto result = std::make_shared<Result>();
        copy_.WriteOut([answers, numbers = request_.numbers, result](wb::Document& document) {
            entry::WriteGeneral(answers, document, *numbers, false, result->general);
            if (result->general.passed) {
                entry::WriteTechnical(answers, document, *numbers, result->technical);
            }
        });
        said = result->general.messages;
        said.insert(said.end(), result->technical.messages.begin(),
                    result->technical.messages.end());
        return result->general.passed && result->technical.passed;
    }

    BoundedReportOffice& office_;
    wb::WorkbookCopy& copy_;
    QDate today_;
    const RecordReportsRequest& request_;
};

// The records asked for, read before the office is reached: every saved one, or those with the
// keys (nothing for a key no record has), with their keys in the same order.
struct Selected {
    std::vector<std::int64_t> keys;
    std::vector<std::optional<SavedEntry>> records;
};

Selected ReadSelected(const QString& database, const RecordSelection& selection) {
    Selected selected;
    if (!selection.all) {
        selected.keys = selection.keys;
        selected.records = ReadSavedEntries(database, selected.keys);
        return selected;
    }
    for (SavedEntry& saved : ReadSavedEntries(database)) {
        selected.keys.push_back(saved.key);
        selected.records.emplace_back(std::move(saved));
    }
    return selected;
}

// The hidden copy of the workbook, loaded and prepared as the program prepares the workbook it
// opens, with its lock released again. Throws the office's failures, and Said.
std::shared_ptr<wb::WorkbookCopy> PrepareCopy(BoundedReportOffice& office, ReportLock& lock,
                                              const QString& workbook,
                                              const RecordReportsRequest& request) {
    if (!lock.Acquire(request.timeLimit)) {
        throw Said{BusyText(request.timeLimit), kStyleCritical};
    }
    std::shared_ptr<wb::WorkbookCopy> copy = office.LoadWorkbookCopy(workbook);
    try {
        CheckReportSheet(*copy, request.programFolder);
        copy->WriteOut(
            [](wb::Document& doc) { PutRange(doc, QStringLiteral("DL"), QStringLiteral("1")); });
    } catch (...) {
        copy->Release();
        throw;
    }
    lock.Release();
    return copy;
}

}  // namespace

QStringList RecordListLines(const QString& databasePath) {
    QStringList lines;
    for (const SavedEntry& saved : ReadSavedEntries(databasePath)) {
        const entry::Entry& answers = saved.entry;
        lines << QStringLiteral("%1\t%2\t%3\t%4")
                     .arg(saved.key)
                     .arg(Printable(answers[entry::kCompany]), Printable(answers[entry::kIndustry]),
                          answers.date.isValid()
                              ? answers.date.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                              : QString());
    }
    return lines;
}

std::optional<RecordSelection> ParseRecordSelection(const QString& text) {
    if (text == u"all") {
        return RecordSelection{true, {}};
    }
    RecordSelection selection;
    std::set<std::int64_t> named;
    for (const QString& part : text.split(QLatin1Char(','))) {
        bool number = false;
        const qlonglong key = part.toLongLong(&number);
        // Digits only: no sign, blank or other form of a number.
        if (!number || key < 1 || part != QString::number(key)) {
            return std::nullopt;
        }
        if (named.insert(key).second) {
            selection.keys.push_back(key);
        }
    }
    return selection;
}

int MakeRecordReports(wb::ReportOffice& office, ReportLock& lock, MessageBoxes& msg,
                      const Clock& clock, const RecordReportsRequest& request,
                      const std::function<void(const QString&)>& line) {
    const QDir folder(request.programFolder);
    const FailureContext context{request.programFolder, request.timeLimit, request.pdfFolder};
    const auto fail = [&msg](const Failure& failure) {
        msg.MsgBox(failure.text, failure.style);
        return 1;
    };

    // Before the office: a folder that is refused, no template, the records.
    if (const QString refused = RefusedPdfFolder(request.pdfFolder, request.programFolder);
        !refused.isEmpty()) {
        return fail({refused});
    }
    if (!QFileInfo(folder.filePath(kReportTemplateName)).isFile()) {
        return fail({FailureText(wb::kErrFileNotFound, Stage::Making, context)});
    }
    Selected selected;
    const QString database = DatabasePath(request.programFolder);
    try {
        selected = ReadSelected(database, request.records);
    } catch (const dao::RecordStoreError& error) {
        msg.MsgBox(DatabaseFailureText(error, database), kStyleCritical, kDatabaseTitle);
        return 1;
    }
    if (selected.records.empty()) {
        line(QStringLiteral("No saved records: no report written"));
        return 0;
    }

    // The entries go into a copy of the workbook of the program's folder, in a folder of this run
    // alone: the office never finds the user's workbook for it, nor the user the copy.
    const QTemporaryDir scratch;
    const QString workbook = QDir(scratch.path()).filePath(WorkbookFileName());
    if (!scratch.isValid() || !QFile::copy(folder.filePath(WorkbookFileName()), workbook)) {
        return fail({FailureText(wb::kErrFileNotFound, Stage::Opening, context)});
    }
    BoundedReportOffice bounded(office, request.timeLimit);
    std::shared_ptr<wb::WorkbookCopy> copy;
    try {
        copy = PrepareCopy(bounded, lock, workbook, request);
    } catch (...) {
        const Failure failure = CurrentFailure(Stage::Opening, context);
        bounded.Release();
        lock.Release();
        return fail(failure);
    }

    RecordReport report(bounded, *copy, clock.Now().date(), request);
    const int count = static_cast<int>(selected.records.size());
    int written = 0;
    bool stopped = false;
    QString ended;
    for (int i = 0; i < count && ended.isEmpty(); ++i) {
        // The hidden workbook must not stay open in the user's office.
        if (request.stopped && request.stopped()) {
            stopped = true;
            break;
        }
        const QString counted = QStringLiteral("%1/%2 ").arg(i + 1).arg(count);
        if (!selected.records[i]) {
            line(counted +
                 QStringLiteral("key %1: no saved record has this key").arg(selected.keys[i]));
            continue;
        }
        const SavedEntry& saved = *selected.records[i];
        const QString company = CompanyOf(saved);
        const QString pdf =
            RecordPdfPath(request.pdfFolder, saved.key, saved.entry[entry::kCompany]);
        if (const QString refused = RefusedPdfTarget(pdf, request.programFolder);
            !refused.isEmpty()) {
            line(counted + company + QStringLiteral(": not written: ") + OneLine(refused));
            continue;
        }
        // Each record has the time limit, and waits its turn in the office.
        bounded.Worker().SetTimeLimit(request.timeLimit);
        if (!lock.Acquire(request.timeLimit)) {
            ended = BusyText(request.timeLimit);
            break;
        }
        const Outcome outcome = report.Make(saved, pdf);
        lock.Release();
        if (outcome.kind == Outcome::Kind::EndsBatch) {
            ended = outcome.said;
            break;
        }
        written += outcome.kind == Outcome::Kind::Written ? 1 : 0;
        line(counted + company + QStringLiteral(": ") + outcome.Line());
    }
    copy->Release();
    bounded.Release();
    lock.Release();
    if (!ended.isEmpty()) {
        msg.MsgBox(ended, kStyleCritical);
    }
    line(QStringLiteral("%1%2 of %3 reports written to %4")
             .arg(stopped ? QStringLiteral("Stopped: ") : QString())
             .arg(written)
             .arg(count)
             .arg(QDir::toNativeSeparators(request.pdfFolder)));
    return written == count ? 0 : 1;
}
