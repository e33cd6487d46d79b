// Windows: command targets with message maps, CWnd over an HWND, command
// update objects and the device-context helpers.
#pragma once

#include "FwTypes.h"
#include "FwString.h"
#include "FwSeams.h"

class CCmdTarget;
class CCmdUI;
class CWnd;

// Command codes routed through OnCmdMsg.
#define CN_COMMAND             0
#define CN_UPDATE_COMMAND_UI   ((int)(-1))

namespace fw {

// One dispatch of a message to a map entry.
struct MsgCall {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    UINT id;          // command or control id
    void* extra;      // CCmdUI* for updates, NMHDR* for notifications
    LRESULT result;
};
using Handler = void (*)(CCmdTarget* self, MsgCall& call);

// message: the window message (WM_COMMAND for commands and control
// notifications, WM_NOTIFY for common-control notifications).
// code: notification code, CN_COMMAND or CN_UPDATE_COMMAND_UI.
struct MsgMapEntry {
    UINT message;
    int code;
    UINT idFirst;
    UINT idLast;
    Handler handler;
};
struct MessageMap {
    const MessageMap* (*base)();
    const MsgMapEntry* entries;
};

// The class that declares a member function pointer.
template <class T> struct ClassOf;
template <class C, class R, class... A> struct ClassOf<R (C::*)(A...)> { using type = C; };
template <auto F> typename ClassOf<decltype(F)>::type* Self(CCmdTarget* t)
{
    return static_cast<typename ClassOf<decltype(F)>::type*>(t);
}

template <auto F> void Call_v_v(CCmdTarget* t, MsgCall&) { (Self<F>(t)->*F)(); }
template <auto F> void Call_v_id(CCmdTarget* t, MsgCall& c) { (Self<F>(t)->*F)(c.id); }
template <auto F> void Call_v_ui(CCmdTarget* t, MsgCall& c) { (Self<F>(t)->*F)(static_cast<CCmdUI*>(c.extra)); }
template <auto F> void Call_l_wl(CCmdTarget* t, MsgCall& c) { c.result = (Self<F>(t)->*F)(c.wParam, c.lParam); }
template <auto F> void Call_notify(CCmdTarget* t, MsgCall& c)
{
    (Self<F>(t)->*F)(static_cast<NMHDR*>(c.extra), &c.result);
}
template <auto F> void Call_create(CCmdTarget* t, MsgCall& c)
{
    c.result = (Self<F>(t)->*F)(reinterpret_cast<LPCREATESTRUCT>(c.lParam));
}
template <auto F> void Call_erase(CCmdTarget* t, MsgCall& c) { c.result = (Self<F>(t)->*F)((HDC)c.wParam); }
template <auto F> void Call_size(CCmdTarget* t, MsgCall& c)
{
    (Self<F>(t)->*F)((UINT)c.wParam, (short)LOWORD(c.lParam), (short)HIWORD(c.lParam));
}
template <auto F> void Call_move(CCmdTarget* t, MsgCall& c) { (Self<F>(t)->*F)((short)LOWORD(c.lParam), (short)HIWORD(c.lParam)); }
template <auto F> void Call_moving(CCmdTarget* t, MsgCall& c)
{
    (Self<F>(t)->*F)((UINT)c.wParam, reinterpret_cast<LPRECT>(c.lParam));
    c.result = TRUE;
}
template <auto F> void Call_timer(CCmdTarget* t, MsgCall& c) { (Self<F>(t)->*F)((UINT_PTR)c.wParam); }
template <auto F> void Call_focus(CCmdTarget* t, MsgCall& c);
template <auto F> void Call_mouse(CCmdTarget* t, MsgCall& c) { (Self<F>(t)->*F)((UINT)c.wParam, CPoint(c.lParam)); }
template <auto F> void Call_wheel(CCmdTarget* t, MsgCall& c)
{
    c.result = (Self<F>(t)->*F)(LOWORD(c.wParam), (short)HIWORD(c.wParam), CPoint(c.lParam));
}
template <auto F> void Call_key(CCmdTarget* t, MsgCall& c)
{
    (Self<F>(t)->*F)((UINT)c.wParam, LOWORD(c.lParam), HIWORD(c.lParam));
}
template <auto F> void Call_scroll(CCmdTarget* t, MsgCall& c);
template <auto F> void Call_show(CCmdTarget* t, MsgCall& c) { (Self<F>(t)->*F)((BOOL)c.wParam, (UINT)c.lParam); }
template <auto F> void Call_minmax(CCmdTarget* t, MsgCall& c) { (Self<F>(t)->*F)(reinterpret_cast<MINMAXINFO*>(c.lParam)); }
template <auto F> void Call_ctlcolor(CCmdTarget* t, MsgCall& c);
template <auto F> void Call_setcursor(CCmdTarget* t, MsgCall& c);
template <auto F> void Call_drawitem(CCmdTarget* t, MsgCall& c)
{
    (Self<F>(t)->*F)((int)c.wParam, reinterpret_cast<LPDRAWITEMSTRUCT>(c.lParam));
    c.result = TRUE;
}
template <auto F> void Call_measureitem(CCmdTarget* t, MsgCall& c)
{
    (Self<F>(t)->*F)((int)c.wParam, reinterpret_cast<LPMEASUREITEMSTRUCT>(c.lParam));
    c.result = TRUE;
}
template <auto F> void Call_syscommand(CCmdTarget* t, MsgCall& c) { (Self<F>(t)->*F)((UINT)c.wParam, c.lParam); }
template <auto F> void Call_b_v(CCmdTarget* t, MsgCall& c) { c.result = (Self<F>(t)->*F)(); }
template <auto F> void Call_endsession(CCmdTarget* t, MsgCall& c) { (Self<F>(t)->*F)((BOOL)c.wParam); }
template <auto F> void Call_activate(CCmdTarget* t, MsgCall& c);
template <auto F> void Call_contextmenu(CCmdTarget* t, MsgCall& c);
template <auto F> void Call_hittest(CCmdTarget* t, MsgCall& c) { c.result = (Self<F>(t)->*F)(CPoint(c.lParam)); }
template <auto F> void Call_initmenupopup(CCmdTarget* t, MsgCall& c)
{
    (Self<F>(t)->*F)((HMENU)c.wParam, LOWORD(c.lParam), (BOOL)HIWORD(c.lParam));
}
template <auto F> void Call_copydata(CCmdTarget* t, MsgCall& c);

} // namespace fw

