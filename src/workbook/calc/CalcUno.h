#pragma once
// The UNO plumbing shared by the Calc backend and the real-office test support: the local URE,
// a bridge to an office over a named pipe (started when nothing answers there), loads that never
// ask the user anything, and string and URL conversions. Only the Calc backend's own .cpp files
// (and its test support) include this header.

#include "workbook/calc/CalcBackend.h"

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/container/NoSuchElementException.hpp>
#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/io/IOException.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <rtl/ustring.hxx>

#include <QString>

#include <atomic>
#include <chrono>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <type_traits>

namespace dravik_uno {

namespace css = ::com::sun::star;
using css::uno::Any;
using css::uno::Reference;
using css::uno::Sequence;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

inline rtl::OUString ToOU(const QString& text) {
    return rtl::OUString(reinterpret_cast<const sal_Unicode*>(text.utf16()), text.size());
}

inline QString ToQ(const rtl::OUString& text) {
    return QString(reinterpret_cast<const QChar*>(text.getStr()), text.getLength());
}

inline std::string Utf8(const rtl::OUString& text) {
    return ToQ(text).toStdString();
}

// A local file path as a file URL, every reserved and non-ASCII character percent-encoded.
rtl::OUString FileUrl(const QString& path);

// The same file whatever the URL's encoding: compares the paths the URLs name.
bool SameFile(const rtl::OUString& url, const QString& path);

// The URE of the office installation, started once per process. Throws css::uno::Exception.
css::uno::Reference<css::uno::XComponentContext> LocalContext();

// An interprocess bridge to one office. Alive() turns false once the bridge is disposed: the
// office ended, crashed or closed the pipe.
class OfficeConnection {
public:
    ~OfficeConnection();
    OfficeConnection(const OfficeConnection&) = delete;
    OfficeConnection& operator=(const OfficeConnection&) = delete;

    // The office listening on the pipe, or nullptr when nothing answers there (yet). Callers
    // in one process share the connection while it lives. Other failures throw
    // css::uno::Exception.
    static std::shared_ptr<OfficeConnection> Connect(const QString& pipeName);

    bool Alive() const { return !disposed_->load(); }
    const css::uno::Reference<css::uno::XComponentContext>& Context() const { return context_; }
    const css::uno::Reference<css::frame::XDesktop2>& Desktop() const { return desktop_; }

private:
    OfficeConnection() = default;
    static std::shared_ptr<OfficeConnection> ConnectNew(const QString& pipeName);

    std::shared_ptr<std::atomic<bool>> disposed_ = std::make_shared<std::atomic<bool>>(false);
    css::uno::Reference<css::lang::XComponent> bridge_;
    css::uno::Reference<css::lang::XEventListener> bridgeListener_;
    css::uno::Reference<css::uno::XComponentContext> context_;
    css::uno::Reference<css::frame::XDesktop2> desktop_;
};

// Whether the connection and the document a call goes through are still there.
struct Liveness {
    std::shared_ptr<OfficeConnection> office;
    std::shared_ptr<std::atomic<bool>> documentClosed;  // null: not tied to a document

