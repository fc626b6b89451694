#include "core/datetimeconv.h"
#include <gtest/gtest.h>

namespace {

constexpr double oneMs = 1.0 / 86400000.0;
constexpr int year = 2026;

RegionalSettings us() {
    return RegionalSettings{};
}

RegionalSettings german() {
    RegionalSettings r;
    r.shortDateFormat = QStringLiteral("dd.MM.yyyy");
    r.dateSeparator = u'.';
    r.decimalSeparator = u',';
    r.amDesignator = QStringLiteral("vorm.");
    r.pmDesignator = QStringLiteral("nachm.");
    return r;
}

RegionalSettings iso() {
    RegionalSettings r;
    r.shortDateFormat = QStringLiteral("yyyy-MM-dd");
    r.dateSeparator = u'-';
    return r;
}

std::optional<QDate> date(const QString& text, const RegionalSettings& r = us()) {
    const auto v = tryStrToDate(text, r, year);
    if (!v)
        return std::nullopt;
    return dateTimeToDate(*v);
}

std::optional<double> time(const QString& text, const RegionalSettings& r = us()) {
    return tryStrToTime(text, r);
}

double hms(int h, int m, int s = 0, int ms = 0) {
    return (((h * 60.0 + m) * 60.0 + s) * 1000.0 + ms) / 86400000.0;
}

} // namespace

TEST(DateConversion, OrderFollowsTheShortFormat) {
    EXPECT_EQ(date(QStringLiteral("3/4/2015")), QDate(2015, 3, 4));
    RegionalSettings dayFirst;
    dayFirst.shortDateFormat = QStringLiteral("d/M/yyyy");
    EXPECT_EQ(date(QStringLiteral("3/4/2015"), dayFirst), QDate(2015, 4, 3));
    EXPECT_EQ(date(QStringLiteral("08.12.2014"), german()), QDate(2014, 12, 8));
    EXPECT_EQ(date(QStringLiteral("2014-12-08"), iso()), QDate(2014, 12, 8));
    // No d, m or y in the format: month first.
    RegionalSettings none;
    none.shortDateFormat = QStringLiteral("--");
    EXPECT_EQ(date(QStringLiteral("3/4/2015"), none), QDate(2015, 3, 4));
}

TEST(DateConversion, TwoNumbersFallInTheCurrentYear) {
    EXPECT_EQ(date(QStringLiteral("12/25")), QDate(year, 12, 25));
    EXPECT_EQ(date(QStringLiteral("25.12"), german()), QDate(year, 12, 25));
    EXPECT_EQ(date(QStringLiteral("12-25"), iso()), QDate(year, 12, 25));
}

TEST(DateConversion, ShortYearsLandInTheHundredYearWindow) {
    // 2026: from 1976 to 2075.
    EXPECT_EQ(date(QStringLiteral("1/1/75")), QDate(2075, 1, 1));
    EXPECT_EQ(date(QStringLiteral("1/1/76")), QDate(1976, 1, 1));
    EXPECT_EQ(date(QStringLiteral("1/1/05")), QDate(2005, 1, 1));
    EXPECT_EQ(date(QStringLiteral("1/1/5")), QDate(2005, 1, 1));
    // Three digits are taken as written.
    EXPECT_EQ(date(QStringLiteral("1/1/075")), QDate(75, 1, 1));
}

TEST(DateConversion, SpacesAndSeparators) {
    EXPECT_EQ(date(QStringLiteral(" 3 / 4 / 2015")), QDate(2015, 3, 4));
    EXPECT_EQ(date(QStringLiteral("3/4/2015/")), QDate(2015, 3, 4));
    EXPECT_EQ(date(QStringLiteral("3/4/2015  ")), QDate(2015, 3, 4));
}

TEST(DateConversion, RejectsWhatIsNoDate) {
    for (const char* bad : {"", "3", "13/1/2015", "2/30/2015", "3/4/2015 x", "3-4-2015", "3//4",
                            "1/1/10000", "1/1/0000", "12345/1/1", "3/4/2015/1", "a/b/c"})
        EXPECT_FALSE(date(QString::fromLatin1(bad))) << bad;
    EXPECT_EQ(date(QStringLiteral("2/29/2024")), QDate(2024, 2, 29));
    EXPECT_FALSE(date(QStringLiteral("2/29/2023")));
}

