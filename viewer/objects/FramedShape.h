// Shapes that live in a rotatable frame of two perpendicular axes, each
// given by its two end handles (rectangles, ellipses, brackets, arrows).
// Dragging an end turns and stretches its axis about the other end, and the
// other axis follows, perpendicular through the new middle. Each shape
// builds its outline about (0, 0) and turns it into place.
#pragma once

#include "HandleShape.h"

#include "annotation/FramedShapes.h"

#include <vector>

class CFramedShape : public CHandleShape {
public:
    // showLabel: the measurements label themselves with their area.
    CFramedShape(CWnd* owner, DrawAttributes attributes, DrawChangeFn onChange, void* context, int type,
                 int showLabel = 0);
    ~CFramedShape() override;

    POINT GetCenter() const override;
    void SetSelected(BOOL on) override;
    // Selected only: the frame dash-dotted and the handles.
    void Draw(HDC dc) override;
    int OnLButtonDown(int x, int y) override;
    void BeginCreate(int x, int y) override;
    void GetBoundRect(RECT* rect) const override;
    bool GetRecord(zelvo::annotation::ObjectRecord& out) const override;
    bool SetRecord(const zelvo::annotation::ObjectRecord& record) override;
    // A blinking framed shape only draws with the dash-dot pen.
    int Step() override { return 1; }
    HitPart FindPart(int x, int y, int* index) const override;

    // The shape's own test of a client point: the frame polygon here.
    virtual int HitTestRegion(int x, int y);
    // Stores the blink flag; the worker follows only visibility.
    virtual void SetBlink(int on);
    // The default handles (and what a new shape starts with).
    virtual void Init();
    virtual void OffsetPoints(int dx, int dy);
    virtual void Rotate();
    // The local outline; none here.
    virtual void BuildOutline();

    // After handle i moved: the frame, then the outline. False (nothing
    // changed) when the moved axis has no length.
    bool RebuildFrame(int i);
    void OffsetAll(int dx, int dy);
    const zelvo::annotation::Frame& GetFrame() const { return m_frame; }
    const std::vector<zelvo::geom::Point>& GetOutline() const { return m_outline; }

protected:
    int ContainsPoint(int x, int y) override { return HitTestRegion(x, y); }
    HCURSOR CursorFor(HitPart part) const override;
    bool DragPartTo(int index, POINT p) override;
    bool MoveBy(int dx, int dy) override;
    void DragDone() override { InvalidateOwner(); }
    void OnRelease(HitPart part, int index) override;

    // Sets the four handles about (0, 0) and builds frame and outline.
    void SetHandles(const zelvo::geom::Point handles[4]);
    // The outline of a shape made from the half axes.
    void BuildOutlineFrom(std::vector<zelvo::geom::Point> (*make)(int32_t a, int32_t b));
    std::vector<POINT> ScreenPoints(const zelvo::geom::Point* points, size_t n) const;
    std::vector<POINT> ScreenCorners() const { return ScreenPoints(m_frame.corners, 4); }
    std::vector<POINT> ScreenHandles() const { return ScreenPoints(m_frame.handles, 4); }
    std::vector<POINT> ScreenOutline() const { return ScreenPoints(m_outline.data(), m_outline.size()); }
    // Whether a client point lies in the polygon of the outline.
    int OutlineContains(int x, int y);
    // Draws the points as a polygon or an open line with the outline pen.
    void DrawWithOutlinePen(HDC dc, const std::vector<POINT>& points, bool closed) const;
    // When selected: the frame with the dash-dot pen, then the handles.
    void DrawSelectedFrame(HDC dc);
    // A measurement: the closed shape, its handles when selected.
    void DrawMeasured(HDC dc, const std::vector<POINT>& shape);

    zelvo::annotation::Frame m_frame{};
    std::vector<zelvo::geom::Point> m_outline;  // image pixels

private:
    // Frame and outline from the handles as they stand.
    void BuildFromHandles();
};
