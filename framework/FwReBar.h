// A rebar: bands that hold control bars (toolbars) over a background bitmap,
// laid out by the frame like any other control bar.
#pragma once

#include "FwBars.h"

#ifndef AFX_IDW_REBAR
#define AFX_IDW_REBAR 0xE804
#endif

class CReBar : public CWnd {
public:
    BOOL Create(CWnd* parent, DWORD ctrlStyle = RBS_BANDBORDERS,
                DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | CBRS_TOP,
                UINT id = AFX_IDW_REBAR);
    // Puts the bar in a new band of its own size; the bar becomes the rebar's child.
    BOOL AddBar(CWnd* bar, LPCTSTR text = nullptr, HBITMAP background = nullptr,
                DWORD style = RBBS_GRIPPERALWAYS | RBBS_FIXEDBMP);
    int GetBandCount() const { return m_hWnd ? (int)::SendMessage(m_hWnd, RB_GETBANDCOUNT, 0, 0) : 0; }

    // The bars' commands and their updates are the frame's.
    BOOL OnCmdMsg(UINT id, int code, void* extra, void* handlerInfo, bool queryOnly = false) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};
