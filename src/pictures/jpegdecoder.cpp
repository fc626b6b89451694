#include "pictures/picturedecoder.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
// jpeglib.h needs size_t and FILE declared before it, and jerror.h needs jpeglib.h's
// configuration to list the arithmetic-coding messages.
#include <jpeglib.h>

#include <jerror.h>

using namespace picturedecoding;

namespace {

// Progressive files may repeat scans without limit, each one a full pass over the coefficients;
// real encoders use a few dozen at most.
constexpr int kMaxJpegScans = 1000;

// libjpeg's default error handler ends the process. Errors jump back to the decoding stage that
// set the jump point, with the message kept here; nothing is written to stderr.
struct JpegErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void jumpBack(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    std::longjmp(err->jump, 1);
}

[[noreturn]] void errorExit(j_common_ptr cinfo) {
    (*cinfo->err->format_message)(cinfo, reinterpret_cast<JpegErrorManager*>(cinfo->err)->message);
    jumpBack(cinfo);
}

// Warnings that mean pixels are missing or wrong end the decode: a file cut short (often one
// still being copied into the folder) or with damaged image data must not be shown as if whole.
// Oddities in markers around intact image data are passed over.
bool damagesPixels(int code) {
    switch (code) {
    case JWRN_JPEG_EOF:
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
    case JWRN_MUST_RESYNC:
        return true;
    default:
        return false;
    }
}

void emitMessage(j_common_ptr cinfo, int level) {
    if (level >= 0)
        return; // trace messages
    cinfo->err->num_warnings++;
    if (damagesPixels(cinfo->err->msg_code))
        errorExit(cinfo);
}

void outputMessage(j_common_ptr) {}

void progressMonitor(j_common_ptr cinfo) {
    auto* dinfo = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (dinfo->input_scan_number > kMaxJpegScans) {
        std::snprintf(reinterpret_cast<JpegErrorManager*>(cinfo->err)->message, JMSG_LENGTH_MAX,
                      "more than %d scans", kMaxJpegScans);
        jumpBack(cinfo);
    }
}

struct JpegDecoder {
    jpeg_decompress_struct cinfo{};
    JpegErrorManager err{};
    jpeg_progress_mgr progress{};

    JpegDecoder() {
        cinfo.err = jpeg_std_error(&err.pub);
        err.pub.error_exit = errorExit;
        err.pub.emit_message = emitMessage;
        err.pub.output_message = outputMessage;
        progress.progress_monitor = progressMonitor;
    }
    ~JpegDecoder() { jpeg_destroy_decompress(&cinfo); }
    JpegDecoder(const JpegDecoder&) = delete;
    JpegDecoder& operator=(const JpegDecoder&) = delete;
};

// The stages below set a jump point for libjpeg's errors. They hold nothing with a destructor, so
// jumping back into them skips no cleanup; the caller owns every resource.

bool readHeader(JpegDecoder* d, const unsigned char* data, unsigned long size) {
    if (setjmp(d->err.jump))
        return false;
    jpeg_create_decompress(&d->cinfo);
    d->cinfo.progress = &d->progress;
    jpeg_mem_src(&d->cinfo, data, size);
    jpeg_read_header(&d->cinfo, TRUE);
    return true;
}

bool calcOutputSize(JpegDecoder* d) {
    if (setjmp(d->err.jump))
        return false;
    jpeg_calc_output_dimensions(&d->cinfo);
    return true;
}

void convertRow(const JSAMPLE* in, QRgb* out, JDIMENSION width, J_COLOR_SPACE space,
                bool invertedInk) {
    switch (space) {
    case JCS_GRAYSCALE:
        for (JDIMENSION x = 0; x < width; ++x)
            out[x] = qRgb(in[x], in[x], in[x]);
        break;
    case JCS_RGB:
        for (JDIMENSION x = 0; x < width; ++x, in += 3)
            out[x] = qRgb(in[0], in[1], in[2]);
        break;
    default: // JCS_CMYK
        for (JDIMENSION x = 0; x < width; ++x, in += 4) {
            // Adobe applications store ink amounts inverted (0 = full ink) and mark the file
            // with their marker; other writers store them plainly.
            unsigned c = in[0], m = in[1], y = in[2], k = in[3];
            if (!invertedInk) {
                c = 255 - c;
                m = 255 - m;
                y = 255 - y;
                k = 255 - k;
            }
            out[x] =
                qRgb(int((c * k + 127) / 255), int((m * k + 127) / 255), int((y * k + 127) / 255));
        }
        break;
    }
}

bool readPixels(JpegDecoder* d, uchar* bits, qsizetype bytesPerLine) {
    if (setjmp(d->err.jump))
        return false;
    j_decompress_ptr cinfo = &d->cinfo;
    jpeg_start_decompress(cinfo);
    const bool direct =
        cinfo->out_color_space == JCS_EXT_BGRX || cinfo->out_color_space == JCS_EXT_XRGB;
    const JDIMENSION rowSize = cinfo->output_width * JDIMENSION(cinfo->output_components);
    JSAMPARRAY row =
        (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE, rowSize, 1);
    const bool invertedInk = cinfo->saw_Adobe_marker;
    while (cinfo->output_scanline < cinfo->output_height) {
        const JDIMENSION y = cinfo->output_scanline;
        JSAMPROW target =
            direct ? reinterpret_cast<JSAMPLE*>(bits + qsizetype(y) * bytesPerLine) : row[0];
        if (jpeg_read_scanlines(cinfo, &target, 1) != 1) {
            // Only a suspending data source returns no line, and the memory source never
            // suspends; guard against a loop all the same.
            std::snprintf(d->err.message, JMSG_LENGTH_MAX, "no image data for line %u", y);
            return false;
        }
        if (!direct)
            convertRow(row[0], reinterpret_cast<QRgb*>(bits + qsizetype(y) * bytesPerLine),
                       cinfo->output_width, cinfo->out_color_space, invertedInk);
    }
    jpeg_finish_decompress(cinfo);
    return true;
}

} // namespace

