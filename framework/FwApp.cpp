#include "FwApp.h"

#include <atomic>
#include <memory>

namespace {
std::atomic<CWinApp*> g_app{nullptr};
std::atomic<HINSTANCE> g_instance{nullptr};
std::atomic<WORD> g_socketVersion{MAKEWORD(2, 2)};

class RegKey {
public:
    explicit RegKey(HKEY key = nullptr) : m_key(key) {}
    ~RegKey() { if (m_key) RegCloseKey(m_key); }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    HKEY get() const { return m_key; }
private:
    HKEY m_key;
};
} // namespace

namespace fw {

HINSTANCE InstanceHandle()
{
    HINSTANCE h = g_instance.load();
    return h ? h : ::GetModuleHandle(nullptr);
}

void SetInstanceHandle(HINSTANCE instance)
{
    g_instance = instance;
}

HINSTANCE ResourceHandle()
{
    return InstanceHandle();
}

void SetSocketVersion(WORD version)
{
    g_socketVersion = version;
}

} // namespace fw

CWinApp* AfxGetApp()
{
    return g_app.load();
}

CWnd* AfxGetMainWnd()
{
    CWinApp* app = AfxGetApp();
    return app ? app->m_pMainWnd : nullptr;
}

HINSTANCE AfxGetInstanceHandle()
{
    return fw::InstanceHandle();
}

HINSTANCE AfxGetResourceHandle()
{
    return fw::ResourceHandle();
}

BOOL AfxSocketInit(WSADATA* data)
{
    WSADATA local;
    if (WSAStartup(g_socketVersion.load(), data ? data : &local) != 0) return FALSE;
    return TRUE;
}

int AfxMessageBox(LPCTSTR text, UINT type, UINT)
{
    CWnd* main = AfxGetMainWnd();
    CWinApp* app = AfxGetApp();
    HWND owner = main ? main->m_hWnd : nullptr;
    if (owner && !::IsWindowEnabled(owner)) owner = ::GetLastActivePopup(owner);
    return fw::ShowMessageBox(owner, text, app ? app->m_pszAppName : nullptr, type);
}

int AfxMessageBox(UINT promptId, UINT type, UINT)
{
    CString text;
    text.LoadString(promptId);
    return AfxMessageBox(text, type, 0);
}

CWinApp::CWinApp(LPCTSTR appName)
{
    if (appName) m_strAppName = appName;
    InitNames();
    g_app = this;
}

CWinApp::~CWinApp()
{
    CWinApp* self = this;
    g_app.compare_exchange_strong(self, nullptr);
}

void CWinApp::InitNames()
{
    TCHAR path[MAX_PATH] = {};
    ::GetModuleFileName(m_hInstance, path, MAX_PATH);
    CString exe(path);
    int slash = exe.ReverseFind(_T('\\'));
    exe = exe.Mid(slash + 1);
    int dot = exe.ReverseFind(_T('.'));
    if (dot > 0) exe = exe.Left(dot);
    m_strExeName = exe;
    if (m_strAppName.IsEmpty() && !m_strAppName.LoadString(AFX_IDS_APP_TITLE)) m_strAppName = exe;
    if (m_strProfileName.IsEmpty()) m_strProfileName = exe + _T(".INI");
    m_pszExeName = m_strExeName;
    m_pszAppName = m_strAppName;
    m_pszProfileName = m_strProfileName;
}

BOOL CWinApp::InitApplication()
{
    return TRUE;
}

BOOL CWinApp::InitInstance()
{
    return TRUE;
}

int CWinApp::ExitInstance()
{
    return (int)m_msgCur.wParam;
}

BOOL CWinApp::PumpMessage()
{
    if (!::GetMessage(&m_msgCur, nullptr, 0, 0)) return FALSE;
    if (!PreTranslateMessage(&m_msgCur)) {
        ::TranslateMessage(&m_msgCur);
        ::DispatchMessage(&m_msgCur);
    }
    return TRUE;
}

BOOL CWinApp::PreTranslateMessage(MSG* msg)
{
    CWnd* main = AfxGetMainWnd();
    return CWnd::WalkPreTranslateTree(main ? main->m_hWnd : nullptr, msg);
}

