#include "ImageFixtures.h"
#include "image/BmpFile.h"
#include "image/DibSize.h"
#include "image/JpegHead.h"
#include "image/TiffFile.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace zelvo;
using namespace image_fixtures;

TEST(DibSize, RowsArePaddedAndHugePicturesRefused)
{
    EXPECT_EQ(4u, DibRowStride(1, 24));
    EXPECT_EQ(8u, DibRowStride(33, 1));
    EXPECT_EQ(12u, DibImageBytes(1, 3, 24));
    uint32_t bytes = 0;
    EXPECT_TRUE(DibSizeAllowed(4000, 3000, 24, &bytes));
    EXPECT_EQ(36000000u, bytes);
    // 65535 x 65535 x 32 bits would wrap a 32-bit product.
    EXPECT_FALSE(DibSizeAllowed(65535, 65535, 32));
    EXPECT_FALSE(DibSizeAllowed(70000, 1, 8));
    EXPECT_FALSE(DibSizeAllowed(0, 10, 24));
    EXPECT_FALSE(DibSizeAllowed(10, -1, 24));
    EXPECT_FALSE(DibSizeAllowed(10, 10, 16));
}

TEST(JpegComRecord, PayloadOverwritesOnlyItsOwnLength)
{
    JpegComRecord r = InitialJpegComRecord();
    EXPECT_EQ("Zelvo Imaging", ComRecordText(r));
    EXPECT_EQ(0, r.xPelsPerMeter);
    const uint8_t shortPayload[5] = {'A', 'B', 'C', 'D', 'E'};
    ApplyComPayload(r, shortPayload, 5);
    EXPECT_EQ("ABCDE Imaging", ComRecordText(r));

    ByteWriter w;
    w.fixedText("Scanner 7", 20);
    w.i32(40000);
    w.i32(-5);
    for (int i = 0; i < 72; ++i) w.u8(0xEE);  // 100 bytes in all
    ApplyComPayload(r, w.data().data(), w.size());
    EXPECT_EQ("Scanner 7", ComRecordText(r));
    EXPECT_EQ(40000, r.xPelsPerMeter);
    EXPECT_EQ(-5, r.yPelsPerMeter);
    EXPECT_EQ(0xEE, r.reserved[19]);

    // A text without NUL stops at its field.
    std::vector<uint8_t> full(48, 'x');
    ApplyComPayload(r, full.data(), full.size());
    EXPECT_EQ(std::string(20, 'x'), ComRecordText(r));
}

TEST(JpegComRecord, MarkerLengthAndDensity)
{
    EXPECT_EQ(-1, MarkerPayloadLength(0, 0));
    EXPECT_EQ(-1, MarkerPayloadLength(0, 1));
    EXPECT_EQ(0, MarkerPayloadLength(0, 2));
    EXPECT_EQ(65533, MarkerPayloadLength(0xFF, 0xFF));

    JpegComRecord r = InitialJpegComRecord();
    r.xPelsPerMeter = 123;
    r.yPelsPerMeter = 456;
    int32_t x = -1, y = -1;
    DensityToPelsPerMeter(1, 72, 300, r, x, y);
    EXPECT_EQ(2834, x);
    EXPECT_EQ(11811, y);
    DensityToPelsPerMeter(2, 100, 1, r, x, y);
    EXPECT_EQ(10000, x);
    EXPECT_EQ(100, y);
    DensityToPelsPerMeter(3, 72, 72, r, x, y);
    EXPECT_EQ(123, x);
    EXPECT_EQ(456, y);
    DensityToPelsPerMeter(0, 72, 72, r, x, y);
    EXPECT_EQ(0, x);
    DensityToPelsPerMeter(9, 72, 72, r, x, y);
    EXPECT_EQ(0, y);
}

