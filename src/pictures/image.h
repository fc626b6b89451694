#pragma once

#include "pictures/fittedpicture.h"
#include <QImage>
#include <QRect>

class QPainter;

// The picture layer: at most one decoded picture, drawn on the window's own surface and fitted to
// the window by the Stretch and Proportional settings (always centred).
class TImage {
  public:
    bool Stretch = false;
    bool Proportional = true;
    bool Center = true;
    bool Visible = true;

    const QImage& Picture() const { return picture_; }
    // Replaces the held picture; the old one is released. The image may already be at the size it
    // is drawn (see FittedPicture); natural is the size of the picture in its file.
    void setPicture(QImage picture) {
        natural_ = picture.size();
        picture_ = std::move(picture);
    }
    void setPicture(FittedPicture picture) {
        natural_ = picture.natural;
        picture_ = std::move(picture.image);
    }
    // The picture's natural size, as its file holds it (0 when there is none).
    int PictureWidth() const { return natural_.width(); }
    int PictureHeight() const { return natural_.height(); }
    PictureFit fitFor(const QSize& client) const { return {client, Stretch, Proportional}; }

    // Draws the held picture into a client area of the given size; the rest is left unpainted.
    void paint(QPainter& painter, const QSize& client) const;

  private:
    QImage picture_;
    QSize natural_{0, 0};
};

// Where a picture of natural size w x h lands in a cw x ch client area.
QRect fitPicture(int w, int h, int cw, int ch, bool stretch, bool proportional);
