#include "pictures/image.h"

#include <QPainter>

QRect fitPicture(int w, int h, int cw, int ch, bool stretch, bool proportional) {
    int W = w;
    int H = h;
    if (stretch || (proportional && (w > cw || h > ch))) {
        if (proportional && w > 0 && h > 0) {
            const double a = static_cast<double>(w) / static_cast<double>(h);
            if (w > h) {
                W = cw;
                H = static_cast<int>(cw / a);
                if (H > ch) {
                    H = ch;
                    W = static_cast<int>(ch * a);
                }
            } else {
                H = ch;
                W = static_cast<int>(ch * a);
                if (W > cw) {
                    W = cw;
                    H = static_cast<int>(cw / a);
                }
            }
        } else {
            W = cw;
            H = ch;
        }
    }
    return QRect((cw - W) / 2, (ch - H) / 2, W, H);
}

void TImage::paint(QPainter& painter, const QSize& client) const {
    if (!Visible || picture_.isNull())
        return;
    const QRect target = fitPicture(natural_.width(), natural_.height(), client.width(),
                                    client.height(), Stretch, Proportional);
    if (target.size() == picture_.size()) {
        painter.drawImage(target.topLeft(), picture_);
        return;
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, picture_);
}
