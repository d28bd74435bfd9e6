#include "workbook/CalcUno.h"

#include <com/sun/star/bridge/BridgeFactory.hpp>
#include <com/sun/star/bridge/XBridge.hpp>
#include <com/sun/star/connection/Connector.hpp>
#include <com/sun/star/connection/NoConnectException.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/lang/XEventListener.hpp>
#include <cppuhelper/bootstrap.hxx>
#include <cppuhelper/implbase1.hxx>
#include <rtl/bootstrap.hxx>

#include <QUrl>

#include <csignal>
#include <map>
#include <mutex>

namespace dravik_uno {

using css::uno::Reference;
using css::uno::UNO_QUERY_THROW;

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

}  // namespace dravik_uno
