#include "Dib.h"
#include "JpegRead.h"
#include "JpegTestData.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// Every pixel of the bitmap equals the plain decode, rows flipped, as B, G, R.
void ExpectSameAsPlain(const CDib& dib, const std::vector<uint8_t>& jpeg)
{
    std::vector<uint8_t> plain;
    int w = 0, h = 0, comps = 0;
    ASSERT_TRUE(DecodePlain(jpeg, plain, w, h, comps));
    ASSERT_EQ(CSize(w, h), dib.GetSize());
    ASSERT_EQ(24, dib.GetInfoHeader()->biBitCount);
    ASSERT_EQ(0u, dib.GetColorCount());
    DWORD stride = dib.GetRowStride();
    ASSERT_EQ(((DWORD)w * 3 + 3) / 4 * 4, stride);
    for (int y = 0; y < h; ++y) {
        const BYTE* row = dib.GetBits() + (size_t)(h - 1 - y) * stride;
        for (int x = 0; x < w; ++x) {
            const uint8_t* p = plain.data() + ((size_t)y * w + x) * comps;
            uint8_t r = p[0], g = comps == 3 ? p[1] : p[0], b = comps == 3 ? p[2] : p[0];
            ASSERT_EQ(b, row[3 * x]) << x << "," << y;
            ASSERT_EQ(g, row[3 * x + 1]) << x << "," << y;
            ASSERT_EQ(r, row[3 * x + 2]) << x << "," << y;
        }
    }
}

BOOL ReadFromBytes(CDib& dib, const std::vector<uint8_t>& bytes)
{
    CMemFile file(const_cast<BYTE*>(bytes.data()), (UINT)bytes.size());
    return dib.ReadJpeg(file);
}

} // namespace

TEST(DibJpeg, ColourAndGreyIntoBlocksOfEveryDepth)
{
    for (int components : {3, 1}) {
        JpegParams params;
        params.width = 37;  // rows need padding
        params.height = 21;
        params.components = components;
        std::vector<uint8_t> jpeg = EncodeJpeg(params);
        for (int bits : {1, 4, 8, 24, 32}) {
            SCOPED_TRACE(testing::Message() << components << " components into " << bits << " bits");
            CDib dib;
            ASSERT_TRUE(dib.Create(37, 21, bits));
            BYTE* before = dib.GetBits();
            ASSERT_TRUE(ReadFromBytes(dib, jpeg));
            ExpectSameAsPlain(dib, jpeg);
            // Only a 24-bit block of the same size is kept.
            if (bits == 24) {
                EXPECT_EQ(before, dib.GetBits());
            }
            EXPECT_EQ(dib.GetInfoHeader()->biSizeImage, dib.GetImageSize());
            EXPECT_EQ(dib.GetBits(), reinterpret_cast<BYTE*>(dib.GetInfoHeader()) + 40);
        }
        // A block of another size is replaced.
        CDib other;
        ASSERT_TRUE(other.Create(10, 10, 24));
        ASSERT_TRUE(ReadFromBytes(other, jpeg));
        ExpectSameAsPlain(other, jpeg);
    }
}

TEST(DibJpeg, ResolutionFromDensity)
{
    struct Case { int unit, x, y; LONG xp, yp; } cases[] = {
        {1, 72, 72, 2834, 2834}, {2, 100, 50, 10000, 5000}, {0, 1, 1, 0, 0}};
    for (const Case& c : cases) {
        JpegParams params;
        params.densityUnit = c.unit;
        params.xDensity = c.x;
        params.yDensity = c.y;
        CDib dib;
        ASSERT_TRUE(ReadFromBytes(dib, EncodeJpeg(params)));
        EXPECT_EQ(c.xp, dib.GetInfoHeader()->biXPelsPerMeter) << c.unit;
        EXPECT_EQ(c.yp, dib.GetInfoHeader()->biYPelsPerMeter) << c.unit;
    }
}

