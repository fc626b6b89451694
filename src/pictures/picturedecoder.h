#pragma once

#include "core/errors.h"
#include "core/filekind.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <functional>
#include <optional>

// A picture file whose content cannot be decoded as the format its extension names, or that
// declares a picture larger than the board decodes. The message names the file and the reason.
class EPictureError : public EError {
  public:
    using EError::EError;
};

// The largest picture the board decodes. The board runs unattended on whatever lands in its
// folder, so a header is checked against these before anything of the declared size is allocated.
// A decoded picture takes four bytes a pixel, so the pixel limit caps one picture at 1 GiB.
inline constexpr int kMaxPictureSide = 16384;
inline constexpr qint64 kMaxPicturePixels = qint64(1) << 28;
// No picture within the limits needs a file larger than an uncompressed 32-bit bitmap of the
// largest size plus room for its headers; anything larger is refused before it is read.
inline constexpr qint64 kMaxPictureFileBytes = kMaxPicturePixels * 4 + (qint64(1) << 20);

// Whether a picture of this size is within the limits (both sides must be positive).
bool pictureSizeAllowed(qint64 width, qint64 height);

// The format named by the extension of the file name (see core/filekind.h), or none for an
// extension that is not a picture's.
std::optional<PictureFormat> pictureFormatForPath(const QString& path);
QString pictureFormatName(PictureFormat format);

// Decodes a picture file with the decoder its extension names; the content never chooses the
// decoder. The result is an opaque RGB32 image of the picture's natural size, transparent areas
// composed over black. Raises EInOutError when the file cannot be opened or read, EPictureError
// for an unknown extension or content that does not decode. Never returns a null image.
QImage loadPicture(const QString& path);

// The whole content of a picture file, opened for reading only. Raises EInOutError with the
// system's reason, or EPictureError for a file larger than kMaxPictureFileBytes.
QByteArray readPictureFile(const QString& path);

// Decoders working on a file's bytes; `name` is the file's path, used in error messages. Each
// returns an opaque RGB32 image or raises EPictureError.
QImage decodePicture(PictureFormat format, const QByteArray& data, const QString& name);
QImage decodeBmp(const QByteArray& data, const QString& name);
QImage decodeJpeg(const QByteArray& data, const QString& name);
// As decodeJpeg, but decoded at the smallest of the sizes n/8 of the full size (n = 1..8) that is
// at least wanted(full size) on both sides; natural receives the full size.
QImage decodeJpegAtLeast(const QByteArray& data, const QString& name,
                         const std::function<QSize(QSize)>& wanted, QSize* natural = nullptr);
QImage decodePng(const QByteArray& data, const QString& name);
QImage decodeGif(const QByteArray& data, const QString& name);

// Shared by the format decoders.
namespace picturedecoding {

[[noreturn]] void fail(const QString& name, PictureFormat format, const QString& reason);
// Raises unless a declared picture size is within the limits.
void checkSize(qint64 width, qint64 height, const QString& name, PictureFormat format);
// A new image of a size already checked; raises instead of returning a null image when the
// memory is not there.
QImage allocate(int width, int height, QImage::Format imageFormat, const QString& name,
                PictureFormat format);
// Turns a straight-alpha ARGB32 image into opaque RGB32 in place, as if drawn over black.
void composeOverBlack(QImage& image);
// Any image as opaque RGB32, transparent areas over black.
QImage toOpaqueRgb32(const QImage& image, const QString& name, PictureFormat format);

} // namespace picturedecoding
