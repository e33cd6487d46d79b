#include "DrawingTestSupport.h"
#include "ObjectsTestSupport.h"
#include "TextNote.h"

#include <gtest/gtest.h>

#include <cstdlib>

using objects_test::HostWnd;
using drawing_test::MemSurface;
using zelvo::annotation::NoteRecord;
using zelvo::annotation::ObjectRecord;

namespace {

std::vector<uint8_t> RecordBytes(const CDrawObject& object)
{
    ObjectRecord record;
    EXPECT_TRUE(object.GetRecord(record));
    zelvo::ByteWriter out;
    zelvo::annotation::WriteObjectRecord(out, record);
    return out.take();
}

POINT Anchor(const CTextNote& note) { return POINT{note.m_attr.anchorX, note.m_attr.anchorY}; }

void ExpectBoxOffset(const CTextNote& note, int dx, int dy)
{
    EXPECT_EQ(note.m_box.left - note.m_attr.anchorX, dx);
    EXPECT_EQ(note.m_box.top - note.m_attr.anchorY, dy);
    EXPECT_EQ(note.m_box.right - note.m_box.left, 80);
    EXPECT_EQ(note.m_box.bottom - note.m_box.top, 50);
}

} // namespace

TEST(TextNote, NewNotesArePlacedAtTheClickAndMirroredFromTheEdges)
{
    HostWnd host;
    CTextNote mark(&host, DefaultDrawAttributes(), nullptr, nullptr, DRAW_NOTE_MARK);
    mark.BeginCreate(200, 150);
    EXPECT_EQ(Anchor(mark).x, 200);
    EXPECT_EQ(Anchor(mark).y, 150);
    ExpectBoxOffset(mark, -100, -70);
    EXPECT_TRUE(mark.HasTail());
    EXPECT_EQ(mark.GetCenter().x, 200);

    // Too near the top-left corner: the box goes to the other side of the anchor.
    CTextNote edge(&host, DefaultDrawAttributes(), nullptr, nullptr, DRAW_NOTE_MARK);
    edge.BeginCreate(50, 30);
    EXPECT_EQ(edge.m_box.left, 70);
    EXPECT_EQ(edge.m_box.right, 150);
    EXPECT_EQ(edge.m_box.top, 50);
    EXPECT_EQ(edge.m_box.bottom, 100);

    // A title points at its own corner and never grows a tail.
    CTextNote title(&host, DefaultDrawAttributes(), nullptr, nullptr, DRAW_NOTE_TITLE);
    EXPECT_EQ(Anchor(title).x, title.m_box.left);
    EXPECT_EQ(Anchor(title).y, title.m_box.top);
    title.SetVisible(TRUE);
    title.SetSelected(TRUE);
    ASSERT_TRUE(title.OnLButtonDown(Anchor(title).x, Anchor(title).y));
    EXPECT_TRUE(title.OnMouseMove(400, 300));
    title.OnLButtonUp(400, 300);
    EXPECT_EQ(Anchor(title).x, 400);
    EXPECT_FALSE(title.HasTail());
}

TEST(TextNote, ZoomKeepsTheBoxOnScreenAndTheAnchorOnItsPixel)
{
    HostWnd host;
    CTextNote note(&host, DefaultDrawAttributes(), nullptr, nullptr, DRAW_NOTE_MARK);
    note.BeginCreate(1234, 567);

    note.SetScale(0.1, 0.1);
    EXPECT_EQ(Anchor(note).x, 123);
    EXPECT_EQ(Anchor(note).y, 57);
    ExpectBoxOffset(note, -100, -70);
    // Back in: the very pixel it pointed at, not one rounded by the zoom.
    note.SetScale(1.0, 1.0);
    EXPECT_EQ(Anchor(note).x, 1234);
    EXPECT_EQ(Anchor(note).y, 567);
    note.SetScale(2.0, 2.0);
    EXPECT_EQ(Anchor(note).x, 2468);
    ExpectBoxOffset(note, -100, -70);
    EXPECT_EQ(note.GetCenter().x, 1234);

    // Saved at this zoom, loaded and shown at another.
    note.m_text = "标注";
    ObjectRecord record;
    ASSERT_TRUE(note.GetRecord(record));
    const NoteRecord& saved = std::get<NoteRecord>(record);
    EXPECT_EQ(saved.attributes.anchorX(), 1234);
    EXPECT_EQ(saved.attributes.box(0), 1134);
    CTextNote loaded(&host, DefaultDrawAttributes(), nullptr, nullptr, DRAW_NOTE_MARK);
    ASSERT_TRUE(loaded.SetRecord(record));
    EXPECT_EQ(loaded.m_text, CString("标注"));
    loaded.SetScale(0.5, 0.5);
    EXPECT_EQ(Anchor(loaded).x, 617);
    ExpectBoxOffset(loaded, -100, -70);

    // Saved and loaded again and again at a zoom that rounds: nothing moves.
    note.SetScale(0.3, 0.3);
    const std::vector<uint8_t> first = RecordBytes(note);
    for (int round = 0; round < 3; ++round) {
        CTextNote again(&host, DefaultDrawAttributes(), nullptr, nullptr, DRAW_NOTE_MARK);
        ObjectRecord r;
        note.GetRecord(r);
        ASSERT_TRUE(again.SetRecord(r));
        again.SetScale(0.3, 0.3);
        EXPECT_EQ(RecordBytes(again), first) << round;
    }
}

