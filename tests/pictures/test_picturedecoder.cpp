#include "pictures/picturedecoder.h"
#include "picturesamples.h"

#include "core/filenames.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <gif_lib.h>
#include <gtest/gtest.h>
#include <png.h>
#include <random>
#include <sys/stat.h>
#include <vector>
#include <zlib.h>

#include <jpeglib.h>

// Test pictures are written at run time by the formats' own encoders, so that each case states
// exactly what the file holds.
namespace {

::testing::AssertionResult near(QRgb actual, QRgb expected, int tolerance) {
    const int diff = std::max({std::abs(qRed(actual) - qRed(expected)),
                               std::abs(qGreen(actual) - qGreen(expected)),
                               std::abs(qBlue(actual) - qBlue(expected))});
    if (diff <= tolerance && qAlpha(actual) == 255)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << QStringLiteral("got #%1, expected #%2 within %3")
                                                .arg(actual, 8, 16, QLatin1Char('0'))
                                                .arg(expected, 8, 16, QLatin1Char('0'))
                                                .arg(tolerance)
                                                .toStdString();
}

// Checks every pixel against `expected` and the result's shape.
void expectPicture(const QImage& image, int width, int height,
                   const std::function<QRgb(int, int)>& expected, int tolerance = 0) {
    ASSERT_EQ(image.size(), QSize(width, height));
    EXPECT_EQ(image.format(), QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            ASSERT_TRUE(near(image.pixel(x, y), expected(x, y), tolerance))
                << "at (" << x << ", " << y << ")";
}

// Runs `decode` and returns the message of the EPictureError it must raise.
template <typename F> std::string decodeError(F&& decode) {
    try {
        decode();
    } catch (const EPictureError& e) {
        return e.what();
    }
    ADD_FAILURE() << "no EPictureError raised";
    return {};
}

// --- JPEG ---------------------------------------------------------------------------------

std::function<QRgb(int, int)> quadrantColours(int width, int height, std::vector<QRgb> colours) {
    return [=](int x, int y) { return colours[size_t((y >= height / 2) * 2 + (x >= width / 2))]; };
}

QByteArray colourJpeg(bool progressive = false) {
    return writeJpeg({32, 32, 3, JCS_RGB, JCS_YCbCr, false, progressive},
                     quadrants(32, 32, {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {200, 150, 50}}));
}

// --- PNG ----------------------------------------------------------------------------------

struct PngSpec {
    int width;
    int height;
    int colourType;
    int bitDepth;
    bool interlaced = false;
    std::vector<png_color> palette = {};
    Bytes transparency = {};           // alpha for palette entries
    const png_color_16* key = nullptr; // the transparent colour of grey or RGB pictures
};

void appendToByteArray(png_structp png, png_bytep data, size_t length) {
    static_cast<QByteArray*>(png_get_io_ptr(png))
        ->append(reinterpret_cast<char*>(data), qsizetype(length));
}

bool pngWrite(png_structp png, png_infop info, const PngSpec* spec, png_bytepp rows,
              QByteArray* out) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_write_fn(png, out, appendToByteArray, nullptr);
    png_set_IHDR(png, info, png_uint_32(spec->width), png_uint_32(spec->height), spec->bitDepth,
                 spec->colourType, spec->interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!spec->palette.empty())
        png_set_PLTE(png, info, spec->palette.data(), int(spec->palette.size()));
    if (!spec->transparency.empty() || spec->key)
        png_set_tRNS(png, info, spec->transparency.data(), int(spec->transparency.size()),
                     spec->key);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, info);
    return true;
}

// `data` holds the rows in the PNG's own layout (16-bit samples big-endian), without padding.
QByteArray writePng(const PngSpec& spec, const Bytes& data) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    const size_t rowBytes = data.size() / size_t(spec.height);
    std::vector<png_bytep> rows;
    for (int y = 0; y < spec.height; ++y)
        rows.push_back(const_cast<png_bytep>(data.data()) + size_t(y) * rowBytes);
    QByteArray out;
    const bool written = pngWrite(png, info, &spec, rows.data(), &out);
    png_destroy_write_struct(&png, &info);
    EXPECT_TRUE(written);
    return out;
}

QByteArray smallPng() {
    return writePng({2, 1, PNG_COLOR_TYPE_RGB, 8}, {10, 20, 30, 40, 50, 60});
}

// Rewrites the size in the header chunk, with a valid checksum so that only the size is wrong.
QByteArray withPngSize(QByteArray png, quint32 width, quint32 height) {
    auto* p = reinterpret_cast<uchar*>(png.data());
    for (int i = 0; i < 4; ++i) {
        p[16 + i] = uchar(width >> (24 - 8 * i));
        p[20 + i] = uchar(height >> (24 - 8 * i));
    }
    const uLong crc = crc32(0, p + 12, 17);
    for (int i = 0; i < 4; ++i)
        p[29 + i] = uchar(crc >> (24 - 8 * i));
    return png;
}

// --- GIF ----------------------------------------------------------------------------------

struct GifFrame {
    int left;
    int top;
    int width;
    int height;
    Bytes indices;
    int transparent = NO_TRANSPARENT_COLOR;
    bool interlaced = false;
    std::vector<GifColorType> localMap = {};
};

const std::vector<GifColorType> kGifMap = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};

int appendGifBytes(GifFileType* gif, const GifByteType* data, int length) {
    static_cast<QByteArray*>(gif->UserData)->append(reinterpret_cast<const char*>(data), length);
    return length;
}

