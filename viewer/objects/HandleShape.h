// What the measurement shapes edited by their handles share (segment chains,
// angles and arcs, circles, rectangles, ellipses, brackets and arrows): the
// press, drag and release of a selected shape, the hover of an unselected
// one, the pen, handle squares and label they draw with, and the blink
// worker they run while shown with the blink flag on.
#pragma once

#include "DrawObject.h"
#include "Workers.h"

// What a press hit on a measurement shape.
enum HitPart { HIT_NONE = 0, HIT_EDGE = 1, HIT_HANDLE = 2, HIT_INSIDE = 3 };

class CHandleShape : public CDrawObject, public CPeriodicWorker {
public:
    CHandleShape(CWnd* owner, DrawChangeFn onChange, void* context);

    // Shown with the blink flag on, the worker runs; hidden, it stops.
    void SetVisible(BOOL on) override;
    // Unselected: hover. Selected: the cursor, or while pressed the drag.
    int OnMouseMove(int x, int y) override;
    // A release on no part deselects; on any part the edit is complete.
    int OnLButtonUp(int x, int y) override;
    // Both ask to delete the shape when they hit it.
    int OnRButtonDown(int x, int y) override;
    int OnLButtonDblClk(int x, int y) override;

    // Which part of the shape a client point is on, and the index it concerns.
    virtual HitPart FindPart(int x, int y, int* index) const = 0;
    POINT GetLabelPosition() const { return m_labelPos; }

protected:
    // The shape's own test of a client point (HitTest unless it says otherwise).
    virtual int ContainsPoint(int x, int y);
    virtual HCURSOR CursorFor(HitPart part) const;
    // A drag of a part (edge or handle) to an image point, and of the whole
    // shape by an offset; each answers whether the shape changed.
    virtual bool DragPartTo(int index, POINT p) = 0;
    virtual bool MoveBy(int dx, int dy) = 0;
    // After a drag changed the shape.
    virtual void DragDone() = 0;
    // At a release, with the part under the pointer, before the selection is decided.
    virtual void OnRelease(HitPart, int) {}

    // The start of a press: the press flag, then for a selected shape the
    // part under the point, whose image point becomes the last drag point.
    // False when the press takes nothing.
    bool BeginPress(int x, int y);
    // Stores the blink flag and starts or stops the worker with it.
    void SetBlinking(int on);
    void LoadCursors();
    // Client point to image pixels, within the coordinate bound.
    POINT ClientToImage(int x, int y) const;
    // Limits a move of a shape whose image box is given so that it stays
    // within the coordinate bound.
    static void LimitMove(const RECT& box, int* dx, int* dy);
    void InvalidateImageRect(RECT image, int grow);
    // Solid of width 2, or dash-dot of width 1 while blinking, in the pen colour.
    HPEN CreateOutlinePen() const;
    // 8 by 8 squares about the points, when selected.
    void DrawHandles(HDC dc, const POINT* points, size_t n) const;
    // GetCenter on the screen, where labels go.
    POINT ScreenCenter() const;
    // "n: area" at the screen centre, as circles, rectangles and ellipses label themselves.
    void DrawAreaLabel(HDC dc, double area);
    // The label in the pen colour on a transparent background; stores its position.
    void DrawLabelText(HDC dc, POINT at, const char* text);
    // The point lies in the square of half size `half` about the centre, its
    // right and bottom edges left out.
    static bool InSquare(POINT centre, int half, int x, int y);

    int m_pressed = 0;
    HitPart m_dragPart = HIT_NONE;
    int m_dragIndex = -1;
    POINT m_lastDrag{0, 0};  // image pixels
    POINT m_labelPos{0, 0};  // screen
    int m_showLabel = 1;
    HCURSOR m_sizeAll = nullptr, m_arrow = nullptr, m_ibeam = nullptr, m_cross = nullptr;
    char m_result[256] = {};

    static const int kLabelWidth = 200, kLabelHeight = 30;
};
