#include "captions/rtfreader.h"

#include "brevutil/hexdigit.h"
#include "core/textdecoding.h"
#include <QByteArray>
#include <QStringList>
#include <algorithm>
#include <array>
#include <climits>
#include <map>
#include <string_view>

namespace {

// Tables larger than this come only from damaged or hostile files; further entries are ignored.
constexpr std::size_t maxFonts = 4096;
constexpr std::size_t maxColors = 4096;
constexpr qsizetype maxFontNameBytes = 256;
constexpr int maxWordLength = 32;
constexpr int maxSkipCount = 16;        // \ucN: a writer never needs more
constexpr int maxTwips = 31680;         // 22 inches, the widest page a writer offers
constexpr int maxSizeHalfPoints = 3276; // 1638 points

enum class Destination { Text, FontTable, ColorTable, Skip };

struct GroupState {
    Destination destination = Destination::Text;
    // Character properties
    int font = -1; // -1: the document's default font
    int sizeHalfPoints = 0;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    bool hidden = false;
    int colorIndex = 0;
    int backgroundIndex = 0;
    RtfVerticalPosition position = RtfVerticalPosition::Normal;
    int unicodeSkip = 1;
    // Paragraph properties
    RtfAlignment alignment = RtfAlignment::Left;
    int leftIndent = 0;
    int rightIndent = 0;
    int firstLineIndent = 0;
    int spaceBefore = 0;
    int spaceAfter = 0;

    void resetCharacter() {
        font = -1;
        sizeHalfPoints = 0;
        bold = italic = underline = strike = hidden = false;
        colorIndex = backgroundIndex = 0;
        position = RtfVerticalPosition::Normal;
    }
    void resetParagraph() {
        alignment = RtfAlignment::Left;
        leftIndent = rightIndent = firstLineIndent = spaceBefore = spaceAfter = 0;
    }
};

struct FontEntry {
    QString family;
    int codePage = 0; // 0: the document's code page
};

// Destinations whose content is never shown, whether or not the writer marked them with \*.
constexpr std::array<std::string_view, 64> skippedDestinations = {
    "aftncn",
    "aftnsep",
    "aftnsepc",
    "annotation",
    "atnauthor",
    "atndate",
    "atnicn",
    "atnid",
    "atnparent",
    "atnref",
    "atntime",
    "atrfend",
    "atrfstart",
    "author",
    "bkmkend",
    "bkmkstart",
    "buptim",
    "category",
    "colorschememapping",
    "comment",
    "company",
    "creatim",
    "datafield",
    "datastore",
    "do",
    "doccomm",
    "docvar",
    "falt",
    "filetbl",
    "fldinst",
    "footer",
    "footerf",
    "footerl",
    "footerr",
    "footnote",
    "formfield",
    "ftncn",
    "ftnsep",
    "ftnsepc",
    "generator",
    "header",
    "headerf",
    "headerl",
    "headerr",
    "info",
    "keywords",
    "latentstyles",
    "listoverridetable",
    "listtable",
    "manager",
    "nonshppict",
    "object",
    "operator",
    "pict",
    "printim",
    "revtbl",
    "revtim",
    "rsidtbl",
    "rxe",
    "stylesheet",
    "subject",
    "tc",
    "title",
    "txe",
};
constexpr std::array<std::string_view, 6> moreSkippedDestinations = {
    "themedata", "xe", "xmlnstbl", "userprops", "pgdsctbl", "template",
};

bool isSkippedDestination(std::string_view word) {
    return std::find(skippedDestinations.begin(), skippedDestinations.end(), word) !=
               skippedDestinations.end() ||
           std::find(moreSkippedDestinations.begin(), moreSkippedDestinations.end(), word) !=
               moreSkippedDestinations.end();
}

bool isUnderlineWord(std::string_view word) {
    // \ul and its styles (\uld, \uldb, \ulwave ...); \ulc is the underline's colour and \ulnone
    // switches underlining off.
    static constexpr std::array<std::string_view, 17> words = {
        "ul",         "uld",       "uldash",     "uldashd", "uldashdd", "uldb",
        "ulhwave",    "ulldash",   "ulth",       "ulthd",   "ulthdash", "ulthdashd",
        "ulthdashdd", "ulthldash", "ululdbwave", "ulw",     "ulwave"};
    return std::find(words.begin(), words.end(), word) != words.end();
}

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
int hexDigit(char c) {
    return hexDigitValue(static_cast<unsigned char>(c));
}

int clampTwips(int value) {
    return std::clamp(value, -maxTwips, maxTwips);
}

// Unpaired UTF-16 surrogates (from \u values written one half at a time, or cut apart by a change
// of format) become the replacement character.
void repairSurrogates(QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (text[i].isSurrogate())
            text[i] = QChar::ReplacementCharacter;
    }
}

