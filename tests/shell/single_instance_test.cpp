// One program per user, with real processes: a second start hands over to the running program
// (here this test, with a message box up) and ends with 0; a socket left by a crash does not
// stop a start; SIGTERM at the splash ends the program as closing the splash does.

#include "TestApp.h"
#include "shell/SingleInstance.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <csignal>
#include <cstring>

namespace {

// The real program, copied alone into a folder of its own: without the Calc module beside it, it
// can start no office.
class RealProgram {
public:
    explicit RealProgram(const QString& user) {
        const QString built = QDir(QStringLiteral(DRAVIK_BUILT_BIN_DIR)).filePath("dravik-lumo");
        program_ = QDir(folder_.path()).filePath("dravik-lumo");
        copied_ = QFile::copy(built, program_);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("USER", user);
        env.insert("HOME", folder_.path());
        env.insert("QT_QPA_PLATFORM", "offscreen");
        process.setProcessEnvironment(env);
    }
    bool Start() {
        process.start(program_, {});
        return copied_ && process.waitForStarted();
    }
    QProcess process;

private:
    QTemporaryDir folder_;
    QString program_;
    bool copied_ = false;
};

TEST(SingleInstance, ASecondStartBringsTheRunningProgramToTheFrontAndEnds) {
    const QString name = SingleInstanceName(QStringLiteral("dravik test %1").arg(getpid()));
    EXPECT_EQ(name, QStringLiteral("dravik_lumo_dravik_test_%1").arg(getpid()));
    TestApp app;
    SingleInstance running(name);
    ASSERT_TRUE(running.Claim());
    app.pages.StartUp();
    int shows = 0;
    running.SetShow([&] {
        ++shows;
        return app.pages.BringToFront();
    });

    // The second start comes while a message box is up, whose own event loop must answer.
    RealProgram second(name.mid(QStringLiteral("dravik_lumo_").size()));
    app.msg.onShow = [&] {
        ASSERT_TRUE(second.Start());
        QEventLoop box;
        QObject::connect(&second.process, &QProcess::finished, &box, &QEventLoop::quit);
        box.exec();
    };
    app.msg.Expect("Please make a selection", kStyleExclamation, "Dravik Lumo");
    app.platform.msg.MsgBox("Please make a selection", kStyleExclamation);
    EXPECT_EQ(second.process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.process.exitCode(), kExitNormal);
    EXPECT_EQ(shows, 1);
}

TEST(SingleInstance, ACrashedProgramsSocketIsTakenOverAndSigtermAtTheSplashEndsWithZero) {
    const QString user = QStringLiteral("dravik_crash_%1").arg(getpid());
    const QString name = SingleInstanceName(user);
    // A socket nobody listens on, as a program killed outright leaves it.
    const QByteArray path = QDir(QDir::tempPath()).filePath(name).toLocal8Bit();
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.constData(), sizeof address.sun_path - 1);
    ::unlink(path.constData());
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
    ASSERT_FALSE(SingleInstance::AskToShow(name));

    RealProgram program(user);
    ASSERT_TRUE(program.Start());
    std::optional<QString> shown;
    for (int tries = 0; tries < 100 && !shown; ++tries) {
        QThread::msleep(100);
        shown = SingleInstance::AskToShow(name);
    }
    EXPECT_EQ(shown, QStringLiteral("frm00Splash"));
    ::kill(static_cast<pid_t>(program.process.processId()), SIGTERM);
    ASSERT_TRUE(program.process.waitForFinished(10000));
    EXPECT_EQ(program.process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.process.exitCode(), kExitNormal);
}

}  // namespace
