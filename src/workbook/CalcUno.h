#pragma once
// The UNO plumbing shared by the Calc backend and the real-office test support: the local URE,
// a bridge to an office over a named pipe, and string and URL conversions. Only the Calc
// backend's own .cpp files (and its test support) include this header.

#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <rtl/ustring.hxx>

#include <QString>

#include <atomic>
#include <memory>

namespace dravik_uno {

namespace css = ::com::sun::star;

inline rtl::OUString ToOU(const QString& text) {
    return rtl::OUString(reinterpret_cast<const sal_Unicode*>(text.utf16()), text.size());
}

inline QString ToQ(const rtl::OUString& text) {
    return QString(reinterpret_cast<const QChar*>(text.getStr()), text.getLength());
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

}  // namespace dravik_uno
