#include "captions/captionlayout.h"
#include <gtest/gtest.h>

namespace {

// The scale an exact rational computation gives: n = 64z/100 above 100, (63z + 100)/100 else,
// halves to even.
long long exactScale(long long z) {
    const long long num = z > 100 ? 64 * z : 63 * z + 100;
    const long long q = num / 100;
    const long long r = num % 100;
    if (r > 50 || (r == 50 && q % 2 != 0))
        return q + 1;
    return q;
}

} // namespace

TEST(CaptionZoom, RoundsHalvesToEven) {
    EXPECT_EQ(roundHalfEven(62.5L), 62);
    EXPECT_EQ(roundHalfEven(187.5L), 188);
    EXPECT_EQ(roundHalfEven(32.5L), 32);
    EXPECT_EQ(roundHalfEven(33.5L), 34);
    EXPECT_EQ(roundHalfEven(120.32L), 120);
    EXPECT_EQ(roundHalfEven(48.25L), 48);
    EXPECT_EQ(roundHalfEven(0.5L), 0);
    EXPECT_EQ(roundHalfEven(2.5000001L), 3);
}

// On a window 1920 pixels wide: picture width -> zoom, scale numerator.
struct ZoomRow {
    int pictureWidth;
    long long zoom;
    std::optional<int> scale;
};

class CaptionZoomTable : public ::testing::TestWithParam<ZoomRow> {};

TEST_P(CaptionZoomTable, ZoomAndScaleFollowThePictureWidth) {
    const ZoomRow row = GetParam();
    EXPECT_EQ(captionZoom(1920, row.pictureWidth), row.zoom);
    EXPECT_EQ(captionScale(row.zoom), row.scale);
    // Applied to an overlay at its initial zoom.
    const CaptionZoomState after = applyCaptionZoom(CaptionZoomState{}, row.zoom);
    if (row.scale) {
        EXPECT_EQ(after.zoom, row.zoom);
        EXPECT_EQ(after.scale, *row.scale);
    } else {
        EXPECT_EQ(after, CaptionZoomState{});
    }
}

INSTANTIATE_TEST_SUITE_P(On1920Window, CaptionZoomTable,
                         ::testing::Values(ZoomRow{1920, 100, 64}, ZoomRow{960, 200, 128},
                                           ZoomRow{1280, 150, 96}, ZoomRow{2560, 75, 48},
                                           ZoomRow{3840, 50, 32}, ZoomRow{3072, 62, 40},
                                           ZoomRow{1024, 188, 120},
                                           ZoomRow{10, 19200, std::nullopt}));

TEST(CaptionZoom, NoPictureGivesNoZoom) {
    EXPECT_FALSE(captionZoom(1920, 0).has_value());
    EXPECT_FALSE(captionZoom(1920, -1).has_value());
}

TEST(CaptionZoom, EveryZoomFromOneTo6399IsTaken) {
    EXPECT_FALSE(captionScale(0).has_value());
    EXPECT_EQ(captionScale(1), 2);
    EXPECT_EQ(captionScale(6399), 4095);
    EXPECT_FALSE(captionScale(6400).has_value());
    EXPECT_FALSE(captionScale(-5).has_value());
    EXPECT_FALSE(captionScale(1LL << 40).has_value());
    // Extended precision gives what exact arithmetic gives, the one exact half (z = 50) included.
    for (long long z = 1; z < 6400; ++z)
        ASSERT_EQ(captionScale(z), exactScale(z)) << "zoom " << z;
}

TEST(CaptionZoom, TheSameZoomChangesNothing) {
    const CaptionZoomState at200{200, 128};
    EXPECT_EQ(applyCaptionZoom(at200, 200), at200);
    // A zoom without a usable scale leaves both as they were.
    EXPECT_EQ(applyCaptionZoom(at200, 19200), at200);
    EXPECT_EQ(applyCaptionZoom(at200, 0), at200);
    EXPECT_EQ(applyCaptionZoom(at200, 50), (CaptionZoomState{50, 32}));
    // Back to 100 from elsewhere is a change like any other.
    EXPECT_EQ(applyCaptionZoom(at200, 100), (CaptionZoomState{100, 64}));
}

TEST(CaptionPlacement, TextVAlign) {
    EXPECT_EQ(captionTop(0, 1080, 200), 0);
    EXPECT_EQ(captionTop(2, 1080, 200), 880);
    EXPECT_EQ(captionTop(1, 1080, 200), 440);
    EXPECT_EQ(captionTop(1, 1081, 201), 440); // 540 - 100
    EXPECT_EQ(captionTop(7, 1080, 200), 440);
    EXPECT_EQ(captionTop(-1, 1080, 200), 440);
    // A caption taller than the window: its bottom still ends at the window's bottom edge.
    EXPECT_EQ(captionTop(2, 720, 1000), -280);
    EXPECT_EQ(captionTop(0, 720, 1000), 0);
}