QImage decodeJpeg(const QByteArray& data, const QString& name) {
    return decodeJpegAtLeast(data, name, {});
}

QImage decodeJpegAtLeast(const QByteArray& data, const QString& name,
                         const std::function<QSize(QSize)>& wanted, QSize* natural) {
    constexpr PictureFormat format = PictureFormat::Jpeg;
    JpegDecoder d;
    if (!readHeader(&d, reinterpret_cast<const unsigned char*>(data.constData()),
                    static_cast<unsigned long>(data.size()))) {
        // libjpeg refuses sides above 65500 itself; report those like any oversized picture.
        if (d.err.pub.msg_code == JERR_IMAGE_TOO_BIG)
            checkSize(d.cinfo.image_width, d.cinfo.image_height, name, format);
        fail(name, format, QString::fromUtf8(d.err.message));
    }
    checkSize(d.cinfo.image_width, d.cinfo.image_height, name, format);
    const QSize full(int(d.cinfo.image_width), int(d.cinfo.image_height));
    if (natural)
        *natural = full;
    if (wanted) {
        // The DCT can decode at n/8 of the full size for much less work; take the smallest such
        // size that is not below the size asked for, so a later resample only ever shrinks. Only
        // 1/8, 2/8 and 4/8 have the library's vector code; the other fractions decode in plain C
        // and come out slower than the next of these, resample included.
        const QSize want = wanted(full);
        for (unsigned num : {1u, 2u, 4u}) {
            const auto scaled = [num](int side) { return (qint64(side) * num + 7) / 8; };
            if (scaled(full.width()) >= want.width() && scaled(full.height()) >= want.height()) {
                d.cinfo.scale_num = num;
                d.cinfo.scale_denom = 8;
                break;
            }
        }
    }

    switch (d.cinfo.jpeg_color_space) {
    case JCS_GRAYSCALE:
        d.cinfo.out_color_space = JCS_GRAYSCALE;
        break;
    case JCS_RGB:
    case JCS_YCbCr:
        // Straight into the picture's own memory: 32-bit words of 0xffRRGGBB (the fourth byte
        // is set to 0xff by the library).
        d.cinfo.out_color_space = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRX : JCS_EXT_XRGB;
        break;
    case JCS_CMYK:
    case JCS_YCCK:
        d.cinfo.out_color_space = JCS_CMYK;
        break;
    default:
        fail(name, format,
             QStringLiteral("unsupported colour space with %1 components")
                 .arg(d.cinfo.num_components));
    }

    if (!calcOutputSize(&d))
        fail(name, format, QString::fromUtf8(d.err.message));
    QImage image = allocate(int(d.cinfo.output_width), int(d.cinfo.output_height),
                            QImage::Format_RGB32, name, format);
    if (!readPixels(&d, image.bits(), image.bytesPerLine()))
        fail(name, format, QString::fromUtf8(d.err.message));
    return image;
}
