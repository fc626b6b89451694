#include "core/inifile.h"
#include "core/shareaccess.h"
#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <future>
#include <gtest/gtest.h>

namespace {

class IniFile : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    QString path() const { return dir.filePath(QStringLiteral("settings.ini")); }

    TIniFile write(const QByteArray& bytes) {
        QFile f(path());
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
        f.close();
        return TIniFile(path(), clock, regional);
    }

    const TFixedClock clock{QDateTime(QDate(2026, 6, 15), QTime(12, 0))};
    TFixedRegionalFormats regional;

    QString value(const QByteArray& line, const QString& fallback = QStringLiteral("<default>")) {
        return write("[MAIN]\r\n" + line + "\r\n")
            .ReadString(QStringLiteral("MAIN"), QStringLiteral("Key"), fallback);
    }

    int integer(const QByteArray& text, int fallback = -777) {
        return write("[MAIN]\r\nKey=" + text + "\r\n")
            .ReadInteger(QStringLiteral("MAIN"), QStringLiteral("Key"), fallback);
    }

    QTemporaryDir dir;
};

constexpr double oneMs = 1.0 / 86400000.0;

} // namespace

TEST_F(IniFile, MissingFileSectionOrKeyGiveTheDefault) {
    const TIniFile none(dir.filePath(QStringLiteral("absent.ini")));
    EXPECT_EQ(none.ReadString(QStringLiteral("MAIN"), QStringLiteral("Key"), QStringLiteral("d")),
              QStringLiteral("d"));
    EXPECT_EQ(none.ReadInteger(QStringLiteral("MAIN"), QStringLiteral("Key"), 5), 5);
    EXPECT_FALSE(none.SectionExists(QStringLiteral("MAIN")));
    QStringList keys{QStringLiteral("stale")};
    none.ReadSection(QStringLiteral("MAIN"), keys);
    EXPECT_TRUE(keys.isEmpty());

    const TIniFile ini = write("[Other]\r\nKey=1\r\n");
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("MAIN"), QStringLiteral("Key"), 5), 5);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Other"), QStringLiteral("Nope"), 5), 5);
}

TEST_F(IniFile, NamesIgnoreCaseAndBlanksAroundNamesAndValuesAreDropped) {
    const TIniFile ini = write("[main]\r\n  NextImageTimer = 8000 \t\r\n");
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("MAIN"), QStringLiteral("nextimagetimer"), 0), 8000);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Main"), QStringLiteral("NEXTIMAGETIMER"), 0), 8000);
}

TEST_F(IniFile, ValueTextRules) {
    EXPECT_EQ(value("Key=\"D:/Show/\""), QStringLiteral("D:/Show/"));
    EXPECT_EQ(value("Key='single'"), QStringLiteral("single"));
    EXPECT_EQ(value("Key=\"mixed'"), QStringLiteral("\"mixed'"));
    EXPECT_EQ(value("Key=\""), QStringLiteral("\""));
    // No trailing comments: the rest of the line is the value.
    EXPECT_EQ(value("Key=1 ; off"), QStringLiteral("1 ; off"));
    EXPECT_EQ(value("Key=a=b"), QStringLiteral("a=b"));
    // An empty value exists and is empty; the default is not used.
    EXPECT_EQ(value("Key="), QString());
    // A line without "=" is not a key.
    EXPECT_EQ(value("Key"), QStringLiteral("<default>"));
    // At most 2047 characters.
    EXPECT_EQ(value("Key=" + QByteArray(3000, 'x')).size(), 2047);
}

TEST_F(IniFile, IntegerForms) {
    EXPECT_EQ(integer("8000"), 8000);
    EXPECT_EQ(integer("  +12"), 12);
    EXPECT_EQ(integer("-12"), -12);
    EXPECT_EQ(integer("0x1F40"), 8000);
    EXPECT_EQ(integer("0X1f40"), 8000);
    EXPECT_EQ(integer("$1F40"), 8000);
    EXPECT_EQ(integer("x10"), 16);
    EXPECT_EQ(integer("-$10"), -16);
    EXPECT_EQ(integer("$FFFFFFFF"), -1);
    EXPECT_EQ(integer("$000000000001"), 1);
    EXPECT_EQ(integer("2147483647"), 2147483647);
    EXPECT_EQ(integer("-2147483648"), -2147483647 - 1);
    EXPECT_EQ(integer("00"), 0);

    for (const char* bad : {"8000 ms", "", "+", "-", "$", "0x", "2147483648", "-2147483649",
                            "$100000000", "1.5", "- 5", "true", "12a"})
        EXPECT_EQ(integer(bad), -777) << bad;
    // Blanks around a value in the file are dropped before it is converted; a text handed to the
    // conversion itself may lead with spaces only.
    EXPECT_EQ(integer("8000 "), 8000);
    EXPECT_FALSE(tryStrToInt(QStringLiteral("8000 ")));
    EXPECT_FALSE(tryStrToInt(QStringLiteral("\t5")));
    EXPECT_EQ(tryStrToInt(QStringLiteral("  5")), 5);
}

