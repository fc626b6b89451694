#include "core/errors.h"
#include "core/filenames.h"
#include "sequencer/slidetick.h"
#include "support/qtprinters.h"
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

// Records what the tick asks of the window, one line a call.
class FakeSlideHost : public SlideHost {
  public:
    QStringList calls;
    bool playlistChooses = true;
    bool pictureFails = false;
    bool searchFails = false;
    std::uint32_t interval = 5000;
    QStringList restartArguments;

    void setSlideTimer(bool enabled) override { calls << (enabled ? "timer on" : "timer off"); }
    std::uint32_t slideInterval() const override { return interval; }
    void setSlideInterval(std::uint32_t ms) override {
        interval = ms;
        calls << QStringLiteral("interval %1").arg(ms);
    }
    void stopScrolling() override { calls << "scroll off"; }
    void keepAwake() override { calls << "awake"; }
    void activate() override { calls << "activate"; }
    void setPictureVisible(bool visible) override {
        calls << (visible ? "layer shown" : "layer hidden");
    }
    void showMessage(const QString& text) override { calls << "message " + text; }
    void hideMessage() override { calls << "message hidden"; }
    void refresh() override {}
    void processEvents() override {}
    bool playlistItemSearch() override {
        calls << "search";
        if (searchFails)
            throw EError(QStringLiteral("Invalid playlist"));
        return playlistChooses;
    }
    void showPicture(const QString& path) override {
        if (pictureFails)
            throw EError(QStringLiteral("Bitmap image is not valid"));
        calls << "picture " + path.section(u'/', -1);
    }
    void playVideo(const QString& path) override { calls << "video " + path.section(u'/', -1); }
    void showWebPage(const QString& path) override { calls << "web " + path.section(u'/', -1); }
    void captionStep() override { calls << "caption"; }
    void prefetchPicture(const QString& path) override {
        calls << "prefetch " + path.section(u'/', -1);
    }
    void writeLog(const QString& text) override { calls << "log " + text; }
    void startFreshCopy(const QStringList& arguments) override {
        calls << "restart";
        restartArguments = arguments;
    }
    void reportFailure(const QString& text) override { calls << "report " + text; }
    void boardReady() override { calls << "ready"; }

    // The calls that show an item, in order.
    QStringList shown() const {
        QStringList out;
        for (const QString& c : calls)
            if (c.startsWith("picture ") || c.startsWith("video ") || c.startsWith("web ") ||
                c.startsWith("message Unsupported"))
                out << c;
        return out;
    }
};

class SlideTickTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        folder = dir.path() + u'/';
    }
    void touch(const QString& name) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    void readFolder() {
        files.setMask(QStringLiteral("*.*"));
        files.ApplyFilePath(folder);
    }
    void tick() {
        host.calls.clear();
        SlideTick(host, state).run();
    }

    QTemporaryDir dir;
    QString folder;
    TFileListBox files;
    std::int32_t imageindex = -1;
    std::int32_t playlistitemindex = 1;
    bool usePlayList = false;
    bool showFileName = false;
    bool pollSourceDrive = false;
    bool preventScreenSaver = false;
    std::unique_ptr<TIniFile> playlist;
    SlideState state{files,       folder,       imageindex,      playlistitemindex,
                     usePlayList, showFileName, pollSourceDrive, preventScreenSaver,
                     playlist};
    FakeSlideHost host;
};

} // namespace

TEST_F(SlideTickTest, EachTickShowsTheNextItemByItsKindAndWrapsAround) {
    for (const char* name : {"a.jpg", "b.MP4", "c.url", "d.txt"})
        touch(QString::fromLatin1(name));
    readFolder();
    QStringList shown;
    for (int i = 0; i < 5; ++i) {
        tick();
        EXPECT_EQ(host.calls.value(0), "timer off");
        EXPECT_EQ(host.calls.value(1), "scroll off");
        EXPECT_TRUE(host.calls.contains("caption"));
        shown << host.shown();
    }
    EXPECT_EQ(shown,
              (QStringList{"picture a.jpg", "video b.MP4", "web c.url",
                           "message Unsupported File: " + folder + "d.txt", "picture a.jpg"}));
    EXPECT_EQ(imageindex, 0);
    EXPECT_EQ(playlistitemindex, 1); // only playlist mode counts items
}

