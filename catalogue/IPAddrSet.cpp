#include "IPAddrSet.h"

#include "CatalogSettings.h"
#include "resource.h"

namespace {
const COLORREF kListColour = RGB(160, 180, 210);
const int kInsertPosition = 20;
} // namespace

CIPAddrSet::CIPAddrSet(CWnd* parent) : CDialog(IDD_IPADDR, parent) {}

void CIPAddrSet::DoDataExchange(CDataExchange* dx)
{
    CDialog::DoDataExchange(dx);
    DDX_Control(dx, IDC_SERVER_LIST, m_list);
    DDX_Text(dx, IDC_ADDRESS, m_strAddress);
    DDX_Check(dx, IDC_LAN_LOGON, m_nLanLogon);
}

std::vector<CString> CIPAddrSet::Entries()
{
    std::vector<CString> out;
    for (int i = 0; i < m_list.GetItemCount(); ++i) out.push_back(m_list.GetItemText(i, 0));
    return out;
}

void CIPAddrSet::AddEntry(LPCTSTR text)
{
    int index = m_list.InsertItem(kInsertPosition, text);
    if (index >= 0) m_list.SetItemData(index, (DWORD_PTR)index);
}

BOOL CIPAddrSet::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_list.InsertColumn(0, _T("服务器地址"), LVCFMT_LEFT, 200);
    m_list.SetBkColor(kListColour);
    m_list.SetTextBkColor(kListColour);
    m_list.SetExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    ::SendDlgItemMessage(m_hWnd, IDC_ADDRESS, EM_SETLIMITTEXT, kAddressBytes - 1, 0);

    // Each value on its own: one that cannot be read leaves the others shown.
    std::vector<CString> entries;
    if (ReadServerList(entries)) {
        for (const CString& e : entries) AddEntry(e);
    } else {
        m_bListUnreadable = RegValueExists(kServerListValue);
    }
    if (!ReadCurrentAddress(m_strAddress)) m_bAddressUnreadable = RegValueExists(kCurrentAddressValue);
    if (!ReadLanLogon(m_nLanLogon)) {
        m_nLanLogon = 0;
        m_bFlagUnreadable = RegValueExists(kLanLogonValue);
    }
    m_strAddressAtStart = m_strAddress;
    m_nLanLogonAtStart = m_nLanLogon;
    UpdateData(FALSE);
    return TRUE;
}

void CIPAddrSet::OnLvnItemchangedServerList(NMHDR* hdr, LRESULT* result)
{
    auto* nm = reinterpret_cast<NMLISTVIEW*>(hdr);
    if (nm->uNewState == (LVIS_FOCUSED | LVIS_SELECTED) && nm->iItem >= 0) {
        m_nSelected = nm->iItem;
        m_strAddress = m_list.GetItemText(nm->iItem, 0);
    }
    UpdateData(FALSE);
    *result = 0;
}

void CIPAddrSet::OnBnClickedAdd()
{
    UpdateData(TRUE);
    AddEntry(m_strAddress);
    m_bListChanged = true;
}

void CIPAddrSet::OnBnClickedModify()
{
    UpdateData(TRUE);
    if (m_nSelected < 0 || m_nSelected >= m_list.GetItemCount()) return;
    m_list.SetItemText(m_nSelected, 0, m_strAddress);
    m_bListChanged = true;
}

void CIPAddrSet::OnBnClickedDelete()
{
    if (m_nSelected < 0 || m_nSelected >= m_list.GetItemCount()) return;
    int index = m_nSelected;
    m_nSelected = -1;
    ::SendMessage(m_list.m_hWnd, LVM_DELETEITEM, (WPARAM)index, 0);
    m_bListChanged = true;
}

void CIPAddrSet::OnBnClickedLanLogon()
{
    UpdateData(TRUE);
    BOOL enable = m_nLanLogon == 0;
    for (int id : {IDC_SERVER_LIST, IDC_ADD, IDC_MODIFY, IDC_DELETE}) ::EnableWindow(::GetDlgItem(m_hWnd, id), enable);
}

void CIPAddrSet::OnOK()
{
    if (!UpdateData(TRUE)) return;
    if (!m_bListUnreadable || m_bListChanged) WriteServerList(Entries());
    if (!m_bAddressUnreadable || m_strAddress != m_strAddressAtStart) WriteCurrentAddress(m_strAddress);
    if (!m_bFlagUnreadable || m_nLanLogon != m_nLanLogonAtStart) WriteLanLogon(m_nLanLogon);
    EndDialog(IDOK);
}

BEGIN_MESSAGE_MAP(CIPAddrSet, CDialog)
    ON_NOTIFY(LVN_ITEMCHANGED, IDC_SERVER_LIST, OnLvnItemchangedServerList)
    ON_BN_CLICKED(IDC_ADD, OnBnClickedAdd)
    ON_BN_CLICKED(IDC_MODIFY, OnBnClickedModify)
    ON_BN_CLICKED(IDC_DELETE, OnBnClickedDelete)
    ON_BN_CLICKED(IDC_LAN_LOGON, OnBnClickedLanLogon)
END_MESSAGE_MAP()