// Message maps. A class declares DECLARE_MESSAGE_MAP() and defines its map with
// BEGIN_MESSAGE_MAP(Class, Base) ... END_MESSAGE_MAP(); a message not in the map
// goes to the base class's map, then to default handling.
#define DECLARE_MESSAGE_MAP()                                   \
protected:                                                      \
    static const fw::MessageMap* GetThisMessageMap();           \
    const fw::MessageMap* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                        \
    const fw::MessageMap* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
    const fw::MessageMap* theClass::GetThisMessageMap()                               \
    {                                                                                 \
        using ThisClass [[maybe_unused]] = theClass;                                                 \
        using TheBaseClass = baseClass;                                               \
        static const fw::MsgMapEntry entries[] = {

#define END_MESSAGE_MAP()                                                             \
            {0, 0, 0, 0, nullptr}};                                                   \
        static const fw::MessageMap map = {&TheBaseClass::GetThisMessageMap, entries}; \
        return &map;                                                                  \
    }

#define FW_MSG(msg, thunk, fn) {(UINT)(msg), 0, 0, 0, &fw::thunk<&ThisClass::fn>},

#define ON_MESSAGE(msg, fn)          FW_MSG(msg, Call_l_wl, fn)
#define ON_REGISTERED_MESSAGE(msg, fn) FW_MSG(msg, Call_l_wl, fn)
#define ON_COMMAND(id, fn)           {WM_COMMAND, CN_COMMAND, (UINT)(id), (UINT)(id), &fw::Call_v_v<&ThisClass::fn>},
#define ON_COMMAND_RANGE(a, b, fn)   {WM_COMMAND, CN_COMMAND, (UINT)(a), (UINT)(b), &fw::Call_v_id<&ThisClass::fn>},
#define ON_UPDATE_COMMAND_UI(id, fn) {WM_COMMAND, CN_UPDATE_COMMAND_UI, (UINT)(id), (UINT)(id), &fw::Call_v_ui<&ThisClass::fn>},
#define ON_UPDATE_COMMAND_UI_RANGE(a, b, fn) {WM_COMMAND, CN_UPDATE_COMMAND_UI, (UINT)(a), (UINT)(b), &fw::Call_v_ui<&ThisClass::fn>},
#define ON_CONTROL(code, id, fn)     {WM_COMMAND, (int)(code), (UINT)(id), (UINT)(id), &fw::Call_v_v<&ThisClass::fn>},
#define ON_CONTROL_RANGE(code, a, b, fn) {WM_COMMAND, (int)(code), (UINT)(a), (UINT)(b), &fw::Call_v_id<&ThisClass::fn>},
#define ON_BN_CLICKED(id, fn)        ON_CONTROL(BN_CLICKED, id, fn)
#define ON_BN_DOUBLECLICKED(id, fn)  ON_CONTROL(BN_DOUBLECLICKED, id, fn)
#define ON_CBN_SELCHANGE(id, fn)     ON_CONTROL(CBN_SELCHANGE, id, fn)
#define ON_CBN_DROPDOWN(id, fn)      ON_CONTROL(CBN_DROPDOWN, id, fn)
#define ON_EN_CHANGE(id, fn)         ON_CONTROL(EN_CHANGE, id, fn)
#define ON_EN_KILLFOCUS(id, fn)      ON_CONTROL(EN_KILLFOCUS, id, fn)
#define ON_LBN_SELCHANGE(id, fn)     ON_CONTROL(LBN_SELCHANGE, id, fn)
#define ON_LBN_DBLCLK(id, fn)        ON_CONTROL(LBN_DBLCLK, id, fn)
#define ON_NOTIFY(code, id, fn)      {WM_NOTIFY, (int)(code), (UINT)(id), (UINT)(id), &fw::Call_notify<&ThisClass::fn>},
#define ON_NOTIFY_RANGE(code, a, b, fn) {WM_NOTIFY, (int)(code), (UINT)(a), (UINT)(b), &fw::Call_notify<&ThisClass::fn>},
// A control's own notification, reflected to it from its parent's WM_NOTIFY
// before the parent's map sees it.
#define WM_REFLECT_NOTIFY            (0xBC00 + WM_NOTIFY)
#define ON_NOTIFY_REFLECT(code, fn)  {WM_REFLECT_NOTIFY, (int)(code), 0, 0xFFFF, &fw::Call_notify<&ThisClass::fn>},

