#include "captions/captiondocument.h"
#include "captions/transparentrichedit.h"
#include "core/errors.h"
#include "rtfsample.h"
#include "support/qtprinters.h"
#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>
#include <QTextTable>
#include <gtest/gtest.h>

namespace {

const QByteArray redCaption = "{\\rtf1\\ansi{\\fonttbl{\\f0 DejaVu Sans;}}"
                              "{\\colortbl;\\red255\\green0\\blue0;}"
                              "\\f0\\fs96\\b\\cf1 SALE SALE\\par}";

bool isRed(QColor c) {
    return c.red() >= 120 && c.green() <= c.red() / 3 && c.blue() <= c.red() / 3;
}

// Draws the overlay over a green "picture" the size of the box, as the window does.
QImage renderOver(TTransparentRichEdit& box) {
    QImage canvas(box.size(), QImage::Format_RGB32);
    canvas.fill(QColor(0, 160, 0));
    box.render(&canvas, QPoint(), QRegion(), QWidget::DrawChildren);
    return canvas;
}

} // namespace

TEST(TransparentRichEdit, StartsAtZoom100WithPlainText) {
    TTransparentRichEdit box;
    EXPECT_EQ(box.Zoom(), 100);
    EXPECT_EQ(box.Scale(), 64);
    EXPECT_TRUE(box.ReadOnly);
    EXPECT_TRUE(box.Background().isNull());
    box.setText(QStringLiteral("TransparentRichEdit1"));
    EXPECT_EQ(box.Text(), u"TransparentRichEdit1");
    EXPECT_FALSE(box.testAttribute(Qt::WA_NativeWindow));
    EXPECT_FALSE(box.autoFillBackground());
}

TEST(TransparentRichEdit, DrawsTheLettersAndNothingAroundThem) {
    TTransparentRichEdit box;
    box.resize(640, 200);
    box.LoadFromBytes(redCaption);
    const QImage shot = renderOver(box);
    int red = 0, green = 0, other = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) {
            const QColor c = shot.pixelColor(x, y);
            if (isRed(c))
                ++red;
            else if (c == QColor(0, 160, 0))
                ++green;
            else
                ++other; // anti-aliased edges
        }
    EXPECT_GT(red, 500);
    EXPECT_GT(green, shot.width() * shot.height() / 2); // the picture shows around the letters
    EXPECT_LT(other, red);
    // Below the one line of text the picture is untouched.
    EXPECT_EQ(shot.pixelColor(320, 190), QColor(0, 160, 0));
}

TEST(TransparentRichEdit, LaysOutAtTheWidthOverTheScaleAndDrawsAtTheScale) {
    TTransparentRichEdit box;
    box.resize(1280, 400);
    box.LoadFromBytes(redCaption);
    EXPECT_DOUBLE_EQ(box.Document().textWidth(), 1280.0);
    const int natural = box.RenderedHeight();
    EXPECT_GT(natural, 40);

    box.SetZoom(200); // scale 128/64
    EXPECT_EQ(box.Zoom(), 200);
    EXPECT_EQ(box.Scale(), 128);
    EXPECT_DOUBLE_EQ(box.Document().textWidth(), 640.0);
    EXPECT_NEAR(box.RenderedHeight(), 2 * natural, 2);

    // Drawn twice as large: the red text reaches about twice as far down.
    auto lowestRed = [](const QImage& img) {
        for (int y = img.height() - 1; y >= 0; --y)
            for (int x = 0; x < img.width(); ++x)
                if (isRed(img.pixelColor(x, y)))
                    return y;
        return -1;
    };
    const int bottomAt2 = lowestRed(renderOver(box));
    box.SetZoom(100);
    const int bottomAt1 = lowestRed(renderOver(box));
    ASSERT_GT(bottomAt1, 0);
    EXPECT_NEAR(bottomAt2, 2 * bottomAt1, 8);

    // A zoom that gives no usable scale changes nothing.
    box.SetZoom(19200);
    EXPECT_EQ(box.Zoom(), 100);
    EXPECT_EQ(box.Scale(), 64);
}

