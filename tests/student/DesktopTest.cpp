// What the teacher does to the student's desktop: a click made with the
// teacher's mouse, the full-screen notice, and the student's own input
// forwarded through the hook library. These tests drive the one desktop, so they run alone.
#include "StudentMessages.h"
#include "StudentTestSupport.h"

#include "classroom/InputMapping.h"

#include <map>

#include <gtest/gtest.h>

using namespace student_test;
using testing_support::MessageBoxRecorder;
using testing_support::PumpFor;
using testing_support::PumpUntil;

namespace {

void SendMouse(TestTeacher& teacher, int32_t flags, int px, int py)
{
    uint8_t r[cls::kMouseRecordSize];
    cls::WriteMouseRecord({flags, cls::AbsoluteCoordinate(px, ::GetSystemMetrics(SM_CXSCREEN)),
                           cls::AbsoluteCoordinate(py, ::GetSystemMetrics(SM_CYSCREEN))},
                          r);
    teacher.Send(cls::kCommandPort, cls::CMD_REMOTE_MOUSE, r, sizeof r);
}

// The colour the screen shows at a point.
COLORREF ScreenPixel(int x, int y)
{
    HDC screen = ::GetDC(nullptr);
    COLORREF c = ::GetPixel(screen, x, y);
    ::ReleaseDC(nullptr, screen);
    return c;
}

class Desktop : public testing::Test {
protected:
    void TearDown() override { DeInstallKMHook(); }
};

} // namespace

TEST_F(Desktop, TheReturnCommandGoesOutOnlyFromTheTeachersMouse)
{
    TestTeacher teacher;
    MessageBoxRecorder boxes;
    StudentFrame student;
    ASSERT_TRUE(student.created);
    ASSERT_TRUE(LogIn(teacher, student));
    teacher.Send(cls::kCommandPort, cls::CMD_TEACHER_VISIT);
    ASSERT_TRUE(PumpUntil([&] { return student->TeacherVisit() == 1; }));
    teacher.received.clear();
    // The student's own use of the command only says what it is for.
    student->SendMessage(WM_COMMAND, ID_TEACHER_RETURN);
    ASSERT_EQ(1u, boxes.boxes.size());
    EXPECT_EQ("仅用于教师返回...", boxes.boxes[0].text);

    CRect button;
    student->GetOperationBar().m_returnButton.GetWindowRect(&button);
    ::SetForegroundWindow(student->GetOperationBar().m_hWnd);
    SendMouse(teacher, 0x8001, button.CenterPoint().x, button.CenterPoint().y);
    SendMouse(teacher, 0x8002, button.CenterPoint().x, button.CenterPoint().y);
    SendMouse(teacher, 0x8004, button.CenterPoint().x, button.CenterPoint().y);
    ASSERT_TRUE(PumpUntil([&] { return teacher.Has(cls::CMD_TEACHER_RETURN); }));
    EXPECT_EQ(std::vector<int32_t>{cls::CMD_TEACHER_RETURN}, teacher.Commands());
    EXPECT_EQ(0, student->RemoteMouseMark());
    EXPECT_EQ(1u, boxes.boxes.size());
}

