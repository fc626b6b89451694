#include "core/textdecoding.h"
#include "support/qtprinters.h"
#include <gtest/gtest.h>

TEST(PlainCaptionText, ByteOrderMarksNameTheEncoding) {
    EXPECT_EQ(decodePlainText(QByteArrayView("\xFF\xFE"
                                             "A\0\xAC\x20",
                                             6)),
              u"A\u20ac");
    EXPECT_EQ(decodePlainText(QByteArrayView("\xFE\xFF\0A\x20\xAC", 6)), u"A\u20ac");
    EXPECT_EQ(decodePlainText("\xEF\xBB\xBF"
                              "caf\xC3\xA9"),
              u"caf\u00e9");
}

TEST(PlainCaptionText, WithoutAMarkUtf8WhenValidElseWindows1252) {
    EXPECT_EQ(decodePlainText("caf\xC3\xA9 \xE2\x82\xAC"), u"caf\u00e9 \u20ac");
    EXPECT_EQ(decodePlainText("caf\xE9 \x80"), u"caf\u00e9 \u20ac");
    EXPECT_EQ(decodePlainText(""), u"");
}

TEST(PlainCaptionText, WhatIsNotTextGivesNothing) {
    // Malformed for the encoding the mark names.
    EXPECT_FALSE(decodePlainText("\xEF\xBB\xBF"
                                 "caf\xE9")
                     .has_value());
    EXPECT_FALSE(decodePlainText(QByteArrayView("\xFF\xFE"
                                                "A\0B",
                                                5))
                     .has_value());
    EXPECT_FALSE(decodePlainText(QByteArrayView("\xFF\xFE\x3D\xD8"
                                                "A\0",
                                                6))
                     .has_value());
    // Binary data.
    EXPECT_FALSE(decodePlainText(QByteArrayView("PK\x03\x04\0\0", 6)).has_value());
    EXPECT_FALSE(decodePlainText(QByteArrayView("\xFF\xFE\0\0", 4)).has_value());
}

TEST(CodePages, Windows1252IsTheSameEverywhere) {
    EXPECT_EQ(decodeCodePage("\x80\x8A\x9F\xA0\xFF", 1252), u"\u20ac\u0160\u0178\u00a0\u00ff");
    // The bytes the page leaves undefined keep their value.
    EXPECT_EQ(decodeCodePage("\x81\x8D\x8F\x90\x9D", 1252), u"\u0081\u008d\u008f\u0090\u009d");
}

TEST(CodePages, OtherPagesAndCharacterSets) {
    EXPECT_EQ(decodeCodePage("\xCF", 1251), u"\u041f");
    EXPECT_EQ(decodeCodePage("\xA3", 1250), u"\u0141");
    EXPECT_EQ(decodeCodePage("\x82\xA0", 932), u"\u3042");
    EXPECT_EQ(decodeCodePage("\xC3\xA9", 65001), u"\u00e9");
    EXPECT_EQ(codePageForCharset(204), 1251);
    EXPECT_EQ(codePageForCharset(238), 1250);
    EXPECT_EQ(codePageForCharset(128), 932);
    EXPECT_EQ(codePageForCharset(0), 0);
    EXPECT_EQ(codePageForCharset(1), 0);
    EXPECT_EQ(codePageForCharset(2), 0);
}
