// The viewer's main frame. For now it only holds the request that start-up
// hands it; the toolbar, the slide view and the exchange with the catalogue
// client come with the view.
#pragma once

#include "Framework.h"

class CMainFrame : public CFrameWnd {
public:
    CMainFrame() = default;

    // The slide, server and requesting window named on the command line.
    void OpenSlide(LPCSTR slidePath, LPCSTR serverAddress, HWND window);

    CString m_strRequestedSlide;
    CString m_strRequestedServer;
    HWND m_hRequestingWindow = nullptr;
};
