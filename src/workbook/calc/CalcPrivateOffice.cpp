#include "workbook/calc/CalcPrivateOffice.h"

#include <QDir>
#include <QRandomGenerator>
#include <QThread>
#include <QUrl>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

extern char** environ;

namespace dravik_uno {

namespace {

// How long an office asked to end may take before it is killed.
constexpr int kEndGraceMs = 5000;

void Pause(int ms) {
    const timespec step{0, ms * 1000L * 1000L};
    nanosleep(&step, nullptr);
}

void SetSignals(void (*handler)(int)) {
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE}) {
        sigaction(signal, &action, nullptr);
    }
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
}

// What the program asks of the helper, read from fd 3 within ms: 'k' to kill the office at once,
// 't' to end it, 'e' at end of file (the program has ended, however: end it too), 0 for nothing
// yet.
char Asked(int ms) {
    pollfd asked = {3, POLLIN, 0};
    if (poll(&asked, 1, ms) <= 0) {
        return 0;
    }
    char what = 0;
    const ssize_t got = read(3, &what, 1);
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) {
        return 0;
    }
    if (got <= 0) {
        return 'e';
    }
    return what == 'k' ? 'k' : 't';
}

// The helper, in the child of a fork of a threaded program: only calls that are safe there. It
// starts the office in a process group of its own and watches fd 3, the pipe from the program:
// asked to end, the office is asked to terminate and killed after a grace, or at once; an office
// that ends by itself ends the watch too. Then nothing of the office's group is left, and its
// folder goes.
[[noreturn]] void RunHelper(int watch, char* const* office, char* const* officeEnvironment,
                            char* const* removal) {
    setsid();
    // Only a kill ends the helper: it must outlive the program to end the office.
    SetSignals(SIG_IGN);
    if (watch != 3) {
        dup2(watch, 3);
    }
    const int null = open("/dev/null", O_RDWR);
    for (int fd = 0; fd <= 2; ++fd) {
        if (fd != null) {
            dup2(null, fd);
        }
    }
    if (close_range(4, ~0U, 0) != 0) {
        for (int fd = 4; fd < 4096; ++fd) {
            close(fd);
        }
    }
    const pid_t launcher = fork();
    if (launcher == 0) {
        setpgid(0, 0);
        close(3);
        SetSignals(SIG_DFL);
        execve(office[0], office, officeEnvironment);
        _exit(127);
    }
    if (launcher < 0) {
        _exit(1);
    }
    setpgid(launcher, launcher);

    const auto ended = [launcher] { return waitpid(launcher, nullptr, WNOHANG) == launcher; };
    bool gone = false;
    char asked = 0;
    while (!gone && asked == 0) {
        asked = Asked(200);
        gone = ended();
    }
    if (!gone && asked != 'k') {
        kill(-launcher, SIGTERM);
        for (int waited = 0; waited < kEndGraceMs && !gone && asked != 'k'; waited += 50) {
            if (asked == 'e') {
                Pause(50);  // nobody left to ask
            } else {
                asked = Asked(50);
            }
            gone = ended();
        }
    }
    // Whatever is left of the office's group, also once its launcher has gone.
    kill(-launcher, SIGKILL);
    if (!gone) {
        while (waitpid(launcher, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    execve(removal[0], removal, environ);
    _exit(0);
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts) {
        pointers.push_back(text.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

// Whether the helper has ended, without waiting for it (it stays to be waited for).
bool HelperEnded(pid_t helper) {
    siginfo_t info = {};
    return waitid(P_PID, static_cast<id_t>(helper), &info, WEXITED | WNOHANG | WNOWAIT) != 0 ||
           info.si_pid == helper;
}

}  // namespace

PrivateOffice::PrivateOffice(QString sofficePath, QString folder,
                             std::chrono::milliseconds startLimit)
    : soffice_(std::move(sofficePath)), folder_(std::move(folder)), startLimit_(startLimit) {}

PrivateOffice::~PrivateOffice() {
    EndNow();
}

void PrivateOffice::Start() {
    // 64 bits from the system's generator: a name nobody else can know before the office has it.
    pipeName_ = QStringLiteral("dravik_lumo_own_%1")
                    .arg(QRandomGenerator::system()->generate64(), 16, 16, QLatin1Char('0'));
    const QString profile =
        QUrl::fromLocalFile(folder_ + QStringLiteral("/profile")).toString(QUrl::FullyEncoded);
    std::vector<std::string> office = {
        soffice_.toStdString(),
        "--headless",
        "--invisible",
        "--norestore",
        "--nologo",
        "--nodefault",
        "--nolockcheck",
        "--accept=pipe,name=" + pipeName_.toStdString() + ";urp;StarOffice.ComponentContext",
        "-env:UserInstallation=" + profile.toStdString()};
    // Its temporary files in the folder too, and the pipe's socket, which a killed office
    // leaves behind, with the folder.
    const QString temporary = folder_ + QStringLiteral("/tmp");
    QDir().mkpath(temporary);
    std::vector<std::string> removal = {
        "/bin/rm", "-rf", "--", folder_.toStdString(),
        QStringLiteral("/tmp/OSL_PIPE_%1_%2").arg(getuid()).arg(pipeName_).toStdString()};
    std::vector<std::string> environment;
    for (char** variable = environ; *variable; ++variable) {
        if (std::strncmp(*variable, "TMPDIR=", 7) != 0) {
            environment.emplace_back(*variable);
        }
    }
    environment.push_back("TMPDIR=" + temporary.toStdString());
    std::vector<char*> officeArgs = Pointers(office);
    std::vector<char*> removalArgs = Pointers(removal);
    std::vector<char*> officeEnvironment = Pointers(environment);

    int ends[2];
    if (soffice_.isEmpty() || pipe2(ends, O_CLOEXEC) != 0) {
        throw wb::AutomationError(wb::kErrNoApplication, "cannot start " + office[0]);
    }
    const pid_t helper = fork();
    if (helper == 0) {
        RunHelper(ends[0], officeArgs.data(), officeEnvironment.data(), removalArgs.data());
    }
    close(ends[0]);
    if (helper < 0) {
        close(ends[1]);
        throw wb::AutomationError(wb::kErrNoApplication, "cannot start " + office[0]);
    }
    const std::lock_guard<std::mutex> lock(watching_);
    watch_ = ends[1];
    helper_ = helper;
    helperPid_ = helper;
}

std::shared_ptr<OfficeConnection> PrivateOffice::Connection() {
    const std::lock_guard<std::mutex> lock(starting_);
    if (connection_ && connection_->Alive()) {
        return connection_;
    }
    if (started_) {
        throw wb::AutomationError(wb::kErrOfficeGone, "the office has ended");
    }
    started_ = true;
    Start();
    const auto deadline = std::chrono::steady_clock::now() + startLimit_;
    for (;;) {
        try {
            connection_ = OfficeConnection::Connect(pipeName_);
        } catch (const css::uno::Exception&) {
            // Still starting: it accepts before it can answer.
        }
        if (connection_) {
            return connection_;
        }
        const pid_t helper = helper_;
        if (helper <= 0 || HelperEnded(helper)) {
            throw wb::AutomationError(wb::kErrNoApplication, "the office ended as it started");
        }
        if (std::chrono::steady_clock::now() > deadline) {
            EndNow();
            throw wb::AutomationError(wb::kErrNoApplication, "the office did not answer");
        }
        QThread::msleep(50);
    }
}

void PrivateOffice::End() {
    Finish('t');
}

void PrivateOffice::EndNow() {
    Finish('k');
}

// Either may come while the other waits (EndNow from another thread while End waits for the
// grace): the helper is told through the pipe, which stays open until it has gone, and only one
// of them reaps it.
void PrivateOffice::Finish(char how) {
    {
        const std::lock_guard<std::mutex> lock(watching_);
        if (watch_ >= 0) {
            (void)!write(watch_, &how, 1);
        }
    }
    if (const pid_t helper = helper_.exchange(0); helper > 0) {
        while (waitpid(helper, nullptr, 0) < 0 && errno == EINTR) {
        }
    } else if (const pid_t started = helperPid_; started > 0) {
        for (int waited = 0; waited < 200 && !HelperEnded(started); ++waited) {
            QThread::msleep(50);
        }
    }
    const std::lock_guard<std::mutex> lock(watching_);
    if (watch_ >= 0) {
        close(watch_);
        watch_ = -1;
    }
}

}  // namespace dravik_uno
