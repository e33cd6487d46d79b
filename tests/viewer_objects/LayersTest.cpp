#include "AnnotationLayer.h"
#include "FreehandMeasure.h"
#include "HostileMarks.h"
#include "MeasureLayer.h"
#include "ObjectMessages.h"
#include "ObjectsTestSupport.h"
#include "SegmentMeasure.h"
#include "TextNote.h"

#include "annotation/ObjectFiles.h"

#include <gtest/gtest.h>

using objects_test::HostWnd;
using objects_test::TempFile;
using testing_support::MessageBoxRecorder;

namespace {

CString TextOf(CAnnotationLayer& layer, int index)
{
    CTextNote* note = dynamic_cast<CTextNote*>(layer.GetObjectAt(index));
    return note ? note->GetText() : CString("-");
}

std::vector<int> Types(const CObjectLayerBase& layer)
{
    std::vector<int> types;
    for (int i = 0; i < layer.GetCount(); ++i) types.push_back(layer.GetObjectAt(i)->GetType());
    return types;
}

// Three notes and an arc made with the mouse, the notes texted by hand.
void MakeAnnotations(CAnnotationLayer& layer)
{
    const char* texts[] = {"甲", "乙", "丙"};
    for (const char* text : texts) {
        layer.SetToolType(DRAW_NOTE_MARK, 1);
        ASSERT_EQ(layer.CreateAt(300, 200), 1);
        static_cast<CTextNote*>(layer.GetSelected())->SetText(text);
    }
    layer.SetToolType(DRAW_ARC, 1);
    ASSERT_EQ(layer.CreateAt(400, 300), 1);
}

std::vector<uint8_t> ReadBack(CAnnotationLayer& layer, const std::vector<uint8_t>& bytes)
{
    CMemFile file(const_cast<BYTE*>(bytes.data()), (UINT)bytes.size());
    layer.ReadFile(file);
    return bytes;
}

} // namespace

TEST(AnnotationLayer, NotesGoToTheFrontShapesToTheBack)
{
    HostWnd host;
    CAnnotationLayer layer;
    layer.Reset(&host);
    layer.SetListWindow(&host);
    layer.SetEditMode(1);
    MakeAnnotations(layer);
    EXPECT_EQ(Types(layer), (std::vector<int>{DRAW_NOTE_MARK, DRAW_NOTE_MARK, DRAW_NOTE_MARK, DRAW_ARC}));
    EXPECT_EQ(TextOf(layer, 0), CString("丙"));
    EXPECT_EQ(layer.GetSelectedIndex(), 3);
    const std::vector<MSG> posted = host.TakePosted(WM_ANNOTATION_CHANGED);
    ASSERT_EQ(posted.size(), 4u);
    EXPECT_EQ(posted[0].wParam, (WPARAM)&layer);
    EXPECT_EQ(posted[3].lParam, 3);

    // Deleting before the selection shifts it; deleting it clears it. The
    // objects wait in the deleted list until the file is written.
    layer.DeleteAt(0);
    EXPECT_EQ(layer.GetSelectedIndex(), 2);
    layer.DeleteAt(2);
    EXPECT_EQ(layer.GetSelectedIndex(), -1);
    EXPECT_EQ(layer.GetDeletedCount(), 2);
    EXPECT_EQ(host.TakePosted(WM_ANNOTATION_CHANGED).size(), 2u);

    // Kinds this layer does not hold are not made, and nobody is told.
    for (int type : {(int)DRAW_SEGMENT, (int)DRAW_ANGLE, 15, 104}) {
        layer.SetToolType(type, 1);
        EXPECT_EQ(layer.CreateAt(10, 10), 0) << type;
    }
    EXPECT_EQ(layer.GetCount(), 2);
    EXPECT_TRUE(host.TakePosted(WM_ANNOTATION_CHANGED).empty());
}

