#include "workbook/calc/CalcUno.h"

#include "workbook/UserOffice.h"

#include <com/sun/star/awt/AsyncCallback.hpp>
#include <com/sun/star/awt/XCallback.hpp>
#include <com/sun/star/bridge/BridgeFactory.hpp>
#include <com/sun/star/bridge/XBridge.hpp>
#include <com/sun/star/connection/Connector.hpp>
#include <com/sun/star/connection/NoConnectException.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/deployment/ExtensionManager.hpp>
#include <com/sun/star/deployment/XPackage.hpp>
#include <com/sun/star/document/LockFileCorruptRequest.hpp>
#include <com/sun/star/document/LockFileIgnoreRequest.hpp>
#include <com/sun/star/document/LockedDocumentRequest.hpp>
#include <com/sun/star/document/MacroExecMode.hpp>
#include <com/sun/star/document/OwnLockOnDocumentRequest.hpp>
#include <com/sun/star/document/UpdateDocMode.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/XFrames.hpp>
#include <com/sun/star/lang/IllegalArgumentException.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/lang/XEventListener.hpp>
#include <com/sun/star/task/XInteractionAbort.hpp>
#include <com/sun/star/task/XInteractionApprove.hpp>
#include <com/sun/star/task/XInteractionDisapprove.hpp>
#include <com/sun/star/task/XInteractionHandler.hpp>
#include <com/sun/star/task/XInteractionRequest.hpp>
#include <com/sun/star/ucb/XCommandEnvironment.hpp>
#include <com/sun/star/ucb/XProgressHandler.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <cppuhelper/bootstrap.hxx>
#include <cppuhelper/implbase1.hxx>
#include <cppuhelper/implbase3.hxx>
#include <rtl/bootstrap.hxx>
#include <rtl/ref.hxx>

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <QUrl>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <chrono>
#include <csignal>
#include <ctime>
#include <future>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace dravik_uno {

rtl::OUString FileUrl(const QString& path) {
    return ToOU(QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded));
}

bool SameFile(const rtl::OUString& url, const QString& path) {
    const QUrl parsed(ToQ(url));
    return parsed.isLocalFile() && parsed.toLocalFile() == QUrl::fromLocalFile(path).toLocalFile();
}

Reference<css::uno::XComponentContext> LocalContext() {
    // Started once and never torn down: the URE's own teardown at exit is not safe to race with
    // bridges that are still closing. The ini and the office's type libraries are named here
    // rather than left to the environment: without them the bootstrap finds no types and fails
    // or crashes, and the bridge cannot carry the spreadsheet interfaces.
    static const Reference<css::uno::XComponentContext>* context = [] {
        // The bridge writes to the office's pipe with plain send(): a write after the office has
        // gone would end the program with SIGPIPE, where the failed write is what should tell the
        // bridge (and so the program) that the office has gone.
        std::signal(SIGPIPE, SIG_IGN);
        rtl::Bootstrap::set("URE_MORE_TYPES", "<file://" DRAVIK_OFFICE_PROGRAM_DIR "/types>*");
        rtl::Bootstrap::set("URE_MORE_SERVICES", rtl::OUString());
        return new Reference<css::uno::XComponentContext>(
            cppu::defaultBootstrap_InitialComponentContext("file://" DRAVIK_OFFICE_PROGRAM_DIR
                                                           "/unorc"));
    }();
    return *context;
}

namespace {

class FlagListener : public cppu::WeakImplHelper1<css::lang::XEventListener> {
public:
    explicit FlagListener(std::shared_ptr<std::atomic<bool>> disposed)
        : disposed_(std::move(disposed)) {}
    void SAL_CALL disposing(const css::lang::EventObject&) override { disposed_->store(true); }

private:
    std::shared_ptr<std::atomic<bool>> disposed_;
};

}  // namespace

Reference<css::lang::XEventListener> DisposeFlagListener(
    std::shared_ptr<std::atomic<bool>> disposed) {
    return new FlagListener(std::move(disposed));
}

std::shared_ptr<OfficeConnection> OfficeConnection::Connect(const QString& pipeName) {
    // One bridge per office in a process: a second bridge to the same office meets the first
    // one's proxies (the objects have the same identities) and the office drops it.
    static std::mutex guard;
    static std::map<QString, std::weak_ptr<OfficeConnection>> open;
    const std::lock_guard<std::mutex> lock(guard);
    if (const std::shared_ptr<OfficeConnection> known = open[pipeName].lock();
        known && known->Alive()) {
        return known;
    }
    std::shared_ptr<OfficeConnection> made = ConnectNew(pipeName);
    open[pipeName] = made;
    return made;
}

