// The scale bar in the corner of the display window and the movable screen ruler.
#pragma once

#include "DrawObject.h"

#include <vector>

class CScaleBar : public CDrawObject {
public:
    struct Segment {
        int x1, y1, x2, y2;
    };
    enum { HIT_NONE = 0, HIT_END = 2, HIT_BAND = 3 };

    CScaleBar(CWnd* owner, uint32_t screenPixelsPerMetre);
    ~CScaleBar() override;

    void Draw(HDC dc) override;
    int OnLButtonDown(int x, int y) override;
    int OnLButtonUp(int x, int y) override;
    int OnMouseMove(int x, int y) override;

    void SetDefaultGeometry();
    void SetMagnification(double magnification);
    void SetLength(double millimetres);
    void ToggleScreenRuler();
    void SetClientRect(const RECT& rect) { m_client = rect; }

    // The three bar labels: slide micrometres, centimetres, magnification.
    void GetBarLabels(CString& microns, CString& centimetres, CString& magnification) const;
    CString GetRulerLabel() const;
    // The font of the bar's labels; the caller deletes it.
    static HFONT CreateLabelFont();
    // Ticks and band of the ruler as it stands.
    void BuildTicks();
    // Which part of the ruler a client point is on; end receives 0 or 1.
    int HitRuler(int x, int y, int* end);

    POINT m_rulerStart{0, 0};
    POINT m_rulerEnd{0, 0};
    POINT m_band[4]{};
    int m_buttonDown = 0;
    POINT m_last{0, 0};
    int m_hitCode = HIT_NONE;
    int m_hitEnd = 0;
    int m_rulerActive = 0;
    int m_rulerShown = 0;
    uint32_t m_screenPixelsPerMetre;
    double m_magnification = 1.0;
    double m_barLength = 40.0;
    double m_barSlideLength = 0.0;
    int32_t m_barPixels = 200;
    std::vector<Segment> m_ticks;
    RECT m_client{0, 0, 0, 0};

private:
    void Recompute();
    void DrawRuler(HDC dc);
    double RulerLength() const;

    HCURSOR m_moveCursor = nullptr;
    HCURSOR m_arrowCursor = nullptr;
    HCURSOR m_crossCursor = nullptr;
};
