#include "Imaging.h"
#include "Library.h"

#include <openslide.h>
#include <tiffio.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iconv.h>
#include <jpeglib.h>

namespace zelvo {
namespace slideserver {

namespace {

// Level pixels one rendering reads in one window at most; legitimate pieces
// need about 1 M.
constexpr int64_t kMaxRenderWindow = 16ll * 1024 * 1024;

std::string Lower(std::string s)
{
    for (char& c : s) c = (char)std::tolower((unsigned char)c);
    return s;
}

std::string Extension(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    return Lower(path.substr(dot + 1));
}

class OpenSlideImage : public SlideSource {
public:
    explicit OpenSlideImage(openslide_t* osr) : m_osr(osr)
    {
        m_levels = std::max(1, (int)openslide_get_level_count(osr));
    }
    ~OpenSlideImage() override { openslide_close(m_osr); }

    bool isPicture() const override { return false; }
    int levelCount() const override { return m_levels; }
    double levelDownsample(int level) const override { return openslide_get_level_downsample(m_osr, level); }
    void levelSize(int level, int64_t& w, int64_t& h) const override
    {
        openslide_get_level_dimensions(m_osr, level, &w, &h);
        if (w < 0 || h < 0) w = h = 0;
    }
    bool readLevel(int level, int64_t x, int64_t y, int w, int h, uint8_t* rgb) const override
    {
        std::fill(rgb, rgb + (size_t)w * h * 3, 255);
        int64_t lw, lh;
        levelSize(level, lw, lh);
        int64_t ix0 = std::max<int64_t>(x, 0), iy0 = std::max<int64_t>(y, 0);
        int64_t ix1 = std::min<int64_t>(x + w, lw), iy1 = std::min<int64_t>(y + h, lh);
        if (ix0 >= ix1 || iy0 >= iy1) return true;
        int rw = (int)(ix1 - ix0), rh = (int)(iy1 - iy0);
        std::vector<uint32_t> argb((size_t)rw * rh);
        double ds = levelDownsample(level);
        openslide_read_region(m_osr, argb.data(), (int64_t)std::llround(ix0 * ds),
                              (int64_t)std::llround(iy0 * ds), level, rw, rh);
        if (openslide_get_error(m_osr)) return false;
        for (int j = 0; j < rh; ++j) {
            uint8_t* d = rgb + (((size_t)(iy0 - y + j) * w) + (size_t)(ix0 - x)) * 3;
            const uint32_t* s = &argb[(size_t)j * rw];
            for (int i = 0; i < rw; ++i) {
                // Premultiplied ARGB over white.
                uint32_t p = s[i];
                uint32_t a = p >> 24;
                d[0] = (uint8_t)std::min<uint32_t>(255, ((p >> 16) & 255) + 255 - a);
                d[1] = (uint8_t)std::min<uint32_t>(255, ((p >> 8) & 255) + 255 - a);
                d[2] = (uint8_t)std::min<uint32_t>(255, (p & 255) + 255 - a);
                d += 3;
            }
        }
        return true;
    }
    double micronsPerPixel(bool y) const override
    {
        const char* mpp = openslide_get_property_value(m_osr, y ? OPENSLIDE_PROPERTY_NAME_MPP_Y : OPENSLIDE_PROPERTY_NAME_MPP_X);
        if (mpp) {
            double v = std::atof(mpp);
            if (std::isfinite(v) && v > 0) return v;
        }
        const char* res = openslide_get_property_value(m_osr, y ? "tiff.YResolution" : "tiff.XResolution");
        const char* unit = openslide_get_property_value(m_osr, "tiff.ResolutionUnit");
        if (res && unit) {
            double r = std::atof(res);
            if (std::isfinite(r) && r > 0) {
                if (!std::strcmp(unit, "centimeter")) return 10000.0 / r;
                if (!std::strcmp(unit, "inch")) return 25400.0 / r;
            }
        }
        return 0;
    }
    std::string formatName() const override
    {
        const char* v = openslide_get_property_value(m_osr, OPENSLIDE_PROPERTY_NAME_VENDOR);
        return v ? v : "slide";
    }
    double objectivePower() const override
    {
        const char* v = openslide_get_property_value(m_osr, OPENSLIDE_PROPERTY_NAME_OBJECTIVE_POWER);
        double p = v ? std::atof(v) : 0;
        return std::isfinite(p) && p > 0 ? p : 0;
    }

private:
    openslide_t* m_osr;
    int m_levels;
};

// A plain picture, decoded once, with halved levels for small scales.
class PictureImage : public SlideSource {
public:
    PictureImage(RgbImage base, std::string format) : m_format(std::move(format))
    {
        m_levels.push_back(std::move(base));
        while (m_levels.size() < 12) {
            const RgbImage& p = m_levels.back();
            if (std::max(p.width, p.height) <= 512 || p.width < 2 || p.height < 2) break;
            RgbImage h;
            h.width = p.width / 2;
            h.height = p.height / 2;
            h.pixels.resize((size_t)h.width * h.height * 3);
            for (int y = 0; y < h.height; ++y)
                for (int x = 0; x < h.width; ++x)
                    for (int c = 0; c < 3; ++c) {
                        const uint8_t* a = &p.pixels[((size_t)(2 * y) * p.width + 2 * x) * 3 + c];
                        const uint8_t* b = a + (size_t)p.width * 3;
                        h.pixels[((size_t)y * h.width + x) * 3 + c] = (uint8_t)((a[0] + a[3] + b[0] + b[3] + 2) / 4);
                    }
            m_levels.push_back(std::move(h));
        }
    }
    bool isPicture() const override { return true; }
    int levelCount() const override { return (int)m_levels.size(); }
    double levelDownsample(int level) const override
    {
        return (double)m_levels[0].width / m_levels[level].width;
    }
    void levelSize(int level, int64_t& w, int64_t& h) const override
    {
        w = m_levels[level].width;
        h = m_levels[level].height;
    }
    bool readLevel(int level, int64_t x, int64_t y, int w, int h, uint8_t* rgb) const override
    {
        const RgbImage& img = m_levels[level];
        for (int j = 0; j < h; ++j) {
            uint8_t* d = rgb + (size_t)j * w * 3;
            int64_t sy = y + j;
            for (int i = 0; i < w; ++i, d += 3) {
                int64_t sx = x + i;
                if (sx < 0 || sy < 0 || sx >= img.width || sy >= img.height) {
                    d[0] = d[1] = d[2] = 255;
                } else {
                    std::memcpy(d, &img.pixels[((size_t)sy * img.width + (size_t)sx) * 3], 3);
                }
            }
        }
        return true;
    }
    double micronsPerPixel(bool) const override { return 0; }
    std::string formatName() const override { return m_format; }

private:
    std::vector<RgbImage> m_levels;
    std::string m_format;
};

struct JpegError {
    jpeg_error_mgr mgr;
    jmp_buf jump;
};

void JpegErrorExit(j_common_ptr cinfo)
{
    longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1);
}

void JpegSilent(j_common_ptr, int) {}


uint32_t Le32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | ((uint32_t)p[3] << 24); }
uint16_t Le16(const uint8_t* p) { return (uint16_t)(p[0] | (p[1] << 8)); }

// Uncompressed 8, 24 and 32 bit BMP.
bool DecodeBmp(const std::vector<uint8_t>& f, RgbImage& out)
{
    if (f.size() < 54 || f[0] != 'B' || f[1] != 'M') return false;
    uint32_t dataOffset = Le32(&f[10]);
    uint32_t infoSize = Le32(&f[14]);
    if (infoSize < 40 || 14 + (uint64_t)infoSize > f.size()) return false;
    int32_t w = (int32_t)Le32(&f[18]);
    int32_t h = (int32_t)Le32(&f[22]);
    uint16_t bpp = Le16(&f[28]);
    uint32_t compression = Le32(&f[30]);
    uint32_t colours = Le32(&f[46]);
    if (w <= 0 || h == 0 || h == INT32_MIN) return false;
    bool topDown = h < 0;
    int64_t ah = topDown ? -(int64_t)h : h;
    if ((int64_t)w * ah > kMaxPicturePixels) return false;
    if (compression != 0 && !(compression == 3 && bpp == 32)) return false;
    if (bpp != 8 && bpp != 24 && bpp != 32) return false;
    uint64_t stride = (((uint64_t)w * bpp + 31) / 32) * 4;
    if (dataOffset > f.size() || stride * ah > f.size() - dataOffset) return false;
    std::vector<uint8_t> palette;
    if (bpp == 8) {
        if (colours == 0 || colours > 256) colours = 256;
        uint64_t pal = 14 + (uint64_t)infoSize;
        if (pal + colours * 4ull > dataOffset) return false;
        palette.assign(f.begin() + pal, f.begin() + pal + colours * 4);
    }
    out.width = w;
    out.height = (int)ah;
    out.pixels.resize((size_t)w * ah * 3);
    for (int64_t y = 0; y < ah; ++y) {
        const uint8_t* row = &f[dataOffset + stride * (topDown ? y : ah - 1 - y)];
        uint8_t* d = &out.pixels[(size_t)y * w * 3];
        for (int32_t x = 0; x < w; ++x, d += 3) {
            if (bpp == 8) {
                uint32_t i = row[x];
                if (i * 4 + 3 >= palette.size()) { d[0] = d[1] = d[2] = 0; continue; }
                d[0] = palette[i * 4 + 2]; d[1] = palette[i * 4 + 1]; d[2] = palette[i * 4];
            } else {
                const uint8_t* s = row + (size_t)x * (bpp / 8);
                d[0] = s[2]; d[1] = s[1]; d[2] = s[0];
            }
        }
    }
    return true;
}

void SilentTiffHandler(const char*, const char*, va_list) {}

bool DecodeTiffPicture(const std::string& path, RgbImage& out)
{
    TIFFSetWarningHandler(SilentTiffHandler);
    TIFFSetErrorHandler(SilentTiffHandler);
    TIFF* t = TIFFOpen(path.c_str(), "r");
    if (!t) return false;
    uint32_t w = 0, h = 0;
    TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(t, TIFFTAG_IMAGELENGTH, &h);
    bool ok = false;
    if (w > 0 && h > 0 && (int64_t)w * h <= kMaxPicturePixels) {
        std::vector<uint32_t> raster((size_t)w * h);
        if (TIFFReadRGBAImageOriented(t, w, h, raster.data(), ORIENTATION_TOPLEFT, 0)) {
            out.width = (int)w;
            out.height = (int)h;
            out.pixels.resize((size_t)w * h * 3);
            for (size_t i = 0; i < raster.size(); ++i) {
                uint32_t p = raster[i];
                uint32_t a = TIFFGetA(p);
                out.pixels[i * 3] = (uint8_t)std::min<uint32_t>(255, TIFFGetR(p) + 255 - a);
                out.pixels[i * 3 + 1] = (uint8_t)std::min<uint32_t>(255, TIFFGetG(p) + 255 - a);
                out.pixels[i * 3 + 2] = (uint8_t)std::min<uint32_t>(255, TIFFGetB(p) + 255 - a);
            }
            ok = true;
        }
    }
    TIFFClose(t);
    return ok;
}

} // namespace

