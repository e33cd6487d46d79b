// Where the tool dialogs open: inside a corner of the slide's display window.
#pragma once

#include "Framework.h"

enum class DisplayCorner { topRight, bottomRight };

// Moves a dialog (its size kept) so that its right edge lies `right` pixels
// inside the display's and its top `vertical` pixels below the display's top,
// or its bottom that far above the display's bottom.
inline void PlaceInDisplayCorner(CWnd& dialog, CWnd* display, DisplayCorner corner, int right, int vertical)
{
    if (!display || !display->m_hWnd) return;
    RECT image, self;
    display->GetWindowRect(&image);
    dialog.GetWindowRect(&self);
    const int top = corner == DisplayCorner::topRight ? image.top + vertical
                                                      : image.bottom - vertical - (self.bottom - self.top);
    dialog.SetWindowPos(nullptr, image.right - right - (self.right - self.left), top, 0, 0,
                        SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