QByteArray writeGif(int screenWidth, int screenHeight, const std::vector<GifFrame>& frames) {
    QByteArray out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, appendGifBytes, &error);
    EGifSetGifVersion(gif, true);
    ColorMapObject* global = GifMakeMapObject(int(kGifMap.size()), kGifMap.data());
    EXPECT_EQ(EGifPutScreenDesc(gif, screenWidth, screenHeight, 8, 0, global), GIF_OK);
    for (const GifFrame& f : frames) {
        GraphicsControlBlock gcb{DISPOSAL_UNSPECIFIED, false, 10, f.transparent};
        GifByteType extension[4];
        const size_t length = EGifGCBToExtension(&gcb, extension);
        EXPECT_EQ(EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(length), extension), GIF_OK);
        ColorMapObject* local = f.localMap.empty()
                                    ? nullptr
                                    : GifMakeMapObject(int(f.localMap.size()), f.localMap.data());
        EXPECT_EQ(EGifPutImageDesc(gif, f.left, f.top, f.width, f.height, f.interlaced, local),
                  GIF_OK);
        GifFreeMapObject(local);
        // An interlaced image is written in its pass order; the encoder does not reorder.
        std::vector<int> order;
        const int starts[] = {0, 4, 2, 1}, steps[] = {8, 8, 4, 2};
        for (int pass = 0; pass < (f.interlaced ? 4 : 1); ++pass)
            for (int y = f.interlaced ? starts[pass] : 0; y < f.height;
                 y += f.interlaced ? steps[pass] : 1)
                order.push_back(y);
        for (int y : order)
            EXPECT_EQ(EGifPutLine(gif, const_cast<GifPixelType*>(f.indices.data()) + y * f.width,
                                  f.width),
                      GIF_OK);
    }
    GifFreeMapObject(global);
    EXPECT_EQ(EGifCloseFile(gif, &error), GIF_OK);
    return out;
}

// A GIF written byte by byte, for what giflib's encoder cannot write: LZW codes wider than 8
// bits and files without a colour table. Each index is written as its own literal code, with
// the code width growing as a decoder's table does.
QByteArray handGif(int width, int height, const std::vector<int>& indices, int minCodeSize,
                   bool colourTable) {
    QByteArray b("GIF89a");
    const auto put16 = [&](int v) {
        b.append(char(v & 0xff));
        b.append(char(v >> 8));
    };
    put16(width);
    put16(height);
    b.append(char(colourTable ? 0x81 : 0)).append(2, '\0');
    if (colourTable)
        for (const GifColorType& c : kGifMap)
            b.append(char(c.Red)).append(char(c.Green)).append(char(c.Blue));
    b.append(',');
    put16(0);
    put16(0);
    put16(width);
    put16(height);
    b.append('\0').append(char(minCodeSize));
    const int clear = 1 << minCodeSize;
    QByteArray codes;
    quint32 bits = 0;
    int count = 0, codeWidth = minCodeSize + 1, next = clear + 2;
    const auto write = [&](int code) {
        bits |= quint32(code) << count;
        for (count += codeWidth; count >= 8; count -= 8, bits >>= 8)
            codes.append(char(bits & 0xff));
    };
    write(clear);
    for (size_t i = 0; i < indices.size(); ++i) {
        write(indices[i]);
        if (i > 0 && next < 4096 && ++next == 1 << codeWidth && codeWidth < 12)
            ++codeWidth;
    }
    write(clear + 1);
    if (count > 0)
        codes.append(char(bits & 0xff));
    for (qsizetype at = 0; at < codes.size(); at += 255) {
        const QByteArray block = codes.mid(at, 255);
        b.append(char(block.size())).append(block);
    }
    return b.append('\0').append(';');
}

QByteArray smallGif() {
    return writeGif(2, 1, {{0, 0, 2, 1, {0, 2}}});
}

// --- BMP ----------------------------------------------------------------------------------

void put16(QByteArray& b, quint32 v) {
    b.append(char(v & 0xff));
    b.append(char((v >> 8) & 0xff));
}
void put32(QByteArray& b, quint32 v) {
    put16(b, v & 0xffff);
    put16(b, v >> 16);
}

// A bitmap with a 40-byte header, or a 108-byte one with an alpha mask when `alphaMask` is set.
// `value` gives 0xAARRGGBB for 32 bits, 0xRRGGBB for 24 and the colour index for 8 bits; rows
// are stored bottom-up unless `topDown`, which stores a negative height.
QByteArray writeBmp(int width, int height, int bits, bool topDown,
                    const std::function<quint32(int, int)>& value,
                    const std::vector<QRgb>& palette = {}, bool alphaMask = false) {
    QByteArray pixels;
    const int stride = (width * bits + 31) / 32 * 4;
    for (int row = 0; row < height; ++row) {
        const int y = topDown ? row : height - 1 - row;
        QByteArray line;
        for (int x = 0; x < width; ++x) {
            const quint32 v = value(x, y);
            for (int byte = 0; byte < bits / 8; ++byte)
                line.append(char((v >> (8 * byte)) & 0xff));
        }
        pixels += line.leftJustified(stride, '\0');
    }
    const int headerBytes = alphaMask ? 108 : 40;
    const int offset = 14 + headerBytes + int(palette.size()) * 4;
    QByteArray b("BM");
    put32(b, quint32(offset + pixels.size()));
    put32(b, 0);
    put32(b, quint32(offset));
    put32(b, quint32(headerBytes));
    put32(b, quint32(width));
    put32(b, quint32(topDown ? -height : height));
    put16(b, 1);
    put16(b, quint32(bits));
    put32(b, alphaMask ? 3 : 0);
    put32(b, quint32(pixels.size()));
    put32(b, 2835);
    put32(b, 2835);
    put32(b, quint32(palette.size()));
    put32(b, 0);
    if (alphaMask) {
        for (quint32 mask : {0x00ff0000u, 0x0000ff00u, 0x000000ffu, 0xff000000u})
            put32(b, mask);
        put32(b, 0x73524742); // sRGB
        b.append(QByteArray(48, '\0'));
    }
    for (QRgb c : palette)
        put32(b, c & 0xffffff);
    return b + pixels;
}

// An 8-bit run-length coded bitmap of the given size and codes, with a four-colour palette.
QByteArray writeRle8(int width, int height, const Bytes& codes) {
    QByteArray b = writeBmp(width, height, 8, false, [](int, int) { return 0u; },
                            {qRgb(0, 0, 255), qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(9, 9, 9)});
    b.truncate(14 + 40 + 16);
    b[30] = 1; // compression
    b.append(reinterpret_cast<const char*>(codes.data()), qsizetype(codes.size()));
    return b;
}