bool DecodeJpeg(const uint8_t* data, size_t n, RgbImage& out)
{
    if (!data || n < 4) return false;
    jpeg_decompress_struct cinfo;
    JpegError err;
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = JpegErrorExit;
    err.mgr.emit_message = JpegSilent;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data, (unsigned long)n);
    jpeg_read_header(&cinfo, TRUE);
    if ((int64_t)cinfo.image_width * cinfo.image_height > kMaxPicturePixels) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    out.width = (int)cinfo.output_width;
    out.height = (int)cinfo.output_height;
    out.pixels.assign((size_t)out.width * out.height * 3, 0);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = &out.pixels[(size_t)cinfo.output_scanline * out.width * 3];
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

bool EncodeJpeg(const RgbImage& img, int quality, std::vector<uint8_t>& out)
{
    if (img.width <= 0 || img.height <= 0 || img.pixels.size() < (size_t)img.width * img.height * 3)
        return false;
    jpeg_compress_struct cinfo;
    JpegError err;
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = JpegErrorExit;
    unsigned char* buf = nullptr;
    unsigned long size = 0;
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        free(buf);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, &buf, &size);
    cinfo.image_width = (JDIMENSION)img.width;
    cinfo.image_height = (JDIMENSION)img.height;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(&img.pixels[(size_t)cinfo.next_scanline * img.width * 3]);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    out.assign(buf, buf + size);
    jpeg_destroy_compress(&cinfo);
    free(buf);
    return true;
}