TEST(TextNote, DraggingAndEditingInPlace)
{
    HostWnd host;
    int changes = 0;
    CTextNote note(&host, DefaultDrawAttributes(), &objects_test::CountChange, &changes, DRAW_NOTE_MARK);
    note.SetScroll(10, 20);  // client = zoomed - (10, 20)
    note.SetVisible(TRUE);
    note.SetSelected(TRUE);

    // The box moves with its anchor.
    ASSERT_TRUE(note.OnLButtonDown(46 - 10, 47 - 20));
    EXPECT_TRUE(note.OnMouseMove(56 - 10, 62 - 20));
    EXPECT_TRUE(note.OnLButtonUp(56 - 10, 62 - 20));
    EXPECT_EQ(note.m_box.left, 50);
    EXPECT_EQ(note.m_box.top, 55);
    EXPECT_EQ(Anchor(note).x, 150);
    EXPECT_EQ(Anchor(note).y, 125);
    EXPECT_EQ(changes, 1);

    // The anchor alone.
    ASSERT_TRUE(note.OnLButtonDown(150 - 10, 125 - 20));
    note.OnMouseMove(300 - 10, 300 - 20);
    note.OnLButtonUp(300 - 10, 300 - 20);
    EXPECT_EQ(Anchor(note).x, 300);
    EXPECT_EQ(note.m_box.left, 50);

    // A click in the text opens the edit; ending it takes the text and tells the layer.
    const int before = changes;
    const int tx = (note.m_shape.textRect.left + note.m_shape.textRect.right) / 2 - 10;
    const int ty = (note.m_shape.textRect.top + note.m_shape.textRect.bottom) / 2 - 20;
    note.OnLButtonDown(tx, ty);
    EXPECT_EQ(note.OnLButtonUp(tx, ty), 1);
    ASSERT_NE(note.m_pEdit, nullptr);
    // Another program on the shared display may take the focus, which would
    // end the edit early; here the edit is ended by hand.
    note.m_pEdit->SetOwnerNote(nullptr);
    note.m_pEdit->SetWindowText("新的说明");
    note.EndEdit();
    EXPECT_EQ(note.m_pEdit, nullptr);
    EXPECT_EQ(note.GetText(), CString("新的说明"));
    EXPECT_EQ(changes, before + 2);  // the click, then the edit

    // A click away from it deselects.
    EXPECT_EQ(note.OnLButtonUp(700, 500), 0);
    EXPECT_FALSE(note.GetFlags() & DOF_SELECTED);
}

TEST(TextNote, FillAndBorderDrawing)
{
    const COLORREF red = RGB(255, 0, 0), blue = RGB(0, 0, 255);
    DrawAttributes a = DefaultDrawAttributes();
    a.fillColor = red;
    a.borderColor = RGB(0, 0, 0);
    a.bkMode = OPAQUE;
    HostWnd host;
    CTextNote note(&host, a, nullptr, nullptr, DRAW_NOTE_TITLE);  // box (40, 40)-(120, 90), no tail
    note.SetVisible(TRUE);
    MemSurface s(200, 150);
    s.Fill(blue, 200, 150);

    note.Draw(s.dc);
    EXPECT_EQ(s.At(80, 65), red);
    EXPECT_EQ(s.At(43, 65), RGB(0, 0, 0));  // the outline's left side

    // White means no border line at all.
    note.m_attr.borderColor = RGB(255, 255, 255);
    s.Fill(blue, 200, 150);
    note.Draw(s.dc);
    EXPECT_NE(s.At(43, 65), RGB(0, 0, 0));
    EXPECT_EQ(s.At(60, 65), red);

    // Translucent: the slide shows through.
    note.m_attr.bkMode = TRANSPARENT;
    s.Fill(blue, 200, 150);
    note.Draw(s.dc);
    const COLORREF mixed = s.At(80, 65);
    EXPECT_NEAR(GetRValue(mixed), 144, 2);
    EXPECT_NEAR(GetBValue(mixed), 111, 2);
    EXPECT_EQ(s.At(10, 10), blue);
}
