#include "core/inifile.h"

#include "brevutil/hexdigit.h"
#include "brevutil/smallfile.h"
#include "core/filenames.h"
#include "core/shareaccess.h"
#include "core/textdecoding.h"
#include <QHash>
#include <QStringDecoder>
#include <limits>
#include <mutex>

namespace {

constexpr qsizetype maxValueLength = 2047;

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

QStringView trimBlanks(QStringView s) {
    qsizetype b = 0, e = s.size();
    while (b < e && isBlank(s[b]))
        ++b;
    while (e > b && isBlank(s[e - 1]))
        --e;
    return s.mid(b, e - b);
}

struct Entry {
    QString name;
    QString value;
};

// The file's bytes, opened by its bytes (a shortcut whose name is not UTF-8 must still be found);
// nothing when it cannot be opened. A file in the pictures folder is read on a worker within the
// share's deadline, and one that does not arrive in time gives what it held at its last read: a
// share that stops answering leaves the playlist as it was.
std::optional<QByteArray> fileBytes(const QString& fileName, TIniFile::Place place) {
    if (place == TIniFile::Place::StartDirectory)
        return readSmallFile(encodeFileName(fileName));
    static std::mutex mutex;
    static QHash<QString, std::optional<QByteArray>> lastRead;
    const std::optional<std::optional<QByteArray>> read = share::call<std::optional<QByteArray>>(
        fileName, [fileName] { return readSmallFile(encodeFileName(fileName)); });
    std::lock_guard lock(mutex);
    if (read) {
        // Only files that are there are kept: shortcuts that come and go over months leave
        // nothing behind.
        if (*read)
            lastRead.insert(fileName, *read);
        else
            lastRead.remove(fileName);
        return *read;
    }
    return lastRead.value(fileName);
}

// The keys of one section, in file order; nothing when the file or the section is missing.
// Where a section occurs twice, the first one counts; so does the first of two equal keys.
QList<Entry> sectionEntries(const std::optional<QByteArray>& bytes, const QString& section) {
    QList<Entry> entries;
    if (!bytes)
        return entries;
    const QString text = decodeSettingsText(*bytes);
    bool inSection = false;
    bool seen = false;
    qsizetype pos = 0;
    while (pos <= text.size()) {
        qsizetype end = text.indexOf(u'\n', pos);
        if (end < 0)
            end = text.size();
        QStringView line = QStringView(text).mid(pos, end - pos);
        pos = end + 1;
        if (line.endsWith(u'\r'))
            line.chop(1);
        const QStringView trimmed = trimBlanks(line);
        if (trimmed.isEmpty() || trimmed.front() == u';')
            continue;
        if (trimmed.front() == u'[') {
            if (inSection)
                break;
            qsizetype close = trimmed.indexOf(u']');
            const QStringView name =
                trimBlanks(trimmed.mid(1, close < 0 ? trimmed.size() - 1 : close - 1));
            inSection = !seen && name.compare(section, Qt::CaseInsensitive) == 0;
            seen = seen || inSection;
            continue;
        }
        if (!inSection)
            continue;
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0)
            continue;
        const QStringView name = trimBlanks(line.left(eq));
        if (name.isEmpty())
            continue;
        entries.append({name.toString(), trimBlanks(line.mid(eq + 1)).toString()});
    }
    return entries;
}

std::optional<QString> readValue(const std::optional<QByteArray>& bytes, const QString& section,
                                 const QString& ident) {
    for (const Entry& e : sectionEntries(bytes, section)) {
        if (e.name.compare(ident, Qt::CaseInsensitive) != 0)
            continue;
        QString value = e.value;
        if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
            value.back() == value.front())
            value = value.mid(1, value.size() - 2);
        if (value.size() > maxValueLength)
            value.truncate(maxValueLength);
        return value;
    }
    return std::nullopt;
}

} // namespace

QString decodeSettingsText(const QByteArray& bytes) {
    if (bytes.startsWith("\xFF\xFE")) {
        auto decode = QStringDecoder(QStringDecoder::Utf16LE);
        return decode(bytes.mid(2));
    }
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.mid(3));
    auto decode = QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decode(bytes);
    if (!decode.hasError())
        return text;
    return decodeCodePage(bytes, 1252);
}

std::optional<int> tryStrToInt(const QString& input) {
    QString text = input;
    if (text.size() > 2 && (text.startsWith(u"0x") || text.startsWith(u"0X")))
        text = u'$' + text.mid(2);
    qsizetype i = 0;
    while (i < text.size() && text[i] == u' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    if (i >= text.size())
        return std::nullopt;

    bool hex = false;
    if (text[i] == u'$' || text[i] == u'x' || text[i] == u'X') {
        hex = true;
        ++i;
    } else if (text[i] == u'0' && i + 1 < text.size() &&
               (text[i + 1] == u'x' || text[i + 1] == u'X')) {
        hex = true;
        i += 2;
    }
    if (i >= text.size())
        return std::nullopt;

    if (hex) {
        quint64 value = 0;
        for (; i < text.size(); ++i) {
            const int d = hexDigitValue(text[i].unicode());
            if (d < 0)
                return std::nullopt;
            value = value * 16 + static_cast<quint64>(d);
            if (value > 0xFFFFFFFFull)
                return std::nullopt;
        }
        auto result = static_cast<qint32>(static_cast<quint32>(value));
        // Negating the lowest value wraps, as 32-bit arithmetic does.
        if (negative)
            result = static_cast<qint32>(0u - static_cast<quint32>(result));
        return result;
    }

    qint64 value = 0;
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
        if (value > qint64(std::numeric_limits<qint32>::max()) + 1)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<qint32>::max() || value < std::numeric_limits<qint32>::min())
        return std::nullopt;
    return static_cast<int>(value);
}

TIniFile::TIniFile(const QString& fileName, const TClock& clock, const TRegionalFormats& regional,
                   Place place)
    : fileName_(fileName), place_(place), clock_(&clock), regional_(&regional) {}

TIniFile TIniFile::pinned() const {
    TIniFile copy(*this);
    copy.pinned_ = std::make_shared<const std::optional<QByteArray>>(bytes());
    return copy;
}

std::optional<QByteArray> TIniFile::bytes() const {
    return pinned_ ? *pinned_ : fileBytes(fileName_, place_);
}

QString TIniFile::ReadString(const QString& Section, const QString& Ident,
                             const QString& Default) const {
    return readValue(bytes(), Section, Ident).value_or(Default);
}

int TIniFile::ReadInteger(const QString& Section, const QString& Ident, int Default) const {
    return tryStrToInt(ReadString(Section, Ident, QString())).value_or(Default);
}

bool TIniFile::ReadBool(const QString& Section, const QString& Ident, bool Default) const {
    return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

TDateTime TIniFile::ReadDateTime(const QString& Section, const QString& Name,
                                 TDateTime Default) const {
    const QString text = ReadString(Section, Name, QString());
    if (text.isEmpty())
        return Default;
    return tryStrToDateTime(text, Regional(), clock_->today().year()).value_or(Default);
}

TDateTime TIniFile::ReadTime(const QString& Section, const QString& Name, TDateTime Default) const {
    const QString text = ReadString(Section, Name, QString());
    if (text.isEmpty())
        return Default;
    return tryStrToTime(text, Regional()).value_or(Default);
}

void TIniFile::ReadSection(const QString& Section, QStringList& Strings) const {
    Strings.clear();
    for (const Entry& e : sectionEntries(bytes(), Section))
        Strings.append(e.name);
}

bool TIniFile::SectionExists(const QString& Section) const {
    return !sectionEntries(bytes(), Section).isEmpty();
}
