#include "pictures/picturedecoder.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <gif_lib.h>
#include <memory>
#include <vector>

using namespace picturedecoding;

namespace {

constexpr PictureFormat kFormat = PictureFormat::Gif;

struct GifReader {
    const GifByteType* data = nullptr;
    int size = 0;
    int position = 0;
    bool hitEnd = false;
};

int gifRead(GifFileType* gif, GifByteType* out, int length) {
    auto* reader = static_cast<GifReader*>(gif->UserData);
    const int count = std::clamp(reader->size - reader->position, 0, std::max(length, 0));
    if (count < length)
        reader->hitEnd = true;
    std::memcpy(out, reader->data + reader->position, size_t(count));
    reader->position += count;
    return count;
}

struct GifCloser {
    void operator()(GifFileType* gif) const {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};
using GifFile = std::unique_ptr<GifFileType, GifCloser>;

[[noreturn]] void failGif(const QString& name, const GifReader& reader, int error) {
    // giflib reports a short read as a read failure; say what it really is.
    if (reader.hitEnd)
        fail(name, kFormat, QStringLiteral("unexpected end of file"));
    const char* text = GifErrorString(error);
    fail(name, kFormat,
         text ? QString::fromUtf8(text) : QStringLiteral("giflib error %1").arg(error));
}

// The colour that a pixel index stands for, or none for the transparent index and for indexes
// beyond the colour map (damaged data), which both leave the black background showing.
struct Palette {
    QRgb colours[256];
    bool opaque[256] = {};

    Palette(const ColorMapObject& map, int transparent) {
        const int count = std::min(map.ColorCount, 256);
        for (int i = 0; i < count; ++i) {
            const GifColorType& c = map.Colors[i];
            colours[i] = qRgb(c.Red, c.Green, c.Blue);
            opaque[i] = i != transparent;
        }
    }
};

// Draws the first image record onto a black canvas the size of the logical screen.
QImage readFirstImage(GifFileType* gif, const GifReader& reader, int transparent,
                      const QString& name) {
    if (DGifGetImageDesc(gif) == GIF_ERROR)
        failGif(name, reader, gif->Error);
    const GifImageDesc& desc = gif->Image;
    checkSize(desc.Width, desc.Height, name, kFormat);
    // A first frame reaching beyond a too-small (or zero) logical screen, which some encoders
    // write, widens the canvas instead of being cut.
    const qint64 width = std::max<qint64>(gif->SWidth, qint64(desc.Left) + desc.Width);
    const qint64 height = std::max<qint64>(gif->SHeight, qint64(desc.Top) + desc.Height);
    checkSize(width, height, name, kFormat);

    const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
    if (!map || !map->Colors)
        fail(name, kFormat, QStringLiteral("the first image has no colour map"));
    const Palette palette(*map, transparent);

    QImage canvas = allocate(int(width), int(height), QImage::Format_RGB32, name, kFormat);
    canvas.fill(qRgb(0, 0, 0));
    std::vector<GifPixelType> line(size_t(desc.Width));

    // An interlaced image stores every eighth row from row 0, then every eighth from row 4,
    // every fourth from row 2 and every second from row 1; giflib hands them over in that order.
    static constexpr int kStart[] = {0, 4, 2, 1};
    static constexpr int kStep[] = {8, 8, 4, 2};
    const int passes = desc.Interlace ? 4 : 1;
    for (int pass = 0; pass < passes; ++pass) {
        const int start = desc.Interlace ? kStart[pass] : 0;
        const int step = desc.Interlace ? kStep[pass] : 1;
        for (int y = start; y < desc.Height; y += step) {
            if (DGifGetLine(gif, line.data(), desc.Width) == GIF_ERROR)
                failGif(name, reader, gif->Error);
            QRgb* row = reinterpret_cast<QRgb*>(canvas.scanLine(desc.Top + y)) + desc.Left;
            for (int x = 0; x < desc.Width; ++x) {
                const GifPixelType index = line[size_t(x)];
                if (palette.opaque[index])
                    row[x] = palette.colours[index];
            }
        }
    }
    return canvas;
}

} // namespace

QImage decodeGif(const QByteArray& data, const QString& name) {
    GifReader reader;
    reader.data = reinterpret_cast<const GifByteType*>(data.constData());
    // giflib counts in int; no picture file within the limits comes near that.
    reader.size = int(std::min<qsizetype>(data.size(), INT_MAX));
    int error = 0;
    const GifFile gif(DGifOpen(&reader, gifRead, &error));
    if (!gif)
        failGif(name, reader, error);
    checkSize(gif->SWidth ? gif->SWidth : 1, gif->SHeight ? gif->SHeight : 1, name, kFormat);

    // Only records up to the first image are read: later frames of an animation are never shown,
    // and a long animation costs nothing beyond its first frame.
    int transparent = NO_TRANSPARENT_COLOR;
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR)
            failGif(name, reader, gif->Error);
        switch (type) {
        case IMAGE_DESC_RECORD_TYPE:
            return readFirstImage(gif.get(), reader, transparent, name);
        case EXTENSION_RECORD_TYPE: {
            int code = 0;
            GifByteType* block = nullptr;
            if (DGifGetExtension(gif.get(), &code, &block) == GIF_ERROR)
                failGif(name, reader, gif->Error);
            // The block starts with its length; a graphics control block is always 4 bytes.
            if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] == 4) {
                GraphicsControlBlock gcb{};
                if (DGifExtensionToGCB(4, block + 1, &gcb) == GIF_OK)
                    transparent = gcb.TransparentColor;
            }
            while (block) {
                if (DGifGetExtensionNext(gif.get(), &block) == GIF_ERROR)
                    failGif(name, reader, gif->Error);
            }
            break;
        }
        case TERMINATE_RECORD_TYPE:
            fail(name, kFormat, QStringLiteral("the file holds no image"));
        default:
            fail(name, kFormat, QStringLiteral("unexpected record in the file"));
        }
    }
}
