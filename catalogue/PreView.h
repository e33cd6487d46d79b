// The preview pane: the last preview image received, shrunk to fit and centred.
#pragma once

#include "Dib.h"
#include "Framework.h"

class CPreView : public CView {
    DECLARE_DYNCREATE(CPreView)
public:
    CPreView();

    // Decodes a JPEG held in memory into the pane's picture.
    BOOL LoadImage(const BYTE* data, size_t length);
    // Empties the picture and repaints.
    void ClearImage();
    const CDib& Picture() const { return m_dib; }

protected:
    void OnDraw(HDC dc) override;
    BOOL OnEraseBkgnd(HDC dc);
    DECLARE_MESSAGE_MAP()

private:
    CDib m_dib;
};
