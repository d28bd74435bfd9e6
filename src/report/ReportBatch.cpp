#include "report/ReportBatch.h"

#include "entry/WriteOut.h"
#include "records/Details.h"
#include "report/ReportContent.h"
#include "report/ReportTarget.h"
#include "shell/AppIdentity.h"
#include "shell/Platform.h"
#include "workbook/OfficeWorker.h"
#include "workbook/RangeExchange.h"
#include "workbook/WorkbookConnection.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <condition_variable>
#include <map>
#include <mutex>
#include <set>
#include <thread>

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
        OfficeLost,  // said: the office ended or stopped answering; it is started afresh
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

// One office of the pool and what it holds for the records: its hidden copy of the workbook,
// prepared as the program prepares the workbook it opens. Every office call is bounded by the
// time limit.
class PoolOffice {
public:
    PoolOffice(const OfficeMaker& make, const RecordReportsRequest& request)
        : request_(request), office_(make(folder_.path())), bounded_(*office_, request.timeLimit) {}

    // Loads and prepares the copy. Throws the office's failures, and Said.
    void Prepare(const QString& workbook, std::chrono::milliseconds limit) {
        bounded_.Worker().SetTimeLimit(limit);
        const QString copied = QDir(folder_.path()).filePath(WorkbookFileName());
        if (!folder_.isValid() || !QFile::copy(workbook, copied)) {
            throw wb::AutomationError(wb::kErrFileNotFound, "no copy of the workbook");
        }
        copy_ = bounded_.LoadWorkbookCopy(copied);
        CheckReportSheet(*copy_, request_.programFolder);
        copy_->WriteOut(
            [](wb::Document& doc) { PutRange(doc, QStringLiteral("DL"), QStringLiteral("1")); });
    }

    Outcome Make(const SavedEntry& saved, const QString& pdfPath, const QDate& today) {
        bounded_.Worker().SetTimeLimit(request_.timeLimit);
        Stage stage = Stage::Making;
        std::shared_ptr<wb::TextDocument> doc;
        try {
            std::vector<entry::Message> said;
            if (!WriteOut(saved.entry, said)) {
                return {Outcome::Kind::NotWritten, Shown(said)};
            }
            try {
                copy_->CopySummaryToReport();
            } catch (const wb::AutomationError& e) {
                if (e.number() != wb::kErrGeneral) {
                    throw;
                }
                throw Said{QString::fromStdString(e.what())};
            }
            stage = Stage::Reading;
            const ReportData data = ReadReport(*copy_);
            CheckFigures(data);

            stage = Stage::Making;
            doc = bounded_.NewFromTemplate(
                QDir(request_.programFolder).filePath(kReportTemplateName), true);
            FillReport(*doc, data, today, &saved.entry);
            stage = Stage::Writing;
            const QByteArray pdf = doc->ExportPdf();
            doc->Close();
            doc.reset();
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
            return failure.endsBatch ? Outcome{Outcome::Kind::OfficeLost, failure.text}
                                     : Outcome{Outcome::Kind::NotWritten, OneLine(failure.text)};
        }
    }

    // Closes what it holds and ends the office, each within the time limit; an office that does
    // not end so is killed. Nothing of it is left running.
    void End() {
        bounded_.Worker().SetTimeLimit(request_.timeLimit);
        if (copy_) {
            copy_->Release();
        }
        bounded_.Release();
        EndNow();
    }

