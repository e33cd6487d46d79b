#include "FwWnd.h"
#include "FwApp.h"

#include <memory>
#include <mutex>
#include <set>
#include <unordered_map>

namespace {

std::mutex g_mapLock;
std::unordered_map<HWND, CWnd*> g_permanent;

thread_local std::unordered_map<HWND, std::unique_ptr<CWnd>>* t_temps = nullptr;
// The object whose window is being created on this thread; bound to the first
// message of a window of ours that no object owns yet.
thread_local CWnd* t_creating = nullptr;

struct CurrentMessage {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
thread_local CurrentMessage t_current = {};

std::mutex g_classLock;
std::set<CString> g_ourClasses;

bool IsOurClass(LPCTSTR name)
{
    if (!name || IS_INTRESOURCE(name)) return false;
    std::lock_guard<std::mutex> lock(g_classLock);
    return g_ourClasses.count(CString(name)) != 0;
}

// Runs a command-ui update against a throw-away item to learn whether a
// command is enabled before running it.
class CTestCmdUI : public CCmdUI {
public:
    void Enable(BOOL on) override { m_bEnabled = on; m_bEnableChanged = TRUE; }
    void SetCheck(int) override {}
    void SetText(LPCTSTR) override {}
    BOOL m_bEnabled = TRUE;
};

} // namespace

const CWnd CWnd::wndTop(HWND_TOP);
const CWnd CWnd::wndBottom(HWND_BOTTOM);
const CWnd CWnd::wndTopMost(HWND_TOPMOST);
const CWnd CWnd::wndNoTopMost(HWND_NOTOPMOST);

// ---------------------------------------------------------------------------
// CCmdTarget

const fw::MessageMap* CCmdTarget::GetThisMessageMap()
{
    static const fw::MsgMapEntry entries[] = {{0, 0, 0, 0, nullptr}};
    static const fw::MessageMap map = {nullptr, entries};
    return &map;
}

const fw::MsgMapEntry* CCmdTarget::FindEntry(UINT message, int code, UINT id) const
{
    for (const fw::MessageMap* map = GetMessageMap(); map; map = map->base ? map->base() : nullptr) {
        for (const fw::MsgMapEntry* e = map->entries; e->handler; ++e) {
            if (e->message != message) continue;
            if (message == WM_COMMAND || message == WM_NOTIFY || message == WM_REFLECT_NOTIFY) {
                if (e->code == code && id >= e->idFirst && id <= e->idLast) return e;
            } else {
                return e;
            }
        }
    }
    return nullptr;
}

BOOL CCmdTarget::OnCmdMsg(UINT id, int code, void* extra, void* handlerInfo, bool queryOnly)
{
    UINT message = WM_COMMAND;
    if (HIWORD((DWORD)code) == WM_NOTIFY) {
        message = WM_NOTIFY;
        code = (short)LOWORD((DWORD)code);
    }
    const fw::MsgMapEntry* e = FindEntry(message, code, id);
    if (!e) return FALSE;
    if (queryOnly) return TRUE;
    fw::MsgCall call = {message, 0, 0, id, extra, 0};
    e->handler(this, call);  // may delete this object: touch nothing of it afterwards
    if (message == WM_NOTIFY && handlerInfo) *static_cast<LRESULT*>(handlerInfo) = call.result;
    return TRUE;
}

// ---------------------------------------------------------------------------
// CCmdUI

void CCmdUI::Enable(BOOL on)
{
    if (m_hMenu) {
        ::EnableMenuItem(m_hMenu, m_nIndex, MF_BYPOSITION | (on ? MF_ENABLED : (MF_DISABLED | MF_GRAYED)));
    } else if (m_pOther) {
        m_pOther->EnableWindow(on);
    }
    m_bEnableChanged = TRUE;
}

void CCmdUI::SetCheck(int check)
{
    if (m_hMenu) ::CheckMenuItem(m_hMenu, m_nIndex, MF_BYPOSITION | (check ? MF_CHECKED : MF_UNCHECKED));
    else if (m_pOther) m_pOther->SendMessage(BM_SETCHECK, (WPARAM)check);
}

void CCmdUI::SetText(LPCTSTR text)
{
    if (m_hMenu) {
        UINT state = ::GetMenuState(m_hMenu, m_nIndex, MF_BYPOSITION) & (MF_CHECKED | MF_GRAYED | MF_DISABLED);
        ::ModifyMenu(m_hMenu, m_nIndex, MF_BYPOSITION | MF_STRING | state, m_nID, text);
    } else if (m_pOther) {
        m_pOther->SetWindowText(text);
    }
}

BOOL CCmdUI::DoUpdate(CCmdTarget* target, BOOL disableIfNoHandler)
{
    if (m_nID == 0 || !target) return TRUE;
    m_bEnableChanged = FALSE;
    BOOL handled = target->OnCmdMsg(m_nID, CN_UPDATE_COMMAND_UI, this, nullptr);
    if (!handled && disableIfNoHandler && !m_bEnableChanged) {
        // Nobody updates it: enabled exactly when some handler would run it.
        Enable(target->OnCmdMsg(m_nID, CN_COMMAND, nullptr, nullptr, true));
    }
    return handled;
}

// ---------------------------------------------------------------------------
// Window procedure and object map

LRESULT CALLBACK FwWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* wnd = CWnd::FromHandlePermanent(hwnd);
    if (!wnd) {
        wnd = t_creating;
        if (!wnd) return ::DefWindowProc(hwnd, message, wParam, lParam);
        t_creating = nullptr;
        wnd->AttachInternal(hwnd);
    }
    CurrentMessage saved = t_current;
    t_current = {hwnd, message, wParam, lParam};
    LRESULT result = wnd->WindowProc(message, wParam, lParam);
    // The handler may have deleted the object; only a final WM_NCDESTROY
    // still refers to it, and nothing else of it is touched here.
    if (message == WM_NCDESTROY) wnd->OnNcDestroyInternal();
    t_current = saved;
    return result;
}

