#include "CatalogFrame.h"

#include "AboutBox.h"
#include "catalogue/CatalogNames.h"
#include "CatalogMessages.h"
#include "CatalogSettings.h"
#include "IPAddrSet.h"
#include "catalogue/Discovery.h"
#include "resource.h"

#include <algorithm>
#include <cstring>

IMPLEMENT_DYNCREATE(CMainFrame, CFrameWnd)

const TCHAR CMainFrame::kViewerLimitText[] =
    _T("打开的切片数目已达上限！\n请先关闭至少一个已打开的切片，再尝试打开新切片。");
const TCHAR CMainFrame::kNoticeFile[] = _T("Zelvo_Notice.url");
const TCHAR CMainFrame::kViewerProgram[] = _T("Oskerin.exe");

bool CMainFrame::s_bNoticeNotOpened = true;
UINT CMainFrame::s_nDiscoveryPort = zelvo::catalog::kDiscoveryPort;

namespace {

const TCHAR kWebAddress[] = _T("https://zelvo.example.com/");
const UINT kIndicators[] = {ID_INDICATOR_VERSION, ID_INDICATOR_CAPS, ID_INDICATOR_NUM, ID_INDICATOR_SCRL};
const UINT kToolImages[] = {IDI_LIB_SLICE, IDI_LIB_THUMB, IDI_LIB_REPORT, IDI_LIB_MENU, IDI_LIB_ABOUT, IDI_LIB_HELP};
struct ButtonText {
    int index;
    const TCHAR* text;
};
const ButtonText kButtonTexts[] = {{0, _T("切片视图")}, {1, _T("拇指视图")}, {2, _T("报表视图")},
                                   {4, _T("显隐菜单")}, {6, _T("关于我们")}, {7, _T("帮助")}};
const UINT kFirstTickMs = 1000;
const UINT kTickMs = 2000;
const int kMaxMisses = 3;
const int kNoticeAfterTicks = 6;

HICON LoadLibraryIcon(HMODULE library, UINT id, int size)
{
    return (HICON)::LoadImage(library, MAKEINTRESOURCE(id), IMAGE_ICON, size, size, 0);
}

CString ExeFolder()
{
    TCHAR path[MAX_PATH] = {};
    ::GetModuleFileName(nullptr, path, MAX_PATH);
    CString folder(path);
    return folder.Left(folder.ReverseFind(_T('\\')) + 1);
}

} // namespace

CMainFrame::CMainFrame() : m_pLink(new CMySock)
{
    m_menu.LoadMenu(IDR_MENU_MAIN);
    m_pDiscovery.reset(new CUdpClient(m_strDiscovered));
    m_pDiscovery->Broadcast(s_nDiscoveryPort);

    m_hResourceLib = ::LoadLibrary(ExeFolder() + _T("ResourceDll.dll"));
    if (m_hResourceLib) {
        m_toolImages.Create(16, 16, ILC_COLOR32 | ILC_MASK, 10, 5);
        for (UINT id : kToolImages) {
            HICON icon = LoadLibraryIcon(m_hResourceLib, id, 16);
            m_toolImages.Add(icon);
            if (icon) ::DestroyIcon(icon);
        }
        m_hRebarBitmap = (HBITMAP)::LoadImage(m_hResourceLib, MAKEINTRESOURCE(IDB_LIB_REBAR), IMAGE_BITMAP, 0, 0, 0);
        m_hConnected = LoadLibraryIcon(m_hResourceLib, IDI_LIB_CONNECTED, 32);
        m_hDisconnected = LoadLibraryIcon(m_hResourceLib, IDI_LIB_DISCONNECTED, 32);
    } else {
        AfxMessageBox(_T("资源文件ResourceDll.dll加载错误"));
    }
    ReadSettings();
}

CMainFrame::~CMainFrame()
{
    m_pLink->ReleaseLink();
    m_pLink.reset();
    m_pDiscovery.reset();
    m_toolImages.DeleteImageList();
    if (m_hRebarBitmap) ::DeleteObject(m_hRebarBitmap);
    if (m_hConnected) ::DestroyIcon(m_hConnected);
    if (m_hDisconnected) ::DestroyIcon(m_hDisconnected);
    if (m_hResourceLib) ::FreeLibrary(m_hResourceLib);
}

UINT CMainFrame::DiscoveryPort() const
{
    CString address;
    UINT port = 0;
    if (m_pDiscovery) m_pDiscovery->GetSockName(address, port);
    return port;
}