#define ON_WM_CREATE()        FW_MSG(WM_CREATE, Call_create, OnCreate)
#define ON_WM_DESTROY()       FW_MSG(WM_DESTROY, Call_v_v, OnDestroy)
#define ON_WM_PAINT()         FW_MSG(WM_PAINT, Call_v_v, OnPaint)
#define ON_WM_ERASEBKGND()    FW_MSG(WM_ERASEBKGND, Call_erase, OnEraseBkgnd)
#define ON_WM_SIZE()          FW_MSG(WM_SIZE, Call_size, OnSize)
#define ON_WM_MOVE()          FW_MSG(WM_MOVE, Call_move, OnMove)
#define ON_WM_MOVING()        FW_MSG(WM_MOVING, Call_moving, OnMoving)
#define ON_WM_TIMER()         FW_MSG(WM_TIMER, Call_timer, OnTimer)
#define ON_WM_CLOSE()         FW_MSG(WM_CLOSE, Call_v_v, OnClose)
#define ON_WM_SETFOCUS()      FW_MSG(WM_SETFOCUS, Call_focus, OnSetFocus)
#define ON_WM_KILLFOCUS()     FW_MSG(WM_KILLFOCUS, Call_focus, OnKillFocus)
#define ON_WM_LBUTTONDOWN()   FW_MSG(WM_LBUTTONDOWN, Call_mouse, OnLButtonDown)
#define ON_WM_LBUTTONUP()     FW_MSG(WM_LBUTTONUP, Call_mouse, OnLButtonUp)
#define ON_WM_LBUTTONDBLCLK() FW_MSG(WM_LBUTTONDBLCLK, Call_mouse, OnLButtonDblClk)
#define ON_WM_RBUTTONDOWN()   FW_MSG(WM_RBUTTONDOWN, Call_mouse, OnRButtonDown)
#define ON_WM_RBUTTONUP()     FW_MSG(WM_RBUTTONUP, Call_mouse, OnRButtonUp)
#define ON_WM_RBUTTONDBLCLK() FW_MSG(WM_RBUTTONDBLCLK, Call_mouse, OnRButtonDblClk)
#define ON_WM_MOUSEMOVE()     FW_MSG(WM_MOUSEMOVE, Call_mouse, OnMouseMove)
#define ON_WM_MOUSEWHEEL()    FW_MSG(WM_MOUSEWHEEL, Call_wheel, OnMouseWheel)
#define ON_WM_KEYDOWN()       FW_MSG(WM_KEYDOWN, Call_key, OnKeyDown)
#define ON_WM_KEYUP()         FW_MSG(WM_KEYUP, Call_key, OnKeyUp)
#define ON_WM_CHAR()          FW_MSG(WM_CHAR, Call_key, OnChar)
#define ON_WM_HSCROLL()       FW_MSG(WM_HSCROLL, Call_scroll, OnHScroll)
#define ON_WM_VSCROLL()       FW_MSG(WM_VSCROLL, Call_scroll, OnVScroll)
#define ON_WM_SHOWWINDOW()    FW_MSG(WM_SHOWWINDOW, Call_show, OnShowWindow)
#define ON_WM_GETMINMAXINFO() FW_MSG(WM_GETMINMAXINFO, Call_minmax, OnGetMinMaxInfo)
#define ON_WM_SETCURSOR()     FW_MSG(WM_SETCURSOR, Call_setcursor, OnSetCursor)
#define ON_WM_DRAWITEM()      FW_MSG(WM_DRAWITEM, Call_drawitem, OnDrawItem)
#define ON_WM_MEASUREITEM()   FW_MSG(WM_MEASUREITEM, Call_measureitem, OnMeasureItem)
#define ON_WM_SYSCOMMAND()    FW_MSG(WM_SYSCOMMAND, Call_syscommand, OnSysCommand)
#define ON_WM_QUERYENDSESSION() FW_MSG(WM_QUERYENDSESSION, Call_b_v, OnQueryEndSession)
#define ON_WM_ENDSESSION()    FW_MSG(WM_ENDSESSION, Call_endsession, OnEndSession)
#define ON_WM_ACTIVATE()      FW_MSG(WM_ACTIVATE, Call_activate, OnActivate)
#define ON_WM_CONTEXTMENU()   FW_MSG(WM_CONTEXTMENU, Call_contextmenu, OnContextMenu)
#define ON_WM_NCHITTEST()     FW_MSG(WM_NCHITTEST, Call_hittest, OnNcHitTest)
#define ON_WM_INITMENUPOPUP() FW_MSG(WM_INITMENUPOPUP, Call_initmenupopup, OnInitMenuPopup)
#define ON_WM_COPYDATA()      FW_MSG(WM_COPYDATA, Call_copydata, OnCopyData)
#define ON_WM_CTLCOLOR()      FW_MSG(WM_CTLCOLORDLG, Call_ctlcolor, OnCtlColor) \
                              FW_MSG(WM_CTLCOLORSTATIC, Call_ctlcolor, OnCtlColor) \
                              FW_MSG(WM_CTLCOLOREDIT, Call_ctlcolor, OnCtlColor) \
                              FW_MSG(WM_CTLCOLORBTN, Call_ctlcolor, OnCtlColor) \
                              FW_MSG(WM_CTLCOLORLISTBOX, Call_ctlcolor, OnCtlColor)

