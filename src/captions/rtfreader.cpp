#include "captions/rtfreader.h"

#include "brevutil/hexdigit.h"
#include "captions/symbolfonts.h"
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
constexpr int maxSkipCount = 16;         // \ucN: a writer never needs more
constexpr int maxTwips = 31680;          // 22 inches, the widest page a writer offers
constexpr int maxSizeHalfPoints = 3276;  // 1638 points
constexpr qsizetype maxMarkerBytes = 32; // a bullet's or number's text (\pntxtb, \pntxta)
constexpr int maxPictureScale = 10000;   // per cent

// Text: the document's text. TableProps: a nested row's properties (\nesttableprops), whose words
// count but whose text is no text. ListProps: a paragraph's numbering (\pn); MarkerBefore and
// MarkerAfter the text around its number. Picture: a picture's properties and data.
enum class Destination {
    Text,
    FontTable,
    ColorTable,
    Skip,
    TableProps,
    ListProps,
    MarkerBefore,
    MarkerAfter,
    Picture
};

enum class NumberStyle { Decimal, UpperLetter, LowerLetter, UpperRoman, LowerRoman };

// The older paragraph numbering: a paragraph property that lasts until \pard.
struct ListNumbering {
    bool active = false;
    bool bullet = false;
    NumberStyle style = NumberStyle::Decimal;
    int start = 1;
    int font = -1; // -1: the text's own font
    QByteArray before;
    QByteArray after;
};

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
    bool caps = false;
    bool smallCaps = false;
    int unicodeSkip = 1;
    bool starred = false;    // the group opened with \*: its first word names the destination
    bool markerText = false; // in {\pntext ...}
    // Paragraph properties
    RtfAlignment alignment = RtfAlignment::Left;
    int leftIndent = 0;
    int rightIndent = 0;
    int firstLineIndent = 0;
    int spaceBefore = 0;
    int spaceAfter = 0;
    bool inTable = false; // \intbl
    int tableDepth = 0;   // \itap
    std::shared_ptr<const std::vector<RtfTabStop>> tabs;
    RtfTabKind nextTabKind = RtfTabKind::Left;
    ListNumbering list;

    // 0 outside tables, else the nesting level of the paragraph's table (1: not nested).
    int depth() const {
        const int level = tableDepth > 0 ? tableDepth : (inTable ? 1 : 0);
        return std::min(level, rtfMaxTableDepth);
    }

    void resetCharacter() {
        font = -1;
        sizeHalfPoints = 0;
        bold = italic = underline = strike = hidden = caps = smallCaps = false;
        colorIndex = backgroundIndex = 0;
        position = RtfVerticalPosition::Normal;
    }
    void resetParagraph() {
        alignment = RtfAlignment::Left;
        leftIndent = rightIndent = firstLineIndent = spaceBefore = spaceAfter = 0;
        inTable = false;
        tableDepth = 0;
        tabs.reset();
        nextTabKind = RtfTabKind::Left;
        list = ListNumbering();
    }
};

struct FontEntry {
    QString family;
    int codePage = 0; // 0: the document's code page
    SymbolFont symbol = SymbolFont::None;
};

// Code pages of our own for the bytes of the symbol fonts.
constexpr int symbolCodePage = -2;
constexpr int wingdingsCodePage = -3;

// A row's properties as \trowd ... \cellx give them, before its cells' text is known.
struct RowDefinition {
    RtfRow row;                      // cells without paragraphs
    RtfCell pending;                 // the cell whose borders and shading come before its \cellx
    int borderSide = -1;             // the border the \brdr words describe; -1: none of a cell's
    std::optional<int> shadingColor; // \clcbpat
    int patternColor = -1;           // \clcfpat
    int shadingPercent = -1;         // \clshdng, in hundredths of a per cent
};

// A table being read at one nesting level: its finished rows, the cells of the row being read,
// and the paragraphs of the cell being read.
struct OpenTable {
    RtfTable table;
    std::vector<RtfCell> cells;
    std::vector<RtfParagraph> cell;
};