void CMainFrame::ReadSettings()
{
    m_nLanLogon = 0;
    ReadLanLogon(m_nLanLogon);
    if (!ReadCurrentAddress(m_strConfigured)) m_strConfigured.Empty();
}

BOOL CMainFrame::PreCreateWindow(CREATESTRUCT& cs)
{
    if (!CFrameWnd::PreCreateWindow(cs)) return FALSE;
    cs.style &= ~(LONG)FWS_ADDTOTITLE;
    return TRUE;
}

BOOL CMainFrame::OnCreateClient(LPCREATESTRUCT, CCreateContext* context)
{
    const CSize pane(300, 300);
    if (!m_wndSplitter.CreateStatic(this, 1, 2) ||
        !m_wndLeftSplitter.CreateStatic(&m_wndSplitter, 2, 1, WS_CHILD | WS_VISIBLE, m_wndSplitter.IdFromRowCol(0, 0)) ||
        !m_wndLeftSplitter.CreateView(0, 0, RUNTIME_CLASS(CLeftView), pane, context) ||
        !m_wndLeftSplitter.CreateView(1, 0, RUNTIME_CLASS(CPreView), pane, context) ||
        !m_wndSplitter.CreateView(0, 1, RUNTIME_CLASS(CPemberlo_ClientView), pane, context))
        return FALSE;
    m_wndSplitter.SetColumnInfo(0, 300, 50);
    if (::GetSystemMetrics(SM_CYSCREEN) > 768) m_wndLeftSplitter.SetRowInfo(0, 480, 50);
    m_pLeftView = dynamic_cast<CLeftView*>(m_wndLeftSplitter.GetPane(0, 0));
    m_pPreView = dynamic_cast<CPreView*>(m_wndLeftSplitter.GetPane(1, 0));
    m_pListView = dynamic_cast<CPemberlo_ClientView*>(m_wndSplitter.GetPane(0, 1));
    SetActiveView(m_pListView);
    return m_pLeftView && m_pPreView && m_pListView;
}

int CMainFrame::OnCreate(LPCREATESTRUCT cs)
{
    if (CFrameWnd::OnCreate(cs) == -1) return -1;
    m_strProgramFolder = ExeFolder();
    SetWindowText(_T("Farrowick"));
    SetMenu(nullptr);
    ::AnimateWindow(m_hWnd, 200, AW_CENTER);

    if (!m_wndStatusBar.Create(this) || !m_wndStatusBar.SetIndicators(kIndicators, 4)) return -1;

    if (!m_wndToolBar.CreateEx(this, TBSTYLE_FLAT | TBSTYLE_TRANSPARENT, WS_CHILD | WS_VISIBLE | CBRS_TOP,
                               AFX_IDW_TOOLBAR) ||
        !m_wndToolBar.LoadToolBar(IDR_TOOLBAR_MAIN))
        return -1;
    if (m_toolImages.GetSafeHandle()) m_wndToolBar.SetImageList(m_toolImages);
    m_wndToolBar.SetSizes(CSize(40, 40), CSize(16, 16));
    for (const ButtonText& b : kButtonTexts) m_wndToolBar.SetButtonText(b.index, b.text);

    if (!m_wndLinkBar.CreateEx(this, TBSTYLE_FLAT | TBSTYLE_TRANSPARENT, WS_CHILD | WS_VISIBLE | CBRS_TOP,
                               AFX_IDW_TOOLBAR + 1) ||
        !m_wndLinkBar.LoadToolBar(IDR_TOOLBAR_LINK))
        return -1;
    m_wndLinkBar.SetSizes(CSize(40, 40), CSize(32, 32));
    m_wndLinkBar.SetButtonInfo(0, ID_LINK_ICON, TBBS_SEPARATOR, 40);
    CRect r;
    m_wndLinkBar.GetItemRect(0, &r);
    r.left += 3;
    r.top += 3;
    r.right -= 2;
    r.bottom -= 2;
    m_wndLinkIcon.Create(_T("STATIC"), nullptr, WS_CHILD | WS_VISIBLE | SS_ICON | SS_CENTERIMAGE, r, &m_wndLinkBar,
                         ID_LINK_ICON);
    ShowLinkIcon(m_hDisconnected);

    if (!m_wndReBar.Create(this)) return -1;
    m_wndReBar.AddBar(&m_wndToolBar, nullptr, m_hRebarBitmap, RBBS_FIXEDBMP | RBBS_NOGRIPPER);
    m_wndReBar.AddBar(&m_wndLinkBar, nullptr, m_hRebarBitmap, RBBS_FIXEDBMP | RBBS_NOGRIPPER);

    UpdateVersionPane();
    SetTimer(kLinkTimer, kFirstTickMs);
    return 0;
}

