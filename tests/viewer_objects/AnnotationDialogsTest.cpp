// The annotation list and the annotation tool box over a layer lent by a
// stand-in display: rows as the layer changes, what the tool box shows for
// a selection and what its check box changes, and its marker files.
#include "AnnotationEditDlg.h"
#include "AnnotationListDlg.h"
#include "FwCommonDialogs.h"
#include "MarkerPath.h"
#include "MediaHotSpot.h"
#include "ObjectMessages.h"
#include "ObjectsTestSupport.h"

#include "annotation/ObjectFiles.h"

#include <gtest/gtest.h>

#include <cstring>

using objects_test::HostWnd;
using objects_test::TempFile;
namespace annotation = zelvo::annotation;

namespace {

std::string g_chosenPath;
std::string g_proposedName;

BOOL ChooseFile(BOOL, OPENFILENAME& ofn)
{
    g_proposedName = ofn.lpstrFile;
    lstrcpynA(ofn.lpstrFile, g_chosenPath.c_str(), (int)ofn.nMaxFile);
    return TRUE;
}

BOOL ChooseFont(CHOOSEFONT& cf)
{
    lstrcpynA(cf.lpLogFont->lfFaceName, "Courier New", LF_FACESIZE);
    cf.lpLogFont->lfHeight = -31;
    return TRUE;
}

annotation::NoteRecord Note(int x, int y, const char* text)
{
    annotation::NoteRecord note;
    note.attributes.SetInt(annotation::AttributeBlock::kAnchor, x);
    note.attributes.SetInt(annotation::AttributeBlock::kAnchor + 4, y);
    note.attributes.SetInt(annotation::AttributeBlock::kBkMode, TRANSPARENT);
    note.text = text;
    return note;
}

// An annotation file: a caption, a title note at (120, 45) and a mark note at (300, 200).
std::vector<uint8_t> ThreeObjects()
{
    zelvo::ByteWriter out;
    annotation::WriteAnnotationHeader(out, "肝小叶", 3);
    annotation::WriteObject(out, DRAW_CAPTION, Note(10, 10, "肝小叶"));
    annotation::WriteObject(out, DRAW_NOTE_TITLE, Note(120, 45, "中央静脉"));
    annotation::WriteObject(out, DRAW_NOTE_MARK, Note(300, 200, "汇管区"));
    return out.data();
}

void Load(CAnnotationLayer& layer, std::vector<uint8_t> bytes)
{
    CMemFile file(bytes.data(), (UINT)bytes.size());
    layer.ReadFile(file);
}

void Pump() { testing_support::PumpFor(30); }

class AnnotationList : public ::testing::Test {
protected:
    void SetUp() override { layer.Reset(&host); }
    void TearDown() override
    {
        if (list) list->DestroyWindow();
    }
    void Open()
    {
        list = new CAnnotationListDlg(&list, &host, &layer, &host);
        ASSERT_TRUE(list->Create());
    }
    std::string Cell(int row, int column) { return std::string(list->List().GetItemText(row, column).GetString()); }

    HostWnd host;
    CAnnotationLayer layer;
    CAnnotationListDlg* list = nullptr;
};

class ToolBox : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_previousFile = fw::SetFileDialogHandler(&ChooseFile);
        m_previousFont = fw::SetFontDialogHandler(&ChooseFont);
        layer.Reset(&host);
    }
    void TearDown() override
    {
        if (box) box->DestroyWindow();
        fw::SetFileDialogHandler(m_previousFile);
        fw::SetFontDialogHandler(m_previousFont);
    }
    void Open(CAnnotationLayer* edited)
    {
        box = new CAnnotationEditDlg(&box, &host, &host, edited);
        box->SetSlidePath("D:\\切片\\肝\\b.jpg");
        ASSERT_TRUE(box->Create());
    }
    // The layer's selection as the layer tells the tool box of it.
    void ShowSelection() { box->SendMessage(WM_ANNOTATION_SELECTED, 1, (LPARAM)box->Layer()); }
    std::string ToggleCaption()
    {
        CString text;
        box->Toggle().GetWindowText(text);
        return std::string(text.GetString());
    }
    int Ticked() { return (int)::SendMessage(box->Toggle().m_hWnd, BM_GETCHECK, 0, 0); }
    DrawAttributes SelectedAttributes()
    {
        DrawAttributes a{};
        box->Layer()->GetSelected()->GetAttributes(&a);
        return a;
    }

    HostWnd host;
    CAnnotationLayer layer;
    CAnnotationEditDlg* box = nullptr;

