#include "shell/Pages.h"

#include "pages/frm01.h"
#include "pages/frm02.h"
#include "records/frm03data.h"
#include "records/frm99Create.h"
#include "shell/AppIdentity.h"
#include "shell/Platform.h"
#include "shell/frm00Splash.h"
#include "workbook/Automation.h"

#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QScreen>

Pages::Pages(Platform& platform, SharedValues& shared) : platform_(platform), shared_(shared) {}

Pages::~Pages() = default;

// Each page is made on first touch. A load that ends the program never returns, so a page whose
// load failed is never recorded as loaded.
template <class P>
static P& LoadOnFirstTouch(std::unique_ptr<P>& slot, Pages& pages) {
    if (!slot) {
        auto page = std::make_unique<P>(pages);
        slot = std::move(page);
    }
    return *slot;
}

::frm00Splash& Pages::frm00Splash() {
    return LoadOnFirstTouch(splash_, *this);
}
::frm01& Pages::frm01() {
    return LoadOnFirstTouch(page1_, *this);
}
::frm02& Pages::frm02() {
    return LoadOnFirstTouch(page2_, *this);
}
::frm03data& Pages::frm03data() {
    return LoadOnFirstTouch(browser_, *this);
}
::frm99Create& Pages::frm99Create() {
    return LoadOnFirstTouch(create_, *this);
}

bool Pages::IsLoaded(Id id) const {
    switch (id) {
        case Id::Splash:
            return splash_ != nullptr;
        case Id::Page1:
            return page1_ != nullptr;
        case Id::Page2:
            return page2_ != nullptr;
        case Id::Browser:
            return browser_ != nullptr;
        case Id::Create:
            return create_ != nullptr;
    }
    return false;
}

void Pages::Switch(Page& from, Page& to) {
    to.SetLeft(from.Left());
    to.SetTop(from.Top());
    to.ShowPage();
    from.HidePage();
}

void Pages::Stop() {
    Page* const inOrder[] = {splash_.get(), page1_.get(), page2_.get(), browser_.get(),
                             create_.get()};
    for (Page* page : inOrder) {
        if (page && !page->Unloaded()) {
            page->Unload();
        }
    }
    // The user's own end: "Quit Application?" answered Yes, or "Apply and Close".
    platform_.end.End(kExitNormal);
}

void Pages::StartUp() {
    auto& splash = frm00Splash();
    const auto at = Centre(ScreenWidth(), ScreenHeight(), splash.Width(), splash.Height());
    splash.SetLeft(at.left);
    splash.SetTop(at.top);
    splash.ShowPage();
    // The office takes a second or more to start; it does so while the user reads the splash,
    // so that Continue finds it ready.
    platform_.automation.StartInBackground(
        QDir(platform_.programFolder).filePath(WorkbookFileName()));
}

QString Pages::BringToFront() {
    QWidget* front = nullptr;
    for (Page* page : {static_cast<Page*>(splash_.get()), static_cast<Page*>(page1_.get()),
                       static_cast<Page*>(page2_.get()), static_cast<Page*>(browser_.get()),
                       static_cast<Page*>(create_.get())}) {
        if (page && page->isVisible()) {
            front = page;
        }
    }
    QWidget* const modal = QApplication::activeModalWidget();
    for (QWidget* window : {front, modal}) {
        if (window) {
            window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
            window->raise();
            window->activateWindow();
        }
    }
    if (modal) {
        front = modal;
    }
    return front ? front->objectName() : QString();
}

void Pages::EndBySignal() {
    if (!page1_) {
        frm00Splash().EndWithoutContinue();
    }
    Stop();
}

CentredPosition Centre(int screenWidth, int screenHeight, int width, int height) {
    // Computed in floating point, then truncated to whole twips.
    return {static_cast<int>((screenWidth - width) / 2.0),
            static_cast<int>((screenHeight - height) / 2.0)};
}

int ScreenWidth() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().width() * kTwipsPerPixel : 0;
}

int ScreenHeight() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().height() * kTwipsPerPixel : 0;
}
