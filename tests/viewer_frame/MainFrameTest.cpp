#include "MainFrame.h"
#include "ScreenSettings.h"
#include "ViewerMessages.h"
#include "TestSupport.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace {

// Stands in for the slide view: a plain child window that records the calls.
class RecordingView : public ISlideViewPane {
public:
    CWnd* GetPaneWnd() override { return &wnd; }
    void ConnectServer(LPCSTR address) override { calls.push_back(std::string("connect ") + address); }
    void OpenSlidePath(LPCSTR path) override { calls.push_back(std::string("open ") + path); }
    int SetMagnification(double m, int apply) override
    {
        calls.push_back("magnify " + std::to_string((int)m) + " " + std::to_string(apply));
        return apply;
    }
    void SetRuler(int index, int lengthMm) override
    {
        calls.push_back("ruler " + std::to_string(index) + " " + std::to_string(lengthMm));
    }
    void RebuildSlideInfo() override { calls.push_back("rebuild"); }
    void ToggleEyepieceField() override { eyepieceOn = !eyepieceOn; }
    BOOL IsEyepieceFieldOn() const override { return eyepieceOn; }
    void RememberScreenOrigin() override { calls.push_back("origin"); }

    CWnd wnd;
    std::vector<std::string> calls;
    BOOL eyepieceOn = FALSE;
};

// Catches WM_VIEWER_NOTIFY as the catalogue client would.
class CatalogueWindow : public CWnd {
public:
    CatalogueWindow() { CreateEx(0, nullptr, "catalogue", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr); }
    struct Note {
        WPARAM frame;
        LPARAM state;
    };
    std::vector<Note> notes;

protected:
    LRESULT OnViewerNotify(WPARAM w, LPARAM l)
    {
        notes.push_back({w, l});
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CatalogueWindow, CWnd)
    ON_MESSAGE(WM_VIEWER_NOTIFY, OnViewerNotify)
END_MESSAGE_MAP()

class MainFrameTest : public ::testing::Test {
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
        if (frame && ::IsWindow(hwnd())) frame->DestroyWindow();
        testing_support::PumpFor(20);
    }
    HWND hwnd() const { return frame ? frame->m_hWnd : nullptr; }
    void Choose(CComboBox& list, int index)
    {
        list.SetCurSel(index);
        frame->SendMessage(WM_COMMAND, MAKEWPARAM(list.GetDlgCtrlID(), CBN_SELCHANGE), (LPARAM)list.m_hWnd);
    }
    std::vector<std::string> Texts(const CComboBox& list)
    {
        std::vector<std::string> out;
        for (int i = 0; i < list.GetCount(); ++i) {
            CString t;
            list.GetLBText(i, t);
            out.push_back(t.GetString());
        }
        return out;
    }

    RecordingView view;
    CMainFrame* frame = nullptr;
};

TEST(MainFrameRules, MagnificationIsEyepieceTimesObjective)
{
    EXPECT_EQ(600, CMainFrame::Magnification(1, 6));   // 15X x 40X
    EXPECT_EQ(0, CMainFrame::Magnification(2, 0));     // whole slide
    EXPECT_EQ(1000, CMainFrame::Magnification(0, 9));  // 10X x 100X
    EXPECT_EQ(0, CMainFrame::Magnification(3, 9));
    EXPECT_EQ(0, CMainFrame::Magnification(0, -1));
    EXPECT_EQ(20, CMainFrame::ScaleBarLengthMm(0));
    EXPECT_EQ(80, CMainFrame::ScaleBarLengthMm(2));
    EXPECT_EQ(320, CMainFrame::ScaleBarLengthMm(4));
}