TEST(AnnotationLayer, MouseCreatesSelectsAndDeletesInEditModeOnly)
{
    HostWnd host;
    CAnnotationLayer layer;
    layer.Reset(&host);
    layer.SetToolType(DRAW_NOTE_MARK, 1);
    // Not editing: clicks go to nobody.
    EXPECT_EQ(layer.OnLButtonDblClk(0, CPoint(300, 200)), 0);
    EXPECT_EQ(layer.GetCount(), 0);

    layer.SetEditMode(1);
    EXPECT_EQ(layer.OnLButtonDblClk(0, CPoint(300, 200)), 1);
    ASSERT_EQ(layer.GetCount(), 1);
    CTextNote* note = static_cast<CTextNote*>(layer.GetObjectAt(0));
    EXPECT_EQ(note->GetAnchorScreenPoint().x, 300);
    EXPECT_TRUE(note->GetFlags() & DOF_SELECTED);

    {
        MessageBoxRecorder no(IDNO);
        EXPECT_EQ(layer.OnLButtonDblClk(0, CPoint(250, 150)), 1);  // inside the box
        ASSERT_EQ(no.boxes.size(), 1u);
        EXPECT_EQ(no.boxes[0].text, "真要删除此目标吗？");
        EXPECT_EQ(no.boxes[0].caption, "目标删除");
        EXPECT_EQ(layer.GetCount(), 1);
    }
    MessageBoxRecorder yes(IDYES);
    EXPECT_EQ(layer.OnRButtonDown(0, CPoint(250, 150)), 1);
    EXPECT_EQ(layer.GetCount(), 0);
}

TEST(AnnotationLayer, FileKeepsTheOrderAndReadsBackByteForByte)
{
    HostWnd host;
    TempFile file("annotations.mrk");
    CAnnotationLayer layer;
    layer.Reset(&host);
    layer.SetEditMode(1);
    MakeAnnotations(layer);
    layer.DeleteAt(3);
    ASSERT_TRUE(layer.WriteFile(file.path.c_str()));
    EXPECT_EQ(layer.GetDeletedCount(), 0);
    EXPECT_EQ(layer.IsModified(), 0);
    const std::vector<uint8_t> written = file.Bytes();
    ASSERT_GT(written.size(), 30u);
    EXPECT_EQ(std::string(written.begin() + 8, written.begin() + 19), "TessarokV20");

    CAnnotationLayer loaded;
    loaded.Reset(&host);
    ReadBack(loaded, written);
    ASSERT_EQ(loaded.GetCount(), 3);
    EXPECT_EQ(TextOf(loaded, 0), CString("丙"));
    EXPECT_EQ(TextOf(loaded, 2), CString("甲"));
    EXPECT_EQ(loaded.GetToolType(), 0);
    TempFile again("annotations-again.mrk");
    ASSERT_TRUE(loaded.WriteFile(again.path.c_str()));
    EXPECT_EQ(again.Bytes(), written);

    // An empty layer removes its file.
    CAnnotationLayer empty;
    empty.Reset(&host);
    EXPECT_TRUE(empty.WriteFile(again.path.c_str()));
    EXPECT_FALSE(again.Exists());
}

TEST(AnnotationLayer, FailedSaveIsReportedAndTheOldFileSurvives)
{
    HostWnd host;
    TempFile file("kept.mrk");
    file.Write({1, 2, 3, 4});
    // The temporary file cannot be made where a folder of its name stands.
    const std::string blocker = file.path + ".tmp";
    ASSERT_TRUE(::CreateDirectoryA(blocker.c_str(), nullptr));
    CAnnotationLayer layer;
    layer.Reset(&host);
    layer.SetEditMode(1);
    MakeAnnotations(layer);
    {
        MessageBoxRecorder boxes;
        EXPECT_FALSE(layer.WriteFile(file.path.c_str()));
        EXPECT_EQ(boxes.boxes.size(), 1u);
    }
    ::RemoveDirectoryA(blocker.c_str());
    EXPECT_EQ(file.Bytes(), (std::vector<uint8_t>{1, 2, 3, 4}));
    EXPECT_EQ(layer.IsModified(), 1);
    EXPECT_EQ(layer.GetCount(), 4);
}

