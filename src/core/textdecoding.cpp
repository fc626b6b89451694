#include "core/textdecoding.h"

#include <QStringDecoder>
#include <array>

namespace {

// Windows-1252 from 0x80 to 0x9F. The five bytes the page leaves undefined keep their own value,
// as the system's own conversion does; everything else equals Latin-1.
constexpr std::array<char16_t, 32> cp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QString decode1252(QByteArrayView bytes) {
    QString text;
    text.resize(bytes.size());
    QChar* out = text.data();
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        *out++ = QChar(b >= 0x80 && b < 0xA0 ? cp1252High[b - 0x80] : char16_t(b));
    }
    return text;
}

const char* converterName(int codePage) {
    switch (codePage) {
    case 437:
        return "IBM437";
    case 850:
        return "IBM850";
    case 852:
        return "IBM852";
    case 866:
        return "IBM866";
    case 874:
        return "windows-874";
    case 932:
        return "Shift_JIS";
    case 936:
        return "GBK";
    case 949:
        return "windows-949";
    case 950:
        return "Big5";
    case 1250:
        return "windows-1250";
    case 1251:
        return "windows-1251";
    case 1253:
        return "windows-1253";
    case 1254:
        return "windows-1254";
    case 1255:
        return "windows-1255";
    case 1256:
        return "windows-1256";
    case 1257:
        return "windows-1257";
    case 1258:
        return "windows-1258";
    case 10000:
        return "macintosh";
    case 20866:
        return "KOI8-R";
    case 28591:
        return "ISO-8859-1";
    case 28592:
        return "ISO-8859-2";
    case 28595:
        return "ISO-8859-5";
    default:
        return nullptr;
    }
}

bool isValidUtf8(QByteArrayView bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    return !decoder.hasError();
}

bool hasUnpairedSurrogate(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (text[i].isSurrogate())
            return true;
    }
    return false;
}

std::optional<QString> strictDecode(QStringDecoder::Encoding encoding, QByteArrayView bytes) {
    // A UTF-16 text cut in the middle of a unit is not text.
    if (encoding != QStringDecoder::Utf8 && bytes.size() % 2 != 0)
        return std::nullopt;
    QStringDecoder decoder(encoding, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError() || hasUnpairedSurrogate(text))
        return std::nullopt;
    return text;
}

} // namespace

QString decodeCodePage(QByteArrayView bytes, int codePage) {
    if (bytes.isEmpty())
        return QString();
    if (codePage == 65001)
        return QString::fromUtf8(bytes);
    if (codePage == 20127) {
        bool plain = true;
        for (const char c : bytes)
            plain = plain && static_cast<unsigned char>(c) < 0x80;
        if (plain)
            return QString::fromLatin1(bytes);
    }
    if (const char* name = converterName(codePage)) {
        QStringDecoder decoder(name, QStringDecoder::Flag::Stateless);
        if (decoder.isValid())
            return decoder.decode(bytes);
    }
    return decode1252(bytes);
}

int codePageForCharset(int charset) {
    switch (charset) {
    case 77:
        return 10000;
    case 128:
        return 932;
    case 129:
        return 949;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    case 255:
        return 437;
    default:
        return 0;
    }
}

std::optional<QString> decodePlainText(QByteArrayView bytes) {
    std::optional<QString> text;
    if (bytes.startsWith("\xFF\xFE"))
        text = strictDecode(QStringDecoder::Utf16LE, bytes.sliced(2));
    else if (bytes.startsWith("\xFE\xFF"))
        text = strictDecode(QStringDecoder::Utf16BE, bytes.sliced(2));
    else if (bytes.startsWith("\xEF\xBB\xBF"))
        text = strictDecode(QStringDecoder::Utf8, bytes.sliced(3));
    else if (isValidUtf8(bytes))
        text = QString::fromUtf8(bytes);
    else
        text = decode1252(bytes);
    if (text && text->contains(QChar(u'\0')))
        return std::nullopt;
    return text;
}