namespace {

void Segment(ByteWriter& w, uint8_t marker, const std::vector<uint8_t>& payload)
{
    w.u8(0xFF);
    w.u8(marker);
    w.u8((uint8_t)((payload.size() + 2) >> 8));
    w.u8((uint8_t)(payload.size() + 2));
    w.bytes(payload.data(), payload.size());
}

std::vector<uint8_t> SampleHead()
{
    ByteWriter w;
    w.u8(0xFF);
    w.u8(0xD8);
    Segment(w, 0xE0, {'J', 'F', 'I', 'F', 0, 1, 2, 3, 0, 72, 0, 96, 0, 0});
    Segment(w, 0xE1, std::vector<uint8_t>(5000, 0x42));
    std::vector<uint8_t> com(48, 0);
    std::memcpy(com.data(), "Head test", 9);
    com[20] = 0x10;
    com[21] = 0x27;  // 10000
    Segment(w, 0xFE, com);
    Segment(w, 0xC0, {8, 0, 30, 0, 40, 3, 1, 0x22, 0, 2, 0x11, 1, 3, 0x11, 1});
    Segment(w, 0xDA, {3, 1, 0, 2, 0x11, 3, 0x11, 0, 63, 0});
    return w.take();
}

} // namespace

TEST(JpegHead, WalksSegmentsToTheScan)
{
    std::vector<uint8_t> head = SampleHead();
    JpegHeadInfo info;
    JpegComRecord r = InitialJpegComRecord();
    ASSERT_EQ(JpegHeadResult::ok, ScanJpegHead(head.data(), head.size(), info, r));
    EXPECT_EQ(3, info.densityUnit);
    EXPECT_EQ(72, info.xDensity);
    EXPECT_EQ(96, info.yDensity);
    EXPECT_EQ(40u, info.width);
    EXPECT_EQ(30u, info.height);
    EXPECT_EQ(3, info.components);
    EXPECT_EQ(1, info.comMarkers);
    EXPECT_EQ("Head test", ComRecordText(r));
    EXPECT_EQ(10000, r.xPelsPerMeter);
}

TEST(JpegHead, DamagedHeadsFailWithoutTouchingMoreThanTheyHold)
{
    std::vector<uint8_t> head = SampleHead();
    for (size_t cut = 0; cut < head.size(); ++cut) {
        JpegHeadInfo info;
        JpegComRecord r = InitialJpegComRecord();
        EXPECT_NE(JpegHeadResult::ok, ScanJpegHead(head.data(), cut, info, r)) << cut;
    }
    // A marker length under 2 is corrupt, not a zero-length segment.
    std::vector<uint8_t> bad = {0xFF, 0xD8, 0xFF, 0xFE, 0x00, 0x01, 0xFF, 0xD9};
    JpegHeadInfo info;
    JpegComRecord r = InitialJpegComRecord();
    EXPECT_EQ(JpegHeadResult::corrupt, ScanJpegHead(bad.data(), bad.size(), info, r));
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G'};
    EXPECT_EQ(JpegHeadResult::notJpeg, ScanJpegHead(png.data(), png.size(), info, r));
}

namespace {

BmpResult ParseWhole(const std::vector<uint8_t>& file, BmpLayout& layout)
{
    uint32_t offset = 0;
    BmpResult r = ParseBmpFileHeader(file.data(), file.size(), offset);
    if (r != BmpResult::ok) return r;
    size_t infoSize = file.size() > 14 ? file.size() - 14 : 0;
    if (offset >= 14 && offset - 14 < infoSize) infoSize = offset - 14;
    return ParseBmpInfo(file.data() + 14, infoSize, offset, file.size(), layout);
}

} // namespace

TEST(BmpFile, SupportedDepthsPass)
{
    for (uint16_t bits : {1, 4, 8, 24, 32}) {
        BmpParams s;
        s.width = 33;
        s.bitCount = bits;
        std::vector<uint8_t> file = MakeBmp(s);
        BmpLayout l;
        ASSERT_EQ(BmpResult::ok, ParseWhole(file, l)) << bits;
        EXPECT_EQ(33, l.width);
        EXPECT_EQ(3, l.height);
        EXPECT_EQ(StrideOf(33, bits) * 3, l.imageBytes);
        EXPECT_EQ(bits <= 8 ? 1u << bits : 0u, l.tableColors);
        EXPECT_EQ(l.tableColors, l.fileColors);
        EXPECT_EQ(file.size() - l.imageBytes, l.pixelOffset);
    }
    // A short colour table, a larger header, a gap and a top-down picture.
    BmpParams s;
    s.bitCount = 8;
    s.clrUsed = 2;
    s.colors = 2;
    s.headerSize = 124;
    s.gap = 10;
    s.height = -3;
    std::vector<uint8_t> file = MakeBmp(s);
    BmpLayout l;
    ASSERT_EQ(BmpResult::ok, ParseWhole(file, l));
    EXPECT_EQ(2u, l.fileColors);
    EXPECT_EQ(256u, l.tableColors);
    EXPECT_EQ(124u, l.headerSize);
    EXPECT_TRUE(l.topDown);
    EXPECT_EQ(3, l.height);
}

