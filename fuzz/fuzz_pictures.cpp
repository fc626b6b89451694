// Fuzz target: the picture decoders. The first byte chooses the decoder, as the extension does
// on the board; the rest is the file. A decoder may refuse the data, but must not crash, hang or
// allocate beyond the picture limits.
#include "pictures/picturedecoder.h"
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    const auto format = static_cast<PictureFormat>(data[0] % 4);
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    try {
        const QImage image = decodePicture(format, bytes, QStringLiteral("fuzz"));
        if (image.isNull() || image.format() != QImage::Format_RGB32)
            __builtin_trap();
    } catch (const EPictureError&) {
    }
    if (format == PictureFormat::Jpeg) {
        try {
            QSize natural;
            (void)decodeJpegAtLeast(
                bytes, QStringLiteral("fuzz"), [](QSize) { return QSize(64, 48); }, &natural);
        } catch (const EPictureError&) {
        }
    }
    return 0;
}
