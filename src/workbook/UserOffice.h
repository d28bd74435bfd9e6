#pragma once
// The user's own office as every program of the user reaches it: the UNO pipe it listens on, and
// the folder only this user can enter, which keeps the names of the user's pipes and sockets. A
// name another local user could predict, they could take first (a listener of theirs under it),
// so the office's pipe carries a random part kept in that folder. A room of its own because the
// Calc backend (a module linking no program code) is built with it too.

#include <QProcessEnvironment>
#include <QString>

// The user name as it stands in the names of the user's pipes and sockets: every character other
// than an ASCII letter or digit as "_", at most 32 of them; the user's number when no user is
// named.
QString UserNameForPipes(QString user = qEnvironmentVariable("USER"));

// The folder of this user's alone (mode 0700): $XDG_RUNTIME_DIR/dravik-lumo, or
// $XDG_CACHE_HOME/dravik-lumo (~/.cache/dravik-lumo) where no runtime folder is set. Made when
// missing; empty text when it cannot be made or is not the user's own.
QString PrivateFolder();

// "dravik_lumo_calc_<user name>_<random part>", the random part kept in the private folder (made
// at the first use): every program of the user meets the same office.
QString UserOfficePipeName();
// The same with a new random part, for a name another user has taken.
QString RenewUserOfficePipeName();

// Who listens at a local socket: nobody (no socket there), this user (a socket, not a link,
// owned by the user, whose listening peer is the user), or anyone else.
enum class SocketOwner { Nobody, ThisUser, Foreign };
SocketOwner OwnerOfSocket(const QString& path);
// The socket file of the office's pipe of that name.
QString OfficePipePath(const QString& pipeName);

// The environment an office is started in: the given one, with a UTF-8 character set where the
// given locale is none or is not installed (LANG unset, as under cron or su -, or naming a locale
// the machine lacks). The office would read paths and URLs with non-ASCII characters (a home
// folder with "ü") in ASCII otherwise, and with a missing locale does not start at all.
QProcessEnvironment OfficeEnvironment(QProcessEnvironment environment);