TEST(AnnotationLayer, TruncatedFilesKeepTheObjectsBeforeTheCutAndSayItOnce)
{
    HostWnd host;
    TempFile file("whole.mrk");
    CAnnotationLayer layer;
    layer.Reset(&host);
    layer.SetEditMode(1);
    MakeAnnotations(layer);
    ASSERT_TRUE(layer.WriteFile(file.path.c_str()));
    const std::vector<uint8_t> whole = file.Bytes();

    int previous = 0;
    for (size_t length = 0; length <= whole.size(); ++length) {
        std::vector<uint8_t> cut(whole.begin(), whole.begin() + length);
        MessageBoxRecorder boxes;
        CAnnotationLayer loaded;
        loaded.Reset(&host);
        ReadBack(loaded, cut);
        EXPECT_GE(loaded.GetCount(), previous) << length;
        previous = loaded.GetCount();
        EXPECT_EQ(boxes.boxes.size(), length == whole.size() ? 0u : 1u) << length;
    }
    EXPECT_EQ(previous, 4);
}

TEST(AnnotationLayer, HoveringAMarkOrRegionHoversTheNotesPointingIntoIt)
{
    HostWnd host;
    CAnnotationLayer layer;
    layer.Reset(&host);
    layer.SetEditMode(1);
    layer.SetToolType(DRAW_BRACKET, 1);
    layer.CreateAt(400, 300);  // its frame: 200..600 across, 240..360 down
    layer.SetToolType(DRAW_REGION, 1);
    layer.CreateAt(50, 500);  // the hexagon from (50, 500) to (350, 500)
    layer.SetToolType(DRAW_NOTE_MARK, 1);
    layer.CreateAt(450, 330);
    CDrawObject* inBracket = layer.GetSelected();
    layer.CreateAt(200, 520);
    CDrawObject* inRegion = layer.GetSelected();
    layer.SetEditMode(0);
    layer.ShowAll(1);

    layer.OnMouseMove(0, CPoint(300, 330));  // in the frame, off the brace's line
    EXPECT_TRUE(inBracket->IsHover());
    EXPECT_FALSE(inRegion->IsHover());
    layer.OnMouseMove(0, CPoint(200, 450));
    EXPECT_FALSE(inBracket->IsHover());
    EXPECT_TRUE(inRegion->IsHover());
}

TEST(Layers, EachLayerMakesAndReadsBackTheShapesItHolds)
{
    HostWnd host;
    TempFile marks("shapes.mrk"), results("shapes.rst");
    CAnnotationLayer notes;
    notes.Reset(&host);
    notes.SetEditMode(1);
    CMeasureLayer measures;
    measures.Reset(&host);
    measures.SetEditMode(1);
    const std::vector<int> annotated{DRAW_CIRCLE, DRAW_RECTANGLE, DRAW_ELLIPSE, DRAW_BRACKET, DRAW_ARROW};
    const std::vector<int> measured{DRAW_CIRCLE, DRAW_RECTANGLE, DRAW_ELLIPSE};
    for (int type : annotated) {
        notes.SetToolType(type, 1);
        EXPECT_EQ(notes.CreateAt(300, 300), 1) << type;
        measures.SetToolType(type, 1);
        measures.CreateAt(300, 300);
    }
    for (int type : {(int)DRAW_CAPTION, (int)DRAW_BRACKET, (int)DRAW_ARROW}) EXPECT_EQ(measures.CreateObject(type), 0);
    EXPECT_EQ(Types(notes), annotated);
    EXPECT_EQ(Types(measures), measured);

    ASSERT_TRUE(notes.WriteFile(marks.path.c_str()));
    ASSERT_TRUE(measures.WriteFile(results.path.c_str()));
    CAnnotationLayer notesBack;
    notesBack.Reset(&host);
    ReadBack(notesBack, marks.Bytes());
    EXPECT_EQ(Types(notesBack), annotated);
    CMeasureLayer measuresBack;
    measuresBack.Reset(&host);
    measuresBack.ReadFile(results.path.c_str());
    EXPECT_EQ(Types(measuresBack), measured);
    TempFile again("shapes-again.rst");
    ASSERT_TRUE(measuresBack.WriteFile(again.path.c_str()));
    EXPECT_EQ(again.Bytes(), results.Bytes());
}