TEST(TransparentRichEdit, RtfBecomesFormattedDocument) {
    TTransparentRichEdit box;
    box.LoadFromBytes("{\\rtf1{\\fonttbl{\\f0 Tahoma;}}{\\colortbl;\\red0\\green0\\blue255;}"
                      "\\qc\\f0\\fs24 centred \\b\\cf1 blue\\par\\pard\\li1440\\fi-720 next}");
    const QTextDocument& doc = box.Document();
    ASSERT_EQ(doc.blockCount(), 2);
    const QTextBlock first = doc.firstBlock();
    EXPECT_EQ(first.text(), u"centred blue");
    EXPECT_EQ(first.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    QTextCursor c(first);
    c.setPosition(first.position() + 10);
    EXPECT_EQ(c.charFormat().foreground().color(), QColor(0, 0, 255));
    EXPECT_EQ(c.charFormat().fontWeight(), QFont::Bold);
    EXPECT_EQ(c.charFormat().property(QTextFormat::FontPixelSize).toInt(), 16); // 12 pt at 96 dpi
    const QTextBlock second = first.next();
    EXPECT_DOUBLE_EQ(second.blockFormat().leftMargin(), 96.0);
    EXPECT_DOUBLE_EQ(second.blockFormat().textIndent(), -48.0);
}

TEST(TransparentRichEdit, PlainTextFallback) {
    TTransparentRichEdit box;
    box.LoadFromBytes("Line one\r\nLine two\r\n");
    EXPECT_EQ(box.Text(), u"Line one\nLine two");
    EXPECT_EQ(box.Document().blockCount(), 2);
    // RTF the reader rejects is shown as the text it is.
    QByteArray deep = "{\\rtf1 " + QByteArray(rtfMaxGroupDepth + 5, '{') + "x";
    box.LoadFromBytes(deep);
    EXPECT_EQ(box.Text(), QString::fromLatin1(deep));
}

TEST(TransparentRichEdit, NeitherRtfNorTextFailsAndKeepsTheContent) {
    TTransparentRichEdit box;
    box.setText(QStringLiteral("before"));
    try {
        box.LoadFromBytes(QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
        FAIL() << "binary data was taken as a caption";
    } catch (const EError& e) {
        EXPECT_EQ(e.message(), u"Failed to Load Stream");
    }
    EXPECT_EQ(box.Text(), u"before");
}

TEST(TransparentRichEdit, LoadFromFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("caption.rtf"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("{\\rtf1 From a file}");
    }
    TTransparentRichEdit box;
    box.LoadFromFile(path);
    EXPECT_EQ(box.Text(), u"From a file");
    EXPECT_THROW(box.LoadFromFile(dir.filePath(QStringLiteral("missing.rtf"))), EInOutError);
    EXPECT_EQ(box.Text(), u"From a file");
}

TEST(TransparentRichEdit, BackgroundPictureIsDrawnAtTheTopLeft) {
    TTransparentRichEdit box;
    box.resize(100, 100);
    box.setText(QString());
    QPixmap blue(20, 10);
    blue.fill(Qt::blue);
    box.SetBackground(blue);
    const QImage shot = renderOver(box);
    EXPECT_EQ(shot.pixelColor(5, 5), QColor(Qt::blue));
    EXPECT_EQ(shot.pixelColor(30, 5), QColor(0, 160, 0));
}

TEST(CaptionDocument, ReloadingDoesNotGrowTheDocument) {
    // The board loads a caption at every slide for months.
    TTransparentRichEdit box;
    box.resize(800, 600);
    for (int i = 0; i < 200; ++i)
        box.LoadFromBytes(redCaption);
    EXPECT_EQ(box.Document().blockCount(), 1);
    EXPECT_FALSE(box.Document().isUndoAvailable());
}

TEST(CaptionDocument, TablesAreLaidOutAtTheirCellWidths) {
    TTransparentRichEdit box;
    box.resize(800, 600);
    box.LoadFromBytes(rtfSample("table.rtf"));
    const QTextDocument& doc = box.Document();
    const QTextFrame* root = doc.rootFrame();
    ASSERT_GE(root->childFrames().size(), 1);
    const auto* table = qobject_cast<QTextTable*>(root->childFrames().at(0));
    ASSERT_NE(table, nullptr);
    ASSERT_EQ(table->columns(), 2);
    ASSERT_EQ(table->rows(), 1);
    // The second cell's text starts at its left edge (\cellx2880 = 192 px, the row centred in
    // 800 px: (800 - 384) / 2) plus \trgaph108 (7.2 px); the first one's at the row's left edge.
    const QTextTableCell second = table->cellAt(0, 1);
    const QRectF secondText =
        doc.documentLayout()->blockBoundingRect(second.firstCursorPosition().block());
    EXPECT_NEAR(secondText.left(), 208 + 192 + 7.2, 2.0) << secondText.left();
    const QRectF firstText =
        doc.documentLayout()->blockBoundingRect(table->cellAt(0, 0).firstCursorPosition().block());
    EXPECT_NEAR(firstText.left(), 208, 2.0) << firstText.left();
    EXPECT_EQ(table->cellAt(0, 0).format().background().color(), QColor(255, 255, 0));
    EXPECT_EQ(table->cellAt(0, 1).format().background().color(), QColor(204, 204, 204));
    EXPECT_DOUBLE_EQ(table->cellAt(0, 0).format().toTableCellFormat().topBorder(), 1.0);
    // The nested table is there once, its plain copy not at all.
    EXPECT_EQ(doc.toPlainText().count(QStringLiteral("Small")), 1)
        << doc.toPlainText().toStdString();
    // The right tab stop at 2000 twips ends "2.50" there: tab stops count from the cell's text.
    const QTextBlock coffee = table->cellAt(0, 0).firstCursorPosition().block();
    const QTextLine line = coffee.layout()->lineAt(0);
    EXPECT_NEAR(line.cursorToX(coffee.length() - 1), 2000 / 15.0, 2.0);
    // Every list item has its bullet or number, once.
    EXPECT_TRUE(doc.toPlainText().contains(
        QStringLiteral("\u2022\tone\n\u2022\ttwo\n1.\tfirst\n2.\tsecond")))
        << doc.toPlainText().toStdString();
}

TEST(CaptionDocument, PicturesShowTheirColoursAtTheirSize) {
    TTransparentRichEdit box;
    box.resize(400, 100);
    box.LoadFromBytes(rtfSample("picture.rtf"));
    const QImage shot = renderOver(box);
    // The PNG (4 x 2, red then blue) at \picwgoal600 x \pichgoal300: 40 x 20 px after "Logo ".
    QRect red;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) {
            const QColor c = shot.pixelColor(x, y);
            if (c.red() > 200 && c.green() < 60 && c.blue() < 60 &&
                (red.isNull() || x < red.left() + 30))
                red |= QRect(x, y, 1, 1);
        }
    ASSERT_FALSE(red.isNull());
    EXPECT_GT(red.left(), 20); // after the text
    EXPECT_NEAR(red.width(), 20, 2);
    EXPECT_NEAR(red.height(), 20, 2);
    const QColor right = shot.pixelColor(red.left() + 30, red.top() + 10);
    EXPECT_TRUE(right.blue() > 200 && right.red() < 60) << right.name().toStdString();
    EXPECT_EQ(shot.pixelColor(red.left() + 45, red.top() + 10), QColor(0, 160, 0));
    // The metafiles keep their place as empty space: 1 inch by half an inch for the EMF.
    std::vector<QSizeF> sizes;
    for (QTextBlock::iterator it = box.Document().firstBlock().begin(); !it.atEnd(); ++it) {
        const QTextCharFormat f = it.fragment().charFormat();
        if (f.isImageFormat())
            sizes.push_back({f.toImageFormat().width(), f.toImageFormat().height()});
    }
    ASSERT_EQ(sizes.size(), 3u); // the PNG, the JPEG (its \nonshppict copy skipped), the EMF
    EXPECT_EQ(sizes[0], QSizeF(40, 20));
    EXPECT_EQ(sizes[1], QSizeF(8, 4)); // 4 x 2 pixels at 200 %
    EXPECT_EQ(sizes[2], QSizeF(96, 48));
}

TEST(CaptionDocument, PicturesBeyondTheLimitsKeepOnlyTheirPlace) {
    // A PNG header declaring 8192 x 8192 pixels: more than a caption's pictures may have.
    QByteArray png =
        QByteArray::fromHex("89504e470d0a1a0a0000000d49484452000020000000200008020000");
    QByteArray rtf = "{\\rtf1{\\pict\\pngblip\\picwgoal1500\\pichgoal1500 " + png.toHex() + "}}";
    TTransparentRichEdit box;
    box.resize(200, 200);
    box.LoadFromBytes(rtf);
    const QImage shot = renderOver(box);
    EXPECT_EQ(shot.pixelColor(50, 50), QColor(0, 160, 0)); // nothing drawn, no broken-image icon
    EXPECT_EQ(box.RenderedHeight(), 100);
}
