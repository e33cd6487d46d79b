// Slide pixel sources (OpenSlide slides and plain pictures), region rendering
// at a display scale, and the JPEG and text conversions the replies need.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zelvo {
namespace slideserver {

struct RgbImage {
    int width = 0, height = 0;
    std::vector<uint8_t> pixels; // RGB, rows top to bottom
};

class SlideSource {
public:
    virtual ~SlideSource() = default;
    virtual bool isPicture() const = 0;
    virtual int levelCount() const = 0;
    virtual double levelDownsample(int level) const = 0;
    virtual void levelSize(int level, int64_t& w, int64_t& h) const = 0;
    // w x h RGB pixels of the level from (x, y) in that level's pixels; white
    // outside the image. False on a read error.
    virtual bool readLevel(int level, int64_t x, int64_t y, int w, int h, uint8_t* rgb) const = 0;
    // Micrometres per pixel along x (or y), 0 when the slide does not say.
    virtual double micronsPerPixel(bool y = false) const = 0;
    // Short format name for the title (UTF-8).
    virtual std::string formatName() const = 0;
    // Objective power, 0 when unknown.
    virtual double objectivePower() const { return 0; }

    int64_t width() const { int64_t w, h; levelSize(0, w, h); return w; }
    int64_t height() const { int64_t w, h; levelSize(0, w, h); return h; }
};

// Opens a slide through OpenSlide, or as a plain JPEG, BMP or TIFF picture.
// Null (with a reason) when neither reads it.
std::unique_ptr<SlideSource> OpenSlideSource(const std::string& path, std::string& error);

// Plain pictures larger than this are refused rather than decoded.
constexpr int64_t kMaxPicturePixels = 64ll * 1024 * 1024;

// Renders display pixels [x0, x0 + w) x [y0, y0 + h) of the image drawn at
// (scaleX, scaleY) display pixels per full-resolution pixel, from the
// smallest pyramid level that still has the needed resolution. Beyond the
// image the result is white.
// With times set, the milliseconds of the slide read and of the resampling.
struct RenderTimes {
    double readMs = 0, scaleMs = 0;
};
bool RenderRegion(const SlideSource& src, int64_t x0, int64_t y0, int w, int h, double scaleX,
                  double scaleY, RgbImage& out, RenderTimes* times = nullptr);

// The level RenderRegion reads for that scale.
int ChooseLevel(const SlideSource& src, double scaleX, double scaleY);

bool EncodeJpeg(const RgbImage& img, int quality, std::vector<uint8_t>& out);
bool DecodeJpeg(const uint8_t* data, size_t n, RgbImage& out);

// UTF-8 to GB2312 bytes; characters without a GB2312 form become '?'.
std::string ToGb2312(const std::string& utf8);
// Cuts GB2312 text to at most n bytes without splitting a two-byte character.
std::string CutGb2312(const std::string& text, size_t n);

} // namespace slideserver
} // namespace zelvo
