#include "core/errors.h"
#include "shell/placement.h"
#include <gtest/gtest.h>

namespace {
const QList<QRect> twoMonitors{QRect(0, 0, 1920, 1080), QRect(1920, -120, 1280, 1024)};
}

TEST(Placement, CoversTheMonitorWithoutOffsetsOrSizes) {
    EXPECT_EQ(placeWindow(twoMonitors, 0, 0, 0, 0, 0), QRect(0, 0, 1920, 1080));
    EXPECT_EQ(placeWindow(twoMonitors, 1, 0, 0, 0, 0), QRect(1920, -120, 1280, 1024));
}

TEST(Placement, OffsetsMoveButNeverShrinkTheWindow) {
    EXPECT_EQ(placeWindow(twoMonitors, 0, 100, 0, 0, 0), QRect(100, 0, 1920, 1080));
    EXPECT_EQ(placeWindow(twoMonitors, 1, -10, 20, 0, 0), QRect(1910, -100, 1280, 1024));
}

TEST(Placement, SizesAreAbsoluteEvenBeyondTheMonitor) {
    EXPECT_EQ(placeWindow(twoMonitors, 0, 0, 0, 800, 600), QRect(0, 0, 800, 600));
    EXPECT_EQ(placeWindow(twoMonitors, 1, 5, 6, 3000, 2000), QRect(1925, -114, 3000, 2000));
    EXPECT_EQ(placeWindow(twoMonitors, 0, 0, 0, 800, 0), QRect(0, 0, 800, 1080));
}

TEST(Placement, MonitorNumberIsLoweredToTheLastButNegativesStay) {
    EXPECT_EQ(clampMonitor(5, 2), 1);
    EXPECT_EQ(clampMonitor(1, 2), 1);
    EXPECT_EQ(clampMonitor(0, 1), 0);
    EXPECT_EQ(clampMonitor(-1, 2), -1);
}

TEST(Placement, AMissingMonitorIsAListError) {
    try {
        placeWindow(twoMonitors, -1, 0, 0, 0, 0);
        FAIL() << "a negative monitor number must raise";
    } catch (const EListError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("List index out of bounds (-1)"));
    }
    EXPECT_THROW(placeWindow({}, 0, 0, 0, 0, 0), EListError);
}