TEST_F(MainFrameTest, CreatesListsOverTheToolbarWithoutMenu)
{
    EXPECT_EQ(nullptr, frame->GetMenu());
    EXPECT_FALSE(frame->m_wndStatusBar.IsWindowVisible());
    EXPECT_EQ(4, frame->m_wndStatusBar.GetCount());
    EXPECT_EQ(0, frame->GetExStyle() & WS_EX_CLIENTEDGE);
    EXPECT_EQ(view.wnd.m_hWnd, ::GetDlgItem(hwnd(), AFX_IDW_PANE_FIRST));
    // The bar sits above the pane.
    CRect bar, pane;
    frame->m_wndToolBar.GetWindowRect(&bar);
    view.wnd.GetWindowRect(&pane);
    EXPECT_GT(bar.Height(), 15) << bar.left << "," << bar.top << "," << bar.right << "," << bar.bottom;
    EXPECT_GE(pane.top, bar.bottom) << pane.left << "," << pane.top << "," << pane.right << "," << pane.bottom;
    EXPECT_TRUE(frame->m_wndToolBar.IsWindowVisible());

    EXPECT_EQ((std::vector<std::string>{"2cm标尺", "4cm标尺", "8cm标尺", "16cm标尺", "32cm标尺"}),
              Texts(frame->m_rulerList));
    EXPECT_EQ(2, frame->m_rulerList.GetCurSel());
    EXPECT_EQ((std::vector<std::string>{"10X目镜", "15X目镜", "20X目镜"}), Texts(frame->m_eyepieceList));
    EXPECT_EQ(0, frame->m_eyepieceList.GetCurSel());
    auto objectives = Texts(frame->m_objectiveList);
    ASSERT_EQ(10u, objectives.size());
    EXPECT_EQ("全景", objectives[0]);
    EXPECT_EQ("100X物镜", objectives[9]);
    EXPECT_EQ(0, frame->m_objectiveList.GetCurSel());
    auto fields = Texts(frame->m_fieldNumberList);
    ASSERT_EQ(7u, fields.size());
    EXPECT_EQ("160 FD", fields[0]);
    EXPECT_EQ("350 FD", fields[6]);
    CScreenSettingsDlg settings;
    settings.LoadSettings();
    EXPECT_EQ(settings.m_eyepieceIndex, frame->m_fieldNumberList.GetCurSel());
    EXPECT_FALSE(frame->m_fieldNumberList.IsWindowEnabled());

    // Each list sits where its placeholder became a separator of the given width.
    struct { CComboBox* list; UINT place; int width; } places[] = {
        {&frame->m_fieldNumberList, ID_FIELD_NUMBER_PLACE, 72}, {&frame->m_rulerList, ID_RULER_PLACE, 86},
        {&frame->m_eyepieceList, ID_EYEPIECE_PLACE, 82}, {&frame->m_objectiveList, ID_OBJECTIVE_PLACE, 90}};
    for (auto& p : places) {
        int index = frame->m_wndToolBar.CommandToIndex(p.place);
        ASSERT_GE(index, 0);
        CRect item, list;
        frame->m_wndToolBar.GetItemRect(index, &item);
        EXPECT_EQ(p.width, item.Width());
        p.list->GetWindowRect(&list);
        frame->m_wndToolBar.ScreenToClient(&list);
        EXPECT_EQ(item.left, list.left);
    }
    // The ruler's initial length reached the view.
    ASSERT_FALSE(view.calls.empty());
    EXPECT_EQ("ruler 2 80", view.calls[0]);
}

TEST_F(MainFrameTest, MicroscopeListsDriveTheView)
{
    view.calls.clear();
    // Before any slide: the view gets the magnification and decides what to do with it.
    Choose(frame->m_eyepieceList, 1);
    Choose(frame->m_objectiveList, 6);
    Choose(frame->m_objectiveList, 0);
    Choose(frame->m_rulerList, 0);
    Choose(frame->m_rulerList, 4);
    EXPECT_EQ((std::vector<std::string>{"magnify 0 1", "magnify 600 1", "magnify 0 1", "ruler 0 20", "ruler 4 320"}),
              view.calls);

    // Only the frame's own view moves the ruler list.
    RecordingView stranger;
    frame->SelectRuler(1, &stranger);
    EXPECT_EQ(4, frame->m_rulerList.GetCurSel());
    frame->SelectRuler(1, &view);
    EXPECT_EQ(1, frame->m_rulerList.GetCurSel());
    frame->SelectRuler(7, &view);
    EXPECT_EQ(1, frame->m_rulerList.GetCurSel());
}

