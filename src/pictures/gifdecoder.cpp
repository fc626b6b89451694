#include "pictures/picturedecoder.h"

#include <algorithm>
#include <array>
#include <cstring>

using namespace picturedecoding;

namespace {

constexpr PictureFormat kFormat = PictureFormat::Gif;

// The file's bytes, read front to back; running past the end raises.
struct GifReader {
    const uchar* data = nullptr;
    qint64 size = 0;
    qint64 position = 0;
    QString name;

    const uchar* take(qint64 count) {
        if (size - position < count)
            fail(name, kFormat, QStringLiteral("unexpected end of file"));
        const uchar* at = data + position;
        position += count;
        return at;
    }
    int byte() { return *take(1); }
    int u16() {
        const uchar* p = take(2);
        return p[0] | p[1] << 8;
    }
    // Passes over a run of data sub-blocks up to its empty terminator.
    void skipSubBlocks() {
        for (int length = byte(); length > 0; length = byte())
            take(length);
    }
};

// The colour that a pixel index stands for, or none for the transparent index and for indexes
// beyond the colour map (damaged data), which both leave the black background showing.
struct Palette {
    QRgb colours[256];
    bool opaque[256] = {};

    Palette(const uchar* map, int count, int transparent) {
        for (int i = 0; i < count; ++i) {
            colours[i] = qRgb(map[3 * i], map[3 * i + 1], map[3 * i + 2]);
            opaque[i] = i != transparent;
        }
    }
    // A file without any colour table shows its indexes as shades of grey, the code size's
    // highest index as white.
    Palette(int bits, int transparent) {
        const int highest = (1 << bits) - 1;
        for (int i = 0; i <= highest; ++i) {
            const int grey = i * 255 / highest;
            colours[i] = qRgb(grey, grey, grey);
            opaque[i] = i != transparent;
        }
    }
};

// Reads the LZW codes of an image, least significant bit first, across its data sub-blocks.
class CodeReader {
  public:
    explicit CodeReader(GifReader& reader) : reader_(reader) {}

    // The next code of `width` bits; raises when the image data ends first.
    int next(int width) {
        while (bits_ < width) {
            if (blockLeft_ == 0) {
                blockLeft_ = reader_.byte();
                if (blockLeft_ == 0)
                    fail(reader_.name, kFormat,
                         QStringLiteral("the image data ends before the picture does"));
            }
            buffer_ |= quint32(reader_.byte()) << bits_;
            bits_ += 8;
            --blockLeft_;
        }
        const int code = int(buffer_ & ((1u << width) - 1));
        buffer_ >>= width;
        bits_ -= width;
        return code;
    }

