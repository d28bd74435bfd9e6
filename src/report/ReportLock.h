#pragma once
// One report at a time for each user's office. Two reports made at once in one office can freeze
// it for good (its chart code then takes two of its locks in opposite orders), so the report
// program's office work holds an advisory lock (flock) on a file in the user's runtime folder; a
// second run waits its turn. The lock goes with the process however it ends, also when killed.
//
// The workbook's report button takes no part: it runs inside the office, on the thread a waiting
// report would need, so it must never wait for this lock. The report checks for a copy made
// while it read instead.

#include <QString>

#include <chrono>

class ReportLock {
public:
    // The lock of the office on officePipe.
    explicit ReportLock(const QString& officePipe);
    ~ReportLock();
    ReportLock(const ReportLock&) = delete;
    ReportLock& operator=(const ReportLock&) = delete;

    // Waits until the lock is this program's, at most limit; false when the limit passed. Where
    // no lock file can be made, the report runs unguarded rather than not at all.
    bool Acquire(std::chrono::milliseconds limit);
    void Release();

private:
    QString path_;
    int fd_ = -1;
};