private:
    fw::FileDialogFn m_previousFile = nullptr;
    fw::FontDialogFn m_previousFont = nullptr;
};

} // namespace

TEST_F(AnnotationList, ACaptionAloneIsOneRowWithItsTextAndNoPlace)
{
    zelvo::ByteWriter out;
    annotation::WriteAnnotationHeader(out, "概述文字", 1);
    annotation::WriteObject(out, DRAW_CAPTION, Note(10, 10, "概述文字"));
    Load(layer, out.data());
    Open();
    ASSERT_EQ(list->List().GetItemCount(), 1);
    EXPECT_EQ(Cell(0, 0), "0");
    EXPECT_EQ(Cell(0, 1), "概述");
    EXPECT_EQ(Cell(0, 2), "概述文字");
    EXPECT_EQ(Cell(0, 3), "0, 0");
}

TEST_F(AnnotationList, RowsFollowTheLayerAndDoubleClickCentresTheObject)
{
    Load(layer, ThreeObjects());
    Open();
    ASSERT_EQ(list->List().GetItemCount(), 3);
    EXPECT_EQ(Cell(1, 1), "题示");
    EXPECT_EQ(Cell(1, 2), "中央静脉");
    EXPECT_EQ(Cell(1, 3), "120, 45");

    // A shape appended: a row with its kind and centre but no text.
    layer.SetEditMode(1);
    layer.SetToolType(DRAW_RECTANGLE, 1);
    ASSERT_TRUE(layer.CreateAt(400, 300));
    Pump();
    ASSERT_EQ(list->List().GetItemCount(), 4);
    EXPECT_EQ(Cell(3, 0), "3");
    EXPECT_EQ(Cell(3, 1), "矩形");
    EXPECT_EQ(Cell(3, 2), "");

    // Removing object 1 renumbers the rows behind it.
    layer.DeleteAt(1);
    Pump();
    ASSERT_EQ(list->List().GetItemCount(), 3);
    EXPECT_EQ(Cell(1, 0), "1");
    EXPECT_EQ(Cell(1, 2), "汇管区");
    EXPECT_EQ(Cell(2, 0), "2");
    EXPECT_EQ(Cell(2, 1), "矩形");

    // A file read into the layer while the list is open replaces its rows.
    zelvo::ByteWriter other;
    annotation::WriteAnnotationHeader(other, "", 1);
    annotation::WriteObject(other, DRAW_NOTE_MARK, Note(300, 200, "汇管区"));
    Load(layer, other.data());
    Pump();
    ASSERT_EQ(list->List().GetItemCount(), 1);
    EXPECT_EQ(Cell(0, 1), "标示");
    Load(layer, ThreeObjects());
    Pump();
    ASSERT_EQ(list->List().GetItemCount(), 3);
    EXPECT_EQ(Cell(1, 2), "中央静脉");
    EXPECT_EQ(Cell(2, 3), "300, 200");
    layer.DeleteAt(1);
    Pump();

    list->List().SetSelectionMark(1);
    NMHDR header{list->List().m_hWnd, 1029, (UINT)NM_DBLCLK};
    list->SendMessage(WM_NOTIFY, 1029, (LPARAM)&header);
    EXPECT_EQ(host.centred.x, 300);
    EXPECT_EQ(host.centred.y, 200);
    // The caption is never scrolled to.
    host.centred = POINT{-1, -1};
    list->List().SetSelectionMark(0);
    list->SendMessage(WM_NOTIFY, 1029, (LPARAM)&header);
    EXPECT_EQ(host.centred.x, -1);

    list->SendMessage(WM_CLOSE);
    EXPECT_EQ(list, nullptr);
    // The layer no longer posts to the closed list.
    layer.DeleteAt(0);
    EXPECT_TRUE(host.TakePosted(WM_ANNOTATION_CHANGED).empty());
}

