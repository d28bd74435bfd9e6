#pragma once
// A page: one top-level window of the program, laid out in twips. Fifteen twips make one logical
// pixel, so Qt's high-DPI scaling keeps the proportions of the layout.

#include <QWidget>

class Pages;
class QLabel;
class QLineEdit;
struct Platform;
struct SharedValues;

inline constexpr int kTwipsPerPixel = 15;
inline constexpr int Px(int twips) {
    return twips / kTwipsPerPixel;
}

// A text box of the pages: it takes a text of any length, and a text the program puts into it
// shows from its beginning.
QLineEdit* MakeTextBox();
// The same for a line edit made elsewhere (an editable combo box's).
void SetUpTextBox(QLineEdit* edit);

// The caption names its control for assistive technology, so a screen reader says "Company Name,
// edit". An editable combo box's text field, which holds its focus, is named as well.
void NameByCaption(QLabel* caption, QWidget* control);

// Left and top (twips) that centre a window of the given size on a screen of the given size.
struct CentredPosition {
    int left;
    int top;
};
CentredPosition Centre(int screenWidth, int screenHeight, int width, int height);

// The screen's size in twips.
int ScreenWidth();
int ScreenHeight();

// Why a page is asked to close.
enum class CloseCause {
    User,         // close box, system menu, window manager, task manager
    Program,      // the program closes the page itself
    SessionEnd,   // logging off, shutting down
    OwnerWindow,  // an owner window closing
};

class Page : public QWidget {
    Q_OBJECT
public:
    enum class Frame { FixedDialog, Sizable };

    Page(Pages& pages, const char* objectName, int clientWidthTwips, int clientHeightTwips,
         Frame frame = Frame::FixedDialog);

    // Position and size in twips, of the whole window.
    int Left() const;
    int Top() const;
    int Width() const;
    int Height() const;
    void SetLeft(int twips);
    void SetTop(int twips);

    void ShowPage();  // not modal; the caller goes on at once
    void HidePage();
    void Unload();  // the program closes the page: nothing is asked
    bool Unloaded() const { return unloaded_; }

    // The page's answer to a close request: true lets it close, false cancels it.
    virtual bool QueryUnload(CloseCause cause);

protected:
    // Places a control at left, top, width, height in twips (inside container when one is
    // given, else on the page) and names it after itself.
    template <class W>
    W* Place(W* widget, const char* name, int left, int top, int width, int height,
             QWidget* container = nullptr) {
        widget->setParent(container ? container : this);
        widget->setObjectName(QString::fromLatin1(name));
        widget->setGeometry(Px(left), Px(top), Px(width), Px(height));
        return widget;
    }

    // "Quit Application?" for a close the user asked for; Yes stops the program.
    bool ConfirmQuit(CloseCause cause);

    void closeEvent(QCloseEvent* event) override;

    Pages& pages_;
    Platform& platform_;
    SharedValues& shared_;

private:
    bool closingByProgram_ = false;
    bool unloaded_ = false;
};
