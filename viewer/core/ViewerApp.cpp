#include "ViewerApp.h"

#include <objbase.h>

#include "AboutDlg.h"
#include "ExeFolder.h"
#include "MainFrame.h"
#include "SlideView.h"
#include "resource.h"

CString g_strProgramFolder = "D:\\Brindlow";

CViewerApp::CViewerApp() = default;
CViewerApp::~CViewerApp() = default;

CViewerApp theApp;

BEGIN_MESSAGE_MAP(CViewerApp, CWinApp)
    ON_COMMAND(ID_APP_ABOUT, OnAppAbout)
END_MESSAGE_MAP()

BOOL CViewerApp::InitInstance()
{
    if (!AfxSocketInit()) {
        AfxMessageBox("Windows 通信端口初始化失败。");
        return FALSE;
    }
    // Video hot spots build their filter graphs on this thread.
    ::CoInitialize(nullptr);
    AfxEnableControlContainer();
    Enable3dControlsStatic();
    SetRegistryKey("Zelvo");

    m_commandLine = zelvo::SplitViewerCommandLine(::GetCommandLineA());
    g_strProgramFolder = GetExeFolder();

    CMainFrame* frame = new CMainFrame;
    m_pSlideView.reset(new CSlideView);
    frame->SetSlideView(m_pSlideView.get());
    if (!frame->LoadFrame(IDR_MAINFRAME, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE)) return FALSE;
    m_pMainWnd = frame;
    frame->ShowWindow(SW_SHOW);
    frame->UpdateWindow();
    WriteProfileInt("AppData", "TheMainWnd", (int)(INT_PTR)frame->m_hWnd);
    frame->OpenSlide(m_commandLine.slidePath(), m_commandLine.server(),
                     (HWND)(UINT_PTR)m_commandLine.window());
    return TRUE;
}

void CViewerApp::OnAppAbout()
{
    CAboutDlg dlg;
    dlg.DoModal();
}
