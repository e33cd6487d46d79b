#include "FwCommonDialogs.h"

#include <atomic>

namespace fw {

namespace {

BOOL RealFileDialog(BOOL open, OPENFILENAME& ofn)
{
    return open ? ::GetOpenFileName(&ofn) : ::GetSaveFileName(&ofn);
}

BOOL RealColorDialog(CHOOSECOLOR& cc) { return ::ChooseColor(&cc); }

BOOL RealFontDialog(CHOOSEFONT& cf) { return ::ChooseFont(&cf); }

std::atomic<FileDialogFn> g_fileDialog{&RealFileDialog};
std::atomic<ColorDialogFn> g_colorDialog{&RealColorDialog};
std::atomic<FontDialogFn> g_fontDialog{&RealFontDialog};

} // namespace

FileDialogFn SetFileDialogHandler(FileDialogFn fn) { return g_fileDialog.exchange(fn ? fn : &RealFileDialog); }

ColorDialogFn SetColorDialogHandler(ColorDialogFn fn) { return g_colorDialog.exchange(fn ? fn : &RealColorDialog); }

FontDialogFn SetFontDialogHandler(FontDialogFn fn) { return g_fontDialog.exchange(fn ? fn : &RealFontDialog); }

} // namespace fw

CFileDialog::CFileDialog(BOOL openFileDialog, LPCTSTR defaultExtension, LPCTSTR fileName, DWORD flags,
                         LPCTSTR filter, CWnd* parent)
    : m_ofn(), m_open(openFileDialog), m_filter(filter), m_defaultExtension(defaultExtension), m_file()
{
    if (fileName) lstrcpyn(m_file, fileName, (int)(sizeof m_file / sizeof m_file[0]));
    // The platform wants the pairs NUL-separated and a double NUL at the end.
    for (int i = 0; i < m_filter.GetLength(); ++i)
        if (m_filter[i] == _T('|')) m_filter.SetAt(i, _T('\0'));
    m_ofn.lStructSize = sizeof m_ofn;
    m_ofn.hwndOwner = parent ? parent->m_hWnd : nullptr;
    m_ofn.lpstrFilter = m_filter.IsEmpty() ? nullptr : m_filter.GetString();
    m_ofn.lpstrFile = m_file;
    m_ofn.nMaxFile = (DWORD)(sizeof m_file / sizeof m_file[0]);
    m_ofn.lpstrDefExt = m_defaultExtension.IsEmpty() ? nullptr : m_defaultExtension.GetString();
    m_ofn.Flags = flags | OFN_EXPLORER;
}

INT_PTR CFileDialog::DoModal() { return fw::g_fileDialog.load()(m_open, m_ofn) ? IDOK : IDCANCEL; }

CColorDialog::CColorDialog(COLORREF initial, DWORD flags, CWnd* parent) : m_cc(), m_custom()
{
    for (COLORREF& c : m_custom) c = RGB(255, 255, 255);
    m_cc.lStructSize = sizeof m_cc;
    m_cc.hwndOwner = parent ? parent->m_hWnd : nullptr;
    m_cc.rgbResult = initial;
    m_cc.lpCustColors = m_custom;
    m_cc.Flags = flags | CC_RGBINIT;
}

INT_PTR CColorDialog::DoModal() { return fw::g_colorDialog.load()(m_cc) ? IDOK : IDCANCEL; }

CFontDialog::CFontDialog(const LOGFONT* initial, DWORD flags, CWnd* parent) : m_cf(), m_lf()
{
    m_cf.lStructSize = sizeof m_cf;
    m_cf.hwndOwner = parent ? parent->m_hWnd : nullptr;
    m_cf.lpLogFont = &m_lf;
    m_cf.Flags = flags;
    if (initial) {
        m_lf = *initial;
        m_cf.Flags |= CF_INITTOLOGFONTSTRUCT;
    }
}

INT_PTR CFontDialog::DoModal() { return fw::g_fontDialog.load()(m_cf) ? IDOK : IDCANCEL; }
