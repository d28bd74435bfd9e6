// The three programs' command lines as a new user tries them, on a machine without a display:
// --help and --version answer without a window, a bad argument is said in one line.

#include "shell/AppIdentity.h"

#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

namespace {

struct Ran {
    int status;
    QString out;
    QStringList errors;
};

Ran Started(const QString& program, const QStringList& args) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(QDir(QStringLiteral(DRAVIK_BUILT_BIN_DIR)).filePath(program), args);
    EXPECT_TRUE(process.waitForFinished(30000)) << program.toStdString();
    return {
        process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
        QString::fromLocal8Bit(process.readAllStandardOutput()),
        QString::fromLocal8Bit(process.readAllStandardError()).split(u'\n', Qt::SkipEmptyParts)};
}

TEST(CommandLine, EachProgramAnswersHelpAndVersionAndSaysWhatIsWrong) {
    for (const QString program : {"dravik-lumo", "dravik-toc-report", "dravik-create-db"}) {
        SCOPED_TRACE(program.toStdString());
        for (const QString help : {"--help", "-h"}) {
            const Ran ran = Started(program, {help});
            EXPECT_EQ(ran.status, 0);
            EXPECT_TRUE(ran.out.startsWith(QStringLiteral("Usage: ") + program));
            EXPECT_TRUE(ran.out.contains(QStringLiteral("\n  -h, --help ")));
            EXPECT_TRUE(ran.out.contains(QStringLiteral("\n      --version ")));
        }
        const Ran version = Started(program, {QStringLiteral("--version")});
        EXPECT_EQ(version.status, 0);
        EXPECT_EQ(version.out,
                  program + QStringLiteral(" (Dravik Lumo) ") + VersionLabel() + u'\n');

        const Ran bad = Started(program, {QStringLiteral("--colour")});
        EXPECT_EQ(bad.status, 2);
        ASSERT_GE(bad.errors.size(), 2);
        EXPECT_EQ(bad.errors[0], program + QStringLiteral(": Unknown option 'colour'."));
        EXPECT_TRUE(bad.errors[1].startsWith(QStringLiteral("usage: ") + program));
        EXPECT_TRUE(bad.out.isEmpty());
    }
}

}  // namespace
