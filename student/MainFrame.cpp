// The frame's life cycle: creation, discovery, login, reset to discovery and
// clean-up, and the student's own commands.
#include "MainFrame.h"

#include "QuestionDlg.h"
#include "StudentApp.h"
#include "StudentMessages.h"
#include "resource.h"

#include <lmcons.h>

namespace classroom = zelvo::classroom;

BEGIN_MESSAGE_MAP(CMainFrame, CFrameWnd)
    ON_WM_CREATE()
    ON_WM_TIMER()
    ON_WM_DESTROY()
    ON_WM_ENDSESSION()
    ON_MESSAGE(WM_UDP_NOTIFY, OnUdpNotify)
    ON_MESSAGE(WM_LINK_LOST, OnLinkLost)
    ON_MESSAGE(WM_HOOK_STOPPED, OnHookStopped)
    ON_MESSAGE(WM_HOOK_MOUSE, OnHookMouse)
    ON_MESSAGE(WM_HOOK_KEY, OnHookKey)
    ON_MESSAGE(WM_FULL_FRAME_REQUEST, OnFullFrameRequest)
    ON_MESSAGE(WM_JPEG_ERROR, OnJpegError)
    ON_MESSAGE(WM_RUN_STUDENT_MEDIA, OnRunMediaRequest)
    ON_WM_CONTEXTMENU()
    ON_COMMAND(ID_TEACHER_RETURN, OnTeacherReturn)
    ON_UPDATE_COMMAND_UI(ID_TEACHER_RETURN, OnUpdateTeacherReturn)
    ON_COMMAND(ID_RAISE_HAND, OnRaiseHand)
    ON_UPDATE_COMMAND_UI(ID_RAISE_HAND, OnUpdateRaiseHand)
    ON_COMMAND(ID_SHOW_OPERATION_BAR, OnShowOperationBar)
    ON_COMMAND(ID_SEND_QUESTION, OnSendQuestion)
    ON_UPDATE_COMMAND_UI(ID_SEND_QUESTION, OnUpdateSendQuestion)
END_MESSAGE_MAP()

CMainFrame::CMainFrame() : m_nScreenPort(classroom::kScreenPort) {}

CMainFrame::~CMainFrame()
{
    CleanUp();
}

int CMainFrame::OnCreate(LPCREATESTRUCT cs)
{
    if (Default() == -1) return -1;
    if (!m_tray.Create(nullptr, WM_TRAY_NOTIFY, _T("ORLISK Veskara Audience"),
                       ::LoadIcon(AfxGetInstanceHandle(), MAKEINTRESOURCE(IDR_MAINFRAME)), IDR_TRAY_MENU))
        return -1;
    m_tray.SetMenuDefaultItem(1, TRUE);
    BuildStudentName();
    OpenCommandSocket(classroom::kDiscoveryPort, TRUE);
    SetTimer(TIMER_PRESENCE, PRESENCE_PERIOD_MS);
    m_bConnected = 0;
    m_operationBar.Create(this);
    RefreshBar();
    if (CWinApp* app = AfxGetApp())
        app->WriteProfileInt("AppData", "Sylvanor", (int)(INT_PTR)m_operationBar.m_hWnd);
    return 0;
}

void CMainFrame::BuildStudentName()
{
    char host[256] = {};
    if (::gethostname(host, sizeof host - 1) != 0) host[0] = 0;
    char user[UNLEN + 1] = {};
    DWORD userLen = sizeof user;
    if (!::GetUserNameA(user, &userLen)) user[0] = 0;
    const std::string name = classroom::ComposeStudentName(host, user);
    lstrcpynA(m_szStudentName, name.c_str(), sizeof m_szStudentName);
}

void CMainFrame::OpenCommandSocket(UINT port, BOOL broadcast)
{
    // Made before the old one goes, so the two never share a handle value and
    // a notification still queued for the old one cannot pass for the new.
    CUdpSocket* fresh = new CUdpSocket;
    fresh->Bind(port, broadcast);
    delete m_pUdpSocket;
    m_pUdpSocket = fresh;
    ++m_nSocketGeneration;
    if (!fresh->Register(m_hWnd, WM_UDP_NOTIFY)) AfxMessageBox("Undefined error!!!");
}

