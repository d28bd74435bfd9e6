#pragma once
// The program's five windows, each loaded the first time anything touches it, and the two
// operations that move between them: the page switch and the stop.

#include <QString>

#include <memory>

class Page;
class frm00Splash;
class frm01;
class frm02;
class frm03data;
class frm99Create;
struct Platform;
struct SharedValues;

class Pages {
public:
    Pages(Platform& platform, SharedValues& shared);
    ~Pages();
    Pages(const Pages&) = delete;
    Pages& operator=(const Pages&) = delete;

    Platform& platform() { return platform_; }
    SharedValues& shared() { return shared_; }

    // Touching a page loads it (creates its controls and runs its load steps) once.
    ::frm00Splash& frm00Splash();
    ::frm01& frm01();
    ::frm02& frm02();
    ::frm03data& frm03data();
    ::frm99Create& frm99Create();

    enum class Id { Splash, Page1, Page2, Browser, Create };
    bool IsLoaded(Id id) const;

    // `to` takes the left and top of `from`, is shown, and `from` is hidden.
    void Switch(Page& from, Page& to);

    // Closes the splash, page 1, page 2, the browser and the creation window in this order (a
    // window never loaded is passed over), then ends the program.
    [[noreturn]] void Stop();

    // The start of the program: the splash, centred on the screen.
    void StartUp();

    // A later start of the program asked for this one: the window the user works in (the modal
    // message box over it, if one is up) comes to the front. Returns its object name.
    QString BringToFront();

    // SIGTERM or SIGINT: at the splash as closing the splash, on a page as Yes to "Quit
    // Application?"; the workbook and the office are left as they are.
    [[noreturn]] void EndBySignal();

private:
    Platform& platform_;
    SharedValues& shared_;
    std::unique_ptr<::frm00Splash> splash_;
    std::unique_ptr<::frm01> page1_;
    std::unique_ptr<::frm02> page2_;
    std::unique_ptr<::frm03data> browser_;
    std::unique_ptr<::frm99Create> create_;
};

// Left and top (twips) that centre a window of the given size on a screen of the given size.
struct CentredPosition {
    int left;
    int top;
};
CentredPosition Centre(int screenWidth, int screenHeight, int width, int height);

// The screen's size in twips.
int ScreenWidth();
int ScreenHeight();
