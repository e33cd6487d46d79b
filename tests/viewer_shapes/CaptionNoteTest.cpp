#include "AnnotationLayer.h"
#include "CaptionNote.h"
#include "ObjectsTestSupport.h"

#include "annotation/ObjectFiles.h"

#include <gtest/gtest.h>

using objects_test::HostWnd;

namespace {

void ExpectBox(const CTextNote& note, LONG left, LONG top, LONG right, LONG bottom)
{
    EXPECT_EQ(note.m_box.left, left);
    EXPECT_EQ(note.m_box.top, top);
    EXPECT_EQ(note.m_box.right, right);
    EXPECT_EQ(note.m_box.bottom, bottom);
}

// An annotation layer in edit mode over an 800 x 600 window.
struct Layer {
    Layer()
    {
        layer.Reset(&host);
        layer.SetEditMode(1);
    }
    CCaptionNote* Caption() { return dynamic_cast<CCaptionNote*>(layer.GetObjectAt(0)); }
    HostWnd host;
    CAnnotationLayer layer;
};

} // namespace

TEST(CaptionNote, StartsTopRightFirstInTheListAndNeitherZoomsNorScrolls)
{
    Layer l;
    l.layer.SetToolType(DRAW_NOTE_MARK, 1);
    l.layer.CreateAt(200, 200);
    l.layer.SetToolType(DRAW_CAPTION, 1);
    ASSERT_EQ(l.layer.HasCaption(), 1);
    l.layer.SetToolType(DRAW_CAPTION, 1);  // only one
    ASSERT_EQ(l.layer.GetCount(), 2);
    CCaptionNote* caption = l.Caption();
    ASSERT_NE(caption, nullptr);
    EXPECT_EQ(caption->GetType(), DRAW_CAPTION);
    ExpectBox(*caption, 300, 0, 800, 300);
    EXPECT_EQ(caption->GetAnchorScreenPoint().x, -140);
    EXPECT_FALSE(caption->HasTail());
    // Notes go behind it.
    l.layer.SetToolType(DRAW_NOTE_MARK, 1);
    l.layer.CreateAt(100, 100);
    EXPECT_EQ(l.layer.GetObjectAt(0), caption);
    EXPECT_EQ(l.layer.GetSelectedIndex(), 1);

    l.layer.SetScale(2.0f, 2.0f, 1000000, 1000000);
    l.layer.SetScroll(100, 50);
    RECT bound;
    caption->GetBoundRect(&bound);
    EXPECT_EQ(bound.right, 800);
    EXPECT_EQ(bound.top, -116);  // the box, stretched to the anchor's mark
    EXPECT_EQ(caption->m_scaleX, 1.0);

    // Hovering never highlights it.
    l.layer.SetEditMode(0);
    l.layer.ShowCaption(1);
    l.layer.OnMouseMove(0, CPoint(-140, -110));
    EXPECT_FALSE(caption->GetFlags() & DOF_HIGHLIGHT);
}

TEST(CaptionNote, KeptInsideTheWindowAndFollowsTheRightEdgeUntilDragged)
{
    Layer l;
    l.layer.SetToolType(DRAW_CAPTION, 1);
    CCaptionNote* caption = l.Caption();
    ASSERT_NE(caption, nullptr);

    // Narrower than the caption: its left edge on the window's, the rest cut off.
    l.layer.OnViewSize(SIZE_RESTORED, 300, 600);
    ExpectBox(*caption, 0, 0, 500, 300);
    EXPECT_EQ(caption->IsPinnedRight(), 1);
    l.layer.OnViewSize(SIZE_RESTORED, 1000, 600);
    ExpectBox(*caption, 500, 0, 1000, 300);

    // Dragged down and left: it no longer follows the right edge; a lower
    // window pushes it up, never past the top.
    ASSERT_EQ(caption->OnLButtonDown(700, 150), 1);
    EXPECT_EQ(caption->IsPinnedRight(), 0);
    EXPECT_EQ(caption->OnMouseMove(600, 250), 0);
    caption->OnLButtonUp(600, 250);
    ExpectBox(*caption, 400, 100, 900, 400);
    l.layer.OnViewSize(SIZE_RESTORED, 1200, 350);
    ExpectBox(*caption, 400, 50, 900, 350);
    l.layer.OnViewSize(SIZE_RESTORED, 1200, 100);
    ExpectBox(*caption, 400, 0, 900, 300);
    // Dragged above and left of the window, as a file may hold it: it comes back in.
    caption->OnLButtonDown(600, 150);
    caption->OnMouseMove(100, -250);
    caption->OnLButtonUp(100, -250);
    l.layer.OnViewSize(SIZE_RESTORED, 1200, 600);
    ExpectBox(*caption, 0, 0, 500, 300);

    // A handle dragged past the opposite edge stops there: the box never
    // turns inside out and loses its text.
    caption->OnLButtonDown(0, 0);
    ASSERT_EQ(caption->m_dragCode, 3);  // the top-left handle
    caption->OnMouseMove(1000, 20);
    caption->OnLButtonUp(1000, 20);
    EXPECT_EQ(caption->m_box.left, caption->m_box.right);
    EXPECT_EQ(caption->m_box.top, 20);
}

TEST(CaptionNote, WrittenFirstWithItsTextAsTheHeaderAndReadBackInside)
{
    Layer l;
    l.layer.SetToolType(DRAW_ARROW, 1);
    l.layer.CreateAt(300, 300);
    l.layer.SetToolType(DRAW_CAPTION, 1);
    l.Caption()->SetText("肝小叶");
    objects_test::TempFile file("caption.mrk");
    ASSERT_TRUE(l.layer.WriteFile(file.path.c_str()));
    const std::vector<uint8_t> bytes = file.Bytes();
    ASSERT_GE(bytes.size(), 10u);
    EXPECT_EQ(bytes[0], 6);  // the caption's text, GB2312
    EXPECT_EQ(std::string(bytes.begin() + 4, bytes.begin() + 10), std::string("肝小叶"));

    // A caption read at a place outside the window comes inside at once.
    zelvo::annotation::NoteRecord distant;
    distant.attributes.SetInt(zelvo::annotation::AttributeBlock::kAnchor, -140);
    distant.attributes.SetInt(zelvo::annotation::AttributeBlock::kAnchor + 4, -110);
    const int32_t box[4] = {2000, 700, 2500, 1000};
    for (int i = 0; i < 4; ++i) distant.attributes.SetInt(zelvo::annotation::AttributeBlock::kBox + 4 * i, box[i]);
    distant.text = "远处";
    zelvo::ByteWriter w;
    zelvo::annotation::WriteAnnotationHeader(w, distant.text, 1);
    zelvo::annotation::WriteObject(w, DRAW_CAPTION, distant);
    CMemFile mem(const_cast<BYTE*>(w.data().data()), (UINT)w.size());
    l.layer.ReadFile(mem);
    ASSERT_NE(l.Caption(), nullptr);
    EXPECT_EQ(l.layer.HasCaption(), 1);
    ExpectBox(*l.Caption(), 300, 300, 800, 600);
    EXPECT_EQ(l.Caption()->GetText(), CString("远处"));
}
