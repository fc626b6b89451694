#include "captions/captionlayout.h"

#include <climits>
#include <cmath>

long long roundHalfEven(long double value) {
    const long double floor = std::floor(value);
    const long double fraction = value - floor;
    long double result = floor;
    if (fraction > 0.5L || (fraction == 0.5L && std::fmod(floor, 2.0L) != 0))
        result = floor + 1;
    return static_cast<long long>(result);
}

std::optional<long long> captionZoom(int windowWidth, int pictureWidth) {
    if (pictureWidth <= 0)
        return std::nullopt;
    const long double ratio = static_cast<long double>(windowWidth) / pictureWidth;
    return roundHalfEven(ratio * 100);
}

std::optional<int> captionScale(long long zoom) {
    // Zooms this far out give no usable scale; they would only overflow below.
    if (zoom < INT_MIN || zoom > INT_MAX)
        return std::nullopt;
    const long double z = static_cast<long double>(zoom);
    const long long n = zoom > 100 ? roundHalfEven(z * 0.64L) : roundHalfEven(z * 0.63L + 1);
    if (n <= 1 || n >= 4096)
        return std::nullopt;
    return static_cast<int>(n);
}

CaptionZoomState applyCaptionZoom(CaptionZoomState current, long long zoom) {
    if (zoom == current.zoom)
        return current;
    if (const std::optional<int> n = captionScale(zoom))
        return CaptionZoomState{static_cast<int>(zoom), *n};
    return current;
}

int captionTop(int textVAlign, int windowHeight, int renderedHeight) {
    switch (textVAlign) {
    case 0:
        return 0;
    case 2:
        return windowHeight - renderedHeight;
    default:
        return windowHeight / 2 - renderedHeight / 2;
    }
}
