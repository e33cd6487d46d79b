// The platform's file and colour dialogs. Like message boxes they go through
// one replaceable function each, so that tests answer them.
#pragma once

#include "FwWnd.h"

#include <commdlg.h>

namespace fw {

// Runs the open (open TRUE) or save dialog; TRUE when the user chose a file.
using FileDialogFn = BOOL (*)(BOOL open, OPENFILENAME& ofn);
// Replaces the handler and returns the previous one (nullptr restores the real dialog).
FileDialogFn SetFileDialogHandler(FileDialogFn fn);

using ColorDialogFn = BOOL (*)(CHOOSECOLOR& cc);
ColorDialogFn SetColorDialogHandler(ColorDialogFn fn);

using FontDialogFn = BOOL (*)(CHOOSEFONT& cf);
FontDialogFn SetFontDialogHandler(FontDialogFn fn);

} // namespace fw

class CFileDialog {
public:
    // filter: pairs of text and pattern separated by '|', ending with "||".
    CFileDialog(BOOL openFileDialog, LPCTSTR defaultExtension = nullptr, LPCTSTR fileName = nullptr,
                DWORD flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, LPCTSTR filter = nullptr,
                CWnd* parent = nullptr);
    CFileDialog(const CFileDialog&) = delete;
    CFileDialog& operator=(const CFileDialog&) = delete;

    INT_PTR DoModal();
    CString GetPathName() const { return CString(m_file); }

    OPENFILENAME m_ofn;

private:
    BOOL m_open;
    CString m_filter;
    CString m_defaultExtension;
    TCHAR m_file[MAX_PATH * 4];
};

class CColorDialog {
public:
    CColorDialog(COLORREF initial = 0, DWORD flags = 0, CWnd* parent = nullptr);
    CColorDialog(const CColorDialog&) = delete;
    CColorDialog& operator=(const CColorDialog&) = delete;

    INT_PTR DoModal();
    COLORREF GetColor() const { return m_cc.rgbResult; }

    CHOOSECOLOR m_cc;

private:
    COLORREF m_custom[16];
};

class CFontDialog {
public:
    // initial: the font the dialog starts from, or nullptr for the platform's choice.
    CFontDialog(const LOGFONT* initial = nullptr, DWORD flags = CF_SCREENFONTS, CWnd* parent = nullptr);
    CFontDialog(const CFontDialog&) = delete;
    CFontDialog& operator=(const CFontDialog&) = delete;

    INT_PTR DoModal();
    void GetCurrentFont(LOGFONT* font) const { *font = m_lf; }

    CHOOSEFONT m_cf;
    LOGFONT m_lf;
};