    // From any thread, also while a call waits for the office.
    void EndNow() { bounded_.EndNow(); }

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
        copy_->WriteOut([answers, numbers = request_.numbers, result](wb::Document& document) {
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

    const RecordReportsRequest& request_;
    QTemporaryDir folder_;  // the office's profile and the copy; gone with the office
    std::shared_ptr<wb::ReportOffice> office_;
    BoundedReportOffice bounded_;
    std::shared_ptr<wb::WorkbookCopy> copy_;
};

// The records asked for, read before the office is reached: every saved one, or those with the
// keys (nothing for a key no record has), with their keys in the same order.
struct Selected {
    std::vector<std::int64_t> keys;
    std::vector<std::optional<SavedEntry>> records;
};

Selected ReadSelected(const RecordStore& database, const RecordSelection& selection) {
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

}  // namespace

QStringList RecordListLines(const RecordStore& store) {
    QStringList lines;
    for (const SavedEntry& saved : ReadSavedEntries(store)) {
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

namespace {

// The records of a batch, handed out to the pool's offices as they free up, and the line each
// gave, kept until it is due: the lines come out in record order.
class Handout {
public:
    Handout(int count, std::function<bool()> stopped)
        : count_(count), stopped_(std::move(stopped)) {}

    // The next record to make; nothing once every record is handed out, or the batch is stopped
    // or ended.
    std::optional<int> Next() {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (next_ < count_ && !ended_ && stopped_ && stopped_()) {
            stoppedEarly_ = true;
        }
        if (next_ >= count_ || ended_ || stoppedEarly_) {
            return std::nullopt;
        }
        return next_++;
    }
    bool Over() {
        const std::lock_guard<std::mutex> lock(mutex_);
        return next_ >= count_ || ended_ || stoppedEarly_;
    }

    void Done(int record, const QString& line, bool written) {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            lines_[record] = line;
            written_ += written ? 1 : 0;
        }
        changed_.notify_all();
    }
    // No record after those being made; the first failure that ends the batch is said.
    void End(const Failure& failure) {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            if (!ended_) {
                ended_ = true;
                failure_ = failure;
            }
        }
        changed_.notify_all();
    }
    void OfficeEnded() {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            ++officesEnded_;
        }
        changed_.notify_all();
    }

    // Hands the lines that are due to line, as they come, until offices have ended; done is
    // called once when every record handed out has its line and no other will be.
    void Say(int offices, const std::function<void(const QString&)>& line,
             const std::function<void()>& done) {
        std::unique_lock<std::mutex> lock(mutex_);
        bool over = false;
        for (;;) {
            for (auto due = lines_.find(said_); due != lines_.end(); due = lines_.find(said_)) {
                const QString text = due->second;
                lines_.erase(due);
                ++said_;
                lock.unlock();
                line(text);
                lock.lock();
            }
            if (officesEnded_ >= offices) {
                return;
            }
            if (!over && said_ == next_ && (next_ >= count_ || ended_ || stoppedEarly_)) {
                over = true;
                lock.unlock();
                done();
                lock.lock();
            }
            // Also woken now and then: Ctrl+C sets only a flag.
            changed_.wait_for(lock, std::chrono::milliseconds(100));
            if (next_ < count_ && !ended_ && stopped_ && stopped_()) {
                stoppedEarly_ = true;
            }
        }
    }

    int HandedOut() const { return next_; }
    int Written() const { return written_; }
    bool StoppedEarly() const { return stoppedEarly_; }
    const std::optional<Failure>& Ended() const { return failure_; }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    const int count_;
    std::function<bool()> stopped_;
    int next_ = 0;
    int said_ = 0;
    int written_ = 0;
    int officesEnded_ = 0;
    bool ended_ = false;
    bool stoppedEarly_ = false;
    std::optional<Failure> failure_;
    std::map<int, QString> lines_;
};

// An office of the pool while it is being started, for the batch to end should the work be
// done first (the other offices made every report, or the batch was stopped).
struct Starting {
    std::mutex mutex;
    PoolOffice* office = nullptr;

    void Set(PoolOffice* starting) {
        const std::lock_guard<std::mutex> lock(mutex);
        office = starting;
    }
    void EndNow() {
        const std::lock_guard<std::mutex> lock(mutex);
        if (office) {
            office->EndNow();
        }
    }
};

// One office of the pool at work: it takes the next record until none is left. An office that
// ends or stops answering costs its record, with the reason, and is started afresh; one that
// cannot be started ends the batch, unless its work was done meanwhile.
void Serve(const OfficeMaker& make, Handout& handout, const Selected& selected,
           const QString& workbook, const QDate& today, const RecordReportsRequest& request,
           Starting& starting, std::vector<std::unique_ptr<PoolOffice>>& given_up) {
    const int count = static_cast<int>(selected.records.size());
    std::unique_ptr<PoolOffice> office;
    while (!handout.Over()) {
        if (!office) {
            // Starting an office takes longer than a report: it has the opening's time limit.
            const std::chrono::milliseconds limit =
                std::max<std::chrono::milliseconds>(request.timeLimit, kOpeningTimeLimit);
            office = std::make_unique<PoolOffice>(make, request);
            starting.Set(office.get());
            try {
                office->Prepare(workbook, limit);
                starting.Set(nullptr);
            } catch (...) {
                starting.Set(nullptr);
                const Failure failure = CurrentFailure(
                    Stage::Opening, {request.programFolder, limit, request.pdfFolder});
                if (!handout.Over()) {
                    handout.End(failure);
                }
                break;
            }
        }
        const std::optional<int> i = handout.Next();
        if (!i) {
            break;
        }
        const QString counted = QStringLiteral("%1/%2 ").arg(*i + 1).arg(count);
        if (!selected.records[*i]) {
            handout.Done(
                *i,
                counted +
                    QStringLiteral("key %1: no saved record has this key").arg(selected.keys[*i]),
                false);
            continue;
        }
        const SavedEntry& saved = *selected.records[*i];
        const QString company = CompanyOf(saved);
        const QString pdf =
            RecordPdfPath(request.pdfFolder, saved.key, saved.entry[entry::kCompany]);
        if (const QString refused = RefusedPdfTarget(pdf, request.programFolder);
            !refused.isEmpty()) {
            handout.Done(*i,
                         counted + company + QStringLiteral(": not written: ") + OneLine(refused),
                         false);
            continue;
        }
        const Outcome outcome = office->Make(saved, pdf, today);
        handout.Done(*i,
                     counted + company + QStringLiteral(": ") +
                         (outcome.kind == Outcome::Kind::OfficeLost
                              ? QStringLiteral("not written: ") + OneLine(outcome.said)
                              : outcome.Line()),
                     outcome.kind == Outcome::Kind::Written);
        if (outcome.kind == Outcome::Kind::OfficeLost) {
            office->EndNow();
            given_up.push_back(std::move(office));
        }
    }
    if (office) {
        office->End();
    }
    handout.OfficeEnded();
}

}  // namespace

int DefaultJobs() {
    return std::clamp(QThread::idealThreadCount(), 1, 4);
}

int MakeRecordReports(const OfficeMaker& offices, MessageBoxes& msg, const Clock& clock,
                      const RecordReportsRequest& request,
                      const std::function<void(const QString&)>& line) {
    const QDir folder(request.programFolder);
    const FailureContext context{request.programFolder, request.timeLimit, request.pdfFolder};
    const auto fail = [&msg](const Failure& failure) {
        msg.MsgBox(failure.text, failure.style);
        return 1;
    };

    // Before the office: a folder that is refused (its last part is made, as mkdir would), no
    // template, no workbook, the records.
    QDir().mkdir(request.pdfFolder);
    if (const QString refused = RefusedPdfFolder(request.pdfFolder, request.programFolder);
        !refused.isEmpty()) {
        return fail({refused});
    }
    if (!QFileInfo(folder.filePath(kReportTemplateName)).isFile()) {
        return fail({FailureText(wb::kErrFileNotFound, Stage::Making, context)});
    }
    const QString workbook = folder.filePath(WorkbookFileName());
    if (!QFileInfo(workbook).isFile()) {
        return fail({FailureText(wb::kErrFileNotFound, Stage::Opening, context)});
    }
    Selected selected;
    const RecordStore database = StoreOf(request.programFolder);
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

    // Each office of the pool works on a copy of the workbook of the program's folder, in a
    // folder of its own: no office finds the user's workbook for it, nor the user the copy.
    const int count = static_cast<int>(selected.records.size());
    const int jobs = std::clamp(request.jobs, 1, count);
    const QDate today = clock.Now().date();
    Handout handout(count, request.stopped);
    std::vector<std::vector<std::unique_ptr<PoolOffice>>> givenUp(jobs);
    std::vector<Starting> starting(jobs);
    std::vector<std::thread> pool;
    for (int job = 0; job < jobs; ++job) {
        pool.emplace_back([&, job] {
            Serve(offices, handout, selected, workbook, today, request, starting[job],
                  givenUp[job]);
        });
    }
    handout.Say(jobs, line, [&starting] {
        for (Starting& office : starting) {
            office.EndNow();
        }
    });
    for (std::thread& office : pool) {
        office.join();
    }
    // A call given up may still come back into its office's objects: they stay to the process's
    // end, their offices ended.
    for (std::vector<std::unique_ptr<PoolOffice>>& offices : givenUp) {
        for (std::unique_ptr<PoolOffice>& office : offices) {
            (void)office.release();
        }
    }

    if (const std::optional<Failure>& ended = handout.Ended()) {
        msg.MsgBox(ended->text, ended->style);
        if (handout.HandedOut() == 0) {
            return 1;
        }
    }
    line(QStringLiteral("%1%2 of %3 reports written to %4")
             .arg(handout.StoppedEarly() ? QStringLiteral("Stopped: ") : QString())
             .arg(handout.Written())
             .arg(count)
             .arg(QDir::toNativeSeparators(request.pdfFolder)));
    return handout.Written() == count ? 0 : 1;
}
