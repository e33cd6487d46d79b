// slidegen: writes the built-in demo slide library. Specimens are synthetic
// tissue drawn procedurally (the same coordinates always give the same
// pixels) into tiled, pyramidal, JPEG-compressed TIFF that OpenSlide reads as
// a generic tiled TIFF.
#include <tiffio.h>
#include <jpeglib.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>
#include <iconv.h>

#include "annotation/ImageGroupFile.h"
#include "annotation/ObjectFiles.h"
#include "annotation/ObjectRecords.h"
#include "bytes/ByteReader.h"

namespace fs = std::filesystem;

namespace {

constexpr int kTile = 256;
constexpr double kMicronsPerPixel = 0.25;
constexpr int kQuality = 80;

void ParallelFor(int n, const std::function<void(int)>& fn)
{
    int threads = std::max(1u, std::thread::hardware_concurrency());
    threads = std::min(threads, n);
    std::atomic<int> next{0};
    std::vector<std::thread> pool;
    for (int t = 0; t < threads; ++t)
        pool.emplace_back([&] {
            for (int i = next++; i < n; i = next++) fn(i);
        });
    for (auto& t : pool) t.join();
}

inline uint32_t Hash(uint32_t x, uint32_t y, uint32_t seed)
{
    uint32_t h = x * 0x8da6b343u ^ y * 0xd8163841u ^ seed * 0xcb1ab31fu;
    h ^= h >> 15;
    h *= 0x2c1b3c6du;
    h ^= h >> 12;
    h *= 0x297a2d39u;
    h ^= h >> 15;
    return h;
}
inline float Unit(uint32_t h) { return (h & 0xFFFFFF) / 16777216.0f; }

// Smooth value noise in [0, 1].
float ValueNoise(double x, double y, uint32_t seed)
{
    double fx = std::floor(x), fy = std::floor(y);
    int32_t ix = (int32_t)fx, iy = (int32_t)fy;
    float tx = (float)(x - fx), ty = (float)(y - fy);
    tx = tx * tx * (3 - 2 * tx);
    ty = ty * ty * (3 - 2 * ty);
    float a = Unit(Hash(ix, iy, seed)), b = Unit(Hash(ix + 1, iy, seed));
    float c = Unit(Hash(ix, iy + 1, seed)), d = Unit(Hash(ix + 1, iy + 1, seed));
    return (a + (b - a) * tx) * (1 - ty) + (c + (d - c) * tx) * ty;
}

float Fractal(double x, double y, uint32_t seed)
{
    return 0.55f * ValueNoise(x, y, seed) + 0.3f * ValueNoise(x * 2.1, y * 2.1, seed + 1) +
           0.15f * ValueNoise(x * 4.3, y * 4.3, seed + 2);
}

struct Rgb { float r, g, b; };
inline Rgb Mix(Rgb a, Rgb b, float t) { return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t}; }

struct Style {
    const char* name;
    uint32_t seed;
    Rgb background, stroma, fibre, cytoplasm, positive, nucleus;
    float cellSize;      // level-0 pixels between cell centres
    float positiveShare; // share of cells with the second cytoplasm colour
    float fibreAngle;
};

const Style kStyles[] = {
    {"he", 11, {244, 243, 247}, {232, 160, 196}, {214, 112, 162}, {238, 178, 208}, {226, 140, 190}, {86, 48, 138}, 28, 0.2f, 0.5f},
    {"ihc", 23, {246, 245, 240}, {226, 218, 222}, {205, 196, 206}, {215, 208, 215}, {150, 92, 44}, {66, 88, 150}, 24, 0.35f, 1.2f},
    {"trichrome", 37, {247, 247, 247}, {112, 150, 205}, {60, 100, 185}, {205, 70, 82}, {220, 110, 120}, {56, 36, 62}, 32, 0.25f, 2.2f},
};

struct Specimen {
    const Style* style;
    int64_t width, height;
};