TEST_F(MainFrameTest, EyepieceFieldEnablesFieldNumberList)
{
    frame->SendMessage(WM_COMMAND, ID_VIEW_EYEPIECE_FIELD);
    EXPECT_TRUE(view.eyepieceOn);
    EXPECT_TRUE(frame->m_fieldNumberList.IsWindowEnabled());

    CScreenSettingsDlg before;
    before.LoadSettings();
    int restore = before.m_eyepieceIndex;
    view.calls.clear();
    Choose(frame->m_fieldNumberList, 6);
    EXPECT_EQ(std::vector<std::string>{"rebuild"}, view.calls);
    CScreenSettingsDlg after;
    after.LoadSettings();
    EXPECT_EQ(6, after.m_eyepieceIndex);
    EXPECT_FLOAT_EQ(0.35f, after.m_fieldNumber);
    after.SetEyepieceIndex(restore);
    after.SaveSettings();

    frame->SendMessage(WM_COMMAND, ID_VIEW_EYEPIECE_FIELD);
    EXPECT_FALSE(frame->m_fieldNumberList.IsWindowEnabled());
}

// Reads the command's update state as the idle update would.
struct ProbeCmdUI : CCmdUI {
    void Enable(BOOL on) override { enabled = on; m_bEnableChanged = TRUE; }
    void SetCheck(int c) override { checked = c; }
    BOOL enabled = -1;
    int checked = -1;
};

TEST_F(MainFrameTest, ShowMenuTogglesMenuAndItsCheck)
{
    view.calls.clear();
    frame->SendMessage(WM_COMMAND, ID_VIEW_MENU);
    EXPECT_NE(nullptr, frame->GetMenu());
    EXPECT_EQ(std::vector<std::string>{"origin"}, view.calls);
    ProbeCmdUI on;
    on.m_nID = ID_VIEW_MENU;
    on.DoUpdate(frame, TRUE);
    EXPECT_EQ(1, on.checked);
    EXPECT_TRUE(on.enabled);

    // The toolbar toggle hides the bar; then the menu command is disabled.
    frame->SendMessage(WM_COMMAND, ID_VIEW_TOOLBAR);
    EXPECT_FALSE(frame->m_wndToolBar.IsWindowVisible());
    ProbeCmdUI hidden;
    hidden.m_nID = ID_VIEW_MENU;
    hidden.DoUpdate(frame, TRUE);
    EXPECT_FALSE(hidden.enabled);
    ProbeCmdUI bar;
    bar.m_nID = ID_VIEW_TOOLBAR;
    bar.DoUpdate(frame, TRUE);
    EXPECT_EQ(0, bar.checked);
    frame->SendMessage(WM_COMMAND, ID_VIEW_TOOLBAR);
    EXPECT_TRUE(frame->m_wndToolBar.IsWindowVisible());

    frame->SendMessage(WM_COMMAND, ID_VIEW_MENU);
    EXPECT_EQ(nullptr, frame->GetMenu());
    ProbeCmdUI off;
    off.m_nID = ID_VIEW_MENU;
    off.DoUpdate(frame, TRUE);
    EXPECT_EQ(0, off.checked);
}

TEST_F(MainFrameTest, IdleUpdateReachesToolbarButtons)
{
    frame->SendMessage(WM_COMMAND, ID_VIEW_TOOLBAR);  // hidden: the bar's own update is skipped
    frame->SendMessage(WM_COMMAND, ID_VIEW_TOOLBAR);
    // Nobody handles the report command yet: idle update disables its button.
    frame->m_wndToolBar.SendMessage(WM_IDLEUPDATECMDUI, TRUE);
    EXPECT_FALSE(::SendMessage(frame->m_wndToolBar.m_hWnd, TB_ISBUTTONENABLED, ID_REPORT, 0));
    EXPECT_TRUE(::SendMessage(frame->m_wndToolBar.m_hWnd, TB_ISBUTTONENABLED, ID_VIEW_MENU, 0));
}

TEST_F(MainFrameTest, OpenSlideConnectsOpensAndNotifies)
{
    CatalogueWindow catalogue;
    view.calls.clear();
    frame->OpenSlide("\\\\srv\\slides\\a.jpg", "10.0.0.5", catalogue.m_hWnd);
    EXPECT_EQ((std::vector<std::string>{"connect 10.0.0.5", "open \\\\srv\\slides\\a.jpg"}), view.calls);
    EXPECT_EQ(catalogue.m_hWnd, frame->GetCatalogueWindow());
    ASSERT_TRUE(testing_support::PumpUntil([&] { return catalogue.notes.size() == 1; }, 2000));
    EXPECT_EQ((WPARAM)hwnd(), catalogue.notes[0].frame);
    EXPECT_EQ(0, catalogue.notes[0].state);

    // Four characters: connects, opens nothing, still registers and notifies.
    view.calls.clear();
    frame->OpenSlide("a.jp", "10.0.0.5", catalogue.m_hWnd);
    EXPECT_EQ(std::vector<std::string>{"connect 10.0.0.5"}, view.calls);
    ASSERT_TRUE(testing_support::PumpUntil([&] { return catalogue.notes.size() == 2; }, 2000));

    // Not a window: nothing registered.
    frame->OpenSlide("", "", (HWND)(UINT_PTR)1234);
    EXPECT_EQ(nullptr, frame->GetCatalogueWindow());
}

