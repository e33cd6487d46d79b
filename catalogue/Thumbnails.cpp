#include "Thumbnails.h"

#include "catalogue/FitImage.h"

using zelvo::catalog::FitImageRect;

namespace {

const TCHAR kMark[] = _T("？");

void Fill(HDC dc, int l, int t, int r, int b, COLORREF colour)
{
    RECT rc = {l, t, r, b};
    ::SetDCBrushColor(dc, colour);
    ::FillRect(dc, &rc, (HBRUSH)::GetStockObject(DC_BRUSH));
}

// Top and left edges in one colour, right and bottom in the other, inside (l,t)-(r,b).
void Draw3dRect(HDC dc, int l, int t, int r, int b, COLORREF topLeft, COLORREF bottomRight)
{
    Fill(dc, l, t, r - 1, t + 1, topLeft);
    Fill(dc, l, t, l + 1, b - 1, topLeft);
    Fill(dc, r - 1, t, r, b, bottomRight);
    Fill(dc, l, b - 1, r, b, bottomRight);
}

// Made once: a list of a thousand slides draws a thousand tiles.
HFONT CaptionFont()
{
    static HFONT font = ::CreateFont(14, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, _T("Arial"));
    return font;
}

void DrawMark(HDC dc, int x, int y)
{
    ::SetBkMode(dc, OPAQUE);
    ::SetBkColor(dc, kMarkBack);
    ::SetTextColor(dc, kMarkText);
    ::TextOut(dc, x, y, kMark, 1);
}

void DrawFitted(HDC dc, CDib& picture, int left, int top, int boxWidth, int boxHeight)
{
    if (picture.IsEmpty()) return;
    CSize size = picture.GetSize();
    auto fit = FitImageRect(boxWidth, boxHeight, size.cx, size.cy);
    picture.SetStretchMode(HALFTONE);
    ::SetBrushOrgEx(dc, 0, 0, nullptr);
    picture.Draw(dc, left + fit.x, top + fit.y, left + fit.x + fit.width, top + fit.y + fit.height);
}

// A bitmap compatible with the screen, drawn through a memory DC of its own.
// It leaves the DC once drawn: an image list can only copy a bitmap that no
// other DC holds.
class Canvas {
public:
    Canvas(int w, int h)
    {
        HDC screen = ::GetDC(nullptr);
        m_dc = ::CreateCompatibleDC(screen);
        m_bitmap = ::CreateCompatibleBitmap(screen, w, h);
        ::ReleaseDC(nullptr, screen);
    }
    ~Canvas()
    {
        if (m_dc) ::DeleteDC(m_dc);
        if (m_bitmap) ::DeleteObject(m_bitmap);
    }
    HDC Begin()
    {
        if (!m_dc || !m_bitmap) return nullptr;
        m_old = ::SelectObject(m_dc, m_bitmap);
        return m_dc;
    }
    HBITMAP End()
    {
        ::SelectObject(m_dc, m_old);
        return m_bitmap;
    }

private:
    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_old = nullptr;
};

} // namespace

HBITMAP MakeIconThumbnail(CDib& picture, bool mark)
{
    static Canvas canvas(200, 200);
    HDC dc = canvas.Begin();
    if (!dc) return nullptr;
    Fill(dc, 0, 0, 200, 200, RGB(20, 50, 100));
    DrawFitted(dc, picture, 0, 0, 200, 200);
    if (mark) DrawMark(dc, 180, 5);
    return canvas.End();
}

HBITMAP MakeTileThumbnail(CDib& picture, bool mark, LPCTSTR infoName, LPCTSTR infoValue)
{
    static Canvas canvas(300, 100);
    HDC dc = canvas.Begin();
    if (!dc) return nullptr;
    Fill(dc, 0, 0, 300, 100, RGB(230, 230, 240));
    Fill(dc, 10, 6, 98, 94, RGB(255, 255, 255));
    Draw3dRect(dc, 1, 1, 299, 99, RGB(200, 200, 220), RGB(120, 120, 140));
    Draw3dRect(dc, 1, 1, 300, 100, RGB(200, 200, 220), RGB(130, 130, 150));
    Draw3dRect(dc, 110, 5, 200, 95, RGB(200, 200, 220), RGB(120, 120, 140));
    Draw3dRect(dc, 218, 14, 294, 87, RGB(220, 220, 220), RGB(220, 220, 220));

    HPEN pen = ::CreatePen(PS_SOLID, 1, RGB(50, 50, 200));
    HGDIOBJ oldPen = ::SelectObject(dc, pen);
    HGDIOBJ oldBrush = ::SelectObject(dc, ::GetStockObject(WHITE_BRUSH));
    ::Rectangle(dc, 10, 6, 98, 94);
    ::SelectObject(dc, oldBrush);
    ::SelectObject(dc, oldPen);
    ::DeleteObject(pen);

    HGDIOBJ oldFont = ::SelectObject(dc, CaptionFont());
    ::SetBkMode(dc, TRANSPARENT);
    RECT value = {10, 6, 98, 94};
    ::SetTextColor(dc, RGB(0, 0, 0));
    ::DrawText(dc, infoValue ? infoValue : _T(""), -1, &value, DT_WORDBREAK);
    RECT name = {218, 14, 294, 87};
    ::SetTextColor(dc, RGB(192, 192, 192));
    ::DrawText(dc, infoName ? infoName : _T(""), -1, &name, DT_WORDBREAK);
    ::SelectObject(dc, oldFont);

    if (mark) DrawMark(dc, 280, 5);
    DrawFitted(dc, picture, 112, 7, 86, 86);
    return canvas.End();
}
