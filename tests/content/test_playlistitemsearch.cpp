#include "content/playlistitemsearch.h"
#include "core/regional.h"
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QDateTime noon(QDate(2015, 4, 3), QTime(12, 0));

class PlaylistSearch : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        setNow(noon);
        writeConfig("[MAIN]\nNextImageTimer=8000\n");
        playlist_ =
            std::make_unique<TIniFile>(dir_.filePath(QStringLiteral("playlist.ini")), clock_, us_);
        config_ =
            std::make_unique<TIniFile>(dir_.filePath(QStringLiteral("config.ini")), clock_, us_);
    }

    void setNow(const QDateTime& moment) { clock_.moment = moment; }
    void write(const char* name, const QByteArray& text) {
        QFile f(dir_.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QByteArray crlf = text;
        crlf.replace("\n", "\r\n");
        f.write(crlf);
    }
    void writePlaylist(const QByteArray& text) { write("playlist.ini", text); }
    void writeConfig(const QByteArray& text) { write("config.ini", text); }

    PlaylistSearchResult search(const TIniFile* playlist) {
        return searchPlaylist(
            playlist, *config_,
            [this](const QString& name) {
                for (qsizetype i = 0; i < folder_.size(); ++i)
                    if (folder_[i].compare(name, Qt::CaseInsensitive) == 0)
                        return static_cast<int>(i);
                return -1;
            },
            itemIndex_, clock_);
    }

    // Runs the slide tick's part n times: search, then on to the next section as the tick does
    // after an item was shown. Gives the names shown, "message" where the search gave up.
    std::vector<std::string> show(int runs) {
        std::vector<std::string> shown;
        for (int i = 0; i < runs; ++i) {
            const PlaylistSearchResult r = search(playlist_.get());
            if (!r.chosen) {
                shown.push_back("message");
                continue;
            }
            shown.push_back(folder_.at(r.fileIndex).toStdString());
            intervals_.push_back(r.interval.value_or(0));
            ++itemIndex_;
        }
        return shown;
    }

    using Names = std::vector<std::string>;

    QTemporaryDir dir_;
    TFixedClock clock_;
    TFixedRegionalFormats us_; // M/d/yyyy, "/" and ":"
    std::unique_ptr<TIniFile> playlist_;
    std::unique_ptr<TIniFile> config_;
    QStringList folder_{QStringLiteral("a.jpg"), QStringLiteral("b.jpg"), QStringLiteral("c.jpg"),
                        QStringLiteral("photo.jpg")};
    std::int32_t itemIndex_ = 1;
    std::vector<std::uint32_t> intervals_;
};

const QByteArray threeItems = "[Item1]\nFileName=a.jpg\n[Item2]\nFileName=b.jpg\n"
                              "[Item3]\nFileName=c.jpg\n";

} // namespace

TEST_F(PlaylistSearch, ItemsInSectionOrderThenFromTheStart) {
    writePlaylist(threeItems);
    EXPECT_EQ(show(7), (Names{"a.jpg", "b.jpg", "c.jpg", "a.jpg", "b.jpg", "c.jpg", "a.jpg"}));
}

TEST_F(PlaylistSearch, AnItemWhoseFileIsMissingIsPassedOver) {
    writePlaylist("[Item1]\nFileName=a.jpg\n[Item2]\nFileName=gone.jpg\n[Item3]\nFileName=c.jpg\n");
    EXPECT_EQ(show(4), (Names{"a.jpg", "c.jpg", "a.jpg", "c.jpg"}));
}

TEST_F(PlaylistSearch, FileNamesIgnoreLetterCase) {
    writePlaylist("[item1]\nfilename=Photo.JPG\n");
    EXPECT_EQ(show(2), (Names{"photo.jpg", "photo.jpg"}));
}

