#include "annotation/ImageGroupFile.h"
#include "annotation/MediaNames.h"

#include <gtest/gtest.h>

#include <vector>

using namespace zelvo::annotation;

namespace {

// A whole group file: the index, then pictures of the given sizes (bytes of
// each picture numbered by their picture).
std::vector<uint8_t> GroupFile(const std::vector<uint64_t>& sizes, int32_t current)
{
    std::vector<uint8_t> file = ImageGroupIndexBytes(current, ImageGroupOffsets(sizes));
    for (size_t i = 0; i < sizes.size(); ++i) file.insert(file.end(), (size_t)sizes[i], (uint8_t)(i + 1));
    return file;
}

} // namespace

TEST(ImageGroupFile, PicturesFollowTheIndexAndReadBack)
{
    const std::vector<uint8_t> file = GroupFile({1000, 2000, 1500}, 1);
    EXPECT_EQ(file.size(), 4532u);
    ImageGroupIndex index;
    ASSERT_TRUE(ReadImageGroupIndex(file.data(), file.size(), file.size(), index));
    EXPECT_EQ(index.count, 3);
    EXPECT_EQ(index.current, 1);
    EXPECT_EQ(index.offsets, (std::vector<uint32_t>{32, 1032, 3032}));
    // The reserved words are zero; each offset points at its own picture.
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(file[12 + 8 * i], 0);
        EXPECT_EQ(file[index.offsets[(size_t)i]], i + 1);
    }
}

TEST(ImageGroupFile, UnreadablePictureTakesNoBytes)
{
    // The second picture could not be opened: its offset is the third's.
    const std::vector<uint8_t> file = GroupFile({10, 0, 20}, 0);
    ImageGroupIndex index;
    ASSERT_TRUE(ReadImageGroupIndex(file.data(), file.size(), file.size(), index));
    EXPECT_EQ(index.offsets[1], index.offsets[2]);
    // The last one missing: its offset is the end of the file, still sound.
    const std::vector<uint8_t> tail = GroupFile({10, 0}, 0);
    ASSERT_TRUE(ReadImageGroupIndex(tail.data(), tail.size(), tail.size(), index));
    EXPECT_EQ(index.offsets[1], tail.size());
}

TEST(ImageGroupFile, CurrentIndexOutsideTheGroupShowsTheFirst)
{
    for (int32_t stored : {-1, 3, 1000}) {
        const std::vector<uint8_t> file = GroupFile({5, 5, 5}, stored);
        ImageGroupIndex index;
        ASSERT_TRUE(ReadImageGroupIndex(file.data(), file.size(), file.size(), index));
        EXPECT_EQ(index.current, 0) << stored;
    }
}

TEST(ImageGroupFile, IndexRewriteTouchesOnlyItsFourBytes)
{
    std::vector<uint8_t> file = GroupFile({1000, 2000, 1500}, 0);
    const std::vector<uint8_t> before = file;
    EXPECT_FALSE(RewriteImageGroupIndex(file.data(), file.size(), 0));
    EXPECT_EQ(file, before);
    ASSERT_TRUE(RewriteImageGroupIndex(file.data(), file.size(), 2));
    for (size_t i = 0; i < file.size(); ++i)
        if (i < 4 || i > 7) ASSERT_EQ(file[i], before[i]) << i;
    ImageGroupIndex index;
    ASSERT_TRUE(ReadImageGroupIndex(file.data(), file.size(), file.size(), index));
    EXPECT_EQ(index.current, 2);
    EXPECT_FALSE(RewriteImageGroupIndex(file.data(), 7, 1));
}

TEST(ImageGroupFile, HostileIndexesAreRefused)
{
    ImageGroupIndex index;
    std::vector<uint8_t> file = GroupFile({100, 100}, 0);
    // An offset past the end of the file.
    std::vector<uint8_t> bad = file;
    bad[16] = 0xFF;
    bad[17] = 0xFF;
    EXPECT_FALSE(ReadImageGroupIndex(bad.data(), bad.size(), bad.size(), index));
    // An offset inside the index itself.
    bad = file;
    bad[8] = 4;
    bad[9] = 0;
    EXPECT_FALSE(ReadImageGroupIndex(bad.data(), bad.size(), bad.size(), index));
    // Counts whose table does not fit the file, and a negative count.
    for (uint8_t high : {0x00, 0x7F, 0xFF}) {
        bad = file;
        bad[0] = 0xF0;
        bad[3] = high;
        EXPECT_FALSE(ReadImageGroupIndex(bad.data(), bad.size(), bad.size(), index)) << (int)high;
        EXPECT_EQ(index.count, 0);
        EXPECT_TRUE(index.offsets.empty());
    }
    // Fewer bytes than the index, or a file shorter than its index says.
    EXPECT_FALSE(ReadImageGroupIndex(file.data(), 20, file.size(), index));
    EXPECT_FALSE(ReadImageGroupIndex(file.data(), file.size(), 20, index));
    EXPECT_FALSE(ReadImageGroupIndex(file.data(), 5, file.size(), index));
    // An empty group is sound and shows nothing.
    const std::vector<uint8_t> empty = GroupFile({}, 0);
    ASSERT_TRUE(ReadImageGroupIndex(empty.data(), empty.size(), empty.size(), index));
    EXPECT_EQ(index.count, 0);
}

TEST(MediaNames, CopiesAndGroupsLiveBesideTheMarkerFile)
{
    EXPECT_EQ(MediaCopyName("D:\\a\\s1.mrk", "C:\\pics\\Cell.JPG"), "D:\\a\\s1-Cell.tsg");
    EXPECT_EQ(MediaCopyName("", "C:\\pics\\Cell.jpg"), "-Cell.tsg");
    EXPECT_EQ(MediaCopyName("D:\\a\\s1.mrk", "C:\\v\\Clip.AVI"), "D:\\a\\s1-Clip.avi");
    EXPECT_EQ(ImageGroupName("D:\\a\\s1.mrk", "C:\\p\\cell.jpg", 4), "D:\\a\\s1-cell#4.sjp");
    // The marker's folder wins over the folder the file was linked in.
    EXPECT_EQ(LinkedCandidate("E:\\moved\\s1.mrk", "D:\\a\\s1-Cell.tsg"), "E:\\moved\\s1-Cell.tsg");
    EXPECT_EQ(NumberedName("D:\\a\\s1-Cell.tsg", 2), "D:\\a\\s1-Cell(2).tsg");
    EXPECT_EQ(FileNameOf("C:/x/y.avi"), "y.avi");
    EXPECT_TRUE(EndsWithNoCase("a.TSG", ".tsg"));
    EXPECT_FALSE(EndsWithNoCase("sg", ".tsg"));
}
