#include "JpegRead.h"

#include "Dib.h"
#include "image/DibSize.h"

#include <csetjmp>
#include <jerror.h>
#include <cstdlib>
#include <cstring>

namespace {

constexpr size_t kInputBufferSize = 4096;

struct CFileSource {
    jpeg_source_mgr pub;
    CFile* file;
    JOCTET* buffer;
    // Set once the file ran out and an end marker was made up.
    bool endSupplied;
};

struct ErrorManager {
    jpeg_error_mgr pub;
    jmp_buf returnPoint;
    char message[JMSG_LENGTH_MAX];
};

void InitSource(j_decompress_ptr cinfo)
{
    reinterpret_cast<CFileSource*>(cinfo->src)->endSupplied = false;
}

boolean FillInputBuffer(j_decompress_ptr cinfo)
{
    CFileSource* src = reinterpret_cast<CFileSource*>(cinfo->src);
    UINT got = 0;
    bool failed = false;
    // No C++ exception may cross libjpeg's frames.
    try {
        got = src->file->Read(src->buffer, (UINT)kInputBufferSize);
    } catch (CException* e) {
        e->Delete();
        failed = true;
    }
    if (failed) ERREXIT(cinfo, JERR_FILE_READ);
    if (got == 0) {
        src->buffer[0] = (JOCTET)0xFF;
        src->buffer[1] = (JOCTET)JPEG_EOI;
        got = 2;
        src->endSupplied = true;
    }
    src->pub.next_input_byte = src->buffer;
    src->pub.bytes_in_buffer = got;
    return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count)
{
    if (count <= 0) return;
    jpeg_source_mgr* src = cinfo->src;
    while (count > (long)src->bytes_in_buffer) {
        count -= (long)src->bytes_in_buffer;
        (void)(*src->fill_input_buffer)(cinfo);
    }
    src->next_input_byte += count;
    src->bytes_in_buffer -= (size_t)count;
}

void TermSource(j_decompress_ptr) {}

// Warnings about damaged data are not shown to anyone.
void OutputNothing(j_common_ptr) {}

JOCTET NextByte(j_decompress_ptr cinfo)
{
    jpeg_source_mgr* src = cinfo->src;
    if (src->bytes_in_buffer == 0) (void)(*src->fill_input_buffer)(cinfo);
    --src->bytes_in_buffer;
    return *src->next_input_byte++;
}

// A whole JPEG in memory; running past its end makes up an end marker and
// says so, as the file source does.
struct MemorySource {
    jpeg_source_mgr pub;
    const JOCTET* data;
    size_t length;
    bool endSupplied;
};

const JOCTET kEndMarker[2] = {(JOCTET)0xFF, (JOCTET)JPEG_EOI};

void InitMemorySource(j_decompress_ptr) {}

boolean FillMemoryBuffer(j_decompress_ptr cinfo)
{
    MemorySource* src = reinterpret_cast<MemorySource*>(cinfo->src);
    src->pub.next_input_byte = kEndMarker;
    src->pub.bytes_in_buffer = 2;
    src->endSupplied = true;
    return TRUE;
}

void SkipMemoryData(j_decompress_ptr cinfo, long count)
{
    if (count <= 0) return;
    jpeg_source_mgr* src = cinfo->src;
    if ((size_t)count > src->bytes_in_buffer) {
        (void)FillMemoryBuffer(cinfo);
        return;
    }
    src->next_input_byte += count;
    src->bytes_in_buffer -= (size_t)count;
}

void UseMemorySource(j_decompress_ptr cinfo, MemorySource* src, const BYTE* data, size_t length)
{
    src->pub.init_source = InitMemorySource;
    src->pub.fill_input_buffer = FillMemoryBuffer;
    src->pub.skip_input_data = SkipMemoryData;
    src->pub.resync_to_restart = jpeg_resync_to_restart;
    src->pub.term_source = TermSource;
    src->pub.next_input_byte = data;
    src->pub.bytes_in_buffer = length;
    src->data = data;
    src->length = length;
    src->endSupplied = false;
    cinfo->src = &src->pub;
}

} // namespace

namespace {

// Errors return to the caller's setjmp; warnings are not shown to anyone.
void UseErrorManager(jpeg_decompress_struct& cinfo, ErrorManager& err)
{
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = JpegFile::OnErrorExit;
    err.pub.output_message = OutputNothing;
    err.message[0] = '\0';
}

} // namespace

void jpeg_cfile_src(j_decompress_ptr cinfo, CFile* file)
{
    if (!cinfo->src) {
        CFileSource* src = static_cast<CFileSource*>(
            (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, sizeof(CFileSource)));
        src->buffer = static_cast<JOCTET*>(
            (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, kInputBufferSize));
        cinfo->src = &src->pub;
    }
    CFileSource* src = reinterpret_cast<CFileSource*>(cinfo->src);
    src->pub.init_source = InitSource;
    src->pub.fill_input_buffer = FillInputBuffer;
    src->pub.skip_input_data = SkipInputData;
    src->pub.resync_to_restart = jpeg_resync_to_restart;
    src->pub.term_source = TermSource;
    src->pub.bytes_in_buffer = 0;
    src->pub.next_input_byte = nullptr;
    src->file = file;
    src->endSupplied = false;
}

