#pragma once

#include "core/regional.h"
#include <QDateTime>
#include <optional>

// Date-time values: days since 30 December 1899 at 00:00, the time of day as the fraction.
using TDateTime = double;

TDateTime dateToDateTime(const QDate& date);
// The date part of a value, and the value of a local date and time.
QDate dateTimeToDate(TDateTime value);
TDateTime toDateTime(const QDateTime& moment);

// Conversions of a text by the regional rules. currentYear supplies the year for a date written
// without one and the centre of the window for two-digit years. Each returns nothing when the text
// does not convert.
std::optional<TDateTime> tryStrToDate(const QString& text, const RegionalSettings& regional,
                                      int currentYear);
std::optional<TDateTime> tryStrToTime(const QString& text, const RegionalSettings& regional);
std::optional<TDateTime> tryStrToDateTime(const QString& text, const RegionalSettings& regional,
                                          int currentYear);

// The same conversions for texts that must convert: one that does not raises EConvertError
// "'<text>' is not a valid date" (or time).
TDateTime StrToDate(const QString& text, const RegionalSettings& regional, int currentYear);
TDateTime StrToTime(const QString& text, const RegionalSettings& regional);
