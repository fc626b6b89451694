#include "pictures/picturedecoder.h"

#include <QBuffer>
#include <QImageReader>
#include <algorithm>
#include <bit>
#include <cstdlib>

using namespace picturedecoding;

namespace {

constexpr PictureFormat kFormat = PictureFormat::Bmp;
constexpr qint64 kFileHeaderBytes = 14;

enum Compression : quint32 {
    RGB = 0,
    RLE8 = 1,
    RLE4 = 2,
    BITFIELDS = 3,
    ALPHABITFIELDS = 6,
};

quint32 u16At(const uchar* p) {
    return quint32(p[0]) | quint32(p[1]) << 8;
}
quint32 u32At(const uchar* p) {
    return u16At(p) | u16At(p + 2) << 16;
}
qint32 i32At(const uchar* p) {
    return qint32(u32At(p));
}

struct BitmapLayout {
    qint64 width = 0;
    qint64 height = 0;
    int bitsPerPixel = 0;
    bool rle = false;
    qint64 paletteStart = 0;
    qint64 paletteColours = 0;
    int paletteEntryBytes = 4;
    qint64 pixelStart = 0;
    bool topDown = false;
    // Channel masks of 16-bit pixels, red, green, blue and alpha.
    quint32 masks[4] = {0x7c00, 0x03e0, 0x001f, 0};
};

// Checks the headers, and for uncompressed data that it is all there, before Qt's reader
// allocates anything: that reader accepts a file cut short and leaves the missing rows
// uninitialized.
BitmapLayout checkBitmap(const QByteArray& bytes, const QString& name) {
    const auto* data = reinterpret_cast<const uchar*>(bytes.constData());
    const qint64 size = bytes.size();
    if (size < kFileHeaderBytes + 4)
        fail(name, kFormat, QStringLiteral("the file is too short for a bitmap header"));
    if (data[0] != 'B' || data[1] != 'M')
        fail(name, kFormat, QStringLiteral("the file does not start with the bitmap mark \"BM\""));
    const qint64 dataOffset = u32At(data + 10);
    const qint64 headerBytes = u32At(data + 14);
    switch (headerBytes) {
    case 12: // OS/2 1.x
    case 40: // Windows 3
    case 52:
    case 56:
    case 64:  // OS/2 2.x
    case 108: // Windows 95
    case 124: // Windows 98
        break;
    default:
        fail(name, kFormat,
             QStringLiteral("unsupported bitmap header of %1 bytes").arg(headerBytes));
    }
    if (size < kFileHeaderBytes + headerBytes)
        fail(name, kFormat, QStringLiteral("the file ends inside its bitmap header"));

    const uchar* h = data + kFileHeaderBytes;
    qint64 width, height;
    quint32 bitsPerPixel, compression = RGB, coloursUsed = 0;
    int paletteEntryBytes = 4;
    if (headerBytes == 12) {
        width = u16At(h + 4);
        height = u16At(h + 6);
        bitsPerPixel = u16At(h + 10);
        paletteEntryBytes = 3;
    } else {
        width = i32At(h + 4);
        height = i32At(h + 8); // negative: rows stored top to bottom
        bitsPerPixel = u16At(h + 14);
        compression = u32At(h + 16);
        coloursUsed = u32At(h + 32);
    }
    const bool topDown = height < 0;
    height = std::abs(height);
    checkSize(width, height, name, kFormat);

    switch (bitsPerPixel) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
        break;
    default:
        fail(name, kFormat,
             QStringLiteral("unsupported depth of %1 bits a pixel").arg(bitsPerPixel));
    }
    const bool rle =
        (compression == RLE8 && bitsPerPixel == 8) || (compression == RLE4 && bitsPerPixel == 4);
    const bool masks = (compression == BITFIELDS || compression == ALPHABITFIELDS) &&
                       (bitsPerPixel == 16 || bitsPerPixel == 32);
    if (compression != RGB && !rle && !masks)
        fail(name, kFormat,
             QStringLiteral("unsupported compression %1 at %2 bits a pixel")
                 .arg(compression)
                 .arg(bitsPerPixel));
    if (rle && topDown)
        fail(name, kFormat, QStringLiteral("compressed pixel data cannot be stored top down"));

