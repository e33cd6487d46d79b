// The server address dialog and the registry values behind it.
#include "CatalogSettings.h"
#include "IPAddrSet.h"
#include "TestSupport.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string RawValue(LPCTSTR name)
{
    std::string buf(kServerListBytes * 2, '\0');
    DWORD size = (DWORD)buf.size();
    HKEY key = nullptr;
    if (::RegOpenKeyEx(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return "<no key>";
    DWORD type = 0;
    LONG r = ::RegQueryValueEx(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&buf[0]), &size);
    ::RegCloseKey(key);
    if (r != ERROR_SUCCESS) return "<none>";
    EXPECT_EQ(type, (DWORD)REG_BINARY);
    buf.resize(size);
    return buf;
}

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override { ::RegDeleteTree(HKEY_CURRENT_USER, kSettingsKey); }
    void TearDown() override
    {
        if (dialog.m_hWnd) dialog.DestroyWindow();
        ::RegDeleteTree(HKEY_CURRENT_USER, kSettingsKey);
    }
    void Open() { ASSERT_TRUE(dialog.Create(IDD_IPADDR)); }
    void Click(int id) { dialog.SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)::GetDlgItem(dialog, id)); }
    void Type(LPCTSTR text) { ::SetDlgItemText(dialog, IDC_ADDRESS, text); }
    void Select(int index)
    {
        LVITEM it = {};
        it.state = it.stateMask = LVIS_FOCUSED | LVIS_SELECTED;
        ::SendDlgItemMessage(dialog, IDC_SERVER_LIST, LVM_SETITEMSTATE, (WPARAM)index, (LPARAM)&it);
    }

    CIPAddrSet dialog;
};

} // namespace

TEST_F(SettingsTest, FirstRunWritesAllThreeValuesAndTheListRoundTripsInItsShownOrder)
{
    Open();
    EXPECT_TRUE(dialog.Entries().empty());
    Click(IDOK);
    EXPECT_EQ(RawValue(kServerListValue), std::string());
    EXPECT_EQ(RawValue(kCurrentAddressValue), std::string("\0", 1));
    EXPECT_EQ(RawValue(kLanLogonValue), std::string(4, '\0'));
    dialog.DestroyWindow();

    // Entries past the twentieth go in at position 20, and are saved so.
    Open();
    for (int i = 0; i < 22; ++i) {
        CString e;
        e.Format(_T("10.0.0.%d"), i);
        Type(e);
        Click(IDC_ADD);
    }
    Type(_T("server.lan"));
    ::CheckDlgButton(dialog, IDC_LAN_LOGON, BST_CHECKED);
    Click(IDOK);
    std::vector<CString> entries;
    ASSERT_TRUE(ReadServerList(entries));
    ASSERT_EQ(entries.size(), 22u);
    EXPECT_EQ(entries[19], _T("10.0.0.19"));
    EXPECT_EQ(entries[20], _T("10.0.0.21"));
    EXPECT_EQ(entries[21], _T("10.0.0.20"));
    EXPECT_EQ(RawValue(kServerListValue).substr(0, 18), std::string("10.0.0.0\0" "10.0.0.1\0", 18));
    CString address;
    ASSERT_TRUE(ReadCurrentAddress(address));
    EXPECT_EQ(address, _T("server.lan"));
    int flag = 0;
    ASSERT_TRUE(ReadLanLogon(flag));
    EXPECT_EQ(flag, 1);
    dialog.DestroyWindow();

    // Read back the same way: the tail's order turns over again.
    Open();
    std::vector<CString> shown = dialog.Entries();
    ASSERT_EQ(shown.size(), 22u);
    EXPECT_EQ(shown[20], _T("10.0.0.20"));
    EXPECT_EQ(shown[21], _T("10.0.0.21"));
    entries = shown;
    // Modify and delete work on the selected entry only.
    Click(IDC_DELETE);
    Type(_T("x"));
    Click(IDC_MODIFY);
    EXPECT_EQ(dialog.Entries(), entries);
    Select(1);
    EXPECT_EQ(dialog.m_strAddress, _T("10.0.0.1"));
    Type(_T("10.9.9.9"));
    Click(IDC_MODIFY);
    Click(IDC_DELETE);
    Click(IDC_DELETE);
    shown = dialog.Entries();
    ASSERT_EQ(shown.size(), 21u);
    EXPECT_EQ(shown[1], _T("10.0.0.2"));
}

TEST_F(SettingsTest, AValueThatCannotBeReadLeavesTheOthersShownAndIsNotWipedOnOk)
{
    // A server list longer than the dialog reads.
    std::string big(kServerListBytes + 100, 'a');
    ASSERT_TRUE(WriteRegValue(kServerListValue, reinterpret_cast<const BYTE*>(big.data()), (DWORD)big.size()));
    WriteCurrentAddress(_T("10.1.2.3"));
    WriteLanLogon(1);
    Open();
    EXPECT_TRUE(dialog.Entries().empty());
    EXPECT_EQ(dialog.m_strAddress, _T("10.1.2.3"));
    EXPECT_EQ(dialog.m_nLanLogon, 1);
    Click(IDOK);
    EXPECT_EQ(RawValue(kServerListValue), big);
    CString address;
    ASSERT_TRUE(ReadCurrentAddress(address));
    EXPECT_EQ(address, _T("10.1.2.3"));
}

TEST_F(SettingsTest, AddressesAreKeptToWhatTheFrameReads)
{
    Open();
    CString longest(_T('a'), 300);
    Type(longest);
    Click(IDOK);
    CString address;
    ASSERT_TRUE(ReadCurrentAddress(address));
    EXPECT_EQ(address.GetLength(), (int)kAddressBytes - 1);
}
