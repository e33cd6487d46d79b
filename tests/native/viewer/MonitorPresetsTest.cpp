#include "viewer/MonitorPresets.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using namespace monitor;

TEST(MonitorPresets, BuiltInListHoldsTheSeventeenMonitorsInOrder)
{
    const auto& p = BuiltInPresets();
    ASSERT_EQ(p.size(), 17u);
    // GB2312 brackets and multiplication sign, ASCII inch mark.
    EXPECT_STREQ(p[0].name, "15\"LCD\xA3\xA8" "1024\xA1\xC1" "768\xA3\xA9");
    EXPECT_STREQ(p[1].name, "16.1\" UXGA TFT (1600x1200)");
    EXPECT_STREQ(p[3].name, "17\"W LCD (1280\xA1\xC1" "720)");
    EXPECT_STREQ(p[15].name, "27\"W LCD (1920\xA1\xC1" "1200)");
    EXPECT_STREQ(p[16].name, "30\"W LCD\xA3\xA8" "2560\xA1\xC1" "1600\xA3\xA9");
    EXPECT_EQ(p[0].width, 304.128f);
    EXPECT_EQ(p[1].height, 243.572f);
    EXPECT_EQ(p[8].height, 306.075f);
    EXPECT_EQ(p[16].dotPitch, 0.25f);
    for (const auto& m : p) EXPECT_LE(std::strlen(m.name), kMaxNameBytes);
}

TEST(MonitorPresets, RecordBytesAreTheStoredLayout)
{
    MonitorPreset p = MakePreset("AB", 1.0f, -2.0f, 0.5f);
    auto b = Serialize(p);
    EXPECT_EQ(b[0], 'A');
    EXPECT_EQ(b[1], 'B');
    for (int i = 2; i < 32; ++i) EXPECT_EQ(b[i], 0) << i;
    const uint8_t tail[12] = {0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x00, 0xC0, 0x00, 0x00, 0x00, 0x3F};
    EXPECT_EQ(std::memcmp(b.data() + 32, tail, 12), 0);

    MonitorPreset back{};
    ASSERT_TRUE(Parse(b.data(), b.size(), back));
    EXPECT_STREQ(back.name, "AB");
    EXPECT_EQ(back.height, -2.0f);
    EXPECT_FALSE(Parse(b.data(), 43, back));
}

TEST(MonitorPresets, StoredNameWithoutNulIsTerminated)
{
    uint8_t raw[44];
    std::memset(raw, 'x', sizeof raw);
    MonitorPreset p{};
    ASSERT_TRUE(Parse(raw, sizeof raw, p));
    EXPECT_EQ(std::strlen(p.name), 31u);
}

TEST(MonitorPresets, NamesAreCutTo31Bytes)
{
    std::string longName(40, 'n');
    MonitorPreset p = MakePreset(longName.c_str(), 1, 1, 1);
    EXPECT_EQ(std::string(p.name), std::string(31, 'n'));
    SetName(p, "short");
    EXPECT_STREQ(p.name, "short");
    EXPECT_EQ(p.name[31], 0);
}

TEST(MonitorPresets, ListCountIsLimitedToTheBytesThere)
{
    std::vector<MonitorPreset> list = {MakePreset("a", 1, 2, 3), MakePreset("b", 4, 5, 6), MakePreset("c", 7, 8, 9)};
    auto bytes = SerializeList(list);
    ASSERT_EQ(bytes.size(), 3 * 44u);
    EXPECT_EQ(ParseList(bytes.data(), bytes.size(), 3).size(), 3u);
    EXPECT_EQ(ParseList(bytes.data(), bytes.size(), 2).size(), 2u);
    auto capped = ParseList(bytes.data(), bytes.size(), 0xFFFFFFFFu);
    ASSERT_EQ(capped.size(), 3u);
    EXPECT_STREQ(capped[2].name, "c");
    EXPECT_EQ(capped[2].dotPitch, 9.0f);
    // A partial trailing record is not taken.
    EXPECT_EQ(ParseList(bytes.data(), bytes.size() - 1, 3).size(), 2u);
    EXPECT_TRUE(ParseList(nullptr, 100, 5).empty());
}

TEST(MonitorPresets, FieldNumberTableBothWays)
{
    EXPECT_EQ(FieldNumberByIndex(0), 0.16f);
    EXPECT_EQ(FieldNumberByIndex(3), 0.22f);
    EXPECT_EQ(FieldNumberByIndex(7), 0.5f);
    EXPECT_EQ(FieldNumberByIndex(8), -1.0f);
    EXPECT_EQ(FieldNumberByIndex(-1), -1.0f);
    for (int i = 0; i < kFieldNumberCount; ++i) EXPECT_EQ(IndexOfFieldNumber(FieldNumberByIndex(i)), i);
    EXPECT_EQ(IndexOfFieldNumber(0.0f), 0);
    EXPECT_EQ(IndexOfFieldNumber(0.21f), 3);
    EXPECT_EQ(IndexOfFieldNumber(0.51f), 8);
}

TEST(MonitorPresets, DiagonalArithmetic)
{
    // A 12 x 16 inch screen is 20 inches across.
    EXPECT_NEAR(DiagonalInches(304.8, 406.4), 20.0, 1e-9);
    EXPECT_EQ(SliderPositionForDiagonal(20.999), 2099);
    EXPECT_EQ(SliderPositionForDiagonal(1e300), 0);
    EXPECT_NEAR(MillimetresPerPixel(20.0, 1200, 1600), 20.0 * 25.4 / 2000.0, 1e-12);
    EXPECT_EQ(MillimetresPerPixel(20.0, 0, 0), 0.0);
}