QByteArray smallBmp() {
    return writeBmp(2, 1, 24, false, [](int x, int) { return x ? 0x0000ffu : 0xff0000u; });
}

// Rewrites the declared width and height in a 40-byte bitmap header.
QByteArray withBmpSize(QByteArray bmp, qint32 width, qint32 height) {
    QByteArray sizes;
    put32(sizes, quint32(width));
    put32(sizes, quint32(height));
    return bmp.replace(18, 8, sizes);
}

} // namespace

// --- JPEG tests ---------------------------------------------------------------------------

TEST(PictureDecoderJpeg, ColourBaselineAndProgressiveKeepTheirColours) {
    for (bool progressive : {false, true}) {
        SCOPED_TRACE(progressive ? "progressive" : "baseline");
        expectPicture(
            decodeJpeg(colourJpeg(progressive), "c.jpg"), 32, 32,
            quadrantColours(
                32, 32, {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(200, 150, 50)}),
            8);
    }
}

TEST(PictureDecoderJpeg, GreyBecomesEqualRedGreenBlue) {
    const QByteArray grey = writeJpeg({16, 16, 1, JCS_GRAYSCALE, JCS_GRAYSCALE},
                                      quadrants(16, 16, {{0}, {90}, {180}, {255}}));
    expectPicture(
        decodeJpeg(grey, "g.jpg"), 16, 16,
        quadrantColours(
            16, 16, {qRgb(0, 0, 0), qRgb(90, 90, 90), qRgb(180, 180, 180), qRgb(255, 255, 255)}),
        4);
    const QImage image = decodeJpeg(grey, "g.jpg");
    for (QPoint p : {QPoint(3, 3), QPoint(12, 3), QPoint(3, 12)}) {
        const QRgb c = image.pixel(p);
        EXPECT_TRUE(qRed(c) == qGreen(c) && qGreen(c) == qBlue(c)) << p.x() << "," << p.y();
    }
}

TEST(PictureDecoderJpeg, InkPicturesFollowTheAdobeMarker) {
    // Ink amounts (C, M, Y, K) of red, blue, mid grey and white paper.
    const std::vector<Bytes> inks = {
        {0, 255, 255, 0}, {255, 255, 0, 0}, {0, 0, 0, 128}, {0, 0, 0, 0}};
    const auto expected = quadrantColours(
        16, 16, {qRgb(255, 0, 0), qRgb(0, 0, 255), qRgb(127, 127, 127), qRgb(255, 255, 255)});
    struct Case {
        const char* name;
        J_COLOR_SPACE stored;
        bool adobe;
    };
    for (const Case& c : {Case{"Adobe CMYK", JCS_CMYK, true}, Case{"Adobe YCCK", JCS_YCCK, true},
                          Case{"plain CMYK", JCS_CMYK, false}}) {
        SCOPED_TRACE(c.name);
        // Adobe applications store the ink inverted, and the marker says so.
        std::vector<Bytes> stored = inks;
        if (c.adobe)
            for (Bytes& ink : stored)
                for (uint8_t& v : ink)
                    v = uint8_t(255 - v);
        const QByteArray jpeg =
            writeJpeg({16, 16, 4, JCS_CMYK, c.stored, c.adobe}, quadrants(16, 16, stored));
        expectPicture(decodeJpeg(jpeg, "ink.jpg"), 16, 16, expected, 8);
    }
}

TEST(PictureDecoderJpeg, DamagedOrTruncatedDataFails) {
    const QByteArray jpeg = colourJpeg();
    const QByteArray progressive = colourJpeg(true);
    QByteArray markerInScan = jpeg;
    markerInScan.replace(jpeg.size() - 40, 2, "\xff\xd0"); // a restart marker out of place
    const std::vector<std::pair<const char*, QByteArray>> damaged = {
        {"empty", QByteArray()},
        {"cut in the header", jpeg.left(20)},
        {"cut in the scan", jpeg.left(jpeg.size() / 2)},
        {"cut in a progressive scan", progressive.left(progressive.size() * 2 / 3)},
        {"end marker missing", jpeg.left(jpeg.size() - 2)},
        {"marker in the scan", markerInScan},
        {"not a JPEG", smallPng()},
    };
    for (const auto& [what, bytes] : damaged) {
        SCOPED_TRACE(what);
        const std::string message = decodeError([&] { decodeJpeg(bytes, "/show/bad.jpg"); });
        EXPECT_NE(message.find("\"/show/bad.jpg\" cannot be decoded as JPEG: "), std::string::npos)
            << message;
    }
}

TEST(PictureDecoderJpeg, EndlessScansAreRefused) {
    // The last scan repeated a thousand times: every repeat is a full pass over the picture.
    const QByteArray progressive = colourJpeg(true);
    const qsizetype lastScan = progressive.lastIndexOf("\xff\xda");
    ASSERT_GT(lastScan, 0);
    const QByteArray scan = progressive.mid(lastScan, progressive.size() - 2 - lastScan);
    const QByteArray flood =
        progressive.left(progressive.size() - 2) + scan.repeated(1000) + QByteArray("\xff\xd9", 2);
    EXPECT_NE(decodeError([&] { decodeJpeg(flood, "flood.jpg"); }).find("scans"),
              std::string::npos);
}

TEST(PictureDecoderJpeg, OversizedDeclarationsFailBeforeDecoding) {
    // A JPEG frame header holds at most 65535 on a side; libjpeg itself stops at 65500.
    for (bool progressive : {false, true}) {
        const QByteArray jpeg = colourJpeg(progressive);
        const qsizetype frame = jpeg.indexOf(progressive ? "\xff\xc2" : "\xff\xc0");
        ASSERT_GT(frame, 0);
        for (auto [w, h] : {std::pair{65535, 65535}, {65000, 65000}, {20000, 10}, {10, 20000}}) {
            SCOPED_TRACE(testing::Message()
                         << w << "x" << h << (progressive ? " progressive" : ""));
            QByteArray sized = jpeg;
            sized[frame + 5] = char(h >> 8);
            sized[frame + 6] = char(h & 0xff);
            sized[frame + 7] = char(w >> 8);
            sized[frame + 8] = char(w & 0xff);
            const std::string message = decodeError([&] { decodeJpeg(sized, "big.jpg"); });
            EXPECT_NE(message.find("limit"), std::string::npos) << message;
        }
    }
}

