#include "pages/frm02.h"

#include "shell/SharedValues.h"

frm02::frm02(Pages& pages) : Page(pages, "frm02", 6255, 5565) {
    TuttoOK = false;
    setWindowTitle(shared_.sAppName + QStringLiteral(" - Technical Information"));
}

bool frm02::QueryUnload(CloseCause cause) {
    return ConfirmQuit(cause);
}
