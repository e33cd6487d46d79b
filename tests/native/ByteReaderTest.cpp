#include "bytes/ByteReader.h"

#include <gtest/gtest.h>

using zelvo::ByteReader;
using zelvo::ByteWriter;

TEST(ByteReader, ReadsLittleEndianValuesWrittenByTheWriter)
{
    ByteWriter w;
    w.u32(0x01020304);
    w.i32(-5);
    w.i16(-2);
    w.f32(304.128f);
    w.f64(0.3125);
    w.fixedText("abc", 8);
    ByteReader r(w.data().data(), w.size());
    EXPECT_EQ(r.u32(), 0x01020304u);
    EXPECT_EQ(r.i32(), -5);
    EXPECT_EQ(r.i16(), -2);
    EXPECT_EQ(r.f32(), 304.128f);
    EXPECT_EQ(r.f64(), 0.3125);
    EXPECT_EQ(r.fixedText(8), "abc");
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r.remaining(), 0u);
    EXPECT_EQ(w.data()[0], 0x04);  // least significant byte first
}

TEST(ByteReader, ShortBufferFailsAndStaysFailed)
{
    const uint8_t three[3] = {1, 2, 3};
    ByteReader r(three, sizeof three);
    EXPECT_EQ(r.u32(), 0u);
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.u8(), 0u);  // nothing more is read after a failure
    EXPECT_EQ(r.position(), 0u);
}

TEST(ByteReader, SkipAndFixedTextRespectTheEnd)
{
    const char text[4] = {'a', 'b', 'c', 'd'};
    ByteReader r(text, 4);
    EXPECT_EQ(r.fixedText(4), "abcd");  // a full field without NUL keeps every byte
    EXPECT_FALSE(r.skip(1));
    ByteReader r2(text, 4);
    EXPECT_EQ(r2.fixedText(5), "");
    EXPECT_FALSE(r2.ok());
}

TEST(ByteWriter, FixedTextIsCutToLeaveItsTerminator)
{
    ByteWriter w;
    w.fixedText("abcdef", 4);
    ASSERT_EQ(w.size(), 4u);
    EXPECT_EQ(w.data()[3], 0);
    ByteReader r(w.data().data(), w.size());
    EXPECT_EQ(r.fixedText(4), "abc");
}
