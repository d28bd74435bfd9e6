#include "records/StoreCommands.h"

#include "records/Details.h"
#include "shell/Platform.h"

#include <QDir>
#include <QFileInfo>

namespace {

CommandOutcome Failed(const dao::RecordStoreError& error, const RecordStore& store) {
    return {1, OneLine(DatabaseFailureText(error, store))};
}

// The server was not set: why, and where the records stay.
CommandOutcome NotSet(const dao::RecordStoreError& error, const RecordStore& server) {
    QString why = error.kind() == dao::RecordStoreError::Kind::Unreachable
                      ? QStringLiteral("The team's database %1 cannot be reached: %2")
                            .arg(server.Name(), ReasonOf(error))
                      : OneLine(DatabaseFailureText(error, server));
    if (!QString::fromLatin1(".?!").contains(why.back())) {
        why += u'.';
    }
    const RecordStore now = StoreOf(QFileInfo(server.file).path());
    return {1,
            why + (now.OnServer() ? QStringLiteral(" The records stay on the team's database %1.")
                                  : QStringLiteral(" The records stay in %1."))
                      .arg(now.Name())};
}

QString Records(std::int64_t count) {
    return count == 1 ? QStringLiteral("1 record") : QStringLiteral("%1 records").arg(count);
}

}  // namespace

CommandOutcome UseServer(const QString& programFolder, const QString& conninfo, bool copyLocal) {
    const RecordStore store{StoreOf(programFolder).file, conninfo};
    int copied = 0;
    StoreCount count;
    try {
        dao::Workspace workspace = dao::DBEngine::Shared().Workspaces(0);
        dao::Database server = workspace.OpenDatabase(store.Name(), store.server,
                                                      dao::ServerFormat(), CreateDetailsTable);
        copied = SendRecords(store.file, server, copyLocal);
        server.Close();
        count = CountRecords(store);
    } catch (const dao::RecordStoreError& error) {
        return NotSet(error, store);
    }
    QString why;
    if (!WriteSetting(conninfo, why)) {
        return {1, QStringLiteral("The setting could not be written: ") + why};
    }
    return {0, QStringLiteral("The records are now on the team's database %1 (%2%3).")
                   .arg(store.Name(), Records(count.records),
                        copyLocal ? QStringLiteral(", %1 copied from %2")
                                        .arg(Records(copied), QDir::toNativeSeparators(store.file))
                                  : QString())};
}

CommandOutcome UseFile(const QString& programFolder) {
    const std::optional<QString> before = ReadSetting();
    QString why;
    if (!RemoveSetting(why)) {
        return {1, QStringLiteral("The setting could not be removed: ") + why};
    }
    const RecordStore store = StoreOf(programFolder);
    return {0, QStringLiteral("The records are now in %1%2.")
                   .arg(store.Name(),
                        before ? QStringLiteral(" (the team's database was \"%1\")").arg(*before)
                               : QString())};
}

CommandOutcome StoreStatus(const QString& programFolder) {
    const RecordStore store = StoreOf(programFolder);
    try {
        const StoreCount count = CountRecords(store);
        return {0, store.OnServer()
                       ? QStringLiteral("The records are on the team's database %1: %2, %3 "
                                        "waiting in %4 to be sent.")
                             .arg(store.Name(), Records(count.records), Records(count.unsent),
                                  QDir::toNativeSeparators(store.file))
                       : QStringLiteral("The records are in %1: %2.")
                             .arg(store.Name(), Records(count.records))};
    } catch (const dao::RecordStoreError& error) {
        return Failed(error, store);
    }
}

CommandOutcome SendUnsent(const QString& programFolder) {
    const RecordStore store = StoreOf(programFolder);
    if (!store.OnServer()) {
        return {0, QStringLiteral("The records are in %1: nothing is sent.").arg(store.Name())};
    }
    try {
        dao::Workspace workspace = dao::DBEngine::Shared().Workspaces(0);
        dao::Database server =
            workspace.OpenDatabase(store.Name(), store.server, dao::ServerFormat());
        const int sent = SendRecords(store.file, server);
        return {0, QStringLiteral("The records are on the team's database %1: %2 sent now.")
                       .arg(store.Name(), Records(sent))};
    } catch (const dao::RecordStoreError& error) {
        return Failed(error, store);
    }
}
