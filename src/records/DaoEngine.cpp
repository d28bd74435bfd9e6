#include "records/DaoEngine.h"

#include "records/DaoHandles.h"

#include <QFileInfo>
#include <QRandomGenerator>

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

namespace dao {

namespace {

// Marks a file as one of ours, so that a foreign file of the same name is never written to.
constexpr int kApplicationId = 0x44524C4D;  // "DRLM"
constexpr int kFormatVersion = 1;

}  // namespace

RecordStoreError::RecordStoreError(Kind kind, const QString& description, const QString& field)
    : std::runtime_error(description.toStdString()),
      kind_(kind),
      description_(description),
      field_(field) {}

void Workspace::RequireOpen() const {
    if (!open_) {
        Throw(RecordStoreError::Kind::Misuse, QStringLiteral("The workspace is closed."));
    }
}

Database Workspace::OpenDatabase(const QString& path) {
    RequireOpen();
    const QFileInfo file(path);
    if (!file.exists()) {
        Throw(RecordStoreError::Kind::NoFile,
              QStringLiteral("Could not find the file %1.").arg(path));
    }
    if (!file.isFile()) {
        Throw(RecordStoreError::Kind::NotADatabase,
              QStringLiteral("%1 is not a database file.").arg(path));
    }
    // Never SQLITE_OPEN_CREATE: a file that went missing meanwhile is not made afresh.
    auto connection = std::make_shared<Connection>(path, SQLITE_OPEN_READWRITE);
    // Nothing is written before the file has shown that it is ours.
    Statement id(*connection, QStringLiteral("PRAGMA application_id"));
    Use use(id);
    if (!id.Step(QStringLiteral("Reading ") + path) || id.Int(0) != kApplicationId) {
        Throw(RecordStoreError::Kind::NotADatabase,
              QStringLiteral("%1 is not a database of this program.").arg(path));
    }
    return Database(std::move(connection), path, QString());
}

Database Workspace::CreateDatabase(const QString& path, const QString& locale) {
    RequireOpen();
    // The locale fixes the engine's sort order and code page; here text is always Unicode and
    // nothing is sorted by text, so it changes nothing.
    Q_UNUSED(locale);
    const QFileInfo file(path);
    if (file.exists() || file.isSymLink()) {
        Throw(RecordStoreError::Kind::FileExists,
              QStringLiteral("The file %1 already exists.").arg(path));
    }
    // Built under a temporary name beside its place, so that a creation that fails half-way
    // leaves nothing behind and the real name only ever holds a complete database.
    QString building;
    for (int attempt = 0; building.isEmpty(); ++attempt) {
        const QString candidate =
            path + QStringLiteral(".%1.building")
                       .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        const int fd = ::open(candidate.toLocal8Bit().constData(),
                              O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            building = candidate;
        } else if (errno != EEXIST || attempt > 100) {
            const int error = errno;
            Throw(error == EACCES || error == EROFS || error == EPERM
                      ? RecordStoreError::Kind::ReadOnly
                      : RecordStoreError::Kind::Io,
                  QStringLiteral("Creating a file in %1: %2")
                      .arg(file.absolutePath(), QString::fromLocal8Bit(std::strerror(error))));
        }
    }
    std::shared_ptr<Connection> connection;
    try {
        connection = std::make_shared<Connection>(building, SQLITE_OPEN_READWRITE);
    } catch (const RecordStoreError&) {
        ::unlink(building.toLocal8Bit().constData());
        throw;
    }
    Database database(std::move(connection), path, building);
    database.Open().Exec(QStringLiteral("PRAGMA application_id = %1; PRAGMA user_version = %2")
                             .arg(kApplicationId)
                             .arg(kFormatVersion)
                             .toUtf8()
                             .constData(),
                         QStringLiteral("Creating ") + path);
    return database;
}

DBEngine& DBEngine::Shared() {
    static DBEngine engine;
    return engine;
}

Workspace DBEngine::Workspaces(int index) {
    if (index != 0) {
        Throw(RecordStoreError::Kind::Misuse,
              QStringLiteral("Item %1 not found in this collection.").arg(index));
    }
    return Workspace();
}

}  // namespace dao
