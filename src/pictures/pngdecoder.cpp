#include "pictures/picturedecoder.h"

#include <QtEndian>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <png.h>
#include <vector>

using namespace picturedecoding;

namespace {

// Chunks other than the image data (text, profiles) are not shown; they are still read, and a
// damaged file must not make libpng inflate them without bound.
constexpr png_alloc_size_t kMaxPngChunkBytes = 8 * 1024 * 1024;

struct PngReader {
    const png_byte* data = nullptr;
    size_t size = 0;
    size_t position = 0;
    char message[256] = {};
};

[[noreturn]] void pngError(png_structp png, png_const_charp message) {
    auto* reader = static_cast<PngReader*>(png_get_error_ptr(png));
    std::snprintf(reader->message, sizeof reader->message, "%s", message);
    png_longjmp(png, 1);
}

void pngWarning(png_structp, png_const_charp) {}

void pngRead(png_structp png, png_bytep out, size_t length) {
    auto* reader = static_cast<PngReader*>(png_get_io_ptr(png));
    if (length > reader->size - reader->position)
        png_error(png, "unexpected end of file");
    std::memcpy(out, reader->data + reader->position, length);
    reader->position += length;
}

struct PngDecoder {
    PngReader reader;
    png_structp png = nullptr;
    png_infop info = nullptr;

    PngDecoder() {
        png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &reader, pngError, pngWarning);
        if (png)
            info = png_create_info_struct(png);
    }
    ~PngDecoder() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
    PngDecoder(const PngDecoder&) = delete;
    PngDecoder& operator=(const PngDecoder&) = delete;
};

struct PngHeader {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
};

// The stages below set a jump point for libpng's errors. They hold nothing with a destructor, so
// jumping back into them skips no cleanup; the caller owns every resource.

bool readHeader(PngDecoder* d, PngHeader* header) {
    if (setjmp(png_jmpbuf(d->png)))
        return false;
    png_set_user_limits(d->png, kMaxPictureSide, kMaxPictureSide);
    png_set_chunk_malloc_max(d->png, kMaxPngChunkBytes);
    png_set_read_fn(d->png, &d->reader, pngRead);
    png_read_info(d->png, d->info);
    header->width = png_get_image_width(d->png, d->info);
    header->height = png_get_image_height(d->png, d->info);
    return true;
}

// Asks libpng for 8-bit samples laid out as QImage's 32-bit pixels: every colour type becomes
// RGB with its alpha (from an alpha channel or tRNS) or a 0xff filler.
bool setTransforms(PngDecoder* d, bool* hasAlpha, size_t* rowBytes) {
    if (setjmp(png_jmpbuf(d->png)))
        return false;
    png_structp png = d->png;
    png_set_expand(png);
    png_set_scale_16(png);
    png_set_gray_to_rgb(png);
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    png_set_bgr(png);
    png_set_filler(png, 0xff, PNG_FILLER_AFTER);
#else
    png_set_swap_alpha(png);
    png_set_filler(png, 0xff, PNG_FILLER_BEFORE);
#endif
    png_set_interlace_handling(png);
    png_read_update_info(png, d->info);
    *hasAlpha = (png_get_color_type(png, d->info) & PNG_COLOR_MASK_ALPHA) != 0;
    *rowBytes = png_get_rowbytes(png, d->info);
    return true;
}

bool readPixels(PngDecoder* d, png_bytepp rows) {
    if (setjmp(png_jmpbuf(d->png)))
        return false;
    png_read_image(d->png, rows);
    // Reading on to the end catches a file cut after its image data, as when it is still being
    // copied into the folder.
    png_read_end(d->png, nullptr);
    return true;
}

} // namespace

QImage decodePng(const QByteArray& data, const QString& name) {
    constexpr PictureFormat format = PictureFormat::Png;
    PngDecoder d;
    if (!d.png || !d.info)
        fail(name, format, QStringLiteral("not enough memory for the PNG decoder"));
    d.reader.data = reinterpret_cast<const png_byte*>(data.constData());
    d.reader.size = size_t(data.size());

    // libpng reports a size beyond its limits only as invalid header data; the size is read
    // from the header chunk here first so that the message says what is wrong.
    const auto* bytes = reinterpret_cast<const uchar*>(data.constData());
    if (data.size() >= 24 && png_sig_cmp(bytes, 0, 8) == 0 &&
        std::memcmp(bytes + 12, "IHDR", 4) == 0)
        checkSize(qFromBigEndian<quint32>(bytes + 16), qFromBigEndian<quint32>(bytes + 20), name,
                  format);

    PngHeader header;
    if (!readHeader(&d, &header))
        fail(name, format, QString::fromUtf8(d.reader.message));
    checkSize(header.width, header.height, name, format);

    bool hasAlpha = false;
    size_t rowBytes = 0;
    if (!setTransforms(&d, &hasAlpha, &rowBytes))
        fail(name, format, QString::fromUtf8(d.reader.message));
    if (rowBytes != size_t(header.width) * 4)
        fail(name, format, QStringLiteral("unexpected row layout of %1 bytes").arg(rowBytes));

    QImage image = allocate(int(header.width), int(header.height),
                            hasAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32, name, format);
    std::vector<png_bytep> rows(header.height);
    for (png_uint_32 y = 0; y < header.height; ++y)
        rows[y] = image.scanLine(int(y));
    if (!readPixels(&d, rows.data()))
        fail(name, format, QString::fromUtf8(d.reader.message));
    if (hasAlpha)
        composeOverBlack(image);
    return image;
}