namespace {
char g_lastError[JMSG_LENGTH_MAX] = "";
} // namespace

const char* JpegFile::LastErrorMessage()
{
    return g_lastError;
}

zelvo::JpegComRecord& JpegFile::ComRecord()
{
    static zelvo::JpegComRecord record = zelvo::InitialJpegComRecord();
    return record;
}

boolean JpegFile::OnComMarker(j_decompress_ptr cinfo)
{
    // Read through the source, refilling as needed, so a comment that crosses
    // the end of the input buffer is read like any other.
    CFileSource* src = reinterpret_cast<CFileSource*>(cinfo->src);
    bool endBefore = src->endSupplied;
    JOCTET high = NextByte(cinfo);
    JOCTET low = NextByte(cinfo);
    int32_t payload = zelvo::MarkerPayloadLength(high, low);
    if (payload < 0) ERREXIT(cinfo, JERR_BAD_LENGTH);
    uint8_t head[sizeof(zelvo::JpegComRecord)];
    size_t kept = 0;
    int32_t left = payload;
    while (left > 0) {
        if (cinfo->src->bytes_in_buffer == 0) (void)(*cinfo->src->fill_input_buffer)(cinfo);
        size_t n = cinfo->src->bytes_in_buffer < (size_t)left ? cinfo->src->bytes_in_buffer : (size_t)left;
        if (kept < sizeof head) {
            size_t take = n < sizeof head - kept ? n : sizeof head - kept;
            std::memcpy(head + kept, cinfo->src->next_input_byte, take);
            kept += take;
        }
        cinfo->src->next_input_byte += n;
        cinfo->src->bytes_in_buffer -= n;
        left -= (int32_t)n;
    }
    // A comment cut off by the end of the file changes nothing.
    if (src->endSupplied && !endBefore) ERREXIT(cinfo, JERR_INPUT_EOF);
    zelvo::ApplyComPayload(ComRecord(), head, kept);
    return TRUE;
}

void JpegFile::OnErrorExit(j_common_ptr cinfo)
{
    ErrorManager* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->returnPoint, 1);
}

BOOL JpegFile::ReadFile(LPCTSTR path, CDib* dib, UINT* width, UINT* height, LPSTR comment)
{
    if (!dib) return FALSE;
    CFile file;
    if (!file.Open(path, CFile::modeRead | CFile::shareDenyWrite)) return FALSE;
    BOOL result = ReadToDib(dib, file, width, height, comment);
    file.Abort();
    return result;
}