TEST(BmpFile, MalformedHeadersAreRefused)
{
    BmpLayout l;
    std::vector<uint8_t> ten(10, 'B');
    EXPECT_EQ(BmpResult::shortHeader, ParseWhole(ten, l));
    std::vector<uint8_t> notBm = MakeBmp(BmpParams());
    notBm[0] = 'X';
    EXPECT_EQ(BmpResult::notBitmap, ParseWhole(notBm, l));

    auto refused = [](BmpParams s) {
        BmpLayout layout;
        return ParseWhole(MakeBmp(s), layout) == BmpResult::invalid;
    };
    BmpParams s;
    s.cutPixels = 1;
    EXPECT_TRUE(refused(s)) << "pixels run past the end";
    s = BmpParams();
    s.pixelOffsetDelta = 1000;
    EXPECT_TRUE(refused(s)) << "offset past the end";
    s = BmpParams();
    s.bitCount = 8;
    s.pixelOffsetDelta = -8;
    EXPECT_TRUE(refused(s)) << "offset inside the colour table";
    s = BmpParams();
    s.headerSize = 12;
    EXPECT_TRUE(refused(s)) << "core header";
    s = BmpParams();
    s.headerSize = 40;
    s.pixelOffsetDelta = -20;
    EXPECT_TRUE(refused(s)) << "offset inside the header";
    s = BmpParams();
    s.bitCount = 8;
    s.clrUsed = 300;
    EXPECT_TRUE(refused(s)) << "more colours than the depth has";
    s = BmpParams();
    s.bitCount = 8;
    s.clrUsed = 0;
    s.colors = 16;
    EXPECT_TRUE(refused(s)) << "table shorter than implied";
    s = BmpParams();
    s.compression = 1;
    EXPECT_TRUE(refused(s)) << "run-length data";
    s = BmpParams();
    s.bitCount = 16;
    EXPECT_TRUE(refused(s));
    s = BmpParams();
    s.width = 0;
    EXPECT_TRUE(refused(s));
    s = BmpParams();
    s.width = -4;
    EXPECT_TRUE(refused(s));
    s = BmpParams();
    s.height = 0;
    EXPECT_TRUE(refused(s));
    // Huge dimensions with few bytes: refused before any size is trusted.
    std::vector<uint8_t> huge = MakeBmp(BmpParams());
    huge[18] = huge[19] = huge[20] = 0xFF;
    huge[21] = 0x7F;
    EXPECT_EQ(BmpResult::invalid, ParseWhole(huge, l));
    std::vector<uint8_t> minHeight = MakeBmp(BmpParams());
    minHeight[22] = minHeight[23] = minHeight[24] = 0;
    minHeight[25] = 0x80;
    EXPECT_EQ(BmpResult::invalid, ParseWhole(minHeight, l));
    // biSizeImage 0 or a wrong one does not matter: the size is computed.
    s = BmpParams();
    s.sizeImage = 7;
    BmpLayout ok;
    EXPECT_EQ(BmpResult::ok, ParseWhole(MakeBmp(s), ok));
    EXPECT_EQ(StrideOf(5, 24) * 3, ok.imageBytes);
}

namespace {

TiffResult ParseBytes(const std::vector<uint8_t>& file, TiffLayout& layout)
{
    MemoryTiffSource src(file.data(), file.size());
    return ParseTiff(src, layout);
}

} // namespace

