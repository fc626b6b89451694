#include "schedule/scheduledecision.h"

#include "core/configcatalog.h"
#include "core/datetimeconv.h"
#include <QStringList>
#include <cmath>

namespace {

// Times of day compare as whole milliseconds: a fraction of a day such as 23:59 has no exact
// binary form, and a bound must match the moment it names.
qint64 msecsOfDay(TDateTime value) {
    return std::llround((value - std::floor(value)) * 86400000.0);
}

bool isHoliday(const TIniFile& ini, const QDate& today) {
    const ConfigEntry& entry = configEntry(ConfigKey::Holiday);
    const QString section = QString::fromUtf8(entry.section);
    const QString fallback = QString::fromUtf8(entry.defaultText);
    const RegionalSettings regional = ini.Regional();
    const TDateTime day = dateToDateTime(today);

    QStringList phstrings;
    ini.ReadSection(section, phstrings);
    bool phmatch = false;
    // Every entry is converted, also after a match, so a bad entry is reported on any day.
    for (const QString& name : phstrings) {
        const TDateTime tempDate =
            StrToDate(ini.ReadString(section, name, fallback), regional, today.year());
        if (tempDate == day)
            phmatch = true;
    }
    return phmatch;
}

} // namespace

int scheduleWeekday(const QDate& date) {
    // Qt counts 1 = Monday to 7 = Sunday.
    return date.dayOfWeek() % 7 + 1;
}

ScheduleState scheduleStateAt(const TIniFile& ini, const QDateTime& now) {
    if (!readConfigSwitch(ini, ConfigKey::EnableSchedule))
        return ScheduleState::On;

    const QDate today = now.date();
    if (isHoliday(ini, today))
        return ScheduleState::Off;

    const int weekday = scheduleWeekday(today);
    const qint64 ontime = msecsOfDay(readConfigTime(ini, scheduleOnKey(weekday)));
    const qint64 offtime = msecsOfDay(readConfigTime(ini, scheduleOffKey(weekday)));
    const qint64 time = now.time().msecsSinceStartOfDay();
    if (time < ontime || time > offtime)
        return ScheduleState::Off;
    return ScheduleState::On;
}
