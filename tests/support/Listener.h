#pragma once
// A listener on a local socket in a child process, as another local user (or this one) could put
// one where a program of the user looks: it answers every connection with a reply, a byte at a
// time, and counts nothing it is told.

#include <QFile>
#include <QFileInfo>
#include <QString>

#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cstring>

// A socket bound at path and listening.
inline int ListenAt(const QString& path) {
    sockaddr_un address{AF_UNIX, {}};
    std::strncpy(address.sun_path, QFile::encodeName(path).constData(),
                 sizeof address.sun_path - 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, 4) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// The child listening at path as uid, answering with reply a byte every dripMs; ended by
// EndListener. Returns once the socket is there.
inline pid_t StartListener(const QString& path, uid_t uid, const QByteArray& reply,
                           int dripMs = 0) {
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(uid) != 0 || ::setuid(uid) != 0) {
            std::_Exit(1);
        }
        const int fd = ListenAt(path);
        for (int peer; fd >= 0 && (peer = ::accept(fd, nullptr, nullptr)) >= 0;) {
            for (const char c : reply) {
                ::usleep(dripMs * 1000);
                if (::write(peer, &c, 1) != 1) {
                    break;
                }
            }
        }
        std::_Exit(0);
    }
    for (int waited = 0; waited < 100 && !QFileInfo::exists(path); ++waited) {
        ::usleep(20000);
    }
    return child;
}

inline void EndListener(pid_t child) {
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
}