// Fills a w x h RGB block of level 0 starting at (x0, y0).
void DrawBlock(const Specimen& sp, int64_t x0, int64_t y0, int w, int h, uint8_t* out, int stride)
{
    const Style& s = *sp.style;
    const float cs = s.cellSize;
    // Tissue mask and fibre warp on a coarse grid, interpolated per pixel.
    const int g = 16;
    int gw = w / g + 2, gh = h / g + 2;
    std::vector<float> mask((size_t)gw * gh), warp((size_t)gw * gh), cellular((size_t)gw * gh);
    double cx = sp.width * 0.5, cy = sp.height * 0.5;
    double scale = std::max(sp.width, sp.height) / 10.0;
    for (int j = 0; j < gh; ++j)
        for (int i = 0; i < gw; ++i) {
            double X = x0 + i * g, Y = y0 + j * g;
            double ex = (X - cx) / (sp.width * 0.46), ey = (Y - cy) / (sp.height * 0.44);
            double env = 1.0 - ex * ex - ey * ey;
            float n = Fractal(X / scale, Y / scale, s.seed);
            float m = (float)(env * 0.9 + (n - 0.5) * 0.9);
            float holes = Fractal(X / 900.0, Y / 900.0, s.seed + 7);
            if (holes > 0.72f) m -= (holes - 0.72f) * 6;
            mask[(size_t)j * gw + i] = std::min(1.0f, std::max(0.0f, m * 12.0f));
            warp[(size_t)j * gw + i] = Fractal(X / 700.0, Y / 700.0, s.seed + 3) * 160.0f;
            cellular[(size_t)j * gw + i] = Fractal(X / 2500.0, Y / 2500.0, s.seed + 5);
        }
    // Cell centres around the block.
    int64_t c0x = (int64_t)std::floor(x0 / cs) - 1, c0y = (int64_t)std::floor(y0 / cs) - 1;
    int cw = (int)(w / cs) + 4, ch = (int)(h / cs) + 4;
    std::vector<float> px((size_t)cw * ch), py((size_t)cw * ch);
    std::vector<uint32_t> ph((size_t)cw * ch);
    for (int j = 0; j < ch; ++j)
        for (int i = 0; i < cw; ++i) {
            uint32_t hsh = Hash((uint32_t)(c0x + i), (uint32_t)(c0y + j), s.seed + 11);
            size_t k = (size_t)j * cw + i;
            px[k] = (float)((c0x + i) * cs - x0) + cs * (0.15f + 0.7f * Unit(hsh));
            py[k] = (float)((c0y + j) * cs - y0) + cs * (0.15f + 0.7f * Unit(hsh * 2654435761u));
            ph[k] = hsh;
        }
    float ca = std::cos(s.fibreAngle), sa = std::sin(s.fibreAngle);
    for (int y = 0; y < h; ++y) {
        int gj = y / g;
        float fy = (y % g) / (float)g;
        uint8_t* d = out + (size_t)y * stride;
        for (int x = 0; x < w; ++x, d += 3) {
            int gi = x / g;
            float fx = (x % g) / (float)g;
            size_t k = (size_t)gj * gw + gi;
            auto lerp = [&](const std::vector<float>& v) {
                float a = v[k] + (v[k + 1] - v[k]) * fx;
                float b = v[k + gw] + (v[k + gw + 1] - v[k + gw]) * fx;
                return a + (b - a) * fy;
            };
            float t = lerp(mask);
            Rgb c = s.background;
            if (t > 0) {
                float X = (float)x, Y = (float)y;
                float phase = ((float)(x0 % 100000) + X) * ca + ((float)(y0 % 100000) + Y) * sa + lerp(warp);
                float tri = std::fabs(2.0f * (phase / 14.0f - std::floor(phase / 14.0f)) - 1.0f);
                float fib = tri * tri * tri * tri;
                Rgb tissue = Mix(s.stroma, s.fibre, fib);
                float cellDensity = lerp(cellular);
                if (cellDensity > 0.42f) {
                    int ci = (int)((x + (x0 - (c0x + 1) * cs)) / cs) + 1;
                    int cj = (int)((y + (y0 - (c0y + 1) * cs)) / cs) + 1;
                    float best = 1e9f;
                    uint32_t bh = 0;
                    for (int dj = -1; dj <= 1; ++dj)
                        for (int di = -1; di <= 1; ++di) {
                            int ii = std::min(cw - 1, std::max(0, ci + di)), jj = std::min(ch - 1, std::max(0, cj + dj));
                            size_t q = (size_t)jj * cw + ii;
                            float dx = px[q] - X, dy = py[q] - Y;
                            float dd = dx * dx + dy * dy;
                            if (dd < best) { best = dd; bh = ph[q]; }
                        }
                    float present = Unit(bh >> 3);
                    if (present < (cellDensity - 0.42f) * 4.0f) {
                        float rn = cs * (0.14f + 0.08f * Unit(bh >> 5));
                        float rc = cs * 0.42f;
                        bool positive = Unit(bh >> 7) < s.positiveShare;
                        if (best < rn * rn) {
                            float chrom = Unit(Hash((uint32_t)(x0 + x) >> 1, (uint32_t)(y0 + y) >> 1, bh));
                            Rgb n = s.nucleus;
                            float rim = best / (rn * rn);
                            tissue = Mix(n, Rgb{n.r * 0.7f, n.g * 0.7f, n.b * 0.8f}, 0.5f * rim + 0.3f * chrom);
                        } else if (best < rc * rc) {
                            tissue = positive ? s.positive : s.cytoplasm;
                        }
                    }
                }
                c = Mix(s.background, tissue, t);
            }
            float grain = (Unit(Hash((uint32_t)(x0 + x), (uint32_t)(y0 + y), s.seed)) - 0.5f) * 10.0f;
            d[0] = (uint8_t)std::min(255.0f, std::max(0.0f, c.r + grain));
            d[1] = (uint8_t)std::min(255.0f, std::max(0.0f, c.g + grain));
            d[2] = (uint8_t)std::min(255.0f, std::max(0.0f, c.b + grain));
        }
    }
}

