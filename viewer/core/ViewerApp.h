// The slide viewer's application object.
#pragma once

#include "Framework.h"

#include "viewer/CommandLine.h"

#include <memory>

class CSlideView;

// The folder of the program, with its trailing backslash; the report command
// finds its template there.
extern CString g_strProgramFolder;

class CViewerApp : public CWinApp {
public:
    CViewerApp();
    ~CViewerApp() override;
    BOOL InitInstance() override;
    // The split command line of this start.
    zelvo::ViewerCommandLine m_commandLine;
    // The frame's pane; it lives as long as the program, the frame only borrows it.
    std::unique_ptr<CSlideView> m_pSlideView;

protected:
    void OnAppAbout();
    DECLARE_MESSAGE_MAP()
};
