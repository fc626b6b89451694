#include "captions/rtfreader.h"
#include "rtfsample.h"
#include "support/qtprinters.h"
#include <gtest/gtest.h>

namespace {

RtfDocument read(QByteArrayView data) {
    QString error;
    std::optional<RtfDocument> doc = readRtf(data, &error);
    EXPECT_TRUE(doc.has_value()) << error.toStdString();
    return doc.value_or(RtfDocument());
}

std::string text(const RtfDocument& doc) {
    return doc.text().toStdString();
}

const RtfRun* runWith(const RtfParagraph& p, const QString& piece) {
    for (const RtfRun& r : p.runs)
        if (r.text.contains(piece))
            return &r;
    return nullptr;
}

constexpr RtfColor red{255, 0, 0};
constexpr RtfColor blue{0, 0, 255};

} // namespace

TEST(RtfReader, WordPadDocument) {
    const RtfDocument doc = read(rtfSample("wordpad.rtf"));
    ASSERT_EQ(doc.paragraphs.size(), 3u) << text(doc);
    EXPECT_EQ(doc.paragraphs[0].text(), u"Summer Sale");
    EXPECT_EQ(doc.paragraphs[1].text(), u"Everything 20% off \u2013 caf\u00e9 \u20ac 5");
    EXPECT_EQ(doc.paragraphs[2].text(), u"\u00b7\tsecond\u2028line");

    const RtfParagraph& title = doc.paragraphs[0];
    EXPECT_EQ(title.alignment, RtfAlignment::Center);
    EXPECT_EQ(title.spaceAfter, 200);
    ASSERT_EQ(title.runs.size(), 1u);
    EXPECT_EQ(title.runs[0].format.family, u"Calibri");
    EXPECT_EQ(title.runs[0].format.sizeHalfPoints, 44);
    EXPECT_TRUE(title.runs[0].format.bold);
    EXPECT_EQ(title.runs[0].format.color, red);

    const RtfParagraph& body = doc.paragraphs[1];
    EXPECT_EQ(body.alignment, RtfAlignment::Left); // \pard reset the centring
    const RtfRun* italic = runWith(body, QStringLiteral("20%"));
    ASSERT_NE(italic, nullptr);
    EXPECT_EQ(italic->text, u"20%");
    EXPECT_TRUE(italic->format.italic);
    EXPECT_FALSE(italic->format.bold);
    EXPECT_EQ(italic->format.family, u"Tahoma");
    EXPECT_EQ(italic->format.sizeHalfPoints, 22);
    EXPECT_FALSE(italic->format.color.has_value()); // \cf0 is the automatic colour

    const RtfParagraph& bullet = doc.paragraphs[2];
    EXPECT_EQ(bullet.leftIndent, 720);
    EXPECT_EQ(bullet.firstLineIndent, -360);
    const RtfRun* second = runWith(bullet, QStringLiteral("second"));
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->format.color, blue);
}

TEST(RtfReader, LibreOfficeDocument) {
    const RtfDocument doc = read(rtfSample("libreoffice.rtf"));
    ASSERT_EQ(doc.paragraphs.size(), 3u) << text(doc);
    // Style sheet, document information, page styles and field instructions are not text.
    EXPECT_EQ(doc.paragraphs[0].text(), u"Grand Opening");
    EXPECT_EQ(doc.paragraphs[1].text(), u"Stra\u00dfe und alt neu");
    EXPECT_EQ(doc.paragraphs[2].text(), u"shop online \U0001F600");

    const RtfParagraph& heading = doc.paragraphs[0];
    EXPECT_EQ(heading.alignment, RtfAlignment::Center);
    ASSERT_EQ(heading.runs.size(), 1u);
    EXPECT_EQ(heading.runs[0].format.family, u"Liberation Serif"); // its \falt is skipped
    EXPECT_EQ(heading.runs[0].format.sizeHalfPoints, 48);
    EXPECT_TRUE(heading.runs[0].format.bold);
    EXPECT_EQ(heading.runs[0].format.color, red);

    const RtfParagraph& body = doc.paragraphs[1];
    EXPECT_EQ(body.alignment, RtfAlignment::Justify);
    EXPECT_EQ(body.leftIndent, 720);
    EXPECT_EQ(body.rightIndent, 360);
    EXPECT_EQ(body.firstLineIndent, -360);
    const RtfRun* struck = runWith(body, QStringLiteral("alt"));
    ASSERT_NE(struck, nullptr);
    EXPECT_TRUE(struck->format.strike);
    EXPECT_EQ(struck->format.background, (RtfColor{255, 255, 0}));
    const RtfRun* underlined = runWith(body, QStringLiteral("neu"));
    ASSERT_NE(underlined, nullptr);
    EXPECT_TRUE(underlined->format.underline); // \ulc0 is the underline's colour, not "off"
    EXPECT_FALSE(underlined->format.strike);

    EXPECT_EQ(doc.paragraphs[2].alignment, RtfAlignment::Right);
    const RtfRun* link = runWith(doc.paragraphs[2], QStringLiteral("shop"));
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->format.color, (RtfColor{128, 128, 128}));
}

