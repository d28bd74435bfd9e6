#include "records/SaveData.h"

#include "pages/frm01.h"
#include "pages/frm02.h"
#include "records/DaoEngine.h"
#include "records/Details.h"
#include "shell/Pages.h"
#include "shell/Platform.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

namespace {

DetailsEntry EntryOfPages(Pages& pages) {
    ::frm01& page1 = pages.frm01();
    ::frm02& page2 = pages.frm02();
    DetailsEntry entry;
    auto text = entry.texts.begin();
    *text++ = page1.txtDLQ0->text();
    *text++ = page1.cmbDLQ1->currentText();
    for (int member = 0; member < 6; ++member) {
        // Only a tick counts; a greyed box stores the space too.
        *text++ = page1.chkDLQ2[member]->checkState() == Qt::Checked
                      ? QString::fromLatin1(kBusinessTypes[member])
                      : QStringLiteral(" ");
    }
    *text++ = page2.txtDLQ3->text();
    *text++ = page2.cmbDLQ4->currentText();
    *text++ = page2.txtDLQ5->text();
    *text++ = page2.txtDLQ6->text();
    *text++ = page2.txtDLQ7->text();
    *text++ = page2.txtDLQ8->text();
    *text++ = page2.txtDLQ9->text();
    *text++ = page2.cmbDLQ10->currentText();
    *text++ = page2.txtDLQ11->text();
    entry.date = pages.platform().clock.Now();
    return entry;
}

}  // namespace

void AppendDetailsRecord(const QString& path, const DetailsEntry& entry,
                         const std::function<void()>& whileOpen) {
    dao::Workspace workspace = dao::DBEngine::Shared().Workspaces(0);
    dao::Database database = workspace.OpenDatabase(path);
    dao::Recordset details = database.OpenRecordset(kDetailsTable, dao::dbOpenTable);
    {
        // The empty record of the first commit and its filling are one transaction: should
        // the filling fail, the empty record goes with it.
        dao::Transaction transaction(database);
        details.AddNew();
        details.Update();
        details.MoveLast();
        details.Edit();
        const auto& columns = DetailsColumns();
        for (std::size_t i = 0; i < entry.texts.size(); ++i) {
            details.Collect(QString::fromLatin1(columns[i].name), entry.texts[i]);
        }
        details.Collect(QString::fromLatin1(columns[17].name), entry.date);
        details.Update();
        transaction.Commit();
    }
    if (whileOpen) {
        whileOpen();
    }
    details.Close();
    database.Close();
    workspace.Close();
}

void SaveData(Pages& pages) {
    ::frm02& page2 = pages.frm02();
    page2.UpdFrm02();
    if (!page2.TuttoOK) {
        return;
    }
    Platform& platform = pages.platform();
    const QString path = DatabasePath(platform.programFolder);
    try {
        AppendDetailsRecord(path, EntryOfPages(pages), [&platform] {
            platform.msg.MsgBox(QStringLiteral("Dravik Database Updated"), kStyleExclamation,
                                kDatabaseTitle);
        });
    } catch (const dao::RecordStoreError& error) {
        // The pages keep every entry; the user can put the database right and save again.
        platform.msg.MsgBox(DatabaseFailureText(error, path), kStyleExclamation, kDatabaseTitle);
    }
}
