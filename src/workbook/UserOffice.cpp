#include "workbook/UserOffice.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <fcntl.h>
#include <langinfo.h>
#include <locale.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

namespace {

const QString kPipeFile = QStringLiteral("office-pipe");

// A folder that is the user's and no one else may enter; made when missing.
bool Private(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST) {
        return false;
    }
    struct stat made {};
    if (::lstat(name.constData(), &made) != 0 || !S_ISDIR(made.st_mode) ||
        made.st_uid != ::getuid()) {
        return false;
    }
    return (made.st_mode & 077) == 0 || ::chmod(name.constData(), 0700) == 0;
}

QString RandomPart() {
    return QString::number(QRandomGenerator::system()->generate64(), 16).rightJustified(16, u'0') +
           QString::number(QRandomGenerator::system()->generate64(), 16).rightJustified(16, u'0');
}

QString PipeName(const QString& random) {
    return QStringLiteral("dravik_lumo_calc_%1_%2").arg(UserNameForPipes(), random);
}

// The random part in the private folder, or a new one put there. A file appears whole or not at
// all (made aside, then linked into place), so two programs starting at once read the same part.
QString StoredPart(bool renew) {
    const QString folder = PrivateFolder();
    if (folder.isEmpty()) {
        return RandomPart();  // nothing to share it through: this program's own office
    }
    const QString path = QDir(folder).filePath(kPipeFile);
    for (int attempt = 0; attempt < 3; ++attempt) {
        QFile stored(path);
        if (!renew && stored.open(QIODevice::ReadOnly)) {
            const QString part = QString::fromLatin1(stored.readAll()).trimmed();
            if (part.size() == 32) {
                return part;
            }
        }
        const QString part = RandomPart();
        const QString aside = path + QStringLiteral(".") + RandomPart();
        QFile made(aside);
        if (!made.open(QIODevice::WriteOnly) || made.write(part.toLatin1() + '\n') < 0) {
            QFile::remove(aside);
            return part;
        }
        made.close();
        if (renew) {
            QFile::remove(path);
        }
        const bool placed =
            ::link(QFile::encodeName(aside).constData(), QFile::encodeName(path).constData()) == 0;
        QFile::remove(aside);
        if (placed) {
            return part;
        }
        renew = false;  // another program put one there first: that one is read
    }
    return RandomPart();
}

}  // namespace

QString UserNameForPipes(QString user) {
    if (user.isEmpty()) {
        user = QString::number(::getuid());
    }
    for (QChar& c : user) {
        if (!(c.isLetterOrNumber() && c.unicode() < 128)) {
            c = u'_';
        }
    }
    // The socket's whole path must stay within the system's limit of 107 bytes.
    return user.left(32);
}

QString PrivateFolder() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    QString base = runtime;
    if (base.isEmpty() || !QFileInfo(base).isDir()) {
        const QString cache = qEnvironmentVariable("XDG_CACHE_HOME");
        base = cache.isEmpty() ? QDir::homePath() + QStringLiteral("/.cache") : cache;
        QDir().mkpath(base);
    }
    const QString folder = QDir(base).filePath(QStringLiteral("dravik-lumo"));
    return Private(folder) ? folder : QString();
}

QString UserOfficePipeName() {
    return PipeName(StoredPart(false));
}

QString RenewUserOfficePipeName() {
    return PipeName(StoredPart(true));
}

QString OfficePipePath(const QString& pipeName) {
    // Where the office's pipe layer puts a named pipe: the temporary folder, or /var/tmp where
    // that cannot be written.
    const QString base =
        ::access("/tmp", W_OK) == 0 ? QStringLiteral("/tmp") : QStringLiteral("/var/tmp");
    return QStringLiteral("%1/OSL_PIPE_%2_%3").arg(base).arg(::getuid()).arg(pipeName);
}

QProcessEnvironment OfficeEnvironment(QProcessEnvironment environment) {
    // The locale the environment names, as the C library reads it.
    const auto named = [&environment](const char* category) {
        for (const char* variable : {"LC_ALL", category, "LANG"}) {
            const QString value = environment.value(QLatin1String(variable));
            if (!value.isEmpty()) {
                return value;
            }
        }
        return QStringLiteral("C");
    };
    const QByteArray ctype = named("LC_CTYPE").toLocal8Bit();
    const QByteArray messages = named("LC_MESSAGES").toLocal8Bit();
    bool utf8 = false;
    if (const locale_t characters = ::newlocale(LC_CTYPE_MASK, ctype.constData(), nullptr)) {
        utf8 =
            QByteArray(::nl_langinfo_l(CODESET, characters)).toUpper().replace("-", "") == "UTF8";
        ::freelocale(characters);
    }
    const locale_t text = ::newlocale(LC_MESSAGES_MASK, messages.constData(), nullptr);
    if (text) {
        ::freelocale(text);
    }
    if (!utf8 || !text) {
        environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    }
    return environment;
}

SocketOwner OwnerOfSocket(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    struct stat found {};
    if (::lstat(name.constData(), &found) != 0) {
        return SocketOwner::Nobody;
    }
    if (!S_ISSOCK(found.st_mode) || found.st_uid != ::getuid()) {
        return SocketOwner::Foreign;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (static_cast<size_t>(name.size()) >= sizeof address.sun_path) {
        return SocketOwner::Foreign;
    }
    std::memcpy(address.sun_path, name.constData(), static_cast<size_t>(name.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return SocketOwner::Foreign;
    }
    SocketOwner owner = SocketOwner::Nobody;  // a socket left behind, nobody listening
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
        ucred peer{};
        socklen_t size = sizeof peer;
        owner =
            ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == ::getuid()
                ? SocketOwner::ThisUser
                : SocketOwner::Foreign;
    }
    ::close(fd);
    return owner;
}
