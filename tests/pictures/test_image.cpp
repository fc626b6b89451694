#include "pictures/image.h"
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

namespace {
QRect fit(int w, int h, bool stretch, bool proportional) {
    return fitPicture(w, h, 1920, 1080, stretch, proportional);
}
} // namespace

TEST(PictureFitting, DefaultsShowSmallPicturesAtNaturalSizeCentred) {
    EXPECT_EQ(fit(800, 600, false, true), QRect(560, 240, 800, 600));
    EXPECT_EQ(fit(801, 601, false, true), QRect(559, 239, 801, 601));
}

TEST(PictureFitting, DefaultsShrinkLargePicturesKeepingTheirAspect) {
    EXPECT_EQ(fit(2000, 1000, false, true), QRect(0, 60, 1920, 960));
    EXPECT_EQ(fit(1200, 1200, false, true), QRect(420, 0, 1080, 1080));
    EXPECT_EQ(fit(1000, 2000, false, true), QRect(690, 0, 540, 1080));
}

TEST(PictureFitting, StretchWithProportionEnlargesKeepingTheAspect) {
    EXPECT_EQ(fit(400, 200, true, true), QRect(0, 60, 1920, 960));
    // A wide picture that would be too tall after fitting the width is fitted to the height.
    EXPECT_EQ(fitPicture(1000, 900, 1920, 1080, true, true), QRect(360, 0, 1200, 1080));
}

TEST(PictureFitting, StretchWithoutProportionFillsTheWindow) {
    EXPECT_EQ(fit(400, 200, true, false), QRect(0, 0, 1920, 1080));
    EXPECT_EQ(fit(4000, 200, true, false), QRect(0, 0, 1920, 1080));
}

TEST(PictureFitting, NeitherKeepsNaturalSizeAndCutsTheEdges) {
    EXPECT_EQ(fit(2000, 1000, false, false), QRect(-40, 40, 2000, 1000));
    EXPECT_EQ(fit(400, 200, false, false), QRect(760, 440, 400, 200));
}

TEST(PictureFitting, NoPictureIsNeverEnlargedByProportion) {
    // Without a size there is no aspect to keep: stretching fills the window, nothing else moves.
    EXPECT_EQ(fit(0, 0, true, true), QRect(0, 0, 1920, 1080));
    EXPECT_EQ(fit(0, 0, false, true), QRect(960, 540, 0, 0));
}

TEST(PictureLayer, PaintsTheFittedPictureAndLeavesTheRestAlone) {
    TImage layer;
    QImage red(100, 50, QImage::Format_RGB32);
    red.fill(Qt::red);
    layer.setPicture(red);
    QImage canvas(300, 300, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    {
        QPainter p(&canvas);
        layer.paint(p, canvas.size());
    }
    EXPECT_EQ(canvas.pixelColor(150, 150), QColor(Qt::red));   // centre of the picture
    EXPECT_EQ(canvas.pixelColor(101, 126), QColor(Qt::red));   // its top-left corner
    EXPECT_EQ(canvas.pixelColor(99, 150), QColor(Qt::black));  // left of it
    EXPECT_EQ(canvas.pixelColor(150, 124), QColor(Qt::black)); // above it
    EXPECT_EQ(layer.PictureWidth(), 100);
}