TEST_F(IniFile, SwitchesAreNumbers) {
    auto flag = [&](const QByteArray& text, bool fallback) {
        return write("[MAIN]\r\nKey=" + text + "\r\n")
            .ReadBool(QStringLiteral("MAIN"), QStringLiteral("Key"), fallback);
    };
    EXPECT_TRUE(flag("1", false));
    EXPECT_TRUE(flag("-1", false));
    EXPECT_TRUE(flag("42", false));
    EXPECT_TRUE(flag("0x1", false));
    EXPECT_TRUE(flag("2", false));
    EXPECT_FALSE(flag("0", true));
    EXPECT_FALSE(flag("00", true));
    EXPECT_FALSE(flag("true", false));
    EXPECT_TRUE(flag("yes", true));
    EXPECT_FALSE(flag("", false));
}

TEST_F(IniFile, SectionsListKeysInFileOrderAndNeedAKeyToExist) {
    const TIniFile ini = write("top=ignored\r\n"
                               "[HOLIDAYS]\r\n"
                               "[Items]\r\n"
                               "; a comment\r\n"
                               "b=2\r\n"
                               "not a key\r\n"
                               "a=1\r\n"
                               "c=\r\n"
                               "[Next]\r\n"
                               "d=4\r\n");
    EXPECT_FALSE(ini.SectionExists(QStringLiteral("HOLIDAYS")));
    QStringList keys;
    ini.ReadSection(QStringLiteral("holidays"), keys);
    EXPECT_TRUE(keys.isEmpty());
    ini.ReadSection(QStringLiteral("ITEMS"), keys);
    EXPECT_EQ(keys, (QStringList{QStringLiteral("b"), QStringLiteral("a"), QStringLiteral("c")}));
    EXPECT_TRUE(ini.SectionExists(QStringLiteral("Next")));
    // Lines before the first header belong to no section.
    EXPECT_EQ(ini.ReadString(QString(), QStringLiteral("top"), QStringLiteral("d")),
              QStringLiteral("d"));
}

TEST_F(IniFile, FirstOfTwoEqualSectionsOrKeysCounts) {
    const TIniFile ini = write("[A]\r\nk=1\r\nk=2\r\n[a]\r\nk=3\r\nj=4\r\n");
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("A"), QStringLiteral("k"), 0), 1);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("A"), QStringLiteral("j"), 0), 0);
}

TEST_F(IniFile, EncodingsAndLineEnds) {
    // UTF-16LE with its byte-order mark.
    QByteArray utf16("\xFF\xFE", 2);
    const QString text = QStringLiteral("[MAIN]\r\nKey=Grüße\r\n");
    utf16.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    EXPECT_EQ(write(utf16).ReadString(QStringLiteral("MAIN"), QStringLiteral("Key"), {}),
              QStringLiteral("Grüße"));
    // UTF-8 with and without a byte-order mark, LF line ends.
    EXPECT_EQ(write("\xEF\xBB\xBF[MAIN]\nKey=Grüße\n")
                  .ReadString(QStringLiteral("MAIN"), QStringLiteral("Key"), {}),
              QStringLiteral("Grüße"));
    EXPECT_EQ(
        write("[MAIN]\nKey=Grüße").ReadString(QStringLiteral("MAIN"), QStringLiteral("Key"), {}),
        QStringLiteral("Grüße"));
    // Not UTF-8: Windows-1252, as written by boards on Windows.
    EXPECT_EQ(write("[MAIN]\r\nKey=Gr\xFC\xDF"
                    "e \x80\r\n")
                  .ReadString(QStringLiteral("MAIN"), QStringLiteral("Key"), {}),
              QStringLiteral("Grüße €"));
}

