#pragma once

#include <QByteArrayView>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

// The rich-text (RTF) reader of the caption overlay. It turns an RTF file into paragraphs of
// formatted runs: fonts by family, sizes, bold, italic, underline, strike, text and highlight
// colours, paragraph alignment, indents and spacing. Everything else a writer puts in the file
// (style sheets, document information, pictures, objects, fields' instructions, lists, themes and
// any destination marked as ignorable) is passed over.
//
// It works on any bytes: groups are kept on a stack of bounded depth, binary data (\bin) and
// unknown control words are skipped, and what it builds never exceeds a small multiple of the
// input. Only QtCore is used, so the reader can be fuzzed on its own.

struct RtfColor {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    bool operator==(const RtfColor&) const = default;
};

enum class RtfVerticalPosition { Normal, Superscript, Subscript };

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
    bool operator==(const RtfCharFormat&) const = default;
};

struct RtfRun {
    QString text; // tabs as '\t', line breaks inside a paragraph as U+2028
    RtfCharFormat format;
};

enum class RtfAlignment { Left, Center, Right, Justify };

// Distances in twips (1/1440 inch).
struct RtfParagraph {
    std::vector<RtfRun> runs;
    RtfAlignment alignment = RtfAlignment::Left;
    int leftIndent = 0;
    int rightIndent = 0;
    int firstLineIndent = 0; // relative to leftIndent; negative for a hanging indent
    int spaceBefore = 0;
    int spaceAfter = 0;

    QString text() const;
};

struct RtfDocument {
    std::vector<RtfParagraph> paragraphs;

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
