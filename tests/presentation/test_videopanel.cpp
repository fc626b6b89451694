#include "presentation/videopanel.h"
#include <QImage>
#include <gtest/gtest.h>

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

TEST(VideoPanel, IsAnAlienWidget) {
    QWidget window;
    auto* panel = new TVideoPanel(&window);
    panel->setFrame(solid(QSize(8, 8), Qt::green), QPoint());
    EXPECT_FALSE(panel->testAttribute(Qt::WA_NativeWindow));
    EXPECT_FALSE(panel->internalWinId());
}

} // namespace
