// The window in which the slide is seen. It composes every frame from three
// off-screen buffers: the thumbnail, a main buffer of 3 x 3 screens around
// the visible area holding the received tiles, and the view buffer that is
// copied to the window. Drags on empty ground pan the view.
#pragma once

#include "DisplayBuffer.h"
#include "ObjectLayer.h"

class CDib;
class CScaleBar;

class CImageDispWnd : public CWnd {
public:
    CImageDispWnd();
    CImageDispWnd(CWnd* parent, CWnd* owner, UINT notifyMessage);
    ~CImageDispWnd() override;

    // FALSE when the window or the main buffer could not be made; nothing is
    // then drawn into the missing buffer.
    BOOL CreateDisplay(CWnd* parent, CWnd* owner, UINT notifyMessage);

    // Geometry.
    void FitToOwner(int displayWidth, int displayHeight, BOOL fit);
    void SetImageSize(int fullWidth, int fullHeight);
    void SetThumbnailSize(int width, int height);
    void SetResolution(int x, int y);
    void SetOrigin(int x, int y);
    void OffsetOrigin(int dx, int dy);
    RECT GetViewRect();
    // dx, dy of 0x7FFFFFFF leave the pan offset alone.
    void SetSourceRect(int l, int t, int r, int b, int dx, int dy);
    void SetObjectScale();
    RECT ViewToLowRes(const RECT& rect) const;
    void Relayout(UINT type, int cx, int cy);
    void CenterOn(int x, int y);
    void OnMoving(UINT side, LPRECT rect);

    // Picture updates.
    void DrawBackgroundImage(CDib* thumbnail);
    void PutTile(CDib* tile, const RECT& rect);
    void FillFromLowRes(int l, int t, int r, int b);
    void FillAroundFromLowRes(int l, int t, int r, int b);
    CPoint ScrollBy();
    RECT ComposeView(double factor);
    void DrawContents();

    // Layers are owned elsewhere; null detaches.
    void SetAnnotationLayer(IObjectLayer* layer) { m_annotationLayer = layer; }
    void SetEditorLayer(IObjectLayer* layer) { m_editorLayer = layer; }
    void SetMeasureLayer(IObjectLayer* layer) { m_measureLayer = layer; }
    void SetScaleBar(CScaleBar* bar) { m_scaleBar = bar; }
    void SetLoading(int loading) { m_loading = loading; }

    static const int kUnchanged = 0x7FFFFFFF;

    CDisplayBuffer m_view;        // composed frames; scale and view rectangle
    int m_displayWidth = 0;
    int m_displayHeight = 0;
    int m_fullWidth = 0;
    int m_fullHeight = 0;
    CScaleBar* m_scaleBar = nullptr;
    CDisplayBuffer m_lowRes;      // the thumbnail
    CDisplayBuffer m_main;        // tiles, 3 x 3 screens
    BOOL m_mainReady = FALSE;
    IObjectLayer* m_annotationLayer = nullptr;
    IObjectLayer* m_editorLayer = nullptr;
    IObjectLayer* m_measureLayer = nullptr;
    CWnd* m_owner = nullptr;
    CWnd* m_parent = nullptr;
    UINT m_notifyMessage = 0;
    HCURSOR m_handCursor = nullptr;
    HCURSOR m_grabCursor = nullptr;
    int m_buttonDown = 0;
    int m_loading = 0;
    CPoint m_anchor;
    CPoint m_pan;
    CPoint m_savedOrigin;

    int OnCreate(LPCREATESTRUCT cs);
    void OnPaint();
    BOOL OnEraseBkgnd(HDC dc);
    void OnClose();
    void OnLButtonDown(UINT flags, CPoint p);
    void OnLButtonUp(UINT flags, CPoint p);
    void OnMouseMove(UINT flags, CPoint p);
    void OnLButtonDblClk(UINT flags, CPoint p);
    void OnRButtonUp(UINT flags, CPoint p);
    BOOL OnMouseWheel(UINT flags, short delta, CPoint p);

protected:
    BOOL PreCreateWindow(CREATESTRUCT& cs) override;
    DECLARE_MESSAGE_MAP()

private:
    // Keeps a rectangle of the view inside the image, size unchanged.
    void ClampToImage(RECT& rect) const;
    void ApplyViewRect(const RECT& moved);
    void ForEachLayerScroll(int x, int y);
    void StretchLowRes(HDC target, const RECT& viewBand, const RECT& destination);
};