TEST_F(SlideTickTest, OnlyPicturesAndUnsupportedFilesRestartTheTimerAtOnce) {
    for (const char* name : {"a.png", "b.avi"})
        touch(QString::fromLatin1(name));
    readFolder();
    tick();
    EXPECT_TRUE(host.calls.contains("timer on"));
    // The next item is a clip: nothing to decode ahead.
    EXPECT_FALSE(host.calls.join(u',').contains("prefetch"));
    tick();
    EXPECT_FALSE(host.calls.contains("timer on")); // the end of the clip runs the next tick
    EXPECT_TRUE(host.calls.contains("prefetch a.png"));
}

TEST_F(SlideTickTest, AnEmptyFolderShowsTheMessageAndNothingElse) {
    readFolder();
    tick();
    EXPECT_TRUE(host.calls.contains("layer hidden"));
    EXPECT_TRUE(host.calls.contains("message NO PICTURE FILES LOCATED IN " + folder +
                                    " OR FILE MASK SET TO EXCLUDE ALL PICTURE FILES IN FOLDER"));
    EXPECT_TRUE(host.shown().isEmpty());
    EXPECT_FALSE(host.calls.contains("timer on"));
}

TEST_F(SlideTickTest, AFailureIsLoggedWithItsItemAndEndsInAFreshCopy) {
    touch(QStringLiteral("bad.bmp"));
    readFolder();
    host.pictureFails = true;
    tick();
    const qsizetype log = host.calls.indexOf("log Bitmap image is not valid");
    ASSERT_GE(log, 0);
    EXPECT_EQ(host.calls.value(log + 1), "log On Item: " + folder + "bad.bmp");
    EXPECT_EQ(host.calls.value(log + 2), "restart");
    // Its only item failed: a whole round, so the fresh copy waits before it tries again.
    EXPECT_EQ(host.restartArguments, QStringList{"--after-failure=folder,0,0"});
    EXPECT_FALSE(host.calls.join(u',').contains("report"));
    EXPECT_FALSE(host.calls.contains("caption"));
}

TEST_F(SlideTickTest, PlaylistModeAsksTheSearchAndCountsTheItem) {
    touch(QStringLiteral("a.jpg"));
    readFolder();
    usePlayList = true;
    preventScreenSaver = true;
    host.playlistChooses = false;
    tick();
    EXPECT_TRUE(host.calls.contains("awake"));
    EXPECT_TRUE(host.calls.contains("search"));
    EXPECT_TRUE(host.shown().isEmpty());
    EXPECT_EQ(playlistitemindex, 1);

    host.playlistChooses = true;
    tick();
    EXPECT_EQ(host.shown(), QStringList{"picture a.jpg"});
    EXPECT_EQ(playlistitemindex, 2);
}

TEST_F(SlideTickTest, AFileGoneSinceTheRefreshIsSkippedSilently) {
    touch(QStringLiteral("a.jpg"));
    readFolder();
    ASSERT_EQ(files.Count(), 1);
    ASSERT_TRUE(QFile::remove(dir.filePath(QStringLiteral("a.jpg"))));
    tick();
    EXPECT_TRUE(host.shown().isEmpty());
    EXPECT_TRUE(host.calls.contains("timer on"));
    EXPECT_FALSE(host.calls.contains("restart"));
}

TEST_F(SlideTickTest, AFailedItemHandsTheNextPositionToTheFreshCopy) {
    for (const char* name : {"a.png", "b.bmp", "c.png"})
        touch(QString::fromLatin1(name));
    readFolder();
    SlideTick slides(host, state);
    slides.takeHandover(FailureHandover{false, 1, 0});
    EXPECT_EQ(imageindex, 0);
    host.pictureFails = true;
    slides.run();
    EXPECT_EQ(imageindex, 1);
    // It failed on the first item it tried: the round that began at position 0 goes on.
    EXPECT_EQ(host.restartArguments, QStringList{"--after-failure=folder,2,0"});

    // The last item wraps to the first; a copy started without a hand-over begins a round.
    imageindex = 1;
    SlideTick fresh(host, state);
    fresh.run();
    EXPECT_EQ(host.restartArguments, QStringList{"--after-failure=folder,0,2"});
}

