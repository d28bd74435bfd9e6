#include "records/Details.h"

#include <QDir>
#include <QFileInfo>

const std::vector<DetailsColumn>& DetailsColumns() {
    static const std::vector<DetailsColumn> columns = [] {
        std::vector<DetailsColumn> made;
        for (const entry::Question& question : entry::Questions()) {
            made.push_back(
                {question.column, dao::dbText, entry::kTextColumnSize, question.caption});
        }
        made.push_back({entry::kDateColumn, dao::dbDate, 8, entry::kDateBox.caption});
        return made;
    }();
    return columns;
}

QString DatabasePath(const QString& programFolder) {
    return QDir(programFolder).filePath(QStringLiteral("dravik.mdb"));
}

void CreateDetailsDatabase(const QString& path) {
    dao::Workspace workspace = dao::DBEngine::Shared().Workspaces(0);
    dao::Database database = workspace.CreateDatabase(path, kDetailsLocale);
    CreateDetailsTable(database);
    database.Close();
}

void CreateDetailsTable(dao::Database& database) {
    dao::TableDef details = database.CreateTableDef(kDetailsTable);
    const std::vector<DetailsColumn>& columns = DetailsColumns();
    std::vector<dao::Field> fields;
    for (const DetailsColumn& column : columns) {
        fields.push_back(details.CreateField(QString::fromLatin1(column.name), column.type));
    }
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (columns[i].type == dao::dbText) {
            fields[i].SetSize(columns[i].size);
        }
    }
    for (const dao::Field& field : fields) {
        details.Fields().Append(field);
    }
    database.TableDefs().Append(details);
}

entry::Entry ReadEntry(const dao::Recordset& details) {
    entry::Entry read;
    for (const entry::Question& question : entry::Questions()) {
        const QVariant value = details.Fields(QString::fromLatin1(question.column));
        read[question] = value.isValid() ? value.toString() : QString();
    }
    read.date = details.Fields(QString::fromLatin1(entry::kDateColumn)).toDateTime();
    return read;
}

namespace {

// The store's database; a server's gets the file's unsent records first.
dao::Database OpenStore(dao::Workspace& workspace, const RecordStore& store) {
    if (!store.OnServer()) {
        return workspace.OpenDatabase(store.file);
    }
    dao::Database server = workspace.OpenDatabase(store.Name(), store.server, dao::ServerFormat());
    SendRecords(store.file, server);
    return server;
}

}  // namespace

OpenDetails::OpenDetails(const QString& path)
    : workspace(dao::DBEngine::Shared().Workspaces(0)),
      database(workspace.OpenDatabase(path)),
      cursor(database.OpenRecordset(kDetailsTable, dao::dbOpenTable)) {}

OpenDetails::OpenDetails(const RecordStore& store)
    : workspace(dao::DBEngine::Shared().Workspaces(0)),
      database(OpenStore(workspace, store)),
      cursor(database.OpenRecordset(kDetailsTable, dao::dbOpenTable)) {}

void OpenDetails::Close() {
    cursor.Close();
    database.Close();
    workspace.Close();
}

namespace {

SavedEntry Current(const dao::Recordset& cursor) {
    return {cursor.Key(), ReadEntry(cursor)};
}

}  // namespace

std::vector<SavedEntry> ReadSavedEntries(const RecordStore& store) {
    OpenDetails details(store);
    std::vector<SavedEntry> saved;
    if (details.cursor.Bof() && details.cursor.Eof()) {
        return saved;
    }
    for (details.cursor.MoveFirst(); !details.cursor.Eof(); details.cursor.MoveNext()) {
        saved.push_back(Current(details.cursor));
    }
    return saved;
}

std::vector<std::optional<SavedEntry>> ReadSavedEntries(const RecordStore& store,
                                                        const std::vector<std::int64_t>& keys) {
    OpenDetails details(store);
    std::vector<std::optional<SavedEntry>> saved;
    for (const std::int64_t key : keys) {
        saved.push_back(details.cursor.Seek(key) ? std::optional(Current(details.cursor))
                                                 : std::nullopt);
    }
    return saved;
}

namespace {

template <class Work>
auto InOutbox(Work&& work) {
    try {
        return work();
    } catch (const dao::RecordStoreError& error) {
        throw OutboxError(error);
    }
}

}  // namespace

