#include "app/ProgramPages.h"

#include "app/frm00Splash.h"
#include "pages/frm01.h"
#include "pages/frm02.h"
#include "records/frm03data.h"
#include "records/frm99Create.h"
#include "shell/AppIdentity.h"
#include "shell/Platform.h"
#include "workbook/Automation.h"

#include <QApplication>
#include <QDir>

ProgramPages::ProgramPages(Platform& platform, SharedValues& shared) : Pages(platform, shared) {}

ProgramPages::~ProgramPages() = default;

// Each page is made on first touch. A load that ends the program never returns, so a page whose
// load failed is never recorded as loaded.
template <class P>
P& ProgramPages::LoadOnFirstTouch(std::unique_ptr<P>& slot, Window window) {
    if (!slot) {
        auto page = std::make_unique<P>(*this);
        Made(window, *page);
        slot = std::move(page);
    }
    return *slot;
}

::frm00Splash& ProgramPages::frm00Splash() {
    return LoadOnFirstTouch(splash_, Window::Splash);
}
::frm01& ProgramPages::frm01() {
    return LoadOnFirstTouch(page1_, Window::Page1);
}
::frm02& ProgramPages::frm02() {
    return LoadOnFirstTouch(page2_, Window::Page2);
}
::frm03data& ProgramPages::frm03data() {
    return LoadOnFirstTouch(browser_, Window::Browser);
}
::frm99Create& ProgramPages::frm99Create() {
    return LoadOnFirstTouch(create_, Window::Create);
}

void ProgramPages::StartUp() {
    auto& splash = frm00Splash();
    const auto at = Centre(ScreenWidth(), ScreenHeight(), splash.Width(), splash.Height());
    splash.SetLeft(at.left);
    splash.SetTop(at.top);
    splash.ShowPage();
    // The office takes a second or more to start; it does so while the user reads the splash,
    // so that Continue finds it ready.
    platform().automation.StartInBackground(
        QDir(platform().programFolder).filePath(WorkbookFileName()));
}

QString ProgramPages::BringToFront() {
    QWidget* front = nullptr;
    for (Page* page : Loaded()) {
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

void ProgramPages::EndBySignal() {
    if (!page1_) {
        frm00Splash().EndWithoutContinue();
    }
    Stop();
}
