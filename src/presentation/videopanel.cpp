#include "presentation/videopanel.h"

#include <QPaintEvent>
#include <QPainter>

TVideoPanel::TVideoPanel(QWidget* parent) : TPanel(parent) {
    // A background fill before every frame would clear the whole panel 30 times a second only to
    // paint over it.
    setAutoFillBackground(false);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TVideoPanel::setFrame(const QImage& frame, QPoint at) {
    const QRect before = frameRect();
    frame_ = frame;
    at_ = at;
    framePending_ = !frame_.isNull();
    update(before.united(frameRect()));
}

void TVideoPanel::clearFrame() {
    if (frame_.isNull())
        return;
    const QRect before = frameRect();
    frame_ = QImage();
    framePending_ = false;
    update(before);
}

void TVideoPanel::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    QRegion rest = event->region();
    if (!frame_.isNull()) {
        const QRect target = frameRect();
        if (event->region().intersects(target)) {
            painter.drawImage(at_, frame_);
            if (framePending_) {
                ++framesPainted_;
                framePending_ = false;
            }
        }
        rest -= target;
    }
    for (const QRect& r : rest)
        painter.fillRect(r, palette().color(QPalette::Window));
}