TEST(DibJpeg, CommentRecordBehindLargeSegmentsAndAcrossTheBuffer)
{
    // APP1 lengths put the comment well behind, just before and right across
    // the end of the first 4096-byte block.
    int n = 0;
    for (size_t app1 : {5000u, 4000u, 4050u, 4070u, 4075u, 4080u}) {
        SCOPED_TRACE(app1);
        JpegParams params;
        params.densityUnit = 3;
        params.app1.assign(app1, 0x5A);
        std::string text = "Scan " + std::to_string(++n);
        params.com = ComRecordBytes(text, 31000 + n, 32000 + n);
        std::vector<uint8_t> jpeg = EncodeJpeg(params);
        CMemFile file(jpeg.data(), (UINT)jpeg.size());
        CDib dib;
        ASSERT_TRUE(dib.ReadJpeg(file));
        EXPECT_EQ(text, dib.GetComment());
        EXPECT_EQ(31000 + n, dib.GetInfoHeader()->biXPelsPerMeter);
        EXPECT_EQ(32000 + n, dib.GetInfoHeader()->biYPelsPerMeter);
        EXPECT_EQ(jpeg.size(), file.GetPosition());
    }
    // Unit 3 without a comment keeps what the last comment left.
    JpegParams plain;
    plain.densityUnit = 3;
    CDib dib;
    ASSERT_TRUE(ReadFromBytes(dib, EncodeJpeg(plain)));
    EXPECT_EQ(std::string("Scan ") + std::to_string(n), dib.GetComment());
    EXPECT_EQ(31000 + n, dib.GetInfoHeader()->biXPelsPerMeter);
}

TEST(DibJpeg, TwoPicturesBackToBack)
{
    JpegParams first;
    first.width = 50;
    JpegParams second;
    second.width = 20;
    second.height = 60;
    second.components = 1;
    std::vector<uint8_t> a = EncodeJpeg(first), b = EncodeJpeg(second);
    std::vector<uint8_t> both(a);
    both.insert(both.end(), b.begin(), b.end());
    both.push_back(0x77);  // other data behind
    CMemFile file(both.data(), (UINT)both.size());
    CDib dib;
    ASSERT_TRUE(dib.ReadJpeg(file));
    EXPECT_EQ(a.size(), file.GetPosition());
    ExpectSameAsPlain(dib, a);
    ASSERT_TRUE(dib.ReadJpeg(file));
    EXPECT_EQ(a.size() + b.size(), file.GetPosition());
    ExpectSameAsPlain(dib, b);
    BYTE rest = 0;
    EXPECT_EQ(1u, file.Read(&rest, 1));
    EXPECT_EQ(0x77, rest);
}