CWnd::CWnd() = default;

CWnd::~CWnd()
{
    if (m_bTemporary || !m_hWnd) return;
    // The window outlives its object: unbind it first so that the messages of
    // its destruction reach no half-destroyed object.
    HWND hwnd = m_hWnd;
    DetachInternal();
    ::DestroyWindow(hwnd);
}

CWnd* CWnd::FromHandlePermanent(HWND hwnd)
{
    if (!hwnd) return nullptr;
    std::lock_guard<std::mutex> lock(g_mapLock);
    auto it = g_permanent.find(hwnd);
    return it == g_permanent.end() ? nullptr : it->second;
}

CWnd* CWnd::FromHandle(HWND hwnd)
{
    if (!hwnd) return nullptr;
    if (CWnd* w = FromHandlePermanent(hwnd)) return w;
    if (!t_temps) t_temps = new std::unordered_map<HWND, std::unique_ptr<CWnd>>;
    auto& slot = (*t_temps)[hwnd];
    if (!slot) {
        slot.reset(new CWnd);
        slot->m_hWnd = hwnd;
        slot->m_bTemporary = true;
    }
    return slot.get();
}

void CWnd::DeleteTempMap()
{
    if (t_temps) t_temps->clear();
}

void CWnd::AttachInternal(HWND hwnd)
{
    m_hWnd = hwnd;
    std::lock_guard<std::mutex> lock(g_mapLock);
    g_permanent[hwnd] = this;
}

void CWnd::DetachInternal()
{
    if (!m_hWnd) return;
    if (m_pfnSuper) {
        ::SetWindowLongPtr(m_hWnd, GWLP_WNDPROC, (LONG_PTR)m_pfnSuper);
        m_pfnSuper = nullptr;
    }
    {
        std::lock_guard<std::mutex> lock(g_mapLock);
        auto it = g_permanent.find(m_hWnd);
        if (it != g_permanent.end() && it->second == this) g_permanent.erase(it);
    }
    m_hWnd = nullptr;
}

