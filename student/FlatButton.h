// The operation bar's owner-drawn button: flat until the mouse is over it,
// with colours per state, a pressed look, an engraved look when disabled and
// a tooltip.
#pragma once

#include "Framework.h"

class CFlatButton : public CButton {
public:
    // Colour slots.
    enum { BtnColorInBk = 0, BtnColorInFg, BtnColorOutBk, BtnColorOutFg, BtnColorFocusBk, BtnColorFocusFg,
           BtnColorMax };

    CFlatButton();
    ~CFlatButton() override;

    // 0, or 3 for a slot that does not exist (nothing changes then).
    int SetColor(int slot, COLORREF colour, BOOL repaint = TRUE);
    COLORREF GetColor(int slot) const { return slot >= 0 && slot < BtnColorMax ? m_crColors[slot] : 0; }
    // Button face and button text for all three states.
    void SetDefaultColors(BOOL repaint = TRUE);
    // The tooltip over the whole button; no text does nothing.
    void SetTooltipText(LPCTSTR text, BOOL activate = TRUE);
    HWND GetToolTip() const { return m_hToolTip; }
    BOOL IsMouseOver() const { return m_bMouseOnButton; }

    // The parent hands its owner-draw and colour messages for flat buttons
    // to them (the framework does not reflect them); TRUE when it was one.
    static BOOL ReflectDrawItem(LPDRAWITEMSTRUCT dis);
    static HBRUSH ReflectCtlColor(HWND control);

    void PreSubclassWindow() override;
    BOOL PreTranslateMessage(MSG* msg) override;
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    virtual void DrawItem(LPDRAWITEMSTRUCT dis);

protected:
    virtual void OnDrawBackground(HDC dc, const RECT& r);
    virtual void OnDrawBorder(HDC dc, const RECT& r);

    void OnMouseMove(UINT flags, CPoint p);
    void OnKillFocus(CWnd* next);
    void OnActivate(UINT state, CWnd* other, BOOL minimized);
    BOOL OnSetCursor(CWnd* wnd, UINT hitTest, UINT message);
    LRESULT OnMouseLeave(WPARAM, LPARAM);
    LRESULT OnCancelMode(WPARAM, LPARAM);
    LRESULT OnEnable(WPARAM enabled, LPARAM);
    LRESULT OnGetDlgCode(WPARAM, LPARAM);
    LRESULT OnSetStyle(WPARAM style, LPARAM redraw);
    DECLARE_MESSAGE_MAP()

private:
    void InitToolTip();
    void CancelHover();

    BOOL m_bMouseOnButton = FALSE;
    BOOL m_bIsPressed = FALSE;
    BOOL m_bIsFocused = FALSE;
    BOOL m_bIsDisabled = FALSE;
    BOOL m_bIsDefault = FALSE;
    BOOL m_bDrawBorder = TRUE;
    COLORREF m_crColors[BtnColorMax];
    HWND m_hToolTip = nullptr;
    HCURSOR m_hCursor = nullptr;
    UINT m_nTypeStyle = 0;
};
