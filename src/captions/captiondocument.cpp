#include "captions/captiondocument.h"

#include "core/textdecoding.h"
#include "pictures/picturedecoder.h"
#include <QColor>
#include <QImage>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>
#include <QUrl>
#include <algorithm>
#include <cmath>

namespace {

// Widest and highest a caption picture is shown, in pixels: 22 inches.
constexpr double maxPictureSide = 2112;
// Most columns a table is given; cell edges beyond these share the last column.
constexpr std::size_t maxColumns = 64;

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

QTextOption::TabType toQt(RtfTabKind kind) {
    switch (kind) {
    case RtfTabKind::Center:
        return QTextOption::CenterTab;
    case RtfTabKind::Right:
        return QTextOption::RightTab;
    case RtfTabKind::Decimal:
        return QTextOption::DelimiterTab;
    case RtfTabKind::Left:
        break;
    }
    return QTextOption::LeftTab;
}

// Tab stops count from the paragraph's left edge; the layout counts them from where its line
// starts, the left and first-line indents in. A hanging first line has a stop at the left indent,
// where a bullet's tab takes the text.
QList<QTextOption::Tab> tabPositions(const RtfParagraph& p) {
    const double lineStart = std::max(0.0, twipsToPixels(p.leftIndent + p.firstLineIndent));
    QList<QTextOption::Tab> tabs;
    bool hanging = p.firstLineIndent < 0;
    auto add = [&](int twips, QTextOption::TabType type) {
        const double at = twipsToPixels(twips) - lineStart;
        if (at > 0)
            tabs.append(
                QTextOption::Tab(at, type, type == QTextOption::DelimiterTab ? u'.' : QChar()));
    };
    if (p.tabs) {
        for (const RtfTabStop& stop : *p.tabs) {
            if (hanging && stop.position >= p.leftIndent) {
                if (stop.position > p.leftIndent)
                    add(p.leftIndent, QTextOption::LeftTab);
                hanging = false;
            }
            add(stop.position, toQt(stop.kind));
        }
    }
    if (hanging)
        add(p.leftIndent, QTextOption::LeftTab);
    return tabs;
}

QTextBlockFormat blockFormat(const RtfParagraph& p) {
    QTextBlockFormat f;
    const QList<QTextOption::Tab> tabs = tabPositions(p);
    if (!tabs.isEmpty())
        f.setTabPositions(tabs);
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
    if (r.capitals == RtfCapitals::All)
        f.setFontCapitalization(QFont::AllUppercase);
    else if (r.capitals == RtfCapitals::Small)
        f.setFontCapitalization(QFont::SmallCaps);
    return f;
}

quint32 bigEndian(const QByteArray& data, qsizetype at, int bytes) {
    quint32 value = 0;
    for (int i = 0; i < bytes; ++i)
        value = value << 8 | static_cast<std::uint8_t>(data[at + i]);
    return value;
}

// The size a PNG or JPEG file declares, read before anything is decoded, so that a caption's
// pictures together stay within what it may take.
std::optional<QSize> declaredSize(const RtfPicture& picture) {
    const QByteArray& d = picture.data;
    if (picture.kind == RtfPictureKind::Png) {
        if (d.size() < 24 || d.mid(12, 4) != "IHDR")
            return std::nullopt;
        return QSize(static_cast<int>(std::min<quint32>(bigEndian(d, 16, 4), 1 << 30)),
                     static_cast<int>(std::min<quint32>(bigEndian(d, 20, 4), 1 << 30)));
    }
    // JPEG: the first start-of-frame segment.
    qsizetype at = 2;
    while (at + 9 <= d.size()) {
        if (static_cast<std::uint8_t>(d[at]) != 0xFF)
            return std::nullopt;
        const int marker = static_cast<std::uint8_t>(d[at + 1]);
        if (marker == 0xFF) {
            ++at;
            continue;
        }
        const bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame)
            return QSize(static_cast<int>(bigEndian(d, at + 7, 2)),
                         static_cast<int>(bigEndian(d, at + 5, 2)));
        at += 2 + bigEndian(d, at + 2, 2);
    }
    return std::nullopt;
}

class DocumentBuilder {
  public:
    DocumentBuilder(QTextDocument& document, const RtfDocument& rtf)
        : document_(document), rtf_(rtf) {}

    void addParagraphs(QTextCursor& cursor, const std::vector<RtfParagraph>& paragraphs);