int SendRecords(const QString& file, dao::Database& server, bool every) {
    if (!QFileInfo::exists(file)) {
        return 0;
    }
    dao::Workspace workspace = dao::DBEngine::Shared().Workspaces(0);
    dao::Database outbox = InOutbox([&] { return workspace.OpenDatabase(file); });
    dao::Recordset waiting = InOutbox([&] {
        return every ? outbox.OpenRecordset(kDetailsTable)
                     : outbox.OpenRecordset(kDetailsTable, dao::kUnsentColumn, 1);
    });
    if (waiting.Bof() && waiting.Eof()) {
        return 0;
    }
    if (every) {
        // A record another program put into the file has no id: it gets one there first, so
        // that copying the file again sends it once.
        InOutbox([&] {
            dao::Transaction ids(outbox);
            for (; !waiting.Eof(); waiting.MoveNext()) {
                if (waiting.Fields(dao::kIdColumn).isNull()) {
                    waiting.Edit();
                    waiting.Collect(dao::kIdColumn, dao::NewRecordId());
                    waiting.Update();
                }
            }
            ids.Commit();
            waiting.MoveFirst();
        });
    }
    dao::Recordset details = server.OpenRecordset(kDetailsTable);
    QStringList columns;
    for (const DetailsColumn& column : DetailsColumns()) {
        columns << QString::fromLatin1(column.name);
    }
    columns << dao::kIdColumn << dao::kSavedByColumn;
    // The marks come off in one transaction of the file after the server committed the records:
    // a kill before it sends them again, and the server takes no second copy of an id.
    std::vector<std::int64_t> marked;
    const auto markSent = [&] {
        InOutbox([&] {
            dao::Transaction marks(outbox);
            for (const std::int64_t key : marked) {
                if (waiting.Seek(key)) {
                    waiting.Edit();
                    waiting.Collect(dao::kUnsentColumn, QVariant());
                    waiting.Update();
                }
            }
            marks.Commit();
        });
    };
    int sent = 0;
    try {
        // From the first record, on which the cursor opened: another program may send (and
        // mark) the same records at the same time, so no record is counted on to be still
        // waiting.
        for (; !waiting.Eof(); InOutbox([&] { waiting.MoveNext(); })) {
            details.AddNew();
            for (const QString& column : columns) {
                details.Collect(column, waiting.Fields(column));
            }
            sent += details.UpdateOnce() ? 1 : 0;
            if (waiting.Fields(dao::kUnsentColumn).isValid()) {
                marked.push_back(waiting.Key());
            }
        }
    } catch (const dao::RecordStoreError&) {
        markSent();  // what the server took before it failed
        throw;
    }
    markSent();
    return sent;
}

StoreCount CountRecords(const RecordStore& store) {
    StoreCount count;
    OpenDetails details(store);
    count.records = details.cursor.RecordCount();
    if (store.OnServer() && QFileInfo::exists(store.file)) {
        dao::Workspace workspace = dao::DBEngine::Shared().Workspaces(0);
        dao::Database outbox = workspace.OpenDatabase(store.file);
        count.unsent = outbox.OpenRecordset(kDetailsTable, dao::kUnsentColumn, 1).RecordCount();
    }
    return count;
}

static QString LabelOf(const QString& column) {
    for (const DetailsColumn& c : DetailsColumns()) {
        if (column.compare(QLatin1String(c.name), Qt::CaseInsensitive) == 0) {
            return QString::fromUtf8(c.label);
        }
    }
    return column;
}

QString ReasonOf(const dao::RecordStoreError& error) {
    const QString text = error.description();
    const qsizetype colon = text.indexOf(QStringLiteral(": "));
    // An engine's lines as sentences of one line ("... refused. Is the server running ...?").
    QString reason;
    for (const QString& line : (colon < 0 ? text : text.mid(colon + 2)).split(u'\n')) {
        const QString part = line.simplified();
        if (part.isEmpty()) {
            continue;
        }
        if (!reason.isEmpty()) {
            reason += QString::fromLatin1(".?!:").contains(reason.back()) ? u" " : u". ";
        }
        reason += part;
    }
    return reason;
}

