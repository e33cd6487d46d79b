#include "FwFrame.h"
#include "FwDocView.h"

#include "FwBars.h"

#include <cstring>
#include <string>

namespace {
thread_local CDialog* t_creatingDialog = nullptr;

// Thrown by CDataExchange::Fail after the user has been told.
struct DataExchangeFailed {};
} // namespace

const CRect CFrameWnd::rectDefault(CW_USEDEFAULT, CW_USEDEFAULT, 0, 0);

// ---------------------------------------------------------------------------
// CFrameWnd

BOOL CFrameWnd::PreCreateWindow(CREATESTRUCT& cs)
{
    if (!cs.lpszClass)
        cs.lpszClass = AfxRegisterWndClass(CS_DBLCLKS, ::LoadCursor(nullptr, IDC_ARROW), (HBRUSH)(COLOR_WINDOW + 1));
    cs.dwExStyle |= WS_EX_CLIENTEDGE;
    return TRUE;
}

BOOL CFrameWnd::LoadFrame(UINT idResource, DWORD style, CWnd* parent, void* context)
{
    HINSTANCE inst = fw::ResourceHandle();
    m_nIDHelp = idResource;
    CString title;
    title.LoadString(idResource);
    int newline = title.Find(_T('\n'));
    if (newline >= 0) title = title.Left(newline);
    m_strTitle = title;
    HICON icon = ::LoadIcon(inst, MAKEINTRESOURCE(idResource));
    LPCTSTR cls = AfxRegisterWndClass(CS_DBLCLKS, ::LoadCursor(nullptr, IDC_ARROW), (HBRUSH)(COLOR_WINDOW + 1), icon);
    m_hMenuDefault = ::LoadMenu(inst, MAKEINTRESOURCE(idResource));
    // The frame-style bits are ours, not the platform's.
    style &= ~(DWORD)(FWS_ADDTOTITLE | FWS_PREFIXTITLE);
    // Default position and size: a cx of CW_USEDEFAULT makes the platform choose both.
    return CreateEx(0, cls, m_strTitle, style, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, 0,
                    parent ? parent->m_hWnd : nullptr, m_hMenuDefault, context);
}

BOOL CFrameWnd::Create(LPCTSTR className, LPCTSTR title, DWORD style, const RECT& rect, CWnd* parent,
                       LPCTSTR menuName, DWORD exStyle, void* context)
{
    m_strTitle = title;
    HMENU menu = menuName ? ::LoadMenu(fw::ResourceHandle(), menuName) : nullptr;
    m_hMenuDefault = menu;
    style &= ~(DWORD)(FWS_ADDTOTITLE | FWS_PREFIXTITLE);
    int w = rect.left == CW_USEDEFAULT ? CW_USEDEFAULT : rect.right - rect.left;  // platform's default size
    int h = rect.left == CW_USEDEFAULT ? 0 : rect.bottom - rect.top;
    return CreateEx(exStyle, className, title, style, rect.left, rect.top, w, h, parent ? parent->m_hWnd : nullptr,
                    menu, context);
}

int CFrameWnd::OnCreate(LPCREATESTRUCT cs)
{
    if (Default() == -1) return -1;
    auto* context = static_cast<CCreateContext*>(cs->lpCreateParams);
    return !context || OnCreateClient(cs, context) ? 0 : -1;
}

BOOL CFrameWnd::OnCreateClient(LPCREATESTRUCT, CCreateContext* context)
{
    return fw::CreateContextView(this, context, AFX_IDW_PANE_FIRST) != nullptr;
}

void CFrameWnd::PostNcDestroy()
{
    delete this;
}

CWnd* CFrameWnd::GetActiveView() const
{
    if (m_pViewActive && m_pViewActive->m_hWnd) return m_pViewActive;
    return CWnd::FromHandlePermanent(::GetDlgItem(m_hWnd, AFX_IDW_PANE_FIRST));
}

