#include "DrawObject.h"
#include "DrawingTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

using drawing_test::MemSurface;

namespace {

class CountingObject : public CDrawObject {
public:
    using CDrawObject::CDrawObject;
    void Rescale(double sx, double sy) override
    {
        ++rescales;
        CDrawObject::Rescale(sx, sy);
    }
    int rescales = 0;
};

int Changed(void* context, CDrawObject*) { return ++*static_cast<int*>(context); }

} // namespace

TEST(DrawObject, AttributeBlockDefaultsAndKindTexts)
{
    DrawAttributes a = DefaultDrawAttributes();
    EXPECT_EQ(a.bkMode, 1);
    EXPECT_EQ(a.blink, 0);
    EXPECT_EQ(a.textColor, 0xFFFFFFu);
    EXPECT_EQ(a.textBkColor, 0x7F7F7Fu);
    EXPECT_EQ(a.fillColor, 0x7F7F7Fu);
    EXPECT_EQ(a.borderColor, 0u);
    // The block goes to files byte for byte: check where the words land.
    unsigned char bytes[136];
    a.anchorX = 0x04030201;
    a.borderColor = 0x0A0B0C0D;
    std::memcpy(bytes, &a, sizeof a);
    EXPECT_EQ(bytes[0], 0x01);
    EXPECT_EQ(bytes[3], 0x04);
    EXPECT_EQ(bytes[100], 1);
    EXPECT_EQ(bytes[132], 0x0D);
    EXPECT_EQ(bytes[135], 0x0A);

    EXPECT_STREQ(DrawKindText(DRAW_REGION), "区域");
    EXPECT_STREQ(DrawKindText(DRAW_ARC), "圆弧");
    EXPECT_STREQ(DrawKindText(DRAW_ARC, true), "弧长");
    EXPECT_STREQ(DrawKindText(DRAW_IMAGE_OLD), DrawKindText(DRAW_IMAGE));
    EXPECT_STREQ(DrawKindText(DRAW_IMAGE_GROUP), "组图");
    // GB2312 in the program: two bytes per character.
    EXPECT_EQ(std::strlen(DrawKindText(DRAW_FREEHAND)), 4u);
    for (int id : {0, 15, 50, 100, 104, -1}) EXPECT_FALSE(IsKnownDrawType(id)) << id;
    for (int id : {1, 14, 101, 103}) EXPECT_TRUE(IsKnownDrawType(id)) << id;
}

TEST(DrawObject, TransformsAtScaleTwoWithScrollOffset)
{
    CDrawObject o(nullptr, nullptr, nullptr);
    o.SetScale(2.0, 2.0);
    o.SetScroll(10, 20);
    POINT p{30, 40};
    o.ScreenToImagePoint(&p);
    EXPECT_EQ(p.x, 20);
    EXPECT_EQ(p.y, 30);
    o.ImageToScreenPoint(&p);
    EXPECT_EQ(p.x, 30);
    EXPECT_EQ(p.y, 40);

    RECT r{30, 40, 50, 60};
    o.ScreenToImageRect(&r);
    EXPECT_EQ(r.left, 20);
    EXPECT_EQ(r.top, 30);
    EXPECT_EQ(r.right, 30);
    EXPECT_EQ(r.bottom, 40);
    o.ImageToScreenRect(&r);
    EXPECT_EQ(r.left, 30);
    EXPECT_EQ(r.bottom, 60);

    // Sizes ignore the scroll offset.
    SIZE s{7, 8};
    o.ScreenToImageSize(&s);
    EXPECT_EQ(s.cx, 4);  // 3.5 rounds up
    EXPECT_EQ(s.cy, 4);
    o.ImageToScreenSize(&s);
    EXPECT_EQ(s.cx, 8);

    // Rounding adds 0.5 and truncates toward zero.
    CDrawObject n(nullptr, nullptr, nullptr);
    n.SetScale(2.0, 2.0);
    POINT q{-5, -7};
    n.ScreenToImagePoint(&q);
    EXPECT_EQ(q.x, -2);
    EXPECT_EQ(q.y, -3);

    // Different scales per axis.
    n.SetScale(0.5, 4.0);
    POINT img{10, 10};
    n.ImageToScreenPoint(&img);
    EXPECT_EQ(img.x, 5);
    EXPECT_EQ(img.y, 40);

    // A zero scale must not be undefined behaviour.
    n.SetScale(0.0, 0.0);
    POINT z{5, 0};
    n.ScreenToImagePoint(&z);
    EXPECT_EQ(z.x, INT_MAX);
}