// Any object that can receive commands through a message map.
class CCmdTarget {
public:
    CCmdTarget() = default;
    virtual ~CCmdTarget() = default;
    CCmdTarget(const CCmdTarget&) = delete;
    CCmdTarget& operator=(const CCmdTarget&) = delete;

    // Routes a command (code CN_COMMAND or a control notification), a command
    // update (CN_UPDATE_COMMAND_UI, extra = CCmdUI*) or a notification
    // (MAKELONG(code, WM_NOTIFY), extra = NMHDR*, handlerInfo = LRESULT*).
    // With queryOnly set, only tells whether a handler exists.
    virtual BOOL OnCmdMsg(UINT id, int code, void* extra, void* handlerInfo, bool queryOnly = false);

    static const fw::MessageMap* GetThisMessageMap();
    virtual const fw::MessageMap* GetMessageMap() const { return GetThisMessageMap(); }

protected:
    // First entry of this object's maps (most derived first) that matches.
    const fw::MsgMapEntry* FindEntry(UINT message, int code, UINT id) const;
};

// Enables, checks or renames one user-interface item for a command id.
class CCmdUI {
public:
    CCmdUI() = default;
    virtual ~CCmdUI() = default;

    virtual void Enable(BOOL on = TRUE);
    virtual void SetCheck(int check = 1);
    virtual void SetRadio(BOOL on = TRUE) { SetCheck(on ? 1 : 0); }
    virtual void SetText(LPCTSTR text);