std::shared_ptr<OfficeConnection> OfficeConnection::ConnectNew(const QString& pipeName) {
    const Reference<css::uno::XComponentContext> local = LocalContext();
    Reference<css::connection::XConnection> pipe;
    try {
        pipe = css::connection::Connector::create(local)->connect("pipe,name=" + ToOU(pipeName));
    } catch (const css::connection::NoConnectException&) {
        return nullptr;
    }

    std::shared_ptr<OfficeConnection> c(new OfficeConnection);
    const Reference<css::bridge::XBridge> bridge =
        css::bridge::BridgeFactory::create(local)->createBridge(rtl::OUString(), "urp", pipe,
                                                                nullptr);
    c->bridge_.set(bridge, UNO_QUERY_THROW);
    c->bridgeListener_ = DisposeFlagListener(c->disposed_);
    c->bridge_->addEventListener(c->bridgeListener_);

    // An office still starting up accepts on the pipe before it offers its context.
    c->context_.set(bridge->getInstance("StarOffice.ComponentContext"), css::uno::UNO_QUERY);
    if (!c->context_.is() || !c->Alive()) {
        return nullptr;
    }
    c->desktop_ = css::frame::Desktop::create(c->context_);
    return c;
}

OfficeConnection::~OfficeConnection() {
    // Letting go of the bridge leaves the office and its documents as they are.
    if (bridge_.is() && Alive()) {
        try {
            bridge_->dispose();
        } catch (const css::uno::Exception&) {
            // Already going away.
        }
    }
}

css::beans::PropertyValue Property(const char* name, Any value) {
    css::beans::PropertyValue p;
    p.Name = rtl::OUString::createFromAscii(name);
    p.Value = std::move(value);
    return p;
}

namespace {

// The office asks its questions while loading (a damaged file to repair, a general input/output
// error, filter options, a password, a lock file) through the handler that comes with the load.
// Its own handler shows a dialog, and the program would wait behind it until the user found it.
// This one answers a lock file as a user of the office's dialog would where that keeps the
// program working, and declines every other question, so a load that needs an answer fails at
// once.
class QuietInteractionHandler : public cppu::WeakImplHelper1<css::task::XInteractionHandler> {
public:
    explicit QuietInteractionHandler(OthersLock othersLock) : othersLock_(othersLock) {}

    void SAL_CALL handle(const Reference<css::task::XInteractionRequest>& request) override {
        const Sequence<Reference<css::task::XInteractionContinuation>> choices =
            request->getContinuations();
        const Any asked = request->getRequest();
        css::document::OwnLockOnDocumentRequest ownLock;
        // "Open": the lock is the user's own from another office of theirs, most often one that
        // crashed (a lock of its own installation the office takes over without asking).
        if ((asked >>= ownLock) && !ownLock.IsStoring &&
            Select<css::task::XInteractionDisapprove>(choices)) {
            return;
        }
        // "Open": no lock file can be made beside the file.
        if (asked.isExtractableTo(cppu::UnoType<css::document::LockFileIgnoreRequest>::get()) &&
            Select<css::task::XInteractionApprove>(choices)) {
            return;
        }
        // "Open Read-Only": someone else has the file open. Only for a caller that just reads:
        // the office drops what is typed into the cells of a read-only document without a word.
        if (othersLock_ == OthersLock::OpenReadOnly &&
            asked.isExtractableTo(cppu::UnoType<css::document::LockedDocumentRequest>::get()) &&
            Select<css::task::XInteractionApprove>(choices)) {
            return;
        }
        if (!Select<css::task::XInteractionAbort>(choices)) {
            Select<css::task::XInteractionDisapprove>(choices);
        }
    }

private:
    template <class Continuation>
    static bool Select(const Sequence<Reference<css::task::XInteractionContinuation>>& choices) {
        for (const Reference<css::task::XInteractionContinuation>& choice : choices) {
            if (Reference<Continuation>(choice, UNO_QUERY).is()) {
                choice->select();
                return true;
            }
        }
        return false;
    }

    OthersLock othersLock_;
};

}  // namespace

