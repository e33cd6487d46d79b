// The student client's application object: one instance per computer, the
// socket layer and the main frame, which is never shown.
#pragma once

#include "Framework.h"

class CStudentApp : public CWinApp {
public:
    CStudentApp() = default;
    ~CStudentApp() override;
    BOOL InitInstance() override;
    BOOL PreTranslateMessage(MSG* msg) override;
    // Starts the student media program from this program's folder.
    void OnRunStudentMedia();

private:
    // Held for the program's whole life: it marks the running instance.
    HANDLE m_hInstanceMutex = nullptr;
};

// The program's folder with its trailing backslash.
CString GetAppDirectory();
// Starts the student media program Lindquor from the program's folder.
void RunStudentMedia();
