// Decode throughput of CDib::ReadJpeg (file source over a memory file, rows
// into the bitmap) against a plain libjpeg decode of the same 4000 x 3000
// picture in the same run. One result line per figure.
#include "Dib.h"
#include "JpegTestData.h"

#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>
#include <windows.h>

namespace {

double Now()
{
    static LARGE_INTEGER freq = [] { LARGE_INTEGER f; ::QueryPerformanceFrequency(&f); return f; }();
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return (double)t.QuadPart / (double)freq.QuadPart;
}

void PlainDecode(const std::vector<uint8_t>& jpeg, std::vector<uint8_t>& out)
{
    jpeg_decompress_struct d;
    jpeg_error_mgr err;
    d.err = jpeg_std_error(&err);
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, jpeg.data(), (unsigned long)jpeg.size());
    jpeg_read_header(&d, TRUE);
    jpeg_start_decompress(&d);
    size_t stride = (size_t)d.output_width * d.output_components;
    out.resize(stride * d.output_height);
    while (d.output_scanline < d.output_height) {
        JSAMPROW r = out.data() + (size_t)d.output_scanline * stride;
        jpeg_read_scanlines(&d, &r, 1);
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
}

} // namespace

int main(int argc, char** argv)
{
    int rounds = argc > 1 ? std::atoi(argv[1]) : 5;
    if (rounds < 1 || rounds > 100) rounds = 5;
    JpegParams params;
    params.width = 4000;
    params.height = 3000;
    params.photo = true;
    params.quality = 85;
    std::vector<uint8_t> jpeg = EncodeJpeg(params);
    double mpix = 4000.0 * 3000.0 / 1e6;

    std::vector<uint8_t> plainOut;
    CDib dib;
    double bestPlain = 1e9, bestOurs = 1e9;
    // Alternate the two so both see the same machine state; keep the best.
    for (int i = 0; i < rounds; ++i) {
        double t0 = Now();
        PlainDecode(jpeg, plainOut);
        double t1 = Now();
        CMemFile file(jpeg.data(), (UINT)jpeg.size());
        if (!dib.ReadJpeg(file)) {
            std::printf("error: ReadJpeg failed\n");
            return 1;
        }
        double t2 = Now();
        if (t1 - t0 < bestPlain) bestPlain = t1 - t0;
        if (t2 - t1 < bestOurs) bestOurs = t2 - t1;
    }
    double ratio = bestPlain / bestOurs;
    std::printf("jpeg_bytes %zu\n", jpeg.size());
    std::printf("plain_libjpeg_mpix_per_s %.1f\n", mpix / bestPlain);
    std::printf("dib_read_jpeg_mpix_per_s %.1f\n", mpix / bestOurs);
    std::printf("throughput_ratio %.3f (target >= 0.9): %s\n", ratio, ratio >= 0.9 ? "met" : "missed");
    return 0;
}
