#include "content/playlistitemsearch.h"
#include "content/playliststep.h"
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class FakePlaylistHost : public PlaylistHost {
  public:
    QStringList calls;
    void setSlideInterval(std::uint32_t interval) override {
        calls << QStringLiteral("interval %1").arg(interval);
    }
    void setSlideTimer(bool enabled) override { calls << (enabled ? "timer on" : "timer off"); }
    void showMessage(const QString& text) override { calls << "message " + text; }
};

class PlaylistStep : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        write("config.ini", "[MAIN]\nNextImageTimer=8000\n");
        write("a.jpg", "");
        write("b.jpg", "");
        files.setMask(QStringLiteral("*.jpg"));
        files.ApplyFilePath(dir.path() + u'/');
    }
    void write(const char* name, const QByteArray& text) {
        QFile f(dir.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
    }
    bool step() {
        return playlistStep(host, &playlist, config, files, imageindex, playlistitemindex, clock);
    }

    const TFixedClock clock{QDateTime(QDate(2015, 4, 3), QTime(12, 0))};
    QTemporaryDir dir;
    TIniFile config{dir.filePath(QStringLiteral("config.ini")), clock};
    TIniFile playlist{dir.filePath(QStringLiteral("playlist.ini")), clock};
    TFileListBox files;
    std::int32_t imageindex = 0;
    std::int32_t playlistitemindex = 1;
    FakePlaylistHost host;
};

} // namespace

TEST_F(PlaylistStep, TheChosenItemSetsThePositionAndTheInterval) {
    write("playlist.ini", "[Item1]\nFileName=gone.jpg\n[Item2]\nFileName=B.JPG\nduration=3000\n");
    EXPECT_TRUE(step());
    EXPECT_EQ(imageindex, 1);
    EXPECT_EQ(playlistitemindex, 2);
    EXPECT_EQ(host.calls, QStringList{"interval 3000"});
}

TEST_F(PlaylistStep, NothingToChooseShowsTheMessageAndStopsTheSlides) {
    write("playlist.ini", "[Item1]\nFileName=a.jpg\nEndDateTime=4/2/2015 23:59\n");
    EXPECT_FALSE(step());
    EXPECT_EQ(imageindex, 0);
    ASSERT_EQ(host.calls.size(), 3);
    EXPECT_EQ(host.calls[0], "interval 8000");
    EXPECT_EQ(host.calls[1], "message " + playlistMessage);
    EXPECT_EQ(host.calls[2], "timer off");
}