    // A 40-byte header is followed by its colour masks; longer headers hold them.
    const qint64 maskBytes = headerBytes == 40 && masks ? (compression == BITFIELDS ? 12 : 16) : 0;
    qint64 paletteColours = 0;
    if (bitsPerPixel <= 8) {
        const qint64 full = qint64(1) << bitsPerPixel;
        paletteColours = coloursUsed > 0 && coloursUsed < full ? coloursUsed : full;
    }
    const qint64 paletteStart = kFileHeaderBytes + headerBytes + maskBytes;
    const qint64 paletteEnd = paletteStart + paletteColours * paletteEntryBytes;
    if (paletteEnd > size)
        fail(name, kFormat, QStringLiteral("the file ends inside its colour table"));
    const qint64 pixelStart = std::max(dataOffset, paletteEnd);
    BitmapLayout layout{width,        height,         int(bitsPerPixel), rle,
                        paletteStart, paletteColours, paletteEntryBytes, pixelStart,
                        topDown};
    if (masks && bitsPerPixel == 16) {
        // After a 40-byte header, or inside a longer one at the same place.
        const uchar* m = h + 40;
        const int count = compression == ALPHABITFIELDS || headerBytes >= 56 ? 4 : 3;
        if (m + 4 * count > data + size)
            fail(name, kFormat, QStringLiteral("the file ends inside its colour masks"));
        for (int i = 0; i < 4; ++i)
            layout.masks[i] = i < count ? u32At(m + 4 * i) : 0;
    }
    if (rle)
        return layout; // its length shows only while decoding
    const qint64 rowBytes = (width * bitsPerPixel + 31) / 32 * 4;
    const qint64 needed = rowBytes * height;
    const qint64 present = std::max<qint64>(size - pixelStart, 0);
    if (present < needed)
        fail(name, kFormat,
             QStringLiteral("the file ends inside its pixel data (%1 of %2 bytes)")
                 .arg(present)
                 .arg(needed));
    return layout;
}

// Run-length coded pixels are decoded here rather than by Qt's reader, which leaves every pixel
// the codes skip or never reach uninitialized. Those pixels show the black background here, as
// transparent ones do.
QImage decodeRle(const QByteArray& bytes, const BitmapLayout& layout, const QString& name) {
    const auto* data = reinterpret_cast<const uchar*>(bytes.constData());
    const qint64 size = bytes.size();
    QRgb palette[256];
    std::fill(std::begin(palette), std::end(palette), qRgb(0, 0, 0));
    for (qint64 i = 0; i < layout.paletteColours; ++i) {
        const uchar* entry = data + layout.paletteStart + i * layout.paletteEntryBytes;
        palette[i] = qRgb(entry[2], entry[1], entry[0]);
    }

    const int width = int(layout.width);
    const int height = int(layout.height);
    QImage image = allocate(width, height, QImage::Format_RGB32, name, kFormat);
    image.fill(qRgb(0, 0, 0));
    const bool fourBits = layout.bitsPerPixel == 4;
    qint64 x = 0;
    qint64 y = 0; // counted from the bottom row, where the data starts
    const auto put = [&](int index) {
        if (x < width && y < height)
            reinterpret_cast<QRgb*>(image.scanLine(height - 1 - int(y)))[x] = palette[index];
        ++x;
    };
    qint64 pos = layout.pixelStart;
    while (pos + 2 <= size) {
        const int count = data[pos];
        const int code = data[pos + 1];
        pos += 2;
        if (count > 0) {
            for (int i = 0; i < count; ++i)
                put(fourBits ? (i % 2 ? code & 15 : code >> 4) : code);
            continue;
        }
        if (code == 0) { // end of line
            x = 0;
            ++y;
        } else if (code == 1) { // end of bitmap
            return image;
        } else if (code == 2) { // move right and up by the next two bytes
            if (pos + 2 > size)
                break;
            x += data[pos];
            y += data[pos + 1];
            pos += 2;
        } else { // `code` literal pixels, padded to a 16-bit boundary
            const qint64 bytesUsed = fourBits ? (code + 1) / 2 : code;
            if (pos + bytesUsed > size)
                break;
            for (int i = 0; i < code; ++i)
                put(fourBits ? (i % 2 ? data[pos + i / 2] & 15 : data[pos + i / 2] >> 4)
                             : data[pos + i]);
            pos += (bytesUsed + 1) & ~qint64(1);
        }
        if (y >= height)
            return image; // every row done; what follows cannot show
    }
    fail(name, kFormat, QStringLiteral("the file ends inside its compressed pixel data"));
}

