#include "ClientApp.h"

#include "CatalogFrame.h"
#include "LeftView.h"
#include "resource.h"

IMPLEMENT_DYNCREATE(CPemberlo_ClientDoc, CDocument)

const TCHAR CPemberlo_ClientApp::kMutexName[] = _T("Zelvo Verdaline FileServer");

CPemberlo_ClientApp theApp;

CPemberlo_ClientApp::CPemberlo_ClientApp() = default;

CPemberlo_ClientApp::~CPemberlo_ClientApp()
{
    if (m_hMutex) ::CloseHandle(m_hMutex);
}

CFrameWnd* CPemberlo_ClientApp::OpenFrame()
{
    m_pDocTemplate.reset(new CSingleDocTemplate(IDR_MAINFRAME, RUNTIME_CLASS(CPemberlo_ClientDoc),
                                                RUNTIME_CLASS(CMainFrame), RUNTIME_CLASS(CLeftView)));
    CWnd* before = m_pMainWnd;
    if (!m_pDocTemplate->OpenDocumentFile(nullptr)) return nullptr;
    return m_pMainWnd != before || !before ? dynamic_cast<CFrameWnd*>(m_pMainWnd) : nullptr;
}

BOOL CPemberlo_ClientApp::InitInstance()
{
    // A second instance ends here, without a word.
    m_hMutex = ::CreateMutex(nullptr, FALSE, kMutexName);
    if (!m_hMutex || ::GetLastError() == ERROR_ALREADY_EXISTS) return FALSE;
    if (!AfxSocketInit()) {
        AfxMessageBox(IDS_SOCKETS_INIT_FAILED);
        return FALSE;
    }
    AfxEnableControlContainer();
    SetRegistryKey(_T("Zelvo"));
    if (!OpenFrame()) return FALSE;
    m_pMainWnd->ShowWindow(SW_SHOW);
    m_pMainWnd->UpdateWindow();
    return TRUE;
}

int CPemberlo_ClientApp::ExitInstance()
{
    m_pDocTemplate.reset();
    return CWinApp::ExitInstance();
}
