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

    void setSlideTimer(bool enabled) override { calls << (enabled ? "timer on" : "timer off"); }
    void stopScrolling() override { calls << "scroll off"; }
    void keepAwake() override { calls << "awake"; }
    void runAndWait(const QString& program, const QString& parameters) override {
        calls << "run " + program + " " + parameters;
    }
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
    void startFreshCopy() override { calls << "restart"; }
    void reportFailure(const QString& text) override { calls << "report " + text; }

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
