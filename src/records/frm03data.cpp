#include "records/frm03data.h"

#include "shell/SharedValues.h"

frm03data::frm03data(Pages& pages) : Page(pages, "frm03data", 5910, 6075) {
    setWindowTitle(shared_.sAppName + QStringLiteral(" - Dravik Database"));
}

bool frm03data::QueryUnload(CloseCause cause) {
    return ConfirmQuit(cause);
}

void frm03data::LoadForm() {}
