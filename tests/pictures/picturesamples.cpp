#include "picturesamples.h"

#include <cstdlib>

QByteArray writeJpeg(const JpegSpec& spec, const Bytes& samples) {
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buffer, &size);
    c.image_width = JDIMENSION(spec.width);
    c.image_height = JDIMENSION(spec.height);
    c.input_components = spec.components;
    c.in_color_space = spec.input;
    jpeg_set_defaults(&c);
    jpeg_set_colorspace(&c, spec.stored);
    c.write_Adobe_marker = spec.adobeMarker;
    // No chroma subsampling, so flat colour areas come back close to what was written.
    for (int i = 0; i < c.num_components; ++i)
        c.comp_info[i].h_samp_factor = c.comp_info[i].v_samp_factor = 1;
    jpeg_set_quality(&c, 95, TRUE);
    if (spec.progressive)
        jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(samples.data()) +
                       size_t(c.next_scanline) * size_t(spec.width * spec.components);
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    QByteArray out(reinterpret_cast<const char*>(buffer), qsizetype(size));
    std::free(buffer);
    return out;
}

Bytes quadrants(int width, int height, const std::vector<Bytes>& colours) {
    Bytes out;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const Bytes& c = colours[size_t((y >= height / 2) * 2 + (x >= width / 2))];
            out.insert(out.end(), c.begin(), c.end());
        }
    return out;
}
