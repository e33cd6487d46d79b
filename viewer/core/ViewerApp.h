// The slide viewer's application object.
#pragma once

#include "Framework.h"

#include "viewer/CommandLine.h"

// The folder of the program, with its trailing backslash; the report command
// finds its template there.
extern CString g_strProgramFolder;

class CViewerApp : public CWinApp {
public:
    BOOL InitInstance() override;
    // The split command line of this start.
    zelvo::ViewerCommandLine m_commandLine;

protected:
    void OnAppAbout();
    DECLARE_MESSAGE_MAP()
};