TEST(DrawObject, BaseStateOperations)
{
    CWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, nullptr, "t", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr));
    int changes = 0;
    CountingObject o(&wnd, &Changed, &changes);
    o.SetScale(1.0, 1.0);
    EXPECT_EQ(o.rescales, 0);
    o.SetScale(1.0, 3.0);
    EXPECT_EQ(o.rescales, 1);
    EXPECT_EQ(o.m_scaleY, 3.0);

    ::ValidateRect(wnd.m_hWnd, nullptr);
    EXPECT_EQ(o.SetHighlight(TRUE), 1);
    EXPECT_TRUE(::GetUpdateRect(wnd.m_hWnd, nullptr, FALSE));
    ::ValidateRect(wnd.m_hWnd, nullptr);
    EXPECT_EQ(o.SetHighlight(TRUE), 0);
    EXPECT_FALSE(::GetUpdateRect(wnd.m_hWnd, nullptr, FALSE));
    EXPECT_EQ(o.SetHighlight(FALSE), 1);
    EXPECT_EQ(o.GetFlags() & DOF_HIGHLIGHT, 0);

    o.SetSelected(TRUE);
    o.SetVisible(TRUE);
    EXPECT_EQ(o.GetFlags(), DOF_SELECTED | DOF_VISIBLE);
    o.SetSelected(FALSE);
    EXPECT_EQ(o.GetFlags(), DOF_VISIBLE);

    POINT c = o.GetCenter();
    EXPECT_EQ(c.x, 0);
    EXPECT_EQ(c.y, 0);
    RECT b{1, 2, 3, 4};
    o.GetBoundRect(&b);
    EXPECT_TRUE(b.left == 0 && b.top == 0 && b.right == 0 && b.bottom == 0);

    DrawAttributes a = DefaultDrawAttributes();
    a.fillColor = 0x123456;
    ::ValidateRect(wnd.m_hWnd, nullptr);
    o.SetAttributes(a);
    EXPECT_TRUE(::GetUpdateRect(wnd.m_hWnd, nullptr, FALSE));
    DrawAttributes back;
    EXPECT_EQ(o.GetAttributes(&back), &back);
    EXPECT_EQ(back.fillColor, 0x123456u);
    wnd.DestroyWindow();
}

TEST(DrawObject, RegionResultTextInTheProgramsCodePage)
{
    CDrawObject o(nullptr, nullptr, nullptr);
    o.SetResolution(1000000, 1000000);
    CString text;
    zelvo::geom::RegionResults r =
        o.ComputeRegionResults({{0, 0}, {100, -150}, {200, -150}, {300, 0}, {200, 150}, {100, 150}}, &text);
    EXPECT_EQ(r.areaPixels, 60501);
    const CString expectedStart = "面积=60501.00μm^2,  周长=";
    EXPECT_EQ(CString(text.GetString(), expectedStart.GetLength()), expectedStart) << text.GetString();
    EXPECT_NE(text.Find("复杂度="), -1);
}

TEST(DrawObject, TranslucentFillBlendsInsideThePolygonOnly)
{
    MemSurface s(40, 40);
    s.Fill(RGB(200, 100, 0), 40, 40);
    const POINT square[4] = {{10, 10}, {30, 10}, {30, 30}, {10, 30}};
    CDrawObject::FillRegionAlpha(s.dc, square, 4, RGB(0, 0, 200));
    // 144 of 255 of the colour over the rest of the background.
    const COLORREF inside = s.At(20, 20);
    EXPECT_NEAR(GetRValue(inside), 200 * 111 / 255.0, 1.0);
    EXPECT_NEAR(GetGValue(inside), 100 * 111 / 255.0, 1.0);
    EXPECT_NEAR(GetBValue(inside), 200 * 144 / 255.0, 1.0);
    EXPECT_EQ(s.At(5, 5), RGB(200, 100, 0));
    EXPECT_EQ(s.At(35, 20), RGB(200, 100, 0));

    // The clip region of the target is left as it was: none.
    HRGN probe = ::CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(::GetClipRgn(s.dc, probe), 0);

    // With a clip of its own, the target keeps it.
    HRGN clip = ::CreateRectRgn(0, 0, 15, 40);
    ::SelectClipRgn(s.dc, clip);
    CDrawObject::FillRegionAlpha(s.dc, square, 4, RGB(0, 0, 200));
    EXPECT_EQ(::GetClipRgn(s.dc, probe), 1);
    RECT box;
    ::GetRgnBox(probe, &box);
    EXPECT_EQ(box.right, 15);
    ::SelectClipRgn(s.dc, nullptr);
    ::DeleteObject(clip);
    ::DeleteObject(probe);

    // White is invisible; degenerate polygons draw nothing.
    MemSurface w(40, 40);
    w.Fill(RGB(10, 20, 30), 40, 40);
    CDrawObject::FillRegionAlpha(w.dc, square, 4, 0xFFFFFF);
    const POINT line[2] = {{5, 5}, {35, 5}};
    CDrawObject::FillRegionAlpha(w.dc, line, 2, RGB(255, 0, 0));
    CDrawObject::FillRegionAlpha(w.dc, nullptr, 0, RGB(255, 0, 0));
    EXPECT_EQ(w.At(20, 20), RGB(10, 20, 30));
    EXPECT_EQ(w.At(20, 5), RGB(10, 20, 30));
}