TEST(RtfReader, BinaryDataAndObjectsAreSkipped) {
    // \bin6 covers "}}{{{x": braces inside binary data must not end any group. The two pictures
    // keep their places; the object is skipped.
    const RtfDocument doc = read(rtfSample("binary.rtf"));
    EXPECT_EQ(doc.text(), u"\ufffc\ufffcPicture done");
}

TEST(RtfReader, CodePages) {
    // \ansicpg1251 and a font with the Cyrillic character set; the second font's ANSI set falls
    // back to the document's page.
    EXPECT_EQ(read(rtfSample("cyrillic.rtf")).text(), u"\u041f\u0440\u0438\u0439");
    // Without \ansicpg the page is 1252.
    EXPECT_EQ(read("{\\rtf1\\ansi \\'80\\'e9\\'9f}").text(), u"\u20ac\u00e9\u0178");
    // Two \'hh bytes form one character of a multi-byte page.
    EXPECT_EQ(read("{\\rtf1\\ansi\\ansicpg932 \\'82\\'a0!}").text(), u"\u3042!");
    // Eight-bit bytes written raw are read in the page too.
    EXPECT_EQ(read("{\\rtf1\\ansi caf\xe9}").text(), u"caf\u00e9");
    // A page nobody knows is read as 1252.
    EXPECT_EQ(read("{\\rtf1\\ansi\\ansicpg4242 \\'e9}").text(), u"\u00e9");
}

TEST(RtfReader, UnicodeEscapesSkipTheirFallbacks) {
    EXPECT_EQ(read("{\\rtf1 \\u8364?x}").text(), u"\u20acx");
    EXPECT_EQ(read("{\\rtf1\\uc2 \\u8364\\'80\\'80x}").text(), u"\u20acx");
    EXPECT_EQ(read("{\\rtf1\\uc0 \\u8364 x}").text(), u"\u20acx");
    // \uc is kept per group; a group's end also ends the characters still to skip.
    EXPECT_EQ(read("{\\rtf1{\\uc3 \\u8364}ab}").text(), u"\u20acab");
    // The symbol fonts' private-use codes are the characters they stand for.
    EXPECT_EQ(read("{\\rtf1 \\u-4064?}").text(), u" ");
    // Half a surrogate pair, and a control character, are no text.
    EXPECT_EQ(read("{\\rtf1 a\\u-10179?b\\u7?c}").text(), u"a\ufffdbc");
}

TEST(RtfReader, SpecialCharactersAndSymbols) {
    EXPECT_EQ(read("{\\rtf1 a\\tab b\\line c\\~d\\_e\\emdash\\bullet\\{\\}\\\\}").text(),
              u"a\tb\u2028c\u00a0d\u2011e\u2014\u2022{}\\");
    EXPECT_EQ(read("{\\rtf1 one\\\r\ntwo\\page three}").text(), u"one\ntwo\nthree");
    EXPECT_EQ(read("{\\rtf1 x\\lquote y\\rquote\\ldblquote z\\rdblquote}").text(),
              u"x\u2018y\u2019\u201cz\u201d");
}

