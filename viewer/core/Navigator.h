// The overview window: the slide's thumbnail with its size and magnification
// written on it, and the navigation frame that marks and moves the part of
// the slide shown in the main view.
#pragma once

#include "Framework.h"
#include "DisplayBuffer.h"
#include "Dib.h"
#include "../objects/DrawObject.h"

class CNavigationFrame;

class CNavigatorDlg : public CDialog, public CDisplayBuffer {
public:
    CNavigatorDlg(CWnd* parent, CWnd* notify, UINT notifyMessage);
    ~CNavigatorDlg() override;

    BOOL OnInitDialog() override;

    // Reads a JPEG thumbnail from the file's current position.
    BOOL LoadThumbnail(CFile& file);
    void FitToThumbnail();
    void DrawThumbnail();
    void PlaceBesideOwner();
    void MoveBy(int dx, int dy);
    void SetScale(double sx, double sy);
    // Physical sample size and the screen's pixels per metre, for the texts
    // and the 1:1 size.
    void SetSampleSize(double widthMm, double heightMm, int ppmX, int ppmY);
    void SetFrame(CNavigationFrame* frame);

    HWND Hwnd() const { return CWnd::m_hWnd; }

    CDib* m_pThumbnail = nullptr;
    int m_clientW = 0;
    int m_clientH = 0;
    double m_scaleX = 1.0;
    double m_scaleY = 1.0;
    int m_thumbW = 0;
    int m_thumbH = 0;
    CNavigationFrame* m_pFrame = nullptr;
    int m_oneToOneW = 0;
    int m_oneToOneH = 0;
    CWnd* m_pNotify;
    UINT m_notifyMessage;
    CWnd* m_pParent;
    int m_drag = 0;
    int m_ppmX = 0;
    int m_ppmY = 0;
    double m_sampleWmm = 0.0;
    double m_sampleHmm = 0.0;

protected:
    void OnPaint();
    BOOL OnEraseBkgnd(HDC dc);
    void OnLButtonDown(UINT flags, CPoint p);
    void OnLButtonUp(UINT flags, CPoint p);
    void OnLButtonDblClk(UINT flags, CPoint p);
    void OnMouseMove(UINT flags, CPoint p);
    void OnRButtonUp(UINT flags, CPoint p);
    void OnClose();
    void OnTimer(UINT_PTR id);
    void OnMoving(UINT side, LPRECT rect);
    DECLARE_MESSAGE_MAP()

private:
    // Client size, scale and picture buffer after the window's size changed.
    void TakeClientSize();
    void DrawTexts(HDC dc);
    // Wine without a window manager raises a frame that takes the focus over
    // the windows it owns (its X window goes up, and the exposure that follows
    // puts it above them): the overview comes back above its owner.
    void KeepAboveOwner();
};

class CNavigationFrame : public CDrawObject {
public:
    CNavigationFrame(CWnd* owner, CWnd* notify);

    // Stores the rectangle (image coordinates), keeps it inside the owner's
    // client area and returns how far that moved its left/top.
    SIZE SetFrameRect(int l, int t, int r, int b);
    void CenterOn(int x, int y, BOOL postMoved);

    void Draw(HDC dc) override;
    int OnLButtonDown(int x, int y) override;
    int OnLButtonUp(int x, int y) override;
    int OnLButtonDblClk(int x, int y) override;
    int OnMouseMove(int x, int y) override;
    int HitMode(int x, int y) const;
    void SetHitCursor(int x, int y);

    RECT m_rect{20, 20, 180, 180};
    int m_markW = 0;
    int m_markH = 0;
    CWnd* m_pNotify;
    POINT m_last{0, 0};
    POINT m_dragStart{0, 0};
    int m_hitMode = 0;
    int m_dragging = 0;
    HCURSOR m_cursorWE;
    HCURSOR m_cursorNS;
    HCURSOR m_cursorAll;
    HCURSOR m_cursorArrow;

private:
    // The owner's client area in image coordinates.
    RECT OwnerArea() const;
    POINT ToImage(int x, int y) const;
    void Post(UINT message, int wParam, int lParam);
};