void CMainFrame::UpdateVersionPane()
{
    m_wndStatusBar.SetPaneText(0, CString(_T("当前版本：")) + ProgramVersion());
    // The version pane has no border.
    m_wndStatusBar.SendMessage(SB_SETTEXT, 0 | SBT_NOBORDERS, (LPARAM)m_wndStatusBar.GetPaneText(0).GetString());
}

void CMainFrame::ShowLinkIcon(HICON icon)
{
    if (m_wndLinkIcon.m_hWnd) m_wndLinkIcon.SetIcon(icon);
}

void CMainFrame::OnDestroy()
{
    // The menu is ours whether shown or not.
    SetMenu(nullptr);
    CFrameWnd::OnDestroy();
    for (HWND viewer : m_viewers)
        if (::IsWindow(viewer)) ::PostMessage(viewer, WM_CLOSE, 0, 0);
}

// ---------------------------------------------------------------------------
// The link's timer: discovery, reconnecting and keep-alives

void CMainFrame::OnTimer(UINT_PTR id)
{
    if (id != kLinkTimer) return;
    if (m_pDiscovery) {
        // Answers count only during the first second.
        m_pDiscovery.reset();
        SetTimer(kLinkTimer, kTickMs);
        return;
    }
    if (!m_pLink->IsConnected()) {
        ++m_nFailedTicks;
        if (m_nFailedTicks > kNoticeAfterTicks && s_bNoticeNotOpened) {
            ConnectToServer();
            s_bNoticeNotOpened = false;
            fw::Shell().Execute(m_hWnd, _T("open"), m_strProgramFolder + kNoticeFile, nullptr, nullptr, SW_SHOWNORMAL);
        } else {
            ConnectToServer();
        }
        return;
    }
    if (!m_pLink->IsOpen()) return;
    if (m_pLink->AddMiss() >= kMaxMisses) {
        m_pLink->CloseLink();
        return;
    }
    m_pLink->QueueKeepAlive();
    m_pLink->AsyncSelect(CMySock::kSendEvents);
}

void CMainFrame::ConnectToServer()
{
    m_pLink->SetListCountAtReconnect(m_pListView ? m_pListView->GetListCtrl().GetItemCount() : 0);
    const UINT port = zelvo::catalog::kCatalogPort;
    if (!m_strPeer.IsEmpty()) {
        m_pLink->ConnectServer(m_strPeer, port);
        return;
    }
    if (!m_nLanLogon) {
        // An empty name would resolve to this machine.
        if (m_strConfigured.IsEmpty()) return;
        CStringW wide(m_strConfigured);
        char name[kAddressBytes] = {};
        ::WideCharToMultiByte(CP_OEMCP, 0, wide, -1, name, (int)sizeof name - 1, nullptr, nullptr);
        // Resolved on the UI thread: a dotted address answers at once, a host
        // name of the classroom's own network within its resolver's time.
        hostent* host = ::gethostbyname(name);
        if (!host || host->h_addrtype != AF_INET || !host->h_addr_list[0]) return;
        in_addr address;
        std::memcpy(&address, host->h_addr_list[0], sizeof address);
        CString dotted(::inet_ntoa(address));
        m_pLink->ConnectServer(dotted, port);
        SetWindowText(_T("Farrowick@") + dotted);
        return;
    }
    if (!m_strDiscovered.IsEmpty()) m_pLink->ConnectServer(m_strDiscovered, port);
}

LRESULT CMainFrame::OnLinkState(WPARAM state, LPARAM)
{
    if (state == kLinkStateConnected) {
        if (!m_pLink->IsOpen()) return 0;
        m_nFailedTicks = 0;
        ShowLinkIcon(m_hConnected);
        CString address;
        UINT port = 0;
        if (m_pLink->GetPeerName(address, port)) m_strPeer = address;
    } else if (state == kLinkStateClosed) {
        ShowLinkIcon(m_hDisconnected);
        SetTimer(kLinkTimer, kTickMs);
    }
    return 0;
}

