#include "MainFrame.h"

void CMainFrame::OpenSlide(LPCSTR slidePath, LPCSTR serverAddress, HWND window)
{
    m_strRequestedSlide = slidePath;
    m_strRequestedServer = serverAddress;
    m_hRequestingWindow = window;
}