BOOL CWinApp::OnIdle(LONG count)
{
    if (count == 0) {
        // Toolbars, status bars and the like refresh their command state.
        if (CWnd* main = AfxGetMainWnd()) {
            if (main->m_hWnd && ::IsWindowVisible(main->m_hWnd)) {
                main->SendMessage(WM_IDLEUPDATECMDUI, TRUE);
                main->SendMessageToDescendants(WM_IDLEUPDATECMDUI, TRUE);
            }
        }
        return TRUE;
    }
    CWnd::DeleteTempMap();
    return FALSE;
}

int CWinApp::Run()
{
    bool idle = true;
    LONG idleCount = 0;
    MSG peek;
    for (;;) {
        while (idle && !::PeekMessage(&peek, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!OnIdle(idleCount++)) idle = false;
        }
        do {
            if (!PumpMessage()) return ExitInstance();
            // Painting and the caret's system timer do not end idle time.
            if (m_msgCur.message != WM_PAINT && m_msgCur.message != 0x0118) {
                idle = true;
                idleCount = 0;
            }
        } while (::PeekMessage(&peek, nullptr, 0, 0, PM_NOREMOVE));
    }
}

void CWinApp::OnAppExit()
{
    if (m_pMainWnd) m_pMainWnd->PostMessage(WM_CLOSE);
}

BOOL CWinApp::OnCmdMsg(UINT id, int code, void* extra, void* handlerInfo, bool queryOnly)
{
    return CCmdTarget::OnCmdMsg(id, code, extra, handlerInfo, queryOnly);
}

// ---------------------------------------------------------------------------
// Profile

void CWinApp::SetRegistryKey(LPCTSTR key)
{
    m_strRegistryKey = key;
    m_pszRegistryKey = m_strRegistryKey;
    if (!m_strAppName.IsEmpty()) {
        m_strProfileName = m_strAppName;
        m_pszProfileName = m_strProfileName;
    }
}

void CWinApp::SetRegistryKey(UINT stringId)
{
    CString key;
    key.LoadString(stringId);
    SetRegistryKey(key);
}

HKEY CWinApp::GetAppRegistryKey()
{
    if (m_strRegistryKey.IsEmpty()) return nullptr;
    HKEY software = nullptr, company = nullptr, app = nullptr;
    DWORD disposition;
    if (RegOpenKeyEx(HKEY_CURRENT_USER, _T("Software"), 0, KEY_WRITE | KEY_READ, &software) == ERROR_SUCCESS) {
        if (RegCreateKeyEx(software, m_strRegistryKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE | KEY_READ,
                           nullptr, &company, &disposition) == ERROR_SUCCESS) {
            RegCreateKeyEx(company, m_pszProfileName, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE | KEY_READ,
                           nullptr, &app, &disposition);
            RegCloseKey(company);
        }
        RegCloseKey(software);
    }
    return app;
}

HKEY CWinApp::GetSectionKey(LPCTSTR section)
{
    RegKey app(GetAppRegistryKey());
    if (!app.get()) return nullptr;
    HKEY key = nullptr;
    DWORD disposition;
    RegCreateKeyEx(app.get(), section, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE | KEY_READ, nullptr, &key,
                   &disposition);
    return key;
}

UINT CWinApp::GetProfileInt(LPCTSTR section, LPCTSTR entry, int defaultValue)
{
    if (m_strRegistryKey.IsEmpty()) return ::GetPrivateProfileInt(section, entry, defaultValue, m_pszProfileName);
    RegKey key(GetSectionKey(section));
    if (!key.get()) return (UINT)defaultValue;
    DWORD value = 0, type = 0, size = sizeof value;
    if (RegQueryValueEx(key.get(), entry, nullptr, &type, (LPBYTE)&value, &size) != ERROR_SUCCESS || type != REG_DWORD ||
        size != sizeof value)
        return (UINT)defaultValue;
    return value;
}

