// Measurements made of a few points: a chain of segments, the angle at a
// vertex, and the circular arc through three points. Each draws itself over
// the slide, is edited by dragging its points, blinks on request and reports
// its result in micrometres or degrees.
#pragma once

#include "HandleShape.h"

#include "annotation/SegmentMeasures.h"

#include <atomic>
#include <mutex>
#include <vector>

class CSegmentMeasure : public CHandleShape {
public:
    CSegmentMeasure(CWnd* owner, DrawAttributes attributes, DrawChangeFn onChange, void* context, int type,
                    int showLabel);
    ~CSegmentMeasure() override;

    POINT GetCenter() const override;
    void SetSelected(BOOL on) override;
    void Draw(HDC dc) override;
    int OnLButtonDown(int x, int y) override;
    int OnRButtonDown(int x, int y) override;
    void BeginCreate(int x, int y) override;
    void GetBoundRect(RECT* rect) const override;
    int HitTest(int x, int y) override;
    bool GetRecord(zelvo::annotation::ObjectRecord& out) const override;
    bool SetRecord(const zelvo::annotation::ObjectRecord& record) override;
    int Step() override;

    virtual void Init();
    virtual void ResetPoints();
    virtual void DrawLabel(HDC dc);
    virtual void Refresh();

    // The result line (GB2312) and the main value: the chain's length.
    const char* GetResultText(double* value);
    void SetBlink(int on);
    HitPart FindPart(int x, int y, int* index) const override;

    std::vector<POINT> GetPoints() const;
    void SetPoints(const std::vector<POINT>& points);
    int GetBlinkPhase() const { return m_blinkPhase.load(); }

protected:
    // The press handling; insertOnEdge: a press on an edge adds a vertex there.
    int Press(int x, int y, bool insertOnEdge);
    bool DragPartTo(int index, POINT p) override;
    bool MoveBy(int dx, int dy) override;
    void DragDone() override { Refresh(); }
    std::vector<POINT> ScreenPoints() const;
    // The shape's line, with the outline pen selected.
    virtual void DrawOutline(HDC dc, const std::vector<POINT>& screen);
    void DrawPolyline(HDC dc, const std::vector<POINT>& screen) const;
    RECT PointsBox() const;

    // Guards the point list and the stored box against the blink worker,
    // which reads them; the UI thread alone writes them.
    mutable std::mutex m_lock;
    std::vector<POINT> m_points;  // image pixels
    RECT m_box{0, 0, 0, 0};       // image pixels, as last refreshed
    std::atomic<int> m_blinkPhase{0};
};

class CAngleMeasure : public CSegmentMeasure {
public:
    CAngleMeasure(CWnd* owner, DrawAttributes attributes, DrawChangeFn onChange, void* context, int type);

    int OnLButtonDown(int x, int y) override;
    void ResetPoints() override;
    void DrawLabel(HDC dc) override;
    // The result line and the angle in degrees.
    const char* GetResultText(double* value);
    double Degrees() const;

private:
    char m_angleResult[256] = {};
};

class CArcMeasure : public CSegmentMeasure {
public:
    CArcMeasure(CWnd* owner, DrawAttributes attributes, DrawChangeFn onChange, void* context, int type,
                int showLabel);
    ~CArcMeasure() override;

    int OnLButtonDown(int x, int y) override;
    void GetBoundRect(RECT* rect) const override;
    int Step() override;
    void ResetPoints() override;
    void DrawLabel(HDC dc) override;
    void Refresh() override;
    // The result line and the arc's length.
    const char* GetResultText(double* value);
    const zelvo::annotation::ArcGeometry& Geometry() const { return m_arc; }

protected:
    void DrawOutline(HDC dc, const std::vector<POINT>& screen) override;

private:
    zelvo::annotation::ArcGeometry m_arc;
    char m_arcResult[256] = {};
};
