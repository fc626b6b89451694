#pragma once

#include <QString>
#include <QTemporaryDir>

// Short clips made with ffmpeg when a test first asks for them, in a temporary folder that lives
// as long as the test program. A clip that cannot be made gives an empty path, which the tests
// treat as a failure: ffmpeg is one of the packages the project installs.
class TestClips {
  public:
    static TestClips& instance();

    // One second of solid green, 160 x 90 at 30 frames a second, with a tone: H.264 + AAC.
    QString greenMp4();
    // The same as MPEG-2 video with MPEG audio in a program stream.
    QString greenMpg();
    // The same as Motion JPEG with PCM sound in AVI.
    QString greenAvi();
    // The same as MPEG-4 part 2 with MP3 sound in AVI.
    QString greenMpeg4Avi();
    // One second of a tone, AAC in MP4, no picture.
    QString toneMp4();
    // Bytes that are no media format at all, named .mp4.
    QString noiseMp4();
    // The first 40 % of greenMp4: its index (written at the end) is lost.
    QString truncatedMp4();

    // Runs ffmpeg with the arguments (after the common ones) to make a clip; empty on failure.
    QString make(const QString& name, const QStringList& args);

  private:
    TestClips() = default;
    QTemporaryDir dir_;
};
