#include "SlideView.h"

#include "Dib.h"
#include "ImageDispWnd.h"
#include "InfoWnd.h"
#include "MainFrame.h"
#include "AnnotationEditDlg.h"
#include "AnnotationListDlg.h"
#include "MeasureResultDlg.h"
#include "resource.h"
#include "Navigator.h"
#include "NavigatorIds.h"
#include "ScaleBar.h"
#include "JpegRead.h"
#include "StageTimes.h"
#include "ViewerMessages.h"

#include <cmath>
#include <cstring>

namespace slidelink = zelvo::slidelink;
namespace view = zelvo::view;

namespace {

int ScreenCx() { return ::GetSystemMetrics(SM_CXSCREEN); }
int ScreenCy() { return ::GetSystemMetrics(SM_CYSCREEN); }

const char kUnreadable[] = "数据不可读！";
const char kTitleFormat[] = "Verdaline全景切片阅读器 -- %s -- %s -- 图像矩阵:(%s) -- %s";
const char kInfoFormat[] = "视场直径：%smm\n\n样本尺寸：%0.3fx%0.3fmm\n\n图像大小：%dx%d像素";

// The file name of a slide path without folder and extension.
std::string FileTitleOf(const char* path)
{
    std::string p = path ? path : "";
    const size_t slash = p.find_last_of("\\/:");
    if (slash != std::string::npos) p.erase(0, slash + 1);
    const size_t dot = p.find_last_of('.');
    if (dot != std::string::npos) p.erase(dot);
    return p;
}

view::Rect ToRect(const RECT& r) { return view::Rect{r.left, r.top, r.right, r.bottom}; }
RECT ToWin(const view::Rect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

} // namespace

BEGIN_MESSAGE_MAP(CSlideView, CWnd)
    ON_WM_CREATE()
    ON_WM_DESTROY()
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
    ON_WM_SIZE()
    ON_WM_MOVE()
    ON_WM_MOVING()
    ON_WM_TIMER()
    ON_MESSAGE(WM_LINK_CONNECTED, OnLinkConnected)
    ON_MESSAGE(WM_NAVIGATOR_CLOSED, OnNavigatorClosed)
    ON_MESSAGE(WM_PAN_VIEW, OnPanView)
    ON_MESSAGE(WM_VIEW_ORIGIN, OnViewOrigin)
    ON_MESSAGE(WM_VIEW_MOVED, OnViewMoved)
    ON_COMMAND(ID_MEASURE_MANUAL, OnMeasureManual)
    ON_UPDATE_COMMAND_UI(ID_MEASURE_MANUAL, OnUpdateMeasureManual)
    ON_COMMAND(ID_VIEW_NAVIGATOR, OnNavigatorWindow)
    ON_UPDATE_COMMAND_UI(ID_VIEW_NAVIGATOR, OnUpdateNavigatorWindow)
    ON_COMMAND(ID_OPEN_CATALOGUE, OnOpenCatalogue)
    ON_UPDATE_COMMAND_UI(ID_VIEW_EYEPIECE_FIELD, OnUpdateEyepieceField)
    ON_COMMAND(ID_VIEW_SETTINGS, OnScreenSettings)
    ON_COMMAND(ID_MARK_CAPTION, OnMarkCaption)
    ON_UPDATE_COMMAND_UI(ID_MARK_CAPTION, OnUpdateMarkCaption)
    ON_COMMAND(ID_MARK_HOTSPOTS, OnMarkHotSpots)
    ON_UPDATE_COMMAND_UI(ID_MARK_HOTSPOTS, OnUpdateMarkHotSpots)
    ON_COMMAND(ID_MARK_REGIONS, OnMarkRegions)
    ON_UPDATE_COMMAND_UI(ID_MARK_REGIONS, OnUpdateMarkRegions)
    ON_COMMAND(ID_MARK_SHOWALL, OnMarkShowAll)
    ON_UPDATE_COMMAND_UI(ID_MARK_SHOWALL, OnUpdateMarkShowAll)
    ON_COMMAND(ID_MARK_LIST, OnMarkList)
    ON_UPDATE_COMMAND_UI(ID_MARK_LIST, OnUpdateMarkList)
    ON_COMMAND(ID_MARK_EDIT, OnMarkEdit)
    ON_UPDATE_COMMAND_UI(ID_MARK_EDIT, OnUpdateMarkEditor)
    ON_COMMAND(ID_MARK_EDITOR, OnMarkEditor)
    ON_UPDATE_COMMAND_UI(ID_MARK_EDITOR, OnUpdateMarkEditor)
    ON_MESSAGE(WM_EDITOR_CLOSED, OnEditorClosed)
    ON_COMMAND(ID_SCREEN_RULER, OnScreenRuler)
    ON_UPDATE_COMMAND_UI(ID_SCREEN_RULER, OnUpdateScreenRuler)
    ON_COMMAND(ID_OBJECTIVE_4X, OnObjective4X)
    ON_COMMAND(ID_OBJECTIVE_10X, OnObjective10X)
    ON_COMMAND(ID_OBJECTIVE_20X, OnObjective20X)
    ON_COMMAND(ID_OBJECTIVE_40X, OnObjective40X)
    ON_COMMAND(ID_OBJECTIVE_100X, OnObjective100X)
    ON_UPDATE_COMMAND_UI(ID_OBJECTIVE_4X, OnUpdateObjective)
    ON_UPDATE_COMMAND_UI(ID_OBJECTIVE_10X, OnUpdateObjective)
    ON_UPDATE_COMMAND_UI(ID_OBJECTIVE_20X, OnUpdateObjective)
    ON_UPDATE_COMMAND_UI(ID_OBJECTIVE_40X, OnUpdateObjective)
    ON_UPDATE_COMMAND_UI(ID_OBJECTIVE_100X, OnUpdateObjective)
    ON_COMMAND(ID_SNAPSHOT, OnSnapshot)
    ON_COMMAND(ID_REPORT, OnReport)
END_MESSAGE_MAP()

CSlideView::CSlideView() = default;

CSlideView::~CSlideView()
{
    if (::IsWindow(m_hWnd)) DestroyWindow();
}

BOOL CSlideView::PreCreateWindow(CREATESTRUCT& cs)
{
    if (!CWnd::PreCreateWindow(cs)) return FALSE;
    cs.dwExStyle |= WS_EX_CLIENTEDGE;
    cs.style &= ~(DWORD)WS_BORDER;
    cs.lpszClass = AfxRegisterWndClass(CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW, ::LoadCursor(nullptr, IDC_ARROW),
                                       (HBRUSH)(COLOR_WINDOW + 1), nullptr);
    return TRUE;
}

// ---------------------------------------------------------------------------
// Creation and destruction

void CSlideView::TakeScreenSettings()
{
    m_settings.LoadSettings();
    const MonitorPreset monitor = m_settings.GetCurrentPreset();
    int32_t w = 0, h = 0;
    view::ScreenMicrometres((int32_t)monitor.width, (int32_t)monitor.height, w, h);
    m_screenWidthUm = w;
    m_screenHeightUm = h;
    m_screenPpmX = view::ScreenPixelsPerMetre(ScreenCx(), w);
    m_screenPpmY = view::ScreenPixelsPerMetre(ScreenCy(), h);
    m_fieldNumber = m_settings.m_fieldNumber;
}

int CSlideView::OnCreate(LPCREATESTRUCT)
{
    if (Default() == -1) return -1;
    m_pLink.reset(new CSlideLinkSocket(this));

    m_pDisplay.reset(new CImageDispWnd);
    if (!m_pDisplay->CreateDisplay(this, this, 0) && !::IsWindow(m_pDisplay->m_hWnd)) return -1;

    TakeScreenSettings();

    m_pInfo.reset(new CInfoWnd(this));
    ReshapeEyepieceHole();

    m_pScaleBar.reset(new CScaleBar(m_pDisplay.get(), (uint32_t)m_screenPpmX));
    m_pDisplay->SetScaleBar(m_pScaleBar.get());
    m_pInfo->SetScaleBar(m_pScaleBar.get());

    m_pNavigator.reset(new CNavigatorDlg(this, this, WM_NAVIGATOR_CLOSED));
    if (m_pNavigator->Create(IDD_NAVIGATOR, this)) {
        m_pNavigator->ShowWindow(SW_SHOW);
        m_pNavFrame.reset(new CNavigationFrame(m_pNavigator.get(), this));
        m_pNavigator->SetFrame(m_pNavFrame.get());
    }

    SetTimer(kKeepAliveTimer, kKeepAliveMs);
    m_magnification = 200.0;
    return 0;
}

void CSlideView::OnDestroy()
{
    // The dialogs lend layers to the display or follow its layer: they go first.
    if (m_pMeasureDlg) m_pMeasureDlg->DestroyWindow();
    if (m_pEditDlg) m_pEditDlg->DestroyWindow();
    if (m_pListDlg) m_pListDlg->DestroyWindow();
    KillTimer(kKeepAliveTimer);
    if (m_prefetchTimer) KillTimer(kPrefetchTimer);
    m_prefetchTimer = 0;
    if (m_pLink) m_pLink->Close();
    m_pLink.reset();
    if (m_pNavigator) m_pNavigator->SetFrame(nullptr);
    m_pNavFrame.reset();
    m_pNavigator.reset();
    if (m_pDisplay) m_pDisplay->SetScaleBar(nullptr);
    if (m_pInfo) m_pInfo->SetScaleBar(nullptr);
    m_pScaleBar.reset();
    m_pDisplay.reset();
    m_pInfo.reset();
    m_userMarks.clear();
    m_userMarks.shrink_to_fit();
    CWnd::OnDestroy();
}

void CSlideView::OnPaint()
{
    CPaintDC dc(this);
}

BOOL CSlideView::OnEraseBkgnd(HDC) { return TRUE; }

// ---------------------------------------------------------------------------
// Server and slide

void CSlideView::ConnectServer(LPCSTR address)
{
    const CString next = address ? address : "";
    if (next == m_serverAddress && m_pLink) return;
    const bool hadAddress = !m_serverAddress.IsEmpty();
    m_serverAddress = next;
    if (!m_pLink) return;
    if (hadAddress)
        m_pLink->ConnectOrClose(m_serverAddress, SLIDE_LINK_PORT);
    else
        m_pLink->ConnectTo(m_serverAddress, SLIDE_LINK_PORT);
}

void CSlideView::OpenSlidePath(LPCSTR path)
{
    m_slidePath = path ? path : "";
    ReopenSlide();
}

void CSlideView::ReopenSlide()
{
    if (!m_pLink) return;
    m_pLink->SendCommand(slidelink::kCancel);
    fw::Sleep(5);
    SendOpenSlide();
}

void CSlideView::SendOpenSlide()
{
    // With no slide named there is nothing to ask the server for.
    if (m_pLink && !m_slidePath.IsEmpty()) m_pLink->SendCommand(slidelink::kOpenSlide, m_slidePath);
}

LRESULT CSlideView::OnLinkConnected(WPARAM, LPARAM)
{
    SendOpenSlide();
    return 0;
}

void CSlideView::SetFrameTitle(const std::string& textA, const std::string& textB, const std::string& matrixText)
{
    CString title;
    title.Format(kTitleFormat, textA.c_str(), FileTitleOf(m_slidePath).c_str(), matrixText.c_str(), textB.c_str());
    HWND top = ::GetAncestor(m_hWnd, GA_ROOT);
    if (top) ::SetWindowTextA(top, title);
}

void CSlideView::UpdateInfoText()
{
    if (!m_pInfo) return;
    double wM = 0, hM = 0;
    view::SpecimenMetres(m_header, wM, hM);
    CString text;
    text.Format(kInfoFormat, (LPCSTR)m_settings.GetFieldNumberText(m_settings.m_eyepieceIndex), wM * 1000.0,
                hM * 1000.0, m_tileColumns * m_tileWidth, m_tileRows * m_tileHeight);
    m_pInfo->SetInfoText(text, CString());
}

void CSlideView::ReshapeEyepieceHole()
{
    // The eyepiece field's diameter on the screen.
    if (m_pInfo) m_pInfo->Reshape((int)(m_screenPpmX * m_fieldNumber), (int)(m_screenPpmY * m_fieldNumber));
}

void CSlideView::SetEyepieceCircle()
{
    if (!m_pNavFrame) return;
    if (m_eyepieceField && m_slideOpen) {
        m_pNavFrame->m_markW = view::EyepieceSpan(m_slidePpmX, m_fieldNumber, m_thumbnailFactor, m_magnification);
        m_pNavFrame->m_markH = view::EyepieceSpan(m_slidePpmY, m_fieldNumber, m_thumbnailFactor, m_magnification);
    } else {
        m_pNavFrame->m_markW = m_pNavFrame->m_markH = 0;
    }
}

void CSlideView::OnSlideHeader(const slidelink::SlideHeaderReply& reply)
{
    const slidelink::SlideHeader& header = reply.header;
    const int32_t thumbnailFactor = reply.thumbnailFactor;
    // Nothing of the open slide is touched before the header is known to be usable.
    const view::HeaderKind kind = view::ClassifyHeader(header, thumbnailFactor);
    if (kind == view::HeaderKind::kRejected) {
        fw::ShowMessageBox(m_hWnd, kUnreadable, nullptr, MB_OK);
        return;
    }

    if (m_pNavigator) {
        CMemFile file(const_cast<BYTE*>(reply.jpeg), (UINT)reply.jpegLength);
        m_pNavigator->LoadThumbnail(file);
        RaiseOverview();
    }
    m_header = header;

    if (kind == view::HeaderKind::kPicture) {
        if (m_pNavigator) m_pNavigator->PlaceBesideOwner();
        RequestMarks();
        return;
    }

    m_thumbnailFactor = thumbnailFactor;
    m_pDisplay->SetOrigin(0, 0);
    m_slidePpmX = header.xPixelsPerMetre;
    m_slidePpmY = header.yPixelsPerMetre;
    m_tileWidth = header.tileWidth;
    m_tileHeight = header.tileHeight;
    m_tileColumns = header.tileColumns;
    m_tileRows = header.tileRows;

    // A minimised view has no client area; the screen stands in for it.
    RECT client;
    GetClientRect(&client);
    int clientW = client.right - client.left, clientH = client.bottom - client.top;
    if (clientW <= 0 || clientH <= 0) {
        clientW = ScreenCx();
        clientH = ScreenCy();
    }
    view::Fit fit;
    if (!view::ComputeFit(header, clientW, clientH, m_screenPpmX, m_screenPpmY, 0.0, fit)) return;
    m_slideOpen = true;
    m_magnification = fit.magnification;
    m_visibleWidth = fit.visibleWidth;
    m_visibleHeight = fit.visibleHeight;

    SetFrameTitle(reply.textA, reply.textB, reply.matrixText);
    UpdateInfoText();
    if (m_pNavigator)
        m_pNavigator->SetSampleSize(fit.specimenWidthM * 1000.0, fit.specimenHeightM * 1000.0, m_screenPpmX,
                                    m_screenPpmY);

    const int imageW = m_tileColumns * m_tileWidth, imageH = m_tileRows * m_tileHeight;
    m_pDisplay->SetImageSize(imageW, imageH);
    m_pDisplay->FitToOwner(view::DisplaySpan(m_magnification, m_screenPpmX, fit.specimenWidthM, true),
                           view::DisplaySpan(m_magnification, m_screenPpmY, fit.specimenHeightM, true), TRUE);
    m_pDisplay->SetResolution(m_slidePpmX, m_slidePpmY);
    CDib* thumbnail = m_pNavigator ? m_pNavigator->m_pThumbnail : nullptr;
    if (thumbnail && !thumbnail->IsEmpty()) {
        const CSize size = thumbnail->GetSize();
        m_pDisplay->SetThumbnailSize(size.cx, size.cy);
    }

    view::InitialFrame initial;
    view::ComputeInitialFrame(header, m_visibleWidth, m_visibleHeight, m_thumbnailFactor, initial);
    if (m_pNavFrame) {
        m_pNavFrame->SetFrameRect(initial.frame.left, initial.frame.top, initial.frame.right, initial.frame.bottom);
        SetEyepieceCircle();
    }

    const int shiftX = view::RoundToInt((double)m_tileWidth * initial.firstColumn * m_pDisplay->ScaleX());
    const int shiftY = view::RoundToInt((double)m_tileHeight * initial.firstRow * m_pDisplay->ScaleY());
    m_pDisplay->SetSourceRect(shiftX, shiftY, shiftX + clientW, shiftY + clientH, CImageDispWnd::kUnchanged,
                              CImageDispWnd::kUnchanged);
    if (thumbnail && !thumbnail->IsEmpty()) m_pDisplay->DrawBackgroundImage(thumbnail);
    m_pDisplay->SetObjectScale();
    ForgetMarksShown();

    m_pDisplay->SetLoading(1);
    UpdateVisibleArea(1, TRUE);
    m_pDisplay->SetLoading(1);

    if (m_pScaleBar) m_pScaleBar->SetMagnification(m_magnification);
    m_pDisplay->Invalidate();
    m_pInfo->Invalidate();
    RepaintOverview();
    m_pDisplay->Annotations().Reset();
    RequestMarks();
}

void CSlideView::ForgetMarksShown()
{
    CAnnotationLayer& layer = m_pDisplay->Annotations();
    layer.ShowHotSpotMarks(0);
    m_hotSpotsShown = m_regionsShown = FALSE;
    layer.ShowCaption(0);
    m_captionShown = FALSE;
    // Measurements, lists and the tool box's own marks belong to the slide
    // they were made on; a tool box on the slide's layer writes it as it closes.
    if (m_pMeasureDlg) m_pMeasureDlg->SendMessage(WM_CLOSE);
    if (m_pListDlg) m_pListDlg->SendMessage(WM_CLOSE);
    if (m_pEditDlg) m_pEditDlg->SendMessage(WM_CLOSE);
    m_showAll = TRUE;
    OnMarkShowAll();  // off, hiding hot spots and feature regions with it
}

void CSlideView::OnSlideResumed()
{
    UpdateVisibleArea(1, TRUE);
    RequestPendingMedia();
}

void CSlideView::OnMeasureManual()
{
    if (m_pMeasureDlg) {
        m_pMeasureDlg->SendMessage(WM_CLOSE);
        return;
    }
    CMeasureResultDlg* dialog = new CMeasureResultDlg(&m_pMeasureDlg, m_pDisplay.get(), this);
    m_pMeasureDlg = dialog;
    dialog->SetSlidePath(m_slidePath);
    if (!dialog->Create()) {
        // A window made and destroyed again has deleted its object and cleared the pointer.
        if (m_pMeasureDlg == dialog) delete dialog;
        m_pMeasureDlg = nullptr;
        return;
    }
    dialog->ShowWindow(SW_SHOW);
}

void CSlideView::OnUpdateMeasureManual(CCmdUI* ui) { ui->SetCheck(m_pMeasureDlg != nullptr); }

// ---------------------------------------------------------------------------
// Magnification

int CSlideView::SetMagnification(double magnification, int apply)
{
    if (!apply) {
        m_magnification = magnification;
        return 0;
    }
    // Before any slide there is nothing to scale; the value waits for the next one.
    RECT client;
    GetClientRect(&client);
    view::Fit fit;
    if (!m_slideOpen || !view::ComputeFit(m_header, client.right, client.bottom, m_screenPpmX, m_screenPpmY,
                                          magnification, fit)) {
        m_magnification = magnification;
        return 1;
    }
    m_pLink->SendCommand(slidelink::kCancel);
    const double previous = m_magnification;
    const RECT kept = m_pDisplay->ComposeView(previous > 0 ? fit.magnification / previous : 1.0);
    m_magnification = fit.magnification;
    m_visibleWidth = fit.visibleWidth;
    m_visibleHeight = fit.visibleHeight;

    if (m_pScaleBar) m_pScaleBar->SetMagnification(m_magnification);
    m_pInfo->Invalidate();
    m_pDisplay->FitToOwner(view::DisplaySpan(m_magnification, m_screenPpmX, fit.specimenWidthM, false),
                           view::DisplaySpan(m_magnification, m_screenPpmY, fit.specimenHeightM, false), FALSE);

    // The frame keeps its centre and takes the new visible size. The display's
    // buffer already holds the zoomed picture for the new place, so no pan is added.
    if (m_pNavFrame) {
        RECT& f = m_pNavFrame->m_rect;
        const int centreX = (f.left + f.right) / 2, centreY = (f.top + f.bottom) / 2;
        const int halfW = m_visibleWidth / m_thumbnailFactor / 2, halfH = m_visibleHeight / m_thumbnailFactor / 2;
        f = RECT{centreX - halfW, centreY - halfH, centreX + halfW, centreY + halfH};
    }
    OnPanView((WPARAM)(INT_PTR)kNoPosition, (LPARAM)kNoPosition);

    const int cx = ScreenCx(), cy = ScreenCy();
    // Clipped against the image at the new place, not where the last scroll left it.
    if (m_pDisplay->DisplayWidth() < 3 * cx && m_pDisplay->DisplayHeight() < 3 * cy) m_pDisplay->RefillFromLowRes();
    m_pDisplay->FillAroundFromLowRes(kept.left, kept.top, kept.right, kept.bottom);

    SetEyepieceCircle();
    RaiseOverview();
    RepaintOverview();
    m_pDisplay->Invalidate();
    // Regions that arrived while the picture was being zoomed were cut at the
    // old magnification; some would fall inside the new requests and be drawn
    // at the wrong place, and never asked for again.
    if (m_pLink) {
        m_discardRegions = true;
        m_pLink->DrainReceived(kMaxDrainedFrames);
        m_discardRegions = false;
    }
    UpdateVisibleArea(1, TRUE);
    return 1;
}

void CSlideView::SetRuler(int index, int lengthMm)
{
    if (m_pScaleBar) m_pScaleBar->SetLength(lengthMm);
    if (m_pDisplay) m_pDisplay->Invalidate();
    if (m_pInfo) m_pInfo->Invalidate();
    if (auto* frame = dynamic_cast<CMainFrame*>(CWnd::FromHandlePermanent(::GetAncestor(m_hWnd, GA_ROOT))))
        frame->SelectRuler(index, this);
}

// ---------------------------------------------------------------------------
// Eyepiece field and slide information

void CSlideView::ToggleEyepieceField()
{
    m_eyepieceField = !m_eyepieceField;
    ReshapeEyepieceHole();
    if (m_pInfo) m_pInfo->ShowWindow(m_eyepieceField ? SW_SHOW : SW_HIDE);
    SetEyepieceCircle();
    RepaintOverview();
    UpdateInfoText();
}

void CSlideView::RebuildSlideInfo()
{
    TakeScreenSettings();
    ReshapeEyepieceHole();
    SetEyepieceCircle();
    if (m_eyepieceField) UpdateInfoText();
    RepaintOverview();
}

// ---------------------------------------------------------------------------
// Keeping the overview and the display in step

double CSlideView::FrameToDisplayX() const { return m_thumbnailFactor * m_pDisplay->ScaleX(); }
double CSlideView::FrameToDisplayY() const { return m_thumbnailFactor * m_pDisplay->ScaleY(); }

void CSlideView::RaiseOverview()
{
    // Owned windows are not kept above their owner everywhere (Wine without a
    // window manager raises the frame over them when it is clicked): the
    // overview comes up again with every new picture. Raised always, not only
    // when the window order puts the frame above it: after a zoom Wine's own
    // stacking can hide the overview while that order still says it is on top.
    if (m_navigatorShown && m_pNavigator && ::IsWindow(m_pNavigator->Hwnd()))
        ::SetWindowPos(m_pNavigator->Hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void CSlideView::RepaintOverview()
{
    if (m_pNavigator && ::IsWindow(m_pNavigator->Hwnd())) ::InvalidateRect(m_pNavigator->Hwnd(), nullptr, TRUE);
}

LRESULT CSlideView::OnPanView(WPARAM wParam, LPARAM lParam)
{
    if (!m_pNavFrame || !m_pDisplay || !m_slideOpen) return 0;
    const int dx = (int)(INT_PTR)wParam, dy = (int)lParam;
    const double kx = FrameToDisplayX(), ky = FrameToDisplayY();
    const RECT f = m_pNavFrame->m_rect;
    RECT client;
    GetClientRect(&client);
    const int left = view::RoundToInt(f.left * kx), top = view::RoundToInt(f.top * ky);
    int panX = CImageDispWnd::kUnchanged, panY = CImageDispWnd::kUnchanged;
    if (dx != kNoPosition && dy != kNoPosition) {
        panX = (int)(dx * kx);
        panY = (int)(dy * ky);
    }
    m_pDisplay->SetSourceRect(left, top, left + client.right, top + client.bottom, panX, panY);
    if (kx > 0 && ky > 0) {
        const RECT v = m_pDisplay->GetViewRect();
        m_pNavFrame->m_rect = RECT{view::RoundToInt(v.left / kx), view::RoundToInt(v.top / ky),
                                   view::RoundToInt(v.right / kx), view::RoundToInt(v.bottom / ky)};
    }
    RepaintOverview();
    return 0;
}

LRESULT CSlideView::OnViewOrigin(WPARAM wParam, LPARAM lParam)
{
    if (!m_pNavFrame || !m_pDisplay || !m_slideOpen) return 0;
    const double kx = FrameToDisplayX(), ky = FrameToDisplayY();
    if (!(kx > 0) || !(ky > 0)) return 0;
    RECT& f = m_pNavFrame->m_rect;
    const int left = view::RoundToInt((int)(INT_PTR)wParam / kx), top = view::RoundToInt((int)lParam / ky);
    ::OffsetRect(&f, left - f.left, top - f.top);
    RepaintOverview();
    return 0;
}

LRESULT CSlideView::OnViewMoved(WPARAM, LPARAM)
{
    if (!m_pDisplay) return 0;
    CStageScope timing(m_pDisplay->Stages(), CStageTimes::kMove);
    if (m_pLink) m_pLink->SendCommand(slidelink::kCancel);
    if (!UpdateVisibleArea(0, TRUE) && m_slideOpen) {
        // Nothing moved (a clamp held the view in place), so nothing new was
        // asked for; but the cancel dropped what the server still owed for
        // this place, the first screen's pieces among them.
        RequestRegion(0, 0, ScreenCx(), ScreenCy(), TRUE, FALSE);
        RestartPrefetch();
    }
    RaiseOverview();
    return 0;
}

LRESULT CSlideView::OnNavigatorClosed(WPARAM, LPARAM)
{
    m_navigatorShown = FALSE;
    return 0;
}

void CSlideView::ResizeFrameToClient(int cx, int cy)
{
    if (!m_pNavFrame || !m_slideOpen) return;
    RECT& f = m_pNavFrame->m_rect;
    f.right = f.left + view::FrameSpan(cx, m_slidePpmX, m_screenPpmX, m_magnification, m_thumbnailFactor);
    f.bottom = f.top + view::FrameSpan(cy, m_slidePpmY, m_screenPpmY, m_magnification, m_thumbnailFactor);
}

CPoint CSlideView::ClientOriginOnScreen() const
{
    POINT p{0, 0};
    ::ClientToScreen(m_hWnd, &p);
    return CPoint(p.x, p.y);
}

void CSlideView::RememberScreenOrigin() { m_screenOrigin = ClientOriginOnScreen(); }

void CSlideView::FollowScreenOrigin()
{
    // Only once an origin is remembered does the overview travel with the view.
    if (m_screenOrigin.x == kNoPosition || !m_pNavigator || !::IsWindow(m_pNavigator->Hwnd())) return;
    const CPoint now = ClientOriginOnScreen();
    m_pNavigator->MoveBy(now.x - m_screenOrigin.x, now.y - m_screenOrigin.y);
    m_screenOrigin = now;
}

void CSlideView::OnSize(UINT type, int cx, int cy)
{
    CWnd::OnSize(type, cx, cy);
    FollowScreenOrigin();
    if (m_pDisplay) m_pDisplay->Relayout(type, cx, cy);
    if (m_pInfo) m_pInfo->OnSize(type, cx, cy);
    ResizeFrameToClient(cx, cy);
    RepaintOverview();
    if (m_pDisplay) m_pDisplay->Invalidate();
}

void CSlideView::OnMoving(UINT side, LPRECT rect)
{
    CWnd::OnMoving(side, rect);
    RECT client;
    GetClientRect(&client);
    ResizeFrameToClient(client.right, client.bottom);
}

void CSlideView::OnMove(int x, int y)
{
    CWnd::OnMove(x, y);
    FollowScreenOrigin();
}

// ---------------------------------------------------------------------------
// Region requests

view::ViewState CSlideView::CurrentViewState() const
{
    return view::ViewState{m_origin.x, m_origin.y, ScreenCx(), ScreenCy(), m_pDisplay->DisplayWidth(),
                           m_pDisplay->DisplayHeight()};
}

void CSlideView::CancelPrefetch()
{
    if (m_prefetchTimer) KillTimer(kPrefetchTimer);
    m_prefetchTimer = 0;
}

void CSlideView::ForgetRequests()
{
    m_received.clear();
    m_requested.clear();
}

int CSlideView::UpdateVisibleArea(int mode, BOOL takeOrigin)
{
    if (!m_pDisplay || !m_slideOpen) return 0;
    const RECT v = m_pDisplay->GetViewRect();
    if (takeOrigin) m_origin = CPoint(v.left, v.top);

    // The display realigns its buffers by its whole pan offset, taken as from
    // the view origin. The requests go out first: they depend only on that
    // offset, and the server works on them while the buffers are realigned.
    const int dx = m_origin.x - v.left, dy = m_origin.y - v.top;
    m_pDisplay->OffsetOrigin(dx, dy);
    const int result = RequestVisibleArea(mode, m_pDisplay->PanOffset());
    m_pDisplay->ScrollBy();
    m_pDisplay->OffsetOrigin(-dx, -dy);
    return result;
}

int CSlideView::RequestVisibleArea(int mode, CPoint s)
{
    const int cx = ScreenCx(), cy = ScreenCy();
    switch (mode) {
    case 2:
        for (const view::Rect& r : view::InnerRing(cx, cy)) RequestRegion(r.left, r.top, r.right, r.bottom, TRUE, FALSE);
        return 1;
    case 3:
        for (const view::Rect& r : view::OuterRing(cx, cy)) RequestRegion(r.left, r.top, r.right, r.bottom, TRUE, TRUE);
        return 1;
    case 1:
        ForgetRequests();
        RequestRegion(0, 0, cx, cy, FALSE, FALSE);
        break;
    case 0: {
        if (s.x == 0 && s.y == 0) return 0;
        const view::ViewState state = CurrentViewState();
        if (view::TrimReceivedAfterMove(m_received, state, s.x, s.y) == view::MoveResult::kCleared) {
            m_requested.clear();
        } else {
            // Requests wholly outside the kept area can no longer be drawn anywhere.
            view::TrimReceivedAfterMove(m_requested, state, s.x, s.y);
        }
        RequestRegion(0, 0, cx, cy, TRUE, FALSE);
        break;
    }
    default:
        return 0;
    }
    RestartPrefetch();
    return 1;
}

void CSlideView::RestartPrefetch()
{
    if (m_prefetchTimer) KillTimer(kPrefetchTimer);
    m_prefetchTimer = SetTimer(kPrefetchTimer, kPrefetchMs);
}

int CSlideView::RequestRegion(int l, int t, int r, int b, BOOL subtract, BOOL prefetch)
{
    if (!m_pDisplay) return 0;
    CStageScope timing(m_pDisplay->Stages(), CStageTimes::kRequest);
    const view::RectList pieces =
        view::PlanRegionRequest(m_received, CurrentViewState(), view::Rect{l, t, r, b}, subtract != 0);
    if (pieces.empty()) return 0;
    for (const view::Rect& piece : pieces) SendTileRequest(ToWin(piece), prefetch);
    return 1;
}

void CSlideView::SendTileRequest(const RECT& rect, BOOL prefetch)
{
    m_requested.push_back(ToRect(rect));
    if (!m_pLink || !m_pDisplay) return;
    TileRequest request{rect, m_pDisplay->ScaleX(), m_pDisplay->ScaleY()};
    m_pLink->SendCommand(prefetch ? slidelink::kTilePrefetch : slidelink::kTileRequest, request);
}

void CSlideView::OnTileData(uint32_t code, const slidelink::TileRect& wire, const uint8_t* jpeg, size_t jpegLength)
{
    if (m_discardRegions || !m_pDisplay) return;
    const view::Rect region = view::Normalised(view::Rect{wire.left, wire.top, wire.right, wire.bottom});
    if (!view::RegionWasRequested(m_requested, region)) return;
    // Recorded even when it does not decode: it is not asked for again.
    view::AddReceived(m_received, region);

    const RECT placed = ToWin(view::Offset(region, -(int64_t)m_origin.x, -(int64_t)m_origin.y));
    UINT w = 0, h = 0;
    BOOL decoded;
    {
        CStageScope timing(m_pDisplay->Stages(), CStageTimes::kDecode);
        decoded = JpegFile::DecodeToPixels(jpeg, jpegLength, m_tilePixels, &w, &h);
    }
    if (decoded) m_pDisplay->PutPixels(m_tilePixels.data(), (int)w, (int)h, placed);
    if (code != slidelink::kTileRequest) return;  // prefetched ground lies off the screen
    if (m_pDisplay->Loading()) {
        // The loading text goes from the whole window.
        m_pDisplay->SetLoading(0);
        m_pDisplay->Invalidate();
    } else if (decoded) {
        m_pDisplay->InvalidateView(placed);
    }
}

void CSlideView::OnTimer(UINT_PTR id)
{
    if (id == kKeepAliveTimer) {
        if (m_pLink) m_pLink->OnKeepAliveTimer();
    } else if (id == kPrefetchTimer) {
        KillTimer(kPrefetchTimer);
        m_prefetchTimer = 0;
        UpdateVisibleArea(2, FALSE);
        UpdateVisibleArea(3, FALSE);
    } else {
        CWnd::OnTimer(id);
    }
}