TEST(AnnotationLayer, AMarkerFileWithACoordinateOfTheIntRangeKeepsWhatCameBeforeAndSaysItOnce)
{
    HostWnd host;
    for (int32_t type : objects_test::kHostileTypes) {
        TempFile marks("hostile.mrk");
        marks.Write(objects_test::HostileMarks(type));
        CFile file;
        ASSERT_TRUE(file.Open(marks.path.c_str(), CFile::modeRead | CFile::shareDenyWrite));
        MessageBoxRecorder boxes;
        CAnnotationLayer layer;
        layer.Reset(&host);
        layer.ReadFile(file);
        file.Close();
        EXPECT_EQ(Types(layer), (std::vector<int>{DRAW_NOTE_MARK, DRAW_REGION, DRAW_FREEHAND})) << type;
        EXPECT_EQ(TextOf(layer, 0), CString("前面的标示"));
        ASSERT_EQ(boxes.boxes.size(), 1u) << type;
        EXPECT_EQ(boxes.boxes[0].text, "文件已损坏或含有本程序不认识的对象，只读入了其前面的 3 个对象。");
    }
}

TEST(MeasureLayer, MeasurementsAreNumberedByTheirPlace)
{
    HostWnd host;
    CMeasureLayer layer;
    layer.Reset(&host);
    layer.SetNotifyWindow(&host);
    layer.SetEditMode(1);
    layer.SetToolType(DRAW_SEGMENT, 1);
    for (int i = 0; i < 3; ++i) ASSERT_EQ(layer.CreateAt(100 + 100 * i, 400), 1);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(layer.GetObjectAt(i)->m_number, i);
    // Only the newest is selected.
    EXPECT_EQ(layer.GetSelectedIndex(), 2);
    EXPECT_FALSE(layer.GetObjectAt(1)->GetFlags() & DOF_SELECTED);
    EXPECT_EQ(host.TakePosted(WM_MEASURE_CHANGED).size(), 3u);

    layer.DeleteAt(0);
    EXPECT_EQ(layer.GetObjectAt(0)->m_number, 0);
    EXPECT_EQ(layer.GetObjectAt(1)->m_number, 1);
    EXPECT_EQ(layer.GetSelectedIndex(), 1);
    const std::vector<MSG> posted = host.TakePosted(WM_MEASURE_CHANGED);
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].lParam, 0);

    // Pressing the selected one tells the dialog its kind.
    EXPECT_EQ(layer.OnLButtonDown(0, CPoint(300, 400)), 1);
    const std::vector<MSG> selected = host.TakePosted(WM_MEASURE_SELECTED);
    ASSERT_EQ(selected.size(), 1u);
    EXPECT_EQ(selected[0].wParam, 3u);
    EXPECT_EQ(layer.GetToolType(), DRAW_SEGMENT);
}