// --- PNG tests ----------------------------------------------------------------------------

TEST(PictureDecoderPng, EveryColourTypeAndDepthDecodes) {
    const png_color_16 greenKey{0, 0, 255 * 257, 0, 0}; // green in a 16-bit RGB picture
    const png_color_16 greyKey{0, 0, 0, 0, 7};
    struct Case {
        const char* name;
        PngSpec spec;
        Bytes data;
        std::vector<QRgb> expected; // a row of pixels
    };
    const std::vector<Case> cases = {
        {"RGB 8",
         {3, 1, PNG_COLOR_TYPE_RGB, 8},
         {10, 20, 30, 40, 50, 60, 255, 255, 255},
         {qRgb(10, 20, 30), qRgb(40, 50, 60), qRgb(255, 255, 255)}},
        // Straight alpha over black: half-transparent (200, 100, 50) gives half its brightness.
        {"RGBA 8",
         {3, 1, PNG_COLOR_TYPE_RGB_ALPHA, 8},
         {200, 100, 50, 128, 9, 9, 9, 0, 1, 2, 3, 255},
         {qRgb(100, 50, 25), qRgb(0, 0, 0), qRgb(1, 2, 3)}},
        {"RGB 16",
         {2, 1, PNG_COLOR_TYPE_RGB, 16},
         {0x0a, 0x0a, 0x14, 0x14, 0x1e, 0x1e, 0xff, 0xff, 0x80, 0x80, 0, 0},
         {qRgb(10, 20, 30), qRgb(255, 128, 0)}},
        {"RGBA 16",
         {1, 1, PNG_COLOR_TYPE_RGB_ALPHA, 16},
         {0xc8, 0xc8, 0x64, 0x64, 0x32, 0x32, 0x80, 0x80},
         {qRgb(100, 50, 25)}},
        {"RGB 16 with transparent colour",
         {2, 1, PNG_COLOR_TYPE_RGB, 16, false, {}, {}, &greenKey},
         {0, 0, 0xff, 0xff, 0, 0, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff},
         {qRgb(0, 0, 0), qRgb(255, 255, 255)}},
        {"grey 8",
         {3, 1, PNG_COLOR_TYPE_GRAY, 8},
         {0, 77, 255},
         {qRgb(0, 0, 0), qRgb(77, 77, 77), qRgb(255, 255, 255)}},
        {"grey 1",
         {3, 1, PNG_COLOR_TYPE_GRAY, 1},
         {0b10100000},
         {qRgb(255, 255, 255), qRgb(0, 0, 0), qRgb(255, 255, 255)}},
        {"grey 4 with transparent grey",
         {3, 1, PNG_COLOR_TYPE_GRAY, 4, false, {}, {}, &greyKey},
         {0x7f, 0x30},
         {qRgb(0, 0, 0), qRgb(255, 255, 255), qRgb(51, 51, 51)}},
        {"grey 16",
         {2, 1, PNG_COLOR_TYPE_GRAY, 16},
         {0x4d, 0x4d, 0xff, 0xff},
         {qRgb(77, 77, 77), qRgb(255, 255, 255)}},
        {"grey and alpha 8",
         {2, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 8},
         {200, 128, 90, 255},
         {qRgb(100, 100, 100), qRgb(90, 90, 90)}},
        {"palette 8 with transparency",
         {4,
          1,
          PNG_COLOR_TYPE_PALETTE,
          8,
          false,
          {{255, 0, 0}, {0, 255, 0}, {0, 0, 200}},
          {255, 0, 128}},
         {0, 1, 2, 0},
         {qRgb(255, 0, 0), qRgb(0, 0, 0), qRgb(0, 0, 100), qRgb(255, 0, 0)}},
        {"palette 2",
         {3, 1, PNG_COLOR_TYPE_PALETTE, 2, false, {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}},
         {0b10010000},
         {qRgb(7, 8, 9), qRgb(4, 5, 6), qRgb(1, 2, 3)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        expectPicture(decodePng(writePng(c.spec, c.data), "p.png"), int(c.expected.size()), 1,
                      [&](int x, int) { return c.expected[size_t(x)]; });
    }
}

TEST(PictureDecoderPng, InterlacedPicturesComeOutWhole) {
    // Sizes that leave some of the seven passes short or empty.
    for (auto [w, h] : {std::pair{13, 11}, {1, 1}, {3, 9}}) {
        SCOPED_TRACE(testing::Message() << w << "x" << h);
        const auto colour = [](int x, int y) { return qRgb(x * 10, y * 20, (x + y) * 5); };
        Bytes data;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                data.insert(data.end(), {uint8_t(qRed(colour(x, y))), uint8_t(qGreen(colour(x, y))),
                                         uint8_t(qBlue(colour(x, y)))});
        expectPicture(decodePng(writePng({w, h, PNG_COLOR_TYPE_RGB, 8, true}, data), "i.png"), w, h,
                      colour);
    }
}

TEST(PictureDecoderPng, DamagedOrTruncatedDataFails) {
    const QByteArray png = writePng({16, 16, PNG_COLOR_TYPE_RGB, 8}, Bytes(16 * 16 * 3, 99));
    const qsizetype idat = png.indexOf("IDAT");
    const qsizetype idatLength = qFromBigEndian<quint32>(png.constData() + idat - 4);
    QByteArray badChecksum = png;
    badChecksum[idat + 4 + idatLength] = char(badChecksum[idat + 4 + idatLength] ^ 0x55);
    QByteArray badData = png;
    badData[idat + 6] = char(badData[idat + 6] ^ 0x55);
    const std::vector<std::pair<const char*, QByteArray>> damaged = {
        {"empty", QByteArray()},
        {"signature only", png.left(8)},
        {"cut in the header chunk", png.left(20)},
        {"cut in the image data", png.left(idat + 8)},
        {"end chunk missing", png.left(png.size() - 12)},
        {"image data checksum wrong", badChecksum},
        {"compressed image data damaged", badData},
        {"not a PNG", colourJpeg()},
    };
    for (const auto& [what, bytes] : damaged) {
        SCOPED_TRACE(what);
        const std::string message = decodeError([&] { decodePng(bytes, "/show/bad.png"); });
        EXPECT_NE(message.find("\"/show/bad.png\" cannot be decoded as PNG: "), std::string::npos)
            << message;
    }
}

TEST(PictureDecoderPng, OversizedDeclarationsFailBeforeDecoding) {
    for (auto [w, h] : {std::pair{100000u, 100000u}, {20000u, 10u}, {10u, 20000u}}) {
        SCOPED_TRACE(testing::Message() << w << "x" << h);
        const std::string message =
            decodeError([&] { decodePng(withPngSize(smallPng(), w, h), "big.png"); });
        EXPECT_NE(message.find("limit"), std::string::npos) << message;
    }
}

// --- GIF tests ----------------------------------------------------------------------------

TEST(PictureDecoderGif, OnlyTheFirstFrameOfAnAnimationIsRead) {
    const QByteArray animation =
        writeGif(4, 3, {{0, 0, 4, 3, Bytes(12, 0)}, {0, 0, 4, 3, Bytes(12, 2)}});
    const auto red = [](int, int) { return qRgb(255, 0, 0); };
    expectPicture(decodeGif(animation, "a.gif"), 4, 3, red);
    // Damage in the second frame goes unnoticed because it is never read.
    expectPicture(decodeGif(animation.left(animation.size() - 3), "a.gif"), 4, 3, red);
}

TEST(PictureDecoderGif, FramesAreDrawnAtTheirOffsetWithTransparencyOverBlack) {
    const QRgb black = qRgb(0, 0, 0), red = qRgb(255, 0, 0), green = qRgb(0, 255, 0),
               blue = qRgb(0, 0, 255);
    // Index 1 (green) is transparent; the rest of the screen is left black.
    const QByteArray gif = writeGif(6, 4, {{2, 1, 3, 2, {0, 1, 2, 2, 1, 0}, 1}});
    const std::vector<QRgb> frame = {red, black, blue, blue, black, red};
    expectPicture(decodeGif(gif, "t.gif"), 6, 4, [&](int x, int y) {
        const bool inside = x >= 2 && x < 5 && y >= 1 && y < 3;
        return inside ? frame[size_t((y - 1) * 3 + x - 2)] : black;
    });

    // A local colour map replaces the global one; a frame beyond a too-small screen widens it.
    const QByteArray local = writeGif(
        2, 2, {{1, 1, 2, 2, {0, 1, 1, 0}, NO_TRANSPARENT_COLOR, false, {{0, 255, 0}, {9, 8, 7}}}});
    expectPicture(decodeGif(local, "l.gif"), 3, 3, [&](int x, int y) {
        if (x == 0 || y == 0)
            return black;
        return (x + y) % 2 ? qRgb(9, 8, 7) : green;
    });
}

TEST(PictureDecoderGif, InterlacedRowsAreReordered) {
    for (int h : {1, 5, 13, 17}) {
        SCOPED_TRACE(h);
        Bytes indices;
        for (int y = 0; y < h; ++y)
            indices.insert(indices.end(), 3, uint8_t(y % 4));
        const QByteArray gif = writeGif(3, h, {{0, 0, 3, h, indices, NO_TRANSPARENT_COLOR, true}});
        expectPicture(decodeGif(gif, "i.gif"), 3, h, [](int, int y) {
            const GifColorType c = kGifMap[size_t(y % 4)];
            return qRgb(c.Red, c.Green, c.Blue);
        });
    }
}

TEST(PictureDecoderGif, WideCodesAndMissingColourTablesDecode) {
    // 40 x 30 literal codes with a minimum code size of 9 take the code width from 10 to 11
    // bits; indexes beyond the four colours of the table stay black.
    std::vector<int> indices;
    for (int i = 0; i < 40 * 30; ++i)
        indices.push_back(i % 7 == 6 ? 300 : i % 4);
    expectPicture(decodeGif(handGif(40, 30, indices, 9, true), "wide.gif"), 40, 30,
                  [&](int x, int y) {
                      const int index = indices[size_t(y * 40 + x)];
                      if (index >= 4)
                          return qRgb(0, 0, 0);
                      const GifColorType c = kGifMap[size_t(index)];
                      return qRgb(c.Red, c.Green, c.Blue);
                  });
    // Without any colour table the indexes are shades of grey up to white.
    expectPicture(decodeGif(handGif(4, 1, {0, 1, 2, 3}, 2, false), "grey.gif"), 4, 1,
                  [](int x, int) { return qRgb(85 * x, 85 * x, 85 * x); });
    expectPicture(decodeGif(handGif(2, 1, {0, 255}, 8, false), "grey8.gif"), 2, 1,
                  [](int x, int) { return x ? qRgb(255, 255, 255) : qRgb(0, 0, 0); });
    // Code sizes of 12 and above cannot occur.
    const std::string message = decodeError([&] {
        decodeGif(handGif(2, 1, {0, 1}, 12, true), "bad.gif");
    });
    EXPECT_NE(message.find("code size"), std::string::npos) << message;
}

TEST(PictureDecoderGif, LargeNoisyPicturesFillAndClearTheCodeTable) {
    // giflib's encoder fills the 4096-entry table and starts it afresh several times here.
    const int w = 300, h = 200;
    std::minstd_rand random(7);
    Bytes indices(size_t(w * h));
    for (size_t i = 0; i < indices.size(); ++i)
        indices[i] = uint8_t(random() % 8 < 5 ? (i / 3) % 4 : random() % 4);
    expectPicture(decodeGif(writeGif(w, h, {{0, 0, w, h, indices}}), "noise.gif"), w, h,
                  [&](int x, int y) {
                      const GifColorType c = kGifMap[indices[size_t(y * w + x)]];
                      return qRgb(c.Red, c.Green, c.Blue);
                  });
}

TEST(PictureDecoderGif, DamagedTruncatedOrEmptyFilesFail) {
    const QByteArray gif = writeGif(8, 8, {{0, 0, 8, 8, Bytes(64, 1)}});
    const std::vector<std::pair<const char*, QByteArray>> damaged = {
        {"empty", QByteArray()},
        {"cut in the screen descriptor", gif.left(8)},
        {"cut in the colour map", gif.left(16)},
        {"cut in the image data", gif.left(gif.size() - 6)},
        {"no image", writeGif(8, 8, {})},
        {"not a GIF", smallPng()},
    };
    for (const auto& [what, bytes] : damaged) {
        SCOPED_TRACE(what);
        const std::string message = decodeError([&] { decodeGif(bytes, "/show/bad.gif"); });
        EXPECT_NE(message.find("\"/show/bad.gif\" cannot be decoded as GIF: "), std::string::npos)
            << message;
    }
}

TEST(PictureDecoderGif, OversizedDeclarationsFailBeforeDecoding) {
    // Screen and image sizes hold at most 65535; an image far off a small screen also counts.
    const QByteArray gif = smallGif();
    const auto patched = [&](int at, int first, int second) {
        QByteArray b = gif;
        b[at] = char(first & 0xff);
        b[at + 1] = char(first >> 8);
        b[at + 2] = char(second & 0xff);
        b[at + 3] = char(second >> 8);
        return b;
    };
    const qsizetype image = gif.indexOf(',', 13 + 3 * 4);
    ASSERT_GT(image, 0);
    const std::vector<std::pair<const char*, QByteArray>> cases = {
        {"screen 65535 x 65535", patched(6, 65535, 65535)},
        {"screen 20000 x 10", patched(6, 20000, 10)},
        {"image 65535 x 65535", patched(int(image) + 5, 65535, 65535)},
        {"image at 60000, 0", patched(int(image) + 1, 60000, 0)},
    };
    for (const auto& [what, bytes] : cases) {
        SCOPED_TRACE(what);
        const std::string message = decodeError([&] { decodeGif(bytes, "big.gif"); });
        EXPECT_NE(message.find("limit"), std::string::npos) << message;
    }
}

// --- BMP tests ----------------------------------------------------------------------------

TEST(PictureDecoderBmp, CommonDepthsAndRowOrdersDecode) {
    // Three pixels a row, so 24-bit rows carry padding.
    const auto colour = [](int x, int y) { return qRgb(40 * x + 10, 100 * y + 5, 200 - 30 * x); };
    const auto rgb = [&](int x, int y) { return quint32(colour(x, y)) & 0xffffff; };
    for (bool topDown : {false, true}) {
        SCOPED_TRACE(topDown ? "top down" : "bottom up");
        expectPicture(decodeBmp(writeBmp(3, 2, 24, topDown, rgb), "a.bmp"), 3, 2, colour);
        // The fourth byte of a plain 32-bit bitmap is not alpha.
        const auto padded = [&](int x, int y) { return rgb(x, y) | quint32(x * 70) << 24; };
        expectPicture(decodeBmp(writeBmp(3, 2, 32, topDown, padded), "b.bmp"), 3, 2, colour);
    }

    const std::vector<QRgb> palette = {qRgb(1, 2, 3), qRgb(200, 0, 0), qRgb(0, 0, 250)};
    const QByteArray indexed = writeBmp(
        5, 3, 8, false, [](int x, int y) { return quint32((x + y) % 3); }, palette);
    expectPicture(decodeBmp(indexed, "c.bmp"), 5, 3,
                  [&](int x, int y) { return palette[size_t((x + y) % 3)]; });
}

TEST(PictureDecoderBmp, AlphaIsComposedOverBlack) {
    const QByteArray bmp = writeBmp(
        3, 1, 32, false,
        [](int x, int) {
            return std::array<quint32, 3>{0x80c86432u, 0x00ffffffu, 0xff0a141eu}[size_t(x)];
        },
        {}, true);
    const std::vector<QRgb> expected = {qRgb(100, 50, 25), qRgb(0, 0, 0), qRgb(10, 20, 30)};
    expectPicture(
        decodeBmp(bmp, "alpha.bmp"), 3, 1, [&](int x, int) { return expected[size_t(x)]; }, 1);
}

TEST(PictureDecoderBmp, SixteenBitChannelsReachFullScale) {
    // Pixels: every channel full, every channel at its lowest step, and a mix.
    const auto pixels = [](std::array<quint32, 3> values) {
        return [values](int x, int) { return values[size_t(x)]; };
    };
    // Without masks a 16-bit bitmap is 5-5-5.
    const QByteArray rgb555 = writeBmp(3, 1, 16, false, pixels({0x7fff, 0x0421, 0x4210}));
    const std::vector<QRgb> expected555 = {qRgb(255, 255, 255), qRgb(8, 8, 8), qRgb(132, 132, 132)};
    expectPicture(decodeBmp(rgb555, "555.bmp"), 3, 1,
                  [&](int x, int) { return expected555[size_t(x)]; });

    // 5-6-5 masks after a 40-byte header.
    QByteArray rgb565 = writeBmp(3, 1, 16, true, pixels({0xffff, 0x0821, 0x8410}));
    rgb565[30] = 3;
    QByteArray masks;
    for (quint32 mask : {0xf800u, 0x07e0u, 0x001fu})
        put32(masks, mask);
    rgb565.insert(54, masks);
    rgb565[10] = char(54 + 12);
    const std::vector<QRgb> expected565 = {qRgb(255, 255, 255), qRgb(8, 4, 8), qRgb(132, 130, 132)};
    expectPicture(decodeBmp(rgb565, "565.bmp"), 3, 1,
                  [&](int x, int) { return expected565[size_t(x)]; });

    // 4-4-4-4 with alpha, and a 2-3-1 layout, in a 108-byte header.
    const auto withMasks = [&](std::array<quint32, 3> values, std::array<quint32, 4> channelMasks) {
        QByteArray b = writeBmp(3, 1, 16, false, pixels(values), {}, true);
        QByteArray m;
        for (quint32 mask : channelMasks)
            put32(m, mask);
        return b.replace(54, 16, m);
    };
    const std::vector<QRgb> expected4444 = {qRgb(255, 255, 255), qRgb(17, 34, 51), qRgb(73, 0, 0)};
    expectPicture(decodeBmp(withMasks({0xffff, 0xf123, 0x8800}, {0x0f00, 0x00f0, 0x000f, 0xf000}),
                            "4444.bmp"),
                  3, 1, [&](int x, int) { return expected4444[size_t(x)]; });
    const std::vector<QRgb> expected231 = {qRgb(255, 255, 255), qRgb(85, 36, 0),
                                           qRgb(170, 146, 255)};
    expectPicture(
        decodeBmp(withMasks({0x003f, 0x0012, 0x0029}, {0x0030, 0x000e, 0x0001, 0}), "231.bmp"), 3,
        1, [&](int x, int) { return expected231[size_t(x)]; });
    // A colour channel without a mask has no bits: it stays dark.
    const std::vector<QRgb> expectedNoRed = {qRgb(0, 255, 255), qRgb(0, 0, 0), qRgb(0, 4, 8)};
    expectPicture(
        decodeBmp(withMasks({0xffff, 0x0000, 0x0021}, {0, 0x07e0, 0x001f, 0}), "nored.bmp"), 3, 1,
        [&](int x, int) { return expectedNoRed[size_t(x)]; });
}

TEST(PictureDecoderBmp, RunLengthCodedPixelsDecodeAndSkippedOnesStayBlack) {
    // Palette: 0 blue, 1 red, 2 green. Bottom row: a run of two red, then the literal pixels
    // red, green, blue. A move two right and one up from the start of the middle row skips all
    // of it and the first two pixels of the top row, which goes on with a run of two green.
    const Bytes codes = {2, 1, 0, 3, 1, 2, 0, 0, 0, 0, 0, 2, 2, 1, 2, 2, 0, 1};
    const std::vector<std::vector<QRgb>> expected = {
        {qRgb(0, 0, 0), qRgb(0, 0, 0), qRgb(0, 255, 0), qRgb(0, 255, 0), qRgb(0, 0, 0)},
        {qRgb(0, 0, 0), qRgb(0, 0, 0), qRgb(0, 0, 0), qRgb(0, 0, 0), qRgb(0, 0, 0)},
        {qRgb(255, 0, 0), qRgb(255, 0, 0), qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)},
    };
    const QByteArray rle = writeRle8(5, 3, codes);
    expectPicture(decodeBmp(rle, "r.bmp"), 5, 3,
                  [&](int x, int y) { return expected[size_t(y)][size_t(x)]; });
    // Without its last codes the file ends before the picture does.
    const std::string message = decodeError([&] { decodeBmp(rle.left(rle.size() - 4), "r.bmp"); });
    EXPECT_NE(message.find("compressed"), std::string::npos) << message;
}

TEST(PictureDecoderBmp, DamagedOrTruncatedFilesFail) {
    const QByteArray bmp = writeBmp(4, 4, 24, false, [](int x, int y) { return quint32(x * y); });
    QByteArray unknownCompression = bmp;
    unknownCompression[30] = 4;
    QByteArray unknownHeader = bmp;
    unknownHeader[14] = 41;
    const std::vector<std::pair<const char*, QByteArray>> damaged = {
        {"empty", QByteArray()},
        {"cut in the header", bmp.left(30)},
        {"pixel data one byte short", bmp.left(bmp.size() - 1)},
        {"top-down pixel data short",
         writeBmp(4, 4, 24, true, [](int, int) { return 0u; }).left(bmp.size() - 12)},
        {"colour table cut",
         writeBmp(
             2, 2, 8, false, [](int, int) { return 0u; }, std::vector<QRgb>(256, 0))
             .left(14 + 40 + 100)},
        {"unknown compression", unknownCompression},
        {"unknown header size", unknownHeader},
        {"not a bitmap", smallPng()},
    };
    for (const auto& [what, bytes] : damaged) {
        SCOPED_TRACE(what);
        const std::string message = decodeError([&] { decodeBmp(bytes, "/show/bad.bmp"); });
        EXPECT_NE(message.find("\"/show/bad.bmp\" cannot be decoded as BMP: "), std::string::npos)
            << message;
    }
}

TEST(PictureDecoderBmp, OversizedDeclarationsFailBeforeDecoding) {
    for (auto [w, h] : {std::pair{100000, 100000}, {20000, 10}, {10, -20000}, {100000, -100000}}) {
        SCOPED_TRACE(testing::Message() << w << "x" << h);
        const std::string message =
            decodeError([&] { decodeBmp(withBmpSize(smallBmp(), w, h), "big.bmp"); });
        EXPECT_NE(message.find("limit"), std::string::npos) << message;
    }
}

// --- Files and extensions -----------------------------------------------------------------

class PictureFiles : public ::testing::Test {
  protected:
    QTemporaryDir dir;

    QString write(const QString& name, const QByteArray& content) {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        return file.fileName();
    }
};

// A name stored in Latin-1 (not valid UTF-8), as the folder list hands it on, opens the file it
// names.
TEST_F(PictureFiles, NamesThatAreNotUtf8OpenTheFileTheyName) {
    const QByteArray bytes = QFile::encodeName(dir.path()) + "/caf\xe9.png";
    QFile file;
    const int fd = ::open(bytes.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle));
    file.write(smallPng());
    file.close();
    const QString path = decodeFileName(bytes);
    EXPECT_EQ(loadPicture(path).pixel(0, 0), qRgb(10, 20, 30));
}