void CWnd::OnNcDestroyInternal()
{
    CWinApp* app = AfxGetApp();
    if (app && app->m_pMainWnd == this) {
        app->m_pMainWnd = nullptr;
        ::PostQuitMessage(0);
    }
    DetachInternal();
    PostNcDestroy();  // may delete this
}

BOOL CWnd::Attach(HWND hwnd)
{
    if (!hwnd || m_hWnd) return FALSE;
    AttachInternal(hwnd);
    return TRUE;
}

HWND CWnd::Detach()
{
    HWND hwnd = m_hWnd;
    DetachInternal();
    return hwnd;
}

BOOL CWnd::SubclassWindow(HWND hwnd)
{
    if (!Attach(hwnd)) return FALSE;
    PreSubclassWindow();
    WNDPROC old = (WNDPROC)::SetWindowLongPtr(hwnd, GWLP_WNDPROC, (LONG_PTR)&FwWndProc);
    if (old != &FwWndProc) m_pfnSuper = old;
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT id, CWnd* parent)
{
    HWND item = ::GetDlgItem(parent->m_hWnd, (int)id);
    return item && SubclassWindow(item);
}

HWND CWnd::UnsubclassWindow()
{
    return Detach();
}

LPCTSTR AfxRegisterWndClass(UINT classStyle, HCURSOR cursor, HBRUSH background, HICON icon)
{
    CString name;
    name.Format(_T("Fw:%p:%x:%p:%p:%p"), (void*)fw::InstanceHandle(), classStyle, (void*)cursor, (void*)background,
                (void*)icon);
    return AfxRegisterNamedWndClass(name, classStyle, cursor, background, icon);
}

