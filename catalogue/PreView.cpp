#include "PreView.h"

#include "CatalogueJpeg.h"
#include "catalogue/FitImage.h"

IMPLEMENT_DYNCREATE(CPreView, CView)

namespace {
const COLORREF kBackground = RGB(160, 180, 210);
} // namespace

CPreView::CPreView()
{
    m_dib.SetStretchMode(HALFTONE);
}

BOOL CPreView::LoadImage(const BYTE* data, size_t length)
{
    return DecodeJpeg(m_dib, data, length, true);
}

void CPreView::ClearImage()
{
    m_dib.Free();
    if (m_hWnd) Invalidate();
}

void CPreView::OnDraw(HDC dc)
{
    if (m_dib.IsEmpty()) return;
    CRect client;
    GetClientRect(&client);
    CSize size = m_dib.GetSize();
    auto fit = zelvo::catalog::FitImageRect(client.Width(), client.Height(), size.cx, size.cy);
    ::SetBrushOrgEx(dc, 0, 0, nullptr);
    m_dib.Draw(dc, fit.x, fit.y, fit.x + fit.width, fit.y + fit.height);
}

BOOL CPreView::OnEraseBkgnd(HDC dc)
{
    CRect client;
    GetClientRect(&client);
    HBRUSH brush = ::CreateSolidBrush(kBackground);
    ::FillRect(dc, &client, brush);
    ::DeleteObject(brush);
    return TRUE;
}

BEGIN_MESSAGE_MAP(CPreView, CView)
    ON_WM_ERASEBKGND()
END_MESSAGE_MAP()
