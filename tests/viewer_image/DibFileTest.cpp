#include "Dib.h"
#include "ImageFixtures.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

#include <cstdio>

using namespace image_fixtures;

namespace {

std::string WriteFile(const std::string& name, const std::vector<uint8_t>& bytes)
{
    std::string path = testing_support::OutputFolder() + "\\" + name;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f) {
        if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    return path;
}

} // namespace

TEST(DibBmp, RoundTripOfEveryDepth)
{
    for (uint16_t bits : {1, 4, 8, 24, 32}) {
        SCOPED_TRACE(bits);
        BmpParams s;
        s.width = 33;
        s.height = 5;
        s.bitCount = bits;
        std::vector<uint8_t> file = MakeBmp(s);
        CDib dib;
        ASSERT_TRUE(dib.Load(WriteFile("round.bmp", file).c_str()));
        EXPECT_EQ(CSize(33, 5), dib.GetSize());
        EXPECT_EQ(bits, dib.GetInfoHeader()->biBitCount);
        EXPECT_EQ(40u, dib.GetInfoHeader()->biSize);
        uint32_t image = StrideOf(33, bits) * 5;
        EXPECT_EQ(image, dib.GetImageSize());
        EXPECT_EQ(0, std::memcmp(dib.GetBits(), file.data() + file.size() - image, image));
        UINT colors = bits <= 8 ? 1u << bits : 0;
        EXPECT_EQ(colors, dib.GetColorCount());
        EXPECT_EQ(40 + 4 * colors, dib.GetHeaderSize());
        if (colors) {
            EXPECT_EQ(0, std::memcmp(dib.GetColorTable(), file.data() + 54, 4 * colors));
            EXPECT_NE(nullptr, dib.GetPalette());
        }
    }
}

TEST(DibBmp, ShortTablesGapsAndTopDownRows)
{
    BmpParams s;
    s.width = 4;
    s.height = -3;
    s.bitCount = 8;
    s.clrUsed = 2;
    s.colors = 2;
    s.headerSize = 108;
    s.gap = 6;
    std::vector<uint8_t> file = MakeBmp(s);
    CDib dib;
    ASSERT_TRUE(dib.Load(WriteFile("topdown.Bmp", file).c_str()));
    EXPECT_EQ(CSize(4, 3), dib.GetSize());
    EXPECT_EQ(256u, dib.GetColorCount());
    // The two entries of the file, then zeros; the pixels behind the full table.
    EXPECT_EQ(0, std::memcmp(dib.GetColorTable(), file.data() + 14 + 108, 8));
    EXPECT_EQ(0, dib.GetColorTable()[2].rgbGreen);
    EXPECT_EQ(dib.GetBits(), reinterpret_cast<BYTE*>(dib.GetInfoHeader()) + 40 + 1024);
    const uint8_t* pixels = file.data() + file.size() - 12;
    for (int r = 0; r < 3; ++r) EXPECT_EQ(0, std::memcmp(dib.GetBits() + r * 4, pixels + (2 - r) * 4, 4)) << r;
}

TEST(DibBmp, MalformedFilesFailWithTheirMessage)
{
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        const char* message;
    };
    std::vector<uint8_t> notBm = MakeBmp(BmpParams());
    notBm[1] = 'X';
    BmpParams cut;
    cut.cutPixels = 1;
    BmpParams offset;
    offset.pixelOffsetDelta = 5000;
    BmpParams colours;
    colours.bitCount = 8;
    colours.clrUsed = 257;
    BmpParams header;
    header.headerSize = 12;
    BmpParams rle;
    rle.bitCount = 8;
    rle.compression = 1;
    std::vector<Case> cases = {
        {"ten bytes", std::vector<uint8_t>(10, 'B'), "Error reading header"},
        {"not BM", notBm, "Invalid bitmap file"},
        {"pixels cut short", MakeBmp(cut), "Invalid bitmap file"},
        {"offset past the end", MakeBmp(offset), "Invalid bitmap file"},
        {"too many colours", MakeBmp(colours), "Invalid bitmap file"},
        {"core header", MakeBmp(header), "Invalid bitmap file"},
        {"run-length", MakeBmp(rle), "Invalid bitmap file"},
    };
    for (const Case& c : cases) {
        testing_support::MessageBoxRecorder boxes;
        CDib dib;
        EXPECT_FALSE(dib.Load(WriteFile("bad.bmp", c.bytes).c_str())) << c.what;
        EXPECT_TRUE(dib.IsEmpty()) << c.what;
        ASSERT_EQ(1u, boxes.boxes.size()) << c.what;
        EXPECT_EQ(c.message, boxes.boxes[0].text) << c.what;
    }
    testing_support::MessageBoxRecorder boxes;
    CDib dib;
    EXPECT_FALSE(dib.Load((testing_support::OutputFolder() + "\\no such file.bmp").c_str()));
    ASSERT_EQ(1u, boxes.boxes.size());
    EXPECT_EQ("Error reading file (exception thrown)", boxes.boxes[0].text);
}

