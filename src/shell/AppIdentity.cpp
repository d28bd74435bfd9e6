#include "shell/AppIdentity.h"

#include <QCoreApplication>

QString VersionLabel(int major, int minor, int revision) {
    return QStringLiteral("Version %1.%2.%3a").arg(major).arg(minor).arg(revision);
}

QString WorkbookFileName(int major, int minor, int revision) {
    return QStringLiteral("Dravik-Lumo_V%1%2%3a.tabb").arg(major).arg(minor).arg(revision);
}

QString ProgramFolder() {
    return QCoreApplication::applicationDirPath();
}
