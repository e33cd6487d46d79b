// The About box: the program's version and the maker's web address, which
// opens in the browser when clicked.
#pragma once

#include "Framework.h"

class CAboutBox : public CDialog {
public:
    CAboutBox(LPCTSTR webAddress, CWnd* parent = nullptr);
    BOOL OnInitDialog() override;

protected:
    void OnLinkClicked();
    DECLARE_MESSAGE_MAP()

private:
    CString m_strWebAddress;
};

// The program's own file version, "%d.%d.%d.%d"; empty without a version resource.
CString ProgramVersion();
