// The slide view's menu commands in the main frame: what each does, and the
// check and enable states the frame's idle update shows for them.
#include "AnnotationEditDlg.h"
#include "AnnotationListDlg.h"
#include "ExeFolder.h"
#include "ImageDispWnd.h"
#include "MainFrame.h"
#include "Navigator.h"
#include "ObjectsTestSupport.h"
#include "ScaleBar.h"
#include "SlideView.h"
#include "TestSupport.h"
#include "ViewerMessages.h"
#include "resource.h"

#include "annotation/ObjectFiles.h"
#include "slidelink/SlideLink.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace annotation = zelvo::annotation;
using objects_test::TempFile;

namespace {

// Reads a command's update state as the idle update would.
struct ProbeCmdUI : CCmdUI {
    void Enable(BOOL on) override
    {
        enabled = on;
        m_bEnableChanged = TRUE;
    }
    void SetCheck(int c) override { checked = c; }
    BOOL enabled = TRUE;
    int checked = -1;
};

// Records what the program asks the shell to start or open.
class RecordingShell : public fw::IShell {
public:
    HINSTANCE Execute(HWND, LPCTSTR verb, LPCTSTR file, LPCTSTR, LPCTSTR, int show) override
    {
        calls.push_back(std::string(verb) + "|" + file + "|" + std::to_string(show));
        return (HINSTANCE)33;
    }
    BOOL EndSession(UINT, DWORD) override { return FALSE; }
    std::vector<std::string> calls;
};

std::vector<uint8_t> FileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

annotation::NoteRecord Note(int x, int y, const char* text)
{
    annotation::NoteRecord note;
    note.attributes.SetInt(annotation::AttributeBlock::kAnchor, x);
    note.attributes.SetInt(annotation::AttributeBlock::kAnchor + 4, y);
    note.text = text;
    return note;
}

// An annotation file of two notes.
std::vector<uint8_t> TwoNotes()
{
    zelvo::ByteWriter out;
    annotation::WriteAnnotationHeader(out, "", 2);
    annotation::WriteObject(out, DRAW_NOTE_TITLE, Note(200, 150, "中央静脉"));
    annotation::WriteObject(out, DRAW_NOTE_MARK, Note(420, 260, "汇管区"));
    return out.data();
}

class SlideViewCommands : public ::testing::Test {
protected:
    void SetUp() override
    {
        frame = new CMainFrame;
        frame->SetSlideView(&view);
        ASSERT_TRUE(frame->LoadFrame(IDR_MAINFRAME, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE));
        testing_support::PumpFor(50);
    }
    void TearDown() override
    {
        if (frame && ::IsWindow(frame->m_hWnd)) frame->DestroyWindow();
        testing_support::PumpFor(20);
    }
    void Command(UINT id) { frame->SendMessage(WM_COMMAND, id, 0); }
    ProbeCmdUI State(UINT id)
    {
        ProbeCmdUI ui;
        ui.m_nID = id;
        ui.DoUpdate(frame, TRUE);
        return ui;
    }
    CAnnotationLayer& Marks() { return view.Display()->Annotations(); }
    void LoadMarks(std::vector<uint8_t> bytes)
    {
        CMemFile file(bytes.data(), (UINT)bytes.size());
        Marks().ReadFile(file);
    }

    testing_support::MessageBoxRecorder boxes{IDNO};
    CSlideView view;
    CMainFrame* frame = nullptr;
};

} // namespace