TEST(DibBmp, ReadsFromTheFilesCurrentPosition)
{
    std::vector<uint8_t> bytes(7, 0xAB);
    std::vector<uint8_t> bmp = MakeBmp(BmpParams());
    bytes.insert(bytes.end(), bmp.begin(), bmp.end());
    CMemFile file(bytes.data(), (UINT)bytes.size());
    file.Seek(7, CFile::begin);
    CDib dib;
    ASSERT_TRUE(dib.ReadBmp(file));
    EXPECT_EQ(0, std::memcmp(dib.GetBits(), bmp.data() + 54, dib.GetImageSize()));
}

TEST(DibTiff, RoundTripOfEveryDepth)
{
    for (uint32_t bits : {1u, 4u, 8u, 24u}) {
        for (uint32_t strips : {1u, 2u}) {
            SCOPED_TRACE(testing::Message() << bits << " bits, " << strips << " strips");
            TiffParams s;
            s.width = 13;
            s.height = 4;
            s.bitCount = bits;
            s.strips = strips;
            s.colorMap = bits == 8;
            std::vector<uint8_t> file = MakeTiff(s);
            CDib dib;
            ASSERT_TRUE(dib.Load(WriteFile("round.tif", file).c_str()));
            EXPECT_EQ(CSize(13, 4), dib.GetSize());
            EXPECT_EQ((WORD)bits, dib.GetInfoHeader()->biBitCount);
            uint32_t rowBytes = TiffRowBytes(13, bits);
            for (uint32_t r = 0; r < 4; ++r) {
                // File row r is memory row 3 - r; 24-bit pixels turn into B, G, R.
                const uint8_t* in = file.data() + 8 + r * rowBytes;
                const BYTE* row = dib.GetBits() + (3 - r) * dib.GetRowStride();
                if (bits == 24) {
                    for (uint32_t x = 0; x < 13; ++x) {
                        EXPECT_EQ(in[3 * x], row[3 * x + 2]);
                        EXPECT_EQ(in[3 * x + 1], row[3 * x + 1]);
                        EXPECT_EQ(in[3 * x + 2], row[3 * x]);
                    }
                } else {
                    EXPECT_EQ(0, std::memcmp(in, row, rowBytes)) << r;
                }
            }
            if (bits == 8) {
                // Colour map: red, green and blue thirds of 16-bit values.
                EXPECT_EQ((uint8_t)((uint16_t)((5 * 97) << 4) >> 8), dib.GetColorTable()[5].rgbRed);
                EXPECT_EQ((uint8_t)((uint16_t)((261 * 97) << 4) >> 8), dib.GetColorTable()[5].rgbGreen);
                EXPECT_EQ((uint8_t)((uint16_t)((517 * 97) << 4) >> 8), dib.GetColorTable()[5].rgbBlue);
            } else if (bits == 4) {
                EXPECT_EQ(255, dib.GetColorTable()[15].rgbRed);
                EXPECT_EQ(17, dib.GetColorTable()[1].rgbBlue);
            }
        }
    }
}

TEST(DibTiff, MalformedFilesFail)
{
    std::vector<std::pair<const char*, TiffParams>> cases;
    TiffParams s;
    s.compression = 5;
    cases.push_back({"LZW", s});
    s = TiffParams();
    s.withCompression = false;
    cases.push_back({"no compression tag", s});
    s = TiffParams();
    s.claimHeight = 500;
    cases.push_back({"rows past the end", s});
    s = TiffParams();
    s.cut = 20;
    cases.push_back({"directory cut short", s});
    s = TiffParams();
    s.strips = 2;
    s.stripGap = 4;
    cases.push_back({"strips apart", s});
    s = TiffParams();
    s.bitCount = 2;
    cases.push_back({"2 bits", s});
    s = TiffParams();
    s.width = 70000;
    s.height = 1;
    s.claimHeight = 70000;
    cases.push_back({"huge", s});
    for (const auto& c : cases) {
        CDib dib;
        ASSERT_TRUE(dib.Create(4, 4, 24));
        EXPECT_FALSE(dib.Load(WriteFile("bad.tif", MakeTiff(c.second)).c_str())) << c.first;
        EXPECT_TRUE(dib.IsEmpty()) << c.first;
    }
    CDib dib;
    EXPECT_FALSE(dib.ReadTiff((testing_support::OutputFolder() + "\\missing.tif").c_str()));
}

TEST(DibLoad, NamesAndEndings)
{
    std::vector<uint8_t> bmp = MakeBmp(BmpParams());
    CDib dib;
    EXPECT_FALSE(dib.Load(_T("a.b")));
    EXPECT_FALSE(dib.Load(WriteFile("picture.gif", bmp).c_str()));
    EXPECT_TRUE(dib.Load(WriteFile("PICTURE.BMP", bmp).c_str()));
    EXPECT_TRUE(dib.Load(WriteFile("picture.TIF", MakeTiff(TiffParams())).c_str()));
}