TEST_F(Desktop, NoticesShowKeepTheirStyleAndStayWhilePinned)
{
    TestTeacher teacher;
    StudentFrame student;
    ASSERT_TRUE(student.created);
    ASSERT_TRUE(LogIn(teacher, student));
    const int cx = ::GetSystemMetrics(SM_CXSCREEN), cy = ::GetSystemMetrics(SM_CYSCREEN);
    auto sendAndSettle = [&](int32_t command) {
        teacher.Send(cls::kCommandPort, command);
        teacher.Send(cls::kCommandPort, cls::CMD_NO_UPDATE);  // its echo marks the end
        teacher.received.clear();
        ASSERT_TRUE(PumpUntil([&] { return teacher.Has(cls::CMD_NO_UPDATE); }));
        PumpFor(50);
    };

    sendAndSettle(cls::CMD_NOTICE_WAIT);
    CNoticeWnd* notice = student->GetNotice();
    ASSERT_NE(nullptr, notice);
    EXPECT_EQ(1, notice->Style());
    EXPECT_TRUE(notice->GetExStyle() & WS_EX_TOPMOST);
    CRect r;
    notice->GetWindowRect(&r);
    EXPECT_EQ(CRect(0, 0, cx, cy), r);
    notice->UpdateWindow();
    EXPECT_EQ(RGB(0, 0, 0x78), ScreenPixel(cx / 2, cy - 3));
    testing_support::SaveScreenshot(nullptr, "student-notice-wait.bmp");

    sendAndSettle(cls::CMD_NOTICE_ATTENTION);
    EXPECT_EQ(notice, student->GetNotice());
    EXPECT_EQ(1, notice->Style());
    sendAndSettle(cls::CMD_NOTICE_PIN);
    sendAndSettle(cls::CMD_TEACHER_RETURN);
    sendAndSettle(cls::CMD_NOTICE_CLOSE);
    EXPECT_EQ(notice, student->GetNotice());
    sendAndSettle(cls::CMD_NOTICE_UNPIN);
    EXPECT_EQ(nullptr, student->GetNotice());

    sendAndSettle(cls::CMD_NOTICE_ATTENTION);
    ASSERT_NE(nullptr, student->GetNotice());
    EXPECT_EQ(0, student->GetNotice()->Style());
    student->GetNotice()->UpdateWindow();
    EXPECT_EQ(RGB(0, 0, 0), ScreenPixel(cx / 2, cy - 3));
    testing_support::SaveScreenshot(nullptr, "student-notice-attention.bmp");
    sendAndSettle(cls::CMD_NOTICE_CLOSE);
    EXPECT_EQ(nullptr, student->GetNotice());

    // The teacher's going takes a pinned notice with it.
    sendAndSettle(cls::CMD_NOTICE_WAIT);
    sendAndSettle(cls::CMD_NOTICE_PIN);
    teacher.Send(cls::kCommandPort, cls::CMD_BYE);
    ASSERT_TRUE(PumpUntil([&] { return !student->IsConnected(); }));
    EXPECT_EQ(nullptr, student->GetNotice());
    EXPECT_EQ(0, student->NoticePinned());
}

