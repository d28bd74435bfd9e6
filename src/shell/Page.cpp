#include "shell/Page.h"

#include "shell/Pages.h"
#include "shell/Platform.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>

#include <limits>

QLineEdit* MakeTextBox() {
    auto* edit = new QLineEdit;
    SetUpTextBox(edit);
    return edit;
}

void SetUpTextBox(QLineEdit* edit) {
    // Qt's line edits cut a text at 32767 characters unless told otherwise.
    edit->setMaxLength(std::numeric_limits<int>::max());
    // Setting a text leaves the cursor at its end, which scrolls the beginning of a long text out
    // of view. Typing marks the box modified; a text the program sets does not. In the box the
    // user is in (a list's text just chosen), the cursor stays where Qt puts it, for typing on.
    QObject::connect(edit, &QLineEdit::textChanged, edit, [edit] {
        if (!edit->isModified() && !edit->hasFocus()) {
            edit->setCursorPosition(0);
        }
    });
}

void NameByCaption(QLabel* caption, QWidget* control) {
    caption->setBuddy(control);
    if (auto* combo = qobject_cast<QComboBox*>(control); combo && combo->lineEdit()) {
        combo->lineEdit()->setAccessibleName(caption->text());
    }
}

Page::Page(Pages& pages, const char* objectName, int clientWidthTwips, int clientHeightTwips,
           Frame frame)
    : QWidget(nullptr), pages_(pages), platform_(pages.platform()), shared_(pages.shared()) {
    setObjectName(QString::fromLatin1(objectName));
    if (frame == Frame::FixedDialog) {
        setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                       Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
        setFixedSize(Px(clientWidthTwips), Px(clientHeightTwips));
    } else {
        setWindowFlags(Qt::Window);
        resize(Px(clientWidthTwips), Px(clientHeightTwips));
    }
}

int Page::Left() const {
    return frameGeometry().x() * kTwipsPerPixel;
}
int Page::Top() const {
    return frameGeometry().y() * kTwipsPerPixel;
}
int Page::Width() const {
    return frameGeometry().width() * kTwipsPerPixel;
}
int Page::Height() const {
    return frameGeometry().height() * kTwipsPerPixel;
}
void Page::SetLeft(int twips) {
    move(twips / kTwipsPerPixel, frameGeometry().y());
}
void Page::SetTop(int twips) {
    move(frameGeometry().x(), twips / kTwipsPerPixel);
}

void Page::ShowPage() {
    show();
    raise();
    activateWindow();
}

void Page::HidePage() {
    hide();
}

void Page::Unload() {
    closingByProgram_ = true;
    close();
    closingByProgram_ = false;
}

bool Page::QueryUnload(CloseCause) {
    return true;
}

bool Page::ConfirmQuit(CloseCause cause) {
    if (cause != CloseCause::User) {
        return true;
    }
    if (platform_.msg.MsgBox(QStringLiteral("Quit Application?"), kStyleYesNoInformation) !=
        MsgResult::Yes) {
        return false;
    }
    pages_.Stop();
}

void Page::closeEvent(QCloseEvent* event) {
    CloseCause cause = CloseCause::User;
    if (closingByProgram_) {
        cause = CloseCause::Program;
    } else if (qApp && qApp->isSavingSession()) {
        cause = CloseCause::SessionEnd;
    }
    if (QueryUnload(cause)) {
        unloaded_ = true;
        event->accept();
    } else {
        event->ignore();
    }
}

void Pages::Stop() {
    for (Page* page : made_) {
        if (page && !page->Unloaded()) {
            page->Unload();
        }
    }
    // The user's own end: "Quit Application?" answered Yes, or "Apply and Close".
    platform_.end.End(kExitNormal);
}

void Pages::Switch(Page& from, Page& to) {
    to.SetLeft(from.Left());
    to.SetTop(from.Top());
    to.ShowPage();
    from.HidePage();
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
