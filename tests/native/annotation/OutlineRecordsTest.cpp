// Region and free-hand records: layout, older headers, malformed and hostile records.
#include "annotation/FreehandRecord.h"
#include "annotation/RegionRecord.h"
#include "geometry/CoordinateBound.h"

#include <gtest/gtest.h>

#include <limits>

using namespace zelvo;
using namespace zelvo::annotation;
using zelvo::geom::Point;

namespace {

std::vector<uint8_t> Record(const AttributeBlock& block, std::vector<Point> points, uint32_t count)
{
    ByteWriter w;
    block.Write(w);
    w.u32(count);
    for (const Point& p : points) {
        w.i32(p.x);
        w.i32(p.y);
    }
    return w.take();
}

AttributeBlock SomeBlock()
{
    AttributeBlock b;
    for (size_t i = 0; i < AttributeBlock::kSize; ++i) b.bytes()[i] = uint8_t(i * 7 + 1);
    return b;
}

} // namespace

TEST(OutlineRecords, RegionAndFreehandRoundTripByteForByte)
{
    RegionRecord region;
    region.attributes = SomeBlock();
    region.points = {{0, 0}, {100, -150}, {200, -150}, {300, 0}, {200, 150}, {100, 150}};
    ByteWriter w;
    WriteRegionRecord(w, region);
    const std::vector<uint8_t> bytes = w.take();
    ASSERT_EQ(bytes.size(), 136u + 4 + 6 * 8);
    EXPECT_EQ(bytes, Record(region.attributes, region.points, 6));

    // Two records back to back: each read stops exactly at its end.
    std::vector<uint8_t> two = bytes;
    two.insert(two.end(), bytes.begin(), bytes.end());
    ByteReader in(two.data(), two.size());
    RegionRecord a, b;
    ASSERT_TRUE(ReadRegionRecord(in, 2, a));
    EXPECT_EQ(in.position(), bytes.size());
    ASSERT_TRUE(ReadRegionRecord(in, 2, b));
    EXPECT_EQ(in.remaining(), 0u);
    EXPECT_EQ(b.points, region.points);
    EXPECT_EQ(b.attributes.bytes(), region.attributes.bytes());

    FreehandRecord f;
    f.attributes = SomeBlock();
    f.points = {{5, 5}};
    ByteWriter fw;
    WriteFreehandRecord(fw, f);
    const std::vector<uint8_t> fbytes = fw.take();
    EXPECT_EQ(fbytes, Record(f.attributes, f.points, 1));
    ByteReader fin(fbytes.data(), fbytes.size());
    FreehandRecord back;
    ASSERT_TRUE(ReadFreehandRecord(fin, 2, back));
    EXPECT_EQ(back.points, f.points);
}

TEST(OutlineRecords, OlderRegionHeaderFillsOnlyItsFields)
{
    ByteWriter w;
    for (int32_t word : {111, 1, 0x0BADF00D, 2, 0x112233, 0x445566, 0x778899}) w.i32(word);
    w.u32(1);
    w.i32(-7);
    w.i32(9);
    const std::vector<uint8_t> bytes = w.take();
    ByteReader in(bytes.data(), bytes.size());
    RegionRecord r;
    ASSERT_TRUE(ReadRegionRecord(in, 0, r));
    EXPECT_EQ(in.remaining(), 0u);
    EXPECT_EQ(r.points, (std::vector<Point>{{-7, 9}}));

    AttributeBlock object = SomeBlock();
    const AttributeBlock before = object;
    r.MergeAttributes(object);
    EXPECT_EQ(object.blink(), 1);
    EXPECT_EQ(object.Int(108), 0x0BADF00D);
    EXPECT_EQ(object.Int(AttributeBlock::kBkMode), 2);
    EXPECT_EQ(object.Int(AttributeBlock::kTextBkColor), 0x112233);
    EXPECT_EQ(object.Int(AttributeBlock::kFillColor), 0x445566);
    EXPECT_EQ(object.Int(AttributeBlock::kBorderColor), 0x778899);
    // The first word is skipped; the font, box and text colour stay the object's.
    for (size_t offset : {size_t(0), AttributeBlock::kFont, AttributeBlock::kTextColor, size_t(112)})
        EXPECT_EQ(object.Int(offset), before.Int(offset)) << offset;

    // Any other version holds no header at all.
    ByteWriter p;
    p.u32(0);
    const std::vector<uint8_t> points = p.take();
    ByteReader pin(points.data(), points.size());
    ASSERT_TRUE(ReadRegionRecord(pin, 1, r));
    AttributeBlock untouched = SomeBlock();
    r.MergeAttributes(untouched);
    EXPECT_EQ(untouched.bytes(), SomeBlock().bytes());
}

