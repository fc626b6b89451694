#include "brevutil/brevutil.h"
#include "brevutil/clock.h"
#include <QSet>
#include <algorithm>
#include <climits>
#include <gtest/gtest.h>
#include <random>

TEST(BrevUtilText, ProperCaseStartsWordsOnlyAfterSpacesAndTouchesOnlyAsciiLetters) {
    TBrevUtil u;
    EXPECT_EQ(u.DoProperCase(QStringLiteral("hello WORLD")), QStringLiteral("Hello World"));
    EXPECT_EQ(u.DoProperCase(QStringLiteral("o'neil-smith")), QStringLiteral("O'neil-smith"));
    EXPECT_EQ(u.DoProperCase(QStringLiteral("a\tb  c")), QStringLiteral("A\tb  C"));
    EXPECT_EQ(u.DoProperCase(QStringLiteral("élan ÉLAN")), QStringLiteral("élan Élan"));
    EXPECT_EQ(u.DoProperCase(QString()), QString());
}

TEST(BrevUtilText, FilterKeepsOnlyAsciiLettersAndDigitsInOrder) {
    TBrevUtil u;
    EXPECT_EQ(u.RemoveNonLettersNumbers(QStringLiteral("ab - Cd")), QStringLiteral("abCd"));
    EXPECT_EQ(u.RemoveNonLettersNumbers(QStringLiteral("Çé9x!_ 0\u0661")), QStringLiteral("9x0"));
}

TEST(BrevUtilText, SessionIdsUseTheirAlphabetEvenlyAndFollowOnlyTheSeed) {
    TBrevUtil u;
    const QString alphabet = QStringLiteral("1234567890ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    QHash<QChar, int> counts;
    const int ids = 2000;
    for (int i = 0; i < ids; ++i) {
        const QString id = u.BuildSessionID();
        ASSERT_EQ(id.size(), 50);
        for (QChar c : id) {
            ASSERT_TRUE(alphabet.contains(c)) << id.toStdString();
            ++counts[c];
        }
    }
    // 100000 draws over 36 characters: about 2778 each, give or take 52. The bounds sit eight
    // deviations out, so only a skewed draw crosses them.
    ASSERT_EQ(counts.size(), 36);
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        EXPECT_GT(it.value(), 2350) << QString(it.key()).toStdString();
        EXPECT_LT(it.value(), 3200) << QString(it.key()).toStdString();
    }

    TFixedClock clock({}, 42);
    const TBrevUtil seeded(nullptr, clock);
    const QString first = seeded.BuildSessionID();
    EXPECT_EQ(seeded.BuildSessionID(), first);
    clock.count = 43;
    EXPECT_NE(seeded.BuildSessionID(), first);
}

TEST(BrevUtilText, SeparateDataQuotesGroupAndAFifthDelimiterEndsTheLine) {
    TBrevUtil u;
    QString a, b, c, d, e;
    u.SeparateData(QStringLiteral("a,\"b,c\",d"), QStringLiteral(","), a, b, c, d, e);
    EXPECT_EQ(QStringList({a, b, c, d, e}), QStringList({"a", "b,c", "d", "", ""}));

    u.SeparateData(QStringLiteral("1,2,,4,5,6,\"7\""), QStringLiteral(","), a, b, c, d, e);
    EXPECT_EQ(QStringList({a, b, c, d, e}), QStringList({"1", "2", "", "4", "5"}));

    // Two quotes in a row only toggle; a delimiter longer than one character never matches.
    u.SeparateData(QStringLiteral("x\"\"y::z"), QStringLiteral("::"), a, b, c, d, e);
    EXPECT_EQ(QStringList({a, b, c, d, e}), QStringList({"xy::z", "", "", "", ""}));
}

TEST(BrevUtilText, ParseDataKeepsPercentSpansWholeAndCountsEveryBlank) {
    TBrevUtil u;
    QString cmd, a, b, c, d;
    u.ParseData(QStringLiteral("SET %a b% c"), cmd, a, b, c, d);
    EXPECT_EQ(QStringList({cmd, a, b, c, d}), QStringList({"SET", "a b", "c", "", ""}));

    u.ParseData(QStringLiteral("A  B"), cmd, a, b, c, d);
    EXPECT_EQ(QStringList({cmd, a, b, c, d}), QStringList({"A", "", "B", "", ""}));

    // A span inside quotes keeps its quote; quoting goes on around it.
    u.ParseData(QStringLiteral("\"x %y \"z% w\" q"), cmd, a, b, c, d);
    EXPECT_EQ(QStringList({cmd, a, b, c, d}), QStringList({"x y \"z w", "q", "", "", ""}));

    u.ParseData(QStringLiteral("run %to the end"), cmd, a, b, c, d);
    EXPECT_EQ(QStringList({cmd, a, b, c, d}), QStringList({"run", "to the end", "", "", ""}));

    u.ParseData(QStringLiteral("c 1 2 3 4 5 %6 7%"), cmd, a, b, c, d);
    EXPECT_EQ(QStringList({cmd, a, b, c, d}), QStringList({"c", "1", "2", "3", "4"}));
}

