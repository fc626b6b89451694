#include "core/errors.h"
#include "core/regional.h"
#include "schedule/scheduletick.h"
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class FakeScheduleHost : public ScheduleHost {
  public:
    QStringList calls;
    bool blank = false;
    int readyCalls = 0;
    bool blankShown() const override { return blank; }
    void hideBlank() override {
        blank = false;
        calls << "blank hidden";
    }
    void showBlank(const QString& text) override {
        blank = true;
        calls << "blank " + text;
    }
    void setSlideTimer(bool enabled) override { calls << (enabled ? "timer on" : "timer off"); }
    void boardReady() override { ++readyCalls; }
};

// 7 December 2026 is a Monday.
QDateTime monday(int h, int m) {
    return QDateTime(QDate(2026, 12, 7), QTime(h, m));
}

class ScheduleTick : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        write("[SCHEDULE]\nEnableSchedule=1\nMonOn=9:00am\nMonOff=5:00pm\n"
              "OffScheduleText=Back at nine\n");
    }
    void write(const QByteArray& text) {
        QFile f(config.FileName());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
    }
    void tick(const QDateTime& now) {
        host.calls.clear();
        scheduleTick(host, config, now);
    }

    QTemporaryDir dir;
    const TFixedRegionalFormats regional;
    TIniFile config{dir.filePath(QStringLiteral("config.ini")), systemClock(), regional};
    FakeScheduleHost host;
};

} // namespace

TEST_F(ScheduleTick, OutsideTheTimetableTheBlankScreenCoversTheShow) {
    tick(monday(8, 59));
    EXPECT_EQ(host.calls, (QStringList{"blank Back at nine", "timer off"}));
    tick(monday(9, 0));
    EXPECT_EQ(host.calls, (QStringList{"blank hidden", "timer on"}));
    tick(monday(17, 30));
    EXPECT_EQ(host.calls, (QStringList{"blank Back at nine", "timer off"}));
}

TEST_F(ScheduleTick, ABadHolidayChangesNothing) {
    write("[SCHEDULE]\nEnableSchedule=1\nMonOn=9:00am\nMonOff=5:00pm\n"
          "[HOLIDAYS]\nHoliday1=not a date\n");
    host.blank = true;
    EXPECT_THROW(tick(monday(12, 0)), EConvertError);
    EXPECT_TRUE(host.calls.isEmpty());
}

TEST_F(ScheduleTick, EveryTickTellsThatTheBoardIsUpEvenWithNothingToShow) {
    tick(monday(8, 0));
    tick(monday(12, 0));
    EXPECT_EQ(host.readyCalls, 2);
    // A timetable that cannot be read stops the tick, not the board.
    write("[SCHEDULE]\nEnableSchedule=1\nMonOn=9:00am\nMonOff=5:00pm\n"
          "[HOLIDAYS]\nHoliday1=not a date\n");
    EXPECT_THROW(tick(monday(12, 0)), EConvertError);
    EXPECT_EQ(host.readyCalls, 3);
}
