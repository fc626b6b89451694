#include "video/videopanel.h"
#include <QApplication>
#include <QBackingStore>
#include <QImage>
#include <gtest/gtest.h>
#include <vector>

namespace {

QImage render(TVideoPanel& panel) {
    QImage out(panel.size(), QImage::Format_RGB32);
    out.fill(Qt::white);
    panel.render(&out);
    return out;
}

QImage solid(QSize size, QColor colour) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

TEST(VideoPanel, PaintsTheFrameOneToOneAndItsColourAround) {
    TVideoPanel panel;
    panel.resize(200, 100);
    panel.setFrame(solid(QSize(50, 40), Qt::green), QPoint(20, 10));
    const QImage out = render(panel);
    EXPECT_EQ(out.pixelColor(20, 10), QColor(Qt::green));
    EXPECT_EQ(out.pixelColor(69, 49), QColor(Qt::green));
    EXPECT_EQ(out.pixelColor(70, 49), QColor(Qt::black));
    EXPECT_EQ(out.pixelColor(19, 10), QColor(Qt::black));
    EXPECT_EQ(out.pixelColor(199, 99), QColor(Qt::black));
}

TEST(VideoPanel, WithoutAFrameItIsPlainBlack) {
    TVideoPanel panel;
    panel.resize(64, 32);
    panel.setFrame(solid(QSize(64, 32), Qt::green), QPoint());
    panel.clearFrame();
    EXPECT_FALSE(panel.hasFrame());
    const QImage out = render(panel);
    for (QPoint p : {QPoint(0, 0), QPoint(32, 16), QPoint(63, 31)})
        EXPECT_EQ(out.pixelColor(p), QColor(Qt::black));
}

TEST(VideoPanel, CountsEachFrameOnceHoweverOftenItIsPainted) {
    TVideoPanel panel;
    panel.resize(64, 32);
    render(panel);
    EXPECT_EQ(panel.framesPainted(), 0u);
    panel.setFrame(solid(QSize(64, 32), Qt::green), QPoint());
    render(panel);
    render(panel);
    EXPECT_EQ(panel.framesPainted(), 1u);
    panel.setFrame(solid(QSize(64, 32), Qt::blue), QPoint());
    // A frame replaced before it was painted was never on screen.
    panel.setFrame(solid(QSize(64, 32), Qt::red), QPoint());
    const QImage out = render(panel);
    EXPECT_EQ(out.pixelColor(10, 10), QColor(Qt::red));
    EXPECT_EQ(panel.framesPainted(), 2u);
}

// A 4:2:0 frame of one colour, given as Y, U, V; its planes live as long as the frame.
TVideoFrame yuvFrame(QSize size, int y, int u, int v, TVideoFrame::Matrix matrix) {
    struct Planes {
        std::vector<uchar> y, u, v;
    };
    const int cw = (size.width() + 1) / 2, ch = (size.height() + 1) / 2;
    auto planes = std::make_shared<Planes>();
    // Strides wider than the rows, as decoders give them.
    planes->y.assign(size_t(size.width() + 16) * size.height(), uchar(y));
    planes->u.assign(size_t(cw + 8) * ch, uchar(u));
    planes->v.assign(size_t(cw + 8) * ch, uchar(v));
    const TVideoFrame::Planes p{planes->y.data(),  planes->u.data(), planes->v.data(),
                                size.width() + 16, cw + 8,           cw + 8};
    return TVideoFrame::yuv420(size, p, matrix, planes);
}

bool near(QColor a, QColor b, int tolerance = 6) {
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

TEST(VideoFrame, YuvFramesBecomeTheColoursOfTheirMatrix) {
    using M = TVideoFrame::Matrix;
    // Pure red in each of the encodings decoders hand out.
    EXPECT_TRUE(
        near(yuvFrame(QSize(6, 4), 81, 90, 240, M::Bt601).toImage().pixelColor(5, 3), Qt::red));
    EXPECT_TRUE(
        near(yuvFrame(QSize(6, 4), 63, 102, 240, M::Bt709).toImage().pixelColor(5, 3), Qt::red));
    EXPECT_TRUE(near(
        yuvFrame(QSize(6, 4), 76, 85, 255, M::Bt601FullRange).toImage().pixelColor(0, 0), Qt::red));
    // Limited-range black and white.
    EXPECT_TRUE(
        near(yuvFrame(QSize(5, 3), 16, 128, 128, M::Bt709).toImage().pixelColor(4, 2), Qt::black));
    EXPECT_TRUE(
        near(yuvFrame(QSize(5, 3), 235, 128, 128, M::Bt601).toImage().pixelColor(4, 2), Qt::white));
    // The matrix is not ignored: the same values are a different colour in another one.
    EXPECT_FALSE(
        near(yuvFrame(QSize(4, 4), 81, 90, 240, M::Bt709).toImage().pixelColor(0, 0), Qt::red));

    const QImage image = yuvFrame(QSize(7, 5), 81, 90, 240, M::Bt601).toImage();
    EXPECT_EQ(image.size(), QSize(7, 5));
    EXPECT_EQ(image.format(), QImage::Format_RGB32);
    EXPECT_EQ(qAlpha(image.pixel(6, 4)), 255);
}

TEST(VideoFrame, WritesOnlyWhereItFitsWholly) {
    QImage target(20, 10, QImage::Format_RGB32);
    target.fill(Qt::white);
    const TVideoFrame frame = yuvFrame(QSize(8, 4), 81, 90, 240, TVideoFrame::Matrix::Bt601);
    EXPECT_FALSE(frame.writeInto(target, QPoint(13, 0))) << "would run past the right edge";
    EXPECT_FALSE(frame.writeInto(target, QPoint(0, -1)));
    EXPECT_EQ(target.pixelColor(19, 0), QColor(Qt::white));
    ASSERT_TRUE(frame.writeInto(target, QPoint(12, 6)));
    EXPECT_TRUE(near(target.pixelColor(12, 6), Qt::red));
    EXPECT_TRUE(near(target.pixelColor(19, 9), Qt::red));
    EXPECT_EQ(target.pixelColor(11, 6), QColor(Qt::white));
    EXPECT_EQ(target.pixelColor(12, 5), QColor(Qt::white));
    QImage indexed(20, 10, QImage::Format_Indexed8);
    EXPECT_FALSE(frame.writeInto(indexed, QPoint()));
}

// The panel inside a window on screen, with a widget above part of it: frames land in the
// window's memory at the panel's place, the widget above stays whole, and a repaint of part of
// the panel shows the same picture as a whole one.
TEST(VideoPanel, FramesOfAClipLandInTheWindowBeneathTheLayersAbove) {
    QWidget window;
    window.resize(300, 200);
    window.setAutoFillBackground(true);
    window.setPalette(QPalette(Qt::white));
    auto* panel = new TVideoPanel(&window);
    panel->setGeometry(30, 20, 200, 100);
    auto* above = new QWidget(&window);
    above->setAutoFillBackground(true);
    above->setPalette(QPalette(Qt::blue));
    above->setGeometry(0, 0, 60, 60);
    window.show();
    QApplication::processEvents();

    const auto pixel = [&](int x, int y) {
        return static_cast<QImage*>(window.backingStore()->paintDevice())->pixelColor(x, y);
    };
    panel->setFrame(yuvFrame(QSize(150, 80), 81, 90, 240, TVideoFrame::Matrix::Bt601),
                    QPoint(10, 10));
    window.repaint();
    EXPECT_TRUE(near(pixel(40, 30), Qt::blue)) << "the widget above is not painted over";
    EXPECT_TRUE(near(pixel(70, 40), Qt::red));
    EXPECT_TRUE(near(pixel(189, 109), Qt::red));
    EXPECT_TRUE(near(pixel(190, 109), Qt::black)) << "the panel's own colour beside the frame";
    EXPECT_TRUE(near(pixel(229, 119), Qt::black));
    EXPECT_TRUE(near(pixel(230, 120), Qt::white)) << "nothing beyond the panel";
    EXPECT_EQ(panel->framesPainted(), 1u);

    // A repaint of part of the panel paints that part, and nothing of the frame outside it.
    static_cast<QImage*>(window.backingStore()->paintDevice())->fill(Qt::white);
    panel->repaint(QRect(100, 50, 20, 20));
    EXPECT_TRUE(near(pixel(135, 75), Qt::red)) << pixel(135, 75).name().toStdString();
    EXPECT_TRUE(near(pixel(70, 40), Qt::white)) << pixel(70, 40).name().toStdString();
    EXPECT_TRUE(near(pixel(129, 75), Qt::white));
    EXPECT_TRUE(near(pixel(150, 75), Qt::white));
}

TEST(VideoPanel, IsAnAlienWidget) {
    QWidget window;
    auto* panel = new TVideoPanel(&window);
    panel->setFrame(solid(QSize(8, 8), Qt::green), QPoint());
    EXPECT_FALSE(panel->testAttribute(Qt::WA_NativeWindow));
    EXPECT_FALSE(panel->internalWinId());
}

} // namespace
