#include "FwSplitter.h"

BOOL CSplitterWnd::CreateStatic(CWnd* parent, int rows, int cols, DWORD style, UINT id)
{
    if (!parent || rows < 1 || cols < 1 || rows > 16 || cols > 16) return FALSE;
    m_rows.assign((size_t)rows, Track{});
    m_cols.assign((size_t)cols, Track{});
    LPCTSTR cls = AfxRegisterWndClass(CS_DBLCLKS, ::LoadCursor(nullptr, IDC_ARROW), (HBRUSH)(COLOR_BTNFACE + 1));
    return CreateEx(0, cls, nullptr, style | WS_CHILD | WS_CLIPCHILDREN, 0, 0, 0, 0, parent->m_hWnd,
                    (HMENU)(UINT_PTR)id);
}

BOOL CSplitterWnd::CreateView(int row, int col, const CRuntimeClass* viewClass, SIZE initialSize,
                              CCreateContext* context)
{
    if (row < 0 || col < 0 || row >= GetRowCount() || col >= GetColumnCount()) return FALSE;
    if (!fw::CreateContextView(this, context, (UINT)IdFromRowCol(row, col), viewClass, initialSize)) return FALSE;
    // Until told otherwise a track keeps the size its first pane asked for.
    if (m_cols[(size_t)col].ideal == 0) m_cols[(size_t)col].ideal = initialSize.cx;
    if (m_rows[(size_t)row].ideal == 0) m_rows[(size_t)row].ideal = initialSize.cy;
    return TRUE;
}

void CSplitterWnd::SetColumnInfo(int col, int ideal, int minimum)
{
    if (col < 0 || col >= GetColumnCount()) return;
    m_cols[(size_t)col].ideal = ideal;
    m_cols[(size_t)col].minimum = minimum;
}

void CSplitterWnd::SetRowInfo(int row, int ideal, int minimum)
{
    if (row < 0 || row >= GetRowCount()) return;
    m_rows[(size_t)row].ideal = ideal;
    m_rows[(size_t)row].minimum = minimum;
}

void CSplitterWnd::GetColumnInfo(int col, int& current, int& minimum) const
{
    current = minimum = 0;
    if (col < 0 || col >= GetColumnCount()) return;
    current = m_cols[(size_t)col].current;
    minimum = m_cols[(size_t)col].minimum;
}

void CSplitterWnd::GetRowInfo(int row, int& current, int& minimum) const
{
    current = minimum = 0;
    if (row < 0 || row >= GetRowCount()) return;
    current = m_rows[(size_t)row].current;
    minimum = m_rows[(size_t)row].minimum;
}

CWnd* CSplitterWnd::GetPane(int row, int col) const
{
    return CWnd::FromHandlePermanent(::GetDlgItem(m_hWnd, IdFromRowCol(row, col)));
}

void CSplitterWnd::Lay(std::vector<Track>& tracks, int total)
{
    int left = total - kBarWidth * (int)(tracks.size() - 1);
    for (size_t i = 0; i < tracks.size(); ++i) {
        Track& t = tracks[i];
        bool last = i + 1 == tracks.size();
        int size = last ? left : t.ideal;
        if (!last && size > left) size = left;
        if (size < 0) size = 0;
        t.current = size;
        left -= size;
    }
}

void CSplitterWnd::RecalcLayout()
{
    if (!m_hWnd) return;
    CRect client;
    GetClientRect(&client);
    Lay(m_cols, client.Width());
    Lay(m_rows, client.Height());
    int y = 0;
    for (int r = 0; r < GetRowCount(); ++r) {
        int x = 0;
        for (int c = 0; c < GetColumnCount(); ++c) {
            if (HWND pane = ::GetDlgItem(m_hWnd, IdFromRowCol(r, c)))
                ::MoveWindow(pane, x, y, m_cols[(size_t)c].current, m_rows[(size_t)r].current, TRUE);
            x += m_cols[(size_t)c].current + kBarWidth;
        }
        y += m_rows[(size_t)r].current + kBarWidth;
    }
    Invalidate();
}

