#include "core/datetimeconv.h"

#include "core/errors.h"
#include <cmath>

namespace {

const QDate& epoch() {
    static const QDate d(1899, 12, 30);
    return d;
}

enum class DateOrder { DMY, MDY, YMD };

DateOrder dateOrder(const QString& shortFormat) {
    for (const QChar c : shortFormat) {
        const char16_t u = c.toLower().unicode();
        if (u == u'd')
            return DateOrder::DMY;
        if (u == u'm')
            return DateOrder::MDY;
        if (u == u'y' || u == u'e')
            return DateOrder::YMD;
    }
    return DateOrder::MDY;
}

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// A cursor over the text being converted.
struct Scanner {
    const QString& text;
    qsizetype pos = 0;

    bool atEnd() const { return pos >= text.size(); }
    QChar peek() const { return atEnd() ? QChar() : text[pos]; }
    void skipSpaces() {
        while (!atEnd() && text[pos] == u' ')
            ++pos;
    }
    // Up to maxDigits digits; the number of digits read goes to digits.
    std::optional<int> number(int maxDigits, int* digits = nullptr) {
        int value = 0;
        int n = 0;
        while (!atEnd() && isDigit(text[pos]) && n < maxDigits) {
            value = value * 10 + (text[pos].unicode() - u'0');
            ++pos;
            ++n;
        }
        if (digits)
            *digits = n;
        if (n == 0)
            return std::nullopt;
        // More digits than allowed: not a number of this form.
        if (!atEnd() && isDigit(text[pos]))
            return std::nullopt;
        return value;
    }
    bool onlySpacesLeft() {
        skipSpaces();
        return atEnd();
    }
    // Consumes one of the designators when it stands here; returns 1 for AM, 2 for PM, 0 else.
    int designator(const RegionalSettings& regional) {
        const QString am[] = {regional.amDesignator, QStringLiteral("AM")};
        const QString pm[] = {regional.pmDesignator, QStringLiteral("PM")};
        for (const QString& d : pm) {
            if (!d.isEmpty() && text.mid(pos, d.size()).compare(d, Qt::CaseInsensitive) == 0) {
                pos += d.size();
                return 2;
            }
        }
        for (const QString& d : am) {
            if (!d.isEmpty() && text.mid(pos, d.size()).compare(d, Qt::CaseInsensitive) == 0) {
                pos += d.size();
                return 1;
            }
        }
        return 0;
    }
};

// The numbers of a date at the scanner's position; leaves the scanner after the date.
struct DateParts {
    int numbers[3] = {0, 0, 0};
    int digits[3] = {0, 0, 0};
    int count = 0;
};

std::optional<DateParts> scanDate(Scanner& s, QChar separator) {
    DateParts parts;
    qsizetype afterLast = s.pos;
    while (parts.count < 3) {
        const qsizetype before = s.pos;
        s.skipSpaces();
        int digits = 0;
        const auto n = s.number(4, &digits);
        if (!n) {
            s.pos = before;
            break;
        }
        parts.numbers[parts.count] = *n;
        parts.digits[parts.count] = digits;
        ++parts.count;
        afterLast = s.pos;
        const qsizetype beforeSep = s.pos;
        s.skipSpaces();
        if (s.peek() != separator) {
            s.pos = beforeSep;
            break;
        }
        ++s.pos;
        afterLast = s.pos;
    }
    s.pos = afterLast;
    if (parts.count < 2)
        return std::nullopt;
    return parts;
}

std::optional<QDate> datePartsToDate(const DateParts& p, const RegionalSettings& regional,
                                     int currentYear) {
    const DateOrder order = dateOrder(regional.shortDateFormat);
    int year = currentYear;
    int month = 0;
    int day = 0;
    if (p.count == 2) {
        if (order == DateOrder::DMY) {
            day = p.numbers[0];
            month = p.numbers[1];
        } else {
            month = p.numbers[0];
            day = p.numbers[1];
        }
    } else {
        int yearDigits = 0;
        switch (order) {
        case DateOrder::DMY:
            day = p.numbers[0], month = p.numbers[1], year = p.numbers[2];
            yearDigits = p.digits[2];
            break;
        case DateOrder::MDY:
            month = p.numbers[0], day = p.numbers[1], year = p.numbers[2];
            yearDigits = p.digits[2];
            break;
        case DateOrder::YMD:
            year = p.numbers[0], month = p.numbers[1], day = p.numbers[2];
            yearDigits = p.digits[0];
            break;
        }
        if (yearDigits <= 2) {
            // The hundred years from 50 before the current year to 49 after it.
            const int low = currentYear - 50;
            int candidate = low - (low % 100 + 100) % 100 + year;
            if (candidate < low)
                candidate += 100;
            year = candidate;
        }
    }
    if (year < 1 || year > 9999 || !QDate::isValid(year, month, day))
        return std::nullopt;
    return QDate(year, month, day);
}

std::optional<TDateTime> scanTime(Scanner& s, const RegionalSettings& regional) {
    s.skipSpaces();
    int designator = s.designator(regional);
    s.skipSpaces();
    const auto hours = s.number(9);
    if (!hours)
        return std::nullopt;
    int minutes = 0, seconds = 0, millis = 0;
    auto separatorFollows = [&](QChar sep) {
        const qsizetype before = s.pos;
        s.skipSpaces();
        if (s.peek() == sep) {
            const qsizetype at = s.pos;
            ++s.pos;
            s.skipSpaces();
            if (isDigit(s.peek()))
                return true;
            s.pos = at;
        }
        s.pos = before;
        return false;
    };
    // A separator counts only with a digit after it, so each number below is there.
    if (separatorFollows(regional.timeSeparator)) {
        minutes = s.number(9).value_or(0);
        if (separatorFollows(regional.timeSeparator)) {
            seconds = s.number(9).value_or(0);
            if (separatorFollows(regional.decimalSeparator))
                millis = s.number(9).value_or(0);
        }
    }
    s.skipSpaces();
    if (designator == 0)
        designator = s.designator(regional);
    if (!s.onlySpacesLeft())
        return std::nullopt;
    int h = *hours;
    if (designator != 0) {
        if (h < 1 || h > 12)
            return std::nullopt;
        if (h == 12)
            h = 0;
        if (designator == 2)
            h += 12;
    } else if (h >= 24) {
        return std::nullopt;
    }
    if (minutes >= 60 || seconds >= 60 || millis >= 1000)
        return std::nullopt;
    return (((h * 60.0 + minutes) * 60.0 + seconds) * 1000.0 + millis) / 86400000.0;
}

} // namespace