    // Asks the target to update the item; with disableIfNoHandler set, an item
    // that nobody updates and nobody handles is disabled.
    BOOL DoUpdate(CCmdTarget* target, BOOL disableIfNoHandler);

    UINT m_nID = 0;
    UINT m_nIndex = 0;
    UINT m_nIndexMax = 0;
    HMENU m_hMenu = nullptr;      // menu item when set
    CWnd* m_pOther = nullptr;     // other control (toolbar, status bar)
    BOOL m_bEnableChanged = FALSE;
    BOOL m_bContinueRouting = FALSE;
};

class CWnd : public CCmdTarget {
public:
    CWnd();
    ~CWnd() override;
    explicit CWnd(HWND position) : m_hWnd(position), m_bTemporary(true) {}  // the wndTop family

    HWND m_hWnd = nullptr;
    operator HWND() const { return m_hWnd; }
    HWND GetSafeHwnd() const { return m_hWnd; }
    // Positions for SetWindowPos.
    static const CWnd wndTop, wndBottom, wndTopMost, wndNoTopMost;

    // The object bound to a window, or nullptr.
    static CWnd* FromHandlePermanent(HWND hwnd);
    // As above, or a temporary object for a window of another program or
    // control; temporaries live until the next idle time of the thread.
    static CWnd* FromHandle(HWND hwnd);
    static void DeleteTempMap();

    // Creation. A null class name uses the framework's default window class.
    virtual BOOL PreCreateWindow(CREATESTRUCT& cs);
    BOOL CreateEx(DWORD exStyle, LPCTSTR className, LPCTSTR windowName, DWORD style, int x, int y,
                  int cx, int cy, HWND parent, HMENU menuOrId, LPVOID param = nullptr);
    BOOL CreateEx(DWORD exStyle, LPCTSTR className, LPCTSTR windowName, DWORD style, const RECT& rect,
                  CWnd* parent, UINT id, LPVOID param = nullptr);
    virtual BOOL Create(LPCTSTR className, LPCTSTR windowName, DWORD style, const RECT& rect, CWnd* parent,
                        UINT id, LPVOID param = nullptr);
    virtual BOOL DestroyWindow();

    // Binding an existing window.
    BOOL Attach(HWND hwnd);
    HWND Detach();
    BOOL SubclassWindow(HWND hwnd);
    // Called by SubclassWindow once the object is bound, before any message
    // of the window reaches it.
    virtual void PreSubclassWindow() {}
    BOOL SubclassDlgItem(UINT id, CWnd* parent);
    HWND UnsubclassWindow();

    // Dispatch.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result);
    // A notification this window sent to its parent, offered back to it first.
    virtual BOOL OnChildNotify(NMHDR* hdr, LRESULT* result);
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Default handling of the message being dispatched now.
    LRESULT Default();
    virtual BOOL PreTranslateMessage(MSG* msg);
    // Runs the PreTranslateMessage of this window and its parents up to stop.
    static BOOL WalkPreTranslateTree(HWND stop, MSG* msg);
    // Updates the command-ui of child controls that want it (toolbars).
    virtual void OnUpdateCmdUI(CWnd* target, BOOL disableIfNoHandler);
    void SendMessageToDescendants(UINT message, WPARAM wParam = 0, LPARAM lParam = 0, BOOL deep = TRUE);

