// Where the thumbnails put a slide's picture, read back from their bitmaps.
#include "CatalogueJpeg.h"
#include "JpegTestData.h"
#include "Thumbnails.h"

#include <gtest/gtest.h>

namespace {

struct Pixels {
    explicit Pixels(HBITMAP b) : bitmap(b) {}
    COLORREF At(int x, int y) const
    {
        HDC dc = ::CreateCompatibleDC(nullptr);
        HGDIOBJ old = ::SelectObject(dc, bitmap);
        COLORREF c = ::GetPixel(dc, x, y);
        ::SelectObject(dc, old);
        ::DeleteDC(dc);
        return c;
    }
    HBITMAP bitmap;
};

} // namespace

TEST(Thumbnails, PicturesAreShrunkIntoTheirBoxAndCentred)
{
    JpegParams p;
    p.width = 400;
    p.height = 100;
    std::vector<uint8_t> jpeg = EncodeJpeg(p);
    CDib picture;
    ASSERT_TRUE(DecodeJpeg(picture, jpeg.data(), jpeg.size(), false));

    // Icon: 200 x 50 at the vertical centre of the dark blue square.
    Pixels icon(MakeIconThumbnail(picture, false));
    EXPECT_EQ(icon.At(100, 10), RGB(20, 50, 100));
    EXPECT_EQ(icon.At(100, 74), RGB(20, 50, 100));
    EXPECT_NE(icon.At(100, 100), RGB(20, 50, 100));

    // Tile: 86 x 21 centred in the 86 x 86 box that starts at (112, 7).
    Pixels tile(MakeTileThumbnail(picture, false, _T("TIFF"), _T("0.25")));
    EXPECT_EQ(tile.At(0, 0), RGB(230, 230, 240));
    EXPECT_EQ(tile.At(1, 50), RGB(200, 200, 220));
    EXPECT_EQ(tile.At(299, 50), RGB(130, 130, 150));
    EXPECT_EQ(tile.At(10, 50), RGB(50, 50, 200));
    EXPECT_EQ(tile.At(155, 20), RGB(230, 230, 240));
    EXPECT_EQ(tile.At(155, 90), RGB(230, 230, 240));
    EXPECT_NE(tile.At(155, 50), RGB(230, 230, 240));
    // The picture's own colours land there, shrunk.
    CDib plain;
    p.components = 1;
    std::vector<uint8_t> grey = EncodeJpeg(p);
    ASSERT_TRUE(DecodeJpeg(plain, grey.data(), grey.size(), false));
    Pixels greyTile(MakeTileThumbnail(plain, false, nullptr, nullptr));
    COLORREF c = greyTile.At(155, 50);
    EXPECT_TRUE(GetRValue(c) == GetGValue(c) && GetGValue(c) == GetBValue(c));
}

TEST(Thumbnails, AnEmptyPictureLeavesTheBoxesBlank)
{
    CDib none;
    Pixels icon(MakeIconThumbnail(none, false));
    EXPECT_EQ(icon.At(100, 100), RGB(20, 50, 100));
    Pixels tile(MakeTileThumbnail(none, true, _T("x"), _T("y")));
    EXPECT_EQ(tile.At(155, 50), RGB(230, 230, 240));
}
