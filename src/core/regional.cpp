#include "core/regional.h"

#include <QLocale>
#include <cstdlib>

namespace {

// The locale name a category is set to by the environment, as the C library resolves it.
QString localeNameFor(const char* category) {
    for (const char* var : {"LC_ALL", category, "LANG"}) {
        const char* value = std::getenv(var);
        if (value && *value)
            return QString::fromLocal8Bit(value);
    }
    return QStringLiteral("C");
}

bool isPlainLocale(const QString& name) {
    return name == u"C" || name == u"POSIX" || name.startsWith(u"C.");
}

QLocale localeFor(const char* category) {
    QString name = localeNameFor(category);
    // "de_DE.UTF-8@euro" -> "de_DE"
    name = name.section(u'.', 0, 0).section(u'@', 0, 0);
    return QLocale(name);
}

// The first character of a format that is not a letter, quote or blank: its separator.
QChar separatorOf(const QString& format, QChar fallback) {
    for (const QChar c : format) {
        if (!c.isLetter() && c != u'\'' && c != u' ')
            return c;
    }
    return fallback;
}

} // namespace

RegionalSettings RegionalSettings::fromLocale() {
    RegionalSettings r;
    if (!isPlainLocale(localeNameFor("LC_TIME"))) {
        const QLocale time = localeFor("LC_TIME");
        if (time.language() != QLocale::C) {
            QString format = time.dateFormat(QLocale::ShortFormat);
            // Written dates keep four-digit years, as the short formats of Windows boards do.
            if (format.contains(QStringLiteral("yy")) && !format.contains(QStringLiteral("yyyy")))
                format.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
            r.shortDateFormat = format;
            r.dateSeparator = separatorOf(format, u'/');
            const QString timeFormat = time.timeFormat(QLocale::ShortFormat);
            const qsizetype h = timeFormat.indexOf(u'h', 0, Qt::CaseInsensitive);
            if (h >= 0)
                r.timeSeparator = separatorOf(timeFormat.mid(h), u':');
            if (!time.amText().isEmpty())
                r.amDesignator = time.amText();
            if (!time.pmText().isEmpty())
                r.pmDesignator = time.pmText();
        }
    }
    if (!isPlainLocale(localeNameFor("LC_NUMERIC"))) {
        const QLocale numeric = localeFor("LC_NUMERIC");
        if (numeric.language() != QLocale::C && !numeric.decimalPoint().isEmpty())
            r.decimalSeparator = numeric.decimalPoint().at(0);
    }
    return r;
}

QString RegionalSettings::formatShortDate(const QDate& date) const {
    // The short format uses the letters d, M and y as Qt's date formats do.
    return date.toString(shortDateFormat);
}

namespace {

class TLocaleFormats : public TRegionalFormats {
  public:
    RegionalSettings current() const override { return RegionalSettings::fromLocale(); }
};

} // namespace

const TRegionalFormats& localeFormats() {
    static const TLocaleFormats formats;
    return formats;
}