void CFrameWnd::RecalcLayout(BOOL)
{
    if (!m_hWnd) return;
    CRect area;
    GetClientRect(&area);
    // Bars along the top and bottom take the whole width, then bars on the
    // left and right take what height is left; the pane gets the rest.
    std::vector<HWND> sideBars;
    for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        int id = ::GetDlgCtrlID(child);
        if (id < AFX_IDW_TOOLBAR || id > AFX_IDW_TOOLBAR + 0xFF || !::IsWindowVisible(child)) continue;
        auto* toolbar = dynamic_cast<CToolBar*>(CWnd::FromHandlePermanent(child));
        if (toolbar && toolbar->m_pDockSite == this) {
            const DockSide side = toolbar->GetDockSide();
            if (side == DockSide::Left || side == DockSide::Right) {
                sideBars.push_back(child);
                continue;
            }
            const int h = toolbar->CalcDockSize(side, area.Width()).cy;
            const int y = side == DockSide::Bottom ? area.bottom - h : area.top;
            ::MoveWindow(child, area.left, y, area.Width(), h, TRUE);
            toolbar->MoveHostedControls();
            if (side == DockSide::Bottom) area.bottom -= h;
            else area.top += h;
            continue;
        }
        // Other bars size themselves to the width offered and tell their height.
        ::SendMessage(child, WM_SIZE, 0, MAKELPARAM(area.Width(), area.Height()));
        RECT r;
        ::GetWindowRect(child, &r);
        int h = r.bottom - r.top;
        if ((::GetWindowLongPtr(child, GWL_STYLE) & CCS_BOTTOM) == CCS_BOTTOM) {  // CCS_TOP shares a bit
            ::MoveWindow(child, area.left, area.bottom - h, area.Width(), h, TRUE);
            area.bottom -= h;
        } else {
            ::MoveWindow(child, area.left, area.top, area.Width(), h, TRUE);
            area.top += h;
        }
    }
    for (HWND child : sideBars) {
        auto* toolbar = static_cast<CToolBar*>(CWnd::FromHandlePermanent(child));
        const DockSide side = toolbar->GetDockSide();
        const int w = toolbar->CalcDockSize(side, area.Height()).cx;
        const int x = side == DockSide::Right ? area.right - w : area.left;
        ::MoveWindow(child, x, area.top, w, area.Height(), TRUE);
        toolbar->MoveHostedControls();
        if (side == DockSide::Right) area.right -= w;
        else area.left += w;
    }
    if (HWND pane = ::GetDlgItem(m_hWnd, AFX_IDW_PANE_FIRST))
        ::MoveWindow(pane, area.left, area.top, area.Width(), area.Height(), TRUE);
}

BOOL CFrameWnd::OnCmdMsg(UINT id, int code, void* extra, void* handlerInfo, bool queryOnly)
{
    // The view first, then the frame, then the application.
    CWnd* view = GetActiveView();
    if (view && view->OnCmdMsg(id, code, extra, handlerInfo, queryOnly)) return TRUE;
    if (CWnd::OnCmdMsg(id, code, extra, handlerInfo, queryOnly)) return TRUE;
    CWinApp* app = AfxGetApp();
    return app && app->OnCmdMsg(id, code, extra, handlerInfo, queryOnly);
}

void CFrameWnd::OnSize(UINT type, int cx, int cy)
{
    CWnd::OnSize(type, cx, cy);
    if (type != SIZE_MINIMIZED) RecalcLayout();
}

void CFrameWnd::OnSetFocus(CWnd* old)
{
    CWnd* view = GetActiveView();
    if (view && view->m_hWnd) view->SetFocus();
    else CWnd::OnSetFocus(old);
}

void CFrameWnd::OnClose()
{
    DestroyWindow();
}

