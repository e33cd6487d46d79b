#include "AboutDlg.h"
#include "ExeFolder.h"
#include "MainFrame.h"
#include "TestSupport.h"
#include "ViewerApp.h"

#include <gtest/gtest.h>

extern CViewerApp theApp;

TEST(ExeFolder, IsTheFolderOfTheProgramWithItsBackslash)
{
    EXPECT_EQ(FolderOfPath(_T("C:\\A\\B\\viewer.exe")), CString("C:\\A\\B\\"));
    EXPECT_EQ(FolderOfPath(_T("viewer.exe")), CString(""));
    CString folder = GetExeFolder();
    ASSERT_FALSE(folder.IsEmpty());
    EXPECT_EQ(folder.Right(1), CString("\\"));
    EXPECT_NE(::GetFileAttributes(folder + _T("viewer_link_tests.exe")), INVALID_FILE_ATTRIBUTES);
}

TEST(ViewerStartup, SocketLayerFailureStopsStartUpWithItsMessage)
{
    testing_support::MessageBoxRecorder boxes;
    fw::SetSocketVersion(0);
    BOOL ok = theApp.InitInstance();
    fw::SetSocketVersion(MAKEWORD(2, 2));
    EXPECT_FALSE(ok);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "Windows 通信端口初始化失败。");
    EXPECT_EQ(theApp.m_pMainWnd, nullptr);
}

TEST(ViewerStartup, CreatesTheFrameRecordsItAndHandsItTheCommandLine)
{
    testing_support::MessageBoxRecorder boxes;
    ASSERT_TRUE(theApp.InitInstance());
    auto* frame = dynamic_cast<CMainFrame*>(theApp.m_pMainWnd);
    ASSERT_NE(frame, nullptr);
    CString title;
    frame->GetWindowText(title);
    EXPECT_EQ(title, CString("Verdaline全景切片阅读器"));
    EXPECT_STREQ(theApp.m_pszRegistryKey, "Zelvo");
    EXPECT_EQ(theApp.GetProfileInt("AppData", "TheMainWnd", 0), (UINT)(UINT_PTR)frame->m_hWnd);
    HKEY key;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Zelvo\\Verdaline全景切片阅读器\\AppData", 0, KEY_READ, &key),
              ERROR_SUCCESS);
    RegCloseKey(key);
    // The test program's command line names no requesting window: none is registered.
    auto fields = zelvo::SplitViewerCommandLine(::GetCommandLineA());
    ASSERT_FALSE(::IsWindow((HWND)(UINT_PTR)fields.window()));
    EXPECT_EQ(frame->GetCatalogueWindow(), nullptr);
    EXPECT_EQ(g_strProgramFolder, GetExeFolder());
    EXPECT_TRUE(boxes.boxes.empty());
    frame->DestroyWindow();
    EXPECT_EQ(theApp.m_pMainWnd, nullptr);
    MSG msg;
    ::PeekMessage(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);  // the quit the main window left
}

TEST(AboutBox, ShowsTheProgramVersionAndIsTranslucent)
{
    CString viewer = GetExeFolder() + _T("..\\..\\viewer\\Oskerin.exe");
    EXPECT_EQ(GetFileVersionText(viewer), CString("1.0.0.1"));
    EXPECT_EQ(GetFileVersionText(GetExeFolder() + _T("no-such-module.dll")), CString(""));

    CWnd w;
    ASSERT_TRUE(w.CreateEx(0, nullptr, _T("t"), WS_POPUP, CRect(0, 0, 20, 20), nullptr, 0));
    EXPECT_TRUE(MakeTranslucent(w.m_hWnd, 200));
    EXPECT_TRUE(w.GetExStyle() & WS_EX_LAYERED);
    BYTE alpha = 0;
    DWORD flags = 0;
    ASSERT_TRUE(::GetLayeredWindowAttributes(w.m_hWnd, nullptr, &alpha, &flags));
    EXPECT_EQ(alpha, 200);
    EXPECT_EQ(flags, (DWORD)LWA_ALPHA);
}