TEST_F(MainFrameTest, OpenRequestResetsListsAndStoresUnappliedMagnification)
{
    CatalogueWindow catalogue;
    Choose(frame->m_eyepieceList, 2);
    Choose(frame->m_objectiveList, 4);
    view.calls.clear();
    frame->SendMessage(WM_OPEN_SLIDE_REQUEST, (WPARAM)catalogue.m_hWnd, 0);
    EXPECT_EQ(0, frame->m_eyepieceList.GetCurSel());
    EXPECT_EQ(0, frame->m_objectiveList.GetCurSel());
    ASSERT_EQ(3u, view.calls.size());
    EXPECT_EQ("magnify 0 0", view.calls[0]);
    EXPECT_EQ(0u, view.calls[1].rfind("connect ", 0));
    EXPECT_EQ(0u, view.calls[2].rfind("open ", 0));
    ASSERT_TRUE(testing_support::PumpUntil([&] { return catalogue.notes.size() == 1; }, 2000));
    EXPECT_EQ(0, catalogue.notes[0].state);
}

TEST_F(MainFrameTest, ClosingNotifiesTwice)
{
    CatalogueWindow catalogue;
    frame->OpenSlide("", "", catalogue.m_hWnd);
    HWND self = hwnd();
    frame->SendMessage(WM_CLOSE);
    frame = nullptr;  // deleted itself
    EXPECT_FALSE(::IsWindow(self));
    ASSERT_TRUE(testing_support::PumpUntil([&] { return catalogue.notes.size() == 3; }, 2000));
    for (size_t i = 1; i < 3; ++i) {
        EXPECT_EQ((WPARAM)self, catalogue.notes[i].frame);
        EXPECT_EQ(1, catalogue.notes[i].state);
    }
}

TEST_F(MainFrameTest, GoneCatalogueWindowIsNotPosted)
{
    auto* catalogue = new CatalogueWindow;
    HWND gone = catalogue->m_hWnd;
    frame->OpenSlide("", "", gone);
    testing_support::PumpFor(20);
    delete catalogue;
    EXPECT_FALSE(::IsWindow(gone));
    // A window of ours that could take the handle's place would see nothing; the
    // check is that closing with a dead registration neither posts nor fails.
    frame->SendMessage(WM_CLOSE);
    frame = nullptr;
    MSG msg;
    EXPECT_FALSE(::PeekMessage(&msg, gone, WM_VIEWER_NOTIFY, WM_VIEWER_NOTIFY, PM_NOREMOVE));
}

TEST_F(MainFrameTest, ListFontHasTheGlyphsOfEveryItem)
{
    for (CComboBox* list : {&frame->m_fieldNumberList, &frame->m_rulerList, &frame->m_eyepieceList, &frame->m_objectiveList}) {
        HFONT font = list->GetFont();
        ASSERT_NE(nullptr, font);
        for (const std::string& text : Texts(*list))
            EXPECT_EQ("", testing_support::ChineseFontProblem(font, text.c_str())) << text;
    }
}

// Drags the toolbar by a press at one screen point and a release at another,
// as the mouse would (the bar holds the capture in between).
void DragBar(CToolBar& bar, POINT from, POINT to)
{
    bar.SendMessage(WM_NCLBUTTONDOWN, HTBORDER, MAKELPARAM(from.x, from.y));
    ASSERT_TRUE(bar.IsDragging());
    POINT mid = {(from.x + to.x) / 2, (from.y + to.y) / 2};
    for (POINT p : {mid, to}) {
        ::ScreenToClient(bar.m_hWnd, &p);
        bar.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(p.x, p.y));
    }
    ::ScreenToClient(bar.m_hWnd, &to);
    bar.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(to.x, to.y));
    EXPECT_FALSE(bar.IsDragging());
    testing_support::PumpFor(50);
}

