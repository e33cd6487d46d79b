#include "annotation/ObjectFiles.h"
#include "geometry/CoordinateBound.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace zelvo;
using namespace zelvo::annotation;

namespace {

struct Read {
    int32_t type;
    ObjectRecord record;
};

// Keeps what the reader hands on; refuses objects of one type when told.
class Collector : public IObjectFileHandler {
public:
    void OnCaptionText(const std::string& text) override { caption = text; }
    bool OnObject(int32_t type, const ObjectRecord& record) override
    {
        if (type == refuse) return false;
        objects.push_back({type, record});
        return true;
    }
    std::string caption;
    std::vector<Read> objects;
    int32_t refuse = -1;
};

AttributeBlock Block(int32_t seed)
{
    AttributeBlock a;
    for (size_t i = 0; i < AttributeBlock::kSize; i += 4) a.SetInt(i, seed + (int32_t)i);
    a.SetInt(AttributeBlock::kAnchor, 140);
    a.SetInt(AttributeBlock::kAnchor + 4, 110);
    for (int i = 0; i < 4; ++i) a.SetInt(AttributeBlock::kBox + 4 * i, 40 + 10 * i);
    return a;
}

NoteRecord Note(const std::string& text, int32_t seed)
{
    NoteRecord n;
    n.attributes = Block(seed);
    n.text = text;
    return n;
}

SegmentRecord Segment(std::vector<geom::Point> points, int32_t seed)
{
    SegmentRecord s;
    s.attributes = Block(seed);
    s.points = std::move(points);
    return s;
}

// An annotation file of a caption copy, two notes and an arc, with the
// offsets where each object ends.
std::vector<uint8_t> SampleAnnotationFile(std::vector<size_t>* objectEnds = nullptr)
{
    ByteWriter w;
    WriteAnnotationHeader(w, "概述", 3);
    WriteObject(w, 2, Note("第一个", 1));
    if (objectEnds) objectEnds->push_back(w.size());
    WriteObject(w, 3, Note("", 2));
    if (objectEnds) objectEnds->push_back(w.size());
    WriteObject(w, 8, Segment({{0, 0}, {150, -100}, {300, 0}}, 3));
    if (objectEnds) objectEnds->push_back(w.size());
    return w.take();
}

std::vector<uint8_t> Rewrite(const std::string& caption, const std::vector<Read>& objects)
{
    ByteWriter w;
    WriteAnnotationHeader(w, caption, (uint32_t)objects.size());
    for (const Read& r : objects) WriteObject(w, r.type, r.record);
    return w.take();
}

// A file of the older version, its records in their older layout.
std::vector<uint8_t> OldAnnotationFile()
{
    ByteWriter w;
    w.u32(0);
    w.u32(13);
    w.bytes("VerdalineMate", 13);
    w.u32(2);
    w.i32(2);
    for (int i = 0; i < 27; ++i) w.i32(1000 + 4 * i);  // the 108-byte block, each word its old offset + 1000
    w.u32(3);
    w.cstr("ab");
    w.i32(8);
    for (uint32_t v : {11u, 12u, 13u, 14u, 15u}) w.u32(v);
    w.u32(3);
    for (int32_t v : {1, 2, 3, 4, 5, 6}) w.i32(v);
    return w.take();
}

} // namespace

TEST(ObjectFiles, AnnotationFileWrittenAndReadBackByteForByte)
{
    const std::vector<uint8_t> bytes = SampleAnnotationFile();
    Collector c;
    const ReadOutcome out = ReadAnnotationFile(bytes.data(), bytes.size(), c);
    EXPECT_EQ(out.result, ReadResult::ok);
    EXPECT_EQ(out.version, 2);
    EXPECT_EQ(out.objectsRead, 3u);
    EXPECT_EQ(c.caption, "概述");
    ASSERT_EQ(c.objects.size(), 3u);
    EXPECT_EQ(std::get<NoteRecord>(c.objects[0].record).text, "第一个");
    EXPECT_EQ(std::get<NoteRecord>(c.objects[1].record).text, "");
    EXPECT_EQ(std::get<SegmentRecord>(c.objects[2].record).points[1], (geom::Point{150, -100}));
    EXPECT_EQ(Rewrite(c.caption, c.objects), bytes);
    // An empty text is stored as a length of 1 and its NUL.
    ByteWriter empty;
    WriteNoteRecord(empty, Note("", 2));
    ASSERT_EQ(empty.size(), 141u);
    EXPECT_EQ(empty.data()[136], 1);
    EXPECT_EQ(empty.data()[140], 0);
}