TEST_F(PictureFiles, TheExtensionAloneChoosesTheDecoder) {
    EXPECT_EQ(pictureFormatForPath("/a/holiday.JPEG"), PictureFormat::Jpeg);
    EXPECT_EQ(pictureFormatForPath("x.Jpg"), PictureFormat::Jpeg);
    EXPECT_EQ(pictureFormatForPath("x.tar.png"), PictureFormat::Png);
    EXPECT_EQ(pictureFormatForPath("x.GIF"), PictureFormat::Gif);
    EXPECT_EQ(pictureFormatForPath("x.bMp"), PictureFormat::Bmp);
    for (const char* other : {"x.tif", "x.jpe", "png", "x.png.txt", "x.", "/a.png/holiday"})
        EXPECT_EQ(pictureFormatForPath(other), std::nullopt) << other;

    // Each format from a file whose extension is spelled in any case.
    const QImage jpeg = loadPicture(write("holiday.JPEG", colourJpeg()));
    EXPECT_TRUE(near(jpeg.pixel(2, 2), qRgb(255, 0, 0), 8));
    const QRgb left = qRgb(10, 20, 30);
    EXPECT_EQ(loadPicture(write("a.Png", smallPng())).pixel(0, 0), left);
    EXPECT_EQ(loadPicture(write("b.gif", smallGif())).pixel(1, 0), qRgb(0, 0, 255));
    EXPECT_EQ(loadPicture(write("c.BMP", smallBmp())).pixel(1, 0), qRgb(0, 0, 255));

    // Content in another format than the extension names fails in the named decoder.
    const std::vector<std::pair<QString, QString>> mismatched = {
        {write("photo.jpg", smallPng()), "as JPEG"},
        {write("photo.png", colourJpeg()), "as PNG"},
        {write("photo.bmp", smallGif()), "as BMP"},
        {write("photo.gif", smallBmp()), "as GIF"},
    };
    for (const auto& [path, decoder] : mismatched) {
        const std::string message = decodeError([&] { loadPicture(path); });
        EXPECT_NE(message.find(decoder.toStdString()), std::string::npos) << message;
    }
    for (const char* name : {"picture.tif", "picture"}) {
        const QString path = write(name, smallPng());
        const std::string message = decodeError([&] { loadPicture(path); });
        EXPECT_NE(message.find("extension"), std::string::npos) << message;
    }
}

