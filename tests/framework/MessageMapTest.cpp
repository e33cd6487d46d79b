#include "FrameworkTestIds.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

using testing_support::PumpUntil;

namespace {

const UINT WM_TEST_PRIVATE = WM_USER + 0x123;

class CBaseTestWnd : public CWnd {
public:
    int baseHits = 0;
    LRESULT OnBaseOnly(WPARAM, LPARAM) { ++baseHits; return 7; }
    LRESULT OnOverridden(WPARAM, LPARAM) { return 1; }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CBaseTestWnd, CWnd)
    ON_MESSAGE(WM_TEST_PRIVATE + 1, OnBaseOnly)
    ON_MESSAGE(WM_TEST_PRIVATE + 2, OnOverridden)
END_MESSAGE_MAP()

class CTestWnd : public CBaseTestWnd {
public:
    WPARAM lastW = 0;
    LPARAM lastL = 0;
    int created = 0;
    int commands = 0;
    int updates = 0;
    BOOL enableCommand = TRUE;
    int selChanges = 0;
    std::vector<UINT> rangeIds;
    UINT_PTR lastTimer = 0;

    int OnCreate(LPCREATESTRUCT cs)
    {
        ++created;
        return CWnd::OnCreate(cs);
    }
    LRESULT OnPrivate(WPARAM w, LPARAM l)
    {
        lastW = w;
        lastL = l;
        return 0x5A5A;
    }
    LRESULT OnOverriddenHere(WPARAM, LPARAM) { return 2; }
    void OnTestCommand() { ++commands; }
    void OnUpdateTestCommand(CCmdUI* ui)
    {
        ++updates;
        ui->Enable(enableCommand);
    }
    void OnSelChange() { ++selChanges; }
    void OnRange(UINT id) { rangeIds.push_back(id); }
    void OnTimer(UINT_PTR id) { lastTimer = id; KillTimer(id); }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CTestWnd, CBaseTestWnd)
    ON_WM_CREATE()
    ON_WM_TIMER()
    ON_MESSAGE(WM_TEST_PRIVATE, OnPrivate)
    ON_MESSAGE(WM_TEST_PRIVATE + 2, OnOverriddenHere)
    ON_COMMAND(IDC_VIEW_COMMAND, OnTestCommand)
    ON_UPDATE_COMMAND_UI(IDC_VIEW_COMMAND, OnUpdateTestCommand)
    ON_CBN_SELCHANGE(77, OnSelChange)
    ON_COMMAND_RANGE(500, 509, OnRange)
END_MESSAGE_MAP()

CRect SmallRect() { return CRect(0, 0, 200, 100); }

} // namespace

TEST(MessageMap, DispatchesPrivateMessagesWithTheirParametersAndResult)
{
    CTestWnd w;
    ASSERT_TRUE(w.CreateEx(0, nullptr, _T("map"), WS_OVERLAPPEDWINDOW, SmallRect(), nullptr, 0));
    EXPECT_EQ(w.created, 1);
    EXPECT_EQ(w.SendMessage(WM_TEST_PRIVATE, 11, 22), 0x5A5A);
    EXPECT_EQ(w.lastW, 11u);
    EXPECT_EQ(w.lastL, 22);
    // The base class map is searched after the derived one.
    EXPECT_EQ(w.SendMessage(WM_TEST_PRIVATE + 1), 7);
    EXPECT_EQ(w.baseHits, 1);
    EXPECT_EQ(w.SendMessage(WM_TEST_PRIVATE + 2), 2);
    // Anything not in a map gets the default handling.
    TCHAR text[16] = {};
    EXPECT_EQ(w.SendMessage(WM_GETTEXT, 16, (LPARAM)text), 3);
    EXPECT_STREQ(text, _T("map"));
}

TEST(MessageMap, RunsCommandsAndTheirUpdateHandlers)
{
    CTestWnd w;
    ASSERT_TRUE(w.CreateEx(0, nullptr, _T("cmd"), WS_OVERLAPPEDWINDOW, SmallRect(), nullptr, 0));
    w.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_VIEW_COMMAND, 0), 0);
    EXPECT_EQ(w.commands, 1);

    // An update handler that disables the command keeps a menu command from running.
    w.enableCommand = FALSE;
    w.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_VIEW_COMMAND, 0), 0);
    EXPECT_EQ(w.commands, 1);
    EXPECT_GE(w.updates, 2);

    // A control notification reaches its entry by code and id; other codes do not.
    w.SendMessage(WM_COMMAND, MAKEWPARAM(77, CBN_SELCHANGE), (LPARAM)w.m_hWnd);
    w.SendMessage(WM_COMMAND, MAKEWPARAM(77, CBN_DROPDOWN), (LPARAM)w.m_hWnd);
    EXPECT_EQ(w.selChanges, 1);

    w.SendMessage(WM_COMMAND, MAKEWPARAM(503, 0), 0);
    w.SendMessage(WM_COMMAND, MAKEWPARAM(510, 0), 0);
    ASSERT_EQ(w.rangeIds.size(), 1u);
    EXPECT_EQ(w.rangeIds[0], 503u);
}