TEST(RtfReader, DestinationsAndUnknownWords) {
    // Marked with \* the unknown destination is skipped; an unknown word alone changes nothing.
    EXPECT_EQ(read("{\\rtf1 a{\\*\\mystery hidden}b{\\frobnicate shown}}").text(), u"abshown");
    EXPECT_EQ(read("{\\rtf1 a{\\header top}{\\footnote foot}{\\info{\\title t}}b}").text(), u"ab");
    EXPECT_EQ(read("{\\rtf1 a{\\v hidden}\\v0 b}").text(), u"ab");
}

TEST(RtfReader, FormattingFollowsGroups) {
    const RtfDocument doc =
        read("{\\rtf1{\\colortbl;\\red0\\green128\\blue0;}"
             "plain {\\b\\cf1\\highlight1 bold {\\i both}} back\\b x\\plain y}");
    ASSERT_EQ(doc.paragraphs.size(), 1u);
    const RtfParagraph& p = doc.paragraphs[0];
    EXPECT_EQ(p.text(), u"plain bold both backxy");
    const RtfRun* both = runWith(p, QStringLiteral("both"));
    ASSERT_NE(both, nullptr);
    EXPECT_TRUE(both->format.bold);
    EXPECT_TRUE(both->format.italic);
    EXPECT_EQ(both->format.color, (RtfColor{0, 128, 0}));
    EXPECT_EQ(both->format.background, (RtfColor{0, 128, 0}));
    const RtfRun* back = runWith(p, QStringLiteral("back"));
    ASSERT_NE(back, nullptr);
    EXPECT_FALSE(back->format.bold);
    EXPECT_FALSE(back->format.color.has_value());
    EXPECT_TRUE(runWith(p, QStringLiteral("x"))->format.bold);
    EXPECT_FALSE(runWith(p, QStringLiteral("y"))->format.bold);
}

TEST(RtfReader, ParagraphPropertiesBelongToTheParagraphMark) {
    const RtfDocument doc = read("{\\rtf1\\qc centred\\par\\pard right\\qr\\par last}");
    ASSERT_EQ(doc.paragraphs.size(), 3u);
    EXPECT_EQ(doc.paragraphs[0].alignment, RtfAlignment::Center);
    EXPECT_EQ(doc.paragraphs[1].alignment, RtfAlignment::Right);
    EXPECT_EQ(doc.paragraphs[2].alignment, RtfAlignment::Right); // no \pard: it carries on
    // The last paragraph without a mark takes the properties in force at the document's end.
    EXPECT_EQ(read("{\\rtf1\\qj only}").paragraphs.at(0).alignment, RtfAlignment::Justify);
}

TEST(RtfReader, OldStyleFontTableAndDefaultFont) {
    const RtfDocument doc =
        read("{\\rtf1\\ansi\\deff1{\\fonttbl\\f0\\fswiss Helvetica;\\f1\\froman Times;}"
             "default \\f0 swiss \\f7 unknown}");
    const RtfParagraph& p = doc.paragraphs.at(0);
    EXPECT_EQ(runWith(p, QStringLiteral("default"))->format.family, u"Times");
    EXPECT_EQ(runWith(p, QStringLiteral("swiss"))->format.family, u"Helvetica");
    EXPECT_EQ(runWith(p, QStringLiteral("unknown"))->format.family, u"Times");
}

TEST(RtfReader, NotRtfIsRejected) {
    QString error;
    EXPECT_FALSE(readRtf("Just a caption", &error).has_value());
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(readRtf("").has_value());
    EXPECT_FALSE(readRtf("{\\rt").has_value());
    EXPECT_TRUE(looksLikeRtf(" \r\n{\\rtf1}"));
    EXPECT_FALSE(looksLikeRtf("\xEF\xBB\xBF{\\rtf1}"));
}

