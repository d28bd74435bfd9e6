#include "report/ReportLock.h"

#include "workbook/UserOffice.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

namespace {

// The user's private folder. Without one the shared temporary folder is used, with the user's
// number in the name and the file refused unless it is the user's own.
QString LockFolder() {
    const QString folder = PrivateFolder();
    return folder.isEmpty() ? QDir::tempPath() : folder;
}

}  // namespace

ReportLock::ReportLock(const QString& officePipe)
    : path_(QDir(LockFolder())
                .filePath(QStringLiteral("%1-%2.report-lock").arg(officePipe).arg(getuid()))) {}

ReportLock::~ReportLock() {
    Release();
}

bool ReportLock::Acquire(std::chrono::milliseconds limit) {
    if (fd_ < 0) {
        fd_ = ::open(QFile::encodeName(path_).constData(),
                     O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
        struct stat owner {};
        if (fd_ >= 0 && (::fstat(fd_, &owner) != 0 || owner.st_uid != getuid())) {
            Release();
        }
        if (fd_ < 0) {
            return true;
        }
    }
    // flock has no time limit of its own; the turn is tried often enough not to be noticed.
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        QThread::msleep(25);
    }
    return true;
}

void ReportLock::Release() {
    if (fd_ >= 0) {
        ::close(fd_);  // and with it the lock
        fd_ = -1;
    }
}
