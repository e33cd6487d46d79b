#include "MainFrame.h"

#include "ScreenSettings.h"
#include "ViewerMessages.h"
#include "resource.h"

#include <cstring>

namespace {

const int kEyepieceFactors[] = {10, 15, 20};
const int kObjectiveFactors[] = {0, 4, 5, 10, 20, 25, 40, 60, 80, 100};
const char* const kEyepieceTexts[] = {"10X目镜", "15X目镜", "20X目镜"};
const char* const kObjectiveTexts[] = {"全景", "4X物镜", "5X物镜", "10X物镜", "20X物镜",
                                       "25X物镜", "40X物镜", "60X物镜", "80X物镜", "100X物镜"};
const char* const kRulerTexts[] = {"2cm标尺", "4cm标尺", "8cm标尺", "16cm标尺", "32cm标尺"};
const int kFieldNumberItems = 7;
const int kListDropHeight = 200;

const UINT kIndicators[] = {ID_SEPARATOR, ID_SEPARATOR, ID_SEPARATOR, ID_SEPARATOR};

template <class T, size_t N> constexpr int Count(const T (&)[N]) { return (int)N; }

} // namespace

CMainFrame::CMainFrame() = default;

CMainFrame::~CMainFrame()
{
    if (m_hListFont) ::DeleteObject(m_hListFont);
}

int CMainFrame::Magnification(int eyepieceIndex, int objectiveIndex)
{
    if (eyepieceIndex < 0 || eyepieceIndex >= Count(kEyepieceFactors)) return 0;
    if (objectiveIndex < 0 || objectiveIndex >= Count(kObjectiveFactors)) return 0;
    return kEyepieceFactors[eyepieceIndex] * kObjectiveFactors[objectiveIndex];
}

int CMainFrame::ScaleBarLengthMm(int rulerIndex)
{
    if (rulerIndex < 0) rulerIndex = 0;
    if (rulerIndex >= Count(kRulerTexts)) rulerIndex = Count(kRulerTexts) - 1;
    return (2 << rulerIndex) * 10;
}

BOOL CMainFrame::PreCreateWindow(CREATESTRUCT& cs)
{
    if (!CFrameWnd::PreCreateWindow(cs)) return FALSE;
    cs.dwExStyle &= ~(DWORD)WS_EX_CLIENTEDGE;
    return TRUE;
}

BOOL CMainFrame::CreateList(CComboBox& list, UINT id, UINT placeholder, int width)
{
    int index = m_wndToolBar.CommandToIndex(placeholder);
    if (index < 0) return FALSE;
    m_wndToolBar.SetButtonInfo(index, placeholder, TBBS_SEPARATOR, width);
    CRect r;
    m_wndToolBar.GetItemRect(index, &r);
    r.bottom += kListDropHeight;
    if (!list.Create(_T("COMBOBOX"), nullptr, WS_CHILD | WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWNLIST | CBS_AUTOHSCROLL,
                     r, &m_wndToolBar, id))
        return FALSE;
    list.SetFont(m_hListFont);
    return TRUE;
}

