#pragma once
// The user's own office, as every program of the user reaches it: the UNO pipe it listens on. A
// header of its own because both sides need it: the Calc backend (a module linking no program
// code) connects there, and the report program serialises its work per office.

#include <QString>

#include <unistd.h>

// The user name as it stands in the names of the user's pipes and sockets: every character other
// than an ASCII letter or digit as "_"; the user's number when no user is named.
inline QString UserNameForPipes(QString user = qEnvironmentVariable("USER")) {
    if (user.isEmpty()) {
        user = QString::number(getuid());
    }
    for (QChar& c : user) {
        if (!(c.isLetterOrNumber() && c.unicode() < 128)) {
            c = u'_';
        }
    }
    return user;
}

// "dravik_lumo_calc_<user name>".
inline QString UserOfficePipeName() {
    return QStringLiteral("dravik_lumo_calc_") + UserNameForPipes();
}