std::unique_ptr<SlideSource> OpenSlideSource(const std::string& path, std::string& error)
{
    std::string ext = Extension(path);
    bool pictureExt = ext == "jpg" || ext == "jpeg" || ext == "bmp";
    if (!pictureExt) {
        openslide_t* osr = openslide_open(path.c_str());
        if (osr && !openslide_get_error(osr)) {
            auto slide = std::make_unique<OpenSlideImage>(osr);
            int64_t w, h;
            slide->levelSize(slide->levelCount() - 1, w, h);
            // A big image without a pyramid cannot be shown small region by
            // region; a TIFF of picture size is then served as a picture.
            bool flat = std::max(w, h) > 4096;
            RgbImage img;
            if (flat && (ext == "tif" || ext == "tiff") && slide->width() * slide->height() <= kMaxPicturePixels &&
                DecodeTiffPicture(path, img))
                return std::make_unique<PictureImage>(std::move(img), "TIFF");
            return slide;
        }
        if (osr) {
            error = openslide_get_error(osr);
            openslide_close(osr);
        }
    }
    RgbImage img;
    std::string format;
    if (ext == "jpg" || ext == "jpeg") {
        std::vector<uint8_t> bytes;
        if (ReadWholeFile(path, 512u << 20, bytes) && DecodeJpeg(bytes.data(), bytes.size(), img)) format = "JPEG";
    } else if (ext == "bmp") {
        std::vector<uint8_t> bytes;
        if (ReadWholeFile(path, 1024u << 20, bytes) && DecodeBmp(bytes, img)) format = "BMP";
    } else if (ext == "tif" || ext == "tiff") {
        if (DecodeTiffPicture(path, img)) format = "TIFF";
    }
    if (format.empty()) {
        if (error.empty()) error = "unreadable image";
        return nullptr;
    }
    return std::make_unique<PictureImage>(std::move(img), format);
}

