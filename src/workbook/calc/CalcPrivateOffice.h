#pragma once
// An office of the program's own, for work nobody sees (the reports of saved records): headless,
// on a private profile in a folder of the caller's, and on a pipe whose name holds 64 random bits
// from the system's generator, so that no other user can guess it and take it first. It never
// meets the user's office, its documents or its memory.
//
// The office is tied to this process: a helper process started with it watches a pipe whose other
// end only this process holds. However this process ends, SIGKILL included, the pipe closes, and
// the helper ends the office's process group and removes the folder. Only the calc backend's own
// .cpp files include this header.

#include "workbook/calc/CalcUno.h"

#include <sys/types.h>
#include <atomic>
#include <memory>
#include <mutex>

namespace dravik_uno {

class PrivateOffice {
public:
    // The office to start from sofficePath, its profile and everything else in folder.
    PrivateOffice(QString sofficePath, QString folder, std::chrono::milliseconds startLimit);
    ~PrivateOffice();
    PrivateOffice(const PrivateOffice&) = delete;
    PrivateOffice& operator=(const PrivateOffice&) = delete;

    // The connection, the office started at the first call and waited for up to the start limit.
    // 429 when it cannot be started, 462 once it has ended.
    std::shared_ptr<OfficeConnection> Connection();
    // Asks the office to end (killed if it is not gone within 5 s) and waits for it.
    void End();
    // Kills the office at once, from any thread, also one that is stopped or hangs inside a call:
    // the calls under way then fail as for an office gone. Waits until it is gone.
    void EndNow();

private:
    void Start();
    void Finish(char how);

    QString soffice_;
    QString folder_;
    QString pipeName_;
    std::chrono::milliseconds startLimit_;
    std::mutex starting_;
    std::shared_ptr<OfficeConnection> connection_;
    bool started_ = false;
    std::mutex watching_;              // for watch_
    int watch_ = -1;                   // this process's end of the helper's pipe
    std::atomic<pid_t> helper_{0};     // to be waited for
    std::atomic<pid_t> helperPid_{0};  // the helper, waited for or not
};

}  // namespace dravik_uno
