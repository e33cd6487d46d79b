#include "StudentApp.h"

#include "MainFrame.h"
#include "StudentMessages.h"
#include "resource.h"

CStudentApp theApp;

CStudentApp::~CStudentApp()
{
    if (m_hInstanceMutex) ::CloseHandle(m_hInstanceMutex);
}

BOOL CStudentApp::InitInstance()
{
    SetRegistryKey("ORLISK");
    HANDLE mutex = ::CreateMutexA(nullptr, FALSE, "Orlisk Veskara Master Control Platform.");
    if (mutex && ::GetLastError() == ERROR_ALREADY_EXISTS) {
        ::CloseHandle(mutex);
        HWND bar = (HWND)(INT_PTR)(int)GetProfileInt("AppData", "Sylvanor", 0);
        if (::IsWindow(bar)) {
            ::SetForegroundWindow(bar);
            ::ShowWindow(bar, SW_SHOWNORMAL);
        }
        return FALSE;
    }
    if (m_hInstanceMutex) ::CloseHandle(m_hInstanceMutex);
    m_hInstanceMutex = mutex;
    if (!AfxSocketInit()) {
        AfxMessageBox(IDS_SOCKET_INIT_FAILED);
        return FALSE;
    }
    AfxEnableControlContainer();
    CMainFrame* frame = new CMainFrame;
    // A frame whose creation fails destroys and deletes itself.
    if (!frame->LoadFrame(IDR_MAINFRAME, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE)) return FALSE;
    m_pMainWnd = frame;
    return TRUE;
}

BOOL CStudentApp::PreTranslateMessage(MSG* msg)
{
    if (!msg->hwnd && msg->message == WM_RUN_STUDENT_MEDIA) {
        OnRunStudentMedia();
        return TRUE;
    }
    return CWinApp::PreTranslateMessage(msg);
}

void CStudentApp::OnRunStudentMedia()
{
    RunStudentMedia();
}

void RunStudentMedia()
{
    // A missing program is not reported.
    fw::Shell().Execute(nullptr, "open", GetAppDirectory() + "Lindquor.exe", nullptr, nullptr, SW_SHOWNORMAL);
}

CString GetAppDirectory()
{
    char path[MAX_PATH + 1] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    char* slash = strrchr(path, '\\');
    if (slash) slash[1] = 0;
    return CString(path);
}