// ---------------------------------------------------------------------------
// Viewers

void CMainFrame::ForgetGoneViewers()
{
    // A viewer that ended without a word, or a start that never registered,
    // must not hold a place for ever.
    m_viewers.erase(std::remove_if(m_viewers.begin(), m_viewers.end(), [](HWND w) { return !::IsWindow(w); }),
                    m_viewers.end());
    DWORD now = ::GetTickCount();
    m_pendingStarts.erase(std::remove_if(m_pendingStarts.begin(), m_pendingStarts.end(),
                                         [&](DWORD t) { return now - t > kViewerStartMs; }),
                          m_pendingStarts.end());
}

LRESULT CMainFrame::OnViewerNotify(WPARAM viewer, LPARAM state)
{
    HWND wnd = (HWND)viewer;
    if (state == 0) {
        // A viewer opening another slide registers again: it is still one viewer.
        if (std::find(m_viewers.begin(), m_viewers.end(), wnd) == m_viewers.end()) {
            m_viewers.push_back(wnd);
            if (!m_pendingStarts.empty()) m_pendingStarts.erase(m_pendingStarts.begin());
        }
    } else if (state == 1) {
        auto it = std::find(m_viewers.begin(), m_viewers.end(), wnd);
        if (it != m_viewers.end()) {
            m_viewers.erase(it);
            SetForegroundWindow();
        }
    }
    return 0;
}

LRESULT CMainFrame::OnOpenSlide(WPARAM index, LPARAM)
{
    CString path = m_pListView->SlidePath((int)(INT_PTR)index);
    ForgetGoneViewers();
    if (m_viewers.size() + m_pendingStarts.size() >= kMaxViewers) {
        AfxMessageBox(kViewerLimitText);
        return 0;
    }
    if (path.IsEmpty()) return 0;
    std::u16string parameters;
    auto result = zelvo::catalog::BuildViewerParameters(ToField(m_strServerPathPrefix + path),
                                                        (uint64_t)(UINT_PTR)m_hWnd, ToField(m_strPeer), parameters);
    // The viewer reads each field into 255 bytes of its own code page.
    CStringA ansi(FromField(ToField(m_strServerPathPrefix + path)));
    if (result == zelvo::catalog::ViewerLineResult::ok && ansi.GetLength() > (int)zelvo::catalog::kViewerFieldChars)
        result = zelvo::catalog::ViewerLineResult::fieldTooLong;
    if (result != zelvo::catalog::ViewerLineResult::ok) {
        AfxMessageBox(result == zelvo::catalog::ViewerLineResult::separatorInField
                          ? _T("切片路径中含有“, ”，阅读器无法打开这个切片。")
                          : _T("切片路径太长，阅读器无法打开这个切片。"));
        return 0;
    }
    HINSTANCE started = fw::Shell().Execute(m_hWnd, _T("open"), m_strProgramFolder + kViewerProgram,
                                            FromField(parameters), nullptr, SW_SHOWNORMAL);
    if ((INT_PTR)started > 32) m_pendingStarts.push_back(::GetTickCount());
    return 0;
}

// ---------------------------------------------------------------------------
// Commands

void CMainFrame::OnConnect()
{
    OnDisconnect();
    m_pLink->SetSavedRequest(zelvo::catalog::MakeRequest(zelvo::catalog::kFolderRequest, 0));
    ReadSettings();
    SetTimer(kLinkTimer, kTickMs);
}

void CMainFrame::OnDisconnect()
{
    KillTimer(kLinkTimer);
    m_pLink->ReleaseLink();
    ShowLinkIcon(m_hDisconnected);
    m_pListView->ClearList();
    m_pLeftView->ResetTree();
    m_nSelectedItem = -1;
    m_pPreView->ClearImage();
    m_strPeer.Empty();
}

void CMainFrame::OnUpgrade()
{
    UpdateVersionPane();
    AfxMessageBox(_T("升级文件不存在！"));
}

void CMainFrame::OnViewSlices()
{
    m_pListView->SetMode(ListMode::slices);
}

void CMainFrame::OnViewThumbnails()
{
    m_pListView->SetMode(ListMode::thumbnails);
}

void CMainFrame::OnViewReport()
{
    m_pListView->SetMode(ListMode::report);
}