LPCTSTR AfxRegisterNamedWndClass(LPCTSTR className, UINT classStyle, HCURSOR cursor, HBRUSH background, HICON icon)
{
    const CString name = className;
    std::lock_guard<std::mutex> lock(g_classLock);
    auto it = g_ourClasses.find(name);
    if (it != g_ourClasses.end()) return *it;
    WNDCLASSEX wc = {};
    wc.cbSize = sizeof wc;
    wc.style = classStyle;
    wc.lpfnWndProc = &FwWndProc;
    wc.hInstance = fw::InstanceHandle();
    wc.hCursor = cursor;
    wc.hbrBackground = background;
    wc.hIcon = icon;
    wc.lpszClassName = name;
    if (!::RegisterClassEx(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return nullptr;
    return *g_ourClasses.insert(name).first;
}

// ---------------------------------------------------------------------------
// Creation

BOOL CWnd::PreCreateWindow(CREATESTRUCT& cs)
{
    if (!cs.lpszClass)
        cs.lpszClass = AfxRegisterWndClass(CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW, ::LoadCursor(nullptr, IDC_ARROW));
    return TRUE;
}

BOOL CWnd::CreateEx(DWORD exStyle, LPCTSTR className, LPCTSTR windowName, DWORD style, int x, int y, int cx,
                    int cy, HWND parent, HMENU menuOrId, LPVOID param)
{
    CREATESTRUCT cs = {};
    cs.lpCreateParams = param;
    cs.hInstance = fw::InstanceHandle();
    cs.hMenu = menuOrId;
    cs.hwndParent = parent;
    cs.cx = cx;
    cs.cy = cy;
    cs.x = x;
    cs.y = y;
    cs.style = (LONG)style;
    cs.lpszName = windowName;
    cs.lpszClass = className;
    cs.dwExStyle = exStyle;
    if (!PreCreateWindow(cs)) {
        PostNcDestroy();
        return FALSE;
    }
    bool ours = IsOurClass(cs.lpszClass);
    if (ours) t_creating = this;
    HWND hwnd = ::CreateWindowEx(cs.dwExStyle, cs.lpszClass, cs.lpszName, (DWORD)cs.style, cs.x, cs.y, cs.cx,
                                 cs.cy, cs.hwndParent, cs.hMenu, cs.hInstance, cs.lpCreateParams);
    // A refused creation may have destroyed (and deleted) this object already.
    if (t_creating == this) t_creating = nullptr;
    if (!hwnd) return FALSE;
    if (!ours) SubclassWindow(hwnd);
    return TRUE;
}

BOOL CWnd::CreateEx(DWORD exStyle, LPCTSTR className, LPCTSTR windowName, DWORD style, const RECT& rect,
                    CWnd* parent, UINT id, LPVOID param)
{
    return CreateEx(exStyle, className, windowName, style, rect.left, rect.top, rect.right - rect.left,
                    rect.bottom - rect.top, parent ? parent->m_hWnd : nullptr, (HMENU)(UINT_PTR)id, param);
}

BOOL CWnd::Create(LPCTSTR className, LPCTSTR windowName, DWORD style, const RECT& rect, CWnd* parent, UINT id,
                  LPVOID param)
{
    return CreateEx(0, className, windowName, style, rect, parent, id, param);
}

BOOL CWnd::DestroyWindow()
{
    if (!m_hWnd) return FALSE;
    return ::DestroyWindow(m_hWnd);
}

// ---------------------------------------------------------------------------
// Dispatch

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, &result)) result = DefWindowProc(message, wParam, lParam);
    return result;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    if (message == WM_COMMAND) {
        if (!OnCommand(wParam, lParam)) return FALSE;
        *result = 0;
        return TRUE;
    }
    if (message == WM_NOTIFY) {
        LRESULT r = 0;
        if (!OnNotify(wParam, lParam, &r)) return FALSE;
        *result = r;
        return TRUE;
    }
    const fw::MsgMapEntry* e = FindEntry(message, 0, 0);
    if (!e) return FALSE;
    fw::MsgCall call = {message, wParam, lParam, 0, nullptr, 0};
    e->handler(this, call);  // may delete this object
    *result = call.result;
    return TRUE;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam)
{
    UINT id = LOWORD(wParam);
    int code = HIWORD(wParam);
    if (lParam == 0) {
        // Menu item or accelerator: a command whose update disables it is not run.
        code = CN_COMMAND;
        CTestCmdUI state;
        state.m_nID = id;
        OnCmdMsg(id, CN_UPDATE_COMMAND_UI, &state, nullptr);
        if (!state.m_bEnabled) return TRUE;
    }
    return OnCmdMsg(id, code, nullptr, nullptr);
}

BOOL CWnd::OnNotify(WPARAM, LPARAM lParam, LRESULT* result)
{
    NMHDR* hdr = reinterpret_cast<NMHDR*>(lParam);
    if (!hdr) return FALSE;
    CWnd* child = hdr->hwndFrom != m_hWnd ? FromHandlePermanent(hdr->hwndFrom) : nullptr;
    if (child && child->OnChildNotify(hdr, result)) return TRUE;
    return OnCmdMsg((UINT)hdr->idFrom, (int)MAKELONG(hdr->code, WM_NOTIFY), hdr, result);
}

