// dravik-create-db: shows the window that creates the empty record database beside the program.
// With --if-missing it makes the database without a window when there is none, and exits 0.
// --server CONNINFO [--copy-local], --local, --status and --send set and show where the records
// live (records/StoreCommands.h).

#include "records/Details.h"
#include "records/StoreCommands.h"
#include "records/frm99Create.h"
#include "shell/AppIdentity.h"
#include "shell/CommandLine.h"
#include "shell/Fonts.h"
#include "shell/Pages.h"
#include "shell/Platform.h"
#include "shell/SharedValues.h"
#include "workbook/Automation.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>
#include <optional>

namespace {

// This program never reaches the workbook.
class NoAutomation : public wb::System {
public:
    std::shared_ptr<wb::Document> NewDocument(const QString&) override {
        throw wb::AutomationError(wb::kErrGeneral, "no workbook in dravik-create-db");
    }
};

// The one window of this program; nothing in it touches another page.
class CreationPages : public Pages {
public:
    using Pages::Pages;

    ::frm01& frm01() override { Absent("frm01"); }
    ::frm02& frm02() override { Absent("frm02"); }
    ::frm03data& frm03data() override { Absent("frm03data"); }

    ::frm99Create& frm99Create() {
        if (!create_) {
            create_.emplace(*this);
            Made(Window::Create, *create_);
        }
        return *create_;
    }

private:
    [[noreturn]] static void Absent(const char* page) {
        qFatal("dravik-create-db has no page %s", page);
    }

    std::optional<::frm99Create> create_;
};

int CreateIfMissing(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QString path = DatabasePath(ProgramFolder());
    if (QFileInfo::exists(path)) {
        std::printf("%s exists; left unchanged.\n", qUtf8Printable(path));
        return 0;
    }
    try {
        CreateDetailsDatabase(path);
    } catch (const dao::RecordStoreError& error) {
        std::fprintf(stderr, "dravik-create-db: %s\n", qUtf8Printable(error.description()));
        return 1;
    }
    std::printf("%s created.\n", qUtf8Printable(path));
    return 0;
}

ProgramUsage CreateUsage() {
    return {QStringLiteral("dravik-create-db"),
            QStringLiteral("dravik-create-db [--if-missing | --help | --version]\n"
                           "       dravik-create-db --server CONNINFO [--copy-local]\n"
                           "       dravik-create-db --local | --status | --send"),
            QStringLiteral("dravik-create-db [--if-missing | --help | --version]\n"
                           "  or:  dravik-create-db --server CONNINFO [--copy-local]\n"
                           "  or:  dravik-create-db --local | --status | --send"),
            QStringLiteral(
                "Creates the empty record database dravik.mdb of Dravik Lumo beside the program,\n"
                "from its window with the Create DB button; an existing database is never\n"
                "overwritten. With --if-missing it makes the database without a window, only\n"
                "where there is none. It also sets where your records live: a team's\n"
                "PostgreSQL database, its tables made where they are missing, or dravik.mdb\n"
                "again; each says in one line where the records are now. Exit status: 0 when\n"
                "done, 1 when it cannot be done, 2 for a bad argument."),
            {{{QStringLiteral("if-missing")},
              {},
              QStringLiteral("make the database without a window where there is none")},
             {{QStringLiteral("server")},
              QStringLiteral("CONNINFO"),
              QStringLiteral("keep the records on the team's PostgreSQL database")},
             {{QStringLiteral("copy-local")},
              {},
              QStringLiteral("with --server: send dravik.mdb's records there too")},
             {{QStringLiteral("local")}, {}, QStringLiteral("keep the records in dravik.mdb")},
             {{QStringLiteral("status")},
              {},
              QStringLiteral("say where the records are and how many wait")},
             {{QStringLiteral("send")},
              {},
              QStringLiteral("send what waits in dravik.mdb to the team's database")}}};
}

// One of the store's commands, or nothing for the creation window.
std::optional<int> StoreCommand(CommandLine& line, int argc, char* argv[]) {
    const QStringList commands{QStringLiteral("server"), QStringLiteral("local"),
                               QStringLiteral("status"), QStringLiteral("send")};
    QStringList given;
    for (const QString& command : commands) {
        if (line.IsSet(command)) {
            given << QStringLiteral("--") + command;
        }
    }
    if (given.size() > 1 || (given.size() == 1 && line.IsSet(QStringLiteral("if-missing")))) {
        line.Refuse(QStringLiteral("%1 cannot go together")
                        .arg((line.IsSet(QStringLiteral("if-missing"))
                                  ? QStringList{QStringLiteral("--if-missing")} + given
                                  : given)
                                 .join(QStringLiteral(" and "))));
    } else if (line.IsSet(QStringLiteral("copy-local")) && !line.IsSet(QStringLiteral("server"))) {
        line.Refuse(QStringLiteral("--copy-local goes with --server"));
    }
    if (line.Ended()) {
        PrintSaid(line);
        return line.Ended();
    }
    if (given.isEmpty()) {
        return std::nullopt;
    }
    QCoreApplication app(argc, argv);
    const CommandOutcome outcome =
        line.IsSet(QStringLiteral("server"))
            ? UseServer(ProgramFolder(), line.Value(QStringLiteral("server")),
                        line.IsSet(QStringLiteral("copy-local")))
        : line.IsSet(QStringLiteral("local"))  ? UseFile(ProgramFolder())
        : line.IsSet(QStringLiteral("status")) ? StoreStatus(ProgramFolder())
                                               : SendUnsent(ProgramFolder());
    std::fprintf(outcome.status == 0 ? stdout : stderr, "%s\n",
                 outcome.line.toLocal8Bit().constData());
    return outcome.status;
}

}  // namespace

int main(int argc, char* argv[]) {
    // Before any window: --help and --version need no display.
    QStringList args;
    for (int i = 1; i < argc; ++i) {
        args << QString::fromLocal8Bit(argv[i]);
    }
    CommandLine line(CreateUsage(), args);
    if (line.Ended()) {
        PrintSaid(line);
        return *line.Ended();
    }
    if (const std::optional<int> status = StoreCommand(line, argc, argv)) {
        return *status;
    }
    if (line.IsSet(QStringLiteral("if-missing"))) {
        return CreateIfMissing(argc, argv);
    }

    QApplication app(argc, argv);
    app.setApplicationName(kAppTitle);
    app.setFont(ApplicationFont());

    QtMessageBoxes msg;
    ProcessProgramEnd end;
    NoAutomation automation;
    SystemClock clock;
    LocaleNumberFormat numbers;
    Platform platform{msg, end, automation, clock, numbers, ProgramFolder()};
    SharedValues shared;
    shared.sAppName = kAppTitle;
    CreationPages pages(platform, shared);

    pages.frm99Create().ShowPage();
    return app.exec();
}