QString DatabaseFailureText(const dao::RecordStoreError& error, const QString& path) {
    return DatabaseFailureText(error, RecordStore{path, QString()});
}

QString DatabaseFailureText(const dao::RecordStoreError& error, const RecordStore& store) {
    using Kind = dao::RecordStoreError::Kind;
    if (store.OnServer() && dynamic_cast<const OutboxError*>(&error)) {
        return DatabaseFailureText(error, store.file);
    }
    const QString file = store.Name();
    const auto reason = [&error] { return ReasonOf(error); };
    if (store.OnServer()) {
        switch (error.kind()) {
            case Kind::Unreachable:
                return QStringLiteral(
                           "The team's database %1 cannot be reached:\r%2\r\rPlease "
                           "try again when it can be reached; what you save is kept "
                           "on this computer meanwhile.")
                    .arg(file, reason());
            case Kind::Denied:
                return QStringLiteral(
                           "The team's database %1 refused this:\r%2\r\rNothing was "
                           "changed. Ask its administrator for the right, then try "
                           "again.")
                    .arg(file, reason());
            case Kind::NoTable:
                return QStringLiteral(
                           "The team's database %1 holds none of the program's "
                           "tables.\r\rPlease run dravik-create-db --server to make "
                           "them.")
                    .arg(file);
            case Kind::Misuse:  // the setting itself
                return QStringLiteral("\"%1\" is not a PostgreSQL connection string: %2")
                    .arg(store.server, reason());
            case Kind::NewerRelease:
                return QStringLiteral(
                           "The team's database %1 was made by a newer release of "
                           "Dravik Lumo. Nothing was written to it.\r\rPlease use it "
                           "with that release.")
                    .arg(file);
            default:
                break;
        }
    }
    const QString create = QStringLiteral(
        "run dravik-create-db in the program's folder to make a new, empty database.");
    switch (error.kind()) {
        case Kind::NoFile:
            return QStringLiteral(
                       "The Dravik database was not found. It is expected at\r%1\r\rPlease %2")
                .arg(file, create);
        case Kind::FileExists:
            return QStringLiteral("A database already exists at\r%1\rIt was left unchanged.")
                .arg(file);
        case Kind::NotADatabase:
            return QStringLiteral(
                       "The file\r%1\ris not a Dravik database, or it is damaged. It "
                       "was left unchanged.\r\rMove it aside, then %2")
                .arg(file, create);
        case Kind::NewerRelease:
            return QStringLiteral(
                       "The database\r%1\rwas made by a newer release of Dravik Lumo. It was "
                       "left unchanged.\r\rPlease use it with that release, or move it aside, "
                       "then %2")
                .arg(file, create);
        case Kind::NoTable:
            return QStringLiteral(
                       "The database\r%1\rholds no Details table. It was left "
                       "unchanged.\r\rMove it aside, then %2")
                .arg(file, create);
        case Kind::ValueRefused:
            return QStringLiteral(
                       "\"%1\" can not be stored: the database holds from 1 to 30 "
                       "characters in each field.\r\rPlease correct \"%1\" and try "
                       "again.")
                .arg(LabelOf(error.field()));
        case Kind::ReadOnly:
            return QStringLiteral(
                       "The database\r%1\rcan not be written: the file or its folder "
                       "is read-only.\r\rAsk for write access to both, then try again.")
                .arg(file);
        case Kind::Replaced:
            return QStringLiteral(
                       "The database\r%1\rwas replaced or moved while the records were open. "
                       "Nothing was changed.\r\rPlease open the records again.")
                .arg(file);
        case Kind::Locked:
            return QStringLiteral(
                       "The database\r%1\ris in use by another program.\r\rClose that "
                       "program, then try again.")
                .arg(file);
        case Kind::Gone:
            return QStringLiteral(
                "This record was erased meanwhile, by another program or another user.");
        case Kind::Unreachable:
        case Kind::Denied:
            return QStringLiteral("The database\r%1\rcould not be used:\r%2")
                .arg(file, error.description());
        case Kind::NoCurrentRecord:
            return QStringLiteral(
                "The record is no longer in the database. Please open the "
                "records again.");
        case Kind::Misuse:
        case Kind::Io:
            break;
    }
    return QStringLiteral("The database\r%1\rcould not be used:\r%2")
        .arg(file, error.description());
}