    // Window operations.
    LRESULT SendMessage(UINT m, WPARAM w = 0, LPARAM l = 0) const { return ::SendMessage(m_hWnd, m, w, l); }
    BOOL PostMessage(UINT m, WPARAM w = 0, LPARAM l = 0) const { return ::PostMessage(m_hWnd, m, w, l); }
    BOOL ShowWindow(int cmd) { return ::ShowWindow(m_hWnd, cmd); }
    void UpdateWindow() { ::UpdateWindow(m_hWnd); }
    void Invalidate(BOOL erase = TRUE) { ::InvalidateRect(m_hWnd, nullptr, erase); }
    void InvalidateRect(LPCRECT rect, BOOL erase = TRUE) { ::InvalidateRect(m_hWnd, rect, erase); }
    void ValidateRect(LPCRECT rect) { ::ValidateRect(m_hWnd, rect); }
    BOOL RedrawWindow(LPCRECT rect = nullptr, HRGN rgn = nullptr,
                      UINT flags = RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE)
    {
        return ::RedrawWindow(m_hWnd, rect, rgn, flags);
    }
    void GetClientRect(LPRECT r) const { ::GetClientRect(m_hWnd, r); }
    void GetWindowRect(LPRECT r) const { ::GetWindowRect(m_hWnd, r); }
    void ClientToScreen(LPPOINT p) const { ::ClientToScreen(m_hWnd, p); }
    void ClientToScreen(LPRECT r) const;
    void ScreenToClient(LPPOINT p) const { ::ScreenToClient(m_hWnd, p); }
    void ScreenToClient(LPRECT r) const;
    void MoveWindow(int x, int y, int w, int h, BOOL repaint = TRUE) { ::MoveWindow(m_hWnd, x, y, w, h, repaint); }
    void MoveWindow(LPCRECT r, BOOL repaint = TRUE) { MoveWindow(r->left, r->top, r->right - r->left, r->bottom - r->top, repaint); }
    BOOL SetWindowPos(const CWnd* after, int x, int y, int cx, int cy, UINT flags);
    void SetWindowText(LPCTSTR text) { ::SetWindowText(m_hWnd, text); }
    void GetWindowText(CString& text) const;
    int GetWindowTextLength() const { return ::GetWindowTextLength(m_hWnd); }
    CWnd* GetDlgItem(int id) const;
    void GetDlgItem(int id, HWND* out) const { *out = ::GetDlgItem(m_hWnd, id); }
    void SetDlgItemText(int id, LPCTSTR text) { ::SetDlgItemText(m_hWnd, id, text); }
    int GetDlgItemText(int id, CString& text) const;
    UINT GetDlgItemInt(int id, BOOL* ok = nullptr, BOOL isSigned = TRUE) const { return ::GetDlgItemInt(m_hWnd, id, ok, isSigned); }
    void SetDlgItemInt(int id, UINT value, BOOL isSigned = TRUE) { ::SetDlgItemInt(m_hWnd, id, value, isSigned); }
    void CheckDlgButton(int id, UINT check) { ::CheckDlgButton(m_hWnd, id, check); }
    UINT IsDlgButtonChecked(int id) const { return ::IsDlgButtonChecked(m_hWnd, id); }
    LRESULT SendDlgItemMessage(int id, UINT m, WPARAM w = 0, LPARAM l = 0) const { return ::SendDlgItemMessage(m_hWnd, id, m, w, l); }
    int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
    BOOL EnableWindow(BOOL enable = TRUE) { return ::EnableWindow(m_hWnd, enable); }
    BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
    BOOL IsZoomed() const { return ::IsZoomed(m_hWnd); }
    CWnd* SetFocus();
    static CWnd* GetFocus() { return FromHandle(::GetFocus()); }
    CWnd* GetParent() const { return FromHandle(::GetParent(m_hWnd)); }
    CWnd* GetOwner() const { return FromHandle(::GetWindow(m_hWnd, GW_OWNER)); }
    CWnd* GetTopLevelParent() const;
    UINT_PTR SetTimer(UINT_PTR id, UINT elapse, TIMERPROC proc = nullptr);
    BOOL KillTimer(UINT_PTR id) { return ::KillTimer(m_hWnd, id); }
    CWnd* SetCapture() { return FromHandle(::SetCapture(m_hWnd)); }
    HDC GetDC() { return ::GetDC(m_hWnd); }
    HDC GetWindowDC() { return ::GetWindowDC(m_hWnd); }
    int ReleaseDC(HDC dc) { return ::ReleaseDC(m_hWnd, dc); }
    DWORD GetStyle() const { return (DWORD)::GetWindowLongPtr(m_hWnd, GWL_STYLE); }
    DWORD GetExStyle() const { return (DWORD)::GetWindowLongPtr(m_hWnd, GWL_EXSTYLE); }
    BOOL ModifyStyle(DWORD remove, DWORD add, UINT flags = 0);
    BOOL ModifyStyleEx(DWORD remove, DWORD add, UINT flags = 0);
    HICON SetIcon(HICON icon, BOOL big) { return (HICON)SendMessage(WM_SETICON, big ? ICON_BIG : ICON_SMALL, (LPARAM)icon); }
    HMENU GetMenu() const { return ::GetMenu(m_hWnd); }
    BOOL SetMenu(HMENU menu) { return ::SetMenu(m_hWnd, menu); }
    void DrawMenuBar() { ::DrawMenuBar(m_hWnd); }
    void SetFont(HFONT font, BOOL redraw = TRUE) { SendMessage(WM_SETFONT, (WPARAM)font, redraw); }
    HFONT GetFont() const { return (HFONT)SendMessage(WM_GETFONT); }
    int MessageBox(LPCTSTR text, LPCTSTR caption = nullptr, UINT type = MB_OK);
    void CenterWindow(CWnd* alternateOwner = nullptr);
    void BringWindowToTop() { ::BringWindowToTop(m_hWnd); }
    BOOL SetForegroundWindow() { return ::SetForegroundWindow(m_hWnd); }
    int SetWindowRgn(HRGN rgn, BOOL redraw) { return ::SetWindowRgn(m_hWnd, rgn, redraw); }
    BOOL IsWindow() const { return ::IsWindow(m_hWnd); }