BOOL CWnd::OnChildNotify(NMHDR* hdr, LRESULT* result)
{
    const fw::MsgMapEntry* e = FindEntry(WM_REFLECT_NOTIFY, (int)hdr->code, 0);
    if (!e) return FALSE;
    fw::MsgCall call = {WM_REFLECT_NOTIFY, 0, (LPARAM)hdr, 0, hdr, 0};
    e->handler(this, call);
    if (result) *result = call.result;
    return TRUE;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_pfnSuper) return ::CallWindowProc(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProc(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default()
{
    return DefWindowProc(t_current.message, t_current.wParam, t_current.lParam);
}

BOOL CWnd::PreTranslateMessage(MSG*)
{
    return FALSE;
}

BOOL CWnd::WalkPreTranslateTree(HWND stop, MSG* msg)
{
    for (HWND hwnd = msg->hwnd; hwnd; hwnd = ::GetParent(hwnd)) {
        CWnd* wnd = FromHandlePermanent(hwnd);
        if (wnd && wnd->PreTranslateMessage(msg)) return TRUE;
        if (hwnd == stop) break;
    }
    return FALSE;
}

void CWnd::OnUpdateCmdUI(CWnd*, BOOL) {}

void CWnd::SendMessageToDescendants(UINT message, WPARAM wParam, LPARAM lParam, BOOL deep)
{
    for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        ::SendMessage(child, message, wParam, lParam);
        if (deep) {
            CWnd tmp(child);
            tmp.SendMessageToDescendants(message, wParam, lParam, TRUE);
        }
    }
}

// ---------------------------------------------------------------------------
// Window operations

void CWnd::ClientToScreen(LPRECT r) const
{
    ::ClientToScreen(m_hWnd, reinterpret_cast<POINT*>(&r->left));
    ::ClientToScreen(m_hWnd, reinterpret_cast<POINT*>(&r->right));
}

void CWnd::ScreenToClient(LPRECT r) const
{
    ::ScreenToClient(m_hWnd, reinterpret_cast<POINT*>(&r->left));
    ::ScreenToClient(m_hWnd, reinterpret_cast<POINT*>(&r->right));
}

BOOL CWnd::SetWindowPos(const CWnd* after, int x, int y, int cx, int cy, UINT flags)
{
    return ::SetWindowPos(m_hWnd, after ? after->m_hWnd : nullptr, x, y, cx, cy, flags);
}

void CWnd::GetWindowText(CString& text) const
{
    int n = ::GetWindowTextLength(m_hWnd);
    ::GetWindowText(m_hWnd, text.GetBuffer(n + 1), n + 1);
    text.ReleaseBuffer();
}

CWnd* CWnd::GetDlgItem(int id) const
{
    return FromHandle(::GetDlgItem(m_hWnd, id));
}

int CWnd::GetDlgItemText(int id, CString& text) const
{
    HWND item = ::GetDlgItem(m_hWnd, id);
    int n = item ? ::GetWindowTextLength(item) : 0;
    ::GetDlgItemText(m_hWnd, id, text.GetBuffer(n + 1), n + 1);
    text.ReleaseBuffer();
    return text.GetLength();
}

CWnd* CWnd::SetFocus()
{
    return FromHandle(::SetFocus(m_hWnd));
}

CWnd* CWnd::GetTopLevelParent() const
{
    HWND top = m_hWnd;
    for (HWND p = ::GetParent(top); p && (::GetWindowLongPtr(top, GWL_STYLE) & WS_CHILD); p = ::GetParent(top))
        top = p;
    return FromHandle(top);
}

UINT_PTR CWnd::SetTimer(UINT_PTR id, UINT elapse, TIMERPROC proc)
{
    return ::SetTimer(m_hWnd, id, fw::ScaleMilliseconds(elapse), proc);
}

BOOL CWnd::ModifyStyle(DWORD remove, DWORD add, UINT flags)
{
    DWORD style = GetStyle();
    DWORD next = (style & ~remove) | add;
    if (style == next) return FALSE;
    ::SetWindowLongPtr(m_hWnd, GWL_STYLE, (LONG_PTR)next);
    if (flags) ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | flags);
    return TRUE;
}

BOOL CWnd::ModifyStyleEx(DWORD remove, DWORD add, UINT flags)
{
    DWORD style = GetExStyle();
    DWORD next = (style & ~remove) | add;
    if (style == next) return FALSE;
    ::SetWindowLongPtr(m_hWnd, GWL_EXSTYLE, (LONG_PTR)next);
    if (flags) ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | flags);
    return TRUE;
}

int CWnd::MessageBox(LPCTSTR text, LPCTSTR caption, UINT type)
{
    if (!caption && AfxGetApp()) caption = AfxGetApp()->m_pszAppName;
    return fw::ShowMessageBox(m_hWnd, text, caption, type);
}

