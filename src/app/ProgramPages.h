#pragma once
// The program's five windows, each made the first time anything touches it, and what the program
// as a whole does with them: its start, a later start's request to come to the front, and the end
// by signal.

#include "shell/Pages.h"

#include <QString>

#include <memory>

class frm00Splash;
class frm99Create;

class ProgramPages : public Pages {
public:
    ProgramPages(Platform& platform, SharedValues& shared);
    ~ProgramPages() override;

    ::frm00Splash& frm00Splash();
    ::frm01& frm01() override;
    ::frm02& frm02() override;
    ::frm03data& frm03data() override;
    ::frm99Create& frm99Create();

    // The start of the program: the splash, centred on the screen.
    void StartUp();

    // A later start of the program asked for this one: the window the user works in (the modal
    // message box over it, if one is up) comes to the front. Returns its object name.
    QString BringToFront();

    // SIGTERM or SIGINT: at the splash as closing the splash, on a page as Yes to "Quit
    // Application?"; the workbook and the office are left as they are.
    [[noreturn]] void EndBySignal();

private:
    template <class P>
    P& LoadOnFirstTouch(std::unique_ptr<P>& slot, Window window);

    std::unique_ptr<::frm00Splash> splash_;
    std::unique_ptr<::frm01> page1_;
    std::unique_ptr<::frm02> page2_;
    std::unique_ptr<::frm03data> browser_;
    std::unique_ptr<::frm99Create> create_;
};