bool EncodeJpeg(const uint8_t* rgb, int w, int h, int stride, int quality, std::vector<uint8_t>& out)
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* buf = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buf, &size);
    cinfo.image_width = w;
    cinfo.image_height = h;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    // No JFIF marker: the TIFF tags say YCbCr, the stream must not disagree.
    cinfo.write_JFIF_header = FALSE;
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rgb + (size_t)cinfo.next_scanline * stride);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    out.assign(buf, buf + size);
    jpeg_destroy_compress(&cinfo);
    free(buf);
    return true;
}

// One pyramid level being filled band by band (a band is one row of tiles).
struct Level {
    int64_t width, height;
    std::vector<uint8_t> band; // width x kTile RGB, white beyond the image
    int bandRows = 0;
    int64_t rowsDone = 0;
    int bandIndex = 0;
    std::vector<std::vector<uint8_t>> tiles; // encoded, row-major
};

class PyramidWriter {
public:
    PyramidWriter(TIFF* tiff, int64_t w, int64_t h, const std::string& description) : m_tiff(tiff), m_description(description)
    {
        while (true) {
            Level l;
            l.width = w;
            l.height = h;
            m_levels.push_back(std::move(l));
            if (std::max(w, h) <= 1000 || m_levels.size() >= 12) break;
            w = (w + 1) / 2;
            h = (h + 1) / 2;
        }
        for (auto& l : m_levels) {
            l.band.assign((size_t)Columns(l) * kTile * kTile * 3, 255);
            l.tiles.resize((size_t)Columns(l) * Rows(l));
        }
        SetTags(0);
    }

    // Rows of level 0, in order, each width RGB pixels.
    void AddRows(const uint8_t* rows, int n) { Add(0, rows, n); }

    bool Finish()
    {
        if (!TIFFWriteDirectory(m_tiff)) return false;
        for (size_t li = 1; li < m_levels.size(); ++li) {
            SetTags((int)li);
            for (size_t t = 0; t < m_levels[li].tiles.size(); ++t) {
                auto& tile = m_levels[li].tiles[t];
                if (TIFFWriteRawTile(m_tiff, (uint32_t)t, tile.data(), (tmsize_t)tile.size()) < 0) return false;
                std::vector<uint8_t>().swap(tile);
            }
            if (!TIFFWriteDirectory(m_tiff)) return false;
        }
        return !m_failed;
    }

private:
    static int Columns(const Level& l) { return (int)((l.width + kTile - 1) / kTile); }
    static int Rows(const Level& l) { return (int)((l.height + kTile - 1) / kTile); }

