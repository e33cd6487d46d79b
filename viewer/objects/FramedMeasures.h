// The framed measurements: a rectangle and an ellipse in a rotatable frame,
// each reporting area, perimeter, axes, aspect ratio, diameter, roundness
// and tilt, and labelled with its area.
#pragma once

#include "FramedShape.h"

class CRectangleMeasure : public CFramedShape {
public:
    CRectangleMeasure(CWnd* owner, DrawAttributes attributes, DrawChangeFn onChange, void* context, int type,
                      int showLabel);

    void Draw(HDC dc) override;
    void Init() override;
    virtual void DrawLabel(HDC dc);
    // The result line (GB2312) and the main value: the area.
    const char* GetResultText(double* value);
};

class CEllipseMeasure : public CFramedShape {
public:
    CEllipseMeasure(CWnd* owner, DrawAttributes attributes, DrawChangeFn onChange, void* context, int type,
                    int showLabel);

    void Draw(HDC dc) override;
    // Inside the drawn outline, not the frame.
    int HitTestRegion(int x, int y) override;
    void Init() override;
    void BuildOutline() override;
    virtual void DrawLabel(HDC dc);
    const char* GetResultText(double* value);
};