void CFrameWnd::OnInitMenuPopup(HMENU popup, UINT index, BOOL sysMenu)
{
    CWnd::OnInitMenuPopup(popup, index, sysMenu);
    if (sysMenu) return;
    int count = ::GetMenuItemCount(popup);
    for (int i = 0; i < count; ++i) {
        UINT id = ::GetMenuItemID(popup, i);
        if (id == 0 || id == (UINT)-1) continue;  // separator or submenu
        CCmdUI ui;
        ui.m_hMenu = popup;
        ui.m_nIndex = (UINT)i;
        ui.m_nIndexMax = (UINT)count;
        ui.m_nID = id;
        ui.DoUpdate(this, TRUE);
    }
}

BEGIN_MESSAGE_MAP(CFrameWnd, CWnd)
    ON_MESSAGE(WM_IDLEUPDATECMDUI, OnIdleUpdateCmdUI)
    ON_WM_CREATE()
    ON_WM_SIZE()
    ON_WM_SETFOCUS()
    ON_WM_CLOSE()
    ON_WM_INITMENUPOPUP()
END_MESSAGE_MAP()

// ---------------------------------------------------------------------------
// CDialog

CDialog::CDialog(UINT idTemplate, CWnd* parent)
    : m_lpszTemplateName(MAKEINTRESOURCE(idTemplate)), m_nIDHelp(idTemplate), m_pParentWnd(parent)
{
}

CDialog::CDialog(LPCTSTR templateName, CWnd* parent) : m_lpszTemplateName(templateName), m_pParentWnd(parent) {}

INT_PTR CALLBACK FwDlgProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    // Once bound, every message reaches the object through its window procedure.
    if (CWnd::FromHandlePermanent(hwnd)) return FALSE;
    CDialog* dlg = t_creatingDialog;
    if (!dlg) return FALSE;
    t_creatingDialog = nullptr;
    dlg->SubclassWindow(hwnd);
    if (message == WM_INITDIALOG) return (INT_PTR)FwWndProc(hwnd, message, wParam, lParam);
    return FALSE;
}

BOOL CDialog::CreateFromTemplate(HWND owner)
{
    HINSTANCE inst = fw::ResourceHandle();
    HRSRC res = ::FindResource(inst, m_lpszTemplateName, RT_DIALOG);
    HGLOBAL mem = res ? ::LoadResource(inst, res) : nullptr;
    auto tpl = mem ? static_cast<LPCDLGTEMPLATE>(::LockResource(mem)) : nullptr;
    if (!tpl) return FALSE;
    t_creatingDialog = this;
    HWND hwnd = ::CreateDialogIndirectParam(inst, tpl, owner, &FwDlgProc, (LPARAM)this);
    if (t_creatingDialog == this) t_creatingDialog = nullptr;
    return hwnd != nullptr;
}

BOOL CDialog::Create(UINT idTemplate, CWnd* parent)
{
    return Create(MAKEINTRESOURCE(idTemplate), parent);
}

BOOL CDialog::Create(LPCTSTR templateName, CWnd* parent)
{
    m_lpszTemplateName = templateName;
    if (parent) m_pParentWnd = parent;
    CWnd* owner = m_pParentWnd ? m_pParentWnd : AfxGetMainWnd();
    m_bModal = false;
    return CreateFromTemplate(owner ? owner->m_hWnd : nullptr);
}

