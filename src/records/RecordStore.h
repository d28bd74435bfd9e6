#pragma once
// Where the customers' records live: the file dravik.mdb beside the program, or, where the user
// has set one up for a team, a PostgreSQL server, with the file as the outbox of the saves that
// could not reach it. The setting is the user's own (records.conf) and holds a connection string
// in libpq's forms, never a password: libpq's own files and sign-ins give those.

#include <QString>

#include <optional>

struct RecordStore {
    QString file;    // dravik.mdb in the program's folder
    QString server;  // the team's connection string; empty: the file is the store

    bool OnServer() const { return !server.isEmpty(); }
    // How messages name the store: the file's path, or the server ("host/database", the service).
    QString Name() const;
};

// The store of this user, read from the setting at each operation.
RecordStore StoreOf(const QString& programFolder);
// A server's connection string as messages name it.
QString ServerName(const QString& conninfo);

// $XDG_CONFIG_HOME/dravik-lumo/records.conf (~/.config/dravik-lumo/records.conf).
QString SettingPath();
// The connection string set, or nothing.
std::optional<QString> ReadSetting();
// Sets it (mode 0600) or takes it away; false with why when the file cannot be written.
bool WriteSetting(const QString& conninfo, QString& why);
bool RemoveSetting(QString& why);