class Reader {
  public:
    explicit Reader(QByteArrayView data) : data_(data) {}

    std::optional<RtfDocument> read(QString* error);

  private:
    GroupState& state() { return stack_.back(); }

    void openGroup();
    void closeGroup();
    void controlWord(std::string_view word, bool hasParam, int param);
    void textWord(std::string_view word, bool hasParam, int param);
    void controlSymbol(char c);
    void byte(char c);
    void character(char16_t c);
    void flushBytes();
    void append(const QString& text);
    void endParagraph();
    void finishFontEntry();
    RtfCharFormat currentFormat() const;
    int currentCodePage() const;
    const FontEntry* currentFont() const;

    QByteArrayView data_;
    qsizetype pos_ = 0;
    std::vector<GroupState> stack_;
    bool groupStart_ = false;
    int skipCount_ = 0; // characters still to skip after \uN
    QString failure_;

    int documentCodePage_ = 1252;
    int defaultFont_ = -1;
    std::map<int, FontEntry> fonts_;
    int fontNumber_ = -1;
    int fontCharset_ = -1;
    int fontCodePage_ = 0;
    QByteArray fontName_;
    std::vector<std::optional<RtfColor>> colors_;
    RtfColor pendingColor_;
    bool colorHasComponent_ = false;

    QByteArray bytes_; // text bytes waiting to be decoded together (multi-byte code pages)
    int bytesCodePage_ = 0;
    RtfDocument document_;
    RtfParagraph paragraph_;
};

std::optional<RtfDocument> Reader::read(QString* error) {
    if (!looksLikeRtf(data_)) {
        if (error)
            *error = QStringLiteral("not an RTF document");
        return std::nullopt;
    }
    stack_.reserve(64);
    stack_.emplace_back();
    const qsizetype n = data_.size();
    bool closed = false;
    while (pos_ < n && failure_.isEmpty() && !closed) {
        const char c = data_[pos_];
        if (c == '{') {
            ++pos_;
            openGroup();
            continue;
        }
        if (c == '}') {
            ++pos_;
            closeGroup();
            closed = stack_.size() == 1;
            continue;
        }
        if (c == '\\') {
            ++pos_;
            if (pos_ >= n)
                break;
            const char next = data_[pos_];
            if (isLetter(next)) {
                const qsizetype start = pos_;
                while (pos_ < n && isLetter(data_[pos_]))
                    ++pos_;
                const std::string_view word(data_.data() + start,
                                            std::min<qsizetype>(pos_ - start, maxWordLength));
                bool negative = false;
                if (pos_ + 1 < n && data_[pos_] == '-' && isDigit(data_[pos_ + 1])) {
                    negative = true;
                    ++pos_;
                }
                bool hasParam = false;
                long long value = 0;
                while (pos_ < n && isDigit(data_[pos_])) {
                    hasParam = true;
                    value = std::min<long long>(value * 10 + (data_[pos_] - '0'), INT_MAX);
                    ++pos_;
                }
                if (pos_ < n && data_[pos_] == ' ')
                    ++pos_;
                const int param = static_cast<int>(negative ? -value : value);
                if (word == "bin") {
                    // Binary data may hold any byte, braces included; it is never shown.
                    flushBytes();
                    groupStart_ = false;
                    skipCount_ = 0;
                    const qsizetype length = hasParam && param > 0 ? param : 0;
                    pos_ += std::min(length, n - pos_);
                    continue;
                }
                controlWord(word, hasParam, param);
            } else {
                ++pos_;
                controlSymbol(next);
            }
            continue;
        }
        ++pos_;
        if (c == '\r' || c == '\n')
            continue;
        byte(c);
    }
    if (!failure_.isEmpty()) {
        if (error)
            *error = failure_;
        return std::nullopt;
    }
    if (!closed)
        endParagraph(); // a file cut short keeps what it held
    // A closing paragraph mark leaves an empty paragraph behind; it is no line of the caption.
    if (document_.paragraphs.size() > 1 && document_.paragraphs.back().runs.empty())
        document_.paragraphs.pop_back();
    for (RtfParagraph& p : document_.paragraphs)
        for (RtfRun& r : p.runs)
            repairSurrogates(r.text);
    return std::move(document_);
}