TEST(RtfReader, DamagedDocumentsAreReadSafely) {
    // A file cut short keeps what it held, with the formatting in force.
    const RtfDocument cut = read(rtfSample("truncated.rtf"));
    EXPECT_EQ(text(cut), "bold both");
    ASSERT_FALSE(cut.paragraphs.at(0).runs.empty());
    EXPECT_TRUE(cut.paragraphs[0].runs.back().format.italic);
    // Whatever follows the document's closing brace is not part of it.
    EXPECT_EQ(read("{\\rtf1 in}out{\\b more}").text(), u"in");
    // Escapes cut short, oversized numbers and words, colour and font numbers out of range.
    EXPECT_EQ(read("{\\rtf1 a\\'4").text(), u"a");
    EXPECT_EQ(read("{\\rtf1 a\\'zzb}").text(), u"azzb");
    EXPECT_EQ(read("{\\rtf1 a\\'4zb}").text(), u"azb");
    EXPECT_EQ(read("{\\rtf1 a\\").text(), u"a");
    const RtfDocument big = read("{\\rtf1\\fs99999999999999999999\\cf999999\\f-5\\li-99999999 "
                                 "\\abcdefghijklmnopqrstuvwxyzabcdefghijklmnop x}");
    ASSERT_EQ(big.paragraphs.size(), 1u);
    EXPECT_EQ(big.paragraphs[0].text(), u"x");
    EXPECT_LE(big.paragraphs[0].runs[0].format.sizeHalfPoints, 3276);
    EXPECT_FALSE(big.paragraphs[0].runs[0].format.color.has_value());
    EXPECT_GE(big.paragraphs[0].leftIndent, -31680);
    // \bin longer than the file.
    EXPECT_EQ(read("{\\rtf1 a\\bin99999 xyz").text(), u"a");
    EXPECT_EQ(read("{\\rtf1 a\\bin-5 b}").text(), u"ab");
    // NUL bytes are no text.
    EXPECT_EQ(read(QByteArrayView("{\\rtf1 a\0b}", 11)).text(), u"ab");
}

TEST(RtfReader, NestingBeyondTheLimitIsRejected) {
    QByteArray deep = "{\\rtf1 ";
    deep += QByteArray(rtfMaxGroupDepth + 10, '{');
    deep += "x";
    QString error;
    EXPECT_FALSE(readRtf(deep, &error).has_value());
    EXPECT_TRUE(error.contains(QStringLiteral("nested")));
    // Just within the limit it reads.
    QByteArray within = "{\\rtf1 ";
    within += QByteArray(rtfMaxGroupDepth - 2, '{');
    within += "x";
    EXPECT_EQ(read(within).text(), u"x");
}

TEST(RtfReader, TablesTakeTheirCellsWidthsAndSkipTheNestedTablesPlainCopy) {
    // As Word writes a row holding a nested table: the nested row's properties come after its
    // cells in \nesttableprops, and a plain copy for readers that cannot nest in \nonesttables.
    const RtfDocument doc =
        read("{\\rtf1\\ansi{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}"
             "\\trowd\\trgaph108\\trleft-"
             "108\\trqc\\clbrdrt\\brdrs\\brdrw20\\brdrcf1\\clcbpat2\\cellx2880"
             "\\cellx5760\\pard\\intbl Name\\cell "
             "\\pard\\intbl\\itap2 inner\\nestcell{\\*\\nesttableprops\\trowd\\cellx1440\\nestrow}"
             "{\\nonesttables inner\\par}\\pard\\intbl after\\cell\\row"
             "\\pard last\\par}");
    ASSERT_EQ(doc.paragraphs.size(), 2u) << text(doc);
    ASSERT_TRUE(doc.paragraphs[0].table);
    EXPECT_EQ(doc.paragraphs[1].text(), u"last");
    const RtfTable& table = *doc.paragraphs[0].table;
    ASSERT_EQ(table.rows.size(), 1u);
    const RtfRow& row = table.rows[0];
    EXPECT_EQ(row.left, -108);
    EXPECT_EQ(row.gap, 108);
    EXPECT_EQ(row.alignment, RtfAlignment::Center);
    ASSERT_EQ(row.cells.size(), 2u);
    EXPECT_EQ(row.cells[0].right, 2880);
    EXPECT_EQ(row.cells[1].right, 5760);
    EXPECT_EQ(row.cells[0].borders[RtfTop].widthTwips, 20);
    EXPECT_EQ(row.cells[0].borders[RtfTop].color, red);
    EXPECT_EQ(row.cells[0].borders[RtfLeft].widthTwips, 0);
    EXPECT_EQ(row.cells[0].shading, blue);
    EXPECT_FALSE(row.cells[1].shading.has_value());
    EXPECT_EQ(doc.paragraphs[0].text(), u"Name\tinner\nafter"); // "inner" once
    // The second cell holds the nested table, then its own paragraph.
    const std::vector<RtfParagraph>& second = row.cells[1].paragraphs;
    ASSERT_EQ(second.size(), 2u);
    ASSERT_TRUE(second[0].table);
    ASSERT_EQ(second[0].table->rows.size(), 1u);
    EXPECT_EQ(second[0].table->rows[0].cells.at(0).right, 1440);
    EXPECT_EQ(second[1].text(), u"after");

    // Word 2000 and later repeat the row's properties after its cells; rows follow each other in
    // one table, and a row's cells beyond its definition keep the last width.
    const RtfDocument rows = read("{\\rtf1\\pard\\intbl a\\cell b\\cell c\\cell"
                                  "{\\trowd\\cellx1000\\cellx3000\\row}"
                                  "\\pard\\intbl d\\cell\\row}");
    ASSERT_EQ(rows.paragraphs.size(), 1u) << text(rows);
    const RtfTable& t = *rows.paragraphs[0].table;
    ASSERT_EQ(t.rows.size(), 2u);
    EXPECT_EQ(t.rows[0].cells.at(2).right, 5000);
    EXPECT_EQ(t.rows[1].cells.at(0).right, 1000);
    EXPECT_EQ(rows.text(), u"a\tb\tc\nd");
}