INT_PTR CDialog::DoModal()
{
    CWnd* ownerWnd = m_pParentWnd ? m_pParentWnd : AfxGetMainWnd();
    HWND owner = ownerWnd ? ::GetAncestor(ownerWnd->m_hWnd, GA_ROOT) : nullptr;
    bool reenable = owner && ::IsWindowEnabled(owner);
    if (reenable) ::EnableWindow(owner, FALSE);

    m_bModal = true;
    m_bContinueModal = true;
    m_nModalResult = -1;
    if (CreateFromTemplate(owner)) {
        if (m_bContinueModal && m_hWnd) {
            ShowWindow(SW_SHOWNORMAL);
            RunModalLoop();
        }
        if (m_hWnd) SetWindowPos(nullptr, 0, 0, 0, 0, SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
    }
    if (reenable) {
        ::EnableWindow(owner, TRUE);
        ::SetActiveWindow(owner);
    }
    if (m_hWnd) DestroyWindow();
    m_bModal = false;
    return m_nModalResult;
}

void CDialog::RunModalLoop()
{
    MSG msg;
    while (m_bContinueModal && m_hWnd) {
        BOOL got = ::GetMessage(&msg, nullptr, 0, 0);
        if (got <= 0) {
            // Leave the quit for the program's own loop.
            ::PostQuitMessage((int)msg.wParam);
            break;
        }
        if (!CWnd::WalkPreTranslateTree(m_hWnd, &msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessage(&msg);
        }
    }
}

void CDialog::EndDialog(int result)
{
    m_nModalResult = result;
    if (m_bModal) {
        m_bContinueModal = false;
        if (m_hWnd) ::PostMessage(m_hWnd, WM_NULL, 0, 0);  // wake the modal loop
    } else if (m_hWnd) {
        ::ShowWindow(m_hWnd, SW_HIDE);
    }
}

BOOL CDialog::PreTranslateMessage(MSG* msg)
{
    bool input = (msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST) ||
                 (msg->message >= WM_MOUSEFIRST && msg->message <= WM_MOUSELAST);
    if (!input || !m_hWnd) return FALSE;
    if (msg->hwnd != m_hWnd && !::IsChild(m_hWnd, msg->hwnd)) return FALSE;
    return ::IsDialogMessage(m_hWnd, msg);
}

LRESULT CDialog::HandleInitDialog(WPARAM, LPARAM)
{
    ExecuteDlgInit();
    return OnInitDialog();
}

void CDialog::ExecuteDlgInit()
{
    // Entries: control id (16 bits, 0 ends), message (16-bit numbering),
    // byte count (32 bits), the text with its NUL.
    const WORD kAddString16 = 0x0403, kListAddString16 = 0x0401;
    if (!m_lpszTemplateName || !m_hWnd) return;
    HINSTANCE instance = fw::ResourceHandle();
    HRSRC found = ::FindResource(instance, m_lpszTemplateName, MAKEINTRESOURCE(240));
    HGLOBAL loaded = found ? ::LoadResource(instance, found) : nullptr;
    const BYTE* p = loaded ? static_cast<const BYTE*>(::LockResource(loaded)) : nullptr;
    if (!p) return;
    const BYTE* end = p + ::SizeofResource(instance, found);
    while (end - p >= 8) {
        WORD id = 0, message = 0;
        DWORD count = 0;
        std::memcpy(&id, p, 2);
        if (!id) break;
        std::memcpy(&message, p + 2, 2);
        std::memcpy(&count, p + 4, 4);
        p += 8;
        if (count > (DWORD)(end - p)) break;
        const std::string text(reinterpret_cast<const char*>(p), count);
        p += count;
        const UINT native = message == kAddString16 ? CB_ADDSTRING : message == kListAddString16 ? LB_ADDSTRING : 0;
        if (native) ::SendDlgItemMessageA(m_hWnd, id, native, 0, (LPARAM)text.c_str());
    }
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    if (!UpdateData(TRUE)) return;
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::UpdateData(BOOL saveAndValidate)
{
    CDataExchange dx(this, saveAndValidate);
    try {
        DoDataExchange(&dx);
    } catch (const DataExchangeFailed&) {
        return FALSE;
    }
    return TRUE;
}

void CDataExchange::Fail()
{
    if (m_bSaveAndValidate && m_hWndLastControl) ::SetFocus(m_hWndLastControl);
    throw DataExchangeFailed();
}

HWND CDataExchange::PrepareCtrl(int id)
{
    m_hWndLastControl = ::GetDlgItem(m_pDlgWnd->m_hWnd, id);
    return m_hWndLastControl;
}

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_MESSAGE(WM_INITDIALOG, HandleInitDialog)
    ON_COMMAND(IDOK, OnOK)
    ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()