void Reader::openGroup() {
    flushBytes();
    skipCount_ = 0;
    if (static_cast<int>(stack_.size()) > rtfMaxGroupDepth) {
        failure_ = QStringLiteral("groups nested more than %1 deep").arg(rtfMaxGroupDepth);
        return;
    }
    stack_.push_back(stack_.back());
    groupStart_ = true;
}

void Reader::closeGroup() {
    flushBytes();
    skipCount_ = 0;
    groupStart_ = false;
    if (state().destination == Destination::FontTable && !fontName_.isEmpty())
        finishFontEntry();
    if (stack_.size() == 2)
        endParagraph(); // the document's own group ends: its last paragraph has no mark
    if (stack_.size() > 1)
        stack_.pop_back();
}

void Reader::controlWord(std::string_view word, bool hasParam, int param) {
    groupStart_ = false;
    GroupState& s = state();
    if (s.destination == Destination::Skip)
        return;
    if (skipCount_ > 0) {
        --skipCount_;
        return;
    }
    if (s.destination == Destination::FontTable) {
        if (word == "f") {
            if (!fontName_.isEmpty())
                finishFontEntry();
            fontNumber_ = param;
            fontCharset_ = -1;
            fontCodePage_ = 0;
        } else if (word == "fcharset") {
            fontCharset_ = param;
        } else if (word == "cpg") {
            fontCodePage_ = param;
        } else if (isSkippedDestination(word) || word == "panose") {
            s.destination = Destination::Skip;
        }
        return;
    }
    if (s.destination == Destination::ColorTable) {
        const auto component = static_cast<std::uint8_t>(std::clamp(param, 0, 255));
        if (word == "red")
            pendingColor_.red = component;
        else if (word == "green")
            pendingColor_.green = component;
        else if (word == "blue")
            pendingColor_.blue = component;
        else
            return;
        colorHasComponent_ = true;
        return;
    }
    textWord(word, hasParam, param);
}

