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

// Docking: the sides a bar may be docked on, and the frame's docking places.
#define CBRS_ALIGN_LEFT   0x1000L
#define CBRS_ALIGN_TOP    0x2000L
#define CBRS_ALIGN_RIGHT  0x4000L
#define CBRS_ALIGN_BOTTOM 0x8000L
#define CBRS_ALIGN_ANY    0xF000L
#define AFX_IDW_DOCKBAR_TOP    0xE81B
#define AFX_IDW_DOCKBAR_LEFT   0xE81C
#define AFX_IDW_DOCKBAR_RIGHT  0xE81D
#define AFX_IDW_DOCKBAR_BOTTOM 0xE81E
#define AFX_IDW_DOCKBAR_FLOAT  0xE81F

enum class DockSide { Top, Bottom, Left, Right, Floating };

// A toolbar. With docking enabled (EnableDocking, then the frame's
// DockControlBar) it can be dragged by its gripper to another edge of the
// frame or off it into a small floating window, and back; controls placed over
// its separators follow their separators.
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

    // alignments: CBRS_ALIGN_* sides the bar may be docked on; 0 disables docking.
    void EnableDocking(DWORD alignments) { m_dwDockStyle = alignments; }
    DWORD GetDockingStyle() const { return m_dwDockStyle; }
    DockSide GetDockSide() const { return m_dockSide; }
    BOOL IsFloating() const { return m_dockSide == DockSide::Floating; }
    // The frame the bar docks on (its commands go there, floating or not).
    CFrameWnd* GetDockingFrame() const { return m_pDockSite; }
    // The bar's outer size on a side: for top, bottom and floating, length is
    // the width offered (0: as wide as the buttons); for left and right, the
    // height. Lays the buttons out for that side.
    CSize CalcDockSize(DockSide side, int length);
    // Starts dragging the bar from a screen point (the gripper or the floating
    // window's caption was pressed there); the drop docks or floats it.
    void BeginDrag(CPoint screen);
    BOOL IsDragging() const { return m_dragging; }

protected:
    LRESULT OnIdleUpdateCmdUI(WPARAM disableIfNoHandler, LPARAM);
    DECLARE_MESSAGE_MAP()

private:
    friend class CFrameWnd;
    struct Hosted {
        HWND wnd;
        int separator;
    };
    bool HasGripper() const { return m_pDockSite && m_dockSide != DockSide::Floating; }
    bool Vertical() const { return m_dockSide == DockSide::Left || m_dockSide == DockSide::Right; }
    RECT GripperRect() const;  // window coordinates
    void FindHostedControls();
    void MoveHostedControls();
    bool DockingMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    void DragTo(CPoint screen);
    void EndDrag(bool drop, CPoint screen);
    // Where a drop at a screen point would put the bar, and its outline there.
    DockSide DropTarget(CPoint screen, RECT& outline);

    DWORD m_dwDockStyle = 0;
    DockSide m_dockSide = DockSide::Top;
    DockSide m_lastDocked = DockSide::Top;
    CFrameWnd* m_pDockSite = nullptr;
    CWnd* m_pFloatFrame = nullptr;  // deletes itself with its window
    std::vector<Hosted> m_hosted;
    bool m_hostedFound = false;
    bool m_dragging = false;
    CPoint m_dragStart;
    CPoint m_dragGrab;              // the pressed point's offset from the outline's corner
    RECT m_dragOutline{};
    bool m_outlineShown = false;
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