TEST_F(SlideTickTest, InPlaylistModeTheSectionAfterTheShownItemIsHandedOn) {
    touch(QStringLiteral("a.jpg"));
    readFolder();
    QFile ini(dir.filePath(QStringLiteral("playlist.ini")));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[Item1]\nFileName=a.jpg\n[Item2]\nFileName=a.jpg\n[Item3]\nFileName=a.jpg\n");
    ini.close();
    playlist = std::make_unique<TIniFile>(ini.fileName());
    usePlayList = true;
    SlideTick slides(host, state);
    slides.takeHandover(FailureHandover{true, 2, 1});
    EXPECT_EQ(playlistitemindex, 2);
    host.pictureFails = true;
    slides.run();
    EXPECT_EQ(host.restartArguments, QStringList{"--after-failure=playlist,3,1"});

    // A failure before the item was chosen hands on the same section, and as it would fail there
    // again at once, the fresh copy waits before it tries.
    host.searchFails = true;
    playlistitemindex = 3;
    SlideTick(host, state).run();
    EXPECT_EQ(host.restartArguments, QStringList{"--after-failure=playlist,3,3"});
}

TEST_F(SlideTickTest, AWholeFailedRoundPausesTheFirstItemOfTheNextOnce) {
    touch(QStringLiteral("a.jpg"));
    readFolder();
    SlideTick slides(host, state);
    slides.takeHandover(FailureHandover{false, 0, 0});
    EXPECT_EQ(imageindex, -1);
    EXPECT_EQ(host.calls, QStringList{"interval 60000"});
    host.calls.clear();
    slides.run();
    EXPECT_EQ(host.calls.value(0), "interval 5000");
    EXPECT_EQ(host.shown(), QStringList{"picture a.jpg"});
    host.calls.clear();
    slides.run();
    EXPECT_FALSE(host.calls.join(u',').contains("interval"));

    // A longer interval of its own is kept; a show that never moves on is left alone.
    host.interval = 90000;
    SlideTick(host, state).takeHandover(FailureHandover{false, 0, 0});
    EXPECT_EQ(host.interval, 90000u);
    host.interval = 0;
    host.calls.clear();
    SlideTick(host, state).takeHandover(FailureHandover{false, 0, 0});
    EXPECT_TRUE(host.calls.isEmpty());
}

TEST_F(SlideTickTest, AHandoverOfTheOtherModeOrOfAPlaylistThatDidNotStartIsDropped) {
    touch(QStringLiteral("a.jpg"));
    readFolder();
    SlideTick folderShow(host, state);
    folderShow.takeHandover(FailureHandover{true, 3, 3});
    EXPECT_EQ(imageindex, -1);
    EXPECT_EQ(playlistitemindex, 1);
    EXPECT_TRUE(host.calls.isEmpty()); // no pause either

    usePlayList = true;
    playlistitemindex = 0; // the playlist had no Item1
    SlideTick listShow(host, state);
    listShow.takeHandover(FailureHandover{true, 3, 3});
    EXPECT_EQ(playlistitemindex, 0);
    EXPECT_TRUE(host.calls.isEmpty());
}

TEST_F(SlideTickTest, TheBoardIsReadyOnlyOnceAnItemIsUp) {
    readFolder();
    tick();
    EXPECT_FALSE(host.calls.contains("ready")); // the empty-folder message is no item

    touch(QStringLiteral("a.bmp"));
    readFolder();
    host.pictureFails = true;
    tick();
    EXPECT_FALSE(host.calls.contains("ready"));

    host.pictureFails = false;
    tick();
    const qsizetype ready = host.calls.indexOf("ready");
    ASSERT_GE(ready, 0);
    EXPECT_GT(ready, host.calls.indexOf("picture a.bmp"));
}

// A name stored in Latin-1 is found on disk by its bytes, handed on as the listing gave it, and
// reads as Windows-1252 in the messages and the log.
TEST_F(SlideTickTest, NamesThatAreNotUtf8AreShownAndLoggedAsTheyRead) {
    for (const QByteArray& name : {QByteArray("caf\xe9.jpg"), QByteArray("caf\xe9.txt")}) {
        const int fd = ::open((QFile::encodeName(folder) + name).constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        ASSERT_GE(fd, 0);
        ::close(fd);
    }
    readFolder();
    showFileName = true;
    const QString cafe = QString::fromUtf8("café");
    tick();
    EXPECT_TRUE(host.calls.contains("message " + folder + cafe + ".jpg"))
        << host.calls.join(u'\n').toStdString();
    EXPECT_EQ(host.shown(), QStringList{"picture " + decodeFileName("caf\xe9.jpg")});
    tick();
    EXPECT_EQ(host.shown(), QStringList{"message Unsupported File: " + folder + cafe + ".txt"});

    host.pictureFails = true;
    tick();
    EXPECT_TRUE(host.calls.contains("log On Item: " + folder + cafe + ".jpg"))
        << host.calls.join(u'\n').toStdString();
}
