#include "core/boardfont.h"
#include "video/panel.h"
#include <QImage>
#include <gtest/gtest.h>

namespace {

bool isRed(QRgb p) {
    return qRed(p) >= 120 && qGreen(p) <= qRed(p) / 3 && qBlue(p) <= qRed(p) / 3;
}

// Rows of the image that hold red caption pixels.
QList<int> redRows(const QImage& image) {
    QList<int> rows;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (isRed(image.pixel(x, y))) {
                rows << y;
                break;
            }
    return rows;
}

QImage render(TPanel& panel) {
    return panel.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

TPanel* offHoursPanel() {
    auto* panel = new TPanel;
    panel->setFont(boardFont(11, false));
    panel->setFontColor(Qt::red);
    panel->setBevelOuter(TPanel::TBevel::Raised);
    panel->resize(300, 120);
    return panel;
}

} // namespace

TEST(Panel, ARaisedBevelIsLightAboveAndLeftShadedBelowAndRight) {
    std::unique_ptr<TPanel> panel(offHoursPanel());
    const QImage image = render(*panel);
    ASSERT_EQ(image.size(), QSize(300, 120));
    EXPECT_EQ(image.pixel(150, 0), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(0, 60), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(150, 119), qRgb(160, 160, 160));
    EXPECT_EQ(image.pixel(299, 60), qRgb(160, 160, 160));
    EXPECT_EQ(image.pixel(1, 1), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(298, 118), qRgb(0, 0, 0));
    EXPECT_TRUE(redRows(image).isEmpty());
}

TEST(Panel, TheCaptionStaysOnOneCentredLine) {
    std::unique_ptr<TPanel> panel(offHoursPanel());
    panel->setCaption(QStringLiteral("Closed"));
    const QList<int> one = redRows(render(*panel));
    ASSERT_FALSE(one.isEmpty());
    // Centred vertically: as much room above as below, within a pixel or two of rounding.
    EXPECT_NEAR(one.first() + one.last(), 119, 3);
    EXPECT_LE(one.last() - one.first(), 14);

    panel->setCaption(QStringLiteral("Closed\r\nfor\tthe\nholiday"));
    const QList<int> broken = redRows(render(*panel));
    ASSERT_FALSE(broken.isEmpty());
    EXPECT_LE(broken.last() - broken.first(), 14) << "line breaks do not break the line";
}

TEST(Panel, WithoutABevelThePanelIsPlain) {
    TPanel panel;
    panel.resize(40, 30);
    const QImage image = render(panel);
    EXPECT_EQ(image.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(39, 29), qRgb(0, 0, 0));
}