int CSplitterWnd::HitBar(CPoint p) const
{
    int x = 0;
    for (int c = 0; c + 1 < GetColumnCount(); ++c) {
        x += m_cols[(size_t)c].current;
        if (p.x >= x && p.x < x + kBarWidth) return c;
        x += kBarWidth;
    }
    int y = 0;
    for (int r = 0; r + 1 < GetRowCount(); ++r) {
        y += m_rows[(size_t)r].current;
        if (p.y >= y && p.y < y + kBarWidth) return 100 + r;
        y += kBarWidth;
    }
    return -1;
}

BOOL CSplitterWnd::OnCommand(WPARAM wParam, LPARAM lParam)
{
    // The panes' commands belong to the frame.
    if (CWnd::OnCommand(wParam, lParam)) return TRUE;
    HWND parent = ::GetParent(m_hWnd);
    return parent ? (::SendMessage(parent, WM_COMMAND, wParam, lParam), TRUE) : FALSE;
}

BOOL CSplitterWnd::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    if (CWnd::OnNotify(wParam, lParam, result)) return TRUE;
    HWND parent = ::GetParent(m_hWnd);
    if (!parent) return FALSE;
    *result = ::SendMessage(parent, WM_NOTIFY, wParam, lParam);
    return TRUE;
}

void CSplitterWnd::OnSize(UINT type, int cx, int cy)
{
    CWnd::OnSize(type, cx, cy);
    RecalcLayout();
}

void CSplitterWnd::OnPaint()
{
    CPaintDC dc(this);
    CRect client;
    GetClientRect(&client);
    ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_BTNFACE));
}

BOOL CSplitterWnd::OnSetCursor(CWnd* wnd, UINT hitTest, UINT message)
{
    POINT p;
    ::GetCursorPos(&p);
    ScreenToClient(&p);
    int bar = HitBar(CPoint(p));
    if (hitTest == HTCLIENT && bar >= 0) {
        ::SetCursor(::LoadCursor(nullptr, bar >= 100 ? IDC_SIZENS : IDC_SIZEWE));
        return TRUE;
    }
    return CWnd::OnSetCursor(wnd, hitTest, message);
}

void CSplitterWnd::OnLButtonDown(UINT, CPoint p)
{
    m_dragBar = HitBar(p);
    if (m_dragBar < 0) return;
    bool row = m_dragBar >= 100;
    m_dragStart = row ? p.y : p.x;
    m_dragIdeal = row ? m_rows[(size_t)(m_dragBar - 100)].current : m_cols[(size_t)m_dragBar].current;
    SetCapture();
}

void CSplitterWnd::OnMouseMove(UINT flags, CPoint p)
{
    if (m_dragBar < 0 || !(flags & MK_LBUTTON)) return;
    bool row = m_dragBar >= 100;
    Track& t = row ? m_rows[(size_t)(m_dragBar - 100)] : m_cols[(size_t)m_dragBar];
    int size = m_dragIdeal + (row ? p.y : p.x) - m_dragStart;
    t.ideal = size < t.minimum ? t.minimum : size;
    RecalcLayout();
}

void CSplitterWnd::OnLButtonUp(UINT, CPoint)
{
    if (m_dragBar < 0) return;
    m_dragBar = -1;
    ::ReleaseCapture();
}

void CSplitterWnd::OnCaptureChanged()
{
    m_dragBar = -1;
}

BEGIN_MESSAGE_MAP(CSplitterWnd, CWnd)
    ON_WM_SIZE()
    ON_WM_PAINT()
    ON_WM_SETCURSOR()
    ON_WM_LBUTTONDOWN()
    ON_WM_MOUSEMOVE()
    ON_WM_LBUTTONUP()
    FW_MSG(WM_CAPTURECHANGED, Call_v_v, OnCaptureChanged)
END_MESSAGE_MAP()
