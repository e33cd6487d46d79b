// A static splitter: a fixed grid of panes separated by bars that the user
// drags to share out the space.
#pragma once

#include "FwDocView.h"

#include <vector>

class CSplitterWnd : public CWnd {
public:
    CSplitterWnd() = default;

    BOOL CreateStatic(CWnd* parent, int rows, int cols, DWORD style = WS_CHILD | WS_VISIBLE,
                      UINT id = AFX_IDW_PANE_FIRST);
    // Makes the pane of (row, col) a view of the class, of the given size.
    BOOL CreateView(int row, int col, const CRuntimeClass* viewClass, SIZE initialSize, CCreateContext* context);
    // Ideal and smallest size of a column or row; the last one takes the rest.
    void SetColumnInfo(int col, int ideal, int minimum);
    void SetRowInfo(int row, int ideal, int minimum);
    void GetColumnInfo(int col, int& current, int& minimum) const;
    void GetRowInfo(int row, int& current, int& minimum) const;
    int GetRowCount() const { return (int)m_rows.size(); }
    int GetColumnCount() const { return (int)m_cols.size(); }
    // The child id of a pane; a nested splitter is created with it.
    int IdFromRowCol(int row, int col) const { return AFX_IDW_PANE_FIRST + row * 16 + col; }
    CWnd* GetPane(int row, int col) const;
    virtual void RecalcLayout();

    static constexpr int kBarWidth = 6;

protected:
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    void OnSize(UINT type, int cx, int cy);
    void OnPaint();
    BOOL OnSetCursor(CWnd* wnd, UINT hitTest, UINT message);
    void OnLButtonDown(UINT flags, CPoint p);
    void OnMouseMove(UINT flags, CPoint p);
    void OnLButtonUp(UINT flags, CPoint p);
    void OnCaptureChanged();
    DECLARE_MESSAGE_MAP()

private:
    struct Track {
        int ideal = 0, minimum = 0, current = 0;
    };
    // Bar under a point: column bars are 0.., row bars 100..; -1 for none.
    int HitBar(CPoint p) const;
    void Lay(std::vector<Track>& tracks, int total);

    std::vector<Track> m_rows, m_cols;
    int m_dragBar = -1;
    int m_dragStart = 0, m_dragIdeal = 0;
};
