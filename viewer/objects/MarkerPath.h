// The current marker file path: one string of the program, whichever was set
// last (an annotation file the user saved or loaded, or the path made for
// the marks that came with a slide). Media hot spots take it when they are
// made: its folder is where their linked files live.
#pragma once

#include "Framework.h"

const CString& GetMarkerPath();
void SetMarkerPath(const CString& path);

// The file name of a slide path without folder and extension ("b" for D:\\a\\b.jpg).
CString SlideFileTitle(const CString& path);
