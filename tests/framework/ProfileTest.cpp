#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {
class CProfileApp : public CWinApp {
public:
    CProfileApp() : CWinApp(_T("配置测试")) {}
};
} // namespace

TEST(Profile, ValuesRoundTripThroughTheRegistryUnderTheKeyWord)
{
    CProfileApp app;
    app.SetRegistryKey(_T("ZelvoFwTest"));
    EXPECT_TRUE(app.WriteProfileInt(_T("AppData"), _T("TheMainWnd"), 0x1234));
    EXPECT_TRUE(app.WriteProfileString(_T("AppData"), _T("FileName"), _T("\\\\srv\\切片\\a.jpg")));
    const BYTE blob[5] = {1, 0, 2, 0, 3};
    EXPECT_TRUE(app.WriteProfileBinary(_T("AppData"), _T("Blob"), blob, sizeof blob));

    EXPECT_EQ(app.GetProfileInt(_T("AppData"), _T("TheMainWnd"), -1), 0x1234u);
    EXPECT_EQ(app.GetProfileString(_T("AppData"), _T("FileName")), CString("\\\\srv\\切片\\a.jpg"));
    EXPECT_EQ(app.GetProfileInt(_T("AppData"), _T("Missing"), 77), 77u);
    EXPECT_EQ(app.GetProfileString(_T("AppData"), _T("Missing"), _T("dflt")), CString("dflt"));
    BYTE* data = nullptr;
    UINT size = 0;
    ASSERT_TRUE(app.GetProfileBinary(_T("AppData"), _T("Blob"), &data, &size));
    EXPECT_EQ(size, 5u);
    EXPECT_EQ(memcmp(data, blob, 5), 0);
    delete[] data;

    // The values live where other programs look for them.
    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\ZelvoFwTest\\配置测试\\AppData", 0, KEY_READ, &key), ERROR_SUCCESS);
    DWORD v = 0, type = 0, len = sizeof v;
    EXPECT_EQ(RegQueryValueExA(key, "TheMainWnd", nullptr, &type, (BYTE*)&v, &len), ERROR_SUCCESS);
    EXPECT_EQ(type, (DWORD)REG_DWORD);
    EXPECT_EQ(v, 0x1234u);
    RegCloseKey(key);
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\ZelvoFwTest");
}

TEST(Profile, AStringStoredWithoutTerminatorIsReadSafely)
{
    CProfileApp app;
    app.SetRegistryKey(_T("ZelvoFwTest2"));
    HKEY key = app.GetSectionKey(_T("AppData"));
    ASSERT_NE(key, nullptr);
    RegSetValueExA(key, "ServerIP", 0, REG_SZ, (const BYTE*)"10.1.2.3", 8);  // no NUL stored
    RegCloseKey(key);
    EXPECT_EQ(app.GetProfileString(_T("AppData"), _T("ServerIP")), CString("10.1.2.3"));
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\ZelvoFwTest2");
}