    bool Gone() const { return !office->Alive() || (documentClosed && documentClosed->load()); }
};

// Runs one step of UNO calls and turns every UNO failure into the automation error the programs
// tell apart: the office or the document gone is 462, a name the document does not have 6027, a
// file that cannot be written 75, everything else 440.
template <class Step>
auto Guarded(const Liveness& live, Step&& step) -> decltype(step()) {
    if (live.Gone()) {
        throw wb::AutomationError(wb::kErrOfficeGone, "the office or the document has closed");
    }
    const auto unlessGone = [&live](int number) {
        return live.Gone() ? wb::kErrOfficeGone : number;
    };
    try {
        return step();
    } catch (const css::lang::DisposedException& e) {
        throw wb::AutomationError(wb::kErrOfficeGone, Utf8(e.Message));
    } catch (const css::container::NoSuchElementException& e) {
        throw wb::AutomationError(unlessGone(wb::kErrUndefinedName), Utf8(e.Message));
    } catch (const css::io::IOException& e) {
        throw wb::AutomationError(unlessGone(wb::kErrCannotWrite), Utf8(e.Message));
    } catch (const css::uno::Exception& e) {
        // A dead bridge may answer with a plain RuntimeException, a closed document with
        // anything at all.
        throw wb::AutomationError(unlessGone(wb::kErrGeneral), Utf8(e.Message));
    }
}

// The same for a step that is tied to the office alone.
template <class Step>
auto Guarded(const std::shared_ptr<OfficeConnection>& office, Step&& step) -> decltype(step()) {
    return Guarded(Liveness{office, nullptr}, std::forward<Step>(step));
}

// Runs step on the office's main thread and waits for it: the office calls the step back from
// there (through its AsyncCallback), and the calls made inside run on that same thread. Failures
// as the step throws them; 462 when the office ends before it ran the step.
void RunOnMainThread(const std::shared_ptr<OfficeConnection>& office,
                     const std::function<void()>& step);

// Runs a step of calls, guarded, on the office's main thread. Made from a thread of the office's
// bridge instead, the office's chart code (a template or workbook with charts being loaded, or a
// chart filled, while the main thread lays a document out) takes two of its locks in opposite
// orders and freezes the office for good.
template <class Step>
auto OnMainThread(const std::shared_ptr<OfficeConnection>& office, Step&& step)
    -> decltype(step()) {
    using Result = decltype(step());
    if constexpr (std::is_void_v<Result>) {
        RunOnMainThread(office, [&] { Guarded(office, step); });
    } else {
        std::optional<Result> result;
        RunOnMainThread(office, [&] { result.emplace(Guarded(office, step)); });
        return std::move(*result);
    }
}

// Closes a document without asking anything, on the office's main thread.
void CloseOnMainThread(const std::shared_ptr<OfficeConnection>& office,
                       const css::uno::Reference<css::frame::XModel>& model);

// A listener that raises a flag when the object it listens to is disposed.
css::uno::Reference<css::lang::XEventListener> DisposeFlagListener(
    std::shared_ptr<std::atomic<bool>> disposed);

// One argument of a load or a store.
css::beans::PropertyValue Property(const char* name, css::uno::Any value);

// What a load does with a file someone else has open (their lock file beside it): fail, or open
// it read only, for a caller that only reads (cells typed into there silently keep their content).
enum class OthersLock { Decline, OpenReadOnly };

// The arguments of a load that never lets the office ask the user anything or run anything: the
// given ones (FilterName, Hidden, ReadOnly...), and an interaction handler that answers every
// question without a dialog, no repair of a damaged file, macros never run, links never updated.
// A lock file of the user's own (another office of theirs, most often one that crashed) is taken
// over; someone else's is answered as othersLock says; any other question is declined, so that
// load fails at once.
css::uno::Sequence<css::beans::PropertyValue> QuietLoad(
    std::initializer_list<css::beans::PropertyValue> own,
    OthersLock othersLock = OthersLock::Decline);

// The document the office has open from the file at path, or null.
css::uno::Reference<css::frame::XModel> FindOpen(const OfficeConnection& office,
                                                 const QString& path);

// An office that could not be reached or started; what() says why.
class OfficeUnreachable : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The office on the options' pipe. When nothing answers there, soffice is started detached (it
// outlives the program) with the options' profile and flags, silent on standard output and error,
// and is waited for up to the options' deadline; launcherPid then receives the pid of its
// launcher, also when the wait fails. Throws OfficeUnreachable.
std::shared_ptr<OfficeConnection> ConnectOrStart(const CalcOptions& options, qint64& launcherPid);

// The same for a start that another thread watches and may call off: launcherPid is set as soon
// as the office is started, and the wait ends (OfficeUnreachable) once calledOff is set.
std::shared_ptr<OfficeConnection> ConnectOrStart(const CalcOptions& options,
                                                 std::atomic<qint64>& launcherPid,
                                                 const std::atomic<bool>& calledOff);

// Ends an office this program started and that holds nothing (one still starting, most often),
// by its launcher's process group: asked to terminate, then killed if it is not gone within 8 s.
// A helper process of its own does it, so the caller returns at once and may end.
void EndStartingOffice(qint64 launcherPid);

// Adds the extension for the office's user when the office has no copy of it, or one of another
// version: an office profile the extension was never registered in (a new user of an installed
// copy, a reset profile) would leave the button doing nothing. One call to the office's extension
// manager when it is there. False when it is missing and could not be added.
bool EnsureExtension(const OfficeConnection& office, const OfficeExtension& extension);

// ConnectOrStart as an automation call: an office that can be neither reached nor started is 429.
std::shared_ptr<OfficeConnection> ReachOffice(const CalcOptions& options, qint64& launcherPid);

// Ends the office if this program started it (its launcher is still running) and it holds no
// window and no document, then waits for it to be gone; one that refuses to terminate or does not
// end in time is ended by its process group (EndStartingOffice). An office that was running
// already, or that shows anything, stays. True when it was ended; office is then let go.
bool EndIfUnused(std::shared_ptr<OfficeConnection>& office, qint64 launcherPid);

// Closes a document without asking anything; one that is closed or gone already is no failure.
void CloseQuietly(const css::uno::Reference<css::frame::XModel>& model);

// Waits up to limit for an office asked to terminate to be gone, told by its launcher (which
// stays until the office has ended). Whoever starts the program or an office right after must
// not meet one still ending on the same pipe and profile. False when it is still there.
bool AwaitOfficeEnd(qint64 launcherPid, std::chrono::milliseconds limit);
// Enough for an idle office to end; one that takes longer is left to end on its own.
inline constexpr std::chrono::seconds kOfficeEndWait{10};

}  // namespace dravik_uno