TEST(ObjectFiles, OlderRecordsFillOnlyTheFieldsTheyHeld)
{
    const std::vector<uint8_t> bytes = OldAnnotationFile();
    Collector c;
    const ReadOutcome out = ReadAnnotationFile(bytes.data(), bytes.size(), c);
    EXPECT_EQ(out.result, ReadResult::ok);
    EXPECT_EQ(out.version, 0);
    ASSERT_EQ(c.objects.size(), 2u);

    // The note: the older block's fields at their new places, the rest as constructed.
    const NoteRecord& note = std::get<NoteRecord>(c.objects[0].record);
    EXPECT_EQ(note.version, 0);
    EXPECT_EQ(note.text, "ab");
    AttributeBlock constructed;
    constructed.SetInt(AttributeBlock::kBlink, 77);
    constructed.SetInt(24, 66);
    AttributeBlock merged = constructed;
    note.MergeAttributes(merged);
    EXPECT_EQ(merged.anchorX(), 1004);
    EXPECT_EQ(merged.anchorY(), 1008);
    EXPECT_EQ(merged.box(0), 1012);
    EXPECT_EQ(merged.box(3), 1024);
    EXPECT_EQ(merged.Int(AttributeBlock::kFont), 1028);
    EXPECT_EQ(merged.Int(AttributeBlock::kBkMode), 1088);
    EXPECT_EQ(merged.Int(AttributeBlock::kTextColor), 1092);
    EXPECT_EQ(merged.Int(AttributeBlock::kBorderColor), 1104);
    EXPECT_EQ(merged.blink(), 77);
    EXPECT_EQ(merged.Int(24), 66);

    // The arc: the header's words, the points whole.
    const SegmentRecord& arc = std::get<SegmentRecord>(c.objects[1].record);
    AttributeBlock segment = constructed;
    arc.MergeAttributes(segment);
    EXPECT_EQ(segment.Int(112), 12);
    EXPECT_EQ(segment.Int(AttributeBlock::kBorderColor), 13);
    EXPECT_EQ(segment.blink(), 14);
    EXPECT_EQ(segment.Int(108), 15);
    EXPECT_EQ(segment.Int(24), 66);
    EXPECT_EQ(arc.points[2], (geom::Point{5, 6}));

    // The measurement file's older signature is version 0 too.
    ByteWriter m;
    m.u32(16);
    m.bytes("VerdalineMeasure", 16);
    m.u32(0);
    Collector none;
    EXPECT_EQ(ReadMeasureFile(m.data().data(), m.size(), none).version, 0);
}

TEST(ObjectFiles, TruncatedAtEveryLengthKeepsTheObjectsBeforeTheCut)
{
    std::vector<size_t> ends;
    const std::vector<uint8_t> bytes = SampleAnnotationFile(&ends);
    for (size_t length = 0; length < bytes.size(); ++length) {
        std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + length);
        Collector c;
        const ReadOutcome out = ReadAnnotationFile(cut.data(), cut.size(), c);
        size_t whole = 0;
        while (whole < ends.size() && ends[whole] <= length) ++whole;
        EXPECT_EQ(out.result, ReadResult::malformed) << length;
        EXPECT_EQ(c.objects.size(), whole) << length;
        EXPECT_EQ(out.objectsRead, whole) << length;
    }
}

TEST(ObjectFiles, LengthsAndCountsAreCheckedAgainstTheBytes)
{
    // A note whose text length claims more than the file holds, the largest
    // length included: the note before it stays, nothing is read past it.
    for (uint32_t length : {0xFFFFFFFFu, 0x80000000u, 1000u}) {
        ByteWriter w;
        WriteAnnotationHeader(w, "", 2);
        WriteObject(w, 2, Note("kept", 1));
        w.i32(2);
        Block(2).Write(w);
        w.u32(length);
        w.cstr("short");
        Collector c;
        EXPECT_EQ(ReadAnnotationFile(w.data().data(), w.size(), c).result, ReadResult::malformed) << length;
        ASSERT_EQ(c.objects.size(), 1u);
        EXPECT_EQ(std::get<NoteRecord>(c.objects[0].record).text, "kept");
    }

    // A point count beyond the bytes, and angles and arcs of other than three points.
    struct Case {
        int32_t type;
        uint32_t count;
        size_t pointsPresent;
    };
    for (const Case& k : {Case{6, 0x20000000u, 2}, Case{6, 1, 1}, Case{7, 2, 2}, Case{8, 4, 4}, Case{7, 0, 0}}) {
        ByteWriter w;
        WriteMeasureHeader(w, 1);
        w.i32(k.type);
        Block(0).Write(w);
        w.u32(k.count);
        for (size_t i = 0; i < k.pointsPresent; ++i) {
            w.i32((int32_t)i);
            w.i32(0);
        }
        Collector c;
        EXPECT_EQ(ReadMeasureFile(w.data().data(), w.size(), c).result, ReadResult::malformed) << k.type << " " << k.count;
        EXPECT_TRUE(c.objects.empty());
    }

    // A signature longer than the file: no objects.
    ByteWriter s;
    s.u32(0);
    s.u32(0xFFFFFFF0u);
    s.bytes("TessarokV20", 11);
    Collector c;
    const ReadOutcome out = ReadAnnotationFile(s.data().data(), s.size(), c);
    EXPECT_EQ(out.result, ReadResult::malformed);
    EXPECT_EQ(out.version, -1);
}

