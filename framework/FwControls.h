// Thin wrappers of the standard controls, bound to a dialog's items with
// SubclassDlgItem or DDX_Control. Calls on an unbound object do nothing and
// answer as an empty control would.
#pragma once

#include "FwWnd.h"

class CComboBox : public CWnd {
public:
    int AddString(LPCTSTR text) { return (int)Send(CB_ADDSTRING, 0, (LPARAM)text, CB_ERR); }
    int InsertString(int index, LPCTSTR text) { return (int)Send(CB_INSERTSTRING, (WPARAM)index, (LPARAM)text, CB_ERR); }
    int DeleteString(UINT index) { return (int)Send(CB_DELETESTRING, index, 0, CB_ERR); }
    void ResetContent() { Send(CB_RESETCONTENT, 0, 0, 0); }
    int GetCount() const { return (int)Send(CB_GETCOUNT, 0, 0, 0); }
    int GetCurSel() const { return (int)Send(CB_GETCURSEL, 0, 0, CB_ERR); }
    // Selects nothing for an index out of range (and answers CB_ERR).
    int SetCurSel(int index)
    {
        // Not every platform clears the selection for a bad index by itself.
        if (index < 0 || index >= GetCount()) {
            Send(CB_SETCURSEL, (WPARAM)-1, 0, CB_ERR);
            return CB_ERR;
        }
        return (int)Send(CB_SETCURSEL, (WPARAM)index, 0, CB_ERR);
    }
    // The item's text; empty for an index out of range.
    void GetLBText(int index, CString& text) const;
    int GetLBTextLen(int index) const { return (int)Send(CB_GETLBTEXTLEN, (WPARAM)index, 0, CB_ERR); }
    DWORD_PTR GetItemData(int index) const { return (DWORD_PTR)Send(CB_GETITEMDATA, (WPARAM)index, 0, CB_ERR); }
    int SetItemData(int index, DWORD_PTR data) { return (int)Send(CB_SETITEMDATA, (WPARAM)index, (LPARAM)data, CB_ERR); }

private:
    LRESULT Send(UINT m, WPARAM w, LPARAM l, LRESULT unbound) const
    {
        return m_hWnd ? ::SendMessage(m_hWnd, m, w, l) : unbound;
    }
};

class CSliderCtrl : public CWnd {
public:
    void SetRange(int minimum, int maximum, BOOL redraw = FALSE)
    {
        if (!m_hWnd) return;
        ::SendMessage(m_hWnd, TBM_SETRANGEMIN, FALSE, minimum);
        ::SendMessage(m_hWnd, TBM_SETRANGEMAX, redraw, maximum);
    }
    void GetRange(int& minimum, int& maximum) const;
    int GetRangeMin() const { return m_hWnd ? (int)::SendMessage(m_hWnd, TBM_GETRANGEMIN, 0, 0) : 0; }
    int GetRangeMax() const { return m_hWnd ? (int)::SendMessage(m_hWnd, TBM_GETRANGEMAX, 0, 0) : 0; }
    void SetPos(int pos) { if (m_hWnd) ::SendMessage(m_hWnd, TBM_SETPOS, TRUE, pos); }
    int GetPos() const { return m_hWnd ? (int)::SendMessage(m_hWnd, TBM_GETPOS, 0, 0) : 0; }
};

class CButton : public CWnd {
public:
    int GetCheck() const { return m_hWnd ? (int)::SendMessage(m_hWnd, BM_GETCHECK, 0, 0) : BST_UNCHECKED; }
    void SetCheck(int check) { if (m_hWnd) ::SendMessage(m_hWnd, BM_SETCHECK, (WPARAM)check, 0); }
};

class CEdit : public CWnd {
public:
    void SetLimitText(UINT maximum) { if (m_hWnd) ::SendMessage(m_hWnd, EM_SETLIMITTEXT, maximum, 0); }
    void SetSel(int start, int end) { if (m_hWnd) ::SendMessage(m_hWnd, EM_SETSEL, (WPARAM)start, (LPARAM)end); }
    void SetReadOnly(BOOL readOnly = TRUE) { if (m_hWnd) ::SendMessage(m_hWnd, EM_SETREADONLY, readOnly, 0); }
};

class CStatic : public CWnd {
public:
    HICON SetIcon(HICON icon) { return m_hWnd ? (HICON)::SendMessage(m_hWnd, STM_SETICON, (WPARAM)icon, 0) : nullptr; }
    HICON GetIcon() const { return m_hWnd ? (HICON)::SendMessage(m_hWnd, STM_GETICON, 0, 0) : nullptr; }
};
