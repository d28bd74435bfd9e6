#pragma once
// The UNO plumbing shared by the Calc backend and the real-office test support: the local URE,
// a bridge to an office over a named pipe (started when nothing answers there), loads that never
// ask the user anything, and string and URL conversions. Only the Calc backend's own .cpp files
// (and its test support) include this header.

#include "workbook/CalcBackend.h"

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <rtl/ustring.hxx>

#include <QString>

#include <atomic>
#include <chrono>
#include <initializer_list>
#include <memory>
#include <stdexcept>
#include <string>

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

// Waits up to limit for an office asked to terminate to be gone, told by its launcher (which
// stays until the office has ended). Whoever starts the program or an office right after must
// not meet one still ending on the same pipe and profile. False when it is still there.
bool AwaitOfficeEnd(qint64 launcherPid, std::chrono::milliseconds limit);
// Enough for an idle office to end; one that takes longer is left to end on its own.
inline constexpr std::chrono::seconds kOfficeEndWait{10};

}  // namespace dravik_uno
