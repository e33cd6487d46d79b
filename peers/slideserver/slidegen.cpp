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

void Put32(std::vector<uint8_t>& v, uint32_t x)
{
    for (int i = 0; i < 4; ++i) v.push_back((uint8_t)(x >> (8 * i)));
}

// One note record: attribute block (anchor, box, font, colours), then the
// text with its NUL behind its length.
void PutNote(std::vector<uint8_t>& v, uint32_t type, int32_t ax, int32_t ay, int32_t boxW, int32_t boxH,
             const std::string& text)
{
    Put32(v, type);
    std::vector<uint8_t> block(136, 0);
    auto set = [&](size_t off, uint32_t x) { for (int i = 0; i < 4; ++i) block[off + i] = (uint8_t)(x >> (8 * i)); };
    set(0, (uint32_t)ax);
    set(4, (uint32_t)ay);
    // The box keeps its screen offset from the anchor: up and to the right.
    set(8, (uint32_t)(ax + 40));
    set(12, (uint32_t)(ay - 40 - boxH));
    set(16, (uint32_t)(ax + 40 + boxW));
    set(20, (uint32_t)(ay - 40));
    set(40, (uint32_t)-16); // lfHeight
    set(56, 400);           // lfWeight
    block[63] = 134;        // GB2312 character set
    std::string face = Gb2312("宋体");
    std::memcpy(&block[68], face.data(), std::min<size_t>(face.size(), 31));
    set(100, 1);            // translucent
    set(120, 0xFFFFFF);
    set(124, 0x7F7F7F);
    set(128, 0x7F7F7F);
    set(132, 0x000000);
    v.insert(v.end(), block.begin(), block.end());
    Put32(v, (uint32_t)text.size() + 1);
    v.insert(v.end(), text.begin(), text.end());
    v.push_back(0);
}

// The demo marks: a text note at a cluster of cells and a picture hot spot
// whose picture (media/closeup.jpg) the viewer fetches from the server.
std::vector<uint8_t> DemoMarks(const Specimen& sp)
{
    const char sig[] = "TessarokV20";
    std::vector<uint8_t> out;
    Put32(out, 0); // no caption
    Put32(out, sizeof sig - 1);
    out.insert(out.end(), sig, sig + sizeof sig - 1);
    Put32(out, 2);
    PutNote(out, 2, (int32_t)(sp.width * 0.4), (int32_t)(sp.height * 0.35), 220, 60, Gb2312("示例：细胞核密集区"));
    PutNote(out, 101, (int32_t)(sp.width / 2), (int32_t)(sp.height / 2), 200, 150, "C:\\ZelvoSlides\\media\\closeup.jpg");
    return out;
}

int Usage()
{
    std::fputs("usage: slidegen --out DIR [--small]\n"
               "Writes the demo slide library into DIR: three synthetic specimens of 40000 x 30000\n"
               "pixels at 0.25 um/pixel (he.tif, ihc.tif, trichrome.tif; tiled, pyramidal,\n"
               "JPEG-compressed TIFF), a plain picture (picture.jpg), marks beside he.tif (he.mrk:\n"
               "a text note and a picture hot spot naming the media file)\n"
               "and a media file (media/closeup.jpg). --small writes one specimen of 3000 x 2200\n"
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
    struct Extra { fs::path file; std::function<std::vector<uint8_t>()> make; };
    std::vector<Extra> extras = {
        {fs::path(out) / "picture.jpg", [&] { return PictureOf(first, first.width / 3, first.height / 3, 1600, 1200); }},
        {fs::path(out) / (stem + ".mrk"), [&] { return DemoMarks(first); }},
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
