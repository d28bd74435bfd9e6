#pragma once
// The program's windows as every page reaches them: each loaded the first time anything touches
// it, the switch between two of them, and the stop. The program itself makes the windows
// (src/app/ProgramPages.h); a page only asks for the one it needs.

class Page;
class frm01;
class frm02;
class frm03data;
struct Platform;
struct SharedValues;

class Pages {
public:
    virtual ~Pages() = default;

    virtual Platform& platform() = 0;
    virtual SharedValues& shared() = 0;

    // Touching a page loads it (creates its controls and runs its load steps) once.
    virtual ::frm01& frm01() = 0;
    virtual ::frm02& frm02() = 0;
    virtual ::frm03data& frm03data() = 0;

    // `to` takes the left and top of `from`, is shown, and `from` is hidden.
    void Switch(Page& from, Page& to);

    // Closes every window (CloseAll), then ends the program as the user ends it.
    [[noreturn]] void Stop();

protected:
    // Closes the splash, page 1, page 2, the browser and the creation window in this order; a
    // window never loaded is passed over.
    virtual void CloseAll() = 0;
};
