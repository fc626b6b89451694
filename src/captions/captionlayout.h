#pragma once

#include <optional>

// The caption overlay's arithmetic: its zoom from the picture's width, the displayed scale n/64 a
// zoom gives, and where the caption's top goes.

// Nearest integer, a half going to the even neighbour, in extended precision.
long long roundHalfEven(long double value);

// The zoom (a percentage) that makes a picture's natural width fill the window: window width /
// picture width * 100, rounded half to even. Nothing when there is no picture (width 0).
std::optional<long long> captionZoom(int windowWidth, int pictureWidth);

// The scale numerator n (scale n/64) for zoom z: z * 0.64 above 100, else z * 0.63 + 1, rounded
// half to even; nothing when n falls outside 1 < n < 4096.
std::optional<int> captionScale(long long zoom);

struct CaptionZoomState {
    int zoom = 100;
    int scale = 64;
    bool operator==(const CaptionZoomState&) const = default;
};

// The overlay's zoom and scale after zoom z is applied: unchanged when z is the current zoom or
// gives no usable scale.
CaptionZoomState applyCaptionZoom(CaptionZoomState current, long long zoom);

// The overlay's top for TextVAlign: 0 puts it at the window's top; 2 ends the caption's rendered
// height at the window's bottom edge; 1 and every other value centre that height in the window.
int captionTop(int textVAlign, int windowHeight, int renderedHeight);
