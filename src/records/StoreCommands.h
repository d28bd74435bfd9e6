#pragma once
// dravik-create-db's commands for where the records live: a team's server (its tables made where
// they are missing), back to the file, the store in use with its counts, and the sending of what
// waits in the file. Each says in one line what the store is now, or why not.

#include <QString>

struct CommandOutcome {
    int status;    // 0 done, 1 failed
    QString line;  // what to print: on standard output when done, else on standard error
};

// The team's server of conninfo becomes the store; with copyLocal every record of the file
// goes there too, once each by its id.
CommandOutcome UseServer(const QString& programFolder, const QString& conninfo, bool copyLocal);
// The file becomes the store again; the setting's old value is said.
CommandOutcome UseFile(const QString& programFolder);
// The store in use, its records and the file's records waiting to be sent.
CommandOutcome StoreStatus(const QString& programFolder);
// What waits in the file goes to the server now.
CommandOutcome SendUnsent(const QString& programFolder);