TEST_F(MainFrameTest, ToolbarDocksOnAnyEdgeFloatsAndComesBack)
{
    CToolBar& bar = frame->m_wndToolBar;
    ASSERT_EQ(DockSide::Top, bar.GetDockSide());
    CRect client;
    frame->GetClientRect(&client);
    frame->ClientToScreen(&client);
    CRect start;
    bar.GetWindowRect(&start);
    const POINT gripper = {start.left + 3, start.top + start.Height() / 2};

    // Every list stays on the bar, inside it and clear of the others.
    auto expectListsOnBar = [&](const char* where) {
        CRect onBar;
        bar.GetWindowRect(&onBar);
        std::vector<CRect> seen;
        for (CComboBox* list : {&frame->m_fieldNumberList, &frame->m_rulerList, &frame->m_eyepieceList, &frame->m_objectiveList}) {
            CRect r;
            list->GetWindowRect(&r);
            EXPECT_EQ(bar.m_hWnd, ::GetParent(list->m_hWnd)) << where;
            EXPECT_TRUE(onBar.PtInRect(r.TopLeft()) && r.right <= onBar.right) << where;
            for (const CRect& other : seen) {
                CRect overlap;
                EXPECT_FALSE(overlap.IntersectRect(&r, &other)) << where;
            }
            seen.push_back(r);
        }
    };

    // A press and a release on the gripper leave it where it is.
    DragBar(bar, gripper, POINT{gripper.x + 1, gripper.y});
    EXPECT_EQ(DockSide::Top, bar.GetDockSide());

    DragBar(bar, gripper, POINT{client.left + 5, client.top + client.Height() / 2});
    ASSERT_EQ(DockSide::Left, bar.GetDockSide());
    CRect left, pane;
    bar.GetWindowRect(&left);
    view.wnd.GetWindowRect(&pane);
    EXPECT_EQ(client.left, left.left);
    EXPECT_EQ(client.top, left.top);
    EXPECT_EQ(client.bottom, left.bottom);
    EXPECT_GT(left.Height(), left.Width());
    EXPECT_EQ(left.right, pane.left);
    expectListsOnBar("left");
    testing_support::SaveScreenshot(nullptr, "viewer_toolbar_left.bmp");

    // Into the middle: a floating window owned by the frame; the pane takes the whole client.
    const POINT leftGripper = {left.left + left.Width() / 2, left.top + 3};
    DragBar(bar, leftGripper, POINT{client.left + 400, client.top + 300});
    ASSERT_TRUE(bar.IsFloating());
    HWND floating = ::GetParent(bar.m_hWnd);
    EXPECT_NE(hwnd(), floating);
    EXPECT_EQ(hwnd(), ::GetWindow(floating, GW_OWNER));
    EXPECT_TRUE(::IsWindowVisible(floating));
    view.wnd.GetWindowRect(&pane);
    EXPECT_EQ(client, pane);
    expectListsOnBar("floating");
    testing_support::SaveScreenshot(nullptr, "viewer_toolbar_floating.bmp");

    // Its lists still drive the view, and its buttons still get their state.
    view.calls.clear();
    frame->m_objectiveList.SetCurSel(6);
    bar.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_OBJECTIVE_LIST, CBN_SELCHANGE), (LPARAM)frame->m_objectiveList.m_hWnd);
    EXPECT_EQ(std::vector<std::string>{"magnify 400 1"}, view.calls);

    // A double click on its caption docks it where it was last docked.
    ::SendMessage(floating, WM_NCLBUTTONDBLCLK, HTCAPTION, 0);
    testing_support::PumpFor(50);
    EXPECT_EQ(DockSide::Left, bar.GetDockSide());
    EXPECT_EQ(hwnd(), ::GetParent(bar.m_hWnd));
    EXPECT_FALSE(::IsWindow(floating));

    // Dragged to the bottom edge, then home to the top: as it began.
    bar.GetWindowRect(&left);
    DragBar(bar, POINT{left.left + left.Width() / 2, left.top + 3}, POINT{client.left + 300, client.bottom - 4});
    EXPECT_EQ(DockSide::Bottom, bar.GetDockSide());
    CRect bottom;
    bar.GetWindowRect(&bottom);
    EXPECT_EQ(client.bottom, bottom.bottom);
    DragBar(bar, POINT{bottom.left + 3, bottom.top + bottom.Height() / 2}, POINT{client.left + 300, client.top + 4});
    EXPECT_EQ(DockSide::Top, bar.GetDockSide());
    CRect back;
    bar.GetWindowRect(&back);
    EXPECT_EQ(start, back);
    expectListsOnBar("top");
    testing_support::SaveScreenshot(nullptr, "viewer_toolbar_redocked.bmp");
}

