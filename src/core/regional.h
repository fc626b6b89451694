#pragma once

#include <QChar>
#include <QDate>
#include <QString>
#include <optional>

// The user's regional formats that settings files and ERROR.LOG are written in. They come from the
// process locale (LC_TIME for dates, times and designators, LC_NUMERIC for the decimal separator)
// and are looked up each time they are used, unless a test has put its own in place.
struct RegionalSettings {
    // Short date format with Windows-style letters: d, M, y (for example "M/d/yyyy", "dd.MM.yyyy").
    QString shortDateFormat = QStringLiteral("M/d/yyyy");
    QChar dateSeparator = u'/';
    QChar timeSeparator = u':';
    QChar decimalSeparator = u'.';
    QString amDesignator = QStringLiteral("AM");
    QString pmDesignator = QStringLiteral("PM");

    // The settings in force: the override when one is set, else those of the process locale.
    static RegionalSettings current();
    // The settings of the process locale as it is now; the C and POSIX locales give the defaults
    // above.
    static RegionalSettings fromLocale();
    // Puts fixed settings in place (tests); std::nullopt returns to the process locale.
    static void setOverride(std::optional<RegionalSettings> settings);

    // A date in the short date format, for example 12/8/2014 or 08.12.2014.
    QString formatShortDate(const QDate& date) const;
};