TEST_F(PictureFiles, FilesThatCannotBeOpenedRaiseInOutErrors) {
    const auto ioError = [](const QString& path) -> std::string {
        try {
            loadPicture(path);
        } catch (const EInOutError& e) {
            return e.what();
        }
        ADD_FAILURE() << "no EInOutError for " << path.toStdString();
        return {};
    };
    const QString missing = dir.filePath("missing.png");
    EXPECT_EQ(ioError(missing), QStringLiteral("Cannot open file \"%1\". No such file or directory")
                                    .arg(missing)
                                    .toStdString());
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.jpg"));
    EXPECT_NE(ioError(dir.filePath("folder.jpg")).find("Is a directory"), std::string::npos);
    // A named pipe would block a plain open until a writer came along.
    const QString pipe = dir.filePath("pipe.gif");
    ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    EXPECT_NE(ioError(pipe).find("regular"), std::string::npos);
}

TEST_F(PictureFiles, EmptyAndOversizedFilesFailWithoutBeingRead) {
    for (const char* name : {"e.jpg", "e.png", "e.gif", "e.bmp"}) {
        const QString path = write(name, QByteArray());
        EXPECT_NE(decodeError([&] { loadPicture(path); }).find(path.toStdString()),
                  std::string::npos);
    }
    // A sparse file: reading it would take gigabytes of memory.
    QFile huge(dir.filePath("huge.bmp"));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
    ASSERT_TRUE(huge.resize(kMaxPictureFileBytes + 1));
    huge.close();
    const std::string message = decodeError([&] { loadPicture(huge.fileName()); });
    EXPECT_NE(message.find(std::to_string(kMaxPictureFileBytes + 1) + " bytes"), std::string::npos)
        << message;
}