void CMainFrame::RefreshBar()
{
    m_operationBar.SetState(m_bConnected, m_bTeacherVisit, m_bHandUp);
}

void CMainFrame::OnTimer(UINT_PTR id)
{
    if (id == TIMER_PRESENCE && m_pUdpSocket)
        m_pUdpSocket->Send(classroom::CMD_PRESENCE, m_szStudentName, lstrlenA(m_szStudentName));
    Default();
}

BOOL CMainFrame::ConnectTeacher(LPCTSTR address)
{
    delete m_pScreenLink;
    m_pScreenLink = nullptr;
    m_strTeacherAddress = address;
    m_pScreenLink = new CScreenSocket(this);
    if (!m_pScreenLink->Connect(m_strTeacherAddress, m_nScreenPort)) {
        delete m_pScreenLink;
        m_pScreenLink = nullptr;
        return FALSE;
    }
    return TRUE;
}

void CMainFrame::OnTeacherHere()
{
    // The capture pass sends on both sockets that the login replaces.
    WaitIdle();
    m_pUdpSocket->ReplyToSender();
    const IN_ADDR teacher = m_pUdpSocket->Destination().sin_addr;
    // The first pass after a login sends the whole screen.
    m_reference.LockBits();
    m_reference.Empty();
    m_reference.UnlockBits();
    if (!ConnectTeacher(CString(::inet_ntoa(teacher)))) return;
    KillTimer(TIMER_PRESENCE);
    OpenCommandSocket(classroom::kCommandPort, FALSE);
    m_pUdpSocket->SetDestination(teacher);
    m_bConnected = 1;
    RefreshBar();
    m_operationBar.ShowWindow(SW_SHOWNORMAL);
    if (m_answerLetter) m_pUdpSocket->Send(classroom::CMD_ANSWER, &m_answerLetter, 1);
    m_pUdpSocket->Send(classroom::CMD_STUDENT_NAME, m_szStudentName, lstrlenA(m_szStudentName) + 1);
    const BYTE hand[2] = {(BYTE)m_bHandUp, (BYTE)(m_bHandUp >> 8)};
    m_pUdpSocket->Send(classroom::CMD_HAND_STATE, hand, 2);
}

LRESULT CMainFrame::OnLinkLost(WPARAM wParam, LPARAM lParam)
{
    if (lParam != -1) return 0;
    // A link replaced by a later login may still report its end.
    if (wParam && (!m_pScreenLink || wParam != m_pScreenLink->LinkId())) return 0;
    WaitIdle();
    delete m_pScreenLink;
    m_pScreenLink = nullptr;
    OpenCommandSocket(classroom::kDiscoveryPort, TRUE);
    SetTimer(TIMER_PRESENCE, PRESENCE_PERIOD_MS);
    m_bTeacherVisit = 0;
    m_bConnected = 0;
    RefreshBar();
    m_operationBar.ShowWindow(SW_HIDE);
    // Nothing the teacher set up outlives the teacher: no forwarding, no notice.
    DeInstallKMHook();
    m_bNoticePinned = 0;
    CloseNotice();
    return 0;
}

void CMainFrame::ExitWindowsSystem(BOOL powerOff)
{
    if (m_pUdpSocket) m_pUdpSocket->Send(classroom::CMD_BYE);
    HANDLE token = nullptr;
    if (::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
        TOKEN_PRIVILEGES tp = {};
        if (::LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &tp.Privileges[0].Luid)) {
            tp.PrivilegeCount = 1;
            tp.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
            ::AdjustTokenPrivileges(token, FALSE, &tp, 0, nullptr, nullptr);
        }
        ::CloseHandle(token);
    }
    fw::Shell().EndSession(powerOff ? EWX_SHUTDOWN | EWX_POWEROFF : EWX_REBOOT, 0);
    ::PostQuitMessage(0);
}

