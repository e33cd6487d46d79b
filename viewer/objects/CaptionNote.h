// The slide's description: a text note that lives in the display window's
// client coordinates instead of the image. It neither zooms nor scrolls,
// starts in the top-right corner of the window, is kept inside the client
// area when the window changes size, and shows as a plain rounded box.
#pragma once

#include "TextNote.h"

class CCaptionNote : public CTextNote {
public:
    // The layers pass the title note's kind: the caption draws and edits as
    // one, without a tail, while it reports its own type.
    CCaptionNote(CWnd* owner, DrawAttributes attributes, DrawChangeFn onChange, void* context, int type,
                 int measurement = 0);

    int GetType() const override;
    int OnLButtonDown(int x, int y) override;
    int OnMouseMove(int x, int y) override;
    void SetScale(double sx, double sy) override;
    void SetScroll(int x, int y) override;
    void BeginCreate(int x, int y) override;

    // Moves the box back inside the owner's client area (or the given one):
    // from beyond the right edge, after which it follows that edge, and from
    // beyond the bottom; never so far that it leaves by the left or the top.
    void KeepInside();
    void KeepInside(const RECT& client);
    int IsPinnedRight() const { return m_pinnedRight; }

private:
    int m_pinnedRight = 0;
};