TEST_F(MainFrameTest, Screenshot)
{
    EXPECT_TRUE(frame->IsZoomed());
    frame->m_objectiveList.SetCurSel(6);
    frame->RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE | RDW_ALLCHILDREN);
    testing_support::PumpFor(300);
    std::string path = testing_support::SaveScreenshot(nullptr, "viewer_main_frame.bmp");
    ASSERT_FALSE(path.empty());
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    EXPECT_GT((long long)in.tellg(), 1280LL * 1024 * 3 / 2);
    EXPECT_EQ(4, (int)(::IsWindow(frame->m_rulerList.m_hWnd) + ::IsWindow(frame->m_fieldNumberList.m_hWnd) +
                       ::IsWindow(frame->m_eyepieceList.m_hWnd) + ::IsWindow(frame->m_objectiveList.m_hWnd)));
}

} // namespace

namespace {

// A frame with a status bar whose second pane is kept up to date by a handler.
class StatusFrame : public CFrameWnd {
public:
    CStatusBar bar;
    int updates = 0;

protected:
    int OnCreate(LPCREATESTRUCT cs)
    {
        if (CFrameWnd::OnCreate(cs) == -1) return -1;
        static const UINT ids[] = {ID_SEPARATOR, ID_VIEW_MENU, ID_REPORT};
        return bar.Create(this) && bar.SetIndicators(ids, 3) ? 0 : -1;
    }
    void OnUpdateMenuPane(CCmdUI* ui)
    {
        ++updates;
        ui->SetText("pane text");
    }
    void OnUpdateReportPane(CCmdUI* ui) { ui->Enable(FALSE); }
    void OnViewBar(UINT id) { FwOnBarCheck(this, id); }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(StatusFrame, CFrameWnd)
    ON_WM_CREATE()
    ON_UPDATE_COMMAND_UI(ID_VIEW_MENU, OnUpdateMenuPane)
    ON_UPDATE_COMMAND_UI(ID_REPORT, OnUpdateReportPane)
    ON_COMMAND_RANGE(ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR, OnViewBar)
END_MESSAGE_MAP()

TEST(StatusBar, IdleUpdateSetsPanesAndToggleLaysItOutAtTheBottom)
{
    auto* frame = new StatusFrame;
    ASSERT_TRUE(frame->Create(nullptr, "status", WS_OVERLAPPEDWINDOW | WS_VISIBLE, CRect(0, 0, 400, 300)));
    EXPECT_EQ("显示菜单", std::string(frame->bar.GetPaneText(1).GetString()));
    EXPECT_EQ(3, (int)frame->bar.SendMessage(SB_GETPARTS, 0, 0));

    frame->bar.SendMessage(WM_IDLEUPDATECMDUI, TRUE);
    EXPECT_EQ(1, frame->updates);
    EXPECT_EQ("pane text", std::string(frame->bar.GetPaneText(1).GetString()));
    EXPECT_EQ("", std::string(frame->bar.GetPaneText(2).GetString()));

    // Hidden: no updates.
    frame->SendMessage(WM_COMMAND, ID_VIEW_STATUS_BAR);
    EXPECT_FALSE(frame->bar.IsWindowVisible());
    frame->bar.SendMessage(WM_IDLEUPDATECMDUI, TRUE);
    EXPECT_EQ(1, frame->updates);

    frame->SendMessage(WM_COMMAND, ID_VIEW_STATUS_BAR);
    ASSERT_TRUE(frame->bar.IsWindowVisible());
    CRect client, bar;
    frame->GetClientRect(&client);
    frame->bar.GetWindowRect(&bar);
    frame->ScreenToClient(&bar);
    EXPECT_EQ(client.bottom, bar.bottom);
    EXPECT_GT(bar.Height(), 0);
    frame->DestroyWindow();
}

} // namespace
