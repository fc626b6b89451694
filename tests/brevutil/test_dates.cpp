#include "brevutil/brevutil.h"
#include <QDate>
#include <QLocale>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

double dayCount(const QDate& date) {
    return double(QDate(1899, 12, 30).daysTo(date));
}

struct LocaleGuard {
    LocaleGuard() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }
    ~LocaleGuard() { QLocale::setDefault(QLocale::c()); }
};

} // namespace

TEST(BrevUtilDates, DayNamesAreEnglishWhateverTheLocaleAndFollowTheDatePart) {
    LocaleGuard german;
    TBrevUtil u;
    // 3 March 2024 was a Sunday.
    const QStringList week{"Sunday",   "Monday", "Tuesday", "Wednesday",
                           "Thursday", "Friday", "Saturday"};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(u.WeekDayof(dayCount(QDate(2024, 3, 3).addDays(i)) + 0.75), week[i]);
    // Day 0 is Saturday 30 December 1899; the fraction is the time of that day, also below 0.
    EXPECT_EQ(u.WeekDayof(0.999), QStringLiteral("Saturday"));
    EXPECT_EQ(u.WeekDayof(-0.5), QStringLiteral("Saturday"));
    EXPECT_EQ(u.WeekDayof(-1.25), QStringLiteral("Friday"));
    EXPECT_EQ(u.WeekDayof(dayCount(QDate(1, 1, 1))), QStringLiteral("Monday"));
}

TEST(BrevUtilDates, MonthNamesAreEnglishWhateverTheLocale) {
    LocaleGuard german;
    TBrevUtil u;
    const QStringList months{"January", "February", "March",     "April",   "May",      "June",
                             "July",    "August",   "September", "October", "November", "December"};
    for (int m = 1; m <= 12; ++m)
        EXPECT_EQ(u.NameofMonth(dayCount(QDate(2021, m, 28)) + 0.5), months[m - 1]);
    EXPECT_EQ(u.NameofMonth(-0.9), QStringLiteral("December"));
    EXPECT_EQ(u.NameofMonth(dayCount(QDate(9999, 12, 31))), QStringLiteral("December"));
}

TEST(BrevUtilDates, ValuesOutsideTheCalendarGiveNoName) {
    TBrevUtil u;
    for (double bad : {std::nan(""), std::numeric_limits<double>::infinity(), 1e300,
                       dayCount(QDate(1, 1, 1)) - 1, dayCount(QDate(9999, 12, 31)) + 1}) {
        EXPECT_EQ(u.WeekDayof(bad), QString()) << bad;
        EXPECT_EQ(u.NameofMonth(bad), QString()) << bad;
    }
}