TEST(PictureDecoderRobustness, MangledFilesDecodeOrRaiseButNeverCrash) {
    // Seeded byte changes and cuts in a picture of each format: each result is either a picture
    // or an EPictureError; anything else, a crash or (under the sanitizers) a bad memory access
    // is a fault.
    const std::vector<std::pair<PictureFormat, QByteArray>> originals = {
        {PictureFormat::Jpeg, colourJpeg(true)},
        {PictureFormat::Png,
         writePng({9, 7, PNG_COLOR_TYPE_RGB_ALPHA, 8, true}, Bytes(9 * 7 * 4, 77))},
        {PictureFormat::Gif, writeGif(9, 7, {{1, 1, 8, 6, Bytes(48, 2), 1, true}})},
        {PictureFormat::Bmp,
         writeRle8(5, 3, {2, 1, 0, 3, 1, 2, 0, 0, 0, 0, 0, 2, 2, 1, 2, 2, 0, 1})},
        {PictureFormat::Bmp, writeBmp(5, 3, 8, true, [](int x, int) { return quint32(x); },
                                      {qRgb(1, 2, 3), qRgb(4, 5, 6)})},
    };
    std::mt19937 random(20240601);
    for (const auto& [format, original] : originals) {
        for (int round = 0; round < 300; ++round) {
            QByteArray bytes = original;
            for (int change = 0; change < 4; ++change) {
                const auto at = qsizetype(random() % quint32(bytes.size()));
                if (random() % 5 == 0)
                    bytes.truncate(std::max<qsizetype>(at, 1));
                else
                    bytes[at] = char(random());
            }
            try {
                const QImage image = decodePicture(format, bytes, "mangled");
                ASSERT_FALSE(image.isNull());
                ASSERT_EQ(image.format(), QImage::Format_RGB32);
                ASSERT_TRUE(pictureSizeAllowed(image.width(), image.height()));
            } catch (const EPictureError&) {
            }
        }
    }
}

TEST(PictureDecoderLimits, SizesAreCheckedOnBothSidesAndInAll) {
    EXPECT_TRUE(pictureSizeAllowed(1, 1));
    EXPECT_TRUE(pictureSizeAllowed(kMaxPictureSide, kMaxPictureSide));
    EXPECT_FALSE(pictureSizeAllowed(kMaxPictureSide + 1, 1));
    EXPECT_FALSE(pictureSizeAllowed(1, kMaxPictureSide + 1));
    EXPECT_FALSE(pictureSizeAllowed(0, 5));
    EXPECT_FALSE(pictureSizeAllowed(5, -1));
}
