// The About box.
#pragma once

#include "Framework.h"

class CAboutDlg : public CDialog {
public:
    CAboutDlg();
    BOOL OnInitDialog() override;
};

// "major.minor.build.revision" of a module's file version; empty without a
// version resource.
CString GetFileVersionText(LPCTSTR modulePath);
// Makes a window translucent at alpha/255 when the platform offers layered
// windows; returns whether it could.
bool MakeTranslucent(HWND hwnd, BYTE alpha);