TEST_F(Desktop, ForwardedInputReachesTheTeacherUntilF12)
{
    TestTeacher teacher;
    MessageBoxRecorder boxes;
    StudentFrame student;
    ASSERT_TRUE(student.created);
    ASSERT_TRUE(LogIn(teacher, student));
    const int cx = ::GetSystemMetrics(SM_CXSCREEN), cy = ::GetSystemMetrics(SM_CYSCREEN);

    teacher.Send(cls::kCommandPort, cls::CMD_INPUT_FORWARD_BEGIN);
    ASSERT_TRUE(PumpUntil([&] { return student->GetNotice() != nullptr; }));
    EXPECT_EQ(1, student->GetNotice()->Style());
    teacher.received.clear();
    ::mouse_event(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, (DWORD)cls::AbsoluteCoordinate(cx / 4, cx),
                  (DWORD)cls::AbsoluteCoordinate(cy / 4, cy), 0, 0);
    ::keybd_event('B', 0x30, 0, 0);
    ::keybd_event('B', 0x30, KEYEVENTF_KEYUP, 0);
    ASSERT_TRUE(PumpUntil([&] {
        int keys = 0;
        for (const auto& r : teacher.received) keys += r.Command() == cls::CMD_REMOTE_KEY;
        return keys == 2 && teacher.Has(cls::CMD_REMOTE_MOUSE);
    }));
    for (const auto& r : teacher.received) {
        const cls::UdpDatagram d = r.Datagram();
        if (d.command == cls::CMD_REMOTE_MOUSE) {
            const cls::MouseRecord m = cls::ReadMouseRecord(d.payload);
            EXPECT_EQ(0x8001, m.flags);
            EXPECT_NEAR(cls::AbsoluteCoordinate(cx / 4, cx), m.x, 120);
            EXPECT_NEAR(cls::AbsoluteCoordinate(cy / 4, cy), m.y, 120);
        } else if (d.command == cls::CMD_REMOTE_KEY) {
            const cls::KeyRecord k = cls::ReadKeyRecord(d.payload);
            EXPECT_EQ('B', k.vk);
            EXPECT_EQ(0x30, (k.flags >> 16) & 0xFF);
        }
    }

    // A second begin finds the hooks set: they are removed and the student told.
    teacher.Send(cls::kCommandPort, cls::CMD_INPUT_FORWARD_BEGIN);
    ASSERT_TRUE(PumpUntil([&] { return !boxes.boxes.empty(); }));
    EXPECT_EQ("Hook error!", boxes.boxes[0].text);
    EXPECT_TRUE(InstallKMHook(student->m_hWnd, 0)) << "the failed begin removed both hooks";
    ASSERT_TRUE(DeInstallKMHook());

    // F12 ends forwarding on the student's side and is not relayed.
    teacher.Send(cls::kCommandPort, cls::CMD_INPUT_FORWARD_BEGIN);
    PumpFor(200);
    teacher.received.clear();
    ::keybd_event(VK_F12, 0x58, 0, 0);
    ::keybd_event(VK_F12, 0x58, KEYEVENTF_KEYUP, 0);
    ASSERT_TRUE(PumpUntil([&] { return teacher.Has(cls::CMD_INPUT_FORWARD_END); }));
    PumpFor(100);
    EXPECT_EQ(std::vector<int32_t>{cls::CMD_INPUT_FORWARD_END}, teacher.Commands());
    EXPECT_EQ(nullptr, student->GetNotice());
    EXPECT_TRUE(InstallKMHook(student->m_hWnd, 0)) << "F12 removed both hooks";
    ASSERT_TRUE(DeInstallKMHook());

    // The teacher's end is acknowledged.
    teacher.Send(cls::kCommandPort, cls::CMD_INPUT_FORWARD_BEGIN);
    PumpFor(200);
    teacher.received.clear();
    teacher.Send(cls::kCommandPort, cls::CMD_INPUT_FORWARD_END);
    ASSERT_TRUE(PumpUntil([&] { return teacher.Has(cls::CMD_INPUT_FORWARD_END); }));
    EXPECT_EQ(nullptr, student->GetNotice());
    EXPECT_TRUE(InstallKMHook(student->m_hWnd, 0));
    ASSERT_TRUE(DeInstallKMHook());

    // Forwarding does not outlive the teacher.
    teacher.Send(cls::kCommandPort, cls::CMD_INPUT_FORWARD_BEGIN);
    ASSERT_TRUE(PumpUntil([&] { return student->GetNotice() != nullptr; }));
    teacher.Send(cls::kCommandPort, cls::CMD_BYE);
    ASSERT_TRUE(PumpUntil([&] { return !student->IsConnected(); }));
    EXPECT_EQ(nullptr, student->GetNotice());
    EXPECT_TRUE(InstallKMHook(student->m_hWnd, 0)) << "the reset removed both hooks";
}

