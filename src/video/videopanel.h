#pragma once

#include "video/panel.h"
#include "video/videoframe.h"
#include <QImage>
#include <QPoint>

class QPainter;
class QRegion;

// The video layer: a black panel that shows the frames of the playing clip 1:1 at a given place.
// It paints every pixel itself (the frame, and its own colour around it), so Qt paints nothing
// beneath it; it stays an alien widget, so layers above it (captions) remain transparent over
// the picture.
//
// When the whole frame is to be painted into the window's own memory, the frame is converted
// straight into it; otherwise (part of the frame exposed, a clip or transformation in the way)
// it is converted once into a picture of its own and drawn as any picture is.
class TVideoPanel : public TPanel {
    Q_OBJECT
  public:
    explicit TVideoPanel(QWidget* parent = nullptr);

    // Shows a frame with its top left at `at` in panel coordinates; it replaces the one before.
    void setFrame(const TVideoFrame& frame, QPoint at);
    // Back to the plain panel colour; the frame held is released.
    void clearFrame();
    bool hasFrame() const { return !frame_.isNull(); }
    QRect frameRect() const { return QRect(at_, frame_.size()); }
    // Frames that were on screen at least once, counted over the panel's life.
    quint64 framesPainted() const { return framesPainted_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    bool paintDirect(QPainter& painter, const QRegion& region, const QRect& target);

    TVideoFrame frame_;
    QImage converted_; // frame_ in RGB, once a paint needed it so
    QPoint at_;
    bool framePending_ = false;
    quint64 framesPainted_ = 0;
};
