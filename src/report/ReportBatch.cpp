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
    const QString company = Printable(saved.entry[entry::QuestionOf(0)]).trimmed();
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

// The office failures after which no record can be made.
bool EndsTheBatch(int number) {
    return number == wb::kErrOfficeGone || number == wb::kErrNoAnswer ||
           number == wb::kErrNoApplication;
}

// A failure of the office that ends the batch.
struct Ended {
    QString text;
};

// One record's report, from its entry to its PDF.
class RecordReport {
public:
    RecordReport(BoundedReportOffice& office, wb::WorkbookCopy& copy, const QDate& today,
                 const RecordReportsRequest& request)
        : office_(office), copy_(copy), today_(today), request_(request) {}

    // What the line says after the company: "written", or why not. Throws Ended.
    QString Make(const SavedEntry& saved, const QString& pdfPath) {
        Stage stage = Stage::Making;
        std::shared_ptr<wb::TextDocument> doc;
        try {
            // Exactly as a load into the pages writes it: page 1 without copying the workbook's
            // defaults over the record's answers, then page 2.
            struct Outcome {
                entry::GeneralResult general;
                entry::WriteOutResult technical;
            };
            const auto outcome = std::make_shared<Outcome>();
            copy_.WriteOut(
                [entry = saved.entry, numbers = request_.numbers, outcome](wb::Document& document) {
                    entry::WriteGeneral(entry, document, *numbers, false, outcome->general);
                    if (outcome->general.passed) {
                        entry::WriteTechnical(entry, document, *numbers, outcome->technical);
                    }
                });
            std::vector<entry::Message> said = outcome->general.messages;
            said.insert(said.end(), outcome->technical.messages.begin(),
                        outcome->technical.messages.end());
            if (!outcome->general.passed || !outcome->technical.passed) {
                return QStringLiteral("not written: ") + Shown(said);
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
            FillReport(*doc, data, today_);
            stage = Stage::Writing;
            const QByteArray pdf = doc->ExportPdf();
            doc->Close();
            if (!WritePdf(pdfPath, pdf)) {
                return QStringLiteral("not written: ") + OneLine(CannotWritePdfText(pdfPath));
            }
            // A record the pages take with a message (the workbook gave no defaults) is written.
            return said.empty() ? QStringLiteral("written")
                                : QStringLiteral("written; the pages say: ") + Shown(said);
        } catch (const Said& e) {
            Close(doc);
            return QStringLiteral("not written: ") + OneLine(e.text);
        } catch (const wb::AutomationError& e) {
            Close(doc);
            const QString text =
                FailureText(e.number(), stage, request_.programFolder, request_.timeLimit, pdfPath);
            if (EndsTheBatch(e.number())) {
                throw Ended{text};
            }
            return QStringLiteral("not written: ") + OneLine(text);
        } catch (const std::exception&) {  // a runtime error of the office's library
            Close(doc);
            return QStringLiteral("not written: ") +
                   OneLine(FailureText(wb::kErrGeneral, stage, request_.programFolder,
                                       request_.timeLimit, pdfPath));
        }
    }

private:
    static void Close(const std::shared_ptr<wb::TextDocument>& doc) {
        if (doc) {
            doc->Close();
        }
    }

    BoundedReportOffice& office_;
    wb::WorkbookCopy& copy_;
    QDate today_;
    const RecordReportsRequest& request_;
};

}  // namespace