namespace {

// What a popup menu showed, read from inside its modal loop, which is then ended.
struct ShownMenu {
    bool shown = false;
    UINT defaultItem = (UINT)-1;
    std::map<UINT, UINT> states;  // command -> MF_ flags
    RECT where = {};
};
ShownMenu* g_menu = nullptr;

void CALLBACK ReadMenu(HWND, UINT, UINT_PTR id, DWORD)
{
    HWND popup = ::FindWindowA("#32768", nullptr);
    if (!popup || !::IsWindowVisible(popup)) return;
    ::KillTimer(nullptr, id);
    HMENU menu = (HMENU)::SendMessage(popup, MN_GETHMENU, 0, 0);
    g_menu->shown = true;
    g_menu->defaultItem = ::GetMenuDefaultItem(menu, TRUE, GMDI_USEDISABLED);
    for (UINT command : {ID_TEACHER_RETURN, ID_RAISE_HAND, ID_SEND_QUESTION, ID_SHOW_OPERATION_BAR})
        g_menu->states[command] = ::GetMenuState(menu, command, MF_BYCOMMAND);
    ::GetWindowRect(popup, &g_menu->where);
    ::EndMenu();
}

// Sends the message that opens a menu and reads the menu it shows.
ShownMenu ShowMenu(HWND to, UINT message, WPARAM wParam, LPARAM lParam)
{
    ShownMenu shown;
    g_menu = &shown;
    ::SetTimer(nullptr, 0, 50, &ReadMenu);
    ::SendMessage(to, message, wParam, lParam);
    g_menu = nullptr;
    return shown;
}

// The application's main window is the target of the tray icon's commands.
class MainWindowIs {
public:
    explicit MainWindowIs(CWnd* wnd) : m_previous(AfxGetApp()->m_pMainWnd) { AfxGetApp()->m_pMainWnd = wnd; }
    ~MainWindowIs() { AfxGetApp()->m_pMainWnd = m_previous; }

private:
    CWnd* m_previous;
};

void MoveMouseTo(const CPoint& p, DWORD buttons = 0)
{
    const int cx = ::GetSystemMetrics(SM_CXSCREEN), cy = ::GetSystemMetrics(SM_CYSCREEN);
    ::mouse_event(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | buttons, (DWORD)cls::AbsoluteCoordinate(p.x, cx),
                  (DWORD)cls::AbsoluteCoordinate(p.y, cy), 0, 0);
    PumpFor(150);
}

CPoint CentreOf(const CWnd& wnd)
{
    CRect r;
    wnd.GetWindowRect(&r);
    return r.CenterPoint();
}

} // namespace

TEST_F(Desktop, TheTrayMenuAndTheContextMenuOfferTheCommandsAsTheStateAllows)
{
    TestTeacher teacher;
    StudentFrame student;
    ASSERT_TRUE(student.created);
    MainWindowIs main(student.frame);
    const NOTIFYICONDATA& icon = student->GetTray().IconData();
    ASSERT_TRUE(student->GetTray().IsEnabled());
    EXPECT_EQ(0, strcmp("ORLISK Veskara Audience", icon.szTip));

    // Before a login: raise hand and question are disabled; raise hand is the default.
    ShownMenu menu = ShowMenu(icon.hWnd, WM_TRAY_NOTIFY, IDR_TRAY_MENU, WM_RBUTTONUP);
    ASSERT_TRUE(menu.shown);
    EXPECT_EQ(1u, menu.defaultItem);
    EXPECT_TRUE(menu.states[ID_RAISE_HAND] & MF_GRAYED);
    EXPECT_TRUE(menu.states[ID_SEND_QUESTION] & MF_GRAYED);
    EXPECT_TRUE(menu.states[ID_TEACHER_RETURN] & MF_GRAYED);
    EXPECT_FALSE(menu.states[ID_SHOW_OPERATION_BAR] & MF_GRAYED);

    // A double click raises the hand once a teacher is there, and the menu shows it.
    ASSERT_TRUE(LogIn(teacher, student));
    teacher.received.clear();
    ::SendMessage(icon.hWnd, WM_TRAY_NOTIFY, IDR_TRAY_MENU, WM_LBUTTONDBLCLK);
    EXPECT_EQ(1, student->HandUp());
    ASSERT_TRUE(PumpUntil([&] { return teacher.Has(cls::CMD_HAND_UP); }));
    menu = ShowMenu(icon.hWnd, WM_TRAY_NOTIFY, IDR_TRAY_MENU, WM_RBUTTONUP);
    ASSERT_TRUE(menu.shown);
    EXPECT_FALSE(menu.states[ID_RAISE_HAND] & MF_GRAYED);
    EXPECT_TRUE(menu.states[ID_RAISE_HAND] & MF_CHECKED);
    EXPECT_FALSE(menu.states[ID_SEND_QUESTION] & MF_GRAYED);
    // Another icon's notification is not this one's.
    EXPECT_EQ(0, ::SendMessage(icon.hWnd, WM_TRAY_NOTIFY, IDR_TRAY_MENU + 1, WM_LBUTTONDBLCLK));
    EXPECT_EQ(1, student->HandUp());

    // The frame's context menu from the keyboard opens by its client origin.
    menu = ShowMenu(student->m_hWnd, WM_CONTEXTMENU, (WPARAM)student->m_hWnd, MAKELPARAM(-1, -1));
    ASSERT_TRUE(menu.shown);
    CPoint origin(5, 5);
    student->ClientToScreen(&origin);
    EXPECT_NEAR(origin.x, menu.where.left, 2);
    EXPECT_NEAR(origin.y, menu.where.top, 2);
    EXPECT_TRUE(menu.states[ID_RAISE_HAND] & MF_CHECKED);
}