TEST(RtfReader, ListsTabStopsCapitalsAndSymbolFonts) {
    // WordPad's bullets: the first item gives its bullet as text ({\pntext}), the others rely on
    // \pn alone; each item gets its bullet once. The Symbol font's bullet is U+2022.
    const RtfDocument list =
        read("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset2 Symbol;}}"
             "\\pard{\\pntext\\f1\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf1\\pnindent0{\\pntxtb\\'B7}}"
             "\\fi-360\\li720 one\\par two\\par three\\par"
             "\\pard{\\*\\pn\\pnlvlbody\\pnucrm\\pnstart3{\\pntxta .}}x\\par y\\par}");
    ASSERT_EQ(list.paragraphs.size(), 5u) << text(list);
    EXPECT_EQ(list.paragraphs[0].text(), u"\u2022\tone");
    EXPECT_EQ(list.paragraphs[1].text(), u"\u2022\ttwo");
    EXPECT_EQ(list.paragraphs[2].text(), u"\u2022\tthree");
    EXPECT_EQ(list.paragraphs[3].text(), u"III.\tx");
    EXPECT_EQ(list.paragraphs[4].text(), u"IV.\ty");
    // A marker group that holds a paragraph mark, and the next marker later in the paragraph
    // that follows: only the second one's text is left out.
    const RtfDocument straddling =
        read("{\\rtf1{\\pn\\pnlvlblt}{\\pntext\\par}ab{\\b c}{\\pntext x}d\\par}");
    ASSERT_EQ(straddling.paragraphs.size(), 2u) << text(straddling);
    EXPECT_EQ(straddling.paragraphs[1].text(), u"\u2022\tabcd");

    const RtfDocument tabs = read("{\\rtf1\\tx720\\tqr\\tx5000\\tqdec\\tx3000 a\\tab b\\par"
                                  "\\pard plain\\par}");
    ASSERT_TRUE(tabs.paragraphs.at(0).tabs);
    EXPECT_EQ(*tabs.paragraphs[0].tabs, (std::vector<RtfTabStop>{{720, RtfTabKind::Left},
                                                                 {3000, RtfTabKind::Decimal},
                                                                 {5000, RtfTabKind::Right}}));
    EXPECT_FALSE(tabs.paragraphs.at(1).tabs); // \pard clears them

    const RtfDocument caps = read("{\\rtf1{\\fonttbl{\\f2 Wingdings;}}{\\caps a}{\\scaps b}c"
                                  "\\u-3913?{\\f2\\'FC\\u-3844?}}");
    const RtfParagraph& p = caps.paragraphs.at(0);
    EXPECT_EQ(p.text(), u"abc\u2022\u2713\u2713");
    EXPECT_EQ(runWith(p, QStringLiteral("a"))->format.capitals, RtfCapitals::All);
    EXPECT_EQ(runWith(p, QStringLiteral("b"))->format.capitals, RtfCapitals::Small);
    EXPECT_EQ(runWith(p, QStringLiteral("c"))->format.capitals, RtfCapitals::None);
}

