#include "brevutil/brevutil.h"

#include <QDate>
#include <cmath>
#include <optional>

namespace {

// The day counts of 1 January 0001 and 31 December 9999, the range of valid date-time values.
constexpr double kFirstDay = -693593;
constexpr double kLastDay = 2958465;

// The date part of a day count: the whole days, the fraction being the time of day (for a
// negative count too, where the fraction counts forward from its day's midnight).
std::optional<QDate> dateOf(double day) {
    if (!std::isfinite(day))
        return std::nullopt;
    const double whole = std::trunc(day);
    if (whole < kFirstDay || whole > kLastDay)
        return std::nullopt;
    return QDate(1899, 12, 30).addDays(static_cast<qint64>(whole));
}

} // namespace

QString TBrevUtil::WeekDayof(double day) const {
    // Indexed by ISO day number, Monday = 1.
    static const char* const names[] = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                        "Friday", "Saturday", "Sunday"};
    const std::optional<QDate> date = dateOf(day);
    return date ? QString::fromLatin1(names[date->dayOfWeek() - 1]) : QString();
}

QString TBrevUtil::NameofMonth(double day) const {
    static const char* const names[] = {"January",   "February", "March",    "April",
                                        "May",       "June",     "July",     "August",
                                        "September", "October",  "November", "December"};
    const std::optional<QDate> date = dateOf(day);
    return date ? QString::fromLatin1(names[date->month() - 1]) : QString();
}
