// The student client's main frame: never shown, it owns the command channel,
// the screen link, the tray icon, the operation bar and the notice, and runs
// the dispatcher of the teacher's commands.
#pragma once

#include "Dib.h"
#include "Framework.h"
#include "NoticeWnd.h"
#include "OperationBarDlg.h"
#include "ScreenSocket.h"
#include "SystemTray.h"
#include "UdpSocket.h"
#include "WorkerThread.h"

#include "classroom/Datagram.h"
#include "classroom/ScreenChange.h"

class CMainFrame : public CFrameWnd, public CWorkerThread, private zelvo::classroom::TeacherCommandHandler {
public:
    CMainFrame();
    ~CMainFrame() override;

    // The operation bar's answer list: keeps the letter and sends it when set.
    void SendAnswer(BYTE letter);
    // At most one notice; an existing one keeps its style.
    void ShowNotice(int style);
    void CloseNotice();
    // Login step: replaces the screen link by a new one to the address.
    BOOL ConnectTeacher(LPCTSTR address);
    // Says goodbye to the teacher and asks the platform to power off or restart.
    void ExitWindowsSystem(BOOL powerOff);

    // The capture pass, on the worker thread: the changed rectangle of the
    // screen goes to the teacher, or "no update" when nothing changed.
    void Run() override;
    // The rectangle of the capture that changed since the reference, which
    // takes the changes; the whole capture when its size or the JPEG quality
    // changed. Right and bottom exclusive; empty when nothing changed.
    zelvo::classroom::ScreenRect FindChangedRect(CDib& capture);

    // State, for the operation bar and for tests.
    int IsConnected() const { return m_bConnected; }
    int TeacherVisit() const { return m_bTeacherVisit; }
    int HandUp() const { return m_bHandUp; }
    int NoticePinned() const { return m_bNoticePinned; }
    int RemoteMouseMark() const { return m_bRemoteMouse; }
    BYTE AnswerLetter() const { return m_answerLetter; }
    LPCSTR StudentName() const { return m_szStudentName; }
    const CString& TeacherAddress() const { return m_strTeacherAddress; }
    CUdpSocket* GetCommandSocket() const { return m_pUdpSocket; }
    CScreenSocket* GetScreenLink() const { return m_pScreenLink; }
    CNoticeWnd* GetNotice() const { return m_pNotice; }
    COperationBarDlg& GetOperationBar() { return m_operationBar; }
    CSystemTray& GetTray() { return m_tray; }
    const zelvo::classroom::ScreenRequest& GetScreenRequest() const { return m_screenRequest; }
    CDib& GetReference() { return m_reference; }

protected:
    int OnCreate(LPCREATESTRUCT cs);
    void OnTimer(UINT_PTR id);
    void OnDestroy();
    void OnEndSession(BOOL ending);
    LRESULT OnUdpNotify(WPARAM wParam, LPARAM lParam);
    LRESULT OnLinkLost(WPARAM wParam, LPARAM lParam);
    LRESULT OnHookStopped(WPARAM wParam, LPARAM lParam);
    LRESULT OnHookMouse(WPARAM wParam, LPARAM lParam);
    LRESULT OnHookKey(WPARAM wParam, LPARAM lParam);
    LRESULT OnFullFrameRequest(WPARAM wParam, LPARAM lParam);
    LRESULT OnJpegError(WPARAM wParam, LPARAM lParam);
    LRESULT OnRunMediaRequest(WPARAM wParam, LPARAM lParam);
    void OnContextMenu(CWnd* wnd, CPoint p);
    void OnTeacherReturn();
    void OnUpdateTeacherReturn(CCmdUI* ui);
    void OnRaiseHand();
    void OnUpdateRaiseHand(CCmdUI* ui);
    void OnShowOperationBar();
    void OnSendQuestion();
    void OnUpdateSendQuestion(CCmdUI* ui);
    DECLARE_MESSAGE_MAP()

private:
    // The teacher's commands.
    void OnBye() override;
    void OnHandDown() override;
    void OnClearAnswer() override;
    void OnRemoteMouse(const zelvo::classroom::MouseRecord& r) override;
    void OnRemoteKey(const zelvo::classroom::KeyRecord& r) override;
    void OnScreenRequest(const zelvo::classroom::ScreenRequest& r) override;
    void OnPowerOff() override;
    void OnReboot() override;
    void OnTeacherHere() override;
    void OnTeacherVisit() override;
    void OnVisitEnd() override;
    void OnNoUpdate() override;
    void OnRunStudentMedia() override;
    void OnNotice(int style) override;
    void OnNoticePin() override;
    void OnNoticeUnpin() override;
    void OnNoticeClose() override;
    void OnInputForwardBegin() override;
    void OnInputForwardEnd() override;
    void BuildStudentName();
    // A new command channel socket bound to the port and registered here.
    void OpenCommandSocket(UINT port, BOOL broadcast);
    void RefreshBar();
    // Sends the rectangle of the capture on the screen link; the link's result.
    int SendRect(CDib& capture, const zelvo::classroom::ScreenRect& r);
    // Sends unless the datagram would go to the broadcast address: echoes
    // and acknowledgements broadcast to every student would answer each other.
    void SendToTeacherOnly(int command);
    void CleanUp();

    CString m_strTeacherAddress = "127.0.0.1";
    UINT m_nScreenPort;
    CUdpSocket* m_pUdpSocket = nullptr;
    // Changes whenever the command socket is replaced or deleted: the
    // dispatcher stops reading a socket that a handler replaced.
    unsigned m_nSocketGeneration = 0;
    CScreenSocket* m_pScreenLink = nullptr;
    CSystemTray m_tray;
    int m_bRemoteMouse = 0;
    int m_bTeacherVisit = 0;
    int m_bHandUp = 0;
    int m_bConnected = 0;
    int m_bNoticePinned = 0;
    COperationBarDlg m_operationBar;
    char m_szStudentName[256] = {};
    CNoticeWnd* m_pNotice = nullptr;
    zelvo::classroom::ScreenRequest m_screenRequest;
    // The last capture as the teacher has it, and the JPEG quality it was sent at.
    CDib m_reference;
    int m_nReferenceQuality = 0;
    BYTE m_answerLetter = 0;
};
