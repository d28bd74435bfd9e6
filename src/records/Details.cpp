#include "records/Details.h"

#include <QDir>

const std::array<DetailsColumn, 18>& DetailsColumns() {
    static const std::array<DetailsColumn, 18> columns{{
        {"Company", dao::dbText, 30, "Company Name"},
        {"Industry", dao::dbText, 30, "Industry"},
        {"BT1", dao::dbText, 30, "Business Type"},
        {"BT2", dao::dbText, 30, "Business Type"},
        {"BT3", dao::dbText, 30, "Business Type"},
        {"BT4", dao::dbText, 30, "Business Type"},
        {"BT5", dao::dbText, 30, "Business Type"},
        {"BT6", dao::dbText, 30, "Business Type"},
        {"InstalledCapacity", dao::dbText, 30, "Installed Capacity (GB)"},
        {"ServerType", dao::dbText, 30, "Server Type"},
        {"SuperPerformance", dao::dbText, 30, "% requiring Super Performance"},
        {"RemoteCopy", dao::dbText, 30, "% requiring Remote Copy"},
        {"RAID1", dao::dbText, 30, "% implemented in RAID1"},
        {"NumberServers", dao::dbText, 30, "Number of Servers"},
        {"GrowthRateStorage", dao::dbText, 30, "Storage Growth Rate %"},
        {"ContinuousOperations", dao::dbText, 30, "Continuous Operation"},
        {"OutageCost", dao::dbText, 30, "Outage Costs $/hour"},
        {"Date", dao::dbDate, 8, "Record Creation Date"},
    }};
    return columns;
}

QString DatabasePath(const QString& programFolder) {
    return QDir(programFolder).filePath(QStringLiteral("dravik.mdb"));
}

void CreateDetailsDatabase(const QString& path) {
    dao::Workspace workspace = dao::DBEngine::Shared().Workspaces(0);
    dao::Database database = workspace.CreateDatabase(path, kDetailsLocale);
    dao::TableDef details = database.CreateTableDef(kDetailsTable);
    std::vector<dao::Field> fields;
    for (const DetailsColumn& column : DetailsColumns()) {
        fields.push_back(details.CreateField(QString::fromLatin1(column.name), column.type));
    }
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (DetailsColumns()[i].type == dao::dbText) {
            fields[i].SetSize(DetailsColumns()[i].size);
        }
    }
    for (const dao::Field& field : fields) {
        details.Fields().Append(field);
    }
    database.TableDefs().Append(details);
    database.Close();
}

static QString LabelOf(const QString& column) {
    for (const DetailsColumn& c : DetailsColumns()) {
        if (column.compare(QLatin1String(c.name), Qt::CaseInsensitive) == 0) {
            return QString::fromLatin1(c.label);
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
