#ifdef TAVOREL_TESTS_LOAD_WEB_ENGINE
#include "web/webenginesetup.h"
#endif
#include <QApplication>
#include <gtest/gtest.h>

// Widgets, timers and the event loop need an application object for the whole test run. Without a
// display of its own (test discovery at build time, for one) it draws offscreen.
int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#ifdef TAVOREL_TESTS_LOAD_WEB_ENGINE
    prepareWebEngineOpenGL(); // as the board does, for the test that loads the web engine
#endif
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
