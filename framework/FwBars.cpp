#include "FwBars.h"

namespace {

// The resource type of toolbar layouts, as resource compilers write it.
const LPCTSTR kToolBarType = MAKEINTRESOURCE(241);

struct ToolBarLayout {
    UINT width = 0, height = 0;
    std::vector<UINT> ids;
};

UINT Read16(const BYTE* p) { return (UINT)p[0] | ((UINT)p[1] << 8); }
UINT Read32(const BYTE* p) { return Read16(p) | (Read16(p + 2) << 16); }

// Two layouts exist: words (version 1, width, height, count, ids) as most
// resource compilers write it, and double words without a version (width,
// height, count, ids) as windres writes it. The count must fit the bytes.
bool ParseToolBar(const BYTE* p, DWORD size, ToolBarLayout& out)
{
    if (size >= 8 && Read16(p) == 1 && 8 + (size_t)Read16(p + 6) * 2 == size) {
        out.width = Read16(p + 2);
        out.height = Read16(p + 4);
        for (UINT i = 0, n = Read16(p + 6); i < n; ++i) out.ids.push_back(Read16(p + 8 + 2 * i));
        return true;
    }
    if (size >= 12) {
        size_t n = Read32(p + 8);
        if (n > (size - 12) / 4) return false;
        out.width = Read32(p);
        out.height = Read32(p + 4);
        for (size_t i = 0; i < n; ++i) out.ids.push_back(Read32(p + 12 + 4 * i));
        return true;
    }
    return false;
}

// The frame a bar reports to: where it docks, else its parent.
CCmdTarget* OwnerFrame(HWND bar)
{
    auto* toolbar = dynamic_cast<CToolBar*>(CWnd::FromHandlePermanent(bar));
    if (toolbar && toolbar->GetDockingFrame()) return toolbar->GetDockingFrame();
    return CWnd::FromHandlePermanent(::GetParent(bar));
}

class CToolCmdUI : public CCmdUI {
public:
    void Enable(BOOL on) override
    {
        ::SendMessage(m_pOther->m_hWnd, TB_ENABLEBUTTON, m_nID, MAKELPARAM(on ? TRUE : FALSE, 0));
        m_bEnableChanged = TRUE;
    }
    void SetCheck(int check) override
    {
        ::SendMessage(m_pOther->m_hWnd, TB_CHECKBUTTON, m_nID, MAKELPARAM(check ? TRUE : FALSE, 0));
    }
    void SetText(LPCTSTR) override {}
};

class CStatusCmdUI : public CCmdUI {
public:
    void Enable(BOOL on) override
    {
        // A disabled pane shows nothing.
        auto* bar = static_cast<CStatusBar*>(m_pOther);
        if (!on) bar->SetPaneText((int)m_nIndex, _T(""));
        m_bEnableChanged = TRUE;
    }
    void SetCheck(int) override {}
    void SetText(LPCTSTR text) override { static_cast<CStatusBar*>(m_pOther)->SetPaneText((int)m_nIndex, text); }
};

void InitBarControls()
{
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_BAR_CLASSES};
    ::InitCommonControlsEx(&icc);
}

} // namespace

// ---------------------------------------------------------------------------
// CToolBar

