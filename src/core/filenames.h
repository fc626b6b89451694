#pragma once

#include <QByteArray>
#include <QString>

#include "core/inifile.h"

// File names are bytes to the file system, and not every name on a disk is valid UTF-8 (old
// shares and archives hold Latin-1 or Windows names). The board keeps such names as text that
// carries their exact bytes: each byte that is not part of valid UTF-8 becomes the lone
// surrogate U+DC80 + (byte - 0x80), which valid UTF-8 can never produce, so that a name read from
// a folder names the same file again when it is opened.

namespace filenames_detail {

inline constexpr char16_t kEscapeBase = 0xDC00;

inline bool isEscapedByte(const QString& text, qsizetype i) {
    const char16_t c = text[i].unicode();
    return c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF &&
           (i == 0 || !text[i - 1].isHighSurrogate());
}

// The length of the valid UTF-8 sequence at `p`, or 0 when it is not one (overlong forms,
// surrogates and values beyond U+10FFFF included).
inline int utf8Length(const unsigned char* p, qsizetype left) {
    const unsigned char b = p[0];
    int length;
    char32_t value;
    if (b < 0x80)
        return 1;
    if (b >= 0xC2 && b <= 0xDF) {
        length = 2;
        value = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3;
        value = b & 0x0F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4;
        value = b & 0x07;
    } else {
        return 0;
    }
    if (left < length)
        return 0;
    for (int i = 1; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        value = value << 6 | (p[i] & 0x3F);
    }
    const bool overlong = (length == 3 && value < 0x800) || (length == 4 && value < 0x10000);
    if (overlong || (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF)
        return 0;
    return length;
}

} // namespace filenames_detail

// A name as the file system stores it, as text that encodes back to the same bytes.
inline QString decodeFileName(const QByteArray& bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype size = bytes.size();
    QString name;
    name.reserve(size);
    qsizetype run = 0; // start of the valid stretch not yet appended
    for (qsizetype i = 0; i < size;) {
        const int length = filenames_detail::utf8Length(p + i, size - i);
        if (length > 0) {
            i += length;
            continue;
        }
        name += QString::fromUtf8(bytes.constData() + run, i - run);
        name += QChar(char16_t(filenames_detail::kEscapeBase + p[i]));
        run = ++i;
    }
    if (run == 0)
        return QString::fromUtf8(bytes);
    return name + QString::fromUtf8(bytes.constData() + run, size - run);
}

// The bytes a name or path made by decodeFileName stands for; for any other text its UTF-8.
inline QByteArray encodeFileName(const QString& name) {
    QByteArray bytes;
    qsizetype run = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (!filenames_detail::isEscapedByte(name, i))
            continue;
        bytes += QStringView(name).mid(run, i - run).toUtf8();
        bytes += char(name[i].unicode() - filenames_detail::kEscapeBase);
        run = i + 1;
    }
    if (run == 0)
        return name.toUtf8();
    return bytes + QStringView(name).mid(run).toUtf8();
}

// The name as a person reads it: bytes that are not UTF-8 read as Windows-1252, as the settings
// reader reads such text.
inline QString displayFileName(const QString& name) {
    QString text = name;
    for (qsizetype i = 0; i < text.size(); ++i)
        if (filenames_detail::isEscapedByte(name, i))
            text.replace(i, 1,
                         decodeSettingsText(QByteArray(
                             1, char(name[i].unicode() - filenames_detail::kEscapeBase))));
    return text;
}
