#include "workbook/OfficeWorker.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

// Shared by the worker and its thread, which may outlive it when a call is stuck.
struct OfficeWorker::Queue {
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::function<void()>> calls;
    bool stop = false;
    std::thread thread;

    void Serve() {
        for (;;) {
            std::function<void()> call;
            {
                std::unique_lock<std::mutex> lock(mutex);
                wake.wait(lock, [this] { return stop || !calls.empty(); });
                if (calls.empty()) {
                    return;
                }
                call = std::move(calls.front());
                calls.pop_front();
            }
            call();
        }
    }
};

OfficeWorker::OfficeWorker(std::chrono::milliseconds limit) : queue_(std::make_shared<Queue>()) {
    SetTimeLimit(limit);
    queue_->thread = std::thread([queue = queue_] { queue->Serve(); });
}

OfficeWorker::~OfficeWorker() {
    {
        const std::lock_guard<std::mutex> lock(queue_->mutex);
        queue_->stop = true;
    }
    queue_->wake.notify_one();
    if (stuck_) {
        queue_->thread.detach();  // it may never come back
    } else {
        queue_->thread.join();  // after what is queued: the last objects are let go there
    }
}

void OfficeWorker::SetTimeLimit(std::chrono::milliseconds limit) {
    limit_ = limit;
    deadline_ = Clock::now() + limit;
}

void OfficeWorker::Post(std::function<void()> call) {
    if (stuck_) {
        return;
    }
    {
        const std::lock_guard<std::mutex> lock(queue_->mutex);
        queue_->calls.push_back(std::move(call));
    }
    queue_->wake.notify_one();
}

void OfficeWorker::ThrowIfStuck() const {
    if (stuck_) {
        throw wb::AutomationError(wb::kErrNoAnswer, "the office did not answer in time");
    }
}

namespace {

// The inner object is let go on the worker, as its last reference may call the office.
template <class Inner>
class Bounded {
public:
    Bounded(std::shared_ptr<OfficeWorker> worker, std::shared_ptr<Inner> inner)
        : worker_(std::move(worker)), inner_(std::move(inner)) {}
    ~Bounded() {
        worker_->Post([inner = std::move(inner_)]() mutable { inner.reset(); });
    }

protected:
    template <class Call>
    auto Run(Call call) {
        return worker_->Run([inner = inner_, call = std::move(call)] { return call(*inner); });
    }
    // Quiet: after a call that did not end in time there is nothing left to let go of.
    template <class Call>
    void RunQuietly(Call call) {
        try {
            Run(std::move(call));
        } catch (const wb::AutomationError&) {
        }
    }

