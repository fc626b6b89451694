#include "captions/captiondocument.h"

#include "core/textdecoding.h"
#include <QColor>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <cmath>

namespace {

// 1440 twips to the inch, 96 pixels to the inch.
double twipsToPixels(int twips) {
    return twips / 15.0;
}

int halfPointsToPixels(int halfPoints) {
    return std::max(1, static_cast<int>(std::lround(halfPoints / 1.5)));
}

QColor toQColor(const RtfColor& c) {
    return QColor(c.red, c.green, c.blue);
}

Qt::Alignment toQt(RtfAlignment a) {
    switch (a) {
    case RtfAlignment::Center:
        return Qt::AlignHCenter;
    case RtfAlignment::Right:
        return Qt::AlignRight;
    case RtfAlignment::Justify:
        return Qt::AlignJustify;
    case RtfAlignment::Left:
        break;
    }
    return Qt::AlignLeft;
}

QTextBlockFormat blockFormat(const RtfParagraph& p) {
    QTextBlockFormat f;
    f.setAlignment(toQt(p.alignment));
    f.setLeftMargin(std::max(0.0, twipsToPixels(p.leftIndent)));
    f.setRightMargin(std::max(0.0, twipsToPixels(p.rightIndent)));
    f.setTextIndent(twipsToPixels(p.firstLineIndent));
    f.setTopMargin(twipsToPixels(p.spaceBefore));
    f.setBottomMargin(twipsToPixels(p.spaceAfter));
    return f;
}

QTextCharFormat charFormat(const RtfCharFormat& r) {
    QTextCharFormat f;
    if (!r.family.isEmpty())
        f.setFontFamilies(QStringList{r.family});
    if (r.sizeHalfPoints > 0)
        f.setProperty(QTextFormat::FontPixelSize, halfPointsToPixels(r.sizeHalfPoints));
    if (r.bold)
        f.setFontWeight(QFont::Bold);
    if (r.italic)
        f.setFontItalic(true);
    if (r.underline)
        f.setFontUnderline(true);
    if (r.strike)
        f.setFontStrikeOut(true);
    if (r.color)
        f.setForeground(toQColor(*r.color));
    if (r.background)
        f.setBackground(toQColor(*r.background));
    if (r.position == RtfVerticalPosition::Superscript)
        f.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    else if (r.position == RtfVerticalPosition::Subscript)
        f.setVerticalAlignment(QTextCharFormat::AlignSubScript);
    return f;
}

} // namespace

void fillCaptionDocument(QTextDocument& document, const RtfDocument& rtf) {
    document.clear();
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    bool first = true;
    for (const RtfParagraph& p : rtf.paragraphs) {
        if (first)
            cursor.setBlockFormat(blockFormat(p));
        else
            cursor.insertBlock(blockFormat(p), QTextCharFormat());
        first = false;
        for (const RtfRun& run : p.runs)
            cursor.insertText(run.text, charFormat(run.format));
    }
    cursor.endEditBlock();
}

void fillPlainCaption(QTextDocument& document, const QString& text) {
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    lines.replace(u'\r', u'\n');
    if (lines.endsWith(u'\n'))
        lines.chop(1);
    document.setPlainText(lines);
}

bool loadCaptionDocument(QTextDocument& document, QByteArrayView bytes) {
    if (const std::optional<RtfDocument> rtf = readRtf(bytes)) {
        fillCaptionDocument(document, *rtf);
        return true;
    }
    if (const std::optional<QString> text = decodePlainText(bytes)) {
        fillPlainCaption(document, *text);
        return true;
    }
    return false;
}