TEST_F(SlideViewCommands, WindowsAndMarkKindsToggleWithTheirChecks)
{
    EXPECT_EQ(State(ID_VIEW_NAVIGATOR).checked, 1);
    Command(ID_VIEW_NAVIGATOR);
    EXPECT_EQ(State(ID_VIEW_NAVIGATOR).checked, 0);
    EXPECT_FALSE(::IsWindowVisible(view.Navigator()->Hwnd()));
    Command(ID_VIEW_NAVIGATOR);
    EXPECT_TRUE(::IsWindowVisible(view.Navigator()->Hwnd()));

    EXPECT_EQ(State(ID_VIEW_EYEPIECE_FIELD).checked, 0);
    Command(ID_VIEW_EYEPIECE_FIELD);
    EXPECT_EQ(State(ID_VIEW_EYEPIECE_FIELD).checked, 1);
    EXPECT_TRUE(frame->m_fieldNumberList.IsWindowEnabled());
    Command(ID_VIEW_EYEPIECE_FIELD);

    Command(ID_SCREEN_RULER);
    EXPECT_EQ(State(ID_SCREEN_RULER).checked, 1);
    EXPECT_TRUE(view.ScaleBar()->m_rulerShown);
    Command(ID_SCREEN_RULER);
    EXPECT_EQ(State(ID_SCREEN_RULER).checked, 0);

    // Hot spots bring the feature regions with them; both wait while everything is shown.
    Command(ID_MARK_HOTSPOTS);
    EXPECT_EQ(State(ID_MARK_HOTSPOTS).checked, 1);
    EXPECT_EQ(State(ID_MARK_REGIONS).checked, 1);
    Command(ID_MARK_REGIONS);
    EXPECT_EQ(State(ID_MARK_REGIONS).checked, 0);
    EXPECT_TRUE(State(ID_MARK_REGIONS).enabled);
    Command(ID_MARK_SHOWALL);
    EXPECT_EQ(State(ID_MARK_SHOWALL).checked, 1);
    EXPECT_FALSE(State(ID_MARK_HOTSPOTS).enabled);
    EXPECT_FALSE(State(ID_MARK_REGIONS).enabled);

    Command(ID_MARK_CAPTION);
    EXPECT_EQ(State(ID_MARK_CAPTION).checked, 1);
    // The item with no action of its own stays enabled, checked with the editor.
    EXPECT_TRUE(State(ID_MARK_EDIT).enabled);
    EXPECT_EQ(State(ID_MARK_EDIT).checked, 0);
}

TEST_F(SlideViewCommands, ObjectiveShortcutsMoveTheListAndApplyTheMagnification)
{
    Command(ID_OBJECTIVE_100X);
    EXPECT_EQ(frame->ObjectiveIndex(), 9);
    EXPECT_EQ(frame->m_objectiveList.GetCurSel(), 9);
    EXPECT_DOUBLE_EQ(view.Magnification(), 1000.0);  // eyepiece 10X
    EXPECT_EQ(State(ID_OBJECTIVE_100X).checked, 1);
    EXPECT_EQ(State(ID_OBJECTIVE_4X).checked, 0);

    Command(ID_OBJECTIVE_40X);
    EXPECT_EQ(frame->ObjectiveIndex(), 6);
    EXPECT_DOUBLE_EQ(view.Magnification(), 400.0);
    EXPECT_EQ(State(ID_OBJECTIVE_40X).checked, 1);
    EXPECT_EQ(State(ID_OBJECTIVE_100X).checked, 0);
}

TEST_F(SlideViewCommands, ShowAllOffClosesTheListAndHidesHotSpotsAndRegions)
{
    LoadMarks(TwoNotes());
    Command(ID_MARK_HOTSPOTS);
    EXPECT_TRUE(Marks().GetObjectAt(0)->GetFlags() & DOF_HOTSPOT_MARK);

    // Opening the list shows everything.
    Command(ID_MARK_LIST);
    ASSERT_NE(view.AnnotationList(), nullptr);
    EXPECT_EQ(State(ID_MARK_LIST).checked, 1);
    EXPECT_EQ(view.AnnotationList()->List().GetItemCount(), 2);
    EXPECT_TRUE(view.IsShowAllOn());
    EXPECT_TRUE(Marks().GetObjectAt(1)->GetFlags() & DOF_VISIBLE);

    Command(ID_MARK_SHOWALL);
    EXPECT_EQ(view.AnnotationList(), nullptr);
    EXPECT_FALSE(view.AreHotSpotsShown());
    EXPECT_FALSE(view.AreRegionsShown());
    for (int i = 0; i < 2; ++i) EXPECT_EQ(Marks().GetObjectAt(i)->GetFlags() & (DOF_HOTSPOT_MARK | DOF_VISIBLE), 0);

    // The command closes the list it opened.
    Command(ID_MARK_LIST);
    ASSERT_NE(view.AnnotationList(), nullptr);
    Command(ID_MARK_LIST);
    EXPECT_EQ(view.AnnotationList(), nullptr);
}

