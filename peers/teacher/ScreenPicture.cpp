#include "ScreenPicture.h"

#include "classroom/ScreenChange.h"
#include "classroom/ScreenStream.h"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace zelvo {
namespace teacher {

namespace {

struct ErrorExit {
    jpeg_error_mgr pub;
    std::jmp_buf back;
};

void Leave(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<ErrorExit*>(cinfo->err)->back, 1);
}

void Quiet(j_common_ptr, int) {}

// Decodes into rows of width x 3 bytes; false for anything but a three-
// component picture no larger than a capture may be.
bool Decode(const uint8_t* jpeg, size_t length, int32_t& width, int32_t& height, std::vector<uint8_t>& rows)
{
    jpeg_decompress_struct cinfo;
    ErrorExit err;
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = &Leave;
    err.pub.emit_message = &Quiet;
    if (setjmp(err.back)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, jpeg, (unsigned long)length);
    jpeg_read_header(&cinfo, TRUE);
    if (cinfo.num_components != 3 || cinfo.image_width == 0 || cinfo.image_height == 0 ||
        cinfo.image_width > (JDIMENSION)classroom::kMaxScreenSide ||
        cinfo.image_height > (JDIMENSION)classroom::kMaxScreenSide) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    // The student declares its blue, green, red bytes as RGB: take them as they are.
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    width = (int32_t)cinfo.output_width;
    height = (int32_t)cinfo.output_height;
    rows.assign((size_t)width * (size_t)height * 3, 0);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = &rows[(size_t)cinfo.output_scanline * (size_t)width * 3];
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

} // namespace

void ScreenPicture::Expect(int32_t width, int32_t height)
{
    int32_t w = 0, h = 0;
    if (!classroom::ServedCaptureSize(width, height, 0, 0, w, h)) w = h = 0;
    m_expectedWidth = w;
    m_expectedHeight = h;
}

ScreenPicture::Result ScreenPicture::Apply(int32_t x, int32_t y, const uint8_t* jpeg, size_t length)
{
    int32_t w = 0, h = 0;
    std::vector<uint8_t> rows;
    if (!jpeg || length == 0 || !Decode(jpeg, length, w, h, rows)) return Result::Undecodable;
    const bool whole = m_rgb.empty() || (w == m_expectedWidth && h == m_expectedHeight) || w > m_width || h > m_height;
    if (x == 0 && y == 0 && whole && (w != m_width || h != m_height)) {
        m_width = w;
        m_height = h;
        m_rgb.assign((size_t)w * (size_t)h * 3, 0);
    }
    if (m_rgb.empty()) return Result::NotYet;
    classroom::PasteFrameRows(rows.data(), w, h, x, y, m_rgb.data(), m_width, m_height);
    return Result::Updated;
}

bool ScreenPicture::Save(const std::string& path, int quality) const
{
    if (m_rgb.empty()) return false;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    jpeg_compress_struct cinfo;
    ErrorExit err;
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = &Leave;
    if (setjmp(err.back)) {
        jpeg_destroy_compress(&cinfo);
        std::fclose(f);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, f);
    cinfo.image_width = (JDIMENSION)m_width;
    cinfo.image_height = (JDIMENSION)m_height;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<uint8_t*>(&m_rgb[(size_t)cinfo.next_scanline * (size_t)m_width * 3]);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return std::fclose(f) == 0;
}

} // namespace teacher
} // namespace zelvo
