#include "pictures/picturedecoder.h"

#include "core/filenames.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool pictureSizeAllowed(qint64 width, qint64 height) {
    return width > 0 && height > 0 && width <= kMaxPictureSide && height <= kMaxPictureSide &&
           width * height <= kMaxPicturePixels;
}

std::optional<PictureFormat> pictureFormatForPath(const QString& path) {
    return fileKindOf(path).picture;
}

QString pictureFormatName(PictureFormat format) {
    switch (format) {
    case PictureFormat::Bmp:
        return QStringLiteral("BMP");
    case PictureFormat::Jpeg:
        return QStringLiteral("JPEG");
    case PictureFormat::Png:
        return QStringLiteral("PNG");
    case PictureFormat::Gif:
        return QStringLiteral("GIF");
    }
    return QString();
}

namespace {

class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

  private:
    int fd_;
};

[[noreturn]] void failToOpen(const QString& path, int error) {
    throw EInOutError(
        QStringLiteral("Cannot open file \"%1\". %2").arg(path, qt_error_string(error)));
}

} // namespace

QByteArray readPictureFile(const QString& path) {
    // Non-blocking so that a FIFO dropped into the folder cannot stall the board waiting for a
    // writer; it is refused below as not a regular file. Regular files ignore the flag.
    const FileDescriptor fd(
        ::open(encodeFileName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0)
        failToOpen(path, errno);
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0)
        failToOpen(path, errno);
    if (S_ISDIR(info.st_mode))
        failToOpen(path, EISDIR);
    if (!S_ISREG(info.st_mode))
        throw EInOutError(QStringLiteral("Cannot open file \"%1\". Not a regular file").arg(path));
    if (info.st_size > kMaxPictureFileBytes)
        throw EPictureError(
            QStringLiteral("Picture \"%1\" is %2 bytes long, more than any picture the board "
                           "decodes (limit %3 bytes)")
                .arg(path)
                .arg(qint64(info.st_size))
                .arg(kMaxPictureFileBytes));

    QByteArray data(qsizetype(info.st_size), Qt::Uninitialized);
    qsizetype filled = 0;
    while (filled < data.size()) {
        const ssize_t got = ::read(fd.get(), data.data() + filled, size_t(data.size() - filled));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            throw EInOutError(
                QStringLiteral("Cannot read file \"%1\". %2").arg(path, qt_error_string(errno)));
        }
        if (got == 0)
            break; // shrank while being read: the decoder sees a truncated file and says so
        filled += got;
    }
    data.truncate(filled);
    return data;
}

QImage decodePicture(PictureFormat format, const QByteArray& data, const QString& name) {
    switch (format) {
    case PictureFormat::Bmp:
        return decodeBmp(data, name);
    case PictureFormat::Jpeg:
        return decodeJpeg(data, name);
    case PictureFormat::Png:
        return decodePng(data, name);
    case PictureFormat::Gif:
        return decodeGif(data, name);
    }
    picturedecoding::fail(name, format, QStringLiteral("unknown format"));
}

QImage loadPicture(const QString& path) {
    const std::optional<PictureFormat> format = pictureFormatForPath(path);
    if (!format)
        throw EPictureError(
            QStringLiteral("Picture \"%1\" has an extension that names no picture format the "
                           "board decodes (BMP, JPG, JPEG, PNG, GIF)")
                .arg(path));
    return decodePicture(*format, readPictureFile(path), path);
}

namespace picturedecoding {

void fail(const QString& name, PictureFormat format, const QString& reason) {
    throw EPictureError(QStringLiteral("Picture \"%1\" cannot be decoded as %2: %3")
                            .arg(name, pictureFormatName(format), reason));
}

void checkSize(qint64 width, qint64 height, const QString& name, PictureFormat format) {
    if (width <= 0 || height <= 0)
        fail(name, format,
             QStringLiteral("it declares an empty picture of %1 x %2 pixels")
                 .arg(width)
                 .arg(height));
    if (!pictureSizeAllowed(width, height))
        fail(name, format,
             QStringLiteral("it declares a picture of %1 x %2 pixels, beyond the limit of %3 "
                            "pixels on a side and %4 pixels in all")
                 .arg(width)
                 .arg(height)
                 .arg(kMaxPictureSide)
                 .arg(kMaxPicturePixels));
}

QImage allocate(int width, int height, QImage::Format imageFormat, const QString& name,
                PictureFormat format) {
    QImage image(width, height, imageFormat);
    if (image.isNull())
        fail(name, format,
             QStringLiteral("not enough memory for a picture of %1 x %2 pixels")
                 .arg(width)
                 .arg(height));
    return image;
}

void composeOverBlack(QImage& image) {
    Q_ASSERT(image.format() == QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = row[x];
            const unsigned a = qAlpha(p);
            if (a == 255)
                continue;
            const auto over = [a](unsigned c) { return int((c * a + 127) / 255); };
            row[x] = qRgb(over(qRed(p)), over(qGreen(p)), over(qBlue(p)));
        }
    }
    image.reinterpretAsFormat(QImage::Format_RGB32);
}

QImage toOpaqueRgb32(const QImage& image, const QString& name, PictureFormat format) {
    const bool alpha = image.hasAlphaChannel();
    QImage result = image.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (result.isNull())
        fail(name, format,
             QStringLiteral("not enough memory for a picture of %1 x %2 pixels")
                 .arg(image.width())
                 .arg(image.height()));
    if (alpha)
        composeOverBlack(result);
    return result;
}

} // namespace picturedecoding