TEST_F(SlideViewCommands, HeldUserMarksAnsweredNoOpenInAHiddenEditor)
{
    const std::vector<uint8_t> marks = TwoNotes();
    view.OnMarkData(zelvo::slidelink::kGetUserMarks, marks.data(), marks.size());
    Command(ID_MARK_EDITOR);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "默认标记已存在，是否新建标记？");
    EXPECT_EQ(boxes.boxes[0].type & 0xF, (UINT)MB_YESNO);
    CAnnotationEditDlg* editor = view.AnnotationEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_FALSE(::IsWindowVisible(editor->m_hWnd));
    EXPECT_EQ(view.Display()->EditorLayer(), editor->Layer());
    EXPECT_EQ(editor->Layer()->GetCount(), 2);
    EXPECT_FALSE(editor->Layer()->IsEditMode());
    EXPECT_EQ(editor->Layer()->GetLinkedLayer(), &Marks());
    EXPECT_EQ(State(ID_MARK_EDITOR).checked, 1);
    EXPECT_EQ(State(ID_MARK_EDIT).checked, 1);
    EXPECT_FALSE(State(ID_MARK_HOTSPOTS).enabled);
    // Its own layer leaves show-all free.
    EXPECT_TRUE(State(ID_MARK_SHOWALL).enabled);

    Command(ID_MARK_EDITOR);
    EXPECT_EQ(view.AnnotationEditor(), nullptr);
    EXPECT_EQ(view.Display()->EditorLayer(), nullptr);

    // Yes: a new, empty tool box for free-hand lines, shown.
    testing_support::MessageBoxRecorder yes(IDYES);
    Command(ID_MARK_EDITOR);
    editor = view.AnnotationEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(::IsWindowVisible(editor->m_hWnd));
    EXPECT_EQ(editor->Layer()->GetCount(), 0);
    EXPECT_EQ(editor->KindIndex(), 6);
    EXPECT_EQ(editor->Layer()->GetToolType(), DRAW_FREEHAND);
    EXPECT_TRUE(editor->Layer()->IsEditMode());
}

TEST_F(SlideViewCommands, ClosingAToolBoxOnTheSlidesLayerWritesItAndClosesTheList)
{
    TempFile file("slide-own-layer.mrk");
    LoadMarks(TwoNotes());
    Marks().SetPath(file.path.c_str());
    Command(ID_MARK_LIST);
    ASSERT_NE(view.AnnotationList(), nullptr);
    CAnnotationEditDlg* editor = view.CreateAnnotationEditor(&Marks());
    ASSERT_NE(editor, nullptr);
    EXPECT_FALSE(editor->OwnsLayer());
    EXPECT_TRUE(Marks().IsEditMode());
    EXPECT_FALSE(State(ID_MARK_SHOWALL).enabled);

    editor->SendMessage(WM_CLOSE);
    EXPECT_EQ(view.AnnotationEditor(), nullptr);
    EXPECT_EQ(view.AnnotationList(), nullptr);
    EXPECT_FALSE(Marks().IsEditMode());
    const std::vector<uint8_t> written = file.Bytes();
    ASSERT_FALSE(written.empty());
    CAnnotationLayer reread;
    CMemFile in(const_cast<uint8_t*>(written.data()), (UINT)written.size());
    reread.ReadFile(in);
    EXPECT_EQ(reread.GetCount(), 2);
}

// A second slide starts bare: the first one's list and tool box close (the
// tool box's own marks with it), and neither its caption, hot spots, feature
// regions nor show-all carry over.
TEST_F(SlideViewCommands, ASlideHeaderClosesTheMarkDialogsAndShowsNoKindOfMark)
{
    LoadMarks(TwoNotes());
    Command(ID_MARK_CAPTION);
    Command(ID_MARK_HOTSPOTS);
    Command(ID_MARK_LIST);
    ASSERT_NE(view.AnnotationList(), nullptr);
    ASSERT_TRUE(view.IsShowAllOn());
    ASSERT_NE(view.CreateAnnotationEditor(nullptr), nullptr);
    ASSERT_NE(view.Display()->EditorLayer(), nullptr);

    zelvo::slidelink::SlideHeaderReply reply;
    reply.thumbnailFactor = 32;
    reply.header.signature = "ZELVO DIGITAL SLICE";
    reply.header.xPixelsPerMetre = reply.header.yPixelsPerMetre = 4000000;
    reply.header.tileWidth = reply.header.tileHeight = 256;
    reply.header.tileColumns = 40;
    reply.header.tileRows = 30;
    view.OnSlideHeader(reply);
    ASSERT_TRUE(view.IsSlideOpen());

    EXPECT_EQ(view.AnnotationList(), nullptr);
    EXPECT_EQ(view.AnnotationEditor(), nullptr);
    EXPECT_EQ(view.Display()->EditorLayer(), nullptr);
    EXPECT_EQ(State(ID_MARK_CAPTION).checked, 0);
    EXPECT_EQ(State(ID_MARK_HOTSPOTS).checked, 0);
    EXPECT_EQ(State(ID_MARK_REGIONS).checked, 0);
    EXPECT_EQ(State(ID_MARK_SHOWALL).checked, 0);
    EXPECT_EQ(Marks().GetShowAll(), 0);
}