TEST(TimeConversion, TwelveAndTwentyFourHourForms) {
    EXPECT_NEAR(*time(QStringLiteral("11:59pm")), hms(23, 59), oneMs);
    EXPECT_NEAR(*time(QStringLiteral("12:00am")), 0.0, oneMs);
    EXPECT_NEAR(*time(QStringLiteral("12:30 PM")), hms(12, 30), oneMs);
    EXPECT_NEAR(*time(QStringLiteral("AM 9:15")), hms(9, 15), oneMs);
    EXPECT_NEAR(*time(QStringLiteral("9")), hms(9, 0), oneMs);
    EXPECT_NEAR(*time(QStringLiteral("23:59:00")), hms(23, 59), oneMs);
    EXPECT_NEAR(*time(QStringLiteral("23:59:59.999")), hms(23, 59, 59, 999), oneMs / 10);
    EXPECT_NEAR(*time(QStringLiteral(" 7 : 05 ")), hms(7, 5), oneMs);
    EXPECT_NEAR(*time(QStringLiteral("9:30 nachm."), german()), hms(21, 30), oneMs);
    EXPECT_NEAR(*time(QStringLiteral("1:02:03,4"), german()), hms(1, 2, 3, 4), oneMs / 10);
}

TEST(TimeConversion, RejectsOutOfRangeAndStrayText) {
    for (const char* bad : {"", "25:00", "24:00", "13:00pm", "0:00am", "12:60", "1:2:60",
                            "1:2:3.1000", "10:30 x", "10:", "pm", ":30", "10.30"})
        EXPECT_FALSE(time(QString::fromLatin1(bad))) << bad;
    // With another separator the US default texts do not convert.
    RegionalSettings dot;
    dot.timeSeparator = u'.';
    EXPECT_FALSE(time(QStringLiteral("12:00am"), dot));
}

TEST(DateTimeConversion, DateWithOrWithoutATime) {
    const double day = dateToDateTime(QDate(2015, 3, 4));
    const auto dt = [](const char* s) {
        return tryStrToDateTime(QString::fromLatin1(s), us(), year);
    };
    EXPECT_NEAR(*dt("3/4/2015 10:30"), day + hms(10, 30), oneMs);
    EXPECT_NEAR(*dt("3/4/2015 10:30pm"), day + hms(22, 30), oneMs);
    EXPECT_NEAR(*dt("3/4/2015 pm 10:30"), day + hms(22, 30), oneMs);
    // The words after the date hold no digit: the date at midnight.
    EXPECT_DOUBLE_EQ(*dt("3/4/2015 noon"), day);
    EXPECT_DOUBLE_EQ(*dt("3/4/2015"), day);
    // The only digit left is the text's very last character: ignored.
    EXPECT_DOUBLE_EQ(*dt("3/4/2015 at 9"), day);
    // A time alone lies on day 0.
    EXPECT_NEAR(*dt("10:30"), hms(10, 30), oneMs);
    EXPECT_NEAR(*dt("on 3/4/2015 10:30"), day + hms(10, 30), oneMs);
    // A time that does not convert spoils the whole value.
    EXPECT_FALSE(dt("3/4/2015 25:30"));
    EXPECT_FALSE(dt("nothing"));
}

TEST(DateTimeValues, DayCountFromTheEpoch) {
    EXPECT_DOUBLE_EQ(dateToDateTime(QDate(1899, 12, 30)), 0.0);
    EXPECT_DOUBLE_EQ(dateToDateTime(QDate(1900, 1, 1)), 2.0);
    EXPECT_EQ(dateTimeToDate(42000.75), QDate(2014, 12, 27));
    EXPECT_NEAR(toDateTime(QDateTime(QDate(2014, 12, 27), QTime(18, 0))), 42000.75, oneMs);
}

TEST(RegionalFormats, ShortDateOfTheLog) {
    EXPECT_EQ(us().formatShortDate(QDate(2014, 12, 8)), QStringLiteral("12/8/2014"));
    EXPECT_EQ(german().formatShortDate(QDate(2014, 12, 8)), QStringLiteral("08.12.2014"));
}
