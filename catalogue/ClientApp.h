// The catalogue client's application object and its (empty) document.
#pragma once

#include "Framework.h"

#include <memory>

class CPemberlo_ClientDoc : public CDocument {
    DECLARE_DYNCREATE(CPemberlo_ClientDoc)
public:
    BOOL OnNewDocument() override { return CDocument::OnNewDocument(); }
};

class CPemberlo_ClientApp : public CWinApp {
public:
    CPemberlo_ClientApp();
    ~CPemberlo_ClientApp() override;
    BOOL InitInstance() override;
    int ExitInstance() override;

    // The document template's frame and panes; the frame becomes the main
    // window when there is none. Null when it cannot be made.
    CFrameWnd* OpenFrame();

    static const TCHAR kMutexName[];  // "Zelvo Verdaline FileServer"

private:
    std::unique_ptr<CSingleDocTemplate> m_pDocTemplate;
    HANDLE m_hMutex = nullptr;
};

extern CPemberlo_ClientApp theApp;