    // Standard handlers; each performs the default handling.
    int OnCreate(LPCREATESTRUCT cs);
    void OnDestroy();
    void OnPaint();
    BOOL OnEraseBkgnd(HDC dc);
    void OnSize(UINT type, int cx, int cy);
    void OnMove(int x, int y);
    void OnMoving(UINT side, LPRECT rect);
    void OnTimer(UINT_PTR id);
    void OnClose();
    void OnSetFocus(CWnd* old);
    void OnKillFocus(CWnd* next);
    void OnLButtonDown(UINT flags, CPoint p);
    void OnLButtonUp(UINT flags, CPoint p);
    void OnLButtonDblClk(UINT flags, CPoint p);
    void OnRButtonDown(UINT flags, CPoint p);
    void OnRButtonUp(UINT flags, CPoint p);
    void OnRButtonDblClk(UINT flags, CPoint p);
    void OnMouseMove(UINT flags, CPoint p);
    BOOL OnMouseWheel(UINT flags, short delta, CPoint p);
    void OnKeyDown(UINT key, UINT repeat, UINT flags);
    void OnKeyUp(UINT key, UINT repeat, UINT flags);
    void OnChar(UINT ch, UINT repeat, UINT flags);
    void OnHScroll(UINT code, UINT pos, CWnd* bar);
    void OnVScroll(UINT code, UINT pos, CWnd* bar);
    void OnShowWindow(BOOL show, UINT status);
    void OnGetMinMaxInfo(MINMAXINFO* info);
    BOOL OnSetCursor(CWnd* wnd, UINT hitTest, UINT message);
    HBRUSH OnCtlColor(HDC dc, CWnd* wnd, UINT ctlColor);
    void OnDrawItem(int id, LPDRAWITEMSTRUCT dis);
    void OnMeasureItem(int id, LPMEASUREITEMSTRUCT mis);
    void OnSysCommand(UINT id, LPARAM lParam);
    BOOL OnQueryEndSession();
    void OnEndSession(BOOL ending);
    void OnActivate(UINT state, CWnd* other, BOOL minimized);
    void OnContextMenu(CWnd* wnd, CPoint p);
    LRESULT OnNcHitTest(CPoint p);
    void OnInitMenuPopup(HMENU popup, UINT index, BOOL sysMenu);
    BOOL OnCopyData(CWnd* from, COPYDATASTRUCT* data);

protected:
    // Called after the window is gone (WM_NCDESTROY); objects that own
    // themselves delete themselves here.
    virtual void PostNcDestroy() {}