TEST_F(PlaylistSearch, AnItemWhoseWindowHasPassedIsLeftOutWithoutCountingAFailure) {
    writePlaylist("[Item1]\nFileName=a.jpg\n[Item2]\nFileName=b.jpg\nEndDateTime=4/2/2015 23:59\n"
                  "[Item3]\nFileName=c.jpg\n");
    EXPECT_EQ(show(4), (Names{"a.jpg", "c.jpg", "a.jpg", "c.jpg"}));

    // Five missing files, then an item out of its window: were it counted, this search would give
    // up at its sixth failure instead of reaching Item7.
    writePlaylist("[Item1]\nFileName=x1\n[Item2]\nFileName=x2\n[Item3]\nFileName=x3\n"
                  "[Item4]\nFileName=x4\n[Item5]\nFileName=x5\n"
                  "[Item6]\nFileName=b.jpg\nEndDateTime=1/1/2015\n[Item7]\nFileName=c.jpg\n");
    itemIndex_ = 1;
    EXPECT_EQ(show(1), (Names{"c.jpg"}));
}

TEST_F(PlaylistSearch, AnItemJoinsOnceItsStartHasCome) {
    writePlaylist("[Item1]\nFileName=a.jpg\n[Item2]\nFileName=b.jpg\nStartDateTime=4/3/2015 14:30\n"
                  "[Item3]\nFileName=c.jpg\n");
    EXPECT_EQ(show(2), (Names{"a.jpg", "c.jpg"}));
    setNow(QDateTime(QDate(2015, 4, 3), QTime(14, 29, 59, 999)));
    EXPECT_EQ(show(2), (Names{"a.jpg", "c.jpg"}));
    setNow(QDateTime(QDate(2015, 4, 3), QTime(14, 30))); // the start itself counts
    EXPECT_EQ(show(3), (Names{"a.jpg", "b.jpg", "c.jpg"}));
}

TEST_F(PlaylistSearch, TheEndOfTheWindowIsIncluded) {
    writePlaylist("[Item1]\nFileName=a.jpg\nEndDateTime=4/3/2015 12:00\n[Item2]\nFileName=b.jpg\n");
    EXPECT_EQ(show(2), (Names{"a.jpg", "b.jpg"}));
    setNow(noon.addMSecs(1));
    EXPECT_EQ(show(2), (Names{"b.jpg", "b.jpg"}));
}

TEST_F(PlaylistSearch, DatesAreReadInTheRegionalFormat) {
    // 3/4/2015 is 3 April day-first and 4 March month-first; now is 3 April, noon.
    writePlaylist("[Item1]\nFileName=a.jpg\nStartDateTime=3/4/2015 10:30\n"
                  "[Item2]\nFileName=b.jpg\n");
    EXPECT_EQ(show(2), (Names{"a.jpg", "b.jpg"})); // month-first: started in March
    RegionalSettings dayFirst;
    dayFirst.shortDateFormat = QStringLiteral("d/M/yyyy");
    us_.settings = dayFirst;
    setNow(QDateTime(QDate(2015, 4, 3), QTime(10, 29)));
    EXPECT_EQ(show(2), (Names{"b.jpg", "b.jpg"}));
    setNow(QDateTime(QDate(2015, 4, 3), QTime(10, 30)));
    EXPECT_EQ(show(2), (Names{"a.jpg", "b.jpg"}));
}

TEST_F(PlaylistSearch, UnreadableDatesMeanAlwaysInTheWindow) {
    writePlaylist("[Item1]\nFileName=a.jpg\nStartDateTime=soon\nEndDateTime=\n");
    EXPECT_EQ(show(2), (Names{"a.jpg", "a.jpg"}));
}

TEST_F(PlaylistSearch, SixMissingFilesGiveUp) {
    writePlaylist("[Item1]\nFileName=gone1.jpg\nduration=1111\n"
                  "[Item2]\nFileName=gone2.jpg\nduration=2222\n");
    const PlaylistSearchResult r = search(playlist_.get());
    EXPECT_FALSE(r.chosen);
    // Visited Item1, Item2 three times each: the last one visited set the interval, and the next
    // search starts past it.
    EXPECT_EQ(r.interval, 2222u);
    EXPECT_EQ(itemIndex_, 3);
    // The failures count afresh in every search.
    EXPECT_EQ(show(2), (Names{"message", "message"}));
}

TEST_F(PlaylistSearch, ItemsAfterAGapAreNeverShown) {
    writePlaylist("[Item1]\nFileName=a.jpg\n[Item2]\nFileName=b.jpg\n[Item4]\nFileName=c.jpg\n");
    EXPECT_EQ(show(5), (Names{"a.jpg", "b.jpg", "a.jpg", "b.jpg", "a.jpg"}));
}

