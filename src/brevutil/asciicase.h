#pragma once

#include <QString>

// Case changes limited to the letters a-z and A-Z. The toolbox's name comparisons and text helpers
// must give the same result whatever the language of the text or of the machine.
namespace AsciiCase {

inline QChar upper(QChar c) {
    return (c >= u'a' && c <= u'z') ? QChar(char16_t(c.unicode() - (u'a' - u'A'))) : c;
}

inline QChar lower(QChar c) {
    return (c >= u'A' && c <= u'Z') ? QChar(char16_t(c.unicode() + (u'a' - u'A'))) : c;
}

inline QString upper(QString text) {
    for (QChar& c : text)
        c = upper(c);
    return text;
}

inline QString lower(QString text) {
    for (QChar& c : text)
        c = lower(c);
    return text;
}

} // namespace AsciiCase