TEST(MeasureLayer, DoubleClickOffersDeletionAndNoStillTakesTheClick)
{
    HostWnd host;
    CMeasureLayer layer;
    layer.Reset(&host);
    layer.SetEditMode(1);
    layer.SetToolType(DRAW_ANGLE, 1);
    ASSERT_EQ(layer.OnLButtonDblClk(0, CPoint(300, 300)), 1);  // vertex here, arms to the right
    ASSERT_EQ(layer.GetCount(), 1);
    {
        MessageBoxRecorder no(IDNO);
        EXPECT_EQ(layer.OnLButtonDblClk(0, CPoint(450, 300)), 1);
        ASSERT_EQ(no.boxes.size(), 1u);
        EXPECT_EQ(no.boxes[0].text, "将要删除指定对象, 确定删除吗？");
    }
    EXPECT_EQ(layer.GetCount(), 1);
    MessageBoxRecorder yes(IDYES);
    EXPECT_EQ(layer.OnLButtonDblClk(0, CPoint(450, 300)), 1);
    EXPECT_EQ(layer.GetCount(), 0);
}

TEST(MeasureLayer, ResultFileReadsBackAndOlderFilesAreVersionZero)
{
    HostWnd host;
    TempFile file("results.rst");
    CMeasureLayer layer;
    layer.Reset(&host);
    layer.SetEditMode(1);
    for (int type : {(int)DRAW_SEGMENT, (int)DRAW_ANGLE, (int)DRAW_ARC}) {
        layer.SetToolType(type, 1);
        ASSERT_EQ(layer.CreateAt(300, 300), 1);
    }
    ASSERT_TRUE(layer.WriteFile(file.path.c_str()));
    const std::vector<uint8_t> written = file.Bytes();

    CMeasureLayer loaded;
    loaded.Reset(&host);
    loaded.ReadFile(file.path.c_str());
    EXPECT_EQ(Types(loaded), (std::vector<int>{DRAW_SEGMENT, DRAW_ANGLE, DRAW_ARC}));
    EXPECT_EQ(loaded.GetObjectAt(2)->m_number, 2);
    TempFile again("results-again.rst");
    ASSERT_TRUE(loaded.WriteFile(again.path.c_str()));
    EXPECT_EQ(again.Bytes(), written);

    // The older file: a segment's pen colour comes from its header.
    zelvo::ByteWriter old;
    old.u32(16);
    old.bytes("VerdalineMeasure", 16);
    old.u32(2);
    old.i32(DRAW_SEGMENT);
    for (uint32_t v : {0u, 0u, 0x00FF00u, 0u, 0u}) old.u32(v);
    old.u32(2);
    for (int32_t v : {0, 0, 100, 0}) old.i32(v);
    old.i32(77);  // no such kind: the read stops here
    file.Write(old.data());
    MessageBoxRecorder boxes;
    loaded.ReadFile(file.path.c_str());
    ASSERT_EQ(loaded.GetCount(), 1);
    DrawAttributes a;
    loaded.GetObjectAt(0)->GetAttributes(&a);
    EXPECT_EQ(a.borderColor, 0x00FF00u);
    EXPECT_EQ(boxes.boxes.size(), 1u);

    // A file that cannot be opened leaves the layer empty without a word.
    loaded.ReadFile((file.path + ".missing").c_str());
    EXPECT_EQ(loaded.GetCount(), 0);
    EXPECT_EQ(boxes.boxes.size(), 1u);
}

