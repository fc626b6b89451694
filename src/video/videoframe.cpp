#include "video/videoframe.h"

#include <cstring>
#include <libyuv/convert_argb.h>

TVideoFrame::TVideoFrame(QImage rgb) {
    if (rgb.isNull())
        return;
    if (rgb.format() != QImage::Format_RGB32)
        rgb = rgb.convertToFormat(QImage::Format_RGB32);
    size_ = rgb.size();
    rgb_ = std::move(rgb);
}

TVideoFrame TVideoFrame::yuv420(QSize size, const Planes& planes, Matrix matrix,
                                std::shared_ptr<const void> keep) {
    TVideoFrame frame;
    if (size.isEmpty() || !planes.y || !planes.u || !planes.v)
        return frame;
    frame.size_ = size;
    frame.planes_ = planes;
    frame.matrix_ = matrix;
    frame.keep_ = std::move(keep);
    return frame;
}

namespace {

bool writable(const QImage& target) {
    switch (target.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
        return true;
    default:
        return false;
    }
}

} // namespace

bool TVideoFrame::writeInto(QImage& target, QPoint at) const {
    if (isNull() || !writable(target) || !target.rect().contains(QRect(at, size_)))
        return false;
    const qsizetype stride = target.bytesPerLine();
    uchar* out = target.bits() + at.y() * stride + at.x() * 4;
    if (!isYuv()) {
        for (int row = 0; row < size_.height(); ++row)
            std::memcpy(out + row * stride, rgb_.constScanLine(row), size_t(size_.width()) * 4);
        return true;
    }
    // libyuv's ARGB is B, G, R, A in memory: QImage's 32-bit formats on a little-endian machine,
    // with the alpha byte set to opaque. The four matrices share one signature.
    using Convert = decltype(&libyuv::I420ToARGB);
    Convert convert = libyuv::I420ToARGB;
    switch (matrix_) {
    case Matrix::Bt709:
        convert = libyuv::H420ToARGB;
        break;
    case Matrix::Bt2020:
        convert = libyuv::U420ToARGB;
        break;
    case Matrix::Bt601FullRange:
        convert = libyuv::J420ToARGB;
        break;
    case Matrix::Bt601:
        break;
    }
    const Planes& p = planes_;
    return convert(p.y, p.yStride, p.u, p.uStride, p.v, p.vStride, out, int(stride), size_.width(),
                   size_.height()) == 0;
}

QImage TVideoFrame::toImage() const {
    if (!isYuv())
        return rgb_;
    QImage image(size_, QImage::Format_RGB32);
    if (image.isNull() || !writeInto(image, QPoint()))
        return {};
    return image;
}
