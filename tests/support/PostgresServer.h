#pragma once
// A private PostgreSQL 15 server for the tests of one executable (Debian's postgresql: initdb and
// pg_ctl from /usr/lib/postgresql/15/bin), on a Unix socket in a temporary folder and on loopback
// at a free port (for the benchmarks' TCP): started at the first use, stopped when the executable
// ends. As root it runs as postgres (else nobody), since the server refuses root.
//
//   PostgresServer& server = PostgresServer::Shared();
//   server.Conninfo()                       // the database dravik, as the superuser dravik
//   server.Exec("CREATE ROLE clerk LOGIN")  // as the superuser

#include <QString>
#include <QTemporaryDir>

class PostgresServer {
public:
    static PostgresServer& Shared();
    ~PostgresServer() { Stop(); }

    // Why it is not running, for the test's failure; empty while it runs.
    const QString& Failure() const { return failure_; }
    bool Available() const { return failure_.isEmpty(); }

    QString Conninfo(const QString& role = QStringLiteral("dravik"),
                     const QString& database = QStringLiteral("dravik")) const;
    QString LoopbackConninfo(const QString& database) const;
    // SQL in a database as the superuser; false with the server's words in why.
    bool Exec(const QString& sql, QString* why = nullptr,
              const QString& database = QStringLiteral("dravik")) const;

    // As when the server goes away under the program, and comes back.
    void Stop();
    bool Start();

private:
    PostgresServer();
    bool Run(const QString& tool, QStringList args, QString* output = nullptr) const;

    QTemporaryDir folder_;
    QString runAs_;  // the unprivileged user, when the tests run as root
    int port_ = 0;
    QString failure_ = QStringLiteral("not started");
};
