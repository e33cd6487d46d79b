#include "ViewerApp.h"

#include "resource.h"

CViewerApp theApp;

BOOL CViewerApp::InitInstance()
{
    CFrameWnd* frame = new CFrameWnd;
    if (!frame->LoadFrame(IDR_MAINFRAME, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE)) return FALSE;
    m_pMainWnd = frame;
    frame->ShowWindow(SW_SHOW);
    frame->UpdateWindow();
    return TRUE;
}
