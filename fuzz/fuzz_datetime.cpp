// Fuzz target: the regional date, time and date-time conversions on any text, under three kinds
// of regional settings.
#include "core/datetimeconv.h"
#include <cstdint>

namespace {
RegionalSettings make(const char* format, char16_t date, char16_t time, char16_t dec,
                      const char* am, const char* pm) {
    RegionalSettings r;
    r.shortDateFormat = QString::fromLatin1(format);
    r.dateSeparator = date;
    r.timeSeparator = time;
    r.decimalSeparator = dec;
    r.amDesignator = QString::fromUtf8(am);
    r.pmDesignator = QString::fromUtf8(pm);
    return r;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const RegionalSettings settings[] = {
        make("M/d/yyyy", u'/', u':', u'.', "AM", "PM"),
        make("dd.MM.yyyy", u'.', u':', u',', "vorm.", "nachm."),
        make("yyyy-MM-dd", u'-', u'.', u'.', "", ""),
    };
    if (size < 2)
        return 0;
    const int year = 1 + (data[0] * 40) % 9999;
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    for (const RegionalSettings& r : settings) {
        if (const auto d = tryStrToDate(text, r, year))
            (void)r.formatShortDate(dateTimeToDate(*d));
        (void)tryStrToTime(text, r);
        (void)tryStrToDateTime(text, r, year);
    }
    return 0;
}
