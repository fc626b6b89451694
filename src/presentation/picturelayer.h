#pragma once

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
    // Replaces the held picture; the old one is released.
    void setPicture(QImage picture) { picture_ = std::move(picture); }
    int PictureWidth() const { return picture_.width(); }
    int PictureHeight() const { return picture_.height(); }

    // Draws the held picture into a client area of the given size; the rest is left unpainted.
    void paint(QPainter& painter, const QSize& client) const;

private:
    QImage picture_;
};

// Where a picture of natural size w x h lands in a cw x ch client area.
QRect fitPicture(int w, int h, int cw, int ch, bool stretch, bool proportional);
