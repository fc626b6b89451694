#pragma once

#include <QImage>
#include <QSize>
#include <QString>

// How the picture layer fits pictures into the window.
struct PictureFit {
    QSize client;
    bool stretch = false;
    bool proportional = true;

    bool operator==(const PictureFit&) const = default;
};

// A picture decoded for showing: the image at the size it is drawn, and the size the file holds.
// Drawing at the final size makes the switch to it a plain copy, whatever the file's size.
struct FittedPicture {
    QImage image;
    QSize natural;
};

// Reads and decodes a picture file (the extension chooses the decoder) and brings it to the size
// the fit gives it. A JPEG is decoded by its DCT at the smallest scale not below that size, then
// resampled once with a smoothing filter; other formats are decoded whole and resampled. Raises as
// loadPicture does.
FittedPicture loadFittedPicture(const QString& path, const PictureFit& fit);