TEST(DibJpeg, DamagedAndUnsupportedPicturesFailAndLeaveNoPicture)
{
    testing_support::MessageBoxRecorder boxes;
    JpegParams params;
    params.width = 64;
    params.height = 48;
    std::vector<uint8_t> good = EncodeJpeg(params);
    auto failsEmpty = [](const std::vector<uint8_t>& bytes, const char* what) {
        CDib dib;
        ASSERT_TRUE(dib.Create(64, 48, 24));
        EXPECT_FALSE(ReadFromBytes(dib, bytes)) << what;
        EXPECT_TRUE(dib.IsEmpty()) << what;
        EXPECT_EQ(CSize(0, 0), dib.GetSize()) << what;
    };
    failsEmpty({}, "empty");
    for (size_t cut : {good.size() / 4, good.size() / 2, good.size() - 2})
        failsEmpty(std::vector<uint8_t>(good.begin(), good.begin() + cut), "truncated");

    // A comment whose length is under 2, and one cut off by the end.
    std::vector<uint8_t> badLength = {0xFF, 0xD8, 0xFF, 0xFE, 0x00, 0x01};
    badLength.insert(badLength.end(), good.begin() + 2, good.end());
    failsEmpty(badLength, "COM length 1");
    JpegParams before;
    before.densityUnit = 3;
    before.com = ComRecordBytes("Kept", 1, 2);
    CDib keep;
    ASSERT_TRUE(ReadFromBytes(keep, EncodeJpeg(before)));
    std::vector<uint8_t> cutCom = {0xFF, 0xD8, 0xFF, 0xFE, 0x00, 0x40, 'L', 'o', 's', 't'};
    failsEmpty(cutCom, "COM cut short");
    JpegParams after;
    after.densityUnit = 3;
    ASSERT_TRUE(ReadFromBytes(keep, EncodeJpeg(after)));
    EXPECT_STREQ("Kept", keep.GetComment());

    // Dimensions beyond what may be allocated: SOF patched to 65000 x 65000.
    std::vector<uint8_t> huge(good);
    for (size_t i = 2; i + 8 < huge.size(); ++i) {
        if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {
            huge[i + 5] = 0xFD;
            huge[i + 6] = 0xE8;
            huge[i + 7] = 0xFD;
            huge[i + 8] = 0xE8;
            break;
        }
    }
    failsEmpty(huge, "oversized");

    JpegParams cmyk;
    cmyk.width = 64;
    cmyk.height = 48;
    cmyk.components = 4;
    failsEmpty(EncodeJpeg(cmyk), "CMYK");

    std::vector<uint8_t> notJpeg(100, 0x42);
    failsEmpty(notJpeg, "not a JPEG");
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST(DibJpeg, ReadFileByName)
{
    std::string folder = testing_support::OutputFolder();
    JpegParams params;
    params.densityUnit = 1;
    params.xDensity = params.yDensity = 72;
    std::vector<uint8_t> jpeg = EncodeJpeg(params);
    std::string path = folder + "\\dib_read.JPG";
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(nullptr, f);
    std::fwrite(jpeg.data(), 1, jpeg.size(), f);
    std::fclose(f);

    CDib dib;
    UINT w = 0, h = 0;
    EXPECT_FALSE(JpegFile::ReadFile(path.c_str(), nullptr, &w, &h, nullptr));
    EXPECT_TRUE(JpegFile::ReadFile(path.c_str(), &dib, &w, &h, nullptr));
    EXPECT_EQ(40u, w);
    EXPECT_EQ(30u, h);
    // The ending is compared without regard to case.
    CDib loaded;
    EXPECT_TRUE(loaded.Load(path.c_str()));
    ExpectSameAsPlain(loaded, jpeg);
    EXPECT_EQ(2834, loaded.GetInfoHeader()->biXPelsPerMeter);
    EXPECT_FALSE(loaded.Load((folder + "\\missing.jpg").c_str()));
}

// Regions are decoded from memory into 32-bit pixels: the same pixels as the
// picture read into a CDib, and nothing for a damaged or unsupported one.
TEST(JpegPixels, SameAsTheBitmapReadAndNothingForDamagedPictures)
{
    std::vector<uint32_t> pixels(3, 0xDEADBEEF);  // a block too small is grown
    for (int components : {3, 1}) {
        JpegParams params;
        params.width = 37;
        params.height = 21;
        params.components = components;
        params.photo = true;
        const std::vector<uint8_t> jpeg = EncodeJpeg(params);
        UINT w = 0, h = 0;
        ASSERT_TRUE(JpegFile::DecodeToPixels(jpeg.data(), jpeg.size(), pixels, &w, &h));
        ASSERT_EQ(37u, w);
        ASSERT_EQ(21u, h);
        CDib dib;
        ASSERT_TRUE(ReadFromBytes(dib, jpeg));
        for (UINT y = 0; y < h; ++y) {
            const BYTE* row = dib.GetBits() + (size_t)(h - 1 - y) * dib.GetRowStride();
            for (UINT x = 0; x < w; ++x) {
                const uint32_t p = pixels[(size_t)y * w + x];
                ASSERT_EQ(row[3 * x] | row[3 * x + 1] << 8 | row[3 * x + 2] << 16, p & 0xFFFFFF) << x << "," << y;
            }
        }
    }
    JpegParams params;
    const std::vector<uint8_t> good = EncodeJpeg(params);
    UINT w = 0, h = 0;
    EXPECT_FALSE(JpegFile::DecodeToPixels(good.data(), good.size() / 2, pixels, &w, &h)) << "truncated";
    EXPECT_FALSE(JpegFile::DecodeToPixels(good.data(), 3, pixels, &w, &h)) << "three bytes";
    JpegParams cmyk;
    cmyk.components = 4;
    const std::vector<uint8_t> four = EncodeJpeg(cmyk);
    EXPECT_FALSE(JpegFile::DecodeToPixels(four.data(), four.size(), pixels, &w, &h)) << "CMYK";
    const std::vector<uint8_t> notJpeg(100, 0x42);
    EXPECT_FALSE(JpegFile::DecodeToPixels(notJpeg.data(), notJpeg.size(), pixels, &w, &h)) << "not a JPEG";
}
