#include <QApplication>
#include <gtest/gtest.h>

// Widgets, timers and the event loop need an application object for the whole test run.
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
