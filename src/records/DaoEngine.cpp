#include "records/DaoEngine.h"

#include "records/DaoHandles.h"

#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

namespace dao {

namespace {

// Marks a file as one of ours, so that a foreign file of the same name is never written to.
constexpr int kApplicationId = 0x44524C4D;  // "DRLM"

int ReadPragma(Connection& connection, const char* pragma, const QString& path) {
    Statement statement(connection, QString::fromLatin1(pragma));
    Use use(statement);
    return statement.Step(QStringLiteral("Reading ") + path) ? int(statement.Int(0)) : 0;
}

[[noreturn]] void ThrowNewer(const QString& path, int version, const FileFormat& format) {
    Throw(RecordStoreError::Kind::NewerRelease,
          QStringLiteral("%1 has the file format %2; this release knows up to %3.")
              .arg(path)
              .arg(version)
              .arg(format.version));
}

// Brings a file of an older format up to this one in one transaction: a step that fails leaves
// the file as it was.
void Migrate(Connection& connection, const QString& path, const FileFormat& format) {
    connection.Exec("BEGIN IMMEDIATE", QStringLiteral("Starting a transaction"));
    try {
        // Read again under the write lock: another program may have brought the file up since.
        int version = ReadPragma(connection, "PRAGMA user_version", path);
        if (version > format.version) {
            ThrowNewer(path, version, format);
        }
        for (; version < format.version; ++version) {
            const auto step = std::find_if(format.steps.begin(), format.steps.end(),
                                           [version](const auto& s) { return s.from == version; });
            if (step == format.steps.end()) {
                Throw(RecordStoreError::Kind::NotADatabase,
                      QStringLiteral("%1 has the file format %2, which no release made.")
                          .arg(path)
                          .arg(version));
            }
            connection.Exec(step->sql,
                            QStringLiteral("Bringing %1 up from format %2").arg(path).arg(version));
        }
        connection.Exec(
            QStringLiteral("PRAGMA user_version = %1").arg(format.version).toUtf8().constData(),
            QStringLiteral("Bringing ") + path + QStringLiteral(" up"));
        connection.Exec("COMMIT", QStringLiteral("Committing"));
    } catch (...) {
        sqlite3_exec(connection.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

}  // namespace

const FileFormat& ThisFormat() {
    // Version 1 is the first release's. A change of the file (a column added for a new question)
    // raises the version and adds the step that brings a file of the version before up to it.
    static const FileFormat format{1, {}};
    return format;
}

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
    return OpenDatabase(path, ThisFormat());
}

Database Workspace::OpenDatabase(const QString& path, const FileFormat& format) {
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
    // Nothing is written before the file has shown that it is ours and of a version we know.
    if (ReadPragma(*connection, "PRAGMA application_id", path) != kApplicationId) {
        Throw(RecordStoreError::Kind::NotADatabase,
              QStringLiteral("%1 is not a database of this program.").arg(path));
    }
    const int version = ReadPragma(*connection, "PRAGMA user_version", path);
    if (version > format.version) {
        ThrowNewer(path, version, format);
    }
    if (version < format.version) {
        Migrate(*connection, path, format);
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
        // The customers' records are the user's alone; SQLite gives its journal the file's mode.
        const int fd = ::open(candidate.toLocal8Bit().constData(),
                              O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
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
                             .arg(ThisFormat().version)
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
