// The application object: start-up, the message loop with idle time and
// pre-translation, and profile settings in the registry.
#pragma once

#include "FwWnd.h"

namespace fw {
HINSTANCE InstanceHandle();
void SetInstanceHandle(HINSTANCE instance);
// The Winsock version that AfxSocketInit asks for (2.2 unless set).
void SetSocketVersion(WORD version);
} // namespace fw

class CWinApp : public CCmdTarget {
public:
    explicit CWinApp(LPCTSTR appName = nullptr);
    ~CWinApp() override;

    virtual BOOL InitApplication();
    virtual BOOL InitInstance();
    virtual int Run();
    virtual int ExitInstance();
    // Idle-time work; return TRUE to be called again before the next message.
    virtual BOOL OnIdle(LONG count);
    virtual BOOL PreTranslateMessage(MSG* msg);
    // One message: FALSE when it was WM_QUIT.
    BOOL PumpMessage();

    BOOL OnCmdMsg(UINT id, int code, void* extra, void* handlerInfo, bool queryOnly = false) override;

    // Profile settings: HKCU\Software\<key>\<application name>\<section> once
    // SetRegistryKey was called, else the private profile file of the program.
    void SetRegistryKey(LPCTSTR key);
    void SetRegistryKey(UINT stringId);
    UINT GetProfileInt(LPCTSTR section, LPCTSTR entry, int defaultValue);
    BOOL WriteProfileInt(LPCTSTR section, LPCTSTR entry, int value);
    CString GetProfileString(LPCTSTR section, LPCTSTR entry, LPCTSTR defaultValue = nullptr);
    BOOL WriteProfileString(LPCTSTR section, LPCTSTR entry, LPCTSTR value);
    // The caller frees *data with delete[].
    BOOL GetProfileBinary(LPCTSTR section, LPCTSTR entry, BYTE** data, UINT* bytes);
    BOOL WriteProfileBinary(LPCTSTR section, LPCTSTR entry, const BYTE* data, UINT bytes);
    // Opened keys; the caller closes them.
    HKEY GetAppRegistryKey();
    HKEY GetSectionKey(LPCTSTR section);

    HICON LoadIcon(UINT id) const { return ::LoadIcon(fw::InstanceHandle(), MAKEINTRESOURCE(id)); }
    HCURSOR LoadCursor(UINT id) const { return ::LoadCursor(fw::InstanceHandle(), MAKEINTRESOURCE(id)); }
    HCURSOR LoadStandardCursor(LPCTSTR id) const { return ::LoadCursor(nullptr, id); }
    // Kept for the start-up sequence; 3-D controls are the platform's default.
    void Enable3dControlsStatic() {}

    HINSTANCE m_hInstance = nullptr;
    LPTSTR m_lpCmdLine = nullptr;
    int m_nCmdShow = SW_SHOWNORMAL;
    CWnd* m_pMainWnd = nullptr;
    LPCTSTR m_pszAppName = nullptr;
    LPCTSTR m_pszRegistryKey = nullptr;
    LPCTSTR m_pszProfileName = nullptr;
    LPCTSTR m_pszExeName = nullptr;
    MSG m_msgCur = {};

protected:
    void OnAppExit();
    DECLARE_MESSAGE_MAP()

private:
    friend int AfxWinMain(HINSTANCE, HINSTANCE, LPTSTR, int);
    void InitNames();
    CString m_strAppName, m_strRegistryKey, m_strProfileName, m_strExeName;
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
HINSTANCE AfxGetInstanceHandle();
HINSTANCE AfxGetResourceHandle();
int AfxWinMain(HINSTANCE instance, HINSTANCE previous, LPTSTR cmdLine, int show);

// Starts Winsock for this process; FALSE when the socket layer is unavailable.
BOOL AfxSocketInit(WSADATA* data = nullptr);
// Kept for the start-up sequence; the programs host no ActiveX controls.
inline void AfxEnableControlContainer() {}

// Message box with the application's name as caption and the main window as owner.
int AfxMessageBox(LPCTSTR text, UINT type = MB_OK, UINT helpId = 0);
int AfxMessageBox(UINT promptId, UINT type = MB_OK, UINT helpId = (UINT)-1);
