#include "records/SaveData.h"

#include "records/DaoEngine.h"
#include "records/Details.h"
#include "shell/Platform.h"

void AppendDetailsRecord(const QString& path, const entry::Entry& entry,
                         const std::function<void()>& whileOpen, bool unsent, const QString& id) {
    OpenDetails open(path);
    dao::Recordset& details = open.cursor;
    {
        // The empty record of the first commit and its filling are one transaction: should
        // the filling fail, the empty record goes with it.
        dao::Transaction transaction(open.database);
        details.AddNew();
        if (!id.isEmpty()) {
            details.Collect(dao::kIdColumn, id);
        }
        details.Update();
        details.MoveLast();
        details.Edit();
        for (const entry::Question& question : entry::Questions()) {
            details.Collect(QString::fromLatin1(question.column), entry[question]);
        }
        details.Collect(QString::fromLatin1(entry::kDateColumn), entry.date);
        if (unsent) {
            details.Collect(dao::kUnsentColumn, 1);
        }
        details.Update();
        transaction.Commit();
    }
    if (whileOpen) {
        whileOpen();
    }
    open.Close();
}

void AppendToServer(const RecordStore& store, const entry::Entry& entry, const QString& id) {
    OpenDetails open(store);  // what waits in the file goes first
    dao::Recordset& details = open.cursor;
    // One insert: on a server others add records at the same moment, so the record is never
    // looked for again by its place.
    details.AddNew();
    details.Collect(dao::kIdColumn, id);
    for (const entry::Question& question : entry::Questions()) {
        details.Collect(QString::fromLatin1(question.column), entry[question]);
    }
    details.Collect(QString::fromLatin1(entry::kDateColumn), entry.date);
    details.UpdateOnce();
    open.Close();
}

void SaveData(Platform& platform, const entry::Entry& entry) {
    const RecordStore store = StoreOf(platform.programFolder);
    const auto updated = [&platform] {
        platform.msg.MsgBox(QStringLiteral("Dravik Database Updated"), kStyleExclamation,
                            kDatabaseTitle);
    };
    const auto failed = [&platform](const dao::RecordStoreError& error, const RecordStore& in) {
        // The pages keep every entry; the user can put the database right and save again.
        platform.msg.MsgBox(DatabaseFailureText(error, in), kStyleExclamation, kDatabaseTitle);
    };
    if (!store.OnServer()) {
        try {
            AppendDetailsRecord(store.file, entry, updated);
        } catch (const dao::RecordStoreError& error) {
            failed(error, store);
        }
        return;
    }
    // The record's id is made before anything goes over the network: should the server commit
    // it unseen before the connection fails, the copy kept in the file is not taken twice.
    const QString id = dao::NewRecordId();
    try {
        AppendToServer(store, entry, id);
        updated();
        return;
    } catch (const dao::RecordStoreError& error) {
        if (error.kind() != dao::RecordStoreError::Kind::Unreachable) {
            failed(error, store);
            return;
        }
        try {
            AppendDetailsRecord(store.file, entry, {}, true, id);
        } catch (const dao::RecordStoreError& fileError) {
            failed(fileError, RecordStore{store.file, {}});
            return;
        }
        platform.msg.MsgBox(
            QStringLiteral("The team's database %1 cannot be used now:\r%2\r\rThe record was "
                           "kept on this computer and will be sent when the team's database can "
                           "be reached.")
                .arg(store.Name(), ReasonOf(error)),
            kStyleExclamation, kDatabaseTitle);
    }
}
