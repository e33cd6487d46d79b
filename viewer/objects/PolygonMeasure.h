// What regions and free-hand outlines share: a closed outline of slide image
// points that is measured (area, perimeter, shape figures), edited with the
// mouse, drawn with its area label, and made to blink by a worker thread.
#pragma once

#include "DrawObject.h"
#include "Workers.h"

#include "annotation/AttributeBlock.h"
#include "bytes/ByteReader.h"
#include "geometry/CoordinateBound.h"
#include "geometry/OutlineGeometry.h"

#include <vector>

class CPolygonMeasure : public CDrawObject, public CPeriodicWorker {
public:
    // What a client point is on.
    enum HitKind { HIT_NONE = 0, HIT_EDGE = 1, HIT_VERTEX = 2, HIT_INSIDE = 3 };
    static const int kLabelWidth = 200, kLabelHeight = 30;

    CPolygonMeasure(CWnd* owner, DrawAttributes attributes, DrawChangeFn onChange, void* context, int type);
    ~CPolygonMeasure() override;

    POINT GetCenter() const override;
    void SetSelected(BOOL on) override;
    void SetVisible(BOOL on) override;
    void SetFlags(uint16_t flags) override;
    int SetHighlight(BOOL on) override;
    int OnLButtonDown(int x, int y) override;
    int OnLButtonUp(int x, int y) override;
    int OnRButtonDown(int x, int y) override;
    int OnLButtonDblClk(int x, int y) override;
    int OnMouseMove(int x, int y) override;
    void Rescale(double sx, double sy) override;
    void SetResolution(uint32_t rx, uint32_t ry) override;
    void SetScroll(int x, int y) override;
    void GetBoundRect(RECT* rect) const override;
    // The worker's step: repaints the outline and its label.
    int Step() override;
    // Polygon of the vertices on screen (alternate filling) holds the point.
    virtual int Contains(int x, int y) const;

    void SetBlink(BOOL on);
    void SetLabelShown(BOOL on);
    // Area in square micrometres; fills the result text.
    double ComputeResults();
    int HitPart(int x, int y, int* index) const;
    void UpdateBounds();

    const std::vector<zelvo::geom::Point>& GetPoints() const { return m_points; }
    // Replaces the outline; false (and nothing changed) beyond the bounds
    // that outlines read from files keep.
    bool SetPoints(const std::vector<zelvo::geom::Point>& points);
    RECT GetImageBounds() const { return m_bounds; }
    POINT GetLabelPosition() const { return m_labelPos; }
    const CString& GetResultText() const { return m_resultText; }
    int GetHitKind() const { return m_hitKind; }
    int GetHitIndex() const { return m_hitIndex; }
    // What the worker repaints: the bounds on screen with a margin, and the label.
    void GetBlinkArea(RECT* bounds, RECT* label) const;

protected:
    // The kinds' records: an attribute block (whose fields a record of an
    // older file may hold only some of) and the points.
    template <class Record>
    Record MakeRecord() const
    {
        Record r;
        FillRecord(r.attributes, r.points);
        return r;
    }
    // False (and nothing changed) for points beyond the bounds.
    template <class Record>
    bool TakeRecord(const Record& record)
    {
        if (!zelvo::geom::OutlineInBounds(record.points.data(), record.points.size())) return false;
        zelvo::annotation::AttributeBlock block;
        std::vector<zelvo::geom::Point> unused;
        FillRecord(block, unused);
        record.MergeAttributes(block);
        ApplyRecord(block, record.points);
        return true;
    }
    void FillRecord(zelvo::annotation::AttributeBlock& attributes, std::vector<zelvo::geom::Point>& points) const;
    void ApplyRecord(const zelvo::annotation::AttributeBlock& attributes, const std::vector<zelvo::geom::Point>& points);

    // Client point to image pixels, kept within the coordinate bound.
    zelvo::geom::Point ToImage(int x, int y) const;
    POINT ToScreen(const zelvo::geom::Point& p) const;
    // Edits that keep the outline within the bounds; each returns whether it
    // was made.
    bool MoveAll(int64_t dx, int64_t dy);
    bool MoveVertex(size_t index, const zelvo::geom::Point& p);
    bool InsertVertex(size_t index, const zelvo::geom::Point& p);
    bool AppendPoint(const zelvo::geom::Point& p);
    void RemoveVertex(size_t index);
    // Drops the repeats of the last point at the end of the outline.
    void DropTrailingRepeats();

    void SetCursorFor(int hitKind) const;
    void HideCursorForDrag();
    void DrawLabel(HDC dc);
    std::vector<POINT> ScreenPoints() const;

    int m_buttonDown = 0;
    int m_hitKind = HIT_NONE;
    int m_hitIndex = -1;
    zelvo::geom::Point m_lastPoint{0, 0};

private:
    void PointsChanged();
    // Hands the area the worker repaints over to it.
    void PublishBlinkArea();

    std::vector<zelvo::geom::Point> m_points;
    int64_t m_length = 0;  // chain pixels of the closed outline
    RECT m_bounds{0, 0, 0, 0};
    POINT m_labelPos{0, 0};
    bool m_cursorHidden = false;
    HCURSOR m_sizeAllCursor, m_arrowCursor, m_beamCursor, m_crossCursor;
    zelvo::geom::RegionResults m_results{};
    bool m_resultsValid = false;
    CString m_resultText;

    CBlinkArea m_blink;
};
