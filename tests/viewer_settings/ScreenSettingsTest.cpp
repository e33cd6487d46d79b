#include "ScreenSettings.h"
#include "ScreenSettingsIds.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using testing_support::MessageBoxRecorder;

namespace {

const char kKey[] = "Software\\Zelvo\\Lumarind\\DispAttr";

void DeleteKey() { ::RegDeleteKeyA(HKEY_CURRENT_USER, kKey); }

void Store(const char* name, const void* data, DWORD size)
{
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ::RegSetValueExA(key, name, 0, REG_BINARY, static_cast<const BYTE*>(data), size);
    ::RegCloseKey(key);
}

std::vector<uint8_t> Stored(const char* name)
{
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return {};
    DWORD size = 0, type = 0;
    std::vector<uint8_t> data;
    if (::RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
        data.resize(size);
        ::RegQueryValueExA(key, name, nullptr, &type, data.data(), &size);
        EXPECT_EQ(type, (DWORD)REG_BINARY) << name;
    }
    ::RegCloseKey(key);
    return data;
}

void StoreList(const std::vector<MonitorPreset>& list, uint32_t count)
{
    auto bytes = monitor::SerializeList(list);
    Store("ScreenAttrs", bytes.data(), (DWORD)bytes.size());
    Store("AttrNumber", &count, 4);
}

struct ScreenSettings : ::testing::Test {
    void SetUp() override { DeleteKey(); }
    void TearDown() override { DeleteKey(); }
    void Open(CScreenSettingsDlg& dlg)
    {
        ASSERT_TRUE(dlg.Create(IDD_SCREEN_SETTINGS));
        testing_support::PumpFor(50);
    }
    void Click(CScreenSettingsDlg& dlg, int id)
    {
        dlg.SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)::GetDlgItem(dlg.m_hWnd, id));
    }
    void Choose(CScreenSettingsDlg& dlg, CComboBox& combo, int index)
    {
        combo.SetCurSel(index);
        dlg.SendMessage(WM_COMMAND, MAKEWPARAM(combo.GetDlgCtrlID(), CBN_SELCHANGE), (LPARAM)combo.m_hWnd);
    }
    CString Text(CScreenSettingsDlg& dlg, int id)
    {
        CString t;
        dlg.GetDlgItemText(id, t);
        return t;
    }
};

} // namespace

TEST_F(ScreenSettings, WithoutKeyTheBuiltInListIsShownAndPreset2Selected)
{
    CScreenSettingsDlg dlg;
    EXPECT_EQ(dlg.m_presets.size(), 17u);
    EXPECT_EQ(dlg.m_selectedIndex, 1);
    EXPECT_EQ(dlg.m_fieldNumber, 0.22f);
    EXPECT_EQ(dlg.GetCurrentPreset().width, 328.0f);  // the default record, not the preset's size
    Open(dlg);
    EXPECT_EQ(dlg.m_monitorCombo.GetCount(), 17);
    EXPECT_EQ(dlg.m_monitorCombo.GetCurSel(), 1);
    EXPECT_EQ(dlg.m_eyepieceCombo.GetCount(), 7);
    EXPECT_EQ(dlg.m_eyepieceCombo.GetCurSel(), 3);
    EXPECT_EQ(Text(dlg, IDC_MONITOR_TYPE), CString("16.1\" UXGA TFT (1600x1200)"));
    EXPECT_EQ(Text(dlg, IDC_SCREEN_WIDTH), CString("328"));
    EXPECT_EQ(Text(dlg, IDC_SIZE_LABEL), CString("屏幕尺寸(mm):"));
    EXPECT_EQ(dlg.m_slider.GetPos(), 1614);  // 410 mm across is 16.14 inches
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(dlg.m_hWnd, IDC_ACCEPT)));
    EXPECT_FALSE(dlg.m_slider.IsWindowEnabled());
    EXPECT_TRUE(dlg.GetExStyle() & WS_EX_LAYERED);
    CString name;
    dlg.m_monitorCombo.GetLBText(0, name);
    EXPECT_EQ(name, CString("15\"LCD（1024×768）"));

    Click(dlg, IDC_MANUAL_MODE);
    EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(dlg.m_hWnd, IDC_ACCEPT)));
    EXPECT_TRUE(dlg.m_slider.IsWindowEnabled());
    EXPECT_EQ(dlg.m_changed, 0);
}