void Reader::textWord(std::string_view word, bool hasParam, int param) {
    GroupState& s = state();
    const bool on = !hasParam || param != 0;
    // Destinations
    if (word == "fonttbl") {
        flushBytes();
        s.destination = Destination::FontTable;
        return;
    }
    if (word == "colortbl") {
        flushBytes();
        s.destination = Destination::ColorTable;
        colors_.clear();
        return;
    }
    if (isSkippedDestination(word)) {
        flushBytes();
        s.destination = Destination::Skip;
        return;
    }
    // Characters
    if (word == "par" || word == "sect" || word == "page" || word == "row") {
        endParagraph();
        return;
    }
    if (word == "u") {
        // Values above 32767 are written as negative numbers.
        character(static_cast<char16_t>(static_cast<unsigned>(param) & 0xFFFF));
        skipCount_ = s.unicodeSkip;
        return;
    }
    static constexpr std::array<std::pair<std::string_view, char16_t>, 17> specials = {{
        {"line", u'\u2028'},
        {"tab", u'\t'},
        {"cell", u'\t'},
        {"nestcell", u'\t'},
        {"emdash", u'\u2014'},
        {"endash", u'\u2013'},
        {"bullet", u'\u2022'},
        {"lquote", u'\u2018'},
        {"rquote", u'\u2019'},
        {"ldblquote", u'\u201C'},
        {"rdblquote", u'\u201D'},
        {"emspace", u'\u2003'},
        {"enspace", u'\u2002'},
        {"qmspace", u'\u2005'},
        {"zwj", u'\u200D'},
        {"zwnj", u'\u200C'},
        {"zwbo", u'\u200B'},
    }};
    for (const auto& [name, ch] : specials) {
        if (word == name) {
            character(ch);
            return;
        }
    }
    flushBytes();
    // Document
    if (word == "ansi")
        documentCodePage_ = 1252;
    else if (word == "mac")
        documentCodePage_ = 10000;
    else if (word == "pc")
        documentCodePage_ = 437;
    else if (word == "pca")
        documentCodePage_ = 850;
    else if (word == "ansicpg")
        documentCodePage_ = param > 0 ? param : 1252;
    else if (word == "deff")
        defaultFont_ = param;
    else if (word == "uc")
        s.unicodeSkip = std::clamp(param, 0, maxSkipCount);
    // Paragraph
    else if (word == "pard")
        s.resetParagraph();
    else if (word == "ql")
        s.alignment = RtfAlignment::Left;
    else if (word == "qc")
        s.alignment = RtfAlignment::Center;
    else if (word == "qr")
        s.alignment = RtfAlignment::Right;
    else if (word == "qj" || word == "qd")
        s.alignment = RtfAlignment::Justify;
    else if (word == "li")
        s.leftIndent = clampTwips(param);
    else if (word == "ri")
        s.rightIndent = clampTwips(param);
    else if (word == "fi")
        s.firstLineIndent = clampTwips(param);
    else if (word == "sb")
        s.spaceBefore = std::clamp(param, 0, maxTwips);
    else if (word == "sa")
        s.spaceAfter = std::clamp(param, 0, maxTwips);
    // Character
    else if (word == "plain")
        s.resetCharacter();
    else if (word == "f")
        s.font = param;
    else if (word == "fs")
        s.sizeHalfPoints = hasParam && param > 0 ? std::min(param, maxSizeHalfPoints) : 24;
    else if (word == "b")
        s.bold = on;
    else if (word == "i")
        s.italic = on;
    else if (isUnderlineWord(word))
        s.underline = on;
    else if (word == "ulnone")
        s.underline = false;
    else if (word == "strike" || word == "striked")
        s.strike = on;
    else if (word == "v")
        s.hidden = on;
    else if (word == "cf")
        s.colorIndex = std::max(param, 0);
    else if (word == "cb" || word == "highlight")
        s.backgroundIndex = std::max(param, 0);
    else if (word == "super")
        s.position = RtfVerticalPosition::Superscript;
    else if (word == "sub")
        s.position = RtfVerticalPosition::Subscript;
    else if (word == "nosupersub")
        s.position = RtfVerticalPosition::Normal;
    // Anything else (\rtf, \viewkind, \lang, table and page layout ...) does not change the text.
}

void Reader::controlSymbol(char c) {
    const bool atGroupStart = std::exchange(groupStart_, false);
    GroupState& s = state();
    if (c == '*') {
        // {\*\destination ...}: a destination a reader that does not know it passes over.
        if (atGroupStart && s.destination != Destination::Skip) {
            flushBytes();
            s.destination = Destination::Skip;
        }
        return;
    }
    if (c == '\'') {
        // Two hex digits make the byte; an escape cut short stands for nothing.
        int value = 0;
        int digits = 0;
        while (digits < 2 && pos_ < data_.size() && hexDigit(data_[pos_]) >= 0) {
            value = value * 16 + hexDigit(data_[pos_]);
            ++pos_;
            ++digits;
        }
        if (digits == 2)
            byte(static_cast<char>(value));
        return;
    }
    if (c == '\\' || c == '{' || c == '}') {
        byte(c);
        return;
    }
    if (s.destination != Destination::Text)
        return;
    if (skipCount_ > 0) {
        --skipCount_;
        return;
    }
    switch (c) {
    case '~':
        character(u'\u00A0');
        break;
    case '-':
        character(u'\u00AD');
        break;
    case '_':
        character(u'\u2011');
        break;
    case '\r':
    case '\n':
        endParagraph();
        break;
    default:
        break; // \| \: and unknown symbols carry no text
    }
}

void Reader::byte(char c) {
    groupStart_ = false;
    if (skipCount_ > 0) {
        --skipCount_;
        return;
    }
    GroupState& s = state();
    switch (s.destination) {
    case Destination::Skip:
        return;
    case Destination::FontTable:
        if (c == ';')
            finishFontEntry();
        else if (fontName_.size() < maxFontNameBytes && c != '\0')
            fontName_.append(c);
        return;
    case Destination::ColorTable:
        if (c == ';') {
            if (colors_.size() < maxColors)
                colors_.push_back(colorHasComponent_ ? std::optional(pendingColor_) : std::nullopt);
            pendingColor_ = RtfColor();
            colorHasComponent_ = false;
        }
        return;
    case Destination::Text:
        break;
    }
    if (s.hidden || c == '\0')
        return;
    const int codePage = currentCodePage();
    if (!bytes_.isEmpty() && codePage != bytesCodePage_)
        flushBytes();
    bytesCodePage_ = codePage;
    bytes_.append(c);
}