int CMainFrame::OnCreate(LPCREATESTRUCT cs)
{
    if (CFrameWnd::OnCreate(cs) == -1) return -1;
    m_hWndSelf = m_hWnd;

    if (m_pView) {
        CWnd* pane = m_pView->GetPaneWnd();
        if (!pane || !pane->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE | WS_BORDER, CRect(0, 0, 0, 0), this,
                                   AFX_IDW_PANE_FIRST))
            return -1;
    }
    if (!m_wndToolBar.CreateEx(this, TBSTYLE_FLAT, WS_CHILD | WS_VISIBLE | CBRS_TOP, AFX_IDW_TOOLBAR) ||
        !m_wndToolBar.LoadToolBar(IDR_MAINFRAME))
        return -1;
    if (!m_wndStatusBar.Create(this) || !m_wndStatusBar.SetIndicators(kIndicators, Count(kIndicators))) return -1;
    m_wndStatusBar.ShowWindow(SW_HIDE);
    m_wndToolBar.EnableDocking(CBRS_ALIGN_ANY);
    EnableDocking(CBRS_ALIGN_ANY);
    DockControlBar(&m_wndToolBar);

    SetIcon(::LoadIcon(fw::ResourceHandle(), MAKEINTRESOURCE(IDR_MAINFRAME)), TRUE);
    // The Chinese character set: an ANSI-charset Arial has no glyphs for the
    // lists' texts wherever the platform does not link fonts for it.
    m_hListFont = ::CreateFontA(16, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
                                CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "Arial");

    CScreenSettingsDlg settings;
    settings.LoadSettings();
    m_fieldNumberIndex = settings.m_eyepieceIndex;

    if (CreateList(m_fieldNumberList, IDC_FIELD_NUMBER_LIST, ID_FIELD_NUMBER_PLACE, 72)) {
        for (int i = 0; i < kFieldNumberItems; ++i) m_fieldNumberList.AddString(settings.GetFieldNumberText(i) + " FD");
        m_fieldNumberList.SetCurSel(m_fieldNumberIndex);
        m_fieldNumberList.EnableWindow(m_pView && m_pView->IsEyepieceFieldOn());
    }
    if (CreateList(m_rulerList, IDC_RULER_LIST, ID_RULER_PLACE, 86)) {
        for (const char* t : kRulerTexts) m_rulerList.AddString(t);
        m_rulerList.SetCurSel(m_rulerIndex);
        if (m_pView) m_pView->SetRuler(m_rulerIndex, ScaleBarLengthMm(m_rulerIndex));
    }
    if (CreateList(m_eyepieceList, IDC_EYEPIECE_LIST, ID_EYEPIECE_PLACE, 82)) {
        for (const char* t : kEyepieceTexts) m_eyepieceList.AddString(t);
        m_eyepieceList.SetCurSel(m_eyepieceIndex);
    }
    if (CreateList(m_objectiveList, IDC_OBJECTIVE_LIST, ID_OBJECTIVE_PLACE, 90)) {
        for (const char* t : kObjectiveTexts) m_objectiveList.AddString(t);
        m_objectiveList.SetCurSel(m_objectiveIndex);
    }

    ShowWindow(SW_SHOWMAXIMIZED);
    SetMenu(nullptr);
    RecalcLayout();
    return 0;
}

void CMainFrame::OnSetFocus(CWnd* old)
{
    CWnd* pane = m_pView ? m_pView->GetPaneWnd() : nullptr;
    if (pane && pane->m_hWnd) pane->SetFocus();
    else CFrameWnd::OnSetFocus(old);
}

void CMainFrame::OnMoving(UINT side, LPRECT rect)
{
    CFrameWnd::OnMoving(side, rect);
    CWnd* pane = m_pView ? m_pView->GetPaneWnd() : nullptr;
    if (pane && pane->m_hWnd) pane->SendMessage(WM_MOVING, side, (LPARAM)rect);
}

void CMainFrame::OnMove(int x, int y)
{
    CFrameWnd::OnMove(x, y);
    CWnd* pane = m_pView ? m_pView->GetPaneWnd() : nullptr;
    if (pane && pane->m_hWnd) pane->SendMessage(WM_MOVE, 0, MAKELPARAM(x, y));
}

void CMainFrame::SelectRuler(int index, ISlideViewPane* view)
{
    if (!view || view != m_pView) return;
    if (index < 0 || index >= Count(kRulerTexts)) return;
    m_rulerIndex = index;
    m_rulerList.SetCurSel(index);
}

void CMainFrame::OnRulerChange()
{
    int index = m_rulerList.GetCurSel();
    if (index < 0) return;
    m_rulerIndex = index;
    if (m_pView) m_pView->SetRuler(index, ScaleBarLengthMm(index));
}

void CMainFrame::OnFieldNumberChange()
{
    int index = m_fieldNumberList.GetCurSel();
    if (index < 0) return;
    m_fieldNumberIndex = index;
    CScreenSettingsDlg settings;
    settings.LoadSettings();
    settings.SetEyepieceIndex(index);
    settings.SaveSettings();
    if (m_pView) m_pView->RebuildSlideInfo();
}

void CMainFrame::ApplyMagnification()
{
    if (m_pView) m_pView->SetMagnification(Magnification(m_eyepieceIndex, m_objectiveIndex), 1);
}

void CMainFrame::OnEyepieceChange()
{
    int index = m_eyepieceList.GetCurSel();
    if (index < 0) return;
    m_eyepieceIndex = index;
    ApplyMagnification();
}

void CMainFrame::OnObjectiveChange()
{
    int index = m_objectiveList.GetCurSel();
    if (index < 0) return;
    m_objectiveIndex = index;
    ApplyMagnification();
}

void CMainFrame::SelectObjective(int index)
{
    if (index < 0 || index >= Count(kObjectiveFactors)) return;
    m_objectiveList.SetCurSel(index);
    OnObjectiveChange();
}