    std::shared_ptr<OfficeWorker> worker_;
    std::shared_ptr<Inner> inner_;
};

class BoundedShownWorkbook : public wb::ShownWorkbook, Bounded<wb::ShownWorkbook> {
public:
    using Bounded::Bounded;
    QString SheetOf(const QString& name) override {
        return Run([name](wb::ShownWorkbook& book) { return book.SheetOf(name); });
    }
    wb::ShownTable ShownRange(const QString& name) override {
        return Run([name](wb::ShownWorkbook& book) { return book.ShownRange(name); });
    }
    std::vector<wb::ShownTable> ShownRanges(const std::vector<QString>& names) override {
        return Run([names](wb::ShownWorkbook& book) { return book.ShownRanges(names); });
    }
    void TurnTo(const QString& sheet) override {
        Run([sheet](wb::ShownWorkbook& book) { book.TurnTo(sheet); });
    }
    void Release() override {
        RunQuietly([](wb::ShownWorkbook& book) { book.Release(); });
    }
};

class BoundedWorkbookCopy : public wb::WorkbookCopy, Bounded<wb::WorkbookCopy> {
public:
    using Bounded::Bounded;
    QString SheetOf(const QString& name) override {
        return Run([name](wb::WorkbookCopy& copy) { return copy.SheetOf(name); });
    }
    wb::ShownTable ShownRange(const QString& name) override {
        return Run([name](wb::WorkbookCopy& copy) { return copy.ShownRange(name); });
    }
    std::vector<wb::ShownTable> ShownRanges(const std::vector<QString>& names) override {
        return Run([names](wb::WorkbookCopy& copy) { return copy.ShownRanges(names); });
    }
    void TurnTo(const QString& sheet) override {
        Run([sheet](wb::WorkbookCopy& copy) { copy.TurnTo(sheet); });
    }
    void Release() override {
        RunQuietly([](wb::WorkbookCopy& copy) { copy.Release(); });
    }
    void WriteOut(const std::function<void(wb::Document&)>& work) override {
        Run([work](wb::WorkbookCopy& copy) { copy.WriteOut(work); });
    }
    void CopySummaryToReport() override {
        Run([](wb::WorkbookCopy& copy) { copy.CopySummaryToReport(); });
    }
};

class BoundedTextDocument : public wb::TextDocument, Bounded<wb::TextDocument> {
public:
    using Bounded::Bounded;
    void SetTitle(const QString& title) override {
        Run([title](wb::TextDocument& doc) { doc.SetTitle(title); });
    }
    void SetBookmarkText(const QString& bookmark, const QString& text) override {
        Run([bookmark, text](wb::TextDocument& doc) { doc.SetBookmarkText(bookmark, text); });
    }
    void FillTable(const QString& table, int firstRow, int firstColumn,
                   const std::vector<std::vector<QString>>& rows) override {
        Run([=](wb::TextDocument& doc) { doc.FillTable(table, firstRow, firstColumn, rows); });
    }
    void SetChartData(const QString& chart, const std::vector<QString>& categories,
                      const std::vector<QString>& series,
                      const std::vector<std::vector<double>>& values, double tickUnit) override {
        Run([=](wb::TextDocument& doc) {
            doc.SetChartData(chart, categories, series, values, tickUnit);
        });
    }
    void Show() override {
        Run([](wb::TextDocument& doc) { doc.Show(); });
    }
    QByteArray ExportPdf() override {
        return Run([](wb::TextDocument& doc) { return doc.ExportPdf(); });
    }
    void Close() override {
        RunQuietly([](wb::TextDocument& doc) { doc.Close(); });
    }
};

}  // namespace

BoundedReportOffice::BoundedReportOffice(wb::ReportOffice& office, std::chrono::milliseconds limit)
    : office_(office), worker_(std::make_shared<OfficeWorker>(limit)) {}

std::shared_ptr<wb::ShownWorkbook> BoundedReportOffice::TakeWorkbook(const QString& path,
                                                                     bool hidden) {
    wb::ReportOffice* const office = &office_;
    return std::make_shared<BoundedShownWorkbook>(worker_, worker_->Run([office, path, hidden] {
        return office->TakeWorkbook(path, hidden);
    }));
}

std::shared_ptr<wb::TextDocument> BoundedReportOffice::NewFromTemplate(const QString& path,
                                                                       bool hidden) {
    wb::ReportOffice* const office = &office_;
    return std::make_shared<BoundedTextDocument>(worker_, worker_->Run([office, path, hidden] {
        return office->NewFromTemplate(path, hidden);
    }));
}

std::shared_ptr<wb::WorkbookCopy> BoundedReportOffice::LoadWorkbookCopy(const QString& path) {
    wb::ReportOffice* const office = &office_;
    return std::make_shared<BoundedWorkbookCopy>(
        worker_, worker_->Run([office, path] { return office->LoadWorkbookCopy(path); }));
}

void BoundedReportOffice::Release() {
    wb::ReportOffice* const office = &office_;
    try {
        worker_->Run([office] { office->Release(); });
    } catch (const wb::AutomationError&) {
        // The office did not answer: there is nothing left to let go of.
    }
}

void BoundedReportOffice::EndNow() {
    // Not through the worker, which may be waiting for the very office this ends.
    office_.EndNow();
}
