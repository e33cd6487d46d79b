#include "JpegWrite.h"

#include "Dib.h"

#include <csetjmp>
#include <cstring>
#include <mutex>

namespace {

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf returnPoint;
};

// Writes to the file; a failed write is the library's file write error.
void WriteOrFail(j_compress_ptr cinfo, const void* data, size_t n)
{
    JpegCFileDest* dest = reinterpret_cast<JpegCFileDest*>(cinfo->dest);
    bool failed = false;
    try {
        dest->file->Write(data, (UINT)n);
    } catch (CException* e) {
        e->Delete();
        failed = true;
    }
    // Outside the handler: the error exit does not return.
    if (failed) {
        cinfo->err->msg_code = JERR_FILE_WRITE;
        cinfo->err->error_exit(reinterpret_cast<j_common_ptr>(cinfo));
    }
}

// The message of an encoding that failed, until the UI thread shows it. A
// fixed buffer: the error exit allocates nothing, and nothing is left to
// free when no window is there to show it.
struct PendingError {
    std::mutex lock;
    char message[JMSG_LENGTH_MAX] = {};
    bool pending = false;
    bool boxUp = false;
};

PendingError& Pending()
{
    static PendingError p;
    return p;
}

} // namespace

void JpegCFileDest::Install(j_compress_ptr cinfo, CFile* file)
{
    if (!cinfo->dest)
        cinfo->dest = static_cast<jpeg_destination_mgr*>(
            (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, sizeof(JpegCFileDest)));
    JpegCFileDest* dest = reinterpret_cast<JpegCFileDest*>(cinfo->dest);
    dest->pub.init_destination = &JpegCFileDest::InitDestination;
    dest->pub.empty_output_buffer = &JpegCFileDest::EmptyOutputBuffer;
    dest->pub.term_destination = &JpegCFileDest::TermDestination;
    dest->file = file;
    dest->buffer = nullptr;
}

void JpegCFileDest::InitDestination(j_compress_ptr cinfo)
{
    JpegCFileDest* dest = reinterpret_cast<JpegCFileDest*>(cinfo->dest);
    dest->buffer = static_cast<JOCTET*>(
        (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE, kBufferSize));
    dest->pub.next_output_byte = dest->buffer;
    dest->pub.free_in_buffer = kBufferSize;
}

boolean JpegCFileDest::EmptyOutputBuffer(j_compress_ptr cinfo)
{
    JpegCFileDest* dest = reinterpret_cast<JpegCFileDest*>(cinfo->dest);
    WriteOrFail(cinfo, dest->buffer, kBufferSize);
    dest->pub.next_output_byte = dest->buffer;
    dest->pub.free_in_buffer = kBufferSize;
    return TRUE;
}

void JpegCFileDest::TermDestination(j_compress_ptr cinfo)
{
    JpegCFileDest* dest = reinterpret_cast<JpegCFileDest*>(cinfo->dest);
    const size_t used = kBufferSize - dest->pub.free_in_buffer;
    if (used > 0) WriteOrFail(cinfo, dest->buffer, used);
}

void JpegErrorExit(j_common_ptr cinfo)
{
    char message[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, message);
    // A box here would wait for a click on the capture worker, or pump
    // messages in the middle of a send on the UI thread: the message waits
    // for ShowJpegErrorBox, after the frame has gone out without its picture.
    {
        PendingError& p = Pending();
        std::lock_guard<std::mutex> hold(p.lock);
        if (!p.boxUp) {
            memcpy(p.message, message, sizeof p.message);
            p.pending = true;
        }
    }
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->returnPoint, 1);
}

void ShowJpegErrorBox()
{
    PendingError& p = Pending();
    char message[JMSG_LENGTH_MAX];
    {
        std::lock_guard<std::mutex> hold(p.lock);
        if (p.boxUp || !p.pending) return;
        memcpy(message, p.message, sizeof message);
        p.pending = false;
        p.boxUp = true;
    }
    fw::ShowMessageBox(nullptr, message, "JPEG Fatal Error", MB_OK | MB_ICONSTOP);
    std::lock_guard<std::mutex> hold(p.lock);
    p.boxUp = false;
}

void ConvertRowToRgb(BYTE* destination, const BYTE* source, int width, int bytesPerPixel)
{
    const int step = bytesPerPixel == 4 ? 4 : 3;
    for (int x = 0; x < width; ++x, source += step, destination += 3) {
        destination[0] = source[2];
        destination[1] = source[1];
        destination[2] = source[0];
    }
}

int DibToJpeg(CFile* file, CDib* dib, int quality, int rowOrder)
{
    if (!file || !dib || dib->IsEmpty() || dib->GetBitCount() < 24) return 0;
    const int bytesPerPixel = dib->GetBitCount() / 8;
    const CSize size = dib->GetDimensions();
    const DWORD stride = dib->GetRowStride();
    BYTE* bits = dib->LockBits();

    jpeg_compress_struct cinfo;
    ErrorManager err;
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = &JpegErrorExit;
    if (setjmp(err.returnPoint)) {
        jpeg_destroy_compress(&cinfo);
        dib->UnlockBits();
        return 0;
    }
    jpeg_create_compress(&cinfo);
    JpegCFileDest::Install(&cinfo, file);
    cinfo.image_width = (JDIMENSION)size.cx;
    cinfo.image_height = (JDIMENSION)size.cy;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    if (rowOrder == 0 && bytesPerPixel == 3) {
        for (JDIMENSION row = 0; row < cinfo.image_height; ++row) {
            JSAMPROW line = bits + (size_t)row * stride;
            jpeg_write_scanlines(&cinfo, &line, 1);
        }
    } else {
        // 32-bit rows carry a fourth byte the encoder must not see.
        JSAMPARRAY line = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                                     (JDIMENSION)size.cx * 3, 1);
        for (JDIMENSION i = 0; i < cinfo.image_height; ++i) {
            const JDIMENSION row = rowOrder == 0 ? i : cinfo.image_height - 1 - i;
            const BYTE* from = bits + (size_t)row * stride;
            if (rowOrder == 0) {
                for (int x = 0; x < size.cx; ++x) memcpy(line[0] + x * 3, from + x * bytesPerPixel, 3);
            } else {
                ConvertRowToRgb(line[0], from, size.cx, bytesPerPixel);
            }
            jpeg_write_scanlines(&cinfo, line, 1);
        }
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    dib->UnlockBits();
    return 1;
}