TEST_F(ToolBox, SelectionShowsTheKindAndTheToggleChangesOnlyWhatTheKindHas)
{
    Load(layer, ThreeObjects());
    Open(&layer);
    EXPECT_TRUE(layer.IsEditMode());
    // The entries come with the template.
    ASSERT_EQ(box->Kinds().GetCount(), 14);
    CString entry;
    box->Kinds().GetLBText(13, entry);
    EXPECT_STREQ(entry.GetString(), "圆弧");

    // An arc: its entry and "闪烁"; the toggle makes it blink and stop again.
    layer.SetToolType(DRAW_ARC, 1);
    ASSERT_TRUE(layer.CreateAt(400, 400));
    ShowSelection();
    EXPECT_EQ(box->Kinds().GetCurSel(), 13);
    EXPECT_EQ(ToggleCaption(), "闪烁");
    EXPECT_EQ(Ticked(), BST_UNCHECKED);
    box->OnToggle();
    EXPECT_EQ(SelectedAttributes().blink, 1);
    EXPECT_EQ(Ticked(), BST_CHECKED);
    box->OnToggle();
    EXPECT_EQ(SelectedAttributes().blink, 0);

    // A bracket has the blink caption but nothing to blink: only the box changes.
    layer.SetToolType(DRAW_BRACKET, 1);
    ASSERT_TRUE(layer.CreateAt(200, 400));
    ShowSelection();
    EXPECT_EQ(box->Kinds().GetCurSel(), 7);
    const DrawAttributes before = SelectedAttributes();
    const int state = box->ToggleState();
    box->OnToggle();
    EXPECT_EQ(box->ToggleState(), !state);
    const DrawAttributes after = SelectedAttributes();
    EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0);

    // A new title note is transparent: "题示", "透明", ticked; the toggle makes it opaque.
    layer.SetToolType(DRAW_NOTE_TITLE, 1);
    ASSERT_TRUE(layer.CreateAt(150, 150));
    ShowSelection();
    EXPECT_EQ(box->Kinds().GetCurSel(), 1);
    EXPECT_EQ(ToggleCaption(), "透明");
    EXPECT_EQ(Ticked(), BST_CHECKED);
    box->OnToggle();
    EXPECT_EQ(SelectedAttributes().bkMode, OPAQUE);
    EXPECT_EQ(Ticked(), BST_UNCHECKED);

    // The font goes to the selected note and to the layer's new objects.
    box->OnFont();
    EXPECT_STREQ(SelectedAttributes().font.lfFaceName, "Courier New");
    EXPECT_EQ(layer.Attributes().font.lfHeight, -31);

    // Choosing a kind from the list sets the tool type and the caption.
    box->Kinds().SetCurSel(9);
    box->SendMessage(WM_COMMAND, MAKEWPARAM(1026, CBN_SELCHANGE), (LPARAM)box->Kinds().m_hWnd);
    EXPECT_EQ(layer.GetToolType(), DRAW_FREEHAND);
    EXPECT_EQ(ToggleCaption(), "闪烁");
}

TEST_F(ToolBox, OwnMarksLayerIsLentWhileOpenAndSavedAndLoadedAsMarkerFiles)
{
    Open(nullptr);
    ASSERT_TRUE(box->OwnsLayer());
    CAnnotationLayer* own = box->Layer();
    EXPECT_EQ(host.editorLayer, own);
    EXPECT_TRUE(own->IsEditMode());
    box->SetKind(6);
    EXPECT_EQ(box->Kinds().GetCurSel(), 6);
    EXPECT_EQ(own->GetToolType(), DRAW_FREEHAND);
    EXPECT_EQ(std::string(box->DefaultFileName().GetString()), "b.mrk");

    own->SetToolType(DRAW_NOTE_MARK, 1);
    ASSERT_TRUE(own->CreateAt(100, 100));
    TempFile saved("own-marks.mrk");
    g_chosenPath = saved.path;
    box->OnSave();
    EXPECT_EQ(g_proposedName, "b.mrk");
    EXPECT_TRUE(saved.Exists());
    EXPECT_EQ(std::string(GetMarkerPath().GetString()), saved.path);

    // Loading reads the file back and leaves the layer editable.
    own->DeleteAll();
    box->OnLoad();
    EXPECT_EQ(own->GetCount(), 1);
    EXPECT_TRUE(own->IsEditMode());

    // A layer the tool box made goes with it.
    box->SendMessage(WM_CLOSE);
    EXPECT_EQ(box, nullptr);
    EXPECT_EQ(host.editorLayer, nullptr);
}