int ChooseLevel(const SlideSource& src, double scaleX, double scaleY)
{
    double need = 1.0 / std::max(scaleX, scaleY); // largest usable downsample
    int best = 0;
    for (int l = 1; l < src.levelCount(); ++l) {
        double ds = src.levelDownsample(l);
        if (ds <= need * (1 + 1e-9) && ds > src.levelDownsample(best)) best = l;
    }
    return best;
}

namespace {

// Where bilinear sampling along one axis reads: output pixel i blends the
// fetched level positions at[i] and at[i] + 1, the second with weight
// frac[i] / 256.
struct AxisSamples {
    std::vector<int64_t> fetch; // level coordinates, ascending, each once
    std::vector<int> at;
    std::vector<int> frac;
    bool whole = false;         // fetch is one unbroken span
};

// Display pixel first + i has its centre at level coordinate
// (first + i + 0.5) * k - 0.5. Beyond the level everything is white, so the
// coordinate is held just outside it: no scale can push it out of range.
AxisSamples SampleAxis(int64_t first, int n, double k, int64_t extent)
{
    AxisSamples s;
    s.at.resize((size_t)n);
    s.frac.resize((size_t)n);
    const double lo = -2.0, hi = (double)extent + 1.0;
    for (int i = 0; i < n; ++i) {
        double c = ((double)first + i + 0.5) * k - 0.5;
        if (!(c > lo)) c = lo;
        if (c > hi) c = hi;
        const double f = std::floor(c);
        const int64_t lower = (int64_t)f;
        s.frac[(size_t)i] = (int)std::lround((c - f) * 256);
        // k >= 0, so lower never decreases: it is the last fetched position
        // or the one before it, or new.
        if (s.fetch.empty() || s.fetch.back() < lower) s.fetch.push_back(lower);
        size_t p = s.fetch.back() == lower ? s.fetch.size() - 1 : s.fetch.size() - 2;
        if (p + 1 == s.fetch.size()) s.fetch.push_back(lower + 1);
        s.at[(size_t)i] = (int)p;
    }
    s.whole = s.fetch.back() - s.fetch.front() + 1 == (int64_t)s.fetch.size();
    return s;
}

int64_t Span(const AxisSamples& s) { return s.fetch.back() - s.fetch.front() + 1; }

void MakeWhole(AxisSamples& s)
{
    if (s.whole) return;
    const int64_t first = s.fetch.front();
    for (int& a : s.at) a = (int)(s.fetch[(size_t)a] - first);
    const int64_t span = Span(s);
    s.fetch.resize((size_t)span);
    for (int64_t i = 0; i < span; ++i) s.fetch[(size_t)i] = first + i;
    s.whole = true;
}

// Unbroken stretches of the fetched positions: (first index, count).
std::vector<std::pair<size_t, size_t>> Runs(const std::vector<int64_t>& fetch)
{
    std::vector<std::pair<size_t, size_t>> runs;
    for (size_t i = 0; i < fetch.size();) {
        size_t j = i + 1;
        while (j < fetch.size() && fetch[j] == fetch[j - 1] + 1) ++j;
        runs.emplace_back(i, j - i);
        i = j;
    }
    return runs;
}

bool Identity(const AxisSamples& s)
{
    for (size_t i = 0; i < s.at.size(); ++i)
        if (s.at[i] != (int)i || s.frac[i] != 0) return false;
    return true;
}

} // namespace