void CMainFrame::SetFieldNumberIndex(int index)
{
    if (index < 0 || index >= kFieldNumberItems) return;
    m_fieldNumberIndex = index;
    m_fieldNumberList.SetCurSel(index);
}

void CMainFrame::OnEyepieceField()
{
    if (!m_pView) return;
    m_pView->ToggleEyepieceField();
    m_fieldNumberList.EnableWindow(m_pView->IsEyepieceFieldOn());
}

void CMainFrame::OnShowMenu()
{
    if (m_pView) m_pView->RememberScreenOrigin();
    m_bMenuShown = !m_bMenuShown;
    HMENU old = GetMenu();
    if (m_bMenuShown) {
        SetMenu(::LoadMenu(fw::ResourceHandle(), MAKEINTRESOURCE(IDR_MAINFRAME)));
    } else {
        SetMenu(nullptr);
    }
    // The default menu belongs to the frame's class; only loaded copies are ours to free.
    if (old && old != m_hMenuDefault) ::DestroyMenu(old);
    DrawMenuBar();
}

void CMainFrame::OnUpdateShowMenu(CCmdUI* ui)
{
    ui->SetCheck(m_bMenuShown ? 1 : 0);
    ui->Enable(m_wndToolBar.m_hWnd && m_wndToolBar.IsWindowVisible());
}

void CMainFrame::RegisterCatalogueWindow(HWND window)
{
    if (window && ::IsWindow(window)) {
        m_hCatalogueWnd = window;
        NotifyCatalogue(0);
    } else {
        m_hCatalogueWnd = nullptr;
    }
}

void CMainFrame::NotifyCatalogue(LPARAM state)
{
    // A handle whose window is gone may already name someone else's window.
    if (m_hCatalogueWnd && ::IsWindow(m_hCatalogueWnd))
        ::PostMessage(m_hCatalogueWnd, WM_VIEWER_NOTIFY, (WPARAM)m_hWndSelf, state);
}

void CMainFrame::OpenSlide(LPCSTR slidePath, LPCSTR serverAddress, HWND window)
{
    const char* path = slidePath ? slidePath : "";
    if (m_pView) {
        m_pView->ConnectServer(serverAddress ? serverAddress : "");
        if (std::strlen(path) > 4) m_pView->OpenSlidePath(path);
    }
    RegisterCatalogueWindow(window);
}

LRESULT CMainFrame::OnOpenSlideRequest(WPARAM window, LPARAM)
{
    m_objectiveIndex = 0;
    m_eyepieceIndex = 0;
    m_objectiveList.SetCurSel(0);
    m_eyepieceList.SetCurSel(0);
    CString path, server;
    if (CWinApp* app = AfxGetApp()) {
        path = app->GetProfileString("AppData", "FileName");
        server = app->GetProfileString("AppData", "ServerIP");
    }
    if (m_pView) {
        m_pView->SetMagnification(0, 0);
        m_pView->ConnectServer(server);
        m_pView->OpenSlidePath(path);
    }
    RegisterCatalogueWindow((HWND)window);
    return 0;
}

void CMainFrame::OnClose()
{
    NotifyCatalogue(1);
    CFrameWnd::OnClose();
}

void CMainFrame::PostNcDestroy()
{
    NotifyCatalogue(1);
    CFrameWnd::PostNcDestroy();
}

BEGIN_MESSAGE_MAP(CMainFrame, CFrameWnd)
    ON_WM_CREATE()
    ON_WM_SETFOCUS()
    ON_WM_MOVING()
    ON_WM_MOVE()
    ON_CBN_SELCHANGE(IDC_RULER_LIST, OnRulerChange)
    ON_CBN_SELCHANGE(IDC_FIELD_NUMBER_LIST, OnFieldNumberChange)
    ON_CBN_SELCHANGE(IDC_EYEPIECE_LIST, OnEyepieceChange)
    ON_CBN_SELCHANGE(IDC_OBJECTIVE_LIST, OnObjectiveChange)
    ON_COMMAND(ID_VIEW_MENU, OnShowMenu)
    ON_UPDATE_COMMAND_UI(ID_VIEW_MENU, OnUpdateShowMenu)
    ON_WM_CLOSE()
    ON_COMMAND(ID_VIEW_EYEPIECE_FIELD, OnEyepieceField)
    ON_MESSAGE(WM_OPEN_SLIDE_REQUEST, OnOpenSlideRequest)
    ON_COMMAND_RANGE(ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR, OnViewBar)
    ON_UPDATE_COMMAND_UI_RANGE(ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR, OnUpdateViewBar)
END_MESSAGE_MAP()
