#include "pictures/fittedpicture.h"
#include "pictures/picturedecoder.h"
#include "pictures/pictureprefetch.h"
#include "picturesamples.h"
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <utime.h>

namespace {

// Four flat quadrants: red, green / blue, ochre.
QByteArray quadrantJpeg(int w, int h) {
    return writeJpeg({w, h, 3, JCS_RGB, JCS_YCbCr, false, false},
                     quadrants(w, h, {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {200, 150, 50}}));
}

bool near(QRgb a, QRgb b, int tol = 24) {
    return std::abs(qRed(a) - qRed(b)) <= tol && std::abs(qGreen(a) - qGreen(b)) <= tol &&
           std::abs(qBlue(a) - qBlue(b)) <= tol;
}

class Pictures : public ::testing::Test {
  protected:
    QString write(const QString& name, const QByteArray& bytes) {
        const QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
        return path;
    }
    QTemporaryDir dir;
};

const PictureFit window{QSize(1920, 1080), false, true};

} // namespace

TEST(JpegScaling, DecodesAtTheSmallestEighthNotBelowTheWantedSize) {
    const QByteArray jpeg = quadrantJpeg(1600, 1200);
    QSize natural;
    // 300 x 225 wanted: 2/8 gives 400 x 300, the smallest eighth that is not smaller.
    const QImage quarter = decodeJpegAtLeast(
        jpeg, "q.jpg", [](QSize) { return QSize(300, 225); }, &natural);
    EXPECT_EQ(natural, QSize(1600, 1200));
    EXPECT_EQ(quarter.size(), QSize(400, 300));
    EXPECT_TRUE(near(quarter.pixel(100, 75), qRgb(255, 0, 0)));
    EXPECT_TRUE(near(quarter.pixel(300, 225), qRgb(200, 150, 50)));
    // More than the picture holds: the full size, never larger.
    EXPECT_EQ(decodeJpegAtLeast(jpeg, "q.jpg", [](QSize) { return QSize(4000, 10); }).size(),
              QSize(1600, 1200));
}

TEST_F(Pictures, FittedPicturesComeAtTheSizeTheyAreDrawnAndKeepTheirNaturalSize) {
    // 3000 x 2000 into 1920 x 1080, proportional: 1620 x 1080.
    const FittedPicture big = loadFittedPicture(write("big.JPG", quadrantJpeg(3000, 2000)), window);
    EXPECT_EQ(big.natural, QSize(3000, 2000));
    EXPECT_EQ(big.image.size(), QSize(1620, 1080));
    EXPECT_EQ(big.image.format(), QImage::Format_RGB32);
    EXPECT_TRUE(near(big.image.pixel(400, 270), qRgb(255, 0, 0)));
    EXPECT_TRUE(near(big.image.pixel(1200, 800), qRgb(200, 150, 50)));

    // Small pictures stay as they are; stretching enlarges them once, here.
    const QString small = write("small.jpg", quadrantJpeg(64, 48));
    EXPECT_EQ(loadFittedPicture(small, window).image.size(), QSize(64, 48));
    const FittedPicture stretched = loadFittedPicture(small, {QSize(640, 480), true, false});
    EXPECT_EQ(stretched.image.size(), QSize(640, 480));
    EXPECT_EQ(stretched.natural, QSize(64, 48));

    // Neither stretched nor proportional: drawn at natural size, cut by the window's edges.
    EXPECT_EQ(loadFittedPicture(write("cut.jpg", quadrantJpeg(2400, 1200)),
                                {QSize(1920, 1080), false, false})
                  .image.size(),
              QSize(2400, 1200));
}

TEST_F(Pictures, FittingFailsLikeLoadingForBadFiles) {
    const QString misnamed =
        write("png.jpg", QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(64, 0));
    EXPECT_THROW(loadFittedPicture(misnamed, window), EPictureError);
    EXPECT_THROW(loadFittedPicture(dir.filePath("missing.png"), window), EInOutError);
    EXPECT_THROW(loadFittedPicture(write("a.tif", "x"), window), EPictureError);
}

TEST_F(Pictures, PrefetchIsUsedOnlyForTheSameUnchangedFileAndFit) {
    const QString a = write("a.jpg", quadrantJpeg(800, 600));
    const QString b = write("b.jpg", quadrantJpeg(400, 300));
    PicturePrefetcher prefetch;

    prefetch.prefetch(a, window);
    std::optional<FittedPicture> got = prefetch.take(a, window);
    ASSERT_TRUE(got);
    EXPECT_EQ(got->natural, QSize(800, 600));
    // Used up: a second take finds nothing.
    EXPECT_FALSE(prefetch.take(a, window));

    // Another file, or the same with another fit, is not taken.
    prefetch.prefetch(a, window);
    EXPECT_FALSE(prefetch.take(b, window));
    prefetch.prefetch(a, window);
    EXPECT_FALSE(prefetch.take(a, {QSize(640, 480), false, true}));

    // A file rewritten after it was read is read again at the tick.
    prefetch.prefetch(a, window);
    ASSERT_TRUE(prefetch.take(a, window)); // wait for it to be read
    prefetch.prefetch(b, window);
    prefetch.waitForIdle();
    write("b.jpg", quadrantJpeg(200, 100));
    EXPECT_FALSE(prefetch.take(b, window));
    // Touched only (same content, new modification time): read again as well.
    prefetch.prefetch(b, window);
    prefetch.waitForIdle();
    const struct utimbuf past { 1000000000, 1000000000 };
    ASSERT_EQ(::utime(QFile::encodeName(b).constData(), &past), 0);
    EXPECT_FALSE(prefetch.take(b, window));

    // A file that does not decode leaves nothing; the tick decodes it and fails there.
    const QString bad = write("bad.png", "not a png");
    prefetch.prefetch(bad, window);
    EXPECT_FALSE(prefetch.take(bad, window));
    EXPECT_EQ(prefetch.hits(), 2);
}