  private:
    GifReader& reader_;
    quint32 buffer_ = 0;
    int bits_ = 0;
    int blockLeft_ = 0;
};

// Decodes `count` pixel indexes of LZW data with the given minimum code size, handing each to
// `put` in order. Codes are at most 12 bits wide, so the string table holds 4096 entries and no
// string is longer than that; every code but the clear code yields at least one pixel, so the
// work is bounded by the picture's size and the file's length.
template <typename Put> void decodeLzw(GifReader& reader, int minCodeSize, qint64 count, Put put) {
    constexpr int kMaxCodes = 4096;
    const int clear = 1 << minCodeSize;
    const int end = clear + 1;
    std::array<quint16, kMaxCodes> prefix{};
    std::array<quint16, kMaxCodes> suffix{};
    std::array<quint16, kMaxCodes + 1> stack{};
    CodeReader codes(reader);
    int width = minCodeSize + 1;
    int nextCode = end + 1;
    int previous = -1;
    int first = 0;
    while (count > 0) {
        const int code = codes.next(width);
        if (code == clear) {
            width = minCodeSize + 1;
            nextCode = end + 1;
            previous = -1;
            continue;
        }
        if (code == end)
            fail(reader.name, kFormat,
                 QStringLiteral("the image data ends before the picture does"));
        if (previous < 0) {
            if (code > end)
                fail(reader.name, kFormat, QStringLiteral("invalid code in the image data"));
            first = code;
            put(code);
            --count;
            previous = code;
            continue;
        }
        if (code > nextCode || (code == nextCode && nextCode >= kMaxCodes))
            fail(reader.name, kFormat, QStringLiteral("invalid code in the image data"));
        int depth = 0;
        int current = code;
        if (code == nextCode) { // the string of the previous code and its own first index
            stack[size_t(depth++)] = quint16(first);
            current = previous;
        }
        while (current > end) {
            stack[size_t(depth++)] = suffix[size_t(current)];
            current = prefix[size_t(current)];
        }
        first = current;
        stack[size_t(depth++)] = quint16(current);
        while (depth > 0 && count > 0) {
            put(stack[size_t(--depth)]);
            --count;
        }
        if (nextCode < kMaxCodes) {
            prefix[size_t(nextCode)] = quint16(previous);
            suffix[size_t(nextCode)] = quint16(first);
            ++nextCode;
            if (nextCode == 1 << width && width < 12)
                ++width;
        }
        previous = code;
    }
}

// Draws the first image record onto a black canvas the size of the logical screen.
QImage readFirstImage(GifReader& reader, int screenWidth, int screenHeight, const uchar* globalMap,
                      int globalCount, int transparent) {
    const QString& name = reader.name;
    const int left = reader.u16();
    const int top = reader.u16();
    const int imageWidth = reader.u16();
    const int imageHeight = reader.u16();
    const int flags = reader.byte();
    checkSize(imageWidth, imageHeight, name, kFormat);
    // A first frame reaching beyond a too-small (or zero) logical screen, which some encoders
    // write, widens the canvas instead of being cut.
    const qint64 width = std::max<qint64>(screenWidth, qint64(left) + imageWidth);
    const qint64 height = std::max<qint64>(screenHeight, qint64(top) + imageHeight);
    checkSize(width, height, name, kFormat);

    const uchar* map = globalMap;
    int mapCount = globalCount;
    if (flags & 0x80) {
        mapCount = 2 << (flags & 7);
        map = reader.take(3 * mapCount);
    }
    const bool interlaced = flags & 0x40;
    // Codes are at most 12 bits wide and the first one is a bit wider than the minimum size.
    const int minCodeSize = reader.byte();
    if (minCodeSize < 1 || minCodeSize > 11)
        fail(name, kFormat, QStringLiteral("invalid LZW code size %1").arg(minCodeSize));
    const Palette palette =
        map ? Palette(map, mapCount, transparent) : Palette(std::min(minCodeSize, 8), transparent);

    QImage canvas = allocate(int(width), int(height), QImage::Format_RGB32, name, kFormat);
    canvas.fill(qRgb(0, 0, 0));

    // An interlaced image stores every eighth row from row 0, then every eighth from row 4,
    // every fourth from row 2 and every second from row 1.
    static constexpr int kStart[] = {0, 4, 2, 1};
    static constexpr int kStep[] = {8, 8, 4, 2};
    int pass = 0;
    int x = 0;
    int y = 0;
    QRgb* row = reinterpret_cast<QRgb*>(canvas.scanLine(top)) + left;
    decodeLzw(reader, minCodeSize, qint64(imageWidth) * imageHeight, [&](int index) {
        if (index < 256 && palette.opaque[index])
            row[x] = palette.colours[index];
        if (++x < imageWidth)
            return;
        x = 0;
        y += interlaced ? kStep[pass] : 1;
        while (interlaced && y >= imageHeight && pass < 3)
            y = kStart[++pass];
        if (y < imageHeight)
            row = reinterpret_cast<QRgb*>(canvas.scanLine(top + y)) + left;
    });
    return canvas;
}

} // namespace

// The file is read here rather than by giflib, which refuses images whose LZW code size is above
// 8 (valid, and written by some encoders) and images without any colour table.
QImage decodeGif(const QByteArray& data, const QString& name) {
    GifReader reader;
    reader.data = reinterpret_cast<const uchar*>(data.constData());
    reader.size = data.size();
    reader.name = name;
    if (std::memcmp(reader.take(6), "GIF", 3) != 0)
        fail(name, kFormat, QStringLiteral("the file does not start with the mark \"GIF\""));
    const int screenWidth = reader.u16();
    const int screenHeight = reader.u16();
    const int screenFlags = reader.byte();
    reader.take(2); // background colour and aspect ratio, which the board does not use
    checkSize(screenWidth ? screenWidth : 1, screenHeight ? screenHeight : 1, name, kFormat);
    const int globalCount = screenFlags & 0x80 ? 2 << (screenFlags & 7) : 0;
    const uchar* globalMap = globalCount ? reader.take(3 * globalCount) : nullptr;

    // Only records up to the first image are read: later frames of an animation are never shown,
    // and a long animation costs nothing beyond its first frame.
    int transparent = -1;
    for (;;) {
        switch (reader.byte()) {
        case ',':
            return readFirstImage(reader, screenWidth, screenHeight, globalMap, globalCount,
                                  transparent);
        case '!': {
            const int label = reader.byte();
            // A graphics control block is always 4 bytes: flags, delay, transparent index.
            const int length = reader.byte();
            const uchar* block = reader.take(length);
            if (label == 0xf9 && length == 4)
                transparent = block[0] & 1 ? block[3] : -1;
            if (length > 0)
                reader.skipSubBlocks();
            break;
        }
        case ';':
            fail(name, kFormat, QStringLiteral("the file holds no image"));
        default:
            fail(name, kFormat, QStringLiteral("unexpected record in the file"));
        }
    }
}
