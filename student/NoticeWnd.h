// The full-screen notice: dark blue with " ......" while the student waits,
// black with "!!注意!!" to call attention; it hides the mouse pointer.
#pragma once

#include "Framework.h"

class CNoticeWnd : public CWnd {
public:
    CNoticeWnd() = default;
    // style 1: wait notice, 0: attention notice.
    virtual BOOL CreateNotice(int style);
    // Restores the arrow pointer and asks the window to close.
    void Close();
    int Style() const { return m_nStyle; }

protected:
    BOOL OnEraseBkgnd(HDC dc);
    DECLARE_MESSAGE_MAP()

private:
    int m_nStyle = 1;
};
