// catalogue_benchgen: writes a folder of numbered slide pictures for the
// catalogue benchmark: DIR/Bench/slide-NNNN.jpg, each a different picture.
#include "Imaging.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;
using namespace zelvo::slideserver;

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fputs("usage: catalogue_benchgen DIR COUNT [WIDTH HEIGHT]\n", stderr);
        return 2;
    }
    fs::path dir = fs::path(argv[1]) / "Bench";
    int count = std::atoi(argv[2]);
    int w = argc > 4 ? std::atoi(argv[3]) : 800, h = argc > 4 ? std::atoi(argv[4]) : 600;
    std::error_code ec;
    fs::create_directories(dir, ec);
    RgbImage img;
    img.width = w;
    img.height = h;
    img.pixels.resize((size_t)w * h * 3);
    for (int i = 0; i < count; ++i) {
        // A tinted specimen-like blob whose place and colour depend on the number.
        int cx = w / 4 + (i * 37) % (w / 2), cy = h / 4 + (i * 53) % (h / 2), r = h / 4 + i % (h / 5);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                uint8_t* p = &img.pixels[((size_t)y * w + x) * 3];
                long dx = x - cx, dy = y - cy;
                bool inside = dx * dx + dy * dy < (long)r * r;
                int grain = ((x * 7 + y * 13 + i) % 17) * 3;
                p[0] = (uint8_t)(inside ? 200 + grain / 3 : 245);
                p[1] = (uint8_t)(inside ? 110 + (i % 60) + grain / 2 : 242);
                p[2] = (uint8_t)(inside ? 170 + grain / 4 : 248);
            }
        std::vector<uint8_t> jpeg;
        if (!EncodeJpeg(img, 85, jpeg)) return 1;
        char name[64];
        std::snprintf(name, sizeof name, "slide-%04d.jpg", i);
        std::ofstream(dir / name, std::ios::binary).write(reinterpret_cast<const char*>(jpeg.data()), (std::streamsize)jpeg.size());
    }
    std::printf("%d pictures of %dx%d in %s\n", count, w, h, dir.string().c_str());
    return 0;
}