TEST(RtfReader, PicturesKeepTheirDataAndSize) {
    const RtfDocument doc =
        read("{\\rtf1 a{\\*\\shppict{\\pict{\\*\\picprop x}\\pngblip\\picw4\\pich2"
             "\\picwgoal1440\\pichgoal720\\picscalex50 89504e47\r\n0d0a}}"
             "{\\nonshppict{\\pict\\wmetafile8 0100}}{\\pict\\emfblip\\picw2540\\pich1270 00}"
             "{\\pict\\jpegblip\\bin3 }{}}b}");
    ASSERT_EQ(doc.pictures.size(), 3u);
    EXPECT_EQ(doc.text(), u"a\ufffc\ufffc\ufffcb");
    const RtfPicture& png = doc.pictures[0];
    EXPECT_EQ(png.kind, RtfPictureKind::Png);
    EXPECT_EQ(png.data, QByteArray("\x89PNG\r\n", 6));
    EXPECT_EQ(
        (std::array{png.width, png.height, png.goalWidth, png.goalHeight, png.scaleX, png.scaleY}),
        (std::array{4, 2, 1440, 720, 50, 100}));
    EXPECT_EQ(doc.pictures[1].kind, RtfPictureKind::Metafile);
    EXPECT_TRUE(doc.pictures[1].data.isEmpty());
    EXPECT_EQ(doc.pictures[1].width, 2540);
    EXPECT_EQ(doc.pictures[2].data, QByteArray("}{}", 3)); // \bin bytes are the data
    EXPECT_EQ(doc.paragraphs.at(0).runs.at(1).picture, 0);
}

TEST(RtfReader, SizeLimitsOfTablesTabsAndPictures) {
    // Tables nested past the deepest level join it; a row keeps at most rtfMaxRowCells cells.
    const RtfDocument deep =
        read("{\\rtf1\\pard\\intbl\\itap99 x\\nestcell\\nestrow\\pard y\\par}");
    const RtfParagraph* p = &deep.paragraphs.at(0);
    int depth = 0;
    while (p->table) {
        ++depth;
        p = &p->table->rows.at(0).cells.at(0).paragraphs.at(0);
    }
    EXPECT_EQ(depth, rtfMaxTableDepth);
    EXPECT_EQ(p->text(), u"x");

    QByteArray wide = "{\\rtf1\\trowd";
    for (int i = 1; i <= 100; ++i)
        wide += "\\cellx" + QByteArray::number(i * 100);
    wide += "\\pard\\intbl";
    for (int i = 0; i < 100; ++i)
        wide += " c\\cell";
    wide += "\\row}";
    const RtfDocument wideDoc = read(wide);
    const RtfRow& row = wideDoc.paragraphs.at(0).table->rows.at(0);
    ASSERT_EQ(row.cells.size(), static_cast<std::size_t>(rtfMaxRowCells));
    EXPECT_EQ(row.cells.back().right, rtfMaxRowCells * 100);
    EXPECT_EQ(row.cells.back().paragraphs.size(), 100u - rtfMaxRowCells + 1);

    QByteArray manyTabs = "{\\rtf1";
    for (int i = 1; i <= 100; ++i)
        manyTabs += "\\tx" + QByteArray::number(i * 10);
    manyTabs += " x}";
    EXPECT_EQ(read(manyTabs).paragraphs.at(0).tabs->size(),
              static_cast<std::size_t>(rtfMaxTabStops));

    // Picture data beyond the document's limit: the picture keeps its size, not its data; the
    // pictures before it keep theirs.
    const qsizetype half = rtfMaxPictureBytes / 2 + 1;
    QByteArray big = "{\\rtf1{\\pict\\pngblip\\picw7\\pich7\\bin" + QByteArray::number(half) + " ";
    big += QByteArray(half, 'p');
    big += "}{\\pict\\pngblip\\picw9\\pich9\\bin" + QByteArray::number(half) + " ";
    big += QByteArray(half, 'q');
    big += "}}";
    const RtfDocument pictures = read(big);
    ASSERT_EQ(pictures.pictures.size(), 2u);
    EXPECT_EQ(pictures.pictures[0].data.size(), half);
    EXPECT_TRUE(pictures.pictures[1].data.isEmpty());
    EXPECT_EQ(pictures.pictures[1].width, 9);
}