BOOL CToolBar::CreateEx(CWnd* parent, DWORD ctrlStyle, DWORD style, UINT id)
{
    if (!parent || !parent->m_hWnd) return FALSE;
    InitBarControls();
    // The frame places the bar; the bar only tells its height.
    DWORD all = style | ctrlStyle | TBSTYLE_TOOLTIPS | CCS_NODIVIDER | CCS_NORESIZE | CCS_NOPARENTALIGN;
    if (!CWnd::CreateEx(0, TOOLBARCLASSNAME, nullptr, all, 0, 0, 0, 0, parent->m_hWnd, (HMENU)(UINT_PTR)id))
        return FALSE;
    ::SendMessage(m_hWnd, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    return TRUE;
}

BOOL CToolBar::LoadToolBar(UINT idResource)
{
    if (!m_hWnd) return FALSE;
    HINSTANCE inst = fw::ResourceHandle();
    HRSRC res = ::FindResource(inst, MAKEINTRESOURCE(idResource), kToolBarType);
    HGLOBAL mem = res ? ::LoadResource(inst, res) : nullptr;
    const BYTE* bytes = mem ? static_cast<const BYTE*>(::LockResource(mem)) : nullptr;
    DWORD size = res ? ::SizeofResource(inst, res) : 0;
    ToolBarLayout layout;
    if (!bytes || !ParseToolBar(bytes, size, layout)) return FALSE;
    const size_t count = layout.ids.size();
    const std::vector<UINT>& ids = layout.ids;

    ::SendMessage(m_hWnd, TB_SETBITMAPSIZE, 0, MAKELPARAM(layout.width, layout.height));
    int images = 0;
    for (size_t i = 0; i < count; ++i)
        if (ids[i] != ID_SEPARATOR) ++images;
    TBADDBITMAP bitmap = {inst, idResource};
    if (::SendMessage(m_hWnd, TB_ADDBITMAP, (WPARAM)images, (LPARAM)&bitmap) < 0) return FALSE;

    std::vector<TBBUTTON> buttons(count);
    int image = 0;
    for (size_t i = 0; i < count; ++i) {
        TBBUTTON& b = buttons[i];
        b = TBBUTTON{};
        b.idCommand = ids[i];
        if (ids[i] == ID_SEPARATOR) {
            b.fsStyle = BTNS_SEP;
        } else {
            b.fsStyle = BTNS_BUTTON;
            b.fsState = TBSTATE_ENABLED;
            b.iBitmap = image++;
        }
    }
    if (count && !::SendMessage(m_hWnd, TB_ADDBUTTONS, (WPARAM)count, (LPARAM)buttons.data())) return FALSE;
    ::SendMessage(m_hWnd, TB_AUTOSIZE, 0, 0);
    return TRUE;
}

int CToolBar::CommandToIndex(UINT id) const
{
    if (!m_hWnd) return -1;
    return (int)::SendMessage(m_hWnd, TB_COMMANDTOINDEX, id, 0);
}

UINT CToolBar::GetItemID(int index) const
{
    TBBUTTON b = {};
    if (!m_hWnd || !::SendMessage(m_hWnd, TB_GETBUTTON, (WPARAM)index, (LPARAM)&b)) return 0;
    return (UINT)b.idCommand;
}

void CToolBar::GetItemRect(int index, LPRECT rect) const
{
    ::SetRectEmpty(rect);
    if (m_hWnd) ::SendMessage(m_hWnd, TB_GETITEMRECT, (WPARAM)index, (LPARAM)rect);
}

void CToolBar::SetButtonInfo(int index, UINT id, UINT style, int image)
{
    if (!m_hWnd || index < 0 || index >= GetCount()) return;
    TBBUTTON b = {};
    ::SendMessage(m_hWnd, TB_GETBUTTON, (WPARAM)index, (LPARAM)&b);
    b.idCommand = (int)id;
    b.fsStyle = (BYTE)style;
    b.iBitmap = image;  // a separator's width
    if (style & BTNS_SEP) b.fsState = 0;
    ::SendMessage(m_hWnd, TB_DELETEBUTTON, (WPARAM)index, 0);
    ::SendMessage(m_hWnd, TB_INSERTBUTTON, (WPARAM)index, (LPARAM)&b);
    ::SendMessage(m_hWnd, TB_AUTOSIZE, 0, 0);
}

LRESULT CToolBar::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result;
    if (DockingMessage(message, wParam, lParam, result)) return result;
    // The frame's layout offers its width; an undocked bar keeps the height of its buttons.
    if (message == WM_SIZE && !m_pDockSite) {
        int width = (short)LOWORD(lParam);
        int height = HIWORD((DWORD)::SendMessage(m_hWnd, TB_GETBUTTONSIZE, 0, 0)) + 6;
        RECT r;
        ::GetWindowRect(m_hWnd, &r);
        if (r.right - r.left != width || r.bottom - r.top != height) {
            ::SetWindowPos(m_hWnd, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            return 0;
        }
    }
    // Controls placed on the bar speak to the frame, not to the bar.
    if (message == WM_COMMAND && lParam) {
        HWND owner = m_pDockSite ? m_pDockSite->m_hWnd : ::GetParent(m_hWnd);
        if (owner) return ::SendMessage(owner, message, wParam, lParam);
    }
    // The tool tips ask the toolbar; the tip is the second line of the command's string.
    if (message == WM_NOTIFY) {
        auto* nm = reinterpret_cast<NMHDR*>(lParam);
        if (nm && nm->code == TTN_GETDISPINFOA) {
            auto* info = reinterpret_cast<NMTTDISPINFOA*>(lParam);
            char text[256] = {};
            ::LoadStringA(fw::ResourceHandle(), (UINT)nm->idFrom, text, sizeof text);
            const char* tip = strchr(text, '\n');
            tip = tip ? tip + 1 : text;
            lstrcpynA(info->szText, tip, (int)sizeof info->szText);
            info->lpszText = info->szText;
            return 0;
        }
        if (nm && nm->code == TTN_GETDISPINFOW) {
            auto* info = reinterpret_cast<NMTTDISPINFOW*>(lParam);
            wchar_t text[256] = {};
            ::LoadStringW(fw::ResourceHandle(), (UINT)nm->idFrom, text, 256);
            const wchar_t* tip = wcschr(text, L'\n');
            tip = tip ? tip + 1 : text;
            lstrcpynW(info->szText, tip, (int)(sizeof info->szText / sizeof(wchar_t)));
            info->lpszText = info->szText;
            return 0;
        }
    }
    return CWnd::WindowProc(message, wParam, lParam);
}

LRESULT CToolBar::OnIdleUpdateCmdUI(WPARAM disableIfNoHandler, LPARAM)
{
    CCmdTarget* frame = OwnerFrame(m_hWnd);
    if (!frame || !IsWindowVisible()) return 0;
    CToolCmdUI ui;
    ui.m_pOther = this;
    int count = GetCount();
    ui.m_nIndexMax = (UINT)count;
    for (int i = 0; i < count; ++i) {
        TBBUTTON b = {};
        if (!::SendMessage(m_hWnd, TB_GETBUTTON, (WPARAM)i, (LPARAM)&b)) continue;
        if (b.fsStyle & BTNS_SEP) continue;  // placeholders that carry controls too
        ui.m_nIndex = (UINT)i;
        ui.m_nID = (UINT)b.idCommand;
        ui.DoUpdate(frame, (BOOL)disableIfNoHandler);
    }
    return 0;
}

BEGIN_MESSAGE_MAP(CToolBar, CWnd)
    ON_MESSAGE(WM_IDLEUPDATECMDUI, OnIdleUpdateCmdUI)
END_MESSAGE_MAP()

// ---------------------------------------------------------------------------
// CStatusBar

BOOL CStatusBar::Create(CWnd* parent, DWORD style, UINT id)
{
    if (!parent || !parent->m_hWnd) return FALSE;
    InitBarControls();
    return CWnd::CreateEx(0, STATUSCLASSNAME, nullptr, style | CCS_BOTTOM, 0, 0, 0, 0, parent->m_hWnd,
                          (HMENU)(UINT_PTR)id);
}

BOOL CStatusBar::SetIndicators(const UINT* ids, int count)
{
    if (!m_hWnd || count < 0 || count > 255) return FALSE;
    m_ids.assign(count, ID_SEPARATOR);
    m_texts.assign(count, CString());
    for (int i = 0; i < count; ++i) {
        if (!ids) continue;
        m_ids[i] = ids[i];
        if (ids[i] == ID_SEPARATOR) continue;
        m_texts[i].LoadString(ids[i]);
        int newline = m_texts[i].Find(_T('\n'));  // the tool tip follows the pane's text
        if (newline >= 0) m_texts[i] = m_texts[i].Left(newline);
    }
    Layout();
    for (int i = 0; i < count; ++i) SetPaneText(i, m_texts[i]);
    return TRUE;
}

void CStatusBar::Layout()
{
    if (!m_hWnd || m_ids.empty()) return;
    CRect client;
    GetClientRect(&client);
    HDC dc = ::GetDC(m_hWnd);
    HGDIOBJ old = ::SelectObject(dc, (HGDIOBJ)SendMessage(WM_GETFONT));
    std::vector<int> widths(m_ids.size());
    int fixed = 0;
    for (size_t i = 1; i < m_ids.size(); ++i) {
        SIZE s = {};
        const CString& t = m_texts[i];
        ::GetTextExtentPoint32(dc, t.GetString(), t.GetLength(), &s);
        widths[i] = s.cx + 12;
        fixed += widths[i];
    }
    ::SelectObject(dc, old);
    ::ReleaseDC(m_hWnd, dc);
    // The first pane takes what the others leave.
    std::vector<int> rights(m_ids.size());
    int right = client.Width() - fixed;
    if (right < 0) right = 0;
    rights[0] = right;
    for (size_t i = 1; i < m_ids.size(); ++i) rights[i] = (right += widths[i]);
    rights.back() = -1;
    SendMessage(SB_SETPARTS, (WPARAM)rights.size(), (LPARAM)rights.data());
}

BOOL CStatusBar::SetPaneText(int index, LPCTSTR text, BOOL)
{
    if (!m_hWnd || index < 0 || index >= GetCount()) return FALSE;
    m_texts[index] = text ? text : _T("");
    return (BOOL)SendMessage(SB_SETTEXT, (WPARAM)index, (LPARAM)m_texts[index].GetString());
}

CString CStatusBar::GetPaneText(int index) const
{
    return index >= 0 && index < GetCount() ? m_texts[index] : CString();
}

void CStatusBar::OnSize(UINT type, int cx, int cy)
{
    Default();
    Layout();
}

LRESULT CStatusBar::OnIdleUpdateCmdUI(WPARAM, LPARAM)
{
    CCmdTarget* frame = OwnerFrame(m_hWnd);
    if (!frame || !IsWindowVisible()) return 0;
    CStatusCmdUI ui;
    ui.m_pOther = this;
    ui.m_nIndexMax = (UINT)GetCount();
    for (int i = 0; i < GetCount(); ++i) {
        ui.m_nIndex = (UINT)i;
        ui.m_nID = m_ids[i];
        ui.DoUpdate(frame, FALSE);
    }
    return 0;
}

BEGIN_MESSAGE_MAP(CStatusBar, CWnd)
    ON_MESSAGE(WM_IDLEUPDATECMDUI, OnIdleUpdateCmdUI)
    ON_WM_SIZE()
END_MESSAGE_MAP()

// ---------------------------------------------------------------------------
// Frame toggles

void FwShowControlBar(CFrameWnd* frame, CWnd* bar, BOOL show)
{
    if (!frame || !bar || !bar->m_hWnd) return;
    bar->ShowWindow(show ? SW_SHOWNA : SW_HIDE);
    frame->RecalcLayout();
}

BOOL FwOnBarCheck(CFrameWnd* frame, UINT id)
{
    HWND bar = frame && frame->m_hWnd ? ::GetDlgItem(frame->m_hWnd, (int)id) : nullptr;
    if (!bar) return FALSE;
    ::ShowWindow(bar, ::IsWindowVisible(bar) ? SW_HIDE : SW_SHOWNA);
    frame->RecalcLayout();
    return TRUE;
}

void FwOnUpdateControlBarMenu(CFrameWnd* frame, CCmdUI* ui)
{
    HWND bar = frame && frame->m_hWnd ? ::GetDlgItem(frame->m_hWnd, (int)ui->m_nID) : nullptr;
    ui->Enable(bar != nullptr);
    ui->SetCheck(bar && ::IsWindowVisible(bar) ? 1 : 0);
}
