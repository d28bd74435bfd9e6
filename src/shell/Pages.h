#pragma once
// The program's windows as every page reaches them: each loaded the first time anything touches
// it, the switch between two of them, and the stop, which closes them in the system's order. The
// program itself makes the windows (src/app/ProgramPages.h); a page only asks for the one it
// needs.

#include <array>

class Page;
class frm01;
class frm02;
class frm03data;
struct Platform;
struct SharedValues;

class Pages {
public:
    Pages(Platform& platform, SharedValues& shared) : platform_(platform), shared_(shared) {}
    virtual ~Pages() = default;
    Pages(const Pages&) = delete;
    Pages& operator=(const Pages&) = delete;

    Platform& platform() { return platform_; }
    SharedValues& shared() { return shared_; }

    // Touching a page loads it (creates its controls and runs its load steps) once.
    virtual ::frm01& frm01() = 0;
    virtual ::frm02& frm02() = 0;
    virtual ::frm03data& frm03data() = 0;

    // `to` takes the left and top of `from`, is shown, and `from` is hidden.
    void Switch(Page& from, Page& to);

    // Closes the splash, page 1, page 2, the browser and the creation window in this order (a
    // window never loaded is passed over), then ends the program as the user ends it.
    [[noreturn]] void Stop();

protected:
    // The windows in the order the stop closes them.
    enum class Window { Splash, Page1, Page2, Browser, Create };
    // A window just made, at its place in that order.
    void Made(Window window, Page& page) { made_[static_cast<int>(window)] = &page; }
    // The windows made so far in that order; those never loaded are null.
    const std::array<Page*, 5>& Loaded() const { return made_; }

private:
    Platform& platform_;
    SharedValues& shared_;
    std::array<Page*, 5> made_{};
};
