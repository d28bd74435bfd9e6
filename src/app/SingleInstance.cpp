#include "app/SingleInstance.h"

#include "workbook/UserOffice.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>

namespace {

const QByteArray kShowRequest = "show\n";
const QByteArray kShownReply = "shown ";

}  // namespace

QString SingleInstanceName(const QString& user) {
    return QStringLiteral("dravik_lumo_") + UserNameForPipes(user);
}

SingleInstance::SingleInstance(QString name, QObject* parent)
    : QObject(parent), name_(std::move(name)) {}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::Claim() {
    // Two starts at the same moment must not both find nobody and both listen: the look and the
    // listen are one step under a lock file (one a crashed program left is taken over).
    QLockFile lock(QDir(QDir::tempPath()).filePath(name_ + QStringLiteral(".lock")));
    lock.setStaleLockTime(0);
    lock.tryLock(10000);
    if (AskToShow(name_)) {
        return false;
    }
    // Nobody answered: a socket still there is a crashed program's.
    QLocalServer::removeServer(name_);
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, &SingleInstance::Answer);
    // Should listening fail (no temporary folder to put the socket in), the program still runs.
    server_->listen(name_);
    return true;
}

void SingleInstance::Release() {
    delete server_;
    server_ = nullptr;
}

void SingleInstance::Answer() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine()) {
                return;
            }
            if (socket->readLine() == kShowRequest) {
                const QString shown = show_ ? show_() : QString();
                socket->write(kShownReply + shown.toUtf8() + '\n');
            }
            socket->disconnectFromServer();
        });
    }
}

std::optional<QString> SingleInstance::AskToShow(const QString& name, int waitMs) {
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(2000)) {
        return std::nullopt;
    }
    socket.write(kShowRequest);
    socket.flush();
    // A program answers from its event loop, also while a message box is up; one that is busy
    // with the office answers once that is done.
    while (!socket.canReadLine() && socket.waitForReadyRead(waitMs)) {
    }
    const QByteArray reply = socket.readLine().trimmed();
    if (!reply.startsWith(kShownReply.trimmed())) {
        // Listening but silent: a program is there all the same, and it stays the one.
        return QString();
    }
    return QString::fromUtf8(reply.mid(kShownReply.size()));
}