TEST(TiffFile, SupportedDepthsPass)
{
    for (uint32_t bits : {1u, 4u, 8u, 24u}) {
        TiffParams s;
        s.width = 13;
        s.bitCount = bits;
        TiffLayout l;
        ASSERT_EQ(TiffResult::ok, ParseBytes(MakeTiff(s), l)) << bits;
        EXPECT_EQ(13u, l.width);
        EXPECT_EQ(4u, l.height);
        EXPECT_EQ(bits, l.bitCount);
        EXPECT_EQ(8u, l.pixelOffset);
        EXPECT_EQ(TiffRowBytes(13, bits), l.rowBytes);
        EXPECT_EQ(bits <= 8 ? 1u << bits : 0u, l.colors);
    }
    // Grey without a colour map: a ramp from black to white.
    TiffParams grey;
    grey.bitCount = 8;
    TiffLayout g;
    ASSERT_EQ(TiffResult::ok, ParseBytes(MakeTiff(grey), g));
    EXPECT_EQ(0, g.red[0]);
    EXPECT_EQ(255, g.blue[255]);
    EXPECT_EQ(128, g.green[128]);
    // A colour map: high byte of each 16-bit value, red, green, blue thirds.
    TiffParams mapped;
    mapped.bitCount = 4;
    mapped.colorMap = true;
    TiffLayout m;
    ASSERT_EQ(TiffResult::ok, ParseBytes(MakeTiff(mapped), m));
    EXPECT_EQ((uint8_t)(((1 * 97) << 4) >> 8), m.red[1]);
    EXPECT_EQ((uint8_t)((uint16_t)((17 * 97) << 4) >> 8), m.green[1]);
    EXPECT_EQ((uint8_t)((uint16_t)((33 * 97) << 4) >> 8), m.blue[1]);
    // Strips back to back are one run.
    TiffParams strips;
    strips.strips = 2;
    TiffLayout st;
    EXPECT_EQ(TiffResult::ok, ParseBytes(MakeTiff(strips), st));
}

TEST(TiffFile, MalformedFilesAreRefused)
{
    auto result = [](TiffParams s) {
        TiffLayout l;
        return ParseBytes(MakeTiff(s), l);
    };
    TiffParams s;
    s.compression = 5;
    EXPECT_EQ(TiffResult::unsupported, result(s)) << "LZW";
    s = TiffParams();
    s.withCompression = false;
    EXPECT_NE(TiffResult::ok, result(s));
    s = TiffParams();
    s.bigEndianMark = true;
    EXPECT_EQ(TiffResult::unsupported, result(s));
    s = TiffParams();
    s.strips = 2;
    s.stripGap = 3;
    EXPECT_EQ(TiffResult::unsupported, result(s)) << "strips apart";
    s = TiffParams();
    s.sampleBits = 16;
    EXPECT_EQ(TiffResult::unsupported, result(s));
    s = TiffParams();
    s.samples = 4;
    EXPECT_EQ(TiffResult::unsupported, result(s));
    s = TiffParams();
    s.bitCount = 16;
    EXPECT_EQ(TiffResult::unsupported, result(s));
    s = TiffParams();
    s.bitCount = 8;
    s.colorMap = true;
    s.colorMapCount = 30;
    EXPECT_EQ(TiffResult::invalid, result(s)) << "colour map of the wrong size";
    s = TiffParams();
    s.width = 0;
    EXPECT_EQ(TiffResult::invalid, result(s));
    s = TiffParams();
    s.claimHeight = 60000;
    EXPECT_EQ(TiffResult::unreadable, result(s)) << "rows past the end";
    s = TiffParams();
    s.cut = 5;
    EXPECT_EQ(TiffResult::unreadable, result(s)) << "directory cut short";
    std::vector<uint8_t> empty;
    TiffLayout l;
    EXPECT_EQ(TiffResult::unreadable, ParseBytes(empty, l));
    // Every prefix of a good file short of its directory fails cleanly (the
    // last four bytes are the unused next-directory link).
    std::vector<uint8_t> good = MakeTiff(TiffParams());
    for (size_t n = 0; n + 4 < good.size(); ++n) {
        MemoryTiffSource src(good.data(), n);
        EXPECT_NE(TiffResult::ok, ParseTiff(src, l)) << n;
    }
}
