// One program per user, with two real processes: this test is the running program, the built
// dravik-lumo the second start. Another user's listener is never asked, and no listener holds a
// start for more than about a second.

#include "Listener.h"
#include "TestApp.h"
#include "app/SingleInstance.h"
#include "workbook/UserOffice.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

// A socket left by a crash is taken over; a second start while a message box is up (whose own
// event loop answers) brings the running program's window to the front and ends with 0.
TEST(SingleInstance, ASecondStartBringsTheRunningProgramToTheFrontAndEnds) {
    const QString path = SingleInstancePath();
    EXPECT_EQ(path,
              qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/dravik-lumo/instance"));
    struct stat folder {};
    ASSERT_EQ(::stat(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), &folder), 0);
    EXPECT_EQ(folder.st_mode & 0777, 0700u);
    ::close(ListenAt(path));  // what a crashed program leaves

    TestApp app;
    SingleInstance running(path);
    ASSERT_EQ(running.Claim(), SingleInstance::Start::Running);
    app.pages.StartUp();
    int shows = 0;
    running.SetShow([&] {
        ++shows;
        return app.pages.BringToFront();
    });

    QProcess second;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
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
    running.Release();
}

// A listener that answers slowly holds a start for a second at most; one of another user is not
// asked at all, however it answers; a signal ends the exchange at once.
TEST(SingleInstance, NoListenerHoldsAStartAndAnotherUsersIsNeverAsked) {
    QTemporaryDir shared;
    ASSERT_EQ(::chmod(QFile::encodeName(shared.path()).constData(), 01777), 0);
    const QString own = shared.filePath(QStringLiteral("own"));
    const pid_t dripping = StartListener(own, ::getuid(), "shown frm01\n", 5000);
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(SingleInstance::AskToShow(own), QString());  // a program, busy: it stays the one
    EXPECT_LT(clock.elapsed(), 2000);
    clock.restart();
    EXPECT_EQ(SingleInstance(own).Claim([] { return true; }), SingleInstance::Start::Stopped);
    EXPECT_LT(clock.elapsed(), 500);
    EndListener(dripping);

    if (::geteuid() != 0) {
        GTEST_SKIP() << "another user's listener needs root";
    }
    const QString theirs = shared.filePath(QStringLiteral("theirs"));
    const pid_t other = StartListener(theirs, 65534, "shown frm01\n");
    EXPECT_EQ(OwnerOfSocket(theirs), SocketOwner::Foreign);
    EXPECT_EQ(SingleInstance::AskToShow(theirs), std::nullopt);
    EndListener(other);
}

}  // namespace