void CWnd::CenterWindow(CWnd* alternateOwner)
{
    RECT area;
    HWND over = alternateOwner ? alternateOwner->m_hWnd : ::GetWindow(m_hWnd, GW_OWNER);
    if (GetStyle() & WS_CHILD) over = ::GetParent(m_hWnd);
    if (over && ::IsWindowVisible(over) && !::IsIconic(over)) {
        ::GetWindowRect(over, &area);
        if (GetStyle() & WS_CHILD) ::GetClientRect(over, &area);
    } else {
        ::SystemParametersInfo(SPI_GETWORKAREA, 0, &area, 0);
    }
    RECT me;
    ::GetWindowRect(m_hWnd, &me);
    int w = me.right - me.left, h = me.bottom - me.top;
    int x = (area.left + area.right - w) / 2, y = (area.top + area.bottom - h) / 2;
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// ---------------------------------------------------------------------------
// Standard handlers: default handling

int CWnd::OnCreate(LPCREATESTRUCT) { return (int)Default(); }
void CWnd::OnDestroy() { Default(); }
void CWnd::OnPaint() { Default(); }
BOOL CWnd::OnEraseBkgnd(HDC) { return (BOOL)Default(); }
void CWnd::OnSize(UINT, int, int) { Default(); }
void CWnd::OnMove(int, int) { Default(); }
void CWnd::OnMoving(UINT, LPRECT) { Default(); }
void CWnd::OnTimer(UINT_PTR) { Default(); }
void CWnd::OnClose() { Default(); }
void CWnd::OnSetFocus(CWnd*) { Default(); }
void CWnd::OnKillFocus(CWnd*) { Default(); }
void CWnd::OnLButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnLButtonUp(UINT, CPoint) { Default(); }
void CWnd::OnLButtonDblClk(UINT, CPoint) { Default(); }
void CWnd::OnRButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnRButtonUp(UINT, CPoint) { Default(); }
void CWnd::OnRButtonDblClk(UINT, CPoint) { Default(); }
void CWnd::OnMouseMove(UINT, CPoint) { Default(); }
BOOL CWnd::OnMouseWheel(UINT, short, CPoint) { return (BOOL)Default(); }
void CWnd::OnKeyDown(UINT, UINT, UINT) { Default(); }
void CWnd::OnKeyUp(UINT, UINT, UINT) { Default(); }
void CWnd::OnChar(UINT, UINT, UINT) { Default(); }
void CWnd::OnHScroll(UINT, UINT, CWnd*) { Default(); }
void CWnd::OnVScroll(UINT, UINT, CWnd*) { Default(); }
void CWnd::OnShowWindow(BOOL, UINT) { Default(); }
void CWnd::OnGetMinMaxInfo(MINMAXINFO*) { Default(); }
BOOL CWnd::OnSetCursor(CWnd*, UINT, UINT) { return (BOOL)Default(); }
HBRUSH CWnd::OnCtlColor(HDC, CWnd*, UINT) { return (HBRUSH)Default(); }
void CWnd::OnDrawItem(int, LPDRAWITEMSTRUCT) { Default(); }
void CWnd::OnMeasureItem(int, LPMEASUREITEMSTRUCT) { Default(); }
void CWnd::OnSysCommand(UINT, LPARAM) { Default(); }
BOOL CWnd::OnQueryEndSession() { return (BOOL)Default(); }
void CWnd::OnEndSession(BOOL) { Default(); }
void CWnd::OnActivate(UINT, CWnd*, BOOL) { Default(); }
void CWnd::OnContextMenu(CWnd*, CPoint) { Default(); }
LRESULT CWnd::OnNcHitTest(CPoint) { return Default(); }
void CWnd::OnInitMenuPopup(HMENU, UINT, BOOL) { Default(); }
BOOL CWnd::OnCopyData(CWnd*, COPYDATASTRUCT*) { return (BOOL)Default(); }

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
END_MESSAGE_MAP()
