#include "app/SingleInstance.h"

#include "workbook/UserOffice.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>

namespace {

const QByteArray kShowRequest = "show\n";
const QByteArray kShownReply = "shown ";
// A socket's whole path must fit the system's sockaddr_un.
constexpr int kLongestSocketPath = 100;

// Waits in short steps, so that a signal ends the wait at once.
template <class Done>
bool WaitUntil(QDeadlineTimer deadline, const std::function<bool()>& stopped, Done done) {
    while (!done()) {
        if (deadline.hasExpired() || (stopped && stopped())) {
            return false;
        }
    }
    return true;
}

}  // namespace

QString SingleInstancePath() {
    const QString folder = PrivateFolder();
    const QString inside = QDir(folder).filePath(QStringLiteral("instance"));
    if (!folder.isEmpty() && QFile::encodeName(inside).size() <= kLongestSocketPath) {
        return inside;
    }
    return QDir(QDir::tempPath()).filePath(UserOfficePipeName() + QStringLiteral(".instance"));
}

SingleInstance::SingleInstance(QString path, QObject* parent)
    : QObject(parent), path_(std::move(path)) {}

SingleInstance::~SingleInstance() = default;

SingleInstance::Start SingleInstance::Claim(const std::function<bool()>& stopped) {
    // Two starts at the same moment must not both find nobody and both listen: the look and the
    // listen are one step under a lock file beside the socket (one a crashed program left is
    // taken over).
    QLockFile lock(path_ + QStringLiteral(".lock"));
    lock.setStaleLockTime(0);
    const QDeadlineTimer deadline(2000);
    if (!WaitUntil(deadline, stopped, [&] { return lock.tryLock(50); }) && stopped && stopped()) {
        return Start::Stopped;
    }
    const bool answered = AskToShow(path_, stopped).has_value();
    if (stopped && stopped()) {
        return Start::Stopped;
    }
    if (answered) {
        return Start::Elsewhere;
    }
    // Nobody of this user answered: a socket still there is a crashed program's.
    if (OwnerOfSocket(path_) != SocketOwner::Foreign) {
        QLocalServer::removeServer(path_);
    }
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, &SingleInstance::Answer);
    // Should listening fail (no folder to put the socket in), the program still runs.
    server_->listen(path_);
    return Start::Running;
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

std::optional<QString> SingleInstance::AskToShow(const QString& path,
                                                 const std::function<bool()>& stopped, int waitMs) {
    // Only a listener of this user's own is a running program: another user's is never asked.
    if (OwnerOfSocket(path) != SocketOwner::ThisUser) {
        return std::nullopt;
    }
    const QDeadlineTimer deadline(waitMs);
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!WaitUntil(deadline, stopped, [&] { return socket.waitForConnected(50); })) {
        return std::nullopt;
    }
    socket.write(kShowRequest);
    socket.flush();
    // A program answers from its event loop, also while a message box is up; one that is busy
    // with the office answers later, and is the running program all the same.
    WaitUntil(deadline, stopped, [&] {
        return socket.canReadLine() || socket.state() != QLocalSocket::ConnectedState ||
               (socket.waitForReadyRead(50) && socket.canReadLine());
    });
    const QByteArray reply = socket.canReadLine() ? socket.readLine().trimmed() : QByteArray();
    if (!reply.startsWith(kShownReply.trimmed())) {
        return QString();
    }
    return QString::fromUtf8(reply.mid(kShownReply.size()));
}