TEST(MessageMap, CommandUiDisablesItemsThatNobodyHandles)
{
    CTestWnd w;
    ASSERT_TRUE(w.CreateEx(0, nullptr, _T("ui"), WS_OVERLAPPEDWINDOW, SmallRect(), nullptr, 0));
    HMENU menu = ::CreatePopupMenu();
    ::AppendMenu(menu, MF_STRING, IDC_VIEW_COMMAND, _T("a"));
    ::AppendMenu(menu, MF_STRING, 505, _T("b"));
    ::AppendMenu(menu, MF_STRING, IDC_NOBODY_COMMAND, _T("c"));
    for (UINT i = 0; i < 3; ++i) {
        CCmdUI ui;
        ui.m_hMenu = menu;
        ui.m_nIndex = i;
        ui.m_nID = ::GetMenuItemID(menu, (int)i);
        ui.DoUpdate(&w, TRUE);
    }
    EXPECT_FALSE(::GetMenuState(menu, 0, MF_BYPOSITION) & MF_GRAYED);
    EXPECT_FALSE(::GetMenuState(menu, 1, MF_BYPOSITION) & MF_GRAYED);  // has a handler, no updater
    EXPECT_TRUE(::GetMenuState(menu, 2, MF_BYPOSITION) & MF_GRAYED);   // nobody handles it
    ::DestroyMenu(menu);
}

TEST(MessageMap, TimersArriveThroughTheMap)
{
    CTestWnd w;
    ASSERT_TRUE(w.CreateEx(0, nullptr, _T("timer"), WS_OVERLAPPEDWINDOW, SmallRect(), nullptr, 0));
    fw::SetTimerScale(0.01);
    w.SetTimer(100, 5000, nullptr);  // 50 ms at this scale
    fw::SetTimerScale(1.0);
    EXPECT_TRUE(PumpUntil([&] { return w.lastTimer == 100; }, 2000));
}

namespace {

class CTestView : public CWnd {
public:
    int viewCommands = 0;
    void OnViewCommand() { ++viewCommands; }
    void OnUpdateViewCommand(CCmdUI* ui) { ui->SetCheck(1); }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CTestView, CWnd)
    ON_COMMAND(IDC_VIEW_COMMAND, OnViewCommand)
    ON_UPDATE_COMMAND_UI(IDC_VIEW_COMMAND, OnUpdateViewCommand)
END_MESSAGE_MAP()

class CTestFrame : public CFrameWnd {
public:
    CTestView view;
    int* frameCommands = nullptr;
    int* viewCommandsSeenByFrame = nullptr;
    bool* destroyed = nullptr;
    int OnCreate(LPCREATESTRUCT cs)
    {
        if (CFrameWnd::OnCreate(cs) == -1) return -1;
        return view.CreateEx(0, nullptr, nullptr, WS_CHILD | WS_VISIBLE, CRect(0, 0, 1, 1), this, AFX_IDW_PANE_FIRST)
                   ? 0 : -1;
    }
    void OnFrameCommand() { ++*frameCommands; }
    void OnViewCommandInFrame() { ++*viewCommandsSeenByFrame; }
    ~CTestFrame() override { *destroyed = true; }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CTestFrame, CFrameWnd)
    ON_WM_CREATE()
    ON_COMMAND(IDC_FRAME_COMMAND, OnFrameCommand)
    ON_COMMAND(IDC_VIEW_COMMAND, OnViewCommandInFrame)
END_MESSAGE_MAP()

} // namespace

TEST(FrameWindow, LoadsItsResourcesRoutesCommandsToTheViewFirstAndDeletesItself)
{
    int frameCommands = 0, seenByFrame = 0;
    bool destroyed = false;
    CTestFrame* frame = new CTestFrame;
    frame->frameCommands = &frameCommands;
    frame->viewCommandsSeenByFrame = &seenByFrame;
    frame->destroyed = &destroyed;
    ASSERT_TRUE(frame->LoadFrame(IDR_TESTFRAME, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE));
    HWND hwnd = frame->m_hWnd;

    CString title;
    frame->GetWindowText(title);
    EXPECT_EQ(title, CString("测试框架"));  // first line of the string of the frame's id
    EXPECT_NE(::GetMenu(hwnd), nullptr);
    EXPECT_EQ(frame->GetStyle() & FWS_ADDTOTITLE, 0u);
    CRect placed;
    frame->GetWindowRect(&placed);
    EXPECT_GT(placed.Width(), 200);  // the platform's default size, not an empty window
    EXPECT_GT(placed.Height(), 100);

    // The pane fills the client area.
    frame->MoveWindow(0, 0, 400, 300);
    CRect client, pane;
    frame->GetClientRect(&client);
    frame->view.GetClientRect(&pane);
    EXPECT_EQ(pane.Size(), client.Size());

    ::SendMessage(hwnd, WM_COMMAND, MAKEWPARAM(IDC_VIEW_COMMAND, 0), 0);
    ::SendMessage(hwnd, WM_COMMAND, MAKEWPARAM(IDC_FRAME_COMMAND, 0), 0);
    EXPECT_EQ(frame->view.viewCommands, 1);
    EXPECT_EQ(seenByFrame, 0);
    EXPECT_EQ(frameCommands, 1);

    // Opening the menu asks the handlers for each item's state.
    HMENU popup = ::GetSubMenu(::GetMenu(hwnd), 0);
    ::SendMessage(hwnd, WM_INITMENUPOPUP, (WPARAM)popup, 0);
    EXPECT_TRUE(::GetMenuState(popup, 0, MF_BYPOSITION) & MF_CHECKED);
    EXPECT_FALSE(::GetMenuState(popup, 1, MF_BYPOSITION) & MF_GRAYED);
    EXPECT_TRUE(::GetMenuState(popup, 2, MF_BYPOSITION) & MF_GRAYED);

    ::SendMessage(hwnd, WM_CLOSE, 0, 0);
    EXPECT_TRUE(destroyed);
    EXPECT_FALSE(::IsWindow(hwnd));
}