  private:
    void addTable(QTextCursor& cursor, const RtfTable& table);
    void addPicture(QTextCursor& cursor, int index, const QTextCharFormat& format);
    QImage decode(const RtfPicture& picture);

    QTextDocument& document_;
    const RtfDocument& rtf_;
    qint64 pixelsLeft_ = maxCaptionPicturePixels;
    bool placeholderAdded_ = false;
};

void DocumentBuilder::addParagraphs(QTextCursor& cursor,
                                    const std::vector<RtfParagraph>& paragraphs) {
    bool atEmptyBlock = true; // the frame's first block, or the one after a table
    for (const RtfParagraph& p : paragraphs) {
        if (p.table) {
            if (!p.table->rows.empty()) {
                addTable(cursor, *p.table);
                atEmptyBlock = true;
            }
            continue;
        }
        if (atEmptyBlock)
            cursor.setBlockFormat(blockFormat(p));
        else
            cursor.insertBlock(blockFormat(p), QTextCharFormat());
        atEmptyBlock = false;
        for (const RtfRun& run : p.runs) {
            if (run.picture >= 0)
                addPicture(cursor, run.picture, charFormat(run.format));
            else
                cursor.insertText(run.text, charFormat(run.format));
        }
    }
}

// Columns are made from every row's cell edges, so that rows of different cells line up where
// their edges do; a cell spans the columns between its edges.
void DocumentBuilder::addTable(QTextCursor& cursor, const RtfTable& table) {
    std::vector<int> edges;
    for (const RtfRow& row : table.rows) {
        edges.push_back(std::max(0, row.left));
        for (const RtfCell& cell : row.cells)
            edges.push_back(std::max(0, cell.right));
    }
    std::sort(edges.begin(), edges.end());
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
    if (edges.size() > maxColumns + 1)
        edges.resize(maxColumns + 1);
    if (edges.size() < 2)
        edges.push_back(edges.empty() ? 1440 : edges.back() + 1440);
    const int columns = static_cast<int>(edges.size()) - 1;
    auto column = [&](int twips) {
        const auto at = std::lower_bound(edges.begin(), edges.end(), std::max(0, twips));
        return std::clamp(static_cast<int>(at - edges.begin()), 0, columns);
    };

    const RtfRow& first = table.rows.front();
    QTextTableFormat format;
    format.setCellSpacing(0);
    format.setCellPadding(0);
    format.setBorder(0);
    format.setBorderCollapse(true);
    format.setMargin(0);
    format.setLeftMargin(twipsToPixels(edges.front()));
    format.setAlignment(first.alignment == RtfAlignment::Center  ? Qt::AlignHCenter
                        : first.alignment == RtfAlignment::Right ? Qt::AlignRight
                                                                 : Qt::AlignLeft);
    QList<QTextLength> widths;
    for (int i = 0; i < columns; ++i)
        widths.append(
            QTextLength(QTextLength::FixedLength, twipsToPixels(edges[i + 1] - edges[i])));
    format.setColumnWidthConstraints(widths);
    QTextTable* qtable = cursor.insertTable(static_cast<int>(table.rows.size()), columns, format);

    for (int r = 0; r < static_cast<int>(table.rows.size()); ++r) {
        const RtfRow& row = table.rows[r];
        int left = std::max(0, row.left);
        for (std::size_t c = 0; c < row.cells.size(); ++c) {
            const RtfCell& cell = row.cells[c];
            const int from = std::min(column(left), columns - 1);
            const int to = std::max(from + 1, column(cell.right));
            left = std::max(left, cell.right);
            if (qtable->cellAt(r, from).column() != from)
                continue; // edges out of order: the column is taken
            if (to - from > 1)
                qtable->mergeCells(r, from, 1, to - from);
            QTextTableCell qcell = qtable->cellAt(r, from);
            QTextTableCellFormat cf = qcell.format().toTableCellFormat();
            // The text keeps \trgaph from the cell's edges; a row moved left of the margin
            // (\trleft < 0, as writers do to put the first cell's text on the margin) takes
            // the difference out of the first cell's gap.
            const double gap = twipsToPixels(row.gap);
            cf.setLeftPadding(c == 0 ? std::max(0.0, gap + twipsToPixels(std::min(0, row.left)))
                                     : gap);
            cf.setRightPadding(gap);
            cf.setTopPadding(0);
            cf.setBottomPadding(0);
            const auto border = [&](RtfSide side) { return cell.borders[side]; };
            for (const RtfSide side : {RtfTop, RtfLeft, RtfBottom, RtfRight}) {
                const RtfBorder b = border(side);
                if (b.widthTwips <= 0)
                    continue;
                const double w = std::max(1.0, twipsToPixels(b.widthTwips));
                const QBrush brush(b.color ? toQColor(*b.color) : QColor(Qt::black));
                switch (side) {
                case RtfTop:
                    cf.setTopBorder(w);
                    cf.setTopBorderBrush(brush);
                    cf.setTopBorderStyle(QTextFrameFormat::BorderStyle_Solid);
                    break;
                case RtfLeft:
                    cf.setLeftBorder(w);
                    cf.setLeftBorderBrush(brush);
                    cf.setLeftBorderStyle(QTextFrameFormat::BorderStyle_Solid);
                    break;
                case RtfBottom:
                    cf.setBottomBorder(w);
                    cf.setBottomBorderBrush(brush);
                    cf.setBottomBorderStyle(QTextFrameFormat::BorderStyle_Solid);
                    break;
                case RtfRight:
                    cf.setRightBorder(w);
                    cf.setRightBorderBrush(brush);
                    cf.setRightBorderStyle(QTextFrameFormat::BorderStyle_Solid);
                    break;
                }
            }
            if (cell.shading)
                cf.setBackground(toQColor(*cell.shading));
            qcell.setFormat(cf);
            QTextCursor inCell = qcell.firstCursorPosition();
            addParagraphs(inCell, cell.paragraphs);
        }
    }
    cursor = qtable->lastCursorPosition();
    cursor.movePosition(QTextCursor::NextBlock);
}

