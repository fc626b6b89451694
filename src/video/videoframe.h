#pragma once

#include <QImage>
#include <QPoint>
#include <QSize>
#include <memory>

// A decoded picture of a clip. Frames come from the decoders as planar YUV 4:2:0 and stay so until
// they are drawn: the conversion to RGB is then written straight into the window's memory, which
// spares a conversion into a frame buffer of its own and a copy of that buffer at every paint.
// A frame may also hold an RGB picture (tests, and pictures from elsewhere).
//
// Copies share the pixels; whatever owns them (the decoder's buffer) is released with the last
// copy.
class TVideoFrame {
  public:
    // How the YUV values map to RGB.
    enum class Matrix { Bt601, Bt709, Bt2020, Bt601FullRange };

    struct Planes {
        const uchar* y = nullptr;
        const uchar* u = nullptr;
        const uchar* v = nullptr;
        int yStride = 0;
        int uStride = 0;
        int vStride = 0;
    };

    TVideoFrame() = default;
    TVideoFrame(QImage rgb); // NOLINT: a picture is a frame
    // A 4:2:0 frame whose planes stay valid as long as keep lives.
    static TVideoFrame yuv420(QSize size, const Planes& planes, Matrix matrix,
                              std::shared_ptr<const void> keep);

    bool isNull() const { return size_.isEmpty(); }
    QSize size() const { return size_; }
    bool isYuv() const { return planes_.y != nullptr; }

    // The frame as a QImage::Format_RGB32 picture (converted at each call for a YUV frame).
    QImage toImage() const;
    // Writes the frame into target with its top left at `at`. The frame must lie wholly inside
    // target, which must be a 32-bit RGB format; false when it does not (nothing is written).
    bool writeInto(QImage& target, QPoint at) const;

  private:
    QSize size_;
    QImage rgb_;
    Planes planes_;
    Matrix matrix_ = Matrix::Bt601;
    std::shared_ptr<const void> keep_;
};
