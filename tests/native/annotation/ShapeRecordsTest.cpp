// Records of captions, circles and framed shapes in the object files.
#include "annotation/ObjectFiles.h"
#include "geometry/CoordinateBound.h"

#include <gtest/gtest.h>

#include <iterator>
#include <limits>
#include <vector>

using namespace zelvo;
using namespace zelvo::annotation;

namespace {

class Collector : public IObjectFileHandler {
public:
    bool OnObject(int32_t type, const ObjectRecord& record) override
    {
        types.push_back(type);
        records.push_back(record);
        return true;
    }
    std::vector<int32_t> types;
    std::vector<ObjectRecord> records;
};

AttributeBlock Block()
{
    AttributeBlock a;
    for (size_t i = 0; i < AttributeBlock::kSize; i += 4) a.SetInt(i, 7 + int32_t(i));
    return a;
}

CircleRecord Circle(geom::Point centre, int32_t radius)
{
    CircleRecord c;
    c.attributes = Block();
    c.SetGeometry(centre, radius);
    return c;
}

FramedRecord Framed(int32_t x)
{
    FramedRecord f;
    f.attributes = Block();
    const geom::Point h[4] = {{x - 100, 0}, {x + 100, 0}, {x, -80}, {x, 80}};
    for (int i = 0; i < 4; ++i) f.SetHandle(i, h[i]);
    return f;
}

} // namespace

TEST(ShapeRecords, EveryKindWrittenAndReadBackByteForByte)
{
    NoteRecord caption;
    caption.attributes = Block();
    caption.text = "切片描述";
    ByteWriter w;
    WriteAnnotationHeader(w, caption.text, 6);
    WriteObject(w, 1, caption);
    WriteObject(w, 9, Circle({500, -600}, 100));
    for (int32_t type = 10; type <= 13; ++type) WriteObject(w, type, Framed(type * 1000));
    Collector c;
    const ReadOutcome out = ReadAnnotationFile(w.data().data(), w.size(), c);
    EXPECT_EQ(out.result, ReadResult::ok);
    ASSERT_EQ(c.types, (std::vector<int32_t>{1, 9, 10, 11, 12, 13}));
    EXPECT_EQ(std::get<NoteRecord>(c.records[0]).text, "切片描述");
    const CircleRecord& circle = std::get<CircleRecord>(c.records[1]);
    EXPECT_EQ(circle.Centre(), (geom::Point{500, -600}));
    EXPECT_EQ(circle.Radius(), 100);
    EXPECT_EQ(std::get<FramedRecord>(c.records[5]).Handle(3), (geom::Point{13000, 80}));

    ByteWriter again;
    WriteAnnotationHeader(again, caption.text, 6);
    for (size_t i = 0; i < c.records.size(); ++i) WriteObject(again, c.types[i], c.records[i]);
    EXPECT_EQ(again.data(), w.data());
}

TEST(ShapeRecords, OlderFramedRecordHoldsItsHandlesAfterTheHeader)
{
    ByteWriter w;
    w.u32(16);
    w.bytes("VerdalineMeasure", 16);
    w.u32(2);
    w.i32(10);
    for (uint32_t v : {11u, 12u, 0x332211u, 1u, 15u}) w.u32(v);  // skipped, word 112, pen, blink, word 108
    for (int32_t v : {-100, 0, 100, 0, 0, -80, 0, 80}) w.i32(v);
    w.i32(9);  // circles hold their whole block in every version
    Circle({1, 2}, 3).attributes.Write(w);
    Collector c;
    ASSERT_EQ(ReadMeasureFile(w.data().data(), w.size(), c).result, ReadResult::ok);
    ASSERT_EQ(c.records.size(), 2u);
    const FramedRecord& f = std::get<FramedRecord>(c.records[0]);
    EXPECT_EQ(f.version, kVersionOld);
    EXPECT_EQ(f.Handle(0), (geom::Point{-100, 0}));
    EXPECT_EQ(f.Handle(3), (geom::Point{0, 80}));

    // Only what the old record held replaces the object's own fields.
    AttributeBlock own;
    own.SetInt(AttributeBlock::kTextColor, 0xFFFFFF);
    f.MergeAttributes(own);
    EXPECT_EQ(own.Int(AttributeBlock::kBorderColor), 0x332211);
    EXPECT_EQ(own.blink(), 1);
    EXPECT_EQ(own.Int(112), 12);
    EXPECT_EQ(own.Int(108), 15);
    EXPECT_EQ(own.Int(AttributeBlock::kTextColor), 0xFFFFFF);
    EXPECT_EQ(own.Int(AttributeBlock::kBox + 28), 80);
    EXPECT_EQ(std::get<CircleRecord>(c.records[1]).Radius(), 3);
}

TEST(ShapeRecords, ShortAndOutOfBoundRecordsStopTheRead)
{
    const int32_t beyond = geom::kCoordinateBound + 1, huge = std::numeric_limits<int32_t>::max();
    FramedRecord far = Framed(0);
    far.SetHandle(2, {0, huge});
    FramedRecord wide = Framed(0);
    wide.SetHandle(1, {beyond, 0});
    const ObjectRecord bad[] = {Circle({beyond, 0}, 10), Circle({0, 0}, -1), Circle({0, 0}, beyond),
                                Circle({0, 0}, huge), far, wide};
    const int32_t types[] = {9, 9, 9, 9, 12, 10};
    for (size_t i = 0; i < std::size(bad); ++i) {
        ByteWriter w;
        WriteMeasureHeader(w, 2);
        WriteObject(w, 11, Framed(0));
        WriteObject(w, types[i], bad[i]);
        Collector c;
        EXPECT_EQ(ReadMeasureFile(w.data().data(), w.size(), c).result, ReadResult::malformed) << i;
        EXPECT_EQ(c.records.size(), 1u) << i;
    }
    // A radius at the bound is a circle still.
    ByteWriter edge;
    WriteMeasureHeader(edge, 1);
    WriteObject(edge, 9, Circle({-geom::kCoordinateBound, 0}, geom::kCoordinateBound));
    Collector c;
    EXPECT_EQ(ReadMeasureFile(edge.data().data(), edge.size(), c).result, ReadResult::ok);

    // Cut short anywhere inside the block.
    ByteWriter whole;
    WriteObject(whole, 13, Framed(0));
    for (size_t n = 4; n < whole.size(); n += 9) {
        ByteReader in(whole.data().data() + 4, n - 4);
        ObjectRecord r;
        EXPECT_FALSE(ReadObjectRecord(in, 13, kVersionCurrent, r)) << n;
    }
}
