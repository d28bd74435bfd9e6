#include "records/SaveData.h"

#include "records/DaoEngine.h"
#include "records/Details.h"
#include "shell/Platform.h"

void AppendDetailsRecord(const QString& path, const entry::Entry& entry,
                         const std::function<void()>& whileOpen) {
    OpenDetails open(path);
    dao::Recordset& details = open.cursor;
    {
        // The empty record of the first commit and its filling are one transaction: should
        // the filling fail, the empty record goes with it.
        dao::Transaction transaction(open.database);
        details.AddNew();
        details.Update();
        details.MoveLast();
        details.Edit();
        for (const entry::Question& question : entry::Questions()) {
            details.Collect(QString::fromLatin1(question.column), entry[question]);
        }
        details.Collect(QString::fromLatin1(entry::kDateColumn), entry.date);
        details.Update();
        transaction.Commit();
    }
    if (whileOpen) {
        whileOpen();
    }
    open.Close();
}

void SaveData(Platform& platform, const entry::Entry& entry) {
    const QString path = DatabasePath(platform.programFolder);
    try {
        AppendDetailsRecord(path, entry, [&platform] {
            platform.msg.MsgBox(QStringLiteral("Dravik Database Updated"), kStyleExclamation,
                                kDatabaseTitle);
        });
    } catch (const dao::RecordStoreError& error) {
        // The pages keep every entry; the user can put the database right and save again.
        platform.msg.MsgBox(DatabaseFailureText(error, path), kStyleExclamation, kDatabaseTitle);
    }
}
