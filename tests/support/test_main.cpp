// Tests run without a display: Qt draws offscreen, in the programs' own font.

#include "shell/Fonts.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    app.setFont(ApplicationFont());  // captions are checked in the font the programs use
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
