#include "brevutil/shellwords.h"
#include <gtest/gtest.h>

TEST(BrevUtilShellWords, QuotesGroupBlanksAndNothingIsExpanded) {
    EXPECT_EQ(splitShellWords(QStringLiteral("-c 'cd -- \"$1\"' sh '/media/x y'")),
              QStringList({"-c", "cd -- \"$1\"", "sh", "/media/x y"}));
    EXPECT_EQ(splitShellWords(QStringLiteral("'it'\\''s'")), QStringList({"it's"}));
    EXPECT_EQ(splitShellWords(QStringLiteral("\"a \\\"b\\\" \\$c \\\\ \\x\"")),
              QStringList({"a \"b\" $c \\ \\x"}));
    EXPECT_EQ(splitShellWords(QStringLiteral("'' \"\" x")), QStringList({"", "", "x"}));
    EXPECT_EQ(splitShellWords(QStringLiteral("  a \t b\n ")), QStringList({"a", "b"}));
    EXPECT_EQ(splitShellWords(QStringLiteral("a'b c'\"d\"\\ e")), QStringList({"ab cd e"}));
    EXPECT_EQ(splitShellWords(QStringLiteral("$HOME * ~ a;b | `x`")),
              QStringList({"$HOME", "*", "~", "a;b", "|", "`x`"}));
    EXPECT_EQ(splitShellWords(QStringLiteral("ab\\\ncd \"e\\\nf\"")), QStringList({"abcd", "ef"}));
    EXPECT_EQ(splitShellWords(QString()), QStringList());
}

TEST(BrevUtilShellWords, AnOpenQuoteOrATrailingBackslashIsRefused) {
    for (const char* bad : {"'abc", "a \"b", "x\\", "\"a\\\"", "ok 'still open"})
        EXPECT_FALSE(splitShellWords(QString::fromLatin1(bad)).has_value()) << bad;
}
