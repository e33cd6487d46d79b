#include "AboutBox.h"

#include "resource.h"

#include <vector>

CString ProgramVersion()
{
    TCHAR path[MAX_PATH] = {};
    ::GetModuleFileName(nullptr, path, MAX_PATH);
    DWORD handle = 0;
    DWORD size = ::GetFileVersionInfoSize(path, &handle);
    CString text;
    if (size == 0) return text;
    std::vector<BYTE> data(size);
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (::GetFileVersionInfo(path, 0, size, data.data()) &&
        ::VerQueryValue(data.data(), _T("\\"), reinterpret_cast<void**>(&info), &length) && info)
        text.Format(_T("%d.%d.%d.%d"), HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS),
                    HIWORD(info->dwFileVersionLS), LOWORD(info->dwFileVersionLS));
    return text;
}

CAboutBox::CAboutBox(LPCTSTR webAddress, CWnd* parent) : CDialog(IDD_ABOUTBOX, parent), m_strWebAddress(webAddress)
{
}

BOOL CAboutBox::OnInitDialog()
{
    CDialog::OnInitDialog();
    SetDlgItemText(IDC_ABOUT_VERSION, ProgramVersion());
    SetDlgItemText(IDC_ABOUT_LINK, m_strWebAddress);
    return TRUE;
}

void CAboutBox::OnLinkClicked()
{
    fw::Shell().Execute(m_hWnd, _T("open"), m_strWebAddress, nullptr, nullptr, SW_SHOWNORMAL);
}

BEGIN_MESSAGE_MAP(CAboutBox, CDialog)
    ON_CONTROL(STN_CLICKED, IDC_ABOUT_LINK, OnLinkClicked)
END_MESSAGE_MAP()
