#include "PostgresServer.h"

#include <QDir>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTcpServer>

#include <pwd.h>
#include <unistd.h>

PostgresServer& PostgresServer::Shared() {
    static PostgresServer server;
    return server;
}

PostgresServer::PostgresServer() {
    if (::geteuid() == 0) {
        for (const char* user : {"postgres", "nobody"}) {
            if (const passwd* const found = ::getpwnam(user)) {
                runAs_ = QString::fromLatin1(user);
                ::chown(QFile::encodeName(folder_.path()).constData(), found->pw_uid,
                        found->pw_gid);
                break;
            }
        }
    }
    {
        QTcpServer probe;  // a port nobody listens on now
        probe.listen(QHostAddress::LocalHost, 0);
        port_ = probe.serverPort();
    }
    QString output;
    if (!Run(QStringLiteral("initdb"),
             {QStringLiteral("-D"), folder_.filePath(QStringLiteral("data")), QStringLiteral("-U"),
              QStringLiteral("dravik"), QStringLiteral("-A"), QStringLiteral("trust"),
              QStringLiteral("--no-sync")},
             &output)) {
        failure_ = QStringLiteral("initdb failed (package postgresql?): ") + output;
    } else if (Start()) {
        Exec(QStringLiteral("CREATE DATABASE dravik"));
    }
}

bool PostgresServer::Start() {
    QString output;
    // No durability wanted of a test's data.
    const bool started =
        Run(QStringLiteral("pg_ctl"),
            {QStringLiteral("-D"), folder_.filePath(QStringLiteral("data")), QStringLiteral("-w"),
             QStringLiteral("-l"), folder_.filePath(QStringLiteral("log")), QStringLiteral("-o"),
             QStringLiteral("-k %1 -p %2 -c listen_addresses=127.0.0.1 -c fsync=off")
                 .arg(folder_.path())
                 .arg(port_),
             QStringLiteral("start")},
            &output);
    failure_ = started ? QString() : QStringLiteral("the server did not start: ") + output;
    return started;
}

void PostgresServer::Stop() {
    if (Available()) {
        Run(QStringLiteral("pg_ctl"),
            {QStringLiteral("-D"), folder_.filePath(QStringLiteral("data")), QStringLiteral("-m"),
             QStringLiteral("immediate"), QStringLiteral("-w"), QStringLiteral("stop")});
        failure_ = QStringLiteral("stopped");
    }
}

QString PostgresServer::Conninfo(const QString& role, const QString& database) const {
    return QStringLiteral("host=%1 port=%2 user=%3 dbname=%4")
        .arg(folder_.path())
        .arg(port_)
        .arg(role, database);
}

QString PostgresServer::LoopbackConninfo(const QString& database) const {
    return QStringLiteral("host=127.0.0.1 port=%1 user=dravik dbname=%2").arg(port_).arg(database);
}

bool PostgresServer::Exec(const QString& sql, QString* why, const QString& database) const {
    bool done = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"),
                                                    QStringLiteral("dravik-test-superuser"));
        // A new database is made from the server's first one.
        db.setConnectOptions(
            Conninfo(QStringLiteral("dravik"), sql.startsWith(QLatin1String("CREATE DATABASE"))
                                                   ? QStringLiteral("postgres")
                                                   : database));
        QSqlQuery query(db);
        done = db.open() && query.exec(sql);
        if (!done && why) {
            *why = db.isOpen() ? query.lastError().text() : db.lastError().text();
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("dravik-test-superuser"));
    return done;
}

bool PostgresServer::Run(const QString& tool, QStringList args, QString* output) const {
    QString program = QStringLiteral("/usr/lib/postgresql/15/bin/") + tool;
    if (!runAs_.isEmpty()) {
        args = QStringList{QStringLiteral("-u"), runAs_, QStringLiteral("--"), program} + args;
        program = QStringLiteral("runuser");
    }
    QProcess process;
    process.setWorkingDirectory(QDir::tempPath());
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, args);
    const bool finished = process.waitForFinished(120000);
    if (output) {
        *output = QString::fromLocal8Bit(process.readAll());
    }
    return finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}
