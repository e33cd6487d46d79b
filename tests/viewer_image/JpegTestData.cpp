#include "JpegTestData.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <jpeglib.h>

std::vector<uint8_t> EncodeJpeg(const JpegParams& s)
{
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* mem = nullptr;
    unsigned long memSize = 0;
    jpeg_mem_dest(&c, &mem, &memSize);
    c.image_width = s.width;
    c.image_height = s.height;
    c.input_components = s.components;
    c.in_color_space = s.components == 1 ? JCS_GRAYSCALE : s.components == 4 ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, s.quality, TRUE);
    c.write_JFIF_header = TRUE;
    c.density_unit = (UINT8)s.densityUnit;
    c.X_density = (UINT16)s.xDensity;
    c.Y_density = (UINT16)s.yDensity;
    jpeg_start_compress(&c, TRUE);
    if (!s.app1.empty()) jpeg_write_marker(&c, JPEG_APP0 + 1, s.app1.data(), (unsigned)s.app1.size());
    if (!s.com.empty()) jpeg_write_marker(&c, JPEG_COM, s.com.data(), (unsigned)s.com.size());
    std::vector<uint8_t> row((size_t)s.width * s.components);
    uint32_t seed = 12345;
    while (c.next_scanline < c.image_height) {
        int y = (int)c.next_scanline;
        for (int x = 0; x < s.width; ++x) {
            for (int k = 0; k < s.components; ++k) {
                int v;
                if (s.photo) {
                    // Smooth shapes with grain, roughly like a stained slide.
                    seed = seed * 1103515245u + 12345u;
                    v = 128 + (int)(90 * ((x * (k + 1) / 7 + y / 5) % 64) / 64) - 45 + (int)((seed >> 16) % 24);
                } else {
                    v = (x * 255 / (s.width > 1 ? s.width - 1 : 1) + y * 3 + k * 60) & 0xFF;
                }
                row[(size_t)x * s.components + k] = (uint8_t)(v < 0 ? 0 : v > 255 ? 255 : v);
            }
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    std::vector<uint8_t> out(mem, mem + memSize);
    jpeg_destroy_compress(&c);
    std::free(mem);
    return out;
}

bool DecodePlain(const std::vector<uint8_t>& jpeg, std::vector<uint8_t>& out, int& width, int& height, int& components)
{
    jpeg_decompress_struct d;
    jpeg_error_mgr err;
    d.err = jpeg_std_error(&err);
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, jpeg.data(), (unsigned long)jpeg.size());
    if (jpeg_read_header(&d, TRUE) != JPEG_HEADER_OK) {
        jpeg_destroy_decompress(&d);
        return false;
    }
    jpeg_start_decompress(&d);
    width = (int)d.output_width;
    height = (int)d.output_height;
    components = d.output_components;
    out.resize((size_t)width * height * components);
    while (d.output_scanline < d.output_height) {
        JSAMPROW r = out.data() + (size_t)d.output_scanline * width * components;
        jpeg_read_scanlines(&d, &r, 1);
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    return true;
}

std::vector<uint8_t> ComRecordBytes(const std::string& text, int32_t x, int32_t y)
{
    std::vector<uint8_t> r(48, 0);
    std::memcpy(r.data(), text.data(), text.size() < 19 ? text.size() : 19);
    for (int i = 0; i < 4; ++i) {
        r[20 + i] = (uint8_t)(x >> (8 * i));
        r[24 + i] = (uint8_t)(y >> (8 * i));
    }
    return r;
}