TEST(BrevUtilText, FillZerosPadsOnEitherSideButNeverShortens) {
    TBrevUtil u;
    EXPECT_EQ(u.FillZeros(QStringLiteral("42"), 5, true), QStringLiteral("00042"));
    EXPECT_EQ(u.FillZeros(QStringLiteral("42"), 5, false), QStringLiteral("42000"));
    EXPECT_EQ(u.FillZeros(QStringLiteral("123456"), 3, true), QStringLiteral("123456"));
    EXPECT_EQ(u.FillZeros(QStringLiteral("7"), -5, true), QStringLiteral("7"));
    EXPECT_EQ(u.FillZeros(QStringLiteral("7"), INT_MIN, false), QStringLiteral("7"));
    EXPECT_EQ(u.FillZeros(QString(), 2, false), QStringLiteral("00"));
}

TEST(BrevUtilText, CharacterCodesRoundTripUpTo999AndBadPiecesGiveNothing) {
    TBrevUtil u;
    EXPECT_EQ(u.ChartoCode(QStringLiteral("AB")), QStringLiteral("065066"));
    EXPECT_EQ(u.CodetoChar(QStringLiteral("065066")), QStringLiteral("AB"));

    QString all;
    for (char16_t code = 0; code <= 999; ++code)
        all += QChar(code);
    EXPECT_EQ(u.CodetoChar(u.ChartoCode(all)), all);

    // Above 999 the code outgrows its three places and the pieces slip.
    const QString wide(QChar(char16_t(1000)));
    EXPECT_EQ(u.ChartoCode(wide), QStringLiteral("1000"));
    EXPECT_NE(u.CodetoChar(u.ChartoCode(wide)), wide);

    // The runtime's integer forms: blanks before, a sign, "$", "x" and "0x" for hexadecimal.
    EXPECT_EQ(u.CodetoChar(QStringLiteral(" 65$41x410x4+66")),
              QStringLiteral("AAA") + QChar(char16_t(4)) + QStringLiteral("B"));
    EXPECT_EQ(u.CodetoChar(QStringLiteral("-01")), QString(QChar(char16_t(0xFFFF))));
    EXPECT_EQ(u.CodetoChar(QStringLiteral("06x")), QString());
    EXPECT_EQ(u.CodetoChar(QStringLiteral("06506")), QString(QChar(u'A')) + QChar(char16_t(6)));
    EXPECT_EQ(u.CodetoChar(QStringLiteral("0656")), QString(QChar(u'A')) + QChar(char16_t(6)));
    for (const char* bad : {"065 6 ", "065-", "0650x", "065$", "065  "})
        EXPECT_EQ(u.CodetoChar(QString::fromLatin1(bad)), QString()) << bad;
}

TEST(BrevUtilText, CryptRoundTripsEveryCodeUnit) {
    TBrevUtil u;
    const QString empty = u.TextEnCrypt(QString());
    ASSERT_EQ(empty.size(), 1);
    EXPECT_LT(empty[0].unicode(), 128);
    EXPECT_EQ(u.textdecrypt(empty), QString());
    EXPECT_EQ(u.textdecrypt(QString()), QString());

    QString every;
    for (int code = 0; code < 65536; ++code)
        every += QChar(char16_t(code));
    std::mt19937 shuffle(7);
    std::shuffle(every.begin(), every.end(), shuffle);
    const QString crypted = u.TextEnCrypt(every);
    ASSERT_EQ(crypted.size(), every.size() + 1);
    EXPECT_LT(crypted[0].unicode(), 128);
    EXPECT_EQ(u.textdecrypt(crypted), every);

    std::mt19937 pick(11);
    std::uniform_int_distribution<int> length(0, 40);
    std::uniform_int_distribution<int> code(0, 65535);
    QSet<QChar> offsets;
    for (int i = 0; i < 200; ++i) {
        QString text;
        for (int n = length(pick); n > 0; --n)
            text += QChar(char16_t(code(pick)));
        const QString c = u.TextEnCrypt(text);
        offsets.insert(c[0]);
        ASSERT_EQ(u.textdecrypt(c), text);
    }
    // Seeded afresh from the clock, the offset changes from call to call.
    EXPECT_GT(offsets.size(), 1);

    // Only the low eight bits of the first character carry the offset.
    EXPECT_EQ(u.textdecrypt(QString(QChar(char16_t(0x0141))) + QChar(u'B')),
              QString(QChar(char16_t(1))));
}
