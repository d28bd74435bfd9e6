// One program per user, with two real processes: this test is the running program, the built
// dravik-lumo the second start.

#include "TestApp.h"
#include "app/SingleInstance.h"

#include <QDir>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <cstring>

namespace {

// A socket left by a crash is taken over; a second start while a message box is up (whose own
// event loop answers) brings the running program's window to the front and ends with 0.
TEST(SingleInstance, ASecondStartBringsTheRunningProgramToTheFrontAndEnds) {
    const QString user = QStringLiteral("dravik test %1").arg(getpid());
    const QString name = SingleInstanceName(user);
    EXPECT_EQ(name, QStringLiteral("dravik_lumo_dravik_test_%1").arg(getpid()));
    sockaddr_un address{AF_UNIX, {}};
    std::strncpy(address.sun_path, QDir(QDir::tempPath()).filePath(name).toLocal8Bit().constData(),
                 sizeof address.sun_path - 1);
    const int crashed = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(::bind(crashed, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(crashed);

    TestApp app;
    SingleInstance running(name);
    ASSERT_TRUE(running.Claim());
    app.pages.StartUp();
    int shows = 0;
    running.SetShow([&] {
        ++shows;
        return app.pages.BringToFront();
    });

    QProcess second;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("USER", user);
    env.insert("QT_QPA_PLATFORM", "offscreen");
    second.setProcessEnvironment(env);
    app.msg.onShow = [&] {
        second.start(QDir(QStringLiteral(DRAVIK_BUILT_BIN_DIR)).filePath("dravik-lumo"), {});
        QEventLoop box;
        QObject::connect(&second, &QProcess::finished, &box, &QEventLoop::quit);
        QTimer::singleShot(20000, &box, &QEventLoop::quit);
        box.exec();
    };
    app.msg.Expect(kMakeASelection, kStyleExclamation, kTitle);
    app.platform.msg.MsgBox(kMakeASelection, kStyleExclamation);
    if (second.state() != QProcess::NotRunning) {
        second.kill();
        second.waitForFinished();
        FAIL() << "the second start did not end";
    }
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), kExitNormal);
    EXPECT_EQ(shows, 1);
}

}  // namespace
