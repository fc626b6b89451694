#include "core/errorreport.h"
#include "core/errors.h"
#include "core/timer.h"
#include "support/eventloop.h"
#include <QThread>
#include <gtest/gtest.h>

// The margins below are wide on purpose: the checks are about which tick arrives, not about speed.

TEST(Timer, IntervalIsKeptWithinTheSystemRange) {
    EXPECT_EQ(TTimer::effectiveInterval(0), 0);
    EXPECT_EQ(TTimer::effectiveInterval(1), 10);
    EXPECT_EQ(TTimer::effectiveInterval(10), 10);
    EXPECT_EQ(TTimer::effectiveInterval(5000), 5000);
    EXPECT_EQ(TTimer::effectiveInterval(2147483647u), 2147483647);
    // -1 from a settings file arrives as 4294967295.
    EXPECT_EQ(TTimer::effectiveInterval(static_cast<std::uint32_t>(-1)), 2147483647);
}

TEST(Timer, FiresRepeatedlyWhileEnabledAndStopsWhenDisabled) {
    TTimer timer(nullptr, 50, false);
    int ticks = 0;
    timer.OnTimer = [&] { ++ticks; };
    pumpEvents(200);
    EXPECT_EQ(ticks, 0) << "a disabled timer must not fire";
    timer.setEnabled(true);
    ASSERT_TRUE(pumpUntil([&] { return ticks >= 3; }, 5000));
    timer.setEnabled(false);
    const int stopped = ticks;
    pumpEvents(200);
    EXPECT_EQ(ticks, stopped);
}

TEST(Timer, IntervalZeroNeverFires) {
    TTimer timer(nullptr, 0, true);
    int ticks = 0;
    timer.OnTimer = [&] { ++ticks; };
    pumpEvents(300);
    EXPECT_EQ(ticks, 0);
    EXPECT_TRUE(timer.Enabled());
}

TEST(Timer, EnablingAnEnabledTimerOrSettingTheSameIntervalDoesNotRestartIt) {
    TTimer timer(nullptr, 1000, true);
    int ticks = 0;
    timer.OnTimer = [&] { ++ticks; };
    pumpEvents(600);
    timer.setEnabled(true);
    timer.setInterval(1000);
    // Undisturbed, the tick comes at 1000 ms; a restart would move it to 1600 ms.
    pumpEvents(700);
    EXPECT_EQ(ticks, 1);
}

TEST(Timer, ADifferentIntervalRestartsTheCountdown) {
    TTimer timer(nullptr, 1000, true);
    int ticks = 0;
    timer.OnTimer = [&] { ++ticks; };
    pumpEvents(600);
    timer.setInterval(1001);
    // Without the restart the tick would come at 1000 ms; with it, at 1601 ms.
    pumpEvents(700);
    EXPECT_EQ(ticks, 0);
    ASSERT_TRUE(pumpUntil([&] { return ticks == 1; }, 5000));
}

TEST(Timer, AtMostOneTickWaitsWhileTheThreadIsBusy) {
    TTimer timer(nullptr, 20, true);
    int ticks = 0;
    timer.OnTimer = [&] {
        ++ticks;
        if (ticks == 1)
            QThread::msleep(300); // busy for many intervals
    };
    ASSERT_TRUE(pumpUntil([&] { return ticks >= 1; }, 5000));
    // Right after the busy handler, only one tick may be waiting.
    QCoreApplication::processEvents();
    EXPECT_LE(ticks, 2);
}

TEST(Timer, AnErrorInTheHandlerIsReportedAndTheTimerRunsOn) {
    QStringList shown;
    TTimer timer(nullptr, 20, true, [&](const QString& text) { shown << text; });
    int ticks = 0;
    timer.OnTimer = [&] {
        ++ticks;
        throw EInOutError(QStringLiteral("The share is gone"));
    };
    ASSERT_TRUE(pumpUntil([&] { return ticks >= 2; }, 5000));
    timer.setEnabled(false);
    ASSERT_GE(shown.size(), 2);
    EXPECT_EQ(shown.front(), QStringLiteral("The share is gone."));
}