    void SetTags(int li)
    {
        const Level& l = m_levels[li];
        TIFFSetField(m_tiff, TIFFTAG_SUBFILETYPE, li ? FILETYPE_REDUCEDIMAGE : 0);
        TIFFSetField(m_tiff, TIFFTAG_IMAGEWIDTH, (uint32_t)l.width);
        TIFFSetField(m_tiff, TIFFTAG_IMAGELENGTH, (uint32_t)l.height);
        TIFFSetField(m_tiff, TIFFTAG_TILEWIDTH, kTile);
        TIFFSetField(m_tiff, TIFFTAG_TILELENGTH, kTile);
        TIFFSetField(m_tiff, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(m_tiff, TIFFTAG_SAMPLESPERPIXEL, 3);
        TIFFSetField(m_tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(m_tiff, TIFFTAG_COMPRESSION, COMPRESSION_JPEG);
        TIFFSetField(m_tiff, TIFFTAG_JPEGTABLESMODE, 0);
        TIFFSetField(m_tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_YCBCR);
        TIFFSetField(m_tiff, TIFFTAG_YCBCRSUBSAMPLING, 2, 2);
        double ds = (double)m_levels[0].width / l.width;
        TIFFSetField(m_tiff, TIFFTAG_RESOLUTIONUNIT, RESUNIT_CENTIMETER);
        TIFFSetField(m_tiff, TIFFTAG_XRESOLUTION, (float)(10000.0 / (kMicronsPerPixel * ds)));
        TIFFSetField(m_tiff, TIFFTAG_YRESOLUTION, (float)(10000.0 / (kMicronsPerPixel * ds)));
        if (li == 0) TIFFSetField(m_tiff, TIFFTAG_IMAGEDESCRIPTION, m_description.c_str());
        TIFFSetField(m_tiff, TIFFTAG_SOFTWARE, "slidegen");
    }

    void Add(size_t li, const uint8_t* rows, int n)
    {
        Level& l = m_levels[li];
        size_t rowBytes = (size_t)l.width * 3;
        size_t bandStride = (size_t)Columns(l) * kTile * 3;
        for (int r = 0; r < n; ++r) {
            std::memcpy(&l.band[(size_t)l.bandRows * bandStride], rows + r * rowBytes, rowBytes);
            ++l.bandRows;
            ++l.rowsDone;
            if (l.bandRows == kTile || l.rowsDone == l.height) Flush(li);
        }
    }

    void Flush(size_t li)
    {
        Level& l = m_levels[li];
        int cols = Columns(l);
        size_t bandStride = (size_t)cols * kTile * 3;
        // Rows of the band past the image stay white.
        for (int r = l.bandRows; r < kTile; ++r) std::memset(&l.band[(size_t)r * bandStride], 255, bandStride);
        std::vector<std::vector<uint8_t>> encoded(cols);
        ParallelFor(cols, [&](int c) {
            EncodeJpeg(&l.band[(size_t)c * kTile * 3], kTile, kTile, (int)bandStride, kQuality, encoded[c]);
        });
        for (int c = 0; c < cols; ++c) {
            size_t index = (size_t)l.bandIndex * cols + c;
            if (li == 0) {
                if (TIFFWriteRawTile(m_tiff, (uint32_t)index, encoded[c].data(), (tmsize_t)encoded[c].size()) < 0)
                    m_failed = true;
            } else {
                l.tiles[index] = std::move(encoded[c]);
            }
        }
        if (li + 1 < m_levels.size()) {
            // Halve the band into the next level, averaging 2 x 2 pixels.
            const Level& nl = m_levels[li + 1];
            int outRows = (l.bandRows + 1) / 2;
            std::vector<uint8_t> half((size_t)outRows * nl.width * 3);
            ParallelFor(outRows, [&](int r) {
                const uint8_t* a = &l.band[(size_t)(2 * r) * bandStride];
                const uint8_t* b = (2 * r + 1 < l.bandRows) ? a + bandStride : a;
                uint8_t* d = &half[(size_t)r * nl.width * 3];
                for (int64_t x = 0; x < nl.width; ++x) {
                    int64_t x1 = std::min<int64_t>(2 * x + 1, l.width - 1);
                    for (int ch = 0; ch < 3; ++ch)
                        d[x * 3 + ch] = (uint8_t)((a[2 * x * 3 + ch] + a[x1 * 3 + ch] + b[2 * x * 3 + ch] + b[x1 * 3 + ch] + 2) / 4);
                }
            });
            l.bandRows = 0;
            ++l.bandIndex;
            std::memset(l.band.data(), 255, l.band.size());
            Add(li + 1, half.data(), outRows);
            return;
        }
        l.bandRows = 0;
        ++l.bandIndex;
        std::memset(l.band.data(), 255, l.band.size());
    }

    TIFF* m_tiff;
    std::string m_description;
    std::vector<Level> m_levels;
    bool m_failed = false;
};

bool WriteSpecimen(const fs::path& file, const Specimen& sp)
{
    fs::path tmp = file;
    tmp += ".part";
    TIFF* tiff = TIFFOpen(tmp.c_str(), "w8");
    if (!tiff) return false;
    char description[160];
    std::snprintf(description, sizeof description, "Zelvo synthetic specimen (%s), %lldx%lld, %.2f um/pixel", sp.style->name,
                  (long long)sp.width, (long long)sp.height, kMicronsPerPixel);
    bool ok;
    {
        PyramidWriter writer(tiff, sp.width, sp.height, description);
        std::vector<uint8_t> rows((size_t)sp.width * kTile * 3);
        for (int64_t y = 0; y < sp.height; y += kTile) {
            int n = (int)std::min<int64_t>(kTile, sp.height - y);
            int blocks = (int)((sp.width + kTile - 1) / kTile);
            ParallelFor(blocks, [&](int b) {
                int64_t x = (int64_t)b * kTile;
                int w = (int)std::min<int64_t>(kTile, sp.width - x);
                DrawBlock(sp, x, y, w, n, &rows[(size_t)x * 3], (int)(sp.width * 3));
            });
            writer.AddRows(rows.data(), n);
        }
        ok = writer.Finish();
    }
    TIFFClose(tiff);
    std::error_code ec;
    if (ok) fs::rename(tmp, file, ec);
    if (!ok || ec) {
        fs::remove(tmp, ec);
        return false;
    }
    return true;
}

bool WriteBytes(const fs::path& file, const std::vector<uint8_t>& bytes)
{
    fs::path tmp = file;
    tmp += ".part";
    std::FILE* f = std::fopen(tmp.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = (std::fclose(f) == 0) && ok;
    std::error_code ec;
    if (ok) fs::rename(tmp, file, ec);
    return ok && !ec;
}

// A plain picture of the specimen at a downsample.
std::vector<uint8_t> PictureOf(const Specimen& sp, int64_t x0, int64_t y0, int w, int h)
{
    std::vector<uint8_t> rgb((size_t)w * h * 3);
    ParallelFor(h, [&](int y) { DrawBlock(sp, x0, y0 + y, w, 1, &rgb[(size_t)y * w * 3], w * 3); });
    std::vector<uint8_t> jpeg;
    EncodeJpeg(rgb.data(), w, h, w * 3, 90, jpeg);
    return jpeg;
}

std::string Gb2312(const std::string& utf8)
{
    iconv_t cd = iconv_open("GB2312", "UTF-8");
    if (cd == (iconv_t)-1) return "?";
    std::string out(utf8.size() * 2 + 4, '\0');
    char* in = const_cast<char*>(utf8.data());
    size_t inLeft = utf8.size(), outLeft = out.size();
    char* o = &out[0];
    size_t r = iconv(cd, &in, &inLeft, &o, &outLeft);
    iconv_close(cd);
    if (r == (size_t)-1) return "?";
    out.resize(out.size() - outLeft);
    return out;
}

using namespace zelvo::annotation;
using zelvo::ByteWriter;

AttributeBlock NoteAttributes(int32_t ax, int32_t ay, int32_t boxW, int32_t boxH)
{
    AttributeBlock a;
    a.SetInt(AttributeBlock::kAnchor, ax);
    a.SetInt(AttributeBlock::kAnchor + 4, ay);
    // The box keeps its screen offset from the anchor: up and to the right.
    a.SetInt(AttributeBlock::kBox, ax + 40);
    a.SetInt(AttributeBlock::kBox + 4, ay - 40 - boxH);
    a.SetInt(AttributeBlock::kBox + 8, ax + 40 + boxW);
    a.SetInt(AttributeBlock::kBox + 12, ay - 40);
    a.SetInt(AttributeBlock::kFont, -16);      // lfHeight
    a.SetInt(AttributeBlock::kFont + 16, 400); // lfWeight
    a.bytes()[AttributeBlock::kFont + 23] = 134;  // GB2312 character set
    const std::string face = Gb2312("宋体");
    std::memcpy(a.bytes().data() + AttributeBlock::kFont + 28, face.data(), std::min<size_t>(face.size(), 31));
    a.SetInt(AttributeBlock::kBkMode, 1);  // translucent
    a.SetInt(120, 0xFFFFFF);                // text, text background, fill, border colours
    a.SetInt(124, 0x7F7F7F);
    a.SetInt(128, 0x7F7F7F);
    a.SetInt(132, 0x000000);
    return a;
}

void PutNote(ByteWriter& w, int32_t type, int32_t ax, int32_t ay, int32_t boxW, int32_t boxH, const std::string& text)
{
    NoteRecord note;
    note.attributes = NoteAttributes(ax, ay, boxW, boxH);
    note.text = text;
    WriteObject(w, type, note);
}

// Shapes draw in the border colour: a blue that shows on every stain.
AttributeBlock ShapeAttributes()
{
    AttributeBlock a;
    a.SetInt(132, 0xFF4000);
    a.SetInt(128, 0xFFFFFF);
    return a;
}

// The points of a closed wavy outline about a centre, image pixels.
std::vector<zelvo::geom::Point> Blob(int32_t cx, int32_t cy, int32_t r, int n)
{
    std::vector<zelvo::geom::Point> points;
    for (int i = 0; i < n; ++i) {
        const double t = 2 * M_PI * i / n;
        const double k = 1 + 0.18 * std::sin(3 * t);
        points.push_back({(int32_t)(cx + r * k * std::cos(t)), (int32_t)(cy + r * k * std::sin(t))});
    }
    return points;
}

const char kMediaPrefix[] = "C:\\ZelvoSlides\\media\\";

// The demo marks: the slide's description, notes, one shape of each kind
// the annotations hold and the three media hot spots, spread over the
// slide so that each shows on its own in the fitted view. The media hot
// spots name files of the library's media folder that the viewer fetches.
std::vector<uint8_t> DemoMarks(const Specimen& sp, const std::string& groupName)
{
    const int32_t W = (int32_t)sp.width, H = (int32_t)sp.height;
    auto X = [&](double f) { return (int32_t)(W * f); };
    auto Y = [&](double f) { return (int32_t)(H * f); };
    const int32_t unit = std::min(W, H) / 20;
    ByteWriter w;
    const std::string caption = Gb2312("示例切片：苏木精-伊红染色");
    WriteAnnotationHeader(w, caption, 15);
    {
        // The description lives in window coordinates: a box far to the
        // right is pinned to the window's right edge when it is read.
        NoteRecord description;
        description.attributes = NoteAttributes(0, 0, 0, 0);
        const int32_t box[4] = {4000, 8, 4000 + 330, 8 + 48};
        for (int i = 0; i < 4; ++i) description.attributes.SetInt(AttributeBlock::kBox + 4 * i, box[i]);
        description.text = caption;
        WriteObject(w, 1, description);
    }
    PutNote(w, 2, X(0.4), Y(0.35), 220, 60, Gb2312("示例：细胞核密集区"));
    PutNote(w, 3, X(0.1), Y(0.9), 160, 40, Gb2312("题示：切片边缘"));
    PutNote(w, 101, X(0.5), Y(0.5), 200, 150, std::string(kMediaPrefix) + "closeup.jpg");
    PutNote(w, 102, X(0.75), Y(0.3), 200, 150, std::string(kMediaPrefix) + "clip.avi");
    PutNote(w, 103, X(0.25), Y(0.6), 200, 150, std::string(kMediaPrefix) + groupName);

    RegionRecord region;
    region.attributes = ShapeAttributes();
    region.points = Blob(X(0.47), Y(0.75), unit, 24);
    WriteObject(w, 4, region);
    SegmentRecord arc;
    arc.attributes = ShapeAttributes();
    arc.points = {{X(0.3), Y(0.12)}, {X(0.36), Y(0.06)}, {X(0.42), Y(0.12)}};
    WriteObject(w, 8, arc);
    CircleRecord circle;
    circle.attributes = ShapeAttributes();
    circle.SetGeometry({X(0.62), Y(0.12)}, unit);
    WriteObject(w, 9, circle);
    auto framed = [&](int32_t type, int32_t cx, int32_t cy, int32_t a, int32_t b) {
        FramedRecord r;
        r.attributes = ShapeAttributes();
        r.SetHandle(0, {cx - a, cy});
        r.SetHandle(1, {cx + a, cy});
        r.SetHandle(2, {cx, cy - b});
        r.SetHandle(3, {cx, cy + b});
        WriteObject(w, type, r);
    };
    framed(10, X(0.1), Y(0.42), unit * 3 / 2, unit);
    framed(11, X(0.88), Y(0.55), unit * 3 / 2, unit);
    framed(12, X(0.62), Y(0.85), unit * 2, unit / 2);
    framed(13, X(0.85), Y(0.85), unit * 2, unit / 2);
    FreehandRecord line;
    line.attributes = ShapeAttributes();
    for (int i = 0; i <= 40; ++i)
        line.points.push_back({X(0.3) + unit * 4 * i / 40, Y(0.85) + (int32_t)(unit / 2 * std::sin(i * 0.5))});
    WriteObject(w, 14, line);
    // A note pointing into the region: the region's hover shows it too.
    PutNote(w, 2, X(0.47), Y(0.75), 120, 40, Gb2312("区域标示"));
    return w.take();
}

// The image group of the demo: crops of the specimen behind the group index.
std::vector<uint8_t> DemoGroup(const Specimen& sp)
{
    std::vector<std::vector<uint8_t>> pictures;
    for (int i = 0; i < 3; ++i)
        pictures.push_back(PictureOf(sp, sp.width / 4 + i * 600, sp.height * 6 / 10, 640, 480));
    std::vector<uint64_t> sizes;
    for (const auto& p : pictures) sizes.push_back(p.size());
    std::vector<uint8_t> file = ImageGroupIndexBytes(0, ImageGroupOffsets(sizes));
    for (const auto& p : pictures) file.insert(file.end(), p.begin(), p.end());
    return file;
}

int Usage()
{
    std::fputs("usage: slidegen --out DIR [--small]\n"
               "Writes the demo slide library into DIR: three synthetic specimens of 40000 x 30000\n"
               "pixels at 0.25 um/pixel (he.tif, ihc.tif, trichrome.tif; tiled, pyramidal,\n"
               "JPEG-compressed TIFF), a plain picture (picture.jpg), marks beside he.tif (he.mrk:\n"
               "the description, notes, one shape of each annotation kind and picture, video and\n"
               "image-group hot spots naming media files) and the media files (media/closeup.jpg,\n"
               "media/he-demo#3.sjp; the video media/clip.avi is made by the scripts). --small writes one specimen of 3000 x 2200\n"
               "(small.tif) instead of the three, for tests. Files already there are kept.\n",
               stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    std::string out;
    bool small = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--out" && i + 1 < argc) out = argv[++i];
        else if (a == "--small") small = true;
        else return Usage();
    }
    if (out.empty()) return Usage();
    TIFFSetWarningHandler(nullptr);
    std::error_code ec;
    fs::create_directories(fs::path(out) / "media", ec);
    if (ec) {
        std::fprintf(stderr, "slidegen: cannot create %s\n", out.c_str());
        return 1;
    }
    std::vector<std::pair<std::string, Specimen>> specimens;
    if (small) {
        specimens.push_back({"small.tif", {&kStyles[0], 3000, 2200}});
    } else {
        specimens.push_back({"he.tif", {&kStyles[0], 40000, 30000}});
        specimens.push_back({"ihc.tif", {&kStyles[1], 40000, 30000}});
        specimens.push_back({"trichrome.tif", {&kStyles[2], 40000, 30000}});
    }
    int failures = 0;
    for (auto& [name, sp] : specimens) {
        fs::path file = fs::path(out) / name;
        if (fs::exists(file)) continue;
        std::fprintf(stderr, "slidegen: writing %s\n", file.c_str());
        if (!WriteSpecimen(file, sp)) {
            std::fprintf(stderr, "slidegen: cannot write %s\n", file.c_str());
            ++failures;
        }
    }
    const Specimen& first = specimens[0].second;
    std::string stem = fs::path(specimens[0].first).stem().string();
    const std::string groupName = stem + "-demo#3.sjp";
    struct Extra { fs::path file; std::function<std::vector<uint8_t>()> make; };
    std::vector<Extra> extras = {
        {fs::path(out) / "picture.jpg", [&] { return PictureOf(first, first.width / 3, first.height / 3, 1600, 1200); }},
        {fs::path(out) / (stem + ".mrk"), [&] { return DemoMarks(first, groupName); }},
        {fs::path(out) / "media" / groupName, [&] { return DemoGroup(first); }},
        {fs::path(out) / "media" / "closeup.jpg", [&] { return PictureOf(first, first.width / 2, first.height / 2, 800, 600); }},
    };
    for (auto& e : extras) {
        if (fs::exists(e.file)) continue;
        if (!WriteBytes(e.file, e.make())) {
            std::fprintf(stderr, "slidegen: cannot write %s\n", e.file.c_str());
            ++failures;
        }
    }
    return failures ? 1 : 0;
}