TDateTime dateToDateTime(const QDate& date) {
    return static_cast<TDateTime>(epoch().daysTo(date));
}

QDate dateTimeToDate(TDateTime value) {
    return epoch().addDays(static_cast<qint64>(std::floor(value)));
}

TDateTime toDateTime(const QDateTime& moment) {
    const QTime t = moment.time();
    return dateToDateTime(moment.date()) + t.msecsSinceStartOfDay() / 86400000.0;
}

std::optional<TDateTime> tryStrToDate(const QString& text, const RegionalSettings& regional,
                                      int currentYear) {
    Scanner s{text};
    const auto parts = scanDate(s, regional.dateSeparator);
    if (!parts || !s.onlySpacesLeft())
        return std::nullopt;
    const auto date = datePartsToDate(*parts, regional, currentYear);
    if (!date)
        return std::nullopt;
    return dateToDateTime(*date);
}

std::optional<TDateTime> tryStrToTime(const QString& text, const RegionalSettings& regional) {
    Scanner s{text};
    return scanTime(s, regional);
}

std::optional<TDateTime> tryStrToDateTime(const QString& text, const RegionalSettings& regional,
                                          int currentYear) {
    qsizetype first = 0;
    while (first < text.size() && !isDigit(text[first]))
        ++first;

    Scanner s{text, first};
    std::optional<QDate> date;
    if (first < text.size()) {
        if (const auto parts = scanDate(s, regional.dateSeparator))
            date = datePartsToDate(*parts, regional, currentYear);
    }
    if (!date)
        return tryStrToTime(text, regional);

    const TDateTime day = dateToDateTime(*date);
    qsizetype next = s.pos;
    while (next < text.size() && !isDigit(text[next]))
        ++next;
    if (next >= text.size() || next == text.size() - 1)
        return day;

    // The time starts at its first digit, or at a designator written before it.
    qsizetype start = next;
    qsizetype back = next;
    while (back > s.pos && text[back - 1] == u' ')
        --back;
    for (const QString& d : {regional.amDesignator, regional.pmDesignator, QStringLiteral("AM"),
                             QStringLiteral("PM")}) {
        if (d.isEmpty() || back - d.size() < s.pos)
            continue;
        if (text.mid(back - d.size(), d.size()).compare(d, Qt::CaseInsensitive) == 0) {
            start = back - d.size();
            break;
        }
    }
    const auto time = tryStrToTime(text.mid(start), regional);
    if (!time)
        return std::nullopt;
    return day + *time;
}

TDateTime StrToDate(const QString& text, const RegionalSettings& regional, int currentYear) {
    if (const auto value = tryStrToDate(text, regional, currentYear))
        return *value;
    throw EConvertError(QStringLiteral("'%1' is not a valid date").arg(text));
}

TDateTime StrToTime(const QString& text, const RegionalSettings& regional) {
    if (const auto value = tryStrToTime(text, regional))
        return *value;
    throw EConvertError(QStringLiteral("'%1' is not a valid time").arg(text));
}
