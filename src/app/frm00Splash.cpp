#include "app/frm00Splash.h"

#include "pages/frm01.h"
#include "shell/AppIdentity.h"
#include "shell/Fonts.h"
#include "shell/Pages.h"
#include "shell/Platform.h"
#include "shell/SharedValues.h"
#include "workbook/Automation.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>

#if QT_CONFIG(xcb) && defined(DRAVIK_HAVE_XCB)
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#endif

namespace {

// For an empty title Qt hands the window manager the application name, which then stands in the
// splash's title bar. Under X11 the window's name is set empty again once Qt has sent its own.
void SendEmptyTitle([[maybe_unused]] QWidget* window) {
#if QT_CONFIG(xcb) && defined(DRAVIK_HAVE_XCB)
    // The offscreen platform offers the interface too, without a connection.
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (QGuiApplication::platformName() != QLatin1String("xcb") || !x11 || !x11->connection() ||
        !window->windowHandle()) {
        return;
    }
    xcb_connection_t* connection = x11->connection();
    const auto atom = [connection](const char* name) {
        const xcb_intern_atom_cookie_t cookie =
            xcb_intern_atom(connection, false, static_cast<uint16_t>(std::strlen(name)), name);
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
        const xcb_atom_t found = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        return found;
    };
    const xcb_atom_t netWmName = atom("_NET_WM_NAME");
    const xcb_atom_t utf8String = atom("UTF8_STRING");
    if (netWmName == XCB_ATOM_NONE || utf8String == XCB_ATOM_NONE) {
        return;
    }
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE,
                        static_cast<xcb_window_t>(window->winId()), netWmName, utf8String, 8, 0,
                        nullptr);
    xcb_flush(connection);
#endif
}

// A label that sizes itself to its text. A right-aligned one keeps its right edge, so the text
// grows leftwards and stays inside the frame.
void SizeToText(QLabel* label) {
    const QRect before = label->geometry();
    label->adjustSize();
    if (label->alignment() & Qt::AlignRight) {
        label->move(before.right() + 1 - label->width(), before.top());
    }
}

}  // namespace

frm00Splash::frm00Splash(Pages& pages) : Page(pages, "frm00Splash", 7380, 4245) {
    setWindowTitle(QString());

    // The frame and what it holds; positions inside it are relative to it.
    Frame1 = Place(new QFrame, "Frame1", 150, 60, 7080, 4050);
    Frame1->setFrameShape(QFrame::Box);
    Frame1->setFrameShadow(QFrame::Sunken);

    imgLogo = Place(new QLabel, "imgLogo", 360, 795, 1815, 2385, Frame1);
    imgLogo->setPixmap(QPixmap(QStringLiteral(":/assets/logo.png")));
    imgLogo->setScaledContents(true);

    lblProductName = Place(new QLabel, "lblProductName", 2640, 540, 1785, 555, Frame1);
    lblProductName->setFont(ArialFont(24, true));

    lblCompanyProduct = Place(new QLabel, "lblCompanyProduct", 2355, 1305, 2640, 360, Frame1);
    lblCompanyProduct->setFont(ArialFont(15.75, true));

    lblVersion = Place(new QLabel, "lblVersion", 5970, 2700, 885, 285, Frame1);
    lblVersion->setFont(ArialFont(12, true));
    lblVersion->setAlignment(Qt::AlignRight | Qt::AlignTop);

    lblCopyright = Place(new QLabel, "lblCopyright", 4440, 3000, 2415, 255, Frame1);
    lblCopyright->setFont(ArialFont(8.25, false));
    lblCopyright->setAlignment(Qt::AlignRight | Qt::AlignTop);
    lblCopyright->setText(QString::fromUtf8(kCopyrightText));

    cmdContinue =
        Place(new QPushButton(QStringLiteral("Continue")), "cmdContinue", 6000, 3600, 1095, 375);
    cmdContinue->setDefault(true);
    connect(cmdContinue, &QPushButton::clicked, this, &frm00Splash::cmdContinue_Click);

    // Load steps, in order.
    lblVersion->setText(VersionLabel());
    SizeToText(lblVersion);
    lblCompanyProduct->setText(QString::fromUtf8(kCompanyProductText));
    SizeToText(lblCompanyProduct);
    lblProductName->setText(kAppTitle);
    SizeToText(lblProductName);
    shared_.sAppName = kAppTitle;
    shared_.cManual = false;
    shared_.cLoaded = false;
}

void frm00Splash::showEvent(QShowEvent* event) {
    Page::showEvent(event);
    SendEmptyTitle(this);
}

bool frm00Splash::QueryUnload(CloseCause cause) {
    if (cause == CloseCause::User && !continued_) {
        EndWithoutContinue();
    }
    return true;
}

void frm00Splash::EndWithoutContinue() {
    // Gone from the screen at once, whatever ending the office takes.
    hide();
    platform_.automation.EndIfUnused();
    platform_.end.End(kExitNormal);
}

void frm00Splash::cmdContinue_Click() {
    continued_ = true;
    Unload();
    // Reading page 1's width loads it, and its load opens the workbook (or ends the program).
    frm01& page1 = pages_.frm01();
    const int width = page1.Width();
    const auto at = Centre(ScreenWidth(), ScreenHeight(), width, page1.Height());
    page1.SetLeft(at.left);
    page1.SetTop(at.top);
    page1.ShowPage();
}