TEST_F(Desktop, FlatButtonsLightUpUnderTheMouseOnlyAsTheyShould)
{
    TestTeacher teacher;
    StudentFrame student;
    ASSERT_TRUE(student.created);
    ASSERT_TRUE(LogIn(teacher, student));
    COperationBarDlg& bar = student->GetOperationBar();
    CFlatButton& hand = bar.m_handButton;
    CFlatButton& question = bar.m_questionButton;
    ASSERT_TRUE(bar.IsWindowVisible());
    ::SetForegroundWindow(bar.m_hWnd);
    PumpFor(100);

    MoveMouseTo(CentreOf(hand));
    EXPECT_TRUE(hand.IsMouseOver());
    MoveMouseTo(CentreOf(question));
    EXPECT_FALSE(hand.IsMouseOver()) << "left";
    EXPECT_TRUE(question.IsMouseOver());
    // Leaving for another program's window is noticed by the platform's polling.
    MoveMouseTo(CPoint(10, 500));
    EXPECT_TRUE(PumpUntil([&] { return !question.IsMouseOver(); }, 2000));

    // Entering with the left button held does not light it up.
    ::mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
    MoveMouseTo(CentreOf(hand));
    EXPECT_FALSE(hand.IsMouseOver());
    ::mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
    MoveMouseTo(CPoint(10, 500));

    // A click on the hand raises it; the button's text turns red, purple under the mouse.
    teacher.received.clear();
    MoveMouseTo(CentreOf(hand));
    ::mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
    ::mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return teacher.Has(cls::CMD_HAND_UP); }));
    EXPECT_EQ(RGB(0xFF, 0, 0), hand.GetColor(CFlatButton::BtnColorOutFg));
    EXPECT_EQ(RGB(0x7F, 0, 0x7F), hand.GetColor(CFlatButton::BtnColorInFg));
    EXPECT_EQ(RGB(0, 0x7F, 0), question.GetColor(CFlatButton::BtnColorInFg));
    testing_support::SaveScreenshot(bar.m_hWnd, "student-bar-hand-up.bmp");
    teacher.Send(cls::kCommandPort, cls::CMD_HAND_DOWN);
    ASSERT_TRUE(PumpUntil([&] { return student->HandUp() == 0; }));
    EXPECT_EQ(RGB(0, 0, 0), hand.GetColor(CFlatButton::BtnColorOutFg));

    // Disabled, a button gives the focus away.
    question.SetFocus();
    ASSERT_EQ(question.m_hWnd, ::GetFocus());
    teacher.Send(cls::kCommandPort, cls::CMD_BYE);
    ASSERT_TRUE(PumpUntil([&] { return !student->IsConnected(); }));
    EXPECT_FALSE(question.IsWindowEnabled());
    EXPECT_NE(question.m_hWnd, ::GetFocus());
}
