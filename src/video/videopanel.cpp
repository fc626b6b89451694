#include "video/videopanel.h"

#include <QPaintEngine>
#include <QPaintEvent>
#include <QPainter>

TVideoPanel::TVideoPanel(QWidget* parent) : TPanel(parent) {
    // A background fill before every frame would clear the whole panel 30 times a second only to
    // paint over it.
    setAutoFillBackground(false);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TVideoPanel::setFrame(const TVideoFrame& frame, QPoint at) {
    const QRect before = frameRect();
    frame_ = frame;
    converted_ = QImage();
    at_ = at;
    framePending_ = !frame_.isNull();
    update(before.united(frameRect()));
}

void TVideoPanel::clearFrame() {
    if (frame_.isNull())
        return;
    const QRect before = frameRect();
    frame_ = TVideoFrame();
    converted_ = QImage();
    framePending_ = false;
    update(before);
}

void TVideoPanel::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    QRegion rest = event->region();
    if (!frame_.isNull()) {
        const QRect target = frameRect();
        if (event->region().intersects(target)) {
            if (!paintDirect(painter, event->region(), target)) {
                if (converted_.isNull())
                    converted_ = frame_.toImage();
                painter.drawImage(at_, converted_);
            }
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

bool TVideoPanel::paintDirect(QPainter& painter, const QRegion& region, const QRect& target) {
    if (!QRegion(target).subtracted(region).isEmpty())
        return false;
    QPaintEngine* engine = painter.paintEngine();
    if (!engine || engine->type() != QPaintEngine::Raster || !engine->paintDevice() ||
        engine->paintDevice()->devType() != QInternal::Image)
        return false;
    const QTransform transform = painter.deviceTransform();
    if (transform.type() > QTransform::TxTranslate || painter.device()->devicePixelRatio() != 1.0)
        return false;
    const QRect onDevice = transform.mapRect(target);
    // What Qt lets this widget paint: widgets above it that cover part of it are left out.
    const QRegion allowed = engine->systemClip();
    if (!allowed.isEmpty() && !QRegion(onDevice).subtracted(allowed).isEmpty())
        return false;
    auto* image = static_cast<QImage*>(engine->paintDevice());
    return frame_.writeInto(*image, onDevice.topLeft());
}