BOOL CWinApp::WriteProfileInt(LPCTSTR section, LPCTSTR entry, int value)
{
    if (m_strRegistryKey.IsEmpty()) {
        TCHAR text[16];
        wsprintf(text, _T("%d"), value);
        return ::WritePrivateProfileString(section, entry, text, m_pszProfileName);
    }
    RegKey key(GetSectionKey(section));
    if (!key.get()) return FALSE;
    DWORD v = (DWORD)value;
    return RegSetValueEx(key.get(), entry, 0, REG_DWORD, (const BYTE*)&v, sizeof v) == ERROR_SUCCESS;
}

CString CWinApp::GetProfileString(LPCTSTR section, LPCTSTR entry, LPCTSTR defaultValue)
{
    if (m_strRegistryKey.IsEmpty()) {
        TCHAR buf[4096];
        ::GetPrivateProfileString(section, entry, defaultValue ? defaultValue : _T(""), buf, 4096, m_pszProfileName);
        return CString(buf);
    }
    RegKey key(GetSectionKey(section));
    DWORD type = 0, size = 0;
    if (!key.get() || RegQueryValueEx(key.get(), entry, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return CString(defaultValue);
    // The stored value need not end in NUL: read into a longer buffer.
    std::unique_ptr<BYTE[]> buf(new BYTE[size + 2 * sizeof(TCHAR)]());
    if (RegQueryValueEx(key.get(), entry, nullptr, &type, buf.get(), &size) != ERROR_SUCCESS) return CString(defaultValue);
    return CString(reinterpret_cast<LPCTSTR>(buf.get()));
}

BOOL CWinApp::WriteProfileString(LPCTSTR section, LPCTSTR entry, LPCTSTR value)
{
    if (m_strRegistryKey.IsEmpty()) return ::WritePrivateProfileString(section, entry, value, m_pszProfileName);
    if (!entry) {
        RegKey app(GetAppRegistryKey());
        return app.get() && RegDeleteKey(app.get(), section) == ERROR_SUCCESS;
    }
    RegKey key(GetSectionKey(section));
    if (!key.get()) return FALSE;
    if (!value) return RegDeleteValue(key.get(), entry) == ERROR_SUCCESS;
    DWORD bytes = (DWORD)((lstrlen(value) + 1) * sizeof(TCHAR));
    return RegSetValueEx(key.get(), entry, 0, REG_SZ, (const BYTE*)value, bytes) == ERROR_SUCCESS;
}

BOOL CWinApp::GetProfileBinary(LPCTSTR section, LPCTSTR entry, BYTE** data, UINT* bytes)
{
    *data = nullptr;
    *bytes = 0;
    RegKey key(GetSectionKey(section));
    DWORD type = 0, size = 0;
    if (!key.get() || RegQueryValueEx(key.get(), entry, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_BINARY)
        return FALSE;
    std::unique_ptr<BYTE[]> buf(new BYTE[size ? size : 1]);
    if (RegQueryValueEx(key.get(), entry, nullptr, &type, buf.get(), &size) != ERROR_SUCCESS) return FALSE;
    *data = buf.release();
    *bytes = size;
    return TRUE;
}

BOOL CWinApp::WriteProfileBinary(LPCTSTR section, LPCTSTR entry, const BYTE* data, UINT bytes)
{
    RegKey key(GetSectionKey(section));
    return key.get() && RegSetValueEx(key.get(), entry, 0, REG_BINARY, data, bytes) == ERROR_SUCCESS;
}

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
    ON_COMMAND(ID_APP_EXIT, OnAppExit)
END_MESSAGE_MAP()

// ---------------------------------------------------------------------------
// Program entry

int AfxWinMain(HINSTANCE instance, HINSTANCE, LPTSTR cmdLine, int show)
{
    CWinApp* app = AfxGetApp();
    if (!app) return -1;
    fw::SetInstanceHandle(instance);
    app->m_hInstance = instance;
    app->m_lpCmdLine = cmdLine;
    app->m_nCmdShow = show;
    app->InitNames();
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_COOL_CLASSES};
    ::InitCommonControlsEx(&icc);
    if (!app->InitApplication() || !app->InitInstance()) {
        if (CWnd* main = app->m_pMainWnd) main->DestroyWindow();
        return app->ExitInstance();
    }
    return app->Run();
}