TEST_F(PlaylistSearch, ASectionWithLeadingZerosIsNeverReached) {
    writePlaylist("[Item01]\nFileName=c.jpg\n[Item1]\nFileName=a.jpg\n[Item2]\nFileName=b.jpg\n");
    EXPECT_EQ(show(4), (Names{"a.jpg", "b.jpg", "a.jpg", "b.jpg"}));
}

TEST_F(PlaylistSearch, DurationPerItemElseTheConfiguredInterval) {
    writePlaylist("[Item1]\nFileName=a.jpg\nduration=20000\n[Item2]\nFileName=b.jpg\n"
                  "[Item3]\nFileName=c.jpg\nduration=soon\n");
    show(3);
    EXPECT_EQ(intervals_, (std::vector<std::uint32_t>{20000, 8000, 8000}));
    // The configured interval is read again at every use, with its own default.
    writeConfig("[MAIN]\n");
    show(2);
    EXPECT_EQ(intervals_.back(), 5000u);
    writeConfig("[main]\nnextimagetimer=9000\n");
    show(1);
    EXPECT_EQ(intervals_.back(), 9000u);
}

TEST_F(PlaylistSearch, DurationZeroAndNegativeDurations) {
    writePlaylist("[Item1]\nFileName=a.jpg\nduration=0\n[Item2]\nFileName=b.jpg\nduration=-1\n");
    show(2);
    EXPECT_EQ(intervals_, (std::vector<std::uint32_t>{0u, 4294967295u}));
}

TEST_F(PlaylistSearch, EveryItemOutOfItsWindowEndsWithTheMessage) {
    writePlaylist("[Item1]\nFileName=a.jpg\nEndDateTime=1/1/2015\n"
                  "[Item2]\nFileName=b.jpg\nStartDateTime=1/1/2016\n"
                  "[Item3]\nFileName=c.jpg\nStartDateTime=5/1/2015\nEndDateTime=6/1/2015\n");
    itemIndex_ = 2;
    const PlaylistSearchResult r = search(playlist_.get());
    EXPECT_FALSE(r.chosen);
    EXPECT_EQ(itemIndex_, 2); // round the list once: back where it began
    EXPECT_EQ(show(1), (Names{"message"}));

    // A missing file among them: the six-failure rule ends it.
    writePlaylist("[Item1]\nFileName=a.jpg\nEndDateTime=1/1/2015\n[Item2]\nFileName=gone.jpg\n");
    EXPECT_EQ(show(1), (Names{"message"}));
}

TEST_F(PlaylistSearch, NoItem1AtAllEndsWithTheMessage) {
    writePlaylist("[Item2]\nFileName=b.jpg\n");
    EXPECT_EQ(show(1), (Names{"message"}));
    EXPECT_EQ(itemIndex_, 1);
    // A header without keys is no section.
    writePlaylist("[Item1]\n[Item2]\nFileName=b.jpg\n");
    EXPECT_EQ(show(1), (Names{"message"}));
    // The start-up state of a playlist without Item1 (section number 0) ends the same way.
    itemIndex_ = 0;
    EXPECT_EQ(show(1), (Names{"message"}));
}

TEST_F(PlaylistSearch, WithoutAPlaylistTheSearchGivesUpAtOnce) {
    const PlaylistSearchResult r = search(nullptr);
    EXPECT_FALSE(r.chosen);
    EXPECT_FALSE(r.interval.has_value());
    EXPECT_EQ(itemIndex_, 1);
}

TEST_F(PlaylistSearch, EditsTakeEffectAtTheNextItem) {
    writePlaylist(threeItems);
    EXPECT_EQ(show(1), (Names{"a.jpg"}));
    writePlaylist("[Item1]\nFileName=a.jpg\n[Item2]\nFileName=photo.jpg\n");
    EXPECT_EQ(show(3), (Names{"photo.jpg", "a.jpg", "photo.jpg"}));
}

TEST_F(PlaylistSearch, AMissingSectionSendsTheSearchBackToItem1) {
    writePlaylist(threeItems);
    itemIndex_ = 9;
    EXPECT_EQ(show(2), (Names{"a.jpg", "b.jpg"}));
}
