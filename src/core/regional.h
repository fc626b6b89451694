#pragma once

#include <QChar>
#include <QDate>
#include <QString>

// The user's regional formats that settings files and ERROR.LOG are written in. On the board they
// come from the process locale (LC_TIME for dates, times and designators, LC_NUMERIC for the
// decimal separator) and are looked up each time they are used (localeFormats()); tests hand the
// code that reads them fixed ones.
struct RegionalSettings {
    // Short date format with Windows-style letters: d, M, y (for example "M/d/yyyy", "dd.MM.yyyy").
    QString shortDateFormat = QStringLiteral("M/d/yyyy");
    QChar dateSeparator = u'/';
    QChar timeSeparator = u':';
    QChar decimalSeparator = u'.';
    QString amDesignator = QStringLiteral("AM");
    QString pmDesignator = QStringLiteral("PM");

    // The settings of the process locale as it is now; the C and POSIX locales give the defaults
    // above.
    static RegionalSettings fromLocale();

    // A date in the short date format, for example 12/8/2014 or 08.12.2014.
    QString formatShortDate(const QDate& date) const;
};

// Where the regional formats in force come from.
class TRegionalFormats {
  public:
    virtual ~TRegionalFormats() = default;
    virtual RegionalSettings current() const = 0;
};

// Those of the process locale as it is at each call; it lives as long as the program.
const TRegionalFormats& localeFormats();

// Formats that stay as they are set.
class TFixedRegionalFormats : public TRegionalFormats {
  public:
    explicit TFixedRegionalFormats(RegionalSettings settings = {})
        : settings(std::move(settings)) {}
    RegionalSettings current() const override { return settings; }

    RegionalSettings settings;
};