Sequence<css::beans::PropertyValue> QuietLoad(std::initializer_list<css::beans::PropertyValue> own,
                                              OthersLock othersLock) {
    std::vector<css::beans::PropertyValue> args(own);
    args.push_back(Property("InteractionHandler", Any(Reference<css::task::XInteractionHandler>(
                                                      new QuietInteractionHandler(othersLock)))));
    args.push_back(Property("RepairPackage", Any(false)));
    args.push_back(
        Property("MacroExecutionMode", Any(css::document::MacroExecMode::NEVER_EXECUTE)));
    args.push_back(Property("UpdateDocMode", Any(css::document::UpdateDocMode::NO_UPDATE)));
    return Sequence<css::beans::PropertyValue>(args.data(), static_cast<sal_Int32>(args.size()));
}

Reference<css::frame::XModel> FindOpen(const OfficeConnection& office, const QString& path) {
    const Reference<css::container::XEnumeration> all =
        office.Desktop()->getComponents()->createEnumeration();
    while (all->hasMoreElements()) {
        const Reference<css::frame::XModel> model(all->nextElement(), UNO_QUERY);
        if (model.is() && SameFile(model->getURL(), path)) {
            return model;
        }
    }
    return nullptr;
}

namespace {

// A pipe another user listens on, or has put a socket of theirs under: never used.
struct PipeTaken {};

// The office on the pipe, or nullptr when nothing answers there. Before anything goes over the
// pipe, its socket must be this user's: another user's listener under the name would be handed
// the user's workbook and could answer with figures of theirs.
std::shared_ptr<OfficeConnection> TryConnect(const QString& pipeName) {
    switch (OwnerOfSocket(OfficePipePath(pipeName))) {
        case SocketOwner::Nobody:
            return nullptr;
        case SocketOwner::Foreign:
            throw PipeTaken{};
        case SocketOwner::ThisUser:
            break;
    }
    try {
        return OfficeConnection::Connect(pipeName);
    } catch (const css::uno::Exception& e) {
        throw OfficeUnreachable(ToQ(e.Message).toStdString());
    }
}

qint64 StartOffice(const CalcOptions& options, const QString& pipeName) {
    QStringList args{
        QStringLiteral("--accept=pipe,name=%1;urp;StarOffice.ComponentContext").arg(pipeName),
        QStringLiteral("--norestore"), QStringLiteral("--nologo"), QStringLiteral("--nodefault"),
        QStringLiteral("--nolockcheck")};
    if (options.headless) {
        args << QStringLiteral("--headless");
    }
    if (!options.profileUrl.isEmpty()) {
        args << QStringLiteral("-env:UserInstallation=") + options.profileUrl;
    }
    // Detached: the office outlives the program and keeps showing the workbook. Silent: its own
    // chatter must not mix with the program's messages on standard error.
    QProcess office;
    office.setProgram(options.sofficePath);
    office.setArguments(args);
    office.setProcessEnvironment(OfficeEnvironment(QProcessEnvironment::systemEnvironment()));
    office.setStandardOutputFile(QProcess::nullDevice());
    office.setStandardErrorFile(QProcess::nullDevice());
    qint64 pid = 0;
    if (options.sofficePath.isEmpty() || !office.startDetached(&pid)) {
        throw OfficeUnreachable("cannot start " + options.sofficePath.toStdString());
    }
    return pid;
}

}  // namespace

std::shared_ptr<OfficeConnection> ConnectOrStart(const CalcOptions& options,
                                                 std::atomic<qint64>& launcherPid,
                                                 const std::atomic<bool>& calledOff) {
    // The user's pipe as stored now; a name another user took gets a new random part, a few
    // times at most (they would have to guess each new one first).
    QString pipe = options.usersPipe ? UserOfficePipeName() : options.pipeName;
    for (int renewed = 0;; ++renewed) {
        try {
            if (std::shared_ptr<OfficeConnection> answer = TryConnect(pipe)) {
                return answer;
            }
            break;
        } catch (const PipeTaken&) {
            if (!options.usersPipe || renewed == 3) {
                throw OfficeUnreachable("another user listens on the pipe " + pipe.toStdString());
            }
            pipe = RenewUserOfficePipeName();
        }
    }
    // Called off meanwhile, the start ends the office it made itself: the caller may be gone.
    const auto unlessCalledOff = [&] {
        if (calledOff) {
            EndStartingOffice(launcherPid);
            throw OfficeUnreachable("the start was called off");
        }
    };
    unlessCalledOff();
    launcherPid = StartOffice(options, pipe);
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(options.startTimeoutMs);
    do {
        unlessCalledOff();
        QThread::msleep(100);
        try {
            if (std::shared_ptr<OfficeConnection> answer = TryConnect(pipe)) {
                return answer;
            }
        } catch (const PipeTaken&) {
            // Taken while the office started, so it could not listen there: it is ended.
            EndStartingOffice(launcherPid);
            throw OfficeUnreachable("another user took the pipe " + pipe.toStdString());
        }
    } while (std::chrono::steady_clock::now() < deadline);
    throw OfficeUnreachable("the office did not answer on its pipe");
}