TEST_F(ScreenSettings, StoredListReplacesPresetsAndIsNotTrusted)
{
    std::vector<MonitorPreset> list = {monitor::MakePreset("A", 100, 80, 0.1f),
                                       monitor::MakePreset("B", 200, 150, 0.2f)};
    // A name that fills its whole field without NUL.
    std::memset(list[1].name, 'N', sizeof list[1].name);
    StoreList(list, 1000000);  // far more than stored
    auto current = monitor::Serialize(list[0]);
    Store("ScreenAttr", current.data(), 44);
    float field = 0.6f;
    Store("OcularField", &field, 4);

    CScreenSettingsDlg dlg;
    ASSERT_EQ(dlg.m_presets.size(), 2u);
    EXPECT_EQ(std::strlen(dlg.m_presets[1].name), 31u);
    EXPECT_EQ(dlg.m_selectedIndex, 0);
    EXPECT_EQ(dlg.m_eyepieceIndex, 8);
    Open(dlg);
    EXPECT_EQ(dlg.m_monitorCombo.GetCount(), 2);
    EXPECT_EQ(dlg.m_eyepieceCombo.GetCurSel(), -1);  // field number above the table selects nothing
    CString name;
    dlg.m_monitorCombo.GetLBText(1, name);
    EXPECT_EQ(name, CString(std::string(31, 'N').c_str()));
}

TEST_F(ScreenSettings, DeletingRecords)
{
    CScreenSettingsDlg dlg;
    Open(dlg);
    dlg.m_monitorCombo.SetCurSel(-1);
    Click(dlg, IDC_DELETE);  // nothing selected: nothing happens
    EXPECT_EQ(dlg.m_presets.size(), 17u);
    EXPECT_EQ(dlg.m_changed, 0);

    Choose(dlg, dlg.m_monitorCombo, 16);
    EXPECT_EQ(dlg.m_changed, 1);
    Click(dlg, IDC_DELETE);
    ASSERT_EQ(dlg.m_presets.size(), 16u);
    EXPECT_EQ(dlg.m_monitorCombo.GetCount(), 16);
    EXPECT_EQ(dlg.m_monitorCombo.GetCurSel(), 15);  // the new last record
    EXPECT_STREQ(dlg.GetCurrentPreset().name, monitor::BuiltInPresets()[15].name);
    EXPECT_EQ(Text(dlg, IDC_SCREEN_WIDTH), CString("581.76"));

    Choose(dlg, dlg.m_monitorCombo, 3);
    Click(dlg, IDC_DELETE);
    EXPECT_EQ(dlg.m_monitorCombo.GetCurSel(), 3);  // stays at the same index
    EXPECT_STREQ(dlg.GetCurrentPreset().name, monitor::BuiltInPresets()[4].name);
}

TEST_F(ScreenSettings, ModifyCutsLongNamesAndAcceptAppends)
{
    CScreenSettingsDlg dlg;
    Open(dlg);
    Choose(dlg, dlg.m_monitorCombo, 2);
    dlg.SetDlgItemText(IDC_MONITOR_TYPE, _T("0123456789012345678901234567890123456789"));
    dlg.SetDlgItemText(IDC_SCREEN_WIDTH, _T("400.5"));
    Click(dlg, IDC_MODIFY);
    EXPECT_STREQ(dlg.m_presets[2].name, "0123456789012345678901234567890");
    EXPECT_EQ(dlg.m_presets[2].width, 400.5f);
    EXPECT_EQ(dlg.m_monitorCombo.GetCount(), 17);
    EXPECT_EQ(dlg.m_monitorCombo.GetCurSel(), 2);

    // A width that is no number changes nothing.
    MessageBoxRecorder boxes;
    dlg.SetDlgItemText(IDC_SCREEN_WIDTH, _T("wide"));
    Click(dlg, IDC_MODIFY);
    EXPECT_EQ(dlg.m_presets[2].width, 400.5f);
    EXPECT_EQ(boxes.boxes.size(), 1u);

    dlg.SetDlgItemText(IDC_SCREEN_WIDTH, _T("400.5"));
    dlg.SetDlgItemText(IDC_TYPED_TYPE, _T("测量"));
    dlg.SetDlgItemText(IDC_MEASURED_WIDTH, _T("100"));
    Click(dlg, IDC_ACCEPT);
    ASSERT_EQ(dlg.m_presets.size(), 18u);
    CRect r;
    dlg.GetWindowRect(&r);
    double p = 100.0 / r.Width();
    EXPECT_STREQ(dlg.m_presets[17].name, "测量");
    EXPECT_FLOAT_EQ(dlg.m_presets[17].dotPitch, (float)p);
    EXPECT_FLOAT_EQ(dlg.m_presets[17].width, (float)(::GetSystemMetrics(SM_CXSCREEN) * p));
    EXPECT_EQ(dlg.m_monitorCombo.GetCurSel(), 17);
}

