// The screen for the teacher: the capture pass on the worker thread, change
// detection against the reference capture, and whole frames asked for on the
// screen link.
#include "MainFrame.h"

#include "JpegWrite.h"
#include "StudentMessages.h"

namespace classroom = zelvo::classroom;

void CMainFrame::Run()
{
    // The UI thread replaces neither socket nor the request while a pass runs.
    CScreenSocket* link = m_pScreenLink;
    CUdpSocket* commands = m_pUdpSocket;
    CDib capture;
    if (link && capture.CaptureWindow(::GetDesktopWindow(), m_screenRequest.width, m_screenRequest.height)) {
        const classroom::ScreenRect r = FindChangedRect(capture);
        if (r.IsEmpty()) {
            if (commands) commands->Send(classroom::CMD_NO_UPDATE);
        } else if (!SendRect(capture, r)) {
            // The teacher did not get the change that the reference now
            // holds: the next pass sends the whole screen.
            m_reference.LockBits();
            m_reference.Empty();
            m_reference.UnlockBits();
        }
    }
    // Bounds the rate of passes.
    ::Sleep(10);
}

int CMainFrame::SendRect(CDib& capture, const classroom::ScreenRect& r)
{
    const CSize size = capture.GetDimensions();
    if (r.left == 0 && r.top == 0 && r.right == size.cx && r.bottom == size.cy) {
        FrameDescriptor whole = {0, 0, &capture};
        return m_pScreenLink->SendCommand(classroom::CMD_SCREEN_FRAME, &whole, 0);
    }
    CDib crop;
    crop.CopyRect(capture, r.left, r.top, r.right, r.bottom);
    FrameDescriptor part = {r.left, r.top, &crop};
    return m_pScreenLink->SendCommand(classroom::CMD_SCREEN_FRAME, &part, 0);
}

classroom::ScreenRect CMainFrame::FindChangedRect(CDib& capture)
{
    const CSize size = capture.GetDimensions();
    const int quality = m_pScreenLink ? m_pScreenLink->GetJpegQuality() : m_screenRequest.quality;
    classroom::ScreenRect r;
    if (size != m_reference.GetDimensions() || quality != m_nReferenceQuality ||
        m_reference.GetBitCount() != capture.GetBitCount()) {
        m_reference.Copy(capture);
        r.right = size.cx;
        r.bottom = size.cy;
    } else {
        BYTE* now = capture.LockBits();
        BYTE* before = m_reference.LockBits();
        const classroom::ScreenRect changed = classroom::ScanChangedPixels(
            before, now, size.cx, size.cy, capture.GetBitCount() / 8, m_screenRequest.threshold);
        r = classroom::FrameRectFor(changed, size.cx, size.cy);
        m_reference.UnlockBits();
        capture.UnlockBits();
    }
    m_nReferenceQuality = m_screenRequest.quality;
    return r;
}

LRESULT CMainFrame::OnFullFrameRequest(WPARAM, LPARAM)
{
    // Requests that came while this one waited are served by the latest.
    classroom::ScreenRequest request;
    if (!m_pScreenLink || !m_pScreenLink->TakeFullFrameRequest(request)) return 0;
    int32_t width = 0, height = 0;
    if (!classroom::ServedCaptureSize(request.width, request.height, ::GetSystemMetrics(SM_CXSCREEN),
                                      ::GetSystemMetrics(SM_CYSCREEN), width, height)) {
        SendToTeacherOnly(classroom::CMD_NO_UPDATE);
        return 0;
    }
    CDib capture;
    if (capture.CaptureWindow(::GetDesktopWindow(), width, height)) {
        FrameDescriptor whole = {0, 0, &capture};
        m_pScreenLink->SendCommand(classroom::CMD_SCREEN_FRAME, &whole, 0);
    }
    return 0;
}

LRESULT CMainFrame::OnJpegError(WPARAM, LPARAM)
{
    ShowJpegErrorBox();
    return 0;
}
