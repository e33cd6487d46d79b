#include "FwCommonDialogs.h"
#include "MeasureResultDlg.h"
#include "ObjectMessages.h"
#include "ObjectsTestSupport.h"

#include <gtest/gtest.h>

using objects_test::HostWnd;
using objects_test::TempFile;

namespace {

// Answers the file and colour dialogs: the path to choose and the name proposed.
std::string g_chosenPath;
std::string g_proposedName;
COLORREF g_chosenColour = 0;

BOOL ChooseFile(BOOL, OPENFILENAME& ofn)
{
    g_proposedName = ofn.lpstrFile;
    lstrcpynA(ofn.lpstrFile, g_chosenPath.c_str(), (int)ofn.nMaxFile);
    return TRUE;
}

BOOL ChooseColour(CHOOSECOLOR& cc)
{
    cc.rgbResult = g_chosenColour;
    return TRUE;
}

class MeasureResults : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_previousFile = fw::SetFileDialogHandler(&ChooseFile);
        m_previousColour = fw::SetColorDialogHandler(&ChooseColour);
        dialog = new CMeasureResultDlg(&dialog, &host, &host);
        dialog->SetSlidePath("D:\\切片\\2024\\b.jpg");
        ASSERT_TRUE(dialog->Create());
        testing_support::PumpFor(20);
    }
    void TearDown() override
    {
        if (dialog) dialog->DestroyWindow();
        fw::SetFileDialogHandler(m_previousFile);
        fw::SetColorDialogHandler(m_previousColour);
    }
    // Lets the layer's posted messages reach the dialog.
    void Pump() { testing_support::PumpFor(30); }
    std::string Cell(int row, int column)
    {
        return std::string(dialog->List().GetItemText(row, column).GetString());
    }
    void Choose(int entry)
    {
        dialog->Kinds().SetCurSel(entry);
        dialog->SendMessage(WM_COMMAND, MAKEWPARAM(1042, CBN_SELCHANGE), (LPARAM)dialog->Kinds().m_hWnd);
    }
    void Measure(int x, int y) { dialog->Layer().OnLButtonDblClk(0, CPoint(x, y)); }

    HostWnd host;
    CMeasureResultDlg* dialog = nullptr;

private:
    fw::FileDialogFn m_previousFile = nullptr;
    fw::ColorDialogFn m_previousColour = nullptr;
};

} // namespace

TEST_F(MeasureResults, LendsItsLayerWhileOpen)
{
    EXPECT_EQ(host.measureLayer, &dialog->Layer());
    EXPECT_TRUE(dialog->Layer().IsEditMode());
    EXPECT_EQ(dialog->Layer().GetOwner(), &host);
    EXPECT_EQ(dialog->List().GetItemCount(), 0);
    EXPECT_EQ(dialog->Kinds().GetCount(), 8);
    dialog->SendMessage(WM_CLOSE);
    EXPECT_EQ(dialog, nullptr);
    EXPECT_EQ(host.measureLayer, nullptr);
}

TEST_F(MeasureResults, RowsFollowAddDeleteAndLoad)
{
    dialog->Layer().SetScale(1.0f, 1.0f, (int)objects_test::kOneMicron, (int)objects_test::kOneMicron);
    Choose(0);  // segments
    EXPECT_EQ(dialog->Layer().GetToolType(), DRAW_SEGMENT);
    Measure(400, 400);
    Choose(6);  // angle
    Measure(300, 200);
    Choose(5);  // arc
    Measure(400, 500);
    Pump();
    ASSERT_EQ(dialog->List().GetItemCount(), 3);
    EXPECT_EQ(Cell(0, 0), "0");
    EXPECT_EQ(Cell(0, 1), "线段");
    EXPECT_EQ(Cell(0, 2), "424.26μm : 424.26μm, ");
    EXPECT_EQ(Cell(1, 2), "夹角= 53.13度");
    EXPECT_EQ(Cell(2, 0), "2");
    EXPECT_EQ(Cell(2, 1), "弧长");

    // The arc is selected: the kind list shows its entry, the row its result's name.
    dialog->Layer().OnLButtonDown(0, CPoint(400, 500));
    Pump();
    EXPECT_EQ(dialog->Kinds().GetCurSel(), 5);

    dialog->Layer().DeleteAt(0);
    Pump();
    ASSERT_EQ(dialog->List().GetItemCount(), 2);
    EXPECT_EQ(Cell(0, 0), "0");
    EXPECT_EQ(Cell(0, 1), "夹角");
    EXPECT_EQ(Cell(1, 0), "1");

    // A row added in front renumbers every row behind it, the last one too.
    dialog->Layer().CreateObject(DRAW_SEGMENT);
    dialog->SendMessage(WM_MEASURE_CHANGED, (WPARAM)&dialog->Layer(), 0);
    ASSERT_EQ(dialog->List().GetItemCount(), 3);
    EXPECT_EQ(Cell(1, 0), "1");
    EXPECT_EQ(Cell(2, 0), "2");

    // Loading replaces the rows by the file's.
    TempFile file("dialog.rst");
    CMeasureLayer other;
    other.SetEditMode(1);
    other.SetToolType(DRAW_ARC, 1);
    other.CreateAt(300, 300);
    ASSERT_TRUE(other.WriteFile(file.path.c_str()));
    g_chosenPath = file.path;
    dialog->OnLoad();
    ASSERT_EQ(dialog->List().GetItemCount(), 1);
    EXPECT_EQ(Cell(0, 1), "弧长");
}

