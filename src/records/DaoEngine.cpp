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

int ReadInt(const std::shared_ptr<Connection>& connection, const char* sql, const QString& name) {
    Statement statement(connection, QString::fromLatin1(sql));
    Use use(statement);
    return statement.Step(QStringLiteral("Reading ") + name) ? int(statement.Int(0)) : 0;
}

[[noreturn]] void ThrowNewer(const QString& name, int version, const FileFormat& format) {
    Throw(RecordStoreError::Kind::NewerRelease,
          QStringLiteral("%1 has the format %2; this release knows up to %3.")
              .arg(name)
              .arg(version)
              .arg(format.version));
}

// Brings a database of an older format up to this one in one transaction: a step that fails
// leaves it as it was.
void Migrate(const std::shared_ptr<Connection>& connection, const QString& name,
             const FileFormat& format) {
    const EngineSql& sql = connection->sql();
    connection->Exec(QString::fromLatin1(sql.beginWrite), QStringLiteral("Starting a transaction"));
    try {
        // Read again under the write lock: another program may have brought it up since.
        int version = ReadInt(connection, sql.readVersion, name);
        if (version > format.version) {
            ThrowNewer(name, version, format);
        }
        for (; version < format.version; ++version) {
            const auto step = std::find_if(format.steps.begin(), format.steps.end(),
                                           [version](const auto& s) { return s.from == version; });
            if (step == format.steps.end()) {
                Throw(RecordStoreError::Kind::NotADatabase,
                      QStringLiteral("%1 has the format %2, which no release made.")
                          .arg(name)
                          .arg(version));
            }
            for (const char* statement : step->statements) {
                connection->Exec(
                    QString::fromLatin1(statement),
                    QStringLiteral("Bringing %1 up from format %2").arg(name).arg(version));
            }
        }
        connection->Exec(QString::fromLatin1(sql.writeVersion).arg(format.version),
                         QStringLiteral("Bringing ") + name + QStringLiteral(" up"));
        connection->Exec(QStringLiteral("COMMIT"), QStringLiteral("Committing"));
    } catch (...) {
        QSqlQuery(connection->database()).exec(QStringLiteral("ROLLBACK"));
        throw;
    }
}

}  // namespace

const FileFormat& ThisFormat() {
    // Version 1 is the first release's. A change of the file (a column added for a new question)
    // raises the version and adds the step that brings a file of the version before up to it.
    // Version 2 gives every record its id and who saved it, and the mark of one not yet sent to
    // a team's server; the records saved before get their ids here. A step stays as it was
    // written: it brings up files of its version, whatever later versions add.
    static const FileFormat format{
        2,
        {{1,
          {R"(ALTER TABLE "Details" ADD COLUMN "DravikRecordId" VARCHAR(36) CONSTRAINT "DravikRecordId" CHECK ("DravikRecordId" IS NULL OR (typeof("DravikRecordId") = 'text' AND length("DravikRecordId") = 36)))",
           R"(ALTER TABLE "Details" ADD COLUMN "DravikSavedBy" VARCHAR(64) CONSTRAINT "DravikSavedBy" CHECK ("DravikSavedBy" IS NULL OR (typeof("DravikSavedBy") = 'text' AND length("DravikSavedBy") BETWEEN 1 AND 64)))",
           R"(ALTER TABLE "Details" ADD COLUMN "DravikUnsent" INTEGER CONSTRAINT "DravikUnsent" CHECK ("DravikUnsent" IS NULL OR "DravikUnsent" = 1))",
           R"(UPDATE "Details" SET "DravikRecordId" = lower(hex(randomblob(4)) || '-' || hex(randomblob(2)) || '-4' || substr(hex(randomblob(2)), 2) || '-' || substr('89ab', 1 + abs(random()) % 4, 1) || substr(hex(randomblob(2)), 2) || '-' || hex(randomblob(6))))",
           R"(CREATE UNIQUE INDEX "DravikRecordIdOnce" ON "Details" ("DravikRecordId"))"}}}};
    return format;
}

const FileFormat& ServerFormat() {
    // Version 1 is the first release with a server; its steps follow as the file's do.
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
    std::shared_ptr<Connection> connection = Connection::File(path);
    // Nothing is written before the file has shown that it is ours and of a version we know.
    if (ReadInt(connection, "PRAGMA application_id", path) != kApplicationId) {
        Throw(RecordStoreError::Kind::NotADatabase,
              QStringLiteral("%1 is not a database of this program.").arg(path));
    }
    const int version = ReadInt(connection, connection->sql().readVersion, path);
    if (version > format.version) {
        ThrowNewer(path, version, format);
    }
    if (version < format.version) {
        Migrate(connection, path, format);
    }
    return Database(std::move(connection), path, QString());
}

Database Workspace::OpenDatabase(const QString& name, const QString& connect,
                                 const FileFormat& format,
                                 const std::function<void(Database&)>& makeTables) {
    RequireOpen();
    std::shared_ptr<Connection> connection = Connection::Server(connect, name);
    const EngineSql& sql = connection->sql();
    int version = 0;
    try {
        version = ReadInt(connection, sql.readVersion, name);
    } catch (const RecordStoreError& error) {
        if (error.kind() != RecordStoreError::Kind::NoTable || !makeTables) {
            throw;
        }
        // The program's tables and their format's version, all or nothing.
        Database made(connection, name, QString());
        Transaction transaction(made);
        makeTables(made);
        connection->Exec(
            QStringLiteral(R"(CREATE TABLE "DravikFormat" (version INTEGER NOT NULL))"),
            QStringLiteral("Creating the table DravikFormat"));
        connection->Exec(
            QStringLiteral(R"(INSERT INTO "DravikFormat" VALUES (%1))").arg(format.version),
            QStringLiteral("Creating the table DravikFormat"));
        transaction.Commit();
        version = format.version;
    }
    if (version > format.version) {
        ThrowNewer(name, version, format);
    }
    if (version < format.version) {
        Migrate(connection, name, format);
    }
    return Database(std::move(connection), name, QString());
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
        connection = Connection::File(building);
    } catch (const RecordStoreError&) {
        ::unlink(building.toLocal8Bit().constData());
        throw;
    }
    Database database(std::move(connection), path, building);
    database.Open()->Exec(QStringLiteral("PRAGMA application_id = %1").arg(kApplicationId),
                          QStringLiteral("Creating ") + path);
    database.Open()->Exec(QStringLiteral("PRAGMA user_version = %1").arg(ThisFormat().version),
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
