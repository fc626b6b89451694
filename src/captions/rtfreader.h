#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

// The rich-text (RTF) reader of the caption overlay. It turns an RTF file into paragraphs of
// formatted runs: fonts by family, sizes, bold, italic, underline, strike, capitals, text and
// highlight colours, paragraph alignment, indents, spacing and tab stops; tables (nested ones
// too) with their cell widths, borders and shading; PNG and JPEG pictures, and metafiles as their
// size; the bullets and numbers of the older paragraph numbering (\pn). Symbol and Wingdings
// characters become the Unicode characters they stand for. Everything else a writer puts in the
// file (style sheets, document information, objects, fields' instructions, footnotes, headers,
// themes, the plain copies of nested tables and any destination marked as ignorable) is passed
// over.
//
// It works on any bytes: groups are kept on a stack of bounded depth, tables nest to a bounded
// depth, picture data is bounded, binary data (\bin) outside pictures and unknown control words
// are skipped, and what it builds never exceeds a small multiple of the input. Only QtCore is
// used, so the reader can be fuzzed on its own; pictures are decoded by whoever shows them.

struct RtfColor {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    bool operator==(const RtfColor&) const = default;
};

enum class RtfVerticalPosition { Normal, Superscript, Subscript };
enum class RtfCapitals { None, All, Small };

struct RtfCharFormat {
    QString family;         // empty: the view's default font
    int sizeHalfPoints = 0; // 0: the view's default size
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    std::optional<RtfColor> color;      // none: the view's text colour
    std::optional<RtfColor> background; // none: nothing drawn behind the letters
    RtfVerticalPosition position = RtfVerticalPosition::Normal;
    RtfCapitals capitals = RtfCapitals::None;
    bool operator==(const RtfCharFormat&) const = default;
};

struct RtfRun {
    QString text; // tabs as '\t', line breaks inside a paragraph as U+2028
    RtfCharFormat format;
    // A picture: an index into RtfDocument::pictures, the text then being one U+FFFC.
    int picture = -1;
};

enum class RtfAlignment { Left, Center, Right, Justify };

enum class RtfTabKind { Left, Center, Right, Decimal };

struct RtfTabStop {
    int position = 0; // twips from the paragraph's left edge (before any indent)
    RtfTabKind kind = RtfTabKind::Left;
    bool operator==(const RtfTabStop&) const = default;
};

struct RtfParagraph;

struct RtfBorder {
    int widthTwips = 0; // 0: no border
    std::optional<RtfColor> color;
    bool operator==(const RtfBorder&) const = default;
};

enum RtfSide { RtfTop, RtfLeft, RtfBottom, RtfRight };

struct RtfCell {
    int right = 0; // \cellx: the cell's right edge, twips from the paragraph's left edge
    std::array<RtfBorder, 4> borders; // by RtfSide
    std::optional<RtfColor> shading;
    std::vector<RtfParagraph> paragraphs;
};

struct RtfRow {
    int left = 0; // \trleft: the first cell's left edge
    int gap = 0;  // \trgaph: the space between a cell's edge and its text
    RtfAlignment alignment = RtfAlignment::Left; // of the row between the margins
    std::vector<RtfCell> cells;
};

struct RtfTable {
    std::vector<RtfRow> rows;
};

enum class RtfPictureKind { Png, Jpeg, Metafile, Other };

struct RtfPicture {
    RtfPictureKind kind = RtfPictureKind::Other;
    QByteArray data; // the PNG or JPEG file; empty for the others, or when over the limit
    int width = 0;   // \picw, \pich: pixels of a bitmap, hundredths of a millimetre of a metafile
    int height = 0;
    int goalWidth = 0; // \picwgoal, \pichgoal: the size it is shown at, twips; 0 when not given
    int goalHeight = 0;
    int scaleX = 100; // percentages applied on top
    int scaleY = 100;
};

// Distances in twips (1/1440 inch).
struct RtfParagraph {
    std::vector<RtfRun> runs;
    RtfAlignment alignment = RtfAlignment::Left;
    int leftIndent = 0;
    int rightIndent = 0;
    int firstLineIndent = 0; // relative to leftIndent; negative for a hanging indent
    int spaceBefore = 0;
    int spaceAfter = 0;
    std::shared_ptr<const std::vector<RtfTabStop>> tabs; // ascending; none when not set
    // When set, this entry is no paragraph but a table standing in its place, and has no runs.
    std::shared_ptr<RtfTable> table;

    // The runs' text; a table's rows joined by '\n', their cells by '\t'.
    QString text() const;
};

struct RtfDocument {
    std::vector<RtfParagraph> paragraphs;
    std::vector<RtfPicture> pictures;

    // The paragraphs' text joined by '\n'.
    QString text() const;
};

// True when the bytes open like an RTF file: "{\rtf" after optional blanks and line ends.
bool looksLikeRtf(QByteArrayView data);

// Reads an RTF file. Gives nothing, with the reason in *error when asked for, when the bytes are
// not RTF or are RTF this reader rejects (groups nested more deeply than it follows). A file that
// ends before its groups are closed is read up to its end.
std::optional<RtfDocument> readRtf(QByteArrayView data, QString* error = nullptr);

// Deepest group nesting the reader follows.
inline constexpr int rtfMaxGroupDepth = 512;
// Deepest table nesting kept; cells nested more deeply join the deepest table.
inline constexpr int rtfMaxTableDepth = 8;
// Most cells a row keeps; later cells' text joins the last one.
inline constexpr int rtfMaxRowCells = 64;
// Most tab stops a paragraph keeps.
inline constexpr int rtfMaxTabStops = 32;
// Most picture data a document keeps, all pictures together; a picture beyond it keeps only its
// size.
inline constexpr qsizetype rtfMaxPictureBytes = 16 * 1024 * 1024;
