#include "records/Details.h"

#include <QDir>

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
    database.Close();
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

OpenDetails::OpenDetails(const QString& path)
    : workspace(dao::DBEngine::Shared().Workspaces(0)),
      database(workspace.OpenDatabase(path)),
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

std::vector<SavedEntry> ReadSavedEntries(const QString& path) {
    OpenDetails details(path);
    std::vector<SavedEntry> saved;
    if (details.cursor.Bof() && details.cursor.Eof()) {
        return saved;
    }
    for (details.cursor.MoveFirst(); !details.cursor.Eof(); details.cursor.MoveNext()) {
        saved.push_back(Current(details.cursor));
    }
    return saved;
}

std::vector<std::optional<SavedEntry>> ReadSavedEntries(const QString& path,
                                                        const std::vector<std::int64_t>& keys) {
    OpenDetails details(path);
    std::vector<std::optional<SavedEntry>> saved;
    for (const std::int64_t key : keys) {
        saved.push_back(details.cursor.Seek(key) ? std::optional(Current(details.cursor))
                                                 : std::nullopt);
    }
    return saved;
}

static QString LabelOf(const QString& column) {
    for (const DetailsColumn& c : DetailsColumns()) {
        if (column.compare(QLatin1String(c.name), Qt::CaseInsensitive) == 0) {
            return QString::fromUtf8(c.label);
        }
    }
    return column;
}

QString DatabaseFailureText(const dao::RecordStoreError& error, const QString& path) {
    using Kind = dao::RecordStoreError::Kind;
    const QString file = QDir::toNativeSeparators(path);
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
