#include "pages/frm01.h"

#include "shell/AppIdentity.h"
#include "shell/Platform.h"
#include "shell/SharedValues.h"

#include <QComboBox>

frm01::frm01(Pages& pages) : Page(pages, "frm01", 5760, 5070) {
    cmbDLQ1 = Place(new QComboBox, "cmbDLQ1", 2760, 1320, 2175, 315);
    cmbDLQ1->setEditable(true);

    // Load steps, in order.
    TuttoOK = false;
    setWindowTitle(shared_.sAppName + QStringLiteral(" - General Information"));
    for (const char* item : {"1 - Finance", "2 - Manufacturing", "3 - Public", "4 - Insurance",
                             "5 - Industrial", "6 - Communication", "99 - Other"}) {
        cmbDLQ1->addItem(QString::fromLatin1(item));
    }
    cmbDLQ1->setEditText(QStringLiteral("Please select..."));
    sFileName = WorkbookFileName();
    const WorkbookHandles handles = OpenWorkbookConnection(
        platform_.automation, sFileName, platform_.programFolder, platform_.msg, platform_.end);
    CTabbDoc = handles.CTabbDoc;
    CTabbApp = handles.CTabbApp;
}

bool frm01::QueryUnload(CloseCause cause) {
    return ConfirmQuit(cause);
}
