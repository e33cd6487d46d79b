// The eyepiece mask: a dark child window over the whole slide view with an
// elliptic hole through which the slide shows, information texts left and
// right of the hole and the scale bar.
#pragma once

#include "Framework.h"

class CScaleBar;

class CInfoWnd : public CWnd {
public:
    explicit CInfoWnd(CWnd* owner);
    ~CInfoWnd() override;

    BOOL CreateInfo(CWnd* owner);
    void SetInfoText(const CString& left, const CString& right);
    void Reshape(int holeWidth, int holeHeight);
    void SetScaleBar(CScaleBar* bar) { m_scaleBar = bar; }
    // The font of the two texts; the caller deletes it.
    static HFONT CreateTextFont();

    int m_holeWidth = 700;
    int m_holeHeight = 700;
    CScaleBar* m_scaleBar = nullptr;
    CString m_leftText;
    CString m_rightText;
    CWnd* m_owner = nullptr;

    int OnCreate(LPCREATESTRUCT cs);
    void OnSize(UINT type, int cx, int cy);
    BOOL OnEraseBkgnd(HDC dc);
    void OnPaint();

protected:
    DECLARE_MESSAGE_MAP()

private:
    void CoverOwner();
    void UpdateRegion();
};