TEST(ObjectFiles, CoordinatesOutsideTheBoundAreRefused)
{
    const int32_t beyond = geom::kCoordinateBound + 1;
    NoteRecord note = Note("far", 1);
    note.attributes.SetInt(AttributeBlock::kBox + 8, beyond);
    ByteWriter w;
    WriteAnnotationHeader(w, "", 3);
    WriteObject(w, 8, Segment({{0, 0}, {5, 5}, {-geom::kCoordinateBound, geom::kCoordinateBound}}, 1));
    WriteObject(w, 2, note);
    WriteObject(w, 2, Note("after", 1));
    Collector c;
    EXPECT_EQ(ReadAnnotationFile(w.data().data(), w.size(), c).result, ReadResult::malformed);
    EXPECT_EQ(c.objects.size(), 1u);

    ByteWriter m;
    WriteMeasureHeader(m, 1);
    WriteObject(m, 6, Segment({{0, 0}, {0, -beyond}}, 1));
    Collector d;
    EXPECT_EQ(ReadMeasureFile(m.data().data(), m.size(), d).result, ReadResult::malformed);
    EXPECT_TRUE(d.objects.empty());
}

TEST(ObjectFiles, CaptionCopyOfAnyLengthThatFitsIsSkipped)
{
    for (size_t n : {size_t(0), size_t(99999), size_t(100000), size_t(250000)}) {
        const std::string caption(n, 'c');
        ByteWriter w;
        WriteAnnotationHeader(w, caption, 1);
        WriteObject(w, 3, Note("title", 1));
        Collector c;
        const ReadOutcome out = ReadAnnotationFile(w.data().data(), w.size(), c);
        EXPECT_EQ(out.result, ReadResult::ok) << n;
        EXPECT_EQ(c.caption.size(), n);
        ASSERT_EQ(c.objects.size(), 1u) << n;
    }
    // One that does not fit is not taken for a signature.
    ByteWriter w;
    WriteAnnotationHeader(w, "", 0);
    std::vector<uint8_t> bytes = w.take();
    bytes[0] = 0xFF;
    Collector c;
    EXPECT_EQ(ReadAnnotationFile(bytes.data(), bytes.size(), c).result, ReadResult::malformed);
}

TEST(ObjectFiles, SignaturesAreMatchedAtTheStartOfTheText)
{
    auto versionOf = [](const std::string& signature) {
        ByteWriter w;
        w.u32(0);
        w.u32((uint32_t)signature.size());
        w.bytes(signature.data(), signature.size());
        w.u32(0);
        Collector c;
        const ReadOutcome out = ReadAnnotationFile(w.data().data(), w.size(), c);
        return out.result == ReadResult::noSignature ? -2 : out.version;
    };
    EXPECT_EQ(versionOf("TessarokV20"), 2);
    EXPECT_EQ(versionOf("TessarokV20 and more"), 2);
    EXPECT_EQ(versionOf("VerdalineMate"), 0);
    EXPECT_EQ(versionOf("xTessarokV20"), -2);
    EXPECT_EQ(versionOf("TessarokV2"), -2);
    EXPECT_EQ(versionOf(""), -2);
}

TEST(ObjectFiles, UnknownOrRefusedTypesStopTheReadWithoutShiftingRecords)
{
    // Behind the unknown id lies a record that must not be read as the next
    // object nor into the one before.
    for (int32_t unknown : {0, 15, 16, 100, 104, -1}) {
        ByteWriter w;
        WriteAnnotationHeader(w, "", 3);
        WriteObject(w, 2, Note("one", 1));
        WriteObject(w, unknown, Note("two", 2));
        WriteObject(w, 2, Note("three", 3));
        Collector c;
        const ReadOutcome out = ReadAnnotationFile(w.data().data(), w.size(), c);
        EXPECT_EQ(out.result, ReadResult::unknownType) << unknown;
        EXPECT_EQ(out.stopType, unknown);
        ASSERT_EQ(c.objects.size(), 1u);
        EXPECT_EQ(std::get<NoteRecord>(c.objects[0].record).text, "one");
    }
    const std::vector<uint8_t> bytes = SampleAnnotationFile();
    Collector c;
    c.refuse = 3;
    const ReadOutcome out = ReadAnnotationFile(bytes.data(), bytes.size(), c);
    EXPECT_EQ(out.result, ReadResult::refused);
    EXPECT_EQ(out.objectsRead, 1u);
}
