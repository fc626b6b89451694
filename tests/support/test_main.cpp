#include "presentation/webenginesetup.h"
#include <QApplication>
#include <gtest/gtest.h>

// Widgets, timers and the event loop need an application object for the whole test run. Without a
// display of its own (test discovery at build time, for one) it draws offscreen.
int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    prepareWebEngineOpenGL(); // as the board does, for the test that loads the web engine
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