TEST_F(SlideViewCommands, SnapshotPutsTheViewOnTheClipboard)
{
    RECT client;
    view.GetClientRect(&client);
    ASSERT_GT(client.right, 16);
    // A red corner drawn straight onto the screen, grabbed before anything repaints.
    HDC dc = ::GetDC(view.m_hWnd);
    const RECT corner{0, 0, 8, 8};
    HBRUSH red = ::CreateSolidBrush(RGB(255, 0, 0));
    ::FillRect(dc, &corner, red);
    ::DeleteObject(red);
    const COLORREF outside = ::GetPixel(dc, 12, 12);
    ::ReleaseDC(view.m_hWnd, dc);
    Command(ID_SNAPSHOT);

    ASSERT_TRUE(::OpenClipboard(nullptr));
    HGLOBAL data = ::GetClipboardData(CF_DIB);
    ASSERT_NE(data, nullptr);
    const auto* header = static_cast<const BITMAPINFOHEADER*>(::GlobalLock(data));
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->biWidth, client.right);
    EXPECT_EQ(std::abs(header->biHeight), client.bottom);
    ASSERT_TRUE(header->biBitCount == 24 || header->biBitCount == 32) << header->biBitCount;
    const int bytes = header->biBitCount / 8;
    const int stride = (header->biWidth * bytes + 3) & ~3;
    const size_t masks = header->biCompression == BI_BITFIELDS ? 12 : 0;
    const auto* bits = reinterpret_cast<const uint8_t*>(header) + header->biSize + masks + header->biClrUsed * 4;
    auto pixel = [&](int x, int y) {
        const int row = header->biHeight > 0 ? header->biHeight - 1 - y : y;
        const uint8_t* p = bits + (size_t)row * stride + (size_t)x * bytes;
        return RGB(p[2], p[1], p[0]);
    };
    const COLORREF top = pixel(2, 2), below = pixel(12, 12);
    ::GlobalUnlock(data);
    ::CloseClipboard();
    EXPECT_EQ(top, RGB(255, 0, 0));
    EXPECT_EQ(below, outside);
}

TEST_F(SlideViewCommands, ReportCopiesTheTemplateAndOpensTheCopy)
{
    RecordingShell shell;
    fw::IShell* previous = fw::SetShell(&shell);
    ::DeleteFileA(CSlideView::kReportCopy);
    Command(ID_REPORT);
    fw::SetShell(previous);
    ASSERT_EQ(shell.calls.size(), 1u);
    EXPECT_EQ(shell.calls[0], std::string("open|") + CSlideView::kReportCopy + "|" + std::to_string(SW_SHOWNORMAL));
    const std::vector<uint8_t> copy = FileBytes(CSlideView::kReportCopy);
    EXPECT_FALSE(copy.empty());
    EXPECT_EQ(copy, FileBytes(std::string(GetExeFolder().GetString()) + "Sample.dot"));
}

TEST_F(SlideViewCommands, OpeningTheCatalogueRaisesItsWindowOrStartsItAndCloses)
{
    RecordingShell shell;
    fw::IShell* previous = fw::SetShell(&shell);
    objects_test::HostWnd catalogue;
    frame->OpenSlide("", "", catalogue.m_hWnd);
    Command(ID_OPEN_CATALOGUE);
    EXPECT_TRUE(shell.calls.empty());
    testing_support::PumpFor(30);
    EXPECT_TRUE(::IsWindow(frame->m_hWnd));

    // The registered window has gone: the catalogue client is started and the viewer closes.
    catalogue.DestroyWindow();
    const HWND frameWnd = frame->m_hWnd;
    Command(ID_OPEN_CATALOGUE);
    fw::SetShell(previous);
    ASSERT_EQ(shell.calls.size(), 1u);
    EXPECT_EQ(shell.calls[0],
              "open|" + std::string(GetExeFolder().GetString()) + "Farrowick.exe|" + std::to_string(SW_SHOWNORMAL));
    EXPECT_TRUE(testing_support::PumpUntil([&] { return !::IsWindow(frameWnd); }));
    frame = nullptr;  // the window deleted its object
}

TEST_F(SlideViewCommands, ScreenshotWithTheAnnotationListAndToolBox)
{
    LoadMarks(TwoNotes());
    Command(ID_MARK_LIST);
    Command(ID_MARK_EDITOR);
    ASSERT_NE(view.AnnotationList(), nullptr);
    ASSERT_NE(view.AnnotationEditor(), nullptr);
    EXPECT_TRUE(::IsWindowVisible(view.AnnotationEditor()->m_hWnd));
    testing_support::PumpFor(300);
    EXPECT_FALSE(testing_support::SaveScreenshot(nullptr, "viewer_annotation_dialogs.bmp").empty());
}
