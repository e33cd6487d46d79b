// A circle over the slide given by centre and radius: resized by dragging
// one of its four handles, moved by dragging its inside; reports area,
// perimeter and diameter and labels itself with its area.
#pragma once

#include "HandleShape.h"

class CCircleMeasure : public CHandleShape {
public:
    CCircleMeasure(CWnd* owner, DrawAttributes attributes, DrawChangeFn onChange, void* context, int type,
                   int showLabel);
    ~CCircleMeasure() override;

    POINT GetCenter() const override;
    void SetSelected(BOOL on) override;
    void SetVisible(BOOL on) override;
    int SetHighlight(BOOL on) override;
    void Draw(HDC dc) override;
    int OnLButtonDown(int x, int y) override;
    void Rescale(double sx, double sy) override;
    void SetScroll(int x, int y) override;
    void BeginCreate(int x, int y) override;
    void GetBoundRect(RECT* rect) const override;
    int HitTest(int x, int y) override;
    bool GetRecord(zelvo::annotation::ObjectRecord& out) const override;
    bool SetRecord(const zelvo::annotation::ObjectRecord& record) override;
    // The worker's step: repaints what the interface thread last published.
    int Step() override;
    HitPart FindPart(int x, int y, int* index) const override;

    virtual void Init();
    virtual void ResetRadius();
    virtual void DrawLabel(HDC dc);
    // Stores the box of centre and radius and repaints the old and the new box.
    virtual void Refresh();

    // The result line (GB2312) and the main value: the area.
    const char* GetResultText(double* value);
    void SetBlink(int on);
    int GetRadius() const { return m_radius; }
    // Image pixels; false (and nothing changed) outside the coordinate bound.
    bool SetGeometry(POINT centre, int radius);
    // What the worker repaints: the box on screen with a margin, and the label.
    void GetBlinkArea(RECT* bounds, RECT* label) const { m_blink.Get(bounds, label); }

protected:
    bool DragPartTo(int index, POINT p) override;
    bool MoveBy(int dx, int dy) override;
    void DragDone() override { Refresh(); }

private:
    RECT CircleBox() const;
    // The handles on the screen: the middles of the top, bottom, left and right edges.
    void ScreenHandles(POINT out[4]) const;
    void PublishBlinkArea();

    int32_t m_radius = 100;  // image pixels
    POINT m_centre{0, 0};    // image pixels
    RECT m_box{0, 0, 0, 0};  // image pixels, as last refreshed
    CBlinkArea m_blink;
};