bool RenderRegion(const SlideSource& src, int64_t x0, int64_t y0, int w, int h, double scaleX,
                  double scaleY, RgbImage& out, RenderTimes* times)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point started = Clock::now();
    if (w <= 0 || h <= 0 || !(scaleX > 0) || !(scaleY > 0)) return false;
    int level = ChooseLevel(src, scaleX, scaleY);
    double ds = src.levelDownsample(level);
    int64_t lw = 0, lh = 0;
    src.levelSize(level, lw, lh);
    const double kx = 1.0 / (scaleX * ds), ky = 1.0 / (scaleY * ds);
    AxisSamples xs = SampleAxis(x0, w, kx, lw), ys = SampleAxis(y0, h, ky, lh);
    // One window holds what the sampling reads, unless it would be far larger
    // than the picture made from it (a scale far below the coarsest level, or
    // x and y scales far apart): then only the rows and columns the sampling
    // uses are read, so the work follows the picture's size, not the scale.
    const int64_t budget = std::max<int64_t>(kMaxRenderWindow, 16 * (int64_t)w * h);
    if (Span(xs) * Span(ys) <= budget) {
        MakeWhole(xs);
        MakeWhole(ys);
    } else if (Span(xs) <= 4 * (int64_t)w + 4) {
        MakeWhole(xs);
    } else if (Span(ys) <= 4 * (int64_t)h + 4) {
        MakeWhole(ys);
    }
    const size_t cw = xs.fetch.size(), ch = ys.fetch.size();
    std::vector<uint8_t> srcPix(cw * ch * 3);
    const auto xRuns = Runs(xs.fetch), yRuns = Runs(ys.fetch);
    std::vector<uint8_t> block;
    for (const auto& [yi, yn] : yRuns) {
        if (xRuns.size() == 1) {
            if (!src.readLevel(level, xs.fetch[0], ys.fetch[yi], (int)cw, (int)yn, &srcPix[yi * cw * 3])) return false;
            continue;
        }
        for (const auto& [xi, xn] : xRuns) {
            block.resize(xn * yn * 3);
            if (!src.readLevel(level, xs.fetch[xi], ys.fetch[yi], (int)xn, (int)yn, block.data())) return false;
            for (size_t r = 0; r < yn; ++r)
                std::memcpy(&srcPix[((yi + r) * cw + xi) * 3], &block[r * xn * 3], xn * 3);
        }
    }
    const Clock::time_point read = Clock::now();
    struct Stamp {
        RenderTimes* times;
        Clock::time_point started, read;
        ~Stamp()
        {
            if (!times) return;
            const Clock::time_point now = Clock::now();
            times->readMs = std::chrono::duration<double, std::milli>(read - started).count();
            times->scaleMs = std::chrono::duration<double, std::milli>(now - read).count();
        }
    } stamp{times, started, read};

    out.width = w;
    out.height = h;
    out.pixels.resize((size_t)w * h * 3);
    if (Identity(xs) && Identity(ys)) {
        // The level is the display scale: a plain copy.
        for (int j = 0; j < h; ++j)
            std::memcpy(&out.pixels[(size_t)j * w * 3], &srcPix[(size_t)j * cw * 3], (size_t)w * 3);
        return true;
    }
    for (int j = 0; j < h; ++j) {
        const int fy = ys.frac[(size_t)j];
        const uint8_t* r0 = &srcPix[(size_t)ys.at[(size_t)j] * cw * 3];
        const uint8_t* r1 = r0 + cw * 3;
        uint8_t* d = &out.pixels[(size_t)j * w * 3];
        for (int i = 0; i < w; ++i) {
            const int ix = xs.at[(size_t)i], fx = xs.frac[(size_t)i];
            for (int c = 0; c < 3; ++c) {
                int a = r0[ix * 3 + c] * (256 - fx) + r0[(ix + 1) * 3 + c] * fx;
                int b = r1[ix * 3 + c] * (256 - fx) + r1[(ix + 1) * 3 + c] * fx;
                *d++ = (uint8_t)((a * (256 - fy) + b * fy + 32768) >> 16);
            }
        }
    }
    return true;
}

