#include "brevutil/brevutil.h"

#include "brevutil/asciicase.h"
#include "brevutil/commandline.h"
#include "brevutil/hexdigit.h"
#include <array>
#include <optional>
#include <random>

namespace {

const QString kLettersAndDigits =
    QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz1234567890");
const QString kSessionAlphabet = QStringLiteral("1234567890ABCDEFGHIJKLMNOPQRSTUVWXYZ");

// A generator seeded from the clock at each call, so no state links two calls.
std::mt19937_64 freshGenerator(const TClock& clock) {
    return std::mt19937_64(clock.ticks());
}

// Splits a line into at most five fields at an unquoted separator; double quotes group and are
// dropped. When percentSpans is set, a percent sign starts a span copied literally up to the
// next one, both signs dropped, quoting state untouched.
std::array<QString, 5> splitFields(const QString& line, const QString& separator,
                                   bool percentSpans) {
    std::array<QString, 5> fields;
    std::size_t current = 0;
    bool quoting = false;
    auto append = [&](QStringView text) {
        if (current < fields.size())
            fields[current] += text;
    };
    const qsizetype n = line.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = line[i];
        if (percentSpans && c == u'%') {
            qsizetype close = line.indexOf(u'%', i + 1);
            if (close < 0)
                close = n;
            append(QStringView(line).mid(i + 1, close - i - 1));
            i = close;
        } else if (c == u'"') {
            quoting = !quoting;
        } else if (!quoting && separator.size() == 1 && c == separator[0]) {
            ++current;
        } else {
            append(QStringView(&line.constData()[i], 1));
        }
    }
    return fields;
}

// Integer conversion as the board's original runtime did it: leading blanks, an optional sign,
// decimal or hexadecimal after "$", "x" or "0x", and nothing else.
std::optional<qint64> runtimeStrToInt(QStringView s) {
    qsizetype i = 0;
    const qsizetype n = s.size();
    while (i < n && s[i] == u' ')
        ++i;
    bool negative = false;
    if (i < n && (s[i] == u'-' || s[i] == u'+')) {
        negative = s[i] == u'-';
        ++i;
    }
    int base = 10;
    if (i < n && (s[i] == u'$' || s[i] == u'x' || s[i] == u'X')) {
        base = 16;
        ++i;
    } else if (i + 1 < n && s[i] == u'0' && (s[i + 1] == u'x' || s[i + 1] == u'X')) {
        base = 16;
        i += 2;
    }
    if (i >= n)
        return std::nullopt;
    qint64 value = 0;
    for (; i < n; ++i) {
        const int d = hexDigitValue(s[i].unicode());
        if (d < 0 || d >= base)
            return std::nullopt;
        value = value * base + d;
    }
    return negative ? -value : value;
}

} // namespace

QString TBrevUtil::DoProperCase(const QString& sIn) const {
    QString out = AsciiCase::lower(sIn);
    for (qsizetype i = 0; i < out.size(); ++i) {
        if (i == 0 || out[i - 1] == u' ')
            out[i] = AsciiCase::upper(out[i]);
    }
    return out;
}

QString TBrevUtil::RemoveNonLettersNumbers(const QString& intext) const {
    QString out;
    for (const QChar c : intext) {
        if (kLettersAndDigits.contains(c))
            out += c;
    }
    return out;
}

QString TBrevUtil::BuildSessionID() const {
    std::mt19937_64 generator = freshGenerator(*clock_);
    std::uniform_int_distribution<qsizetype> pick(0, kSessionAlphabet.size() - 1);
    QString id;
    id.reserve(50);
    for (int i = 0; i < 50; ++i)
        id += kSessionAlphabet[pick(generator)];
    return id;
}

bool TBrevUtil::ReadCommandLine(const QString& parmname, QString& value) const {
    return CommandLine::findSwitch(CommandLine::arguments(), parmname, value);
}

void TBrevUtil::SeparateData(const QString& linein, const QString& delimiter, QString& a,
                             QString& b, QString& c, QString& d, QString& e) const {
    const std::array<QString, 5> f = splitFields(linein, delimiter, false);
    a = f[0];
    b = f[1];
    c = f[2];
    d = f[3];
    e = f[4];
}

void TBrevUtil::ParseData(const QString& linein, QString& cmd, QString& a, QString& b, QString& c,
                          QString& d) const {
    const std::array<QString, 5> f = splitFields(linein, QStringLiteral(" "), true);
    cmd = f[0];
    a = f[1];
    b = f[2];
    c = f[3];
    d = f[4];
}

QString TBrevUtil::TextEnCrypt(const QString& normal) const {
    std::mt19937_64 generator = freshGenerator(*clock_);
    const char16_t k = static_cast<char16_t>(std::uniform_int_distribution<int>(0, 127)(generator));
    QString out;
    out.reserve(normal.size() + 1);
    out += QChar(k);
    for (const QChar c : normal)
        out += QChar(static_cast<char16_t>(c.unicode() + k));
    return out;
}

QString TBrevUtil::textdecrypt(const QString& crypted) const {
    if (crypted.isEmpty())
        return QString();
    const char16_t k = crypted[0].unicode() & 0xFF;
    QString out;
    out.reserve(crypted.size() - 1);
    for (qsizetype i = 1; i < crypted.size(); ++i)
        out += QChar(static_cast<char16_t>(crypted[i].unicode() - k));
    return out;
}

QString TBrevUtil::FillZeros(const QString& intext, qint32 maxlength, bool leading) const {
    const qint64 n = qint64(maxlength) - intext.size();
    if (n <= 0)
        return intext;
    const QString zeros(n, u'0');
    return leading ? zeros + intext : intext + zeros;
}

QString TBrevUtil::ChartoCode(const QString& input) const {
    QString out;
    for (const QChar c : input)
        out += FillZeros(QString::number(c.unicode()), 3, true);
    return out;
}

QString TBrevUtil::CodetoChar(const QString& input) const {
    QString out;
    for (qsizetype i = 0; i < input.size(); i += 3) {
        const std::optional<qint64> code = runtimeStrToInt(QStringView(input).mid(i, 3));
        if (!code)
            return QString();
        out += QChar(static_cast<char16_t>(((*code % 65536) + 65536) % 65536));
    }
    return out;
}
