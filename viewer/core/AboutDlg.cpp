#include "AboutDlg.h"

#include "resource.h"

#include <memory>

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX) {}

CString GetFileVersionText(LPCTSTR modulePath)
{
    DWORD handle = 0;
    DWORD size = ::GetFileVersionInfoSize(modulePath, &handle);
    if (size == 0) return CString();
    std::unique_ptr<BYTE[]> data(new BYTE[size]);
    if (!::GetFileVersionInfo(modulePath, 0, size, data.get())) return CString();
    VS_FIXEDFILEINFO* info = nullptr;
    UINT len = 0;
    if (!::VerQueryValue(data.get(), _T("\\"), (void**)&info, &len) || !info || len < sizeof(VS_FIXEDFILEINFO))
        return CString();
    CString text;
    text.Format(_T("%d.%d.%d.%d"), HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS),
                HIWORD(info->dwFileVersionLS), LOWORD(info->dwFileVersionLS));
    return text;
}

bool MakeTranslucent(HWND hwnd, BYTE alpha)
{
    LONG_PTR ex = ::GetWindowLongPtr(hwnd, GWL_EXSTYLE);
    ::SetWindowLongPtr(hwnd, GWL_EXSTYLE, ex ^ WS_EX_LAYERED);
    // Looked up at run time: older systems have no layered windows.
    HMODULE user = ::LoadLibrary(_T("User32.DLL"));
    if (!user) return false;
    typedef BOOL(WINAPI * SetLayeredFn)(HWND, COLORREF, BYTE, DWORD);
    auto fn = reinterpret_cast<SetLayeredFn>(reinterpret_cast<void*>(::GetProcAddress(user, "SetLayeredWindowAttributes")));
    bool done = fn && fn(hwnd, 0, alpha, LWA_ALPHA);
    ::FreeLibrary(user);
    return done;
}

BOOL CAboutDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    TCHAR path[MAX_PATH] = {};
    ::GetModuleFileName(nullptr, path, MAX_PATH);
    SetDlgItemText(IDC_VERSION_TEXT, GetFileVersionText(path));
    MakeTranslucent(m_hWnd, 200);
    return TRUE;
}
