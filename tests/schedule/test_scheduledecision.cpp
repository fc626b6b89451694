#include "core/errors.h"
#include "core/regional.h"
#include "schedule/scheduledecision.h"
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// 6 December 2026 is a Sunday; the week runs on to Saturday 12 December.
QDateTime at(int day, int h, int m, int s = 0, int ms = 0, int month = 12, int year = 2026) {
    return QDateTime(QDate(year, month, day), QTime(h, m, s, ms));
}

class ScheduleDecision : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    const TIniFile& write(const QByteArray& text) {
        QFile f(ini.FileName());
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
        return ini;
    }

    ScheduleState stateAt(const QDateTime& now) { return scheduleStateAt(ini, now); }

    // The message of the conversion error raised at `now`, or empty when none is raised.
    std::string errorAt(const QDateTime& now) {
        try {
            scheduleStateAt(ini, now);
        } catch (const EConvertError& e) {
            return e.what();
        }
        return {};
    }

    QTemporaryDir dir;
    TFixedRegionalFormats regional;
    TIniFile ini{dir.filePath(QStringLiteral("config.ini")), systemClock(), regional};
};

constexpr auto On = ScheduleState::On;
constexpr auto Off = ScheduleState::Off;

} // namespace

TEST_F(ScheduleDecision, WithoutTheScheduleTheBoardIsAlwaysOn) {
    // No file, no key, the key at 0: holidays and hours are not even looked at.
    EXPECT_EQ(stateAt(at(7, 23, 59, 30)), On);
    write("[SCHEDULE]\nEnableSchedule=0\nMonOn=9:00am\nMonOff=10:00am\n"
          "[HOLIDAYS]\nxmas=12/7/2026\nbad=not a date\n");
    EXPECT_EQ(stateAt(at(7, 3, 0)), On);
    EXPECT_EQ(errorAt(at(7, 3, 0)), "");
}

TEST_F(ScheduleDecision, ADayWithoutKeysIsOnUpToAndIncluding2359) {
    write("[SCHEDULE]\nEnableSchedule=1\n");
    EXPECT_EQ(stateAt(at(9, 0, 0)), On);
    EXPECT_EQ(stateAt(at(9, 12, 0)), On);
    EXPECT_EQ(stateAt(at(9, 23, 59, 0, 0)), On);
    EXPECT_EQ(stateAt(at(9, 23, 59, 0, 1)), Off);
    EXPECT_EQ(stateAt(at(9, 23, 59, 59, 999)), Off);
}

TEST_F(ScheduleDecision, BothBoundsOfTheWindowAreOn) {
    write("[schedule]\nEnableSchedule=1\nTueOn=8:00am\nTueOff=5:30pm\n");
    EXPECT_EQ(stateAt(at(8, 7, 59, 59, 999)), Off);
    EXPECT_EQ(stateAt(at(8, 8, 0)), On);
    EXPECT_EQ(stateAt(at(8, 17, 30, 0, 0)), On);
    EXPECT_EQ(stateAt(at(8, 17, 30, 0, 1)), Off);
    // Another day keeps its own (default) window.
    EXPECT_EQ(stateAt(at(9, 7, 0)), On);
}

TEST_F(ScheduleDecision, EachWeekdayReadsItsOwnPairOfKeys) {
    // Day n (1 = Sunday) is on from n o'clock to n:30 only.
    write("[SCHEDULE]\nEnableSchedule=1\n"
          "SunOn=1:00\nSunOff=1:30\nMonOn=2:00\nMonOff=2:30\nTueOn=3:00\nTueOff=3:30\n"
          "WedOn=4:00\nWedOff=4:30\nThuOn=5:00\nThuOff=5:30\nFriOn=6:00\nFriOff=6:30\n"
          "SatOn=7:00\nSatOff=7:30\n");
    for (int weekday = 1; weekday <= 7; ++weekday) {
        const int day = 5 + weekday;
        ASSERT_EQ(scheduleWeekday(QDate(2026, 12, day)), weekday);
        for (int hour = 1; hour <= 7; ++hour)
            EXPECT_EQ(stateAt(at(day, hour, 15)), hour == weekday ? On : Off)
                << "weekday " << weekday << " at " << hour << ":15";
    }
}

TEST_F(ScheduleDecision, AnOvernightWindowMakesTheWholeDayOff) {
    write("[SCHEDULE]\nEnableSchedule=1\nWedOn=10:00pm\nWedOff=6:00am\n");
    for (int hour : {0, 3, 6, 12, 22, 23})
        EXPECT_EQ(stateAt(at(9, hour, 0)), Off) << hour;
}

