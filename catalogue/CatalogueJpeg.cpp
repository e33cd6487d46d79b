#include "CatalogueJpeg.h"

#include "JpegRead.h"

BOOL DecodeJpeg(CDib& dib, const BYTE* data, size_t length, bool report)
{
    BOOL ok = FALSE;
    if (data && length > 0 && length <= 0x7FFFFFFF) {
        CMemFile file(const_cast<BYTE*>(data), (UINT)length);
        ok = dib.ReadJpeg(file);
    }
    if (!ok) {
        dib.Free();
        if (report) {
            CString text(JpegFile::LastErrorMessage());
            if (text.IsEmpty()) text = _T("Not a JPEG picture the program can read");
            CWnd* main = AfxGetMainWnd();
            fw::ShowMessageBox(main ? main->m_hWnd : nullptr, text, _T("JPEG Fatal Error"), MB_OK | MB_ICONHAND);
        }
    }
    return ok;
}