void Reader::character(char16_t c) {
    flushBytes();
    const GroupState& s = state();
    if (s.destination != Destination::Text || s.hidden)
        return;
    // Control characters other than the tab have no place in a caption; a paragraph or line
    // break written as a character is a line break.
    if (c == u'\n' || c == u'\r' || c == u'\u2029' || c == u'\v')
        c = u'\u2028';
    else if ((c < 0x20 && c != u'\t') || c == 0x7F)
        return;
    append(QString(QChar(c)));
}

void Reader::flushBytes() {
    if (bytes_.isEmpty())
        return;
    QString text = decodeCodePage(bytes_, bytesCodePage_);
    bytes_.clear();
    text.removeIf([](QChar ch) { return (ch.unicode() < 0x20 && ch != u'\t') || ch == u'\x7F'; });
    append(text);
}

void Reader::append(const QString& text) {
    if (text.isEmpty())
        return;
    RtfCharFormat format = currentFormat();
    if (!paragraph_.runs.empty() && paragraph_.runs.back().format == format)
        paragraph_.runs.back().text += text;
    else
        paragraph_.runs.push_back(RtfRun{text, std::move(format)});
}

void Reader::endParagraph() {
    flushBytes();
    const GroupState& s = state();
    paragraph_.alignment = s.alignment;
    paragraph_.leftIndent = s.leftIndent;
    paragraph_.rightIndent = s.rightIndent;
    paragraph_.firstLineIndent = s.firstLineIndent;
    paragraph_.spaceBefore = s.spaceBefore;
    paragraph_.spaceAfter = s.spaceAfter;
    document_.paragraphs.push_back(std::move(paragraph_));
    paragraph_ = RtfParagraph();
}

void Reader::finishFontEntry() {
    if (fontNumber_ >= 0 && (fonts_.size() < maxFonts || fonts_.count(fontNumber_))) {
        int codePage = fontCodePage_;
        if (codePage == 0)
            codePage = codePageForCharset(fontCharset_);
        FontEntry entry;
        entry.codePage = codePage;
        entry.family =
            decodeCodePage(fontName_, codePage != 0 ? codePage : documentCodePage_).trimmed();
        fonts_[fontNumber_] = std::move(entry);
    }
    fontName_.clear();
}

RtfCharFormat Reader::currentFormat() const {
    const GroupState& s = stack_.back();
    RtfCharFormat f;
    if (const FontEntry* font = currentFont())
        f.family = font->family;
    f.sizeHalfPoints = s.sizeHalfPoints;
    f.bold = s.bold;
    f.italic = s.italic;
    f.underline = s.underline;
    f.strike = s.strike;
    if (s.colorIndex > 0 && static_cast<std::size_t>(s.colorIndex) < colors_.size())
        f.color = colors_[s.colorIndex];
    if (s.backgroundIndex > 0 && static_cast<std::size_t>(s.backgroundIndex) < colors_.size())
        f.background = colors_[s.backgroundIndex];
    f.position = s.position;
    return f;
}

int Reader::currentCodePage() const {
    const FontEntry* font = currentFont();
    return font && font->codePage != 0 ? font->codePage : documentCodePage_;
}

// A font number missing from the table stands for the default font.
const FontEntry* Reader::currentFont() const {
    auto font = fonts_.find(stack_.back().font);
    if (font == fonts_.end())
        font = fonts_.find(defaultFont_);
    return font == fonts_.end() ? nullptr : &font->second;
}

} // namespace

QString RtfParagraph::text() const {
    QString t;
    for (const RtfRun& r : runs)
        t += r.text;
    return t;
}

QString RtfDocument::text() const {
    QStringList lines;
    for (const RtfParagraph& p : paragraphs)
        lines << p.text();
    return lines.join(u'\n');
}

bool looksLikeRtf(QByteArrayView data) {
    qsizetype i = 0;
    while (i < data.size() &&
           (data[i] == ' ' || data[i] == '\t' || data[i] == '\r' || data[i] == '\n'))
        ++i;
    return data.sliced(i).startsWith("{\\rtf");
}

std::optional<RtfDocument> readRtf(QByteArrayView data, QString* error) {
    return Reader(data).read(error);
}