std::shared_ptr<OfficeConnection> ConnectOrStart(const CalcOptions& options, qint64& launcherPid) {
    std::atomic<qint64> started{launcherPid};
    const std::atomic<bool> never{false};
    try {
        std::shared_ptr<OfficeConnection> office = ConnectOrStart(options, started, never);
        launcherPid = started;
        return office;
    } catch (...) {
        launcherPid = started;
        throw;
    }
}

void EndStartingOffice(qint64 launcherPid) {
    if (launcherPid <= 0) {
        return;
    }
    // The launcher was started detached, in a session of its own: its process group is the
    // office's processes and nothing of ours.
    const pid_t launcher = static_cast<pid_t>(launcherPid);
    const pid_t group = ::getpgid(launcher);
    if (group < 0) {
        return;  // gone: nothing to end, and its pid may be another's by now
    }
    const pid_t target = group != ::getpgrp() ? -group : launcher;
    // The helper forks once more and ends at once, so the one that waits belongs to nobody here.
    // Only calls that are safe after a fork in a threaded program run in the two children.
    const pid_t helper = ::fork();
    if (helper == 0) {
        if (::fork() != 0) {
            ::_exit(0);
        }
        ::kill(target, SIGTERM);
        const timespec step{0, 100 * 1000 * 1000};
        for (int waited = 0; waited < 80 && ::kill(launcher, 0) == 0; ++waited) {
            ::nanosleep(&step, nullptr);
        }
        ::kill(target, SIGKILL);
        ::_exit(0);
    }
    if (helper > 0) {
        ::waitpid(helper, nullptr, 0);
    }
}

namespace {

// What the extension manager asks while adding (replace the copy there?) is answered yes; its
// progress goes nowhere.
class ApprovingEnvironment
    : public cppu::WeakImplHelper3<css::ucb::XCommandEnvironment, css::task::XInteractionHandler,
                                   css::ucb::XProgressHandler> {
public:
    Reference<css::task::XInteractionHandler> SAL_CALL getInteractionHandler() override {
        return this;
    }
    Reference<css::ucb::XProgressHandler> SAL_CALL getProgressHandler() override { return this; }
    void SAL_CALL handle(const Reference<css::task::XInteractionRequest>& request) override {
        for (const Reference<css::task::XInteractionContinuation>& choice :
             request->getContinuations()) {
            if (Reference<css::task::XInteractionApprove>(choice, UNO_QUERY).is()) {
                choice->select();
                return;
            }
        }
    }
    void SAL_CALL push(const Any&) override {}
    void SAL_CALL update(const Any&) override {}
    void SAL_CALL pop() override {}
};

}  // namespace

bool EnsureExtension(const OfficeConnection& office, const OfficeExtension& extension) {
    if (extension.path.isEmpty()) {
        return true;
    }
    if (!QFileInfo(extension.path).isFile()) {
        return false;
    }
    const rtl::OUString fileName = ToOU(QFileInfo(extension.path).fileName());
    try {
        const Reference<css::deployment::XExtensionManager> manager =
            css::deployment::ExtensionManager::get(office.Context());
        const Reference<css::ucb::XCommandEnvironment> environment(new ApprovingEnvironment);
        try {
            const Reference<css::deployment::XPackage> deployed = manager->getDeployedExtension(
                "user", ToOU(extension.identifier), fileName, environment);
            if (deployed.is() && ToQ(deployed->getVersion()) == extension.version) {
                return true;
            }
        } catch (const css::lang::IllegalArgumentException&) {
            // Not deployed for this user.
        }
        return manager->addExtension(FileUrl(extension.path), {}, "user", nullptr, environment)
            .is();
    } catch (const css::uno::Exception&) {
        return false;
    }
}

