#include "testclips.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>

namespace {

const QStringList greenPicture = {"-f", "lavfi", "-i",
                                  "color=c=0x00ff00:size=160x90:rate=30:duration=1"};
const QStringList tone = {"-f", "lavfi", "-i", "sine=frequency=440:duration=1"};

} // namespace

TestClips& TestClips::instance() {
    static TestClips clips;
    return clips;
}

QString TestClips::make(const QString& name, const QStringList& args) {
    const QString path = dir_.filePath(name);
    if (QFileInfo::exists(path))
        return path;
    QProcess ffmpeg;
    ffmpeg.setProcessChannelMode(QProcess::MergedChannels);
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 QStringList{"-nostdin", "-loglevel", "error", "-y"} + args + QStringList{path});
    if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitStatus() != QProcess::NormalExit ||
        ffmpeg.exitCode() != 0) {
        qWarning("ffmpeg failed for %s: %s", qPrintable(name), ffmpeg.readAll().constData());
        QFile::remove(path);
        return {};
    }
    return path;
}

QString TestClips::greenMp4() {
    return make("green.mp4", greenPicture + tone +
                                 QStringList{"-c:v", "libx264", "-pix_fmt", "yuv420p", "-c:a",
                                             "aac", "-shortest"});
}

QString TestClips::greenMpg() {
    return make("green.mpg", greenPicture + tone +
                                 QStringList{"-c:v", "mpeg2video", "-c:a", "mp2", "-f", "mpeg"});
}

QString TestClips::greenAvi() {
    return make("green.avi",
                greenPicture + tone + QStringList{"-c:v", "mjpeg", "-c:a", "pcm_s16le"});
}

QString TestClips::greenMpeg4Avi() {
    return make("green-mpeg4.avi",
                greenPicture + tone + QStringList{"-c:v", "mpeg4", "-c:a", "libmp3lame"});
}

QString TestClips::toneMp4() {
    return make("tone.mp4", tone + QStringList{"-c:a", "aac"});
}

QString TestClips::noiseMp4() {
    const QString path = dir_.filePath("noise.mp4");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    QRandomGenerator random(20240611); // the same bytes every run
    QByteArray bytes(64 * 1024, Qt::Uninitialized);
    for (char& b : bytes)
        b = static_cast<char>(random.bounded(256));
    file.write(bytes);
    return path;
}

QString TestClips::truncatedMp4() {
    const QString whole = greenMp4();
    if (whole.isEmpty())
        return {};
    QFile in(whole);
    if (!in.open(QIODevice::ReadOnly))
        return {};
    const QByteArray head = in.read(in.size() * 4 / 10);
    const QString path = dir_.filePath("truncated.mp4");
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(head) != head.size())
        return {};
    return path;
}
