#include "captions/rtfreader.h"
#include "support/qtprinters.h"
#include <QFile>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

QByteArray sample(const char* name) {
    const auto path = std::filesystem::path(TAVOREL_RTF_SAMPLES) / name;
    QFile file(QString::fromStdString(path.string()));
    if (!file.open(QIODevice::ReadOnly))
        ADD_FAILURE() << "missing sample " << path;
    return file.readAll();
}

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
    const RtfDocument doc = read(sample("wordpad.rtf"));
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
    const RtfDocument doc = read(sample("libreoffice.rtf"));
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

TEST(RtfReader, BinaryDataAndPicturesAreSkipped) {
    // \bin6 covers "}}{{{x": braces inside binary data must not end any group.
    const RtfDocument doc = read(sample("binary.rtf"));
    EXPECT_EQ(text(doc), "Picture done");
}

TEST(RtfReader, CodePages) {
    // \ansicpg1251 and a font with the Cyrillic character set; the second font's ANSI set falls
    // back to the document's page.
    EXPECT_EQ(read(sample("cyrillic.rtf")).text(), u"\u041f\u0440\u0438\u0439");
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
    EXPECT_EQ(read("{\\rtf1 \\u-4064?}").text(), u"\uf020");
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
    const RtfDocument cut = read(sample("truncated.rtf"));
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