TEST_F(ScreenSettings, EyepieceChoiceSetsTheFieldNumber)
{
    CScreenSettingsDlg dlg;
    Open(dlg);
    Choose(dlg, dlg.m_eyepieceCombo, 5);
    EXPECT_EQ(dlg.m_eyepieceIndex, 5);
    EXPECT_EQ(dlg.m_fieldNumber, 0.265f);
    EXPECT_EQ(dlg.m_changed, 0);
    EXPECT_EQ(dlg.GetFieldNumberText(7), CString("500"));
}

TEST_F(ScreenSettings, ClosingSavesTheExactBytes)
{
    CScreenSettingsDlg dlg;
    Open(dlg);
    Choose(dlg, dlg.m_eyepieceCombo, 0);
    Choose(dlg, dlg.m_monitorCombo, 16);
    Click(dlg, IDC_DELETE);
    {
        MessageBoxRecorder boxes(IDYES);
        dlg.SendMessage(WM_CLOSE);
        ASSERT_EQ(boxes.boxes.size(), 2u);
        EXPECT_EQ(boxes.boxes[0].text, "屏幕参数已被重新设定，是否保存新设定值？");
        EXPECT_EQ(boxes.boxes[0].type & 0xF, (UINT)MB_YESNO);
        EXPECT_EQ(boxes.boxes[1].text, "屏幕参数已经被改变，重新调入切片后才能生效！");
    }
    EXPECT_EQ(dlg.m_changed, 0);
    EXPECT_FALSE(dlg.IsWindowVisible());

    const uint8_t field[4] = {0x0A, 0xD7, 0x23, 0x3E};  // 0.16f
    EXPECT_EQ(Stored("OcularField"), std::vector<uint8_t>(field, field + 4));
    auto current = monitor::Serialize(monitor::BuiltInPresets()[15]);
    EXPECT_EQ(Stored("ScreenAttr"), std::vector<uint8_t>(current.begin(), current.end()));
    const uint8_t count[4] = {16, 0, 0, 0};
    EXPECT_EQ(Stored("AttrNumber"), std::vector<uint8_t>(count, count + 4));
    std::vector<MonitorPreset> expected(monitor::BuiltInPresets().begin(), monitor::BuiltInPresets().begin() + 16);
    EXPECT_EQ(Stored("ScreenAttrs"), monitor::SerializeList(expected));
    auto list = Stored("ScreenAttrs");
    ASSERT_EQ(list.size(), 16u * 44);
    // 304.128f, little-endian, right after the first name.
    const uint8_t width[4] = {0x62, 0x10, 0x98, 0x43};
    EXPECT_EQ(std::memcmp(list.data() + 32, width, 4), 0);

    // A fresh dialog reads back what was saved.
    CScreenSettingsDlg again;
    EXPECT_EQ(again.m_presets.size(), 16u);
    EXPECT_EQ(again.m_selectedIndex, 15);
    EXPECT_EQ(again.m_eyepieceIndex, 0);
}

TEST_F(ScreenSettings, AnsweringNoSavesNothing)
{
    CScreenSettingsDlg dlg;
    Open(dlg);
    Choose(dlg, dlg.m_monitorCombo, 0);
    MessageBoxRecorder boxes(IDNO);
    dlg.SendMessage(WM_CLOSE);
    EXPECT_EQ(boxes.boxes.size(), 1u);
    EXPECT_TRUE(Stored("ScreenAttr").empty());
}
