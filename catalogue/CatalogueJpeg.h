// JPEG bytes held in memory into a picture, through the same reader the
// viewer uses. A picture that does not decode is reported in the "JPEG Fatal
// Error" box when report is set.
#pragma once

#include "Dib.h"

BOOL DecodeJpeg(CDib& dib, const BYTE* data, size_t length, bool report);
