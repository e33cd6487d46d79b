// The window in which the slide is seen. It composes every frame from three
// off-screen buffers: the thumbnail, a main buffer of 3 x 3 screens around
// the visible area holding the received tiles, and the view buffer that is
// copied to the window. Drags on empty ground pan the view.
#pragma once

#include "AnnotationLayer.h"
#include "DisplayBuffer.h"
#include "ObjectLayer.h"
#include "StageTimes.h"

#include <cstdint>
#include <vector>

class CDib;
class CScaleBar;

class CImageDispWnd : public CWnd, public IObjectLayerHost {
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
    RECT GetViewRect() override;
    LayerScale GetLayerScale() override
    {
        return LayerScale{(float)m_view.m_scaleX, (float)m_view.m_scaleY, m_view.m_resX, m_view.m_resY};
    }
    // dx, dy of 0x7FFFFFFF leave the pan offset alone.
    void SetSourceRect(int l, int t, int r, int b, int dx, int dy);
    void SetObjectScale();
    RECT ViewToLowRes(const RECT& rect) const;
    void Relayout(UINT type, int cx, int cy);
    void CenterOn(int x, int y) override;
    void OnMoving(UINT side, LPRECT rect);

    // Picture updates. Rectangles are in view coordinates.
    void DrawBackgroundImage(CDib* thumbnail);
    void PutTile(CDib* tile, const RECT& rect);
    // A decoded tile (32-bit pixels, rows top first) into the main buffer at
    // rect, stretched when the sizes differ.
    void PutPixels(const uint32_t* pixels, int width, int height, const RECT& rect);
    void FillFromLowRes(int l, int t, int r, int b);
    void FillAroundFromLowRes(int l, int t, int r, int b);
    // The whole 3 x 3 area from the thumbnail where the image lies at the
    // view's present place.
    void RefillFromLowRes();
    CPoint ScrollBy();
    RECT ComposeView(double factor);
    // Composes the frame in the view buffer: all of it, or only the part of
    // the client in area (what was invalidated), with the same pixels there.
    void DrawContents();
    void DrawContents(const RECT& area);
    // Repaints the part of the client that shows rect (view coordinates).
    void InvalidateView(const RECT& rect);

    // The slide's own annotations, drawn here unless another layer is set
    // in their place. The other layers are owned by their dialogs; null detaches.
    CAnnotationLayer& Annotations() { return m_annotations; }
    void SetAnnotationLayer(IObjectLayer* layer) { m_annotationLayer = layer; }
    void SetEditorLayer(IObjectLayer* layer) override { m_editorLayer = layer; }
    void SetMeasureLayer(IObjectLayer* layer) override { m_measureLayer = layer; }
    IObjectLayer* AnnotationLayer() const { return m_annotationLayer; }
    IObjectLayer* EditorLayer() const { return m_editorLayer; }
    IObjectLayer* MeasureLayer() const { return m_measureLayer; }
    void SetScaleBar(CScaleBar* bar) { m_scaleBar = bar; }
    void SetLoading(int loading) { m_loading = loading; }

    // What the view and tests read.
    const CDisplayBuffer& ViewBuffer() const { return m_view; }
    // The tile buffer with any realignment still owed done first.
    const CDisplayBuffer& MainBuffer();
    const CDisplayBuffer& LowResBuffer() const { return m_lowRes; }
    double ScaleX() const { return m_view.m_scaleX; }
    double ScaleY() const { return m_view.m_scaleY; }
    // The view rectangle, without handing it to the layers as GetViewRect does.
    RECT ViewRect() const { return m_view.m_rect; }
    int DisplayWidth() const { return m_displayWidth; }
    int DisplayHeight() const { return m_displayHeight; }
    CPoint PanOffset() const { return m_pan; }
    int Loading() const { return m_loading; }
    HCURSOR HandCursor() const { return m_handCursor; }
    HCURSOR GrabCursor() const { return m_grabCursor; }
    CStageTimes& Stages() { return m_stages; }
    // When the window last showed a frame (the stage clock's milliseconds).
    double LastPaintAt() const { return m_lastPaintAt; }

    static const int kUnchanged = 0x7FFFFFFF;

protected:
    BOOL PreCreateWindow(CREATESTRUCT& cs) override;
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
    void OnTimer(UINT_PTR id);
    DECLARE_MESSAGE_MAP()

private:
    void ApplyViewRect(const RECT& moved);
    void ForEachLayerScroll(int x, int y);
    // Fills area (target pixels) of a buffer from the thumbnail, enlarged
    // with bilinear filtering; target pixel (i, j) shows display point
    // (displayX + i, displayY + j).
    void FillFromThumbnail(CDisplayBuffer& target, const RECT& area, int displayX, int displayY);
    // The thumbnail rectangle source stretched over destination of a target.
    void StretchThumbnail(CDisplayBuffer& target, const RECT& source, const RECT& destination);
    // area of `to` from `from` through the mapping, smoothly or by whole
    // pixels, under both buffers' locks.
    static void Stretch(CDisplayBuffer& from, CDisplayBuffer& to, const RECT& area, const zelvo::image::AxisMap& x,
                        const zelvo::image::AxisMap& y, bool smooth);
    void DrawLoadingText(HDC dc, const RECT& client);
    // A band of the 3 x 3 area (view coordinates, the view at origin) from the thumbnail.
    void FillBand(const RECT& band, CPoint origin);
    // Thumbnail fills of bands off the frame wait like the realignment.
    void OweFill(const RECT& band, CPoint origin);
    // One step of the work owed (the scroll, or some rows of a fill); false
    // when nothing is owed.
    bool DoOwedStep();
    // All the work owed, now.
    void RealignNow();
    // Whether an owed fill touches the tile buffer's area (buffer coordinates).
    bool OwedFillMeets(const RECT& area) const;

    CDisplayBuffer m_view;        // composed frames; scale and view rectangle
    int m_displayWidth = 0;
    int m_displayHeight = 0;
    int m_fullWidth = 0;
    int m_fullHeight = 0;
    CScaleBar* m_scaleBar = nullptr;
    CDisplayBuffer m_lowRes;      // the thumbnail
    CDisplayBuffer m_main;        // tiles, 3 x 3 screens
    BOOL m_mainReady = FALSE;
    CAnnotationLayer m_annotations;
    IObjectLayer* m_annotationLayer = &m_annotations;
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
    // Pixel work that waits until after the next paint, or until the tile
    // buffer is used where it would change: a realignment (moving the pixels
    // and refilling the uncovered strips shows nothing new) and thumbnail
    // fills off the frame, so that neither the frame, the requests nor the
    // regions that come need wait for them. The scroll comes before the fills.
    bool m_realignOwed = false;
    CPoint m_owedScroll;
    struct OwedFill {
        RECT band;
        CPoint origin;
    };
    std::vector<OwedFill> m_owedFills;
    CStageTimes m_stages;
    double m_lastPaintAt = 0;
};