TEST(OutlineRecords, MalformedAndHostileRecordsAreRefused)
{
    const AttributeBlock block = SomeBlock();
    const int32_t bound = geom::kCoordinateBound;
    auto region = [](const std::vector<uint8_t>& bytes, int version = 2) {
        ByteReader in(bytes.data(), bytes.size());
        RegionRecord r;
        r.points = {{1, 1}};
        const bool ok = ReadRegionRecord(in, version, r);
        // A refused record leaves the caller's record as it was.
        if (!ok) {
            EXPECT_EQ(r.points, (std::vector<Point>{{1, 1}}));
        }
        return ok;
    };
    auto freehand = [](const std::vector<uint8_t>& bytes, int version = 2) {
        ByteReader in(bytes.data(), bytes.size());
        FreehandRecord r;
        return ReadFreehandRecord(in, version, r);
    };

    const std::vector<uint8_t> good = Record(block, {{bound, -bound}, {-bound, bound}}, 2);
    EXPECT_TRUE(region(good));
    EXPECT_TRUE(freehand(good));
    // Short block, short older header, missing count, fewer points than counted.
    EXPECT_FALSE(region(std::vector<uint8_t>(good.begin(), good.begin() + 100)));
    EXPECT_FALSE(region(std::vector<uint8_t>(20, 0), 0));
    EXPECT_FALSE(region(std::vector<uint8_t>(good.begin(), good.begin() + 138)));
    EXPECT_FALSE(region(std::vector<uint8_t>(good.begin(), good.end() - 1)));
    EXPECT_FALSE(freehand(std::vector<uint8_t>(good.begin(), good.end() - 1)));
    // Counts whose byte size wraps 32 bits, or that the bytes cannot hold.
    EXPECT_FALSE(region(Record(block, {{0, 0}}, 0x20000001)));
    EXPECT_FALSE(region(Record(block, {{0, 0}}, 0xFFFFFFFF)));
    // A coordinate beyond the bound anywhere in the list.
    for (int32_t bad : {bound + 1, -bound - 1, std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::min()}) {
        EXPECT_FALSE(region(Record(block, {{0, 0}, {3, bad}, {4, 4}}, 3))) << bad;
        EXPECT_FALSE(freehand(Record(block, {{bad, 0}}, 1))) << bad;
    }
    // An outline within the coordinates but too long to measure in bounded time.
    std::vector<Point> zigzag;
    for (int i = 0; i < 34; ++i) zigzag.push_back({i, i % 2 ? bound : -bound});
    ASSERT_GT(geom::OutlineLength(zigzag.data(), zigzag.size()), geom::kOutlineLengthBound);
    EXPECT_FALSE(region(Record(block, zigzag, 34)));
    zigzag.resize(30);
    EXPECT_TRUE(region(Record(block, zigzag, 30)));
    EXPECT_TRUE(freehand(good, 3));
}

TEST(OutlineRecords, FreehandOfAnOlderFileReadsNothing)
{
    // Older files hold no record for it: the next object's bytes follow at
    // once and stay for it, and the object keeps its own attributes.
    const std::vector<uint8_t> next = Record(SomeBlock(), {{1, 2}}, 1);
    ByteReader in(next.data(), next.size());
    FreehandRecord r;
    r.points = {{3, 4}};
    ASSERT_TRUE(ReadFreehandRecord(in, 0, r));
    EXPECT_EQ(in.position(), 0u);
    EXPECT_TRUE(r.points.empty());
    AttributeBlock object;
    object.SetInt(AttributeBlock::kBlink, 1);
    object.SetInt(AttributeBlock::kBorderColor, 0x123456);
    const AttributeBlock before = object;
    r.MergeAttributes(object);
    EXPECT_EQ(object.bytes(), before.bytes());
}
