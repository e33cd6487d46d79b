// The slide view: the child window that fills the main frame and shows one
// slide streamed from the slide server. It owns the link to the server, the
// display window, the eyepiece mask, the scale bar and the overview window,
// and asks the server only for the parts of the slide it has not received.
#pragma once

#include "Framework.h"
#include "MediaDownloads.h"
#include "ScreenSettings.h"
#include "SlideLinkSocket.h"
#include "SlideViewPane.h"

#include "viewer/SlideGeometry.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

class CImageDispWnd;
class CInfoWnd;
class CScaleBar;
class CNavigatorDlg;
class CNavigationFrame;
class CMeasureResultDlg;
class CAnnotationListDlg;
class CAnnotationEditDlg;
class CAnnotationLayer;

class CSlideView : public CWnd, public ISlideLinkOwner, public ISlideViewPane {
public:
    CSlideView();
    ~CSlideView() override;

    // The frame's pane.
    CWnd* GetPaneWnd() override { return this; }
    void ConnectServer(LPCSTR address) override;
    void OpenSlidePath(LPCSTR path) override;
    void ReopenSlide();
    void SendOpenSlide();
    int SetMagnification(double magnification, int apply) override;
    void SetRuler(int index, int lengthMm) override;
    void RebuildSlideInfo() override;
    void ToggleEyepieceField() override;
    BOOL IsEyepieceFieldOn() const override { return m_eyepieceField; }
    void RememberScreenOrigin() override;

    // The link's owner.
    HWND GetLinkWindow() const override { return m_hWnd; }
    void OnSlideHeader(const zelvo::slidelink::SlideHeaderReply& reply) override;
    void OnSlideResumed() override;
    void OnTileData(uint32_t code, const zelvo::slidelink::TileRect& rect, const uint8_t* jpeg,
                    size_t jpegLength) override;
    void OnMarkData(uint32_t code, const uint8_t* payload, size_t length) override;
    // Asks the server for the missing linked files of a layer's media hot spots.
    void RequestMediaFiles(CAnnotationLayer& layer);
    void OnMediaData(const zelvo::slidelink::MediaReply& reply) override;
    // Hands a fetched file to the hot spots that wait for it.
    void OnMediaFileComplete(const CString& finalPath);
    // Server paths asked for and not yet complete.
    const std::map<std::string, CMediaDownloads::Transfer>& RequestedMedia() const { return m_media.Asked(); }

    // Region requests. Rectangles are relative to the view origin, in
    // display pixels of the image at the current magnification.
    int UpdateVisibleArea(int mode, BOOL takeOrigin);
    int RequestRegion(int l, int t, int r, int b, BOOL subtract, BOOL prefetch);
    void SendTileRequest(const RECT& rect, BOOL prefetch);

    // Stops a waiting prefetch (the benchmark measures moves without it).
    void CancelPrefetch();

    // What the frame, the benchmark and tests read.
    bool IsSlideOpen() const { return m_slideOpen; }
    CImageDispWnd* Display() const { return m_pDisplay.get(); }
    CNavigatorDlg* Navigator() const { return m_pNavigator.get(); }
    CNavigationFrame* NavigationFrame() const { return m_pNavFrame.get(); }
    CInfoWnd* InfoWindow() const { return m_pInfo.get(); }
    CSlideLinkSocket* Link() const { return m_pLink.get(); }
    CScaleBar* ScaleBar() const { return m_pScaleBar.get(); }
    double Magnification() const { return m_magnification; }
    // The image point at the display's top-left, display pixels.
    CPoint Origin() const { return m_origin; }
    const zelvo::view::RectList& Received() const { return m_received; }
    const zelvo::view::RectList& Requested() const { return m_requested; }
    bool PrefetchWaiting() const { return m_prefetchTimer != 0; }
    const zelvo::slidelink::SlideHeader& Header() const { return m_header; }
    const CString& SlidePath() const { return m_slidePath; }
    const std::vector<uint8_t>& UserMarks() const { return m_userMarks; }
    CMeasureResultDlg* MeasureDialog() const { return m_pMeasureDlg; }
    CAnnotationListDlg* AnnotationList() const { return m_pListDlg; }
    CAnnotationEditDlg* AnnotationEditor() const { return m_pEditDlg; }
    // The annotation tool box on a layer, or with null on a layer of the
    // user's own marks; created hidden. Null when one is open already.
    CAnnotationEditDlg* CreateAnnotationEditor(CAnnotationLayer* layer);
    BOOL IsNavigatorShown() const { return m_navigatorShown; }
    BOOL IsCaptionShown() const { return m_captionShown; }
    BOOL AreHotSpotsShown() const { return m_hotSpotsShown; }
    BOOL AreRegionsShown() const { return m_regionsShown; }
    BOOL IsShowAllOn() const { return m_showAll; }

    // The report template's copy, opened by the report command.
    static const char kReportFolder[];
    static const char kReportCopy[];

