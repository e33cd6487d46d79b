// The two thumbnails of a listed slide, drawn into bitmaps for the list's
// image lists: the 200x200 icon and the 300x100 caption tile. An empty
// picture leaves its place blank. Each kind is drawn into one bitmap kept for
// the whole run (a long list draws a thousand of them): the bitmap returned
// holds the thumbnail until the next one of its kind is drawn, and is not the
// caller's to delete.
#pragma once

#include "Dib.h"

const COLORREF kMarkText = RGB(255, 0, 0);
const COLORREF kMarkBack = RGB(255, 255, 0);

HBITMAP MakeIconThumbnail(CDib& picture, bool mark);
HBITMAP MakeTileThumbnail(CDib& picture, bool mark, LPCTSTR infoName, LPCTSTR infoValue);
