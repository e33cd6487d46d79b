// JPEG writing of the student client's pictures through libjpeg, into any of
// the framework's files.
#pragma once

#include "Framework.h"

#include <cstdio>

#include <jpeglib.h>
#include <jerror.h>

class CDib;

// Encodes a 24- or 32-bit bitmap at the quality (baseline) into the file.
// Row order 0 feeds the memory rows as they are (bottom row first, bytes
// blue, green, red, declared red, green, blue); 1 feeds them upright and
// converted to red, green, blue. 0 when the bitmap cannot be encoded or the
// encoder failed; nothing is shown here, as this runs on the capture worker
// or in the middle of a send.
int DibToJpeg(CFile* file, CDib* dib, int quality, int rowOrder);
// The encoder's error exit: records the library's message for
// ShowJpegErrorBox and returns to the encoding's return point.
void JpegErrorExit(j_common_ptr cinfo);
// On the UI thread, once the frame whose encoding failed has gone out: shows
// the recorded message in a box with no owner, captioned "JPEG Fatal Error",
// with the stop icon. One box at a time: errors while it is up are dropped.
void ShowJpegErrorBox();
// Three bytes red, green, blue per pixel from a row of blue, green, red
// pixels of bytesPerPixel (3 or 4) bytes.
void ConvertRowToRgb(BYTE* destination, const BYTE* source, int width, int bytesPerPixel);

// A libjpeg destination that writes into a framework file through a 4096-byte
// buffer; a file exception becomes the library's file write error.
struct JpegCFileDest {
    jpeg_destination_mgr pub;
    CFile* file;
    JOCTET* buffer;

    static const size_t kBufferSize = 4096;
    // Installs the destination on the compressor (once per compressor).
    static void Install(j_compress_ptr cinfo, CFile* file);
    static void InitDestination(j_compress_ptr cinfo);
    static boolean EmptyOutputBuffer(j_compress_ptr cinfo);
    static void TermDestination(j_compress_ptr cinfo);
};
