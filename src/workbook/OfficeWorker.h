#pragma once
// Office calls with a time limit. A call to the office waits for its answer, however long that
// takes: an office that is stopped or hangs would hold the program forever. The worker makes the
// calls on a thread of its own, and the caller waits for each only until the deadline; after a
// call that did not end in time every call fails at once with kErrNoAnswer, so that the caller
// can say so and end. The call that hangs is abandoned (its thread is left to the process's end).
//
//   OfficeWorker worker(std::chrono::seconds(60));
//   QString text = worker.Run([book] { return book->ShownRange(name)[0][0].text; });
//
// A call captures what it uses by value: once abandoned, it may still finish after its caller
// has gone.

#include "workbook/Automation.h"

#include <chrono>
#include <functional>
#include <future>
#include <memory>

class OfficeWorker {
public:
    using Clock = std::chrono::steady_clock;

    // The deadline is limit from now.
    explicit OfficeWorker(std::chrono::milliseconds limit);
    ~OfficeWorker();
    OfficeWorker(const OfficeWorker&) = delete;
    OfficeWorker& operator=(const OfficeWorker&) = delete;

    // A new deadline, limit from now (for a caller that gives each part of its work a bound).
    void SetTimeLimit(std::chrono::milliseconds limit);
    std::chrono::milliseconds TimeLimit() const { return limit_; }
    // Whether a call did not end in time.
    bool Stuck() const { return stuck_; }

    // Runs call on the worker's thread and gives its result or rethrows its exception; 1460 when
    // it did not end by the deadline, or when an earlier call did not.
    template <class Call>
    auto Run(Call call) -> decltype(call()) {
        using Result = decltype(call());
        ThrowIfStuck();
        auto task = std::make_shared<std::packaged_task<Result()>>(std::move(call));
        std::future<Result> result = task->get_future();
        Post([task] { (*task)(); });
        if (result.wait_until(deadline_) != std::future_status::ready) {
            stuck_ = true;
            ThrowIfStuck();
        }
        return result.get();
    }

    // Runs call on the worker's thread without waiting for it: letting go of office objects,
    // which may itself call the office. Never runs once a call is stuck.
    void Post(std::function<void()> call);

private:
    void ThrowIfStuck() const;

    struct Queue;
    std::shared_ptr<Queue> queue_;
    std::chrono::milliseconds limit_;
    Clock::time_point deadline_;
    bool stuck_ = false;
};

// The report's office with every call through an OfficeWorker: the office as the report sees it,
// bounded in time. The documents it hands out are bounded the same way; letting go of them
// happens on the worker. Release and Close never fail: after a call that did not end in time
// they do nothing.
class BoundedReportOffice : public wb::ReportOffice {
public:
    BoundedReportOffice(wb::ReportOffice& office, std::chrono::milliseconds limit);

    std::shared_ptr<wb::ShownWorkbook> TakeWorkbook(const QString& path, bool hidden) override;
    std::shared_ptr<wb::TextDocument> NewFromTemplate(const QString& path, bool hidden) override;
    std::shared_ptr<wb::WorkbookCopy> LoadWorkbookCopy(const QString& path) override;
    void Release() override;
    void EndNow() override;

    OfficeWorker& Worker() { return *worker_; }

private:
    wb::ReportOffice& office_;
    std::shared_ptr<OfficeWorker> worker_;
};
