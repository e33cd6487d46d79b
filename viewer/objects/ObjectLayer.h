// What the image display window asks of an object layer (annotations, the
// editor's private marks, measurements), and what the layers and their
// dialogs ask of that window. Mouse handlers answer non-zero when they take
// the event.
#pragma once

#include "Framework.h"

class IObjectLayer {
public:
    virtual ~IObjectLayer() = default;

    // Starts over empty, drawing into the given window.
    virtual void Reset(CWnd* owner) = 0;
    virtual void SetScale(float sx, float sy, int resolutionX, int resolutionY) = 0;
    virtual void SetScroll(int x, int y) = 0;
    virtual void DrawAll(HDC dc) = 0;
    virtual void OnViewSize(UINT type, int cx, int cy) = 0;

    virtual int OnLButtonDown(UINT flags, CPoint point) = 0;
    virtual int OnLButtonUp(UINT flags, CPoint point) = 0;
    virtual int OnMouseMove(UINT flags, CPoint point) = 0;
    virtual int OnLButtonDblClk(UINT flags, CPoint point) = 0;
    virtual int OnRButtonDown(UINT flags, CPoint point) = 0;
    virtual int OnMouseWheel(UINT flags, short delta, CPoint point) = 0;
};

// The view's image-to-screen scale and the slide's resolution (pixels per
// metre), as IObjectLayer::SetScale takes them.
struct LayerScale {
    float sx, sy;
    int resolutionX, resolutionY;
};

// The window the layers draw into, as the layers and their dialogs see it.
class IObjectLayerHost {
public:
    virtual ~IObjectLayerHost() = default;

    // The visible part of the image in display pixels; its left and top are
    // the layers' scroll offset (and are given to them).
    virtual RECT GetViewRect() = 0;
    // What the window gives its layers when it paints; a layer attached
    // between paints needs it at once to measure.
    virtual LayerScale GetLayerScale() = 0;
    // Scrolls so that the image point lies in the middle of the window.
    virtual void CenterOn(int x, int y) = 0;
    // Attaches (or with null detaches) the measurement layer.
    virtual void SetMeasureLayer(IObjectLayer* layer) = 0;
    // Attaches (or with null detaches) the tool box's own layer of marks.
    virtual void SetEditorLayer(IObjectLayer* layer) = 0;
};
