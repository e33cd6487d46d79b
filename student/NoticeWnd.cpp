#include "NoticeWnd.h"

BEGIN_MESSAGE_MAP(CNoticeWnd, CWnd)
    ON_WM_ERASEBKGND()
END_MESSAGE_MAP()

BOOL CNoticeWnd::CreateNotice(int style)
{
    m_nStyle = style;
    LPCTSTR cls = AfxRegisterWndClass(CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_SAVEBITS);
    // A pop-up without the child bit: a window that has it cannot be made
    // topmost, and the notice must cover the topmost operation bar too.
    return CreateEx(WS_EX_TOPMOST, cls, _T(""), WS_POPUP | WS_VISIBLE, 0, 0, ::GetSystemMetrics(SM_CXSCREEN),
                    ::GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr);
}

void CNoticeWnd::Close()
{
    ::SetCursor(::LoadCursor(nullptr, IDC_ARROW));
    PostMessage(WM_CLOSE);
}

BOOL CNoticeWnd::OnEraseBkgnd(HDC dc)
{
    const bool wait = m_nStyle == 1;
    const COLORREF colour = wait ? RGB(0, 0, 0x78) : RGB(0, 0, 0);
    const char* text = wait ? " ......" : "!!注意!!";
    ::SetCursor(nullptr);
    CRect client;
    GetClientRect(&client);
    const int saved = ::SaveDC(dc);
    HBRUSH brush = ::CreateSolidBrush(colour);
    ::SetBrushOrgEx(dc, 0, 0, nullptr);
    HGDIOBJ oldBrush = ::SelectObject(dc, brush);
    ::PatBlt(dc, client.left, client.top, client.Width(), client.Height(), PATCOPY);
    ::SetTextColor(dc, RGB(0xFF, 0, 0));
    ::SetBkMode(dc, TRANSPARENT);
    HFONT font = ::CreateFontA(80, 80, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_STRING_PRECIS,
                               CLIP_CHARACTER_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, nullptr);
    HGDIOBJ oldFont = ::SelectObject(dc, font);
    ::TextOutA(dc, ::GetSystemMetrics(SM_CXSCREEN) / 2 - 320, ::GetSystemMetrics(SM_CYSCREEN) / 2 - 40, text,
               (int)strlen(text));
    ::SelectObject(dc, oldFont);
    ::SelectObject(dc, oldBrush);
    ::RestoreDC(dc, saved);
    ::DeleteObject(font);
    ::DeleteObject(brush);
    return TRUE;
}