QImage DocumentBuilder::decode(const RtfPicture& picture) {
    if (picture.data.isEmpty())
        return QImage();
    const std::optional<QSize> size = declaredSize(picture);
    if (!size || !pictureSizeAllowed(size->width(), size->height()))
        return QImage();
    const qint64 pixels = qint64(size->width()) * size->height();
    if (pixels > pixelsLeft_)
        return QImage();
    try {
        const QString name = QStringLiteral("caption picture");
        QImage image = picture.kind == RtfPictureKind::Png ? decodePng(picture.data, name)
                                                           : decodeJpeg(picture.data, name);
        pixelsLeft_ -= qint64(image.width()) * image.height();
        return image;
    } catch (const EPictureError&) {
        return QImage(); // a damaged picture keeps its place, empty
    }
}

// Shown at \picwgoal x \pichgoal when given, else at its own size (a bitmap's pixels, a
// metafile's hundredths of a millimetre), then scaled by \picscalex, \picscaley. Metafiles, and
// pictures that cannot be decoded, keep their place as empty space of that size.
void DocumentBuilder::addPicture(QTextCursor& cursor, int index, const QTextCharFormat& format) {
    const RtfPicture& picture = rtf_.pictures.at(static_cast<std::size_t>(index));
    const QImage image = decode(picture);
    double width = twipsToPixels(picture.goalWidth);
    double height = twipsToPixels(picture.goalHeight);
    if (width <= 0 || height <= 0) {
        if (!image.isNull()) {
            width = image.width();
            height = image.height();
        } else if (picture.kind == RtfPictureKind::Metafile) {
            width = picture.width * 96.0 / 2540;
            height = picture.height * 96.0 / 2540;
        } else {
            width = picture.width;
            height = picture.height;
        }
    }
    width = std::min(width * picture.scaleX / 100.0, maxPictureSide);
    height = std::min(height * picture.scaleY / 100.0, maxPictureSide);
    if (width < 1 || height < 1)
        return;
    QUrl name;
    if (image.isNull()) {
        name = QUrl(QStringLiteral("tavorel-caption:placeholder"));
        if (!std::exchange(placeholderAdded_, true)) {
            QImage clear(1, 1, QImage::Format_ARGB32);
            clear.fill(Qt::transparent);
            document_.addResource(QTextDocument::ImageResource, name, clear);
        }
    } else {
        name = QUrl(QStringLiteral("tavorel-caption:picture%1").arg(index));
        document_.addResource(QTextDocument::ImageResource, name, image);
    }
    QTextImageFormat f;
    f.merge(format);
    f.setName(name.toString());
    f.setWidth(width);
    f.setHeight(height);
    cursor.insertImage(f);
}

} // namespace

void fillCaptionDocument(QTextDocument& document, const RtfDocument& rtf) {
    document.clear();
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    DocumentBuilder(document, rtf).addParagraphs(cursor, rtf.paragraphs);
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