    static const UINT_PTR kKeepAliveTimer = 100;
    static const UINT_PTR kPrefetchTimer = 1001;
    static const UINT kKeepAliveMs = 5000;
    static const UINT kPrefetchMs = 500;
    static const int kNoPosition = 0x7FFFFFFF;
    static const int kMaxDrainedFrames = 4096;

protected:
    BOOL PreCreateWindow(CREATESTRUCT& cs) override;
    int OnCreate(LPCREATESTRUCT cs);
    void OnDestroy();
    void OnPaint();
    BOOL OnEraseBkgnd(HDC dc);
    void OnSize(UINT type, int cx, int cy);
    void OnMove(int x, int y);
    void OnMoving(UINT side, LPRECT rect);
    void OnTimer(UINT_PTR id);
    LRESULT OnLinkConnected(WPARAM, LPARAM);
    LRESULT OnNavigatorClosed(WPARAM, LPARAM);
    LRESULT OnPanView(WPARAM dx, LPARAM dy);
    LRESULT OnViewOrigin(WPARAM x, LPARAM y);
    LRESULT OnViewMoved(WPARAM, LPARAM);
    void OnMeasureManual();
    void OnUpdateMeasureManual(CCmdUI* ui);
    // The menu's other commands (SlideViewCommands.cpp).
    void OnNavigatorWindow();
    void OnUpdateNavigatorWindow(CCmdUI* ui);
    void OnOpenCatalogue();
    void OnUpdateEyepieceField(CCmdUI* ui);
    void OnScreenSettings();
    void OnMarkCaption();
    void OnUpdateMarkCaption(CCmdUI* ui);
    void OnMarkHotSpots();
    void OnUpdateMarkHotSpots(CCmdUI* ui);
    void OnMarkRegions();
    void OnUpdateMarkRegions(CCmdUI* ui);
    void OnMarkShowAll();
    void OnUpdateMarkShowAll(CCmdUI* ui);
    void OnMarkList();
    void OnUpdateMarkList(CCmdUI* ui);
    void OnMarkEdit() {}
    void OnUpdateMarkEditor(CCmdUI* ui);
    void OnMarkEditor();
    LRESULT OnEditorClosed(WPARAM editor, LPARAM);
    void OnScreenRuler();
    void OnUpdateScreenRuler(CCmdUI* ui);
    void OnObjective4X() { SelectObjective(1); }
    void OnObjective10X() { SelectObjective(3); }
    void OnObjective20X() { SelectObjective(4); }
    void OnObjective40X() { SelectObjective(6); }
    void OnObjective100X() { SelectObjective(9); }
    void OnUpdateObjective(CCmdUI* ui);
    void OnSnapshot();
    void OnReport();
    DECLARE_MESSAGE_MAP()

private:
    void SelectObjective(int index);
    void RepaintMarks();
    void TakeScreenSettings();
    void ReshapeEyepieceHole();
    void SetEyepieceCircle();
    void UpdateInfoText();
    void SetFrameTitle(const std::string& textA, const std::string& textB, const std::string& matrixText);
    void RequestMarks();
    // Asks for the files of a layer's hot spots that are not among those asked already.
    void RequestMediaFiles(CAnnotationLayer& layer, std::vector<CString>& asked);
    // After a resume: every file that hot spots still wait for, once each.
    void RequestPendingMedia();
    // A new slide starts with no mark dialog open and no kind of mark shown.
    void ForgetMarksShown();
    // Thumbnail pixels to display pixels: factor x display scale.
    double FrameToDisplayX() const;
    double FrameToDisplayY() const;
    void ResizeFrameToClient(int cx, int cy);
    void RepaintOverview();
    void RaiseOverview();
    CPoint ClientOriginOnScreen() const;
    void FollowScreenOrigin();
    zelvo::view::ViewState CurrentViewState() const;
    void ForgetRequests();
    // The requests of UpdateVisibleArea for a pan offset s.
    int RequestVisibleArea(int mode, CPoint s);
    // The rings are asked for once the moves have paused.
    void RestartPrefetch();

    CString m_slidePath;
    CString m_serverAddress;
    zelvo::slidelink::SlideHeader m_header;
    int m_screenWidthUm = 328000;
    int m_screenHeightUm = 246000;
    int m_screenPpmX = 0;
    int m_screenPpmY = 0;
    float m_fieldNumber = 0.18f;
    int m_slidePpmX = 0, m_slidePpmY = 0;
    int m_tileWidth = 0, m_tileHeight = 0, m_tileColumns = 0, m_tileRows = 0;
    int m_thumbnailFactor = 1;
    double m_magnification = 200.0;
    int m_visibleWidth = 0, m_visibleHeight = 0;
    CPoint m_origin;
    CPoint m_screenOrigin{kNoPosition, kNoPosition};
    BOOL m_navigatorShown = TRUE;
    BOOL m_eyepieceField = FALSE;
    zelvo::view::RectList m_received;
    // What was asked for since the received list was last emptied: a reply
    // outside it belongs to an earlier magnification and is dropped.
    zelvo::view::RectList m_requested;
    UINT_PTR m_prefetchTimer = 0;
    std::vector<uint8_t> m_userMarks;
    CMediaDownloads m_media;
    CScreenSettingsDlg m_settings;
    std::vector<uint32_t> m_tilePixels;  // decoded regions, reused
    // Open while the user measures; the dialog clears this when it closes.
    CMeasureResultDlg* m_pMeasureDlg = nullptr;
    CAnnotationListDlg* m_pListDlg = nullptr;
    CAnnotationEditDlg* m_pEditDlg = nullptr;
    BOOL m_captionShown = FALSE;
    BOOL m_hotSpotsShown = FALSE;
    BOOL m_regionsShown = FALSE;
    BOOL m_showAll = FALSE;

    std::unique_ptr<CSlideLinkSocket> m_pLink;
    std::unique_ptr<CImageDispWnd> m_pDisplay;
    std::unique_ptr<CInfoWnd> m_pInfo;
    std::unique_ptr<CScaleBar> m_pScaleBar;
    std::unique_ptr<CNavigatorDlg> m_pNavigator;
    std::unique_ptr<CNavigationFrame> m_pNavFrame;
    bool m_slideOpen = false;
    bool m_discardRegions = false;
};