QStringList RecordListLines(const QString& databasePath) {
    QStringList lines;
    for (const SavedEntry& saved : ReadSavedEntries(databasePath)) {
        const entry::Entry& answers = saved.entry;
        lines << QStringLiteral("%1\t%2\t%3\t%4")
                     .arg(saved.key)
                     .arg(Printable(answers[entry::QuestionOf(0)]),
                          Printable(answers[entry::QuestionOf(1)]),
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
    const auto failure = [&](int number, Stage stage) {
        msg.MsgBox(
            FailureText(number, stage, request.programFolder, request.timeLimit, request.pdfFolder),
            kStyleCritical);
        return 1;
    };

    // Before the office: a folder that is refused, no template, the records.
    if (const QString refused = RefusedPdfFolder(request.pdfFolder, request.programFolder);
        !refused.isEmpty()) {
        msg.MsgBox(refused, kStyleCritical);
        return 1;
    }
    if (!QFileInfo(folder.filePath(kReportTemplateName)).isFile()) {
        return failure(wb::kErrFileNotFound, Stage::Making);
    }
    std::vector<std::int64_t> keys = request.records.keys;
    std::vector<std::optional<SavedEntry>> records;
    const QString database = DatabasePath(request.programFolder);
    try {
        if (request.records.all) {
            for (SavedEntry& saved : ReadSavedEntries(database)) {
                keys.push_back(saved.key);
                records.emplace_back(std::move(saved));
            }
        } else {
            records = ReadSavedEntries(database, keys);
        }
    } catch (const dao::RecordStoreError& error) {
        msg.MsgBox(DatabaseFailureText(error, database), kStyleCritical, kDatabaseTitle);
        return 1;
    }
    if (records.empty()) {
        line(QStringLiteral("No saved records: no report written"));
        return 0;
    }

    // The entries go into a copy of the workbook of the program's folder, in a folder of this run
    // alone: the office never finds the user's workbook for it, nor the user the copy.
    const QTemporaryDir scratch;
    const QString workbook = QDir(scratch.path()).filePath(WorkbookFileName());
    if (!scratch.isValid() || !QFile::copy(folder.filePath(WorkbookFileName()), workbook)) {
        return failure(wb::kErrFileNotFound, Stage::Opening);
    }

    BoundedReportOffice bounded(office, request.timeLimit);
    const auto finish = [&](const std::shared_ptr<wb::WorkbookCopy>& copy) {
        if (copy) {
            copy->Release();
        }
        bounded.Release();
        lock.Release();
    };
    std::shared_ptr<wb::WorkbookCopy> copy;
    QString ended;
    try {
        if (!lock.Acquire(request.timeLimit)) {
            throw Ended{BusyText(request.timeLimit)};
        }
        copy = bounded.LoadWorkbookCopy(workbook);
        CheckReportSheet(*copy, request.programFolder);
        // As the program opening the workbook does.
        copy->WriteOut(
            [](wb::Document& doc) { PutRange(doc, QStringLiteral("DL"), QStringLiteral("1")); });
        lock.Release();
    } catch (const Said& e) {
        finish(copy);
        msg.MsgBox(e.text, e.style);
        return 1;
    } catch (const Ended& e) {
        finish(copy);
        msg.MsgBox(e.text, kStyleCritical);
        return 1;
    } catch (const wb::AutomationError& e) {
        finish(copy);
        return failure(e.number(), Stage::Opening);
    } catch (const std::exception&) {  // a runtime error of the office's library
        finish(copy);
        return failure(wb::kErrGeneral, Stage::Opening);
    }

    RecordReport report(bounded, *copy, clock.Now().date(), request);
    const int count = static_cast<int>(records.size());
    int written = 0;
    bool stopped = false;
    for (int i = 0; i < count && ended.isEmpty(); ++i) {
        // The hidden workbook must not stay open in the user's office.
        if (request.stopped && request.stopped()) {
            stopped = true;
            break;
        }
        const QString counted = QStringLiteral("%1/%2 ").arg(i + 1).arg(count);
        if (!records[i]) {
            line(counted + QStringLiteral("key %1: no saved record has this key").arg(keys[i]));
            continue;
        }
        const SavedEntry& saved = *records[i];
        const QString company = CompanyOf(saved);
        const QString pdf =
            RecordPdfPath(request.pdfFolder, saved.key, saved.entry[entry::QuestionOf(0)]);
        if (const QString refused = RefusedPdfTarget(pdf, request.programFolder);
            !refused.isEmpty()) {
            line(counted + company + QStringLiteral(": not written: ") + OneLine(refused));
            continue;
        }
        // Each record has the time limit, and waits its turn in the office.
        bounded.Worker().SetTimeLimit(request.timeLimit);
        try {
            if (!lock.Acquire(request.timeLimit)) {
                throw Ended{BusyText(request.timeLimit)};
            }
            const QString outcome = report.Make(saved, pdf);
            lock.Release();
            written += outcome.startsWith(QLatin1String("written")) ? 1 : 0;
            line(counted + company + QStringLiteral(": ") + outcome);
        } catch (const Ended& e) {
            ended = e.text;
        }
    }
    finish(copy);
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
