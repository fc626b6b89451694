#include "fakemediabackend.h"
#include "video/mediaplayer.h"
#include <QImage>
#include <gtest/gtest.h>

namespace {

class MediaPlayerTest : public ::testing::Test {
  protected:
    MediaPlayerTest() {
        auto backend = std::make_unique<FakeMediaBackend>(&log);
        fake = backend.get();
        player = std::make_unique<TMediaPlayer>(std::move(backend));
        panel.resize(640, 360);
        player->setDisplay(&panel);
        player->OnNotify = [this] { notices.append(player->NotifyValue); };
        player->FileName = QStringLiteral("/show/clip.mp4");
    }

    QImage solid(QSize size, QColor colour) {
        QImage image(size, QImage::Format_RGB32);
        image.fill(colour);
        return image;
    }

    QStringList log;
    FakeMediaBackend* fake;
    TVideoPanel panel;
    std::unique_ptr<TMediaPlayer> player;
    QList<TMPNotifyValues> notices;
};

TEST_F(MediaPlayerTest, OpenAsksForFramesTheSizeOfTheDisplay) {
    player->Open();
    EXPECT_TRUE(player->IsOpen());
    EXPECT_TRUE(player->HasVideo());
    EXPECT_EQ(log, QStringList{"open /show/clip.mp4 640x360"});
}

TEST_F(MediaPlayerTest, AFailedOpenRaisesTheBackEndsTextAndLeavesNothingOpen) {
    fake->next.openError = QStringLiteral("Could not determine type of stream.");
    try {
        player->Open();
        FAIL() << "Open did not raise";
    } catch (const EMCIDeviceError& e) {
        EXPECT_EQ(e.message(), "Could not determine type of stream.");
    }
    EXPECT_FALSE(player->IsOpen());
    EXPECT_EQ(player->Error(), 1);

    fake->next.openError = QStringLiteral("");
    EXPECT_THROW(
        {
            try {
                player->Open();
            } catch (const EMCIDeviceError& e) {
                EXPECT_EQ(e.message(), "Unknown error code");
                throw;
            }
        },
        EMCIDeviceError);
}

TEST_F(MediaPlayerTest, OpenClosesTheClipStillOpen) {
    player->Open();
    player->FileName = QStringLiteral("/show/next.mpg");
    player->Open();
    EXPECT_EQ(log,
              (QStringList{"open /show/clip.mp4 640x360", "close", "open /show/next.mpg 640x360"}));
}

TEST_F(MediaPlayerTest, CommandsThatNeedAClipRaiseWhenNoneIsOpen) {
    for (auto command : {&TMediaPlayer::Rewind, &TMediaPlayer::Play}) {
        try {
            (player.get()->*command)();
            FAIL() << "no error without an open clip";
        } catch (const EMCIDeviceError& e) {
            EXPECT_EQ(e.message(), "No MCI device open");
        }
    }
    // Close and the display rectangle have nothing to do.
    player->Close();
    player->setDisplayRect(QRect(0, 0, 100, 100));
    EXPECT_TRUE(log.isEmpty()) << log.join(", ").toStdString();
}

TEST_F(MediaPlayerTest, APlayAskedToNotifyReportsItsEndOnce) {
    player->Open();
    player->Rewind();
    player->setNotify(true);
    player->Play();
    EXPECT_FALSE(player->Notify()) << "the request is consumed by Play";
    fake->emitNotice(TMediaBackend::Notice::Ended);
    fake->emitNotice(TMediaBackend::Notice::Ended);
    fake->emitNotice(TMediaBackend::Notice::Failed, QStringLiteral("late error"));
    EXPECT_EQ(notices, QList<TMPNotifyValues>{nvSuccessful});
}

TEST_F(MediaPlayerTest, APlaybackErrorIsReportedAsFailure) {
    player->Open();
    player->setNotify(true);
    player->Play();
    fake->emitNotice(TMediaBackend::Notice::Failed, QStringLiteral("Internal data stream error."));
    EXPECT_EQ(notices, QList<TMPNotifyValues>{nvFailure});
    EXPECT_EQ(player->NotifyValue, nvFailure);
}

TEST_F(MediaPlayerTest, APlayNotAskedToNotifyReportsNothing) {
    player->Open();
    player->Play();
    fake->emitNotice(TMediaBackend::Notice::Ended);
    EXPECT_TRUE(notices.isEmpty());
}

TEST_F(MediaPlayerTest, AClipClosedBeforeItsEndReportsNothing) {
    player->Open();
    player->setNotify(true);
    player->Play();
    player->Close();
    // The next clip plays without a request; the end of either must not come through.
    player->Open();
    player->Play();
    fake->emitNotice(TMediaBackend::Notice::Ended);
    EXPECT_TRUE(notices.isEmpty());
}

TEST_F(MediaPlayerTest, RewindAndPlayFailuresAreOnlyKeptInTheErrorCode) {
    fake->next.seekOk = false;
    fake->next.playOk = false;
    player->Open();
    EXPECT_EQ(player->Error(), 0);
    EXPECT_NO_THROW(player->Rewind());
    EXPECT_EQ(player->Error(), 1);
    EXPECT_NO_THROW(player->Play());
    EXPECT_EQ(player->Error(), 1);
    EXPECT_FALSE(player->ErrorMessage().isEmpty());
}

TEST_F(MediaPlayerTest, TheDisplayRectangleSizesTheFramesAndPlacesThem) {
    player->Open();
    player->setDisplayRect(QRect(10, 20, 300, 200));
    EXPECT_EQ(fake->lastFrameSize, QSize(300, 200));
    fake->emitFrame(solid(QSize(300, 200), Qt::green));
    EXPECT_EQ(panel.frameRect(), QRect(10, 20, 300, 200));

    // Width and height 0 stand for the clip's own size.
    player->setDisplayRect(QRect(0, 0, 0, 0));
    EXPECT_EQ(fake->lastFrameSize, QSize());
    EXPECT_EQ(player->DisplayRect(), QRect(0, 0, 0, 0));
}

TEST_F(MediaPlayerTest, AClipWithoutPictureIgnoresTheDisplayRectangle) {
    fake->next.hasVideo = false;
    player->Open();
    EXPECT_FALSE(player->HasVideo());
    player->setDisplayRect(QRect(0, 0, 300, 200));
    EXPECT_FALSE(log.contains("size 300x200"));
    EXPECT_TRUE(player->DisplayRect().isNull());
}

TEST_F(MediaPlayerTest, CloseTakesTheLastFrameOffTheDisplay) {
    player->Open();
    fake->emitFrame(solid(QSize(640, 360), Qt::green));
    EXPECT_TRUE(panel.hasFrame());
    player->Close();
    EXPECT_FALSE(panel.hasFrame());
    EXPECT_FALSE(player->IsOpen());
}

TEST_F(MediaPlayerTest, ANewDisplayTakesOverThePicture) {
    TVideoPanel other;
    other.resize(100, 100);
    player->Open();
    fake->emitFrame(solid(QSize(640, 360), Qt::green));
    player->setDisplay(&other);
    EXPECT_FALSE(panel.hasFrame());
    fake->emitFrame(solid(QSize(640, 360), Qt::blue));
    EXPECT_TRUE(other.hasFrame());
    EXPECT_FALSE(panel.hasFrame());
    player->Close();
}

TEST_F(MediaPlayerTest, ADisplayDestroyedFirstIsNotUsed) {
    auto gone = std::make_unique<TVideoPanel>();
    player->setDisplay(gone.get());
    player->Open();
    gone.reset();
    EXPECT_EQ(player->Display(), nullptr);
    EXPECT_NO_FATAL_FAILURE(fake->emitFrame(solid(QSize(640, 360), Qt::green)));
    player->Close();
}

} // namespace