TEST(Layers, AKindALayerDoesNotHoldIsPassedOverAndTheObjectsBehindItAreRead)
{
    using namespace zelvo::annotation;
    HostWnd host;
    SegmentRecord segment;
    segment.points = {{0, 300}, {300, 0}};
    NoteRecord note;
    note.text = "后面的标示";
    FramedRecord bracket;
    bracket.SetHandle(0, {100, 100});
    bracket.SetHandle(1, {500, 100});
    bracket.SetHandle(2, {300, 40});
    bracket.SetHandle(3, {300, 160});
    MessageBoxRecorder boxes;

    // A bracket between two segments of a result file.
    TempFile results("foreign.rst");
    zelvo::ByteWriter r;
    WriteMeasureHeader(r, 3);
    WriteObject(r, DRAW_SEGMENT, segment);
    WriteObject(r, DRAW_BRACKET, bracket);
    WriteObject(r, DRAW_SEGMENT, segment);
    results.Write(r.data());
    CMeasureLayer measures;
    measures.Reset(&host);
    measures.ReadFile(results.path.c_str());
    ASSERT_EQ(Types(measures), (std::vector<int>{DRAW_SEGMENT, DRAW_SEGMENT}));
    EXPECT_EQ(measures.GetObjectAt(1)->m_number, 1);

    // A segment and an angle in an annotation file, before a note.
    zelvo::ByteWriter m;
    WriteAnnotationHeader(m, "", 4);
    WriteObject(m, DRAW_BRACKET, bracket);
    WriteObject(m, DRAW_SEGMENT, segment);
    segment.points.push_back({400, 300});
    WriteObject(m, DRAW_ANGLE, segment);
    WriteObject(m, DRAW_NOTE_MARK, note);
    CAnnotationLayer notes;
    notes.Reset(&host);
    ReadBack(notes, m.data());
    EXPECT_EQ(Types(notes), (std::vector<int>{DRAW_BRACKET, DRAW_NOTE_MARK}));
    EXPECT_EQ(TextOf(notes, 1), CString("后面的标示"));

    // The files are sound: nothing to tell.
    EXPECT_TRUE(boxes.boxes.empty());
}

namespace {

// A result file of a region and a free-hand outline, both blinking.
std::vector<uint8_t> BlinkingOutlines()
{
    using namespace zelvo::annotation;
    DrawAttributes a = DefaultDrawAttributes();
    a.blink = 1;
    a.borderColor = RGB(0, 160, 0);
    RegionRecord region;
    region.attributes = ToAttributeBlock(a);
    region.points = {{100, 100}, {300, 100}, {300, 250}, {100, 250}};
    FreehandRecord outline;
    outline.attributes = ToAttributeBlock(a);
    outline.points = {{400, 100}, {500, 120}, {450, 220}};
    zelvo::ByteWriter w;
    WriteMeasureHeader(w, 2);
    WriteObject(w, DRAW_REGION, region);
    WriteObject(w, DRAW_FREEHAND, outline);
    return w.take();
}

} // namespace

TEST(MeasureLayer, OutlinesReadFromAFileKeepTheirBlinkFlagWhenWrittenAgain)
{
    HostWnd host;
    TempFile file("blinking.rst"), again("blinking-again.rst");
    file.Write(BlinkingOutlines());
    CMeasureLayer layer;
    layer.Reset(&host);
    layer.SetEditMode(1);
    layer.ReadFile(file.path.c_str());
    ASSERT_EQ(Types(layer), (std::vector<int>{DRAW_REGION, DRAW_FREEHAND}));
    ASSERT_TRUE(layer.WriteFile(again.path.c_str()));
    EXPECT_EQ(again.Bytes(), file.Bytes());
}

TEST(MeasureLayer, AFreehandOutlineReadFromAFileIsNotExtendedByTheNextDrag)
{
    HostWnd host;
    TempFile file("outline.rst");
    file.Write(BlinkingOutlines());
    CMeasureLayer layer;
    layer.Reset(&host);
    layer.SetEditMode(1);
    layer.ReadFile(file.path.c_str());
    auto* outline = dynamic_cast<CFreehandMeasure*>(layer.GetSelected());
    ASSERT_NE(outline, nullptr);  // the last one read is selected
    EXPECT_FALSE(outline->IsDrawing());
    const std::vector<zelvo::geom::Point> before = outline->GetPoints();

    // Press and drag on the image away from it.
    layer.OnLButtonDown(0, CPoint(650, 500));
    layer.OnMouseMove(0, CPoint(700, 520));
    layer.OnMouseMove(0, CPoint(720, 560));
    layer.OnLButtonUp(0, CPoint(720, 560));
    EXPECT_EQ(outline->GetPoints(), before);
}
