// The server address dialog: the list of server addresses, the address to
// connect to and the LAN auto-login flag, saved in the registry on OK.
#pragma once

#include "Framework.h"

#include <vector>

class CIPAddrSet : public CDialog {
public:
    explicit CIPAddrSet(CWnd* parent = nullptr);

    CString m_strAddress;   // edit 1007
    int m_nLanLogon = 0;    // check box 1011
    int m_nSelected = -1;   // selected list entry, -1 for none

    // The list as shown, in order (for the caller and the tests).
    std::vector<CString> Entries();

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnLvnItemchangedServerList(NMHDR* hdr, LRESULT* result);
    void OnBnClickedAdd();
    void OnBnClickedModify();
    void OnBnClickedDelete();
    void OnBnClickedLanLogon();
    DECLARE_MESSAGE_MAP()

private:
    void AddEntry(LPCTSTR text);

    CListCtrl m_list;  // 1006
    // A value that is there but could not be read is written again only when
    // the user changed what it holds; otherwise it would be lost on OK.
    bool m_bListUnreadable = false, m_bAddressUnreadable = false, m_bFlagUnreadable = false;
    bool m_bListChanged = false;
    CString m_strAddressAtStart;
    int m_nLanLogonAtStart = 0;
};
