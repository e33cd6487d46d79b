// Control bars of a frame: the toolbar and the status bar, both kept up to
// date at idle through the frame's command handlers.
#pragma once

#include "FwFrame.h"

#include <vector>

// Bar alignment, as the frame lays its bars out.
#define CBRS_TOP     CCS_TOP
#define CBRS_BOTTOM  CCS_BOTTOM
// Button styles for SetButtonInfo.
#define TBBS_BUTTON    BTNS_BUTTON
#define TBBS_SEPARATOR BTNS_SEP

class CToolBar : public CWnd {
public:
    // ctrlStyle: toolbar styles such as TBSTYLE_FLAT; tool tips are always on.
    BOOL CreateEx(CWnd* parent, DWORD ctrlStyle = TBSTYLE_FLAT, DWORD style = WS_CHILD | WS_VISIBLE | CBRS_TOP,
                  UINT id = AFX_IDW_TOOLBAR);
    // Buttons from the TOOLBAR resource of this id, images from the bitmap of the same id.
    BOOL LoadToolBar(UINT idResource);

    int GetCount() const { return (int)::SendMessage(m_hWnd, TB_BUTTONCOUNT, 0, 0); }
    int CommandToIndex(UINT id) const;
    UINT GetItemID(int index) const;
    void GetItemRect(int index, LPRECT rect) const;
    // For a separator, image is its width in pixels.
    void SetButtonInfo(int index, UINT id, UINT style, int image);
    // Button and image sizes in pixels; images from a list instead of the bitmap.
    void SetSizes(SIZE button, SIZE image);
    BOOL SetButtonText(int index, LPCTSTR text);
    HIMAGELIST SetImageList(HIMAGELIST list);

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    LRESULT OnIdleUpdateCmdUI(WPARAM disableIfNoHandler, LPARAM);
    DECLARE_MESSAGE_MAP()
};

class CStatusBar : public CWnd {
public:
    BOOL Create(CWnd* parent, DWORD style = WS_CHILD | WS_VISIBLE | CBRS_BOTTOM, UINT id = AFX_IDW_STATUS_BAR);
    // One pane per id; a pane's text is the string of its id (ID_SEPARATOR: empty,
    // stretching). ids may be null to make count empty panes.
    BOOL SetIndicators(const UINT* ids, int count);
    BOOL SetPaneText(int index, LPCTSTR text, BOOL update = TRUE);
    CString GetPaneText(int index) const;
    int GetCount() const { return (int)m_ids.size(); }
    UINT GetItemID(int index) const { return index >= 0 && index < GetCount() ? m_ids[index] : 0; }

protected:
    LRESULT OnIdleUpdateCmdUI(WPARAM disableIfNoHandler, LPARAM);
    void OnSize(UINT type, int cx, int cy);
    DECLARE_MESSAGE_MAP()

private:
    void Layout();
    std::vector<UINT> m_ids;
    std::vector<CString> m_texts;
};

// The frame's bar toggles (ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR: the command id
// is the bar's child id). A frame maps its commands to these.
void FwShowControlBar(CFrameWnd* frame, CWnd* bar, BOOL show);
BOOL FwOnBarCheck(CFrameWnd* frame, UINT id);
void FwOnUpdateControlBarMenu(CFrameWnd* frame, CCmdUI* ui);
