// The dispatcher of the teacher's commands and the relay of the student's own
// input while it is forwarded.
#include "MainFrame.h"

#include "StudentMessages.h"

#include "classroom/InputMapping.h"

namespace classroom = zelvo::classroom;

namespace {
// Datagrams read for one notification: enough to empty the socket's queue in
// normal use, few enough that a flood cannot hold the UI thread.
const int kDatagramsPerNotification = 32;
} // namespace

LRESULT CMainFrame::OnUdpNotify(WPARAM wParam, LPARAM lParam)
{
    if (!m_pUdpSocket || WSAGETSELECTEVENT(lParam) != FD_READ) return 0;
    // A notification queued for a socket that a login or a reset replaced.
    if ((SOCKET)wParam != m_pUdpSocket->Handle()) return 0;
    // Everything waiting is read: after a failed read the platform need not
    // announce the datagrams behind it. A login or a reset replaces the
    // socket midway, and a handler's message box lets them run under it.
    CUdpSocket* socket = m_pUdpSocket;
    const unsigned generation = m_nSocketGeneration;
    for (int i = 0; i < kDatagramsPerNotification && generation == m_nSocketGeneration; ++i) {
        // Nothing waiting, a failed read or an oversized datagram says nothing
        // about the teacher: only the teacher's goodbye ends the link.
        const CUdpSocket::ReadResult read = socket->Receive();
        if (read == CUdpSocket::ReadResult::Nothing) break;
        if (read != CUdpSocket::ReadResult::Datagram) continue;
        if (m_bConnected && socket->Sender().s_addr != socket->Destination().sin_addr.s_addr) continue;
        // Set by a remote mouse event until the next datagram: a click the
        // teacher made on the return button finds it still set. Notifications
        // left over from datagrams already read leave it alone.
        m_bRemoteMouse = 0;
        classroom::DispatchTeacherDatagram(socket->Received(), (size_t)socket->ReceivedLength(), *this);
    }
    return 0;
}

void CMainFrame::SendToTeacherOnly(int command)
{
    if (m_pUdpSocket && !m_pUdpSocket->SendsToBroadcast()) m_pUdpSocket->Send(command);
}

void CMainFrame::OnBye()
{
    PostMessage(WM_LINK_LOST, 0, (LPARAM)-1);
}

void CMainFrame::OnHandDown()
{
    m_bHandUp = 0;
    RefreshBar();
}

void CMainFrame::OnClearAnswer()
{
    m_operationBar.ClearAnswer();
    m_answerLetter = 0;
}

void CMainFrame::OnRemoteMouse(const classroom::MouseRecord& r)
{
    m_bRemoteMouse = 1;
    ::mouse_event((DWORD)r.flags, (DWORD)r.x, (DWORD)r.y, 0, 0);
}

void CMainFrame::OnRemoteKey(const classroom::KeyRecord& r)
{
    const classroom::KeyReplay k = classroom::KeyReplayFor(r);
    ::keybd_event(k.vk, k.scan, k.flags, 0);
}

void CMainFrame::OnScreenRequest(const classroom::ScreenRequest& r)
{
    // Before a login there is no link to answer on.
    if (!m_pScreenLink) return;
    int32_t width = 0, height = 0;
    const bool served = classroom::ServedCaptureSize(r.width, r.height, ::GetSystemMetrics(SM_CXSCREEN),
                                                     ::GetSystemMetrics(SM_CYSCREEN), width, height);
    if (!served || m_pScreenLink->IsBusy() || !IsIdle()) {
        m_pUdpSocket->Send(classroom::CMD_NO_UPDATE);
        return;
    }
    m_screenRequest = r;
    m_screenRequest.width = width;
    m_screenRequest.height = height;
    m_pScreenLink->SetJpegQuality(r.quality);
    Start();
}

void CMainFrame::OnPowerOff()
{
    ExitWindowsSystem(TRUE);
}

void CMainFrame::OnReboot()
{
    ExitWindowsSystem(FALSE);
}

void CMainFrame::OnTeacherVisit()
{
    m_bTeacherVisit = 1;
    RefreshBar();
}

void CMainFrame::OnVisitEnd()
{
    if (!m_bNoticePinned) CloseNotice();
    m_bTeacherVisit = 0;
    RefreshBar();
}

void CMainFrame::OnRunStudentMedia()
{
    // To the frame, not to the thread: a modal loop (a message box, a menu)
    // would drop a message that has no window.
    PostMessage(WM_RUN_STUDENT_MEDIA, 1, 0);
}

void CMainFrame::OnNoUpdate()
{
    SendToTeacherOnly(classroom::CMD_NO_UPDATE);
}

void CMainFrame::OnNotice(int style)
{
    ShowNotice(style);
}

void CMainFrame::OnNoticePin()
{
    m_bNoticePinned = 1;
}

void CMainFrame::OnNoticeUnpin()
{
    m_bNoticePinned = 0;
    CloseNotice();
}

void CMainFrame::OnNoticeClose()
{
    if (!m_bNoticePinned) CloseNotice();
}

void CMainFrame::OnInputForwardBegin()
{
    if (InstallKMHook(m_hWnd, 0)) {
        ShowNotice(1);
        return;
    }
    DeInstallKMHook();
    AfxMessageBox("Hook error!");
}

void CMainFrame::OnInputForwardEnd()
{
    DeInstallKMHook();
    PostMessage(WM_HOOK_STOPPED);
    CloseNotice();
}

// ---------------------------------------------------------------------------
// The student's own input, forwarded by the hook library

LRESULT CMainFrame::OnHookMouse(WPARAM wParam, LPARAM)
{
    if (!wParam || !m_pUdpSocket) return 0;
    uint8_t record[classroom::kMouseRecordSize];
    classroom::WriteMouseRecord(*reinterpret_cast<const classroom::MouseRecord*>(wParam), record);
    m_pUdpSocket->Send(classroom::CMD_REMOTE_MOUSE, record, sizeof record);
    return 0;
}

LRESULT CMainFrame::OnHookKey(WPARAM wParam, LPARAM lParam)
{
    if (wParam == VK_F12) {
        DeInstallKMHook();
        PostMessage(WM_HOOK_STOPPED);
        return 0;
    }
    if (!m_pUdpSocket) return 0;
    uint8_t record[classroom::kKeyRecordSize];
    classroom::WriteKeyRecord({(int32_t)wParam, (int32_t)lParam}, record);
    m_pUdpSocket->Send(classroom::CMD_REMOTE_KEY, record, sizeof record);
    return 0;
}

LRESULT CMainFrame::OnHookStopped(WPARAM, LPARAM)
{
    CloseNotice();
    SendToTeacherOnly(classroom::CMD_INPUT_FORWARD_END);
    return 0;
}