TEST_F(IniFile, EveryReadSeesTheFileAsItIsNow) {
    const TIniFile ini = write("[MAIN]\r\nKey=1\r\n");
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("MAIN"), QStringLiteral("Key"), 0), 1);
    write("[MAIN]\r\nKey=2\r\n");
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("MAIN"), QStringLiteral("Key"), 0), 2);
    QFile::remove(path());
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("MAIN"), QStringLiteral("Key"), 0), 0);
}

TEST_F(IniFile, DateTimesAndTimesFollowTheRegionalFormats) {
    const TIniFile ini = write("[I]\r\n"
                               "dt=3/4/2015 10:30\r\n"
                               "noon=3/4/2015 noon\r\n"
                               "late=11:59pm\r\n"
                               "midnight=12:00am\r\n"
                               "nine=9\r\n"
                               "bad=25:00\r\n"
                               "empty=\r\n");
    const QString I = QStringLiteral("I");
    const double base = dateToDateTime(QDate(2015, 3, 4));
    EXPECT_NEAR(ini.ReadDateTime(I, QStringLiteral("dt"), -1), base + 10.5 / 24, oneMs);
    EXPECT_DOUBLE_EQ(ini.ReadDateTime(I, QStringLiteral("noon"), -1), base);
    EXPECT_NEAR(ini.ReadTime(I, QStringLiteral("late"), -1), (23 * 60 + 59) / 1440.0, oneMs);
    EXPECT_DOUBLE_EQ(ini.ReadTime(I, QStringLiteral("midnight"), -1), 0.0);
    EXPECT_NEAR(ini.ReadTime(I, QStringLiteral("nine"), -1), 9 / 24.0, oneMs);
    EXPECT_DOUBLE_EQ(ini.ReadTime(I, QStringLiteral("bad"), -1), -1);
    EXPECT_DOUBLE_EQ(ini.ReadTime(I, QStringLiteral("empty"), -1), -1);
    EXPECT_DOUBLE_EQ(ini.ReadDateTime(I, QStringLiteral("missing"), -1), -1);

    RegionalSettings dayFirst;
    dayFirst.shortDateFormat = QStringLiteral("d/M/yyyy");
    regional.settings = dayFirst;
    EXPECT_NEAR(ini.ReadDateTime(I, QStringLiteral("dt"), -1),
                dateToDateTime(QDate(2015, 4, 3)) + 10.5 / 24, oneMs);
}

TEST_F(IniFile, APinnedCopyAnswersFromOneReadWhileTheFileItselfIsReadAnew) {
    const TIniFile file = write("[MAIN]\r\nKey=first\r\n");
    const TIniFile pinned = file.pinned();
    write("[OTHER]\r\nKey=second\r\n");
    EXPECT_EQ(pinned.ReadString(QStringLiteral("MAIN"), QStringLiteral("Key"), QString()),
              QStringLiteral("first"));
    EXPECT_FALSE(pinned.SectionExists(QStringLiteral("OTHER")));
    EXPECT_EQ(file.ReadString(QStringLiteral("OTHER"), QStringLiteral("Key"), QString()),
              QStringLiteral("second"));
    // A file that is not there pins as missing: every read gives its default.
    const TIniFile gone = TIniFile(dir.filePath(QStringLiteral("none.ini"))).pinned();
    EXPECT_EQ(gone.ReadInteger(QStringLiteral("MAIN"), QStringLiteral("Key"), 7), 7);
}

TEST_F(IniFile, AFileBesideTheProgramIsReadDirectlyWhileTheShareIsStuckOnItsPath) {
    const QString MAIN = QStringLiteral("MAIN"), Key = QStringLiteral("Key");
    const TIniFile onShare = write("[MAIN]\r\nKey=1\r\n");
    ASSERT_EQ(onShare.ReadInteger(MAIN, Key, 0), 1);
    const TIniFile beside(path(), clock, regional, TIniFile::Place::StartDirectory);

    // A call on the path that does not come back: the share's worker refuses the path until it
    // does, and a file read through it gives its last read.
    std::promise<void> release;
    const std::shared_future<void> released = release.get_future().share();
    ASSERT_FALSE(share::worker().run<bool>(
        path(),
        [released] {
            released.wait();
            return true;
        },
        std::chrono::milliseconds(10)));
    write("[MAIN]\r\nKey=2\r\n");
    EXPECT_EQ(beside.ReadInteger(MAIN, Key, 0), 2);
    EXPECT_EQ(onShare.ReadInteger(MAIN, Key, 0), 1);
    QFile::remove(path());
    EXPECT_EQ(beside.ReadInteger(MAIN, Key, 0), 0);
    release.set_value();
}