void CMainFrame::OnViewMenu()
{
    SetMenu(GetMenu() ? nullptr : m_menu.GetSafeHmenu());
    RecalcLayout();
}

void CMainFrame::OnSetAddress()
{
    CIPAddrSet dialog(this);
    if (dialog.DoModal() == IDOK) OnConnect();
}

void CMainFrame::OpenWebAddress()
{
    fw::Shell().Execute(m_hWnd, _T("open"), kWebAddress, nullptr, nullptr, SW_SHOWNORMAL);
}

void CMainFrame::OnHelpSystem()
{
    OpenWebAddress();
}

void CMainFrame::OnAbout()
{
    CAboutBox box(kWebAddress, this);
    box.DoModal();
}

void CMainFrame::OnListStyle(UINT id)
{
    CListCtrl& list = m_pListView->GetListCtrl();
    if (id == ID_VIEW_LINEUP) {
        list.Arrange(LVA_SNAPTOGRID);
        return;
    }
    static const DWORD kStyles[] = {LVS_SMALLICON, LVS_ICON, LVS_LIST, LVS_REPORT};
    m_pListView->ModifyStyle(LVS_TYPEMASK, kStyles[id - ID_VIEW_SMALLICON]);
}

void CMainFrame::OnUpdateListStyle(CCmdUI* ui)
{
    DWORD style = m_pListView ? (m_pListView->GetStyle() & LVS_TYPEMASK) : LVS_ICON;
    if (ui->m_nID == ID_VIEW_LINEUP) {
        ui->Enable(style == LVS_ICON || style == LVS_SMALLICON);
        return;
    }
    static const DWORD kStyles[] = {LVS_SMALLICON, LVS_ICON, LVS_LIST, LVS_REPORT};
    ui->SetRadio(style == kStyles[ui->m_nID - ID_VIEW_SMALLICON]);
}

void CMainFrame::OnUpdateKeyIndicator(CCmdUI* ui)
{
    static const int kKeys[] = {VK_CAPITAL, VK_NUMLOCK, VK_SCROLL};
    static const TCHAR* const kTexts[] = {_T("CAP"), _T("NUM"), _T("SCRL")};
    UINT i = ui->m_nID - ID_INDICATOR_CAPS;
    ui->SetText((::GetKeyState(kKeys[i]) & 1) ? kTexts[i] : _T(""));
}

BEGIN_MESSAGE_MAP(CMainFrame, CFrameWnd)
    ON_WM_CREATE()
    ON_WM_DESTROY()
    ON_WM_TIMER()
    ON_MESSAGE(WM_APP_OPEN_LIST_ITEM, OnOpenSlide)
    ON_MESSAGE(WM_APP_PREVIEW_ARRIVED, OnPreviewArrived)
    ON_MESSAGE(WM_APP_LIST_ARRIVED, OnListArrived)
    ON_MESSAGE(WM_APP_TREE_ENTRY_ARRIVED, OnTreeEntryArrived)
    ON_MESSAGE(WM_APP_LINK_STATE, OnLinkState)
    ON_MESSAGE(WM_VIEWER_NOTIFY, OnViewerNotify)
    ON_COMMAND(ID_CONNECT, OnConnect)
    ON_COMMAND(ID_DISCONNECT, OnDisconnect)
    ON_COMMAND(ID_UPGRADE, OnUpgrade)
    ON_COMMAND(ID_VIEW_SLICE, OnViewSlices)
    ON_COMMAND(ID_VIEW_THUMB, OnViewThumbnails)
    ON_COMMAND(ID_VIEW_REPORT, OnViewReport)
    ON_COMMAND(ID_VIEW_MENU, OnViewMenu)
    ON_COMMAND(ID_SET_IP, OnSetAddress)
    ON_COMMAND(ID_HELP_SYSTEM, OnHelpSystem)
    ON_COMMAND(ID_ABOUT_US, OnAbout)
    ON_COMMAND(ID_APP_ABOUT, OnAbout)
    ON_COMMAND_RANGE(ID_VIEW_SMALLICON, ID_VIEW_LINEUP, OnListStyle)
    ON_UPDATE_COMMAND_UI_RANGE(ID_VIEW_SMALLICON, ID_VIEW_LINEUP, OnUpdateListStyle)
    ON_UPDATE_COMMAND_UI_RANGE(ID_INDICATOR_CAPS, ID_INDICATOR_SCRL, OnUpdateKeyIndicator)
END_MESSAGE_MAP()