TEST_F(ScheduleDecision, TimesThatDoNotConvertFallBackToTheDefaults) {
    write("[SCHEDULE]\nEnableSchedule=1\nThuOn=25:00\nThuOff=13:00pm\n"
          "FriOn=\nFriOff=noon\n");
    for (int day : {10, 11}) {
        EXPECT_EQ(stateAt(at(day, 0, 0)), On);
        EXPECT_EQ(stateAt(at(day, 23, 59)), On);
        EXPECT_EQ(stateAt(at(day, 23, 59, 30)), Off);
        EXPECT_EQ(errorAt(at(day, 12, 0)), "");
    }
}

TEST_F(ScheduleDecision, AHolidayBlanksTheWholeDayWhateverItsHours) {
    write("[SCHEDULE]\nEnableSchedule=1\n[HOLIDAYS]\nfirst=12/8/2026\nsecond=12/10/2026\n"
          "other=1/1/2027\n");
    for (int hour : {0, 8, 12, 23}) {
        EXPECT_EQ(stateAt(at(8, hour, 0)), Off);
        EXPECT_EQ(stateAt(at(10, hour, 0)), Off);
        EXPECT_EQ(stateAt(at(9, hour, 0)), On);
    }
    EXPECT_EQ(stateAt(at(1, 12, 0, 0, 0, 1, 2027)), Off);
    // The same day of another year is not a holiday when the year is written.
    EXPECT_EQ(stateAt(at(8, 12, 0, 0, 0, 12, 2027)), On);
}

TEST_F(ScheduleDecision, AHolidayWithoutAYearFallsOnThatDayEveryYear) {
    write("[SCHEDULE]\nEnableSchedule=1\n[HOLIDAYS]\nChristmas=12/25\n");
    for (int year : {2026, 2031, 2044}) {
        EXPECT_EQ(stateAt(at(25, 12, 0, 0, 0, 12, year)), Off) << year;
        EXPECT_EQ(stateAt(at(24, 12, 0, 0, 0, 12, year)), On) << year;
    }
}

TEST_F(ScheduleDecision, HolidaysAreReadInTheRegionalDateFormat) {
    RegionalSettings german;
    german.shortDateFormat = QStringLiteral("dd.MM.yyyy");
    german.dateSeparator = u'.';
    regional.settings = german;
    write("[SCHEDULE]\nEnableSchedule=1\n[HOLIDAYS]\na=07.12.2026\n");
    EXPECT_EQ(stateAt(at(7, 12, 0)), Off);
    EXPECT_EQ(stateAt(at(12, 7, 0)), On);
}

TEST_F(ScheduleDecision, AHolidayThatIsNotADateIsReportedEvenAfterAMatch) {
    write("[SCHEDULE]\nEnableSchedule=1\n[HOLIDAYS]\ntoday=12/9/2026\nbroken=31/31/2026\n");
    EXPECT_EQ(errorAt(at(9, 12, 0)), "'31/31/2026' is not a valid date");
    EXPECT_EQ(errorAt(at(10, 12, 0)), "'31/31/2026' is not a valid date");
    write("[SCHEDULE]\nEnableSchedule=1\n[HOLIDAYS]\nempty=\n");
    EXPECT_EQ(errorAt(at(10, 12, 0)), "'' is not a valid date");
}

TEST_F(ScheduleDecision, WithoutAColonInTheRegionTheDefaultHoursCannotBeRead) {
    RegionalSettings dotted;
    dotted.timeSeparator = u'.';
    regional.settings = dotted;
    write("[SCHEDULE]\nEnableSchedule=1\n[HOLIDAYS]\na=12/25/2026\n");
    EXPECT_EQ(errorAt(at(24, 12, 0)), "'12:00am' is not a valid time");
    // A holiday decides before the hours are read.
    EXPECT_EQ(stateAt(at(25, 12, 0)), Off);
}

TEST_F(ScheduleDecision, AChangedFileCountsAtTheNextDecision) {
    write("[SCHEDULE]\nEnableSchedule=1\n");
    const QDateTime noon = at(11, 12, 0);
    EXPECT_EQ(stateAt(noon), On);
    write("[SCHEDULE]\nEnableSchedule=1\n[HOLIDAYS]\nh=12/11/2026\n");
    EXPECT_EQ(stateAt(noon), Off);
    write("[SCHEDULE]\nEnableSchedule=1\nFriOn=1:00pm\n");
    EXPECT_EQ(stateAt(noon), Off);
    write("[SCHEDULE]\nEnableSchedule=0\nFriOn=1:00pm\n");
    EXPECT_EQ(stateAt(noon), On);
}
