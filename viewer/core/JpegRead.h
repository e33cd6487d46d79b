// JPEG decoding into a CDib through libjpeg, with a data source over an open
// CFile that leaves the file right behind the picture's end marker.
#pragma once

#include "Framework.h"
#include "image/JpegHead.h"

#include <cstdint>
#include <cstdio>
#include <vector>
#include <jpeglib.h>

class CDib;

// Installs a source that reads the file in blocks of 4096 bytes.
void jpeg_cfile_src(j_decompress_ptr cinfo, CFile* file);

class JpegFile {
public:
    JpegFile() {}
    ~JpegFile() {}

    // The picture in the file at path; width, height and comment (at least
    // 256 chars, or none) receive what was read.
    static BOOL ReadFile(LPCTSTR path, CDib* dib, UINT* width, UINT* height, LPSTR comment);
    static BOOL ReadToDib(CDib* dib, CFile& file, UINT* width, UINT* height, LPSTR comment);

    // A JPEG held in memory into 32-bit pixels (blue, green, red, unused; rows
    // top first) in the caller's block, which is reused. FALSE for anything
    // but a whole grey or colour JPEG within the size limits.
    static BOOL DecodeToPixels(const BYTE* data, size_t length, std::vector<uint32_t>& pixels, UINT* width,
                               UINT* height);

    static boolean OnComMarker(j_decompress_ptr cinfo);
    static void OnErrorExit(j_common_ptr cinfo);

    // libjpeg's text for the last read that it refused ("" when the last read
    // failed otherwise or succeeded).
    static const char* LastErrorMessage();

    // The scanner's comment record, one per process.
    static zelvo::JpegComRecord& ComRecord();
};