// One channel of a 16-bit pixel widened to 8 bits by repeating its bits, so that a full channel
// is 255 whatever its width; Qt's reader only shifts, which leaves every colour a little dark.
struct Channel {
    int shift = 0;
    int width = 0;

    explicit Channel(quint32 mask) {
        if (mask == 0)
            return;
        shift = std::countr_zero(mask);
        width = std::bit_width(mask >> shift);
    }
    int widen(quint32 pixel, quint32 mask) const {
        const quint32 v = (pixel & mask) >> shift;
        if (width == 0)
            return 0; // a channel the masks give no bits is dark, not a loop that never ends
        if (width >= 8)
            return int(v >> (width - 8));
        quint32 wide = 0;
        for (int filled = 0; filled < 8; filled += width)
            wide = wide << width | v;
        return int(wide >> ((8 + width - 1) / width * width - 8));
    }
};

QImage decode16(const QByteArray& bytes, const BitmapLayout& layout, const QString& name) {
    const auto* data = reinterpret_cast<const uchar*>(bytes.constData());
    const int width = int(layout.width);
    const int height = int(layout.height);
    const quint32* masks = layout.masks;
    const Channel red(masks[0]), green(masks[1]), blue(masks[2]), alpha(masks[3]);
    const bool hasAlpha = masks[3] != 0;
    QImage image = allocate(width, height, hasAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32,
                            name, kFormat);
    const qint64 rowBytes = (layout.width * 16 + 31) / 32 * 4;
    for (int y = 0; y < height; ++y) {
        const uchar* in =
            data + layout.pixelStart + rowBytes * (layout.topDown ? y : height - 1 - y);
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const quint32 p = u16At(in + 2 * x);
            out[x] = qRgba(red.widen(p, masks[0]), green.widen(p, masks[1]),
                           blue.widen(p, masks[2]), hasAlpha ? alpha.widen(p, masks[3]) : 255);
        }
    }
    if (hasAlpha)
        composeOverBlack(image);
    return image;
}

} // namespace

QImage decodeBmp(const QByteArray& data, const QString& name) {
    const BitmapLayout layout = checkBitmap(data, name);
    if (layout.rle)
        return decodeRle(data, layout, name);
    if (layout.bitsPerPixel == 16)
        return decode16(data, layout, name);

    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "bmp");
    reader.setDecideFormatFromContent(false);
    reader.setAutoTransform(false);
    // Qt's own guard, in megabytes, behind the header check above.
    reader.setAllocationLimit(int((kMaxPicturePixels * 4 >> 20) + 1));
    QImage image;
    if (!reader.read(&image) || image.isNull()) {
        const QString reason = reader.error() == QImageReader::UnknownError
                                   ? QStringLiteral("the bitmap data cannot be read")
                                   : reader.errorString();
        fail(name, kFormat, reason);
    }
    return toOpaqueRgb32(image, name, kFormat);
}
