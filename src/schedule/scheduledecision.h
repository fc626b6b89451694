#pragma once

#include "core/inifile.h"
#include <QDateTime>

// Whether the board shows its items (On) or lies blanked behind the off-hours panel (Off).
enum class ScheduleState { On, Off };

// Decides the board's state at the local moment `now` from the timetable and holidays of
// config.ini, read afresh through `ini` with the regional settings in force.
//
// The board is Off on a listed holiday and, on other days, before the day's on time or after its
// off time (both bounds count as On, to the millisecond). Without EnableSchedule it is On.
//
// A holiday value that is not a date raises EConvertError "'<value>' is not a valid date", after
// every holiday value has been read up to the bad one; the caller then leaves the board as it is.
// Day times that do not convert fall back to 0:00 and 23:59 without complaint.
ScheduleState scheduleStateAt(const TIniFile& ini, const QDateTime& now);

// The weekday numbering of the timetable: 1 = Sunday to 7 = Saturday.
int scheduleWeekday(const QDate& date);