TEST(MarkerMedia, AFileElsewhereMovesBesideTheMarkerAndOneAlreadyThereStays)
{
    using Move = CAnnotationEditDlg::MediaMove;
    const std::string root = testing_support::OutputFolder();
    const std::string media = root + "\\media-elsewhere", markers = root + "\\Marker-Folder";
    ::CreateDirectoryA(media.c_str(), nullptr);
    ::CreateDirectoryA(markers.c_str(), nullptr);
    TempFile video("media-elsewhere\\clip.avi"), moved("Marker-Folder\\clip.avi"), beside("Marker-Folder\\still.tsg");
    video.Write({1, 2, 3});
    beside.Write({4});
    const std::string marker = markers + "\\s1.mrk";

    CString target;
    EXPECT_EQ(CAnnotationEditDlg::MoveMediaBesideMarker(video.path.c_str(), marker.c_str(), target), Move::moved);
    EXPECT_EQ(std::string(target.GetString()), moved.path);
    EXPECT_FALSE(video.Exists());
    EXPECT_EQ(moved.Bytes(), (std::vector<uint8_t>{1, 2, 3}));

    // Folders are the same whatever their case.
    const std::string sameFolder = root + "\\marker-folder\\still.tsg";
    EXPECT_EQ(CAnnotationEditDlg::MoveMediaBesideMarker(sameFolder.c_str(), marker.c_str(), target), Move::notNeeded);
    EXPECT_TRUE(beside.Exists());
    ::RemoveDirectoryA(media.c_str());
}

TEST_F(ToolBox, SavedMarksNameTheirMovedMediaAndAFailedMoveIsReported)
{
    testing_support::MessageBoxRecorder boxes;
    const std::string root = testing_support::OutputFolder();
    for (const char* folder : {"\\fetched", "\\marks-one", "\\marks-two"})
        ::CreateDirectoryA((root + folder).c_str(), nullptr);
    TempFile clip("fetched\\clip.avi"), still("fetched\\still.avi"), markOne("marks-one\\s1.mrk"),
        clipOne("marks-one\\clip.avi"), markTwo("marks-two\\s2.mrk"), clipTwo("marks-two\\clip.avi"),
        stillTwo("marks-two\\still.avi");
    clip.Write({1, 2, 3});
    still.Write({4, 5});
    // A folder of that name keeps the file from moving there.
    const std::string blocker = root + "\\marks-one\\still.avi";
    ::CreateDirectoryA(blocker.c_str(), nullptr);
    SetMarkerPath((root + "\\fetched\\b.jpg").c_str());
    Open(nullptr);
    CAnnotationLayer* own = box->Layer();
    // Two hot spots name each file.
    zelvo::ByteWriter marks;
    annotation::WriteAnnotationHeader(marks, "", 4);
    annotation::WriteObject(marks, DRAW_VIDEO, Note(100, 100, clip.path.c_str()));
    annotation::WriteObject(marks, DRAW_VIDEO, Note(300, 100, clip.path.c_str()));
    annotation::WriteObject(marks, DRAW_VIDEO, Note(500, 100, still.path.c_str()));
    annotation::WriteObject(marks, DRAW_VIDEO, Note(700, 100, still.path.c_str()));
    Load(*own, marks.data());
    ASSERT_EQ(own->GetCount(), 4);
    auto text = [&](int i) { return std::string(static_cast<CTextNote*>(own->GetObjectAt(i))->GetText().GetString()); };

    g_chosenPath = markOne.path;
    box->OnSave();
    EXPECT_TRUE(markOne.Exists());
    EXPECT_EQ(clipOne.Bytes(), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(text(0), clipOne.path);
    EXPECT_EQ(text(1), clipOne.path);
    // The file that could not move stays where its hot spot names it, and the user is told.
    EXPECT_EQ(text(2), still.path);
    EXPECT_EQ(text(3), still.path);
    EXPECT_TRUE(still.Exists());
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "下列媒体文件未能移到标注文件旁，仍留在原处：\n" + still.path);

    // Saved again elsewhere, the media follow once more.
    g_chosenPath = markTwo.path;
    box->OnSave();
    EXPECT_EQ(clipTwo.Bytes(), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_FALSE(clipOne.Exists());
    EXPECT_EQ(stillTwo.Bytes(), (std::vector<uint8_t>{4, 5}));
    EXPECT_EQ(text(0), clipTwo.path);
    EXPECT_EQ(text(1), clipTwo.path);
    EXPECT_EQ(text(2), stillTwo.path);
    EXPECT_EQ(text(3), stillTwo.path);
    EXPECT_EQ(boxes.boxes.size(), 1u);

    // Hot spots deleted and saved let go of their file where it now lies.
    own->DeleteAt(3);
    own->DeleteAt(2);
    box->OnSave();
    EXPECT_FALSE(stillTwo.Exists());
    EXPECT_TRUE(clipTwo.Exists());
    ::RemoveDirectoryA(blocker.c_str());
}