void CMainFrame::CleanUp()
{
    // The capture pass uses the sockets deleted here.
    WaitIdle();
    KillTimer(TIMER_PRESENCE);
    if (m_pUdpSocket) {
        m_pUdpSocket->Send(classroom::CMD_BYE);
        delete m_pUdpSocket;
        m_pUdpSocket = nullptr;
        ++m_nSocketGeneration;
    }
    delete m_pScreenLink;
    m_pScreenLink = nullptr;
    CloseNotice();
}

void CMainFrame::OnDestroy()
{
    CleanUp();
    m_tray.RemoveIcon();
    Default();
}

void CMainFrame::OnEndSession(BOOL ending)
{
    // A log-off that another program cancelled leaves the session running.
    if (ending) CleanUp();
}

// ---------------------------------------------------------------------------
// The student's commands

void CMainFrame::SendAnswer(BYTE letter)
{
    m_answerLetter = letter;
    if (letter && m_pUdpSocket) m_pUdpSocket->Send(classroom::CMD_ANSWER, &m_answerLetter, 1);
}

void CMainFrame::ShowNotice(int style)
{
    if (m_pNotice) return;
    m_pNotice = new CNoticeWnd;
    if (!m_pNotice->CreateNotice(style)) {
        delete m_pNotice;
        m_pNotice = nullptr;
    }
}

void CMainFrame::CloseNotice()
{
    if (!m_pNotice) return;
    m_pNotice->Close();
    m_pNotice->DestroyWindow();
    delete m_pNotice;
    m_pNotice = nullptr;
}

void CMainFrame::OnTeacherReturn()
{
    if (m_bRemoteMouse) {
        if (m_pUdpSocket) m_pUdpSocket->Send(classroom::CMD_TEACHER_RETURN);
        m_bRemoteMouse = 0;
        return;
    }
    m_bRemoteMouse = 0;
    AfxMessageBox("仅用于教师返回...");
    RefreshBar();
}

void CMainFrame::OnUpdateTeacherReturn(CCmdUI* ui)
{
    ui->Enable(m_bTeacherVisit != 0);
}

void CMainFrame::OnRaiseHand()
{
    m_bHandUp = !m_bHandUp;
    if (m_pUdpSocket) m_pUdpSocket->Send(m_bHandUp ? classroom::CMD_HAND_UP : classroom::CMD_HAND_DOWN);
    RefreshBar();
}

void CMainFrame::OnUpdateRaiseHand(CCmdUI* ui)
{
    ui->Enable(m_bConnected != 0);
    ui->SetCheck(m_bHandUp != 0);
}

void CMainFrame::OnShowOperationBar()
{
    m_operationBar.ShowWindow(SW_SHOWNORMAL);
    SendAnswer(m_answerLetter);
}

void CMainFrame::OnSendQuestion()
{
    CQuestionDlg dialog(this);
    if (dialog.DoModal() != IDOK) return;
    const CStringA text = dialog.GetQuestion();
    // Cut to what a datagram carries; a two-byte character may be split.
    const int length = text.GetLength() < (int)classroom::kMaxTextLength ? text.GetLength()
                                                                          : (int)classroom::kMaxTextLength;
    if (m_pUdpSocket) m_pUdpSocket->Send(classroom::CMD_TEXT_QUESTION, text.GetString(), length);
}

void CMainFrame::OnUpdateSendQuestion(CCmdUI* ui)
{
    ui->Enable(m_bConnected != 0);
}

void CMainFrame::OnContextMenu(CWnd*, CPoint p)
{
    if (p.x == -1 && p.y == -1) {
        p = CPoint(5, 5);
        ClientToScreen(&p);
    }
    HMENU menu = ::LoadMenu(AfxGetResourceHandle(), MAKEINTRESOURCE(IDR_TRAY_MENU));
    if (!menu) return;
    CWnd* owner = GetTopLevelParent();
    ::TrackPopupMenu(::GetSubMenu(menu, 0), TPM_LEFTALIGN | TPM_RIGHTBUTTON, p.x, p.y, 0,
                     owner ? owner->m_hWnd : m_hWnd, nullptr);
    ::DestroyMenu(menu);
}

LRESULT CMainFrame::OnRunMediaRequest(WPARAM, LPARAM)
{
    RunStudentMedia();
    return 0;
}
