// dravik-create-db: shows the window that creates the empty record database beside the program.
// With --if-missing it makes the database without a window when there is none, and exits 0.

#include "records/Details.h"
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
            QStringLiteral("dravik-create-db [--if-missing | --help | --version]"),
            {},
            QStringLiteral(
                "Creates the empty record database dravik.mdb of Dravik Lumo beside the program,\n"
                "from its window with the Create DB button; an existing database is never\n"
                "overwritten. With --if-missing it makes the database without a window, only\n"
                "where there is none. Exit status: 0 when the database is there, 1 when it\n"
                "cannot be made, 2 for a bad argument."),
            {{{QStringLiteral("if-missing")},
              {},
              QStringLiteral("make the database without a window, only where there is none")}}};
}

}  // namespace

int main(int argc, char* argv[]) {
    // Before any window: --help and --version need no display.
    QStringList args;
    for (int i = 1; i < argc; ++i) {
        args << QString::fromLocal8Bit(argv[i]);
    }
    const CommandLine line(CreateUsage(), args);
    if (line.Ended()) {
        PrintSaid(line);
        return *line.Ended();
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