std::string ToGb2312(const std::string& utf8)
{
    iconv_t cd = iconv_open("GB2312", "UTF-8");
    if (cd == (iconv_t)-1) return utf8;
    std::string out;
    char buf[256];
    char* in = const_cast<char*>(utf8.data());
    size_t inLeft = utf8.size();
    while (inLeft > 0) {
        char* o = buf;
        size_t oLeft = sizeof buf;
        size_t r = iconv(cd, &in, &inLeft, &o, &oLeft);
        out.append(buf, (size_t)(o - buf));
        if (r == (size_t)-1) {
            if (errno == E2BIG) continue;
            // Skip one UTF-8 character that has no GB2312 form (or is broken).
            size_t skip = 1;
            while (skip < inLeft && ((unsigned char)in[skip] & 0xC0) == 0x80) ++skip;
            in += skip;
            inLeft -= skip;
            out.push_back('?');
        }
    }
    iconv_close(cd);
    return out;
}

std::string CutGb2312(const std::string& text, size_t n)
{
    size_t i = 0;
    while (i < text.size()) {
        size_t step = ((unsigned char)text[i] >= 0x80) ? 2 : 1;
        if (i + step > n || i + step > text.size()) break;
        i += step;
    }
    return text.substr(0, i);
}

} // namespace slideserver
} // namespace zelvo