TEST_F(MeasureResults, AFileLoadedBeforeTheDisplayPaintsIsMeasuredAtTheSlidesResolution)
{
    // Opened again over a display showing a slide of 2 um per pixel at half size.
    dialog->DestroyWindow();
    host.scale = LayerScale{0.5f, 0.5f, 500000, 500000};
    dialog = new CMeasureResultDlg(&dialog, &host, &host);
    ASSERT_TRUE(dialog->Create());
    EXPECT_EQ(dialog->Layer().GetScaleX(), 0.5);

    TempFile file("unpainted.rst");
    CMeasureLayer other;
    other.SetEditMode(1);
    other.SetToolType(DRAW_SEGMENT, 1);
    other.CreateAt(400, 400);  // 300 pixels across and 300 down
    ASSERT_TRUE(other.WriteFile(file.path.c_str()));
    g_chosenPath = file.path;
    dialog->OnLoad();
    ASSERT_EQ(dialog->List().GetItemCount(), 1);
    EXPECT_EQ(Cell(0, 2), "848.53μm : 848.53μm, ");
}

TEST_F(MeasureResults, CirclesRectanglesEllipsesAndRegionsListTheirResults)
{
    dialog->Layer().SetScale(1.0f, 1.0f, (int)objects_test::kOneMicron, (int)objects_test::kOneMicron);
    Choose(3);
    Measure(300, 300);
    Choose(2);
    Measure(600, 300);
    Choose(4);
    Measure(300, 600);
    Choose(1);
    Measure(700, 600);
    Pump();
    ASSERT_EQ(dialog->List().GetItemCount(), 4);
    EXPECT_EQ(Cell(0, 1), "圆周");
    EXPECT_EQ(Cell(0, 2), "面积=31415.93μm^2,  周长=628.32μm,  直径=200.00μm");
    EXPECT_EQ(Cell(1, 1), "矩形");
    EXPECT_EQ(Cell(1, 2).rfind("面积=32000.00μm^2,  周长=720.00μm,", 0), 0u) << Cell(1, 2);
    EXPECT_EQ(Cell(2, 1), "椭圆");
    EXPECT_EQ(Cell(2, 2).rfind("面积=25132.74μm^2,  周长=582.65μm,", 0), 0u) << Cell(2, 2);
    EXPECT_EQ(Cell(3, 1), "区域");
    EXPECT_EQ(Cell(3, 2).rfind("面积=", 0), 0u) << Cell(3, 2);

    // A dragged handle updates the row.
    dialog->Layer().OnLButtonUp(0, CPoint(600, 300));  // selects the rectangle
    CDrawObject* rect = dialog->Layer().GetSelected();
    ASSERT_NE(rect, nullptr);
    ASSERT_EQ(rect->GetType(), DRAW_RECTANGLE);
    dialog->Layer().OnLButtonDown(0, CPoint(700, 300));  // h1
    dialog->Layer().OnMouseMove(0, CPoint(800, 300));
    dialog->Layer().OnLButtonUp(0, CPoint(800, 300));
    Pump();
    EXPECT_EQ(dialog->Kinds().GetCurSel(), 2);
    EXPECT_EQ(Cell(1, 2).rfind("面积=48000.00μm^2", 0), 0u) << Cell(1, 2);
}

TEST_F(MeasureResults, SaveProposesTheSlidesNameAndLineColourGoesToTheSelection)
{
    EXPECT_EQ(std::string(dialog->DefaultFileName().GetString()), "b.rst");
    TempFile file("saved.rst");
    Choose(0);
    Measure(400, 400);
    g_chosenPath = file.path;
    dialog->OnSave();
    EXPECT_EQ(g_proposedName, "b.rst");
    EXPECT_TRUE(file.Exists());

    g_chosenColour = RGB(0, 128, 255);
    dialog->OnLineColour();
    DrawAttributes a;
    dialog->Layer().GetSelected()->GetAttributes(&a);
    EXPECT_EQ(a.borderColor, RGB(0, 128, 255));
    EXPECT_EQ(dialog->Layer().Attributes().borderColor, RGB(0, 128, 255));
}
