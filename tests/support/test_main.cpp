// Tests run without a display: Qt draws offscreen, in the programs' own font; the names and
// sockets the programs keep for the user, and the user's settings, go into folders of the tests'
// own, never the user's.

#include "shell/Fonts.h"

#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    const QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    const QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    QApplication app(argc, argv);
    app.setFont(ApplicationFont());  // captions are checked in the font the programs use
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