    DECLARE_MESSAGE_MAP()

private:
    friend LRESULT CALLBACK FwWndProc(HWND, UINT, WPARAM, LPARAM);
    friend INT_PTR CALLBACK FwDlgProc(HWND, UINT, WPARAM, LPARAM);
    friend class CDialog;
    void AttachInternal(HWND hwnd);
    void DetachInternal();
    void OnNcDestroyInternal();

    WNDPROC m_pfnSuper = nullptr;   // window procedure before subclassing
    bool m_bTemporary = false;
};

LRESULT CALLBACK FwWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Registers (once) a window class with the framework's window procedure and
// returns its name.
LPCTSTR AfxRegisterWndClass(UINT classStyle, HCURSOR cursor = nullptr, HBRUSH background = nullptr,
                            HICON icon = nullptr);
// The same under a name of the caller's; the first registration of a name wins.
LPCTSTR AfxRegisterNamedWndClass(LPCTSTR className, UINT classStyle, HCURSOR cursor = nullptr,
                                 HBRUSH background = nullptr, HICON icon = nullptr);

// Device contexts released by their destructor.
class CPaintDC {
public:
    explicit CPaintDC(CWnd* wnd) : m_hWnd(wnd->m_hWnd) { m_hDC = ::BeginPaint(m_hWnd, &m_ps); }
    ~CPaintDC() { ::EndPaint(m_hWnd, &m_ps); }
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;
    operator HDC() const { return m_hDC; }
    HDC m_hDC;
    PAINTSTRUCT m_ps;
private:
    HWND m_hWnd;
};

class CClientDC {
public:
    explicit CClientDC(CWnd* wnd) : m_hWnd(wnd ? wnd->m_hWnd : nullptr) { m_hDC = ::GetDC(m_hWnd); }
    ~CClientDC() { if (m_hDC) ::ReleaseDC(m_hWnd, m_hDC); }
    CClientDC(const CClientDC&) = delete;
    CClientDC& operator=(const CClientDC&) = delete;
    operator HDC() const { return m_hDC; }
    HDC m_hDC;
private:
    HWND m_hWnd;
};

// Thunks that need CWnd to be complete.
namespace fw {
template <auto F> void Call_focus(CCmdTarget* t, MsgCall& c) { (Self<F>(t)->*F)(CWnd::FromHandle((HWND)c.wParam)); }
template <auto F> void Call_scroll(CCmdTarget* t, MsgCall& c)
{
    (Self<F>(t)->*F)(LOWORD(c.wParam), (short)HIWORD(c.wParam), CWnd::FromHandle((HWND)c.lParam));
}
template <auto F> void Call_ctlcolor(CCmdTarget* t, MsgCall& c)
{
    UINT kind = c.message - WM_CTLCOLORMSGBOX;
    c.result = (LRESULT)(Self<F>(t)->*F)((HDC)c.wParam, CWnd::FromHandle((HWND)c.lParam), kind);
}
template <auto F> void Call_setcursor(CCmdTarget* t, MsgCall& c)
{
    c.result = (Self<F>(t)->*F)(CWnd::FromHandle((HWND)c.wParam), LOWORD(c.lParam), HIWORD(c.lParam));
}
template <auto F> void Call_activate(CCmdTarget* t, MsgCall& c)
{
    (Self<F>(t)->*F)(LOWORD(c.wParam), CWnd::FromHandle((HWND)c.lParam), (BOOL)HIWORD(c.wParam));
}
template <auto F> void Call_contextmenu(CCmdTarget* t, MsgCall& c)
{
    (Self<F>(t)->*F)(CWnd::FromHandle((HWND)c.wParam), CPoint(c.lParam));
}
template <auto F> void Call_copydata(CCmdTarget* t, MsgCall& c)
{
    c.result = (Self<F>(t)->*F)(CWnd::FromHandle((HWND)c.wParam), reinterpret_cast<COPYDATASTRUCT*>(c.lParam));
}
} // namespace fw