std::shared_ptr<OfficeConnection> ReachOffice(const CalcOptions& options, qint64& launcherPid) {
    try {
        return ConnectOrStart(options, launcherPid);
    } catch (const OfficeUnreachable& e) {
        throw wb::AutomationError(wb::kErrNoApplication, e.what());
    }
}

bool EndIfUnused(std::shared_ptr<OfficeConnection>& office, qint64 launcherPid) {
    // A launcher that handed its request to an office already running has ended by now; a
    // launcher still running is the one of the office started here.
    if (launcherPid <= 0 || ::kill(static_cast<pid_t>(launcherPid), 0) != 0 || !office ||
        !office->Alive()) {
        return false;
    }
    Reference<css::frame::XDesktop2> desktop;
    try {
        desktop = office->Desktop();
        if (desktop->getFrames()->getCount() != 0 ||
            desktop->getComponents()->createEnumeration()->hasMoreElements()) {
            return false;
        }
    } catch (const css::uno::Exception&) {
        return false;  // gone already, or going
    }
    // Asked on a thread of its own: an office busy registering an extension out of process may
    // refuse to terminate, or not answer at all. Holding nothing, it goes in any case, by its
    // process group when it does not end in time.
    auto answered = std::make_shared<std::promise<bool>>();
    std::future<bool> terminated = answered->get_future();
    std::thread([desktop, answered] {
        try {
            answered->set_value(desktop->terminate());
        } catch (const css::uno::Exception&) {
            answered->set_value(false);  // the bridge went down with the office, or it refused
        }
    }).detach();
    office.reset();
    if (terminated.wait_for(kOfficeEndWait) != std::future_status::ready || !terminated.get() ||
        !AwaitOfficeEnd(launcherPid, kOfficeEndWait)) {
        EndStartingOffice(launcherPid);
    }
    return true;
}

void CloseQuietly(const Reference<css::frame::XModel>& model) {
    try {
        const Reference<css::util::XCloseable> closeable(model, UNO_QUERY);
        if (closeable.is()) {
            closeable->close(true);
        }
    } catch (const css::uno::Exception&) {
        // Closed or gone already.
    }
}

namespace {

// A step of calls that the office's main thread runs: it calls the step back from there, and the
// calls made inside run on that same thread.
class MainThreadStep : public cppu::WeakImplHelper1<css::awt::XCallback> {
public:
    explicit MainThreadStep(std::function<void()> step) : step_(std::move(step)) {}
    void SAL_CALL notify(const Any&) override {
        try {
            step_();
            done_.set_value();
        } catch (...) {
            done_.set_exception(std::current_exception());
        }
    }
    std::future<void> Done() { return done_.get_future(); }

private:
    std::function<void()> step_;
    std::promise<void> done_;
};

}  // namespace

void RunOnMainThread(const std::shared_ptr<OfficeConnection>& office,
                     const std::function<void()>& step) {
    const rtl::Reference<MainThreadStep> call(new MainThreadStep(step));
    std::future<void> done = call->Done();
    Guarded(office, [&] {
        css::awt::AsyncCallback::create(office->Context())
            ->addCallback(Reference<css::awt::XCallback>(call.get()), Any());
    });
    // An office that ends first never runs it.
    while (done.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
        if (!office->Alive()) {
            throw wb::AutomationError(wb::kErrOfficeGone, "the office has closed");
        }
    }
    done.get();
}

void CloseOnMainThread(const std::shared_ptr<OfficeConnection>& office,
                       const Reference<css::frame::XModel>& model) {
    try {
        RunOnMainThread(office, [&] { CloseQuietly(model); });
    } catch (const std::exception&) {
        // Closed or gone already.
    }
}

bool AwaitOfficeEnd(qint64 launcherPid, std::chrono::milliseconds limit) {
    // The launcher was started detached, so it is not this program's child to wait for; ended,
    // it is gone or a zombie its new parent has not reaped yet.
    const auto ended = [launcherPid] {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(launcherPid));
        if (!stat.open(QIODevice::ReadOnly)) {
            return true;
        }
        const QByteArray line = stat.readAll();
        const qsizetype state = line.lastIndexOf(')') + 2;
        return state <= 1 || state >= line.size() || line.at(state) == 'Z' || line.at(state) == 'X';
    };
    if (launcherPid <= 0) {
        return true;
    }
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!ended()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        QThread::msleep(20);
    }
    return true;
}

}  // namespace dravik_uno