namespace {

// A window whose storage becomes inaccessible the moment it is deleted, so
// that any use of it afterwards faults at once.
class CGuardedWnd : public CWnd {
public:
    static void* operator new(size_t size)
    {
        return ::VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    }
    static void operator delete(void* p)
    {
        DWORD old;
        ::VirtualProtect(p, sizeof(CGuardedWnd), PAGE_NOACCESS, &old);
        s_deleted = true;
    }
    void OnClose() { DestroyWindow(); }
    LRESULT OnSuicide(WPARAM, LPARAM)
    {
        delete this;
        return 42;
    }
    static inline bool s_deleted = false;

protected:
    void PostNcDestroy() override { delete this; }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CGuardedWnd, CWnd)
    ON_WM_CLOSE()
    ON_MESSAGE(WM_TEST_PRIVATE, OnSuicide)
END_MESSAGE_MAP()

} // namespace

TEST(WindowLifetime, AnObjectMayDeleteItselfInsideItsOwnHandler)
{
    CGuardedWnd::s_deleted = false;
    CGuardedWnd* w = new CGuardedWnd;
    ASSERT_TRUE(w->CreateEx(0, nullptr, _T("guard"), WS_OVERLAPPEDWINDOW, SmallRect(), nullptr, 0));
    HWND hwnd = w->m_hWnd;
    ::SendMessage(hwnd, WM_CLOSE, 0, 0);  // DestroyWindow inside OnClose, delete in PostNcDestroy
    EXPECT_TRUE(CGuardedWnd::s_deleted);
    EXPECT_FALSE(::IsWindow(hwnd));
    EXPECT_EQ(CWnd::FromHandlePermanent(hwnd), nullptr);

    // Deleting the object while its window exists unbinds the window first.
    CGuardedWnd::s_deleted = false;
    CGuardedWnd* v = new CGuardedWnd;
    ASSERT_TRUE(v->CreateEx(0, nullptr, _T("guard2"), WS_OVERLAPPEDWINDOW, SmallRect(), nullptr, 0));
    hwnd = v->m_hWnd;
    EXPECT_EQ(::SendMessage(hwnd, WM_TEST_PRIVATE, 0, 0), 42);
    EXPECT_TRUE(CGuardedWnd::s_deleted);
    EXPECT_FALSE(::IsWindow(hwnd));
}

TEST(WindowLifetime, SubclassedControlsReachTheMapAndKeepTheirOwnBehaviour)
{
    CWnd parent;
    ASSERT_TRUE(parent.CreateEx(0, nullptr, _T("parent"), WS_OVERLAPPEDWINDOW, SmallRect(), nullptr, 0));
    CTestWnd edit;
    ASSERT_TRUE(edit.CreateEx(0, _T("EDIT"), _T("hello"), WS_CHILD | WS_VISIBLE, CRect(0, 0, 100, 20), &parent, 5));
    EXPECT_EQ(CWnd::FromHandlePermanent(edit.m_hWnd), &edit);
    EXPECT_EQ(edit.SendMessage(WM_TEST_PRIVATE, 1, 2), 0x5A5A);
    CString text;
    edit.GetWindowText(text);
    EXPECT_EQ(text, CString("hello"));  // the edit control's own procedure still answers
    // A temporary object stands for a window nobody owns.
    HWND other = ::CreateWindowEx(0, _T("STATIC"), _T("x"), WS_CHILD, 0, 0, 5, 5, parent.m_hWnd, nullptr, nullptr, nullptr);
    CWnd* temp = CWnd::FromHandle(other);
    ASSERT_NE(temp, nullptr);
    EXPECT_EQ(temp->m_hWnd, other);
    EXPECT_EQ(CWnd::FromHandlePermanent(other), nullptr);
    CWnd::DeleteTempMap();
    EXPECT_TRUE(::IsWindow(other));  // a temporary never destroys its window
}
