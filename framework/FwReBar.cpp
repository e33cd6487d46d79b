#include "FwReBar.h"

// ---------------------------------------------------------------------------
// CToolBar: sizes, texts and image lists

void CToolBar::SetSizes(SIZE button, SIZE image)
{
    if (!m_hWnd) return;
    ::SendMessage(m_hWnd, TB_SETBITMAPSIZE, 0, MAKELPARAM(image.cx, image.cy));
    ::SendMessage(m_hWnd, TB_SETBUTTONSIZE, 0, MAKELPARAM(button.cx, button.cy));
    ::SendMessage(m_hWnd, TB_AUTOSIZE, 0, 0);
}

BOOL CToolBar::SetButtonText(int index, LPCTSTR text)
{
    if (!m_hWnd || index < 0 || index >= GetCount()) return FALSE;
    TBBUTTONINFO info = {};
    info.cbSize = sizeof info;
    info.dwMask = TBIF_TEXT | TBIF_BYINDEX;
    info.pszText = const_cast<LPTSTR>(text);
    BOOL ok = (BOOL)::SendMessage(m_hWnd, TB_SETBUTTONINFO, (WPARAM)index, (LPARAM)&info);
    ::SendMessage(m_hWnd, TB_AUTOSIZE, 0, 0);
    return ok;
}

HIMAGELIST CToolBar::SetImageList(HIMAGELIST list)
{
    return m_hWnd ? (HIMAGELIST)::SendMessage(m_hWnd, TB_SETIMAGELIST, 0, (LPARAM)list) : nullptr;
}

// ---------------------------------------------------------------------------
// CReBar

BOOL CReBar::Create(CWnd* parent, DWORD ctrlStyle, DWORD style, UINT id)
{
    if (!parent || !parent->m_hWnd) return FALSE;
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_COOL_CLASSES | ICC_BAR_CLASSES};
    ::InitCommonControlsEx(&icc);
    // The frame places the bar; the bar only tells its height.
    DWORD all = style | ctrlStyle | CCS_NODIVIDER | CCS_NORESIZE | CCS_NOPARENTALIGN;
    if (!CWnd::CreateEx(0, REBARCLASSNAME, nullptr, all, 0, 0, 0, 0, parent->m_hWnd, (HMENU)(UINT_PTR)id))
        return FALSE;
    REBARINFO info = {sizeof info, 0, nullptr};
    ::SendMessage(m_hWnd, RB_SETBARINFO, 0, (LPARAM)&info);
    return TRUE;
}

BOOL CReBar::AddBar(CWnd* bar, LPCTSTR text, HBITMAP background, DWORD style)
{
    if (!m_hWnd || !bar || !bar->m_hWnd) return FALSE;
    ::SetParent(bar->m_hWnd, m_hWnd);
    SIZE size = {};
    if (!::SendMessage(bar->m_hWnd, TB_GETMAXSIZE, 0, (LPARAM)&size)) {
        RECT r;
        ::GetWindowRect(bar->m_hWnd, &r);
        size.cx = r.right - r.left;
        size.cy = r.bottom - r.top;
    }
    REBARBANDINFO band = {};
    band.cbSize = sizeof band;
    band.fMask = RBBIM_STYLE | RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_SIZE | (text ? RBBIM_TEXT : 0) |
                 (background ? RBBIM_BACKGROUND : 0);
    band.fStyle = style;
    band.lpText = const_cast<LPTSTR>(text);
    band.hwndChild = bar->m_hWnd;
    band.cxMinChild = size.cx;
    band.cyMinChild = size.cy;
    band.cx = size.cx;
    band.hbmBack = background;
    return ::SendMessage(m_hWnd, RB_INSERTBAND, (WPARAM)-1, (LPARAM)&band) != 0;
}

BOOL CReBar::OnCmdMsg(UINT id, int code, void* extra, void* handlerInfo, bool queryOnly)
{
    CWnd* owner = CWnd::FromHandlePermanent(::GetParent(m_hWnd));
    return owner && owner->OnCmdMsg(id, code, extra, handlerInfo, queryOnly);
}

LRESULT CReBar::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    // The frame's layout offers its width; the bar keeps the height of its bands.
    if (message == WM_SIZE) {
        int width = (short)LOWORD(lParam);
        int height = (int)::SendMessage(m_hWnd, RB_GETBARHEIGHT, 0, 0);
        RECT r;
        ::GetWindowRect(m_hWnd, &r);
        if (r.right - r.left != width || r.bottom - r.top != height) {
            ::SetWindowPos(m_hWnd, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            return 0;
        }
    }
    return CWnd::WindowProc(message, wParam, lParam);
}