BOOL JpegFile::ReadToDib(CDib* dib, CFile& file, UINT* width, UINT* height, LPSTR comment)
{
    if (!dib) return FALSE;
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    UseErrorManager(cinfo, err);
    g_lastError[0] = '\0';
    // Nothing with a destructor lives in this frame across the return point.
    if (setjmp(err.returnPoint)) {
        std::memcpy(g_lastError, err.message, sizeof g_lastError);
        jpeg_destroy_decompress(&cinfo);
        dib->Free();
        return FALSE;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_set_marker_processor(&cinfo, JPEG_COM, OnComMarker);
    jpeg_cfile_src(&cinfo, &file);
    jpeg_read_header(&cinfo, TRUE);

    // Grey and colour pictures both come out as B, G, R straight from the
    // decoder; CMYK and the like are not read.
    uint32_t imageBytes = 0;
    bool supported = cinfo.jpeg_color_space == JCS_GRAYSCALE || cinfo.jpeg_color_space == JCS_YCbCr ||
                     cinfo.jpeg_color_space == JCS_RGB;
    if (!supported || !zelvo::DibSizeAllowed(cinfo.image_width, cinfo.image_height, 24, &imageBytes)) {
        jpeg_destroy_decompress(&cinfo);
        dib->Free();
        return FALSE;
    }
    cinfo.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&cinfo);
    UINT w = cinfo.output_width, h = cinfo.output_height;
    if (cinfo.output_components != 3 || !zelvo::DibSizeAllowed(w, h, 24, &imageBytes)) ERREXIT(&cinfo, JERR_CONVERSION_NOTIMPL);

    // The block is reused only when it holds 24-bit rows of this size.
    const BITMAPINFOHEADER* old = dib->GetInfoHeader();
    if (!(old && dib->m_pBits && (UINT)old->biWidth == w && (UINT)old->biHeight == h && old->biBitCount == 24 &&
          dib->m_nColors == 0 && dib->m_dwImageSize >= imageBytes)) {
        dib->Free();
        BYTE* block = static_cast<BYTE*>(std::malloc(sizeof(BITMAPINFOHEADER) + imageBytes));
        if (!block) ERREXIT1(&cinfo, JERR_OUT_OF_MEMORY, 0);
        BITMAPINFOHEADER* hdr = reinterpret_cast<BITMAPINFOHEADER*>(block);
        std::memset(hdr, 0, sizeof *hdr);
        hdr->biSize = sizeof(BITMAPINFOHEADER);
        hdr->biWidth = (LONG)w;
        hdr->biHeight = (LONG)h;
        hdr->biPlanes = 1;
        hdr->biBitCount = 24;
        hdr->biCompression = BI_RGB;
        hdr->biSizeImage = imageBytes;
        dib->Attach(block);
    }
    BYTE* bits = dib->m_pBits;
    size_t stride = (size_t)zelvo::DibRowStride(w, 24);
    // JPEG row r (from the top) is DIB row h - 1 - r.
    JSAMPROW rows[16];
    while (cinfo.output_scanline < h) {
        JDIMENSION first = cinfo.output_scanline;
        JDIMENSION count = h - first < 16 ? h - first : 16;
        for (JDIMENSION i = 0; i < count; ++i) rows[i] = bits + (size_t)(h - 1 - (first + i)) * stride;
        jpeg_read_scanlines(&cinfo, rows, count);
    }
    jpeg_finish_decompress(&cinfo);

    CFileSource* src = reinterpret_cast<CFileSource*>(cinfo.src);
    // A picture that ran past the end of the file is not a picture.
    if (src->endSupplied) ERREXIT(&cinfo, JERR_INPUT_EOF);
    size_t unread = src->pub.bytes_in_buffer;
    int unit = cinfo.density_unit;
    UINT16 xDensity = cinfo.X_density, yDensity = cinfo.Y_density;
    jpeg_destroy_decompress(&cinfo);

    if (unread > 0) {
        try {
            file.Seek(-(LONGLONG)unread, CFile::current);
        } catch (CException* e) {
            e->Delete();
            dib->Free();
            return FALSE;
        }
    }

    int32_t xPels = 0, yPels = 0;
    zelvo::DensityToPelsPerMeter(unit, xDensity, yDensity, ComRecord(), xPels, yPels);
    BITMAPINFOHEADER* hdr = dib->GetInfoHeader();
    hdr->biXPelsPerMeter = xPels;
    hdr->biYPelsPerMeter = yPels;
    if (unit == 3 && comment) {
        std::string text = zelvo::ComRecordText(ComRecord());
        std::memcpy(comment, text.c_str(), text.size() + 1);
    }
    if (width) *width = w;
    if (height) *height = h;
    return TRUE;
}

BOOL JpegFile::DecodeToPixels(const BYTE* data, size_t length, std::vector<uint32_t>& pixels, UINT* width,
                              UINT* height)
{
    if (!data || length < 4) return FALSE;
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    MemorySource source;
    UseErrorManager(cinfo, err);
    // Nothing with a destructor lives in this frame across the return point.
    if (setjmp(err.returnPoint)) {
        jpeg_destroy_decompress(&cinfo);
        return FALSE;
    }
    jpeg_create_decompress(&cinfo);
    UseMemorySource(&cinfo, &source, data, length);
    jpeg_read_header(&cinfo, TRUE);
    uint32_t imageBytes = 0;
    const bool supported = cinfo.jpeg_color_space == JCS_GRAYSCALE || cinfo.jpeg_color_space == JCS_YCbCr ||
                           cinfo.jpeg_color_space == JCS_RGB;
    if (!supported || !zelvo::DibSizeAllowed(cinfo.image_width, cinfo.image_height, 32, &imageBytes)) {
        jpeg_destroy_decompress(&cinfo);
        return FALSE;
    }
    cinfo.out_color_space = JCS_EXT_BGRX;
    jpeg_start_decompress(&cinfo);
    const UINT w = cinfo.output_width, h = cinfo.output_height;
    if (cinfo.output_components != 4) ERREXIT(&cinfo, JERR_CONVERSION_NOTIMPL);
    if (pixels.size() < (size_t)w * h) pixels.resize((size_t)w * h);
    JSAMPROW rows[16];
    while (cinfo.output_scanline < h) {
        const JDIMENSION first = cinfo.output_scanline;
        const JDIMENSION count = h - first < 16 ? h - first : 16;
        for (JDIMENSION i = 0; i < count; ++i) rows[i] = reinterpret_cast<JSAMPROW>(pixels.data() + (size_t)(first + i) * w);
        jpeg_read_scanlines(&cinfo, rows, count);
    }
    jpeg_finish_decompress(&cinfo);
    // A picture cut short is not a picture.
    if (source.endSupplied) ERREXIT(&cinfo, JERR_INPUT_EOF);
    jpeg_destroy_decompress(&cinfo);
    if (width) *width = w;
    if (height) *height = h;
    return TRUE;
}
