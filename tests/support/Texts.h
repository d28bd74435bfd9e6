#pragma once
// The program's titles and messages as the tests expect them, each written once.

#include <QString>

// Titles.
inline const QString kTitle = QStringLiteral("Dravik Lumo");
inline const QString kCritical = QStringLiteral("Dravik Critical Error");
inline const QString kOpening = QStringLiteral("Critical Error");
inline const QString kDb = QStringLiteral("Dravik Database");
inline const QString kCreate = QStringLiteral("Create Dravik Database");
inline const QString kHelp = QStringLiteral("Help");

// Messages.
inline const QString kQuit = QStringLiteral("Quit Application?");
inline const QString kEraseRecord = QStringLiteral("Erase current record?");
inline const QString kMakeASelection = QStringLiteral("Please make a selection");
inline const QString kNoOffice =
    QStringLiteral("Corla Tabb not found!\r\rPlease check the installation");
inline const QString kOfficeClosed =
    QStringLiteral("Corla Tabb application has been closed, please restart Dravik");
inline const QString kWrongVersion = QStringLiteral(
    "You are using a wrong version of the Dravik worksheet, please reinstall Dravik");
inline const QString kGeneralError = QStringLiteral("General Error, please reinstall Dravik");
inline const QString kDatabaseUpdated = QStringLiteral("Dravik Database Updated");
inline const QString kDatabaseCreated = QStringLiteral("Database Created");
inline const QString kDatabaseEmpty = QStringLiteral("The Dravik Database is currently empty");

// The database at path is not there.
inline QString DatabaseNotFound(const QString& path) {
    return QStringLiteral(
               "The Dravik database was not found. It is expected at\r%1\r\rPlease run "
               "dravik-create-db in the program's folder to make a new, empty database.")
        .arg(path);
}

// The database at path could not be used, for the reason the engine gave.
inline QString DatabaseNotUsable(const QString& path, const char* reason) {
    return QStringLiteral("The database\r%1\rcould not be used:\r%2")
        .arg(path, QLatin1String(reason));
}