// Destinations whose content is never shown, whether or not the writer marked them with \*.
constexpr std::array<std::string_view, 65> skippedDestinations = {
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
    "nonesttables",
    "nonshppict",
    "object",
    "operator",
    "pnseclvl",
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

QString decodeBytes(QByteArrayView bytes, int codePage) {
    if (codePage != symbolCodePage && codePage != wingdingsCodePage)
        return decodeCodePage(bytes, codePage);
    const SymbolFont font = codePage == symbolCodePage ? SymbolFont::Symbol : SymbolFont::Wingdings;
    QString text;
    for (const char c : bytes) {
        const auto code = static_cast<std::uint8_t>(c);
        const char32_t u = code < 0x20 ? code : symbolFontCharacter(font, code);
        text += QString::fromUcs4(&u, 1);
    }
    return text;
}

void repairAll(std::vector<RtfParagraph>& paragraphs) {
    for (RtfParagraph& p : paragraphs) {
        for (RtfRun& r : p.runs)
            repairSurrogates(r.text);
        if (p.table)
            for (RtfRow& row : p.table->rows)
                for (RtfCell& cell : row.cells)
                    repairAll(cell.paragraphs);
    }
}

QString romanNumber(int n) {
    static constexpr std::array<std::pair<int, const char*>, 13> parts = {{{1000, "M"},
                                                                           {900, "CM"},
                                                                           {500, "D"},
                                                                           {400, "CD"},
                                                                           {100, "C"},
                                                                           {90, "XC"},
                                                                           {50, "L"},
                                                                           {40, "XL"},
                                                                           {10, "X"},
                                                                           {9, "IX"},
                                                                           {5, "V"},
                                                                           {4, "IV"},
                                                                           {1, "I"}}};
    QString text;
    for (const auto& [value, letters] : parts)
        for (; n >= value; n -= value)
            text += QLatin1String(letters);
    return text;
}

// A, B ... Z, AA, BB ... as writers count with letters.
QString letterNumber(int n) {
    const int repeat = (n - 1) / 26 + 1;
    return QString(repeat, QChar(u'A' + (n - 1) % 26));
}

QString listNumberText(int n, NumberStyle style) {
    n = std::clamp(n, 1, 3999);
    switch (style) {
    case NumberStyle::UpperLetter:
        return letterNumber(std::min(n, 26 * 8));
    case NumberStyle::LowerLetter:
        return letterNumber(std::min(n, 26 * 8)).toLower();
    case NumberStyle::UpperRoman:
        return romanNumber(n);
    case NumberStyle::LowerRoman:
        return romanNumber(n).toLower();
    case NumberStyle::Decimal:
        break;
    }
    return QString::number(n);
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
    bool tableWord(std::string_view word, bool hasParam, int param);
    void listWord(std::string_view word, int param);
    void pictureWord(std::string_view word, bool hasParam, int param);
    void pictureByte(char c);
    void pictureBytes(QByteArrayView bytes);
    void finishPicture();
    const FontEntry* fontEntry(int number) const;
    void controlSymbol(char c);
    void byte(char c);
    void character(char16_t c);
    void flushBytes();
    void append(const QString& text);
    void endParagraph(bool atDocumentEnd = false);
    void endParagraphAt(int depth, bool atDocumentEnd);
    void placeParagraph(RtfParagraph paragraph, int depth);
    std::vector<RtfParagraph>& container(int depth);
    void closeTablesAbove(int depth);
    void endCell(int depth);
    void endRow(int depth, bool atRowMark);
    void addListMarker(RtfParagraph& paragraph, const GroupState& s);
    RowDefinition& rowDefinition();
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
    // The runs the writer gave as the paragraph's bullet or number ({\pntext ...}), -1: none.
    int markerTextStart_ = -1;
    int markerTextEnd_ = -1;
    int listNumber_ = 0;
    bool lastParagraphNumbered_ = false;

    std::vector<OpenTable> tables_; // one per nesting level, outermost first
    std::array<RowDefinition, rtfMaxTableDepth> rowDefinitions_;

    RtfPicture picture_; // the picture being read
    int pictureNibble_ = -1;
    qsizetype pictureBytes_ = 0; // all pictures' data so far
    bool pictureTooLarge_ = false;
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
                    // Binary data may hold any byte, braces included; only a picture's is kept.
                    flushBytes();
                    groupStart_ = false;
                    skipCount_ = 0;
                    const qsizetype length =
                        std::min<qsizetype>(hasParam && param > 0 ? param : 0, n - pos_);
                    if (state().destination == Destination::Picture)
                        pictureBytes(data_.sliced(pos_, length));
                    pos_ += length;
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
        endParagraph(true); // a file cut short keeps what it held
    closeTablesAbove(0);
    // A closing paragraph mark leaves an empty paragraph behind; it is no line of the caption.
    if (document_.paragraphs.size() > 1 && document_.paragraphs.back().runs.empty() &&
        !document_.paragraphs.back().table)
        document_.paragraphs.pop_back();
    repairAll(document_.paragraphs);
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
    state().starred = false;
    groupStart_ = true;
}

void Reader::closeGroup() {
    flushBytes();
    skipCount_ = 0;
    groupStart_ = false;
    if (state().destination == Destination::FontTable && !fontName_.isEmpty())
        finishFontEntry();
    if (stack_.size() == 2)
        endParagraph(true); // the document's own group ends: its last paragraph has no mark
    if (stack_.size() <= 1)
        return;
    // What a group of numbering or picture properties gave goes to the group around it.
    const GroupState inner = std::move(stack_.back());
    stack_.pop_back();
    GroupState& outer = state();
    // A marker group that held a paragraph mark ends in a paragraph it did not start in: it
    // marks no text there.
    if (inner.markerText && !outer.markerText && markerTextStart_ >= 0 && markerTextEnd_ < 0)
        markerTextEnd_ = static_cast<int>(paragraph_.runs.size());
    if (inner.destination == Destination::Picture && outer.destination != Destination::Picture) {
        finishPicture();
    } else if (inner.destination == Destination::ListProps &&
               outer.destination == Destination::Text) {
        outer.list = inner.list;
        outer.list.active = true;
    } else if (inner.destination == Destination::MarkerBefore &&
               outer.destination == Destination::ListProps) {
        outer.list.before = inner.list.before;
    } else if (inner.destination == Destination::MarkerAfter &&
               outer.destination == Destination::ListProps) {
        outer.list.after = inner.list.after;
    }
}

void Reader::controlWord(std::string_view word, bool hasParam, int param) {
    groupStart_ = false;
    GroupState& s = state();
    if (s.destination == Destination::Skip) {
        // Destinations written with \* that this reader knows after all.
        if (std::exchange(s.starred, false)) {
            if (word == "nesttableprops")
                s.destination = Destination::TableProps;
            else if (word == "shppict")
                s.destination = Destination::Text;
            else if (word == "pn")
                s.destination = Destination::ListProps;
        }
        return;
    }
    s.starred = false;
    if (s.destination == Destination::TableProps) {
        tableWord(word, hasParam, param);
        return;
    }
    if (s.destination == Destination::ListProps || s.destination == Destination::MarkerBefore ||
        s.destination == Destination::MarkerAfter) {
        listWord(word, param);
        return;
    }
    if (s.destination == Destination::Picture) {
        pictureWord(word, hasParam, param);
        return;
    }
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
    if (word == "pict") {
        flushBytes();
        s.destination = Destination::Picture;
        picture_ = RtfPicture();
        pictureNibble_ = -1;
        pictureTooLarge_ = false;
        return;
    }
    if (word == "pn") {
        flushBytes();
        s.destination = Destination::ListProps;
        return;
    }
    if (word == "pntext") {
        // The writer's own text of the paragraph's bullet or number, for readers that do not
        // number: shown only when the paragraph's numbering does not give it.
        flushBytes();
        if (!s.markerText && markerTextStart_ < 0)
            markerTextStart_ = static_cast<int>(paragraph_.runs.size());
        s.markerText = true;
        return;
    }
    // Characters
    if (word == "par" || word == "sect" || word == "page") {
        endParagraph();
        return;
    }
    if (word == "cell") {
        endCell(1);
        return;
    }
    if (word == "nestcell") {
        endCell(std::max(2, s.depth()));
        return;
    }
    if (word == "row") {
        endRow(1, true);
        return;
    }
    if (word == "u") {
        // Values above 32767 are written as negative numbers.
        char16_t c = static_cast<char16_t>(static_cast<unsigned>(param) & 0xFFFF);
        if (c >= 0xF020 && c <= 0xF0FF) {
            // The symbol fonts' private-use codes, as WordPad writes a Symbol bullet (U+F0B7).
            const FontEntry* font = currentFont();
            const SymbolFont kind = font && font->symbol == SymbolFont::Wingdings
                                        ? SymbolFont::Wingdings
                                        : SymbolFont::Symbol;
            const char32_t mapped = symbolFontCharacter(kind, static_cast<std::uint8_t>(c & 0xFF));
            if (mapped <= 0xFFFF)
                c = static_cast<char16_t>(mapped);
        }
        character(c);
        skipCount_ = s.unicodeSkip;
        return;
    }
    static constexpr std::array<std::pair<std::string_view, char16_t>, 15> specials = {{
        {"line", u'\u2028'},
        {"tab", u'\t'},
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
    if (tableWord(word, hasParam, param))
        return;
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
    else if (word == "tqr")
        s.nextTabKind = RtfTabKind::Right;
    else if (word == "tqc")
        s.nextTabKind = RtfTabKind::Center;
    else if (word == "tqdec")
        s.nextTabKind = RtfTabKind::Decimal;
    else if (word == "tx" || word == "tb") {
        auto tabs = s.tabs ? std::make_shared<std::vector<RtfTabStop>>(*s.tabs)
                           : std::make_shared<std::vector<RtfTabStop>>();
        const RtfTabStop stop{std::clamp(param, 0, maxTwips),
                              word == "tb" ? RtfTabKind::Left : s.nextTabKind};
        s.nextTabKind = RtfTabKind::Left;
        const auto at = std::lower_bound(
            tabs->begin(), tabs->end(), stop,
            [](const RtfTabStop& a, const RtfTabStop& b) { return a.position < b.position; });
        if (at != tabs->end() && at->position == stop.position)
            *at = stop;
        else if (static_cast<int>(tabs->size()) < rtfMaxTabStops)
            tabs->insert(at, stop);
        s.tabs = std::move(tabs);
    } else if (word == "intbl")
        s.inTable = true;
    else if (word == "itap")
        s.tableDepth = std::clamp(param, 0, rtfMaxTableDepth);
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
    else if (word == "caps")
        s.caps = on;
    else if (word == "scaps")
        s.smallCaps = on;
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
            s.starred = true;
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
    case Destination::TableProps:
    case Destination::ListProps:
        return;
    case Destination::MarkerBefore:
        if (s.list.before.size() < maxMarkerBytes && c != '\0')
            s.list.before.append(c);
        return;
    case Destination::MarkerAfter:
        if (s.list.after.size() < maxMarkerBytes && c != '\0')
            s.list.after.append(c);
        return;
    case Destination::Picture:
        pictureByte(c);
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
    QString text = decodeBytes(bytes_, bytesCodePage_);
    bytes_.clear();
    text.removeIf([](QChar ch) { return (ch.unicode() < 0x20 && ch != u'\t') || ch == u'\x7F'; });
    append(text);
}

void Reader::append(const QString& text) {
    if (text.isEmpty())
        return;
    RtfCharFormat format = currentFormat();
    // Text after a bullet written as text ({\pntext ...}) starts a run of its own, so that the
    // bullet can be left out.
    const bool afterMarker =
        markerTextEnd_ >= 0 && markerTextEnd_ == static_cast<int>(paragraph_.runs.size());
    if (!paragraph_.runs.empty() && paragraph_.runs.back().picture < 0 && !afterMarker &&
        paragraph_.runs.back().format == format)
        paragraph_.runs.back().text += text;
    else
        paragraph_.runs.push_back(RtfRun{text, std::move(format)});
}

void Reader::endParagraph(bool atDocumentEnd) {
    endParagraphAt(state().depth(), atDocumentEnd);
}

void Reader::endParagraphAt(int depth, bool atDocumentEnd) {
    flushBytes();
    const GroupState& s = state();
    if (atDocumentEnd && paragraph_.runs.empty() && !tables_.empty())
        return; // the end of a document that closes with a table: no paragraph follows it
    RtfParagraph p = std::exchange(paragraph_, RtfParagraph());
    p.alignment = s.alignment;
    p.leftIndent = s.leftIndent;
    p.rightIndent = s.rightIndent;
    p.firstLineIndent = s.firstLineIndent;
    p.spaceBefore = s.spaceBefore;
    p.spaceAfter = s.spaceAfter;
    p.tabs = s.tabs;
    // The empty paragraph a closing paragraph mark leaves is no list item.
    if (!(atDocumentEnd && p.runs.empty()))
        addListMarker(p, s);
    placeParagraph(std::move(p), depth);
}

// The bullet or number of a paragraph under the older numbering, unless the writer gave it as
// text; numbers count on from paragraph to numbered paragraph.
void Reader::addListMarker(RtfParagraph& p, const GroupState& s) {
    const ListNumbering& list = s.list;
    const bool numbered = list.active && !list.bullet;
    if (numbered)
        listNumber_ = lastParagraphNumbered_ ? std::min(listNumber_ + 1, 32767) : list.start;
    lastParagraphNumbered_ = numbered;
    const int start = std::exchange(markerTextStart_, -1);
    const int end = std::exchange(markerTextEnd_, -1);
    if (!list.active)
        return;
    // The numbering is drawn in the item's own format, as a rich-edit control draws it; the text
    // the writer gave for it (in whatever format was in force before it) is left out.
    if (start >= 0) {
        const int last = end < 0 ? static_cast<int>(p.runs.size()) : std::max(end, start);
        p.runs.erase(p.runs.begin() + std::min<int>(start, p.runs.size()),
                     p.runs.begin() + std::min<int>(last, p.runs.size()));
    }
    const FontEntry* font = fontEntry(list.font);
    int codePage = documentCodePage_;
    if (font && font->symbol != SymbolFont::None)
        codePage = font->symbol == SymbolFont::Symbol ? symbolCodePage : wingdingsCodePage;
    else if (font && font->codePage != 0)
        codePage = font->codePage;
    const QString before = decodeBytes(list.before, codePage);
    QString text;
    if (list.bullet)
        text = before.isEmpty() ? QStringLiteral("\u2022") : before;
    else
        text = before + listNumberText(listNumber_, list.style) + decodeBytes(list.after, codePage);
    text.removeIf([](QChar ch) { return ch.unicode() < 0x20 || ch == u'\x7F'; });
    text += u'\t';
    RtfCharFormat format = p.runs.empty() ? currentFormat() : p.runs.front().format;
    if (font && font->symbol == SymbolFont::None)
        format.family = font->family; // a symbol font's characters are drawn in the text's font
    p.runs.insert(p.runs.begin(), RtfRun{text, std::move(format)});
}

std::vector<RtfParagraph>& Reader::container(int depth) {
    return depth == 0 ? document_.paragraphs : tables_[depth - 1].cell;
}

void Reader::placeParagraph(RtfParagraph paragraph, int depth) {
    closeTablesAbove(depth);
    while (static_cast<int>(tables_.size()) < depth)
        tables_.emplace_back();
    container(depth).push_back(std::move(paragraph));
}

// Tables nested more deeply than a paragraph end with it, and take their place in the cell (or
// the document) around them.
void Reader::closeTablesAbove(int depth) {
    while (static_cast<int>(tables_.size()) > depth) {
        endRow(static_cast<int>(tables_.size()), false); // a row left open keeps its cells
        OpenTable open = std::move(tables_.back());
        tables_.pop_back();
        if (open.table.rows.empty())
            continue;
        RtfParagraph p;
        p.table = std::make_shared<RtfTable>(std::move(open.table));
        container(static_cast<int>(tables_.size())).push_back(std::move(p));
    }
}

void Reader::endCell(int depth) {
    endParagraphAt(depth, false);
    OpenTable& t = tables_[depth - 1];
    if (static_cast<int>(t.cells.size()) < rtfMaxRowCells || t.cells.empty()) {
        t.cells.emplace_back();
        t.cells.back().paragraphs = std::move(t.cell);
    } else {
        auto& last = t.cells.back().paragraphs;
        std::move(t.cell.begin(), t.cell.end(), std::back_inserter(last));
    }
    t.cell.clear();
}

// The row's cells take the widths, borders and shading of the row's definition (the last one
// read at its level: writers put it before the cells, after them, or both).
void Reader::endRow(int depth, bool atRowMark) {
    if (atRowMark) {
        flushBytes();
        if (!paragraph_.runs.empty())
            endParagraphAt(depth, false);
        closeTablesAbove(depth);
    }
    if (static_cast<int>(tables_.size()) < depth)
        return; // a row mark without a table
    OpenTable& t = tables_[depth - 1];
    if (!t.cell.empty()) {
        t.cells.emplace_back();
        t.cells.back().paragraphs = std::move(t.cell);
        t.cell.clear();
    }
    if (t.cells.empty())
        return;
    const RowDefinition& definition = rowDefinitions_[depth - 1];
    RtfRow row;
    row.left = definition.row.left;
    row.gap = definition.row.gap;
    row.alignment = definition.row.alignment;
    int right = row.left;
    int width = 1440; // cells the definition does not give are an inch wide, or as the last
    for (std::size_t i = 0; i < t.cells.size(); ++i) {
        RtfCell& cell = t.cells[i];
        if (i < definition.row.cells.size()) {
            const RtfCell& given = definition.row.cells[i];
            cell.borders = given.borders;
            cell.shading = given.shading;
            cell.right = std::max(given.right, right + 15);
            width = cell.right - right;
        } else {
            cell.right = right + width;
        }
        right = cell.right;
    }
    row.cells = std::move(t.cells);
    t.cells.clear();
    t.table.rows.push_back(std::move(row));
}

RowDefinition& Reader::rowDefinition() {
    const GroupState& s = state();
    const int depth = s.destination == Destination::TableProps ? std::max(2, s.depth()) : 1;
    return rowDefinitions_[depth - 1];
}

// Row and cell properties; false for any other word.
bool Reader::tableWord(std::string_view word, bool hasParam, int param) {
    if (word == "trowd") {
        rowDefinition() = RowDefinition();
        return true;
    }
    if (word == "nestrow") {
        endRow(std::max(2, state().depth()), true);
        return true;
    }
    const bool cellWord = word.starts_with("cl") || word == "cellx";
    if (!cellWord && !word.starts_with("tr") && !word.starts_with("brdr"))
        return false;
    RowDefinition& d = rowDefinition();
    auto colorAt = [this](int index) -> std::optional<RtfColor> {
        if (index > 0 && static_cast<std::size_t>(index) < colors_.size())
            return colors_[index];
        return std::nullopt;
    };
    if (word == "cellx") {
        RtfCell cell = std::exchange(d.pending, RtfCell());
        cell.right = clampTwips(param);
        const std::optional<RtfColor> back =
            d.shadingColor ? colorAt(*d.shadingColor) : std::nullopt;
        if (d.shadingPercent > 0) {
            // A pattern colour (black unless given) laid over the background (white unless given).
            const RtfColor fore = colorAt(d.patternColor).value_or(RtfColor{0, 0, 0});
            const RtfColor under = back.value_or(RtfColor{255, 255, 255});
            const int p = std::min(d.shadingPercent, 10000);
            auto mix = [p](int a, int b) {
                return static_cast<std::uint8_t>((a * (10000 - p) + b * p) / 10000);
            };
            cell.shading = RtfColor{mix(under.red, fore.red), mix(under.green, fore.green),
                                    mix(under.blue, fore.blue)};
        } else {
            cell.shading = back;
        }
        if (static_cast<int>(d.row.cells.size()) < rtfMaxRowCells)
            d.row.cells.push_back(std::move(cell));
        d.borderSide = -1;
        d.shadingColor.reset();
        d.patternColor = d.shadingPercent = -1;
    } else if (word == "trleft") {
        d.row.left = clampTwips(param);
    } else if (word == "trgaph") {
        d.row.gap = std::clamp(param, 0, maxTwips);
    } else if (word == "trql") {
        d.row.alignment = RtfAlignment::Left;
    } else if (word == "trqc") {
        d.row.alignment = RtfAlignment::Center;
    } else if (word == "trqr") {
        d.row.alignment = RtfAlignment::Right;
    } else if (word == "clbrdrt") {
        d.borderSide = RtfTop;
    } else if (word == "clbrdrl") {
        d.borderSide = RtfLeft;
    } else if (word == "clbrdrb") {
        d.borderSide = RtfBottom;
    } else if (word == "clbrdrr") {
        d.borderSide = RtfRight;
    } else if (word == "clcbpat") {
        d.shadingColor = param;
    } else if (word == "clcfpat") {
        d.patternColor = param;
    } else if (word == "clshdng") {
        d.shadingPercent = std::max(param, 0);
    } else if (word.starts_with("brdr") && d.borderSide >= 0) {
        RtfBorder& border = d.pending.borders[d.borderSide];
        if (word == "brdrw")
            border.widthTwips = std::clamp(hasParam ? param : 0, 0, 1440);
        else if (word == "brdrcf")
            border.color = colorAt(param);
        else if (word == "brdrnone" || word == "brdrnil")
            border = RtfBorder();
        else if (word.size() > 5 || word == "brdrs")
            border.widthTwips = std::max(border.widthTwips, 10); // a style: thin unless \brdrw
        if (word == "brdrt" || word == "brdrb" || word == "brdrl" || word == "brdrr")
            d.borderSide = -1; // a paragraph's border, not the cell's
    }
    return true; // other row and cell properties (heights, merges, padding ...) are not kept
}

void Reader::listWord(std::string_view word, int param) {
    GroupState& s = state();
    ListNumbering& list = s.list;
    if (word == "pntxtb") {
        s.destination = Destination::MarkerBefore;
        list.before.clear();
    } else if (word == "pntxta") {
        s.destination = Destination::MarkerAfter;
        list.after.clear();
    } else if (word == "pnlvlblt") {
        list.bullet = true;
    } else if (word == "pnlvlbody" || word == "pnlvl" || word == "pnlvlcont") {
        list.bullet = false;
    } else if (word == "pndec") {
        list.style = NumberStyle::Decimal;
    } else if (word == "pnucltr") {
        list.style = NumberStyle::UpperLetter;
    } else if (word == "pnlcltr") {
        list.style = NumberStyle::LowerLetter;
    } else if (word == "pnucrm") {
        list.style = NumberStyle::UpperRoman;
    } else if (word == "pnlcrm") {
        list.style = NumberStyle::LowerRoman;
    } else if (word == "pnstart") {
        list.start = std::clamp(param, 0, 32767);
    } else if (word == "pnf") {
        list.font = param;
    }
}

void Reader::pictureWord(std::string_view word, bool hasParam, int param) {
    RtfPicture& p = picture_;
    const int size = std::clamp(hasParam ? param : 0, 0, 1 << 20);
    if (word == "pngblip")
        p.kind = RtfPictureKind::Png;
    else if (word == "jpegblip")
        p.kind = RtfPictureKind::Jpeg;
    else if (word == "emfblip" || word == "wmetafile" || word == "pmmetafile")
        p.kind = RtfPictureKind::Metafile;
    else if (word == "macpict" || word == "dibitmap" || word == "wbitmap")
        p.kind = RtfPictureKind::Other;
    else if (word == "picw")
        p.width = size;
    else if (word == "pich")
        p.height = size;
    else if (word == "picwgoal")
        p.goalWidth = std::min(size, maxTwips);
    else if (word == "pichgoal")
        p.goalHeight = std::min(size, maxTwips);
    else if (word == "picscalex")
        p.scaleX = std::clamp(param, 1, maxPictureScale);
    else if (word == "picscaley")
        p.scaleY = std::clamp(param, 1, maxPictureScale);
}

void Reader::pictureByte(char c) {
    const int value = hexDigit(c);
    if (value < 0)
        return;
    if (pictureNibble_ < 0) {
        pictureNibble_ = value;
        return;
    }
    const char b = static_cast<char>(pictureNibble_ * 16 + value);
    pictureNibble_ = -1;
    pictureBytes(QByteArrayView(&b, 1));
}

void Reader::pictureBytes(QByteArrayView bytes) {
    if (pictureTooLarge_)
        return;
    if (pictureBytes_ + bytes.size() > rtfMaxPictureBytes) {
        pictureTooLarge_ = true;
        picture_.data.clear();
        return;
    }
    picture_.data.append(bytes);
    pictureBytes_ += bytes.size();
}

// A picture takes its place in the text as one character.
void Reader::finishPicture() {
    RtfPicture p = std::exchange(picture_, RtfPicture());
    if (p.kind != RtfPictureKind::Png && p.kind != RtfPictureKind::Jpeg)
        p.data.clear();
    const GroupState& s = state();
    if (s.destination != Destination::Text || s.hidden)
        return;
    flushBytes();
    document_.pictures.push_back(std::move(p));
    paragraph_.runs.push_back(RtfRun{QString(QChar(0xFFFC)), currentFormat(),
                                     static_cast<int>(document_.pictures.size() - 1)});
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
        entry.symbol = symbolFontForFamily(entry.family);
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
    if (s.caps)
        f.capitals = RtfCapitals::All;
    else if (s.smallCaps)
        f.capitals = RtfCapitals::Small;
    return f;
}

int Reader::currentCodePage() const {
    const FontEntry* font = currentFont();
    if (font && font->symbol == SymbolFont::Symbol)
        return symbolCodePage;
    if (font && font->symbol == SymbolFont::Wingdings)
        return wingdingsCodePage;
    return font && font->codePage != 0 ? font->codePage : documentCodePage_;
}

const FontEntry* Reader::currentFont() const {
    return fontEntry(stack_.back().font);
}

// A font number missing from the table stands for the default font.
const FontEntry* Reader::fontEntry(int number) const {
    auto font = fonts_.find(number);
    if (font == fonts_.end())
        font = fonts_.find(defaultFont_);
    return font == fonts_.end() ? nullptr : &font->second;
}

} // namespace

QString RtfParagraph::text() const {
    QString t;
    for (const RtfRun& r : runs)
        t += r.text;
    if (table) {
        QStringList rows;
        for (const RtfRow& row : table->rows) {
            QStringList cells;
            for (const RtfCell& cell : row.cells) {
                QStringList lines;
                for (const RtfParagraph& p : cell.paragraphs)
                    lines << p.text();
                cells << lines.join(u'\n');
            }
            rows << cells.join(u'\t');
        }
        t += rows.join(u'\n');
    }
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
