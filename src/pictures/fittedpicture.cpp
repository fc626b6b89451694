#include "pictures/fittedpicture.h"

#include "pictures/image.h"
#include "pictures/picturedecoder.h"

FittedPicture loadFittedPicture(const QString& path, const PictureFit& fit) {
    const std::optional<PictureFormat> format = pictureFormatForPath(path);
    if (!format)
        return {loadPicture(path), {}}; // raises with the board's message for the extension
    const QByteArray data = readPictureFile(path);
    const auto target = [&fit](QSize natural) {
        return fitPicture(natural.width(), natural.height(), fit.client.width(),
                          fit.client.height(), fit.stretch, fit.proportional)
            .size();
    };
    FittedPicture result;
    if (*format == PictureFormat::Jpeg) {
        result.image = decodeJpegAtLeast(data, path, target, &result.natural);
    } else {
        result.image = decodePicture(*format, data, path);
        result.natural = result.image.size();
    }
    const QSize drawn = target(result.natural);
    if (!drawn.isEmpty() && drawn != result.image.size()) {
        QImage scaled = result.image.scaled(drawn, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        if (!scaled.isNull())
            result.image = scaled.convertToFormat(QImage::Format_RGB32);
    }
    return result;
}
