#include "records/RecordStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <libpq-fe.h>

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

QString RecordStore::Name() const {
    return OnServer() ? ServerName(server) : QDir::toNativeSeparators(file);
}

RecordStore StoreOf(const QString& programFolder) {
    return {QDir(programFolder).filePath(QStringLiteral("dravik.mdb")),
            ReadSetting().value_or(QString())};
}

QString ServerName(const QString& conninfo) {
    PQconninfoOption* const options = PQconninfoParse(conninfo.toUtf8().constData(), nullptr);
    if (!options) {
        return conninfo;
    }
    QString service;
    QString host;
    QString port;
    QString database;
    for (const PQconninfoOption* option = options; option->keyword; ++option) {
        const QString value = option->val ? QString::fromUtf8(option->val) : QString();
        if (qstrcmp(option->keyword, "service") == 0) {
            service = value;
        } else if (qstrcmp(option->keyword, "host") == 0) {
            host = value;
        } else if (qstrcmp(option->keyword, "port") == 0) {
            port = value;
        } else if (qstrcmp(option->keyword, "dbname") == 0) {
            database = value;
        }
    }
    PQconninfoFree(options);
    if (!service.isEmpty() && host.isEmpty()) {
        return QStringLiteral("service ") + service;
    }
    QString name = host.isEmpty() ? QStringLiteral("localhost") : host;
    if (!port.isEmpty()) {
        name += QLatin1Char(':') + port;
    }
    return database.isEmpty() ? name : name + QLatin1Char('/') + database;
}

QString SettingPath() {
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    const QString base = config.isEmpty() ? QDir::homePath() + QStringLiteral("/.config") : config;
    return QDir(base).filePath(QStringLiteral("dravik-lumo/records.conf"));
}

std::optional<QString> ReadSetting() {
    QFile file(SettingPath());
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const QString conninfo = QString::fromUtf8(file.readAll()).trimmed();
    return conninfo.isEmpty() ? std::nullopt : std::optional(conninfo);
}

bool WriteSetting(const QString& conninfo, QString& why) {
    const QString path = SettingPath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    // Made whole under a name of its own, then renamed into place: the setting is never half
    // written, and only the user reads it.
    const QByteArray aside =
        QFile::encodeName(path + QStringLiteral(".%1").arg(QRandomGenerator::system()->generate(),
                                                           8, 16, QLatin1Char('0')));
    const int fd = ::open(aside.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    const QByteArray text = conninfo.toUtf8() + '\n';
    bool written = fd >= 0 && ::write(fd, text.constData(), static_cast<size_t>(text.size())) ==
                                  static_cast<ssize_t>(text.size());
    written = fd >= 0 && ::fsync(fd) == 0 && written;
    const int error = errno;
    if (fd >= 0) {
        ::close(fd);
    }
    if (!written || ::rename(aside.constData(), QFile::encodeName(path).constData()) != 0) {
        why = QStringLiteral("%1: %2").arg(
            path, QString::fromLocal8Bit(std::strerror(written ? errno : error)));
        ::unlink(aside.constData());
        return false;
    }
    return true;
}

bool RemoveSetting(QString& why) {
    const QString path = SettingPath();
    if (::unlink(QFile::encodeName(path).constData()) != 0 && errno != ENOENT) {
        why = QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    return true;
}
