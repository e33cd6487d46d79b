#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

const UINT WM_SWALLOWED = WM_APP + 1;
const UINT WM_DELIVERED = WM_APP + 2;

class CCountingWnd : public CWnd {
public:
    int swallowedSeen = 0, delivered = 0;
    LRESULT OnSwallowed(WPARAM, LPARAM) { ++swallowedSeen; return 0; }
    LRESULT OnDelivered(WPARAM, LPARAM)
    {
        ++delivered;
        DestroyWindow();  // the main window going away ends the loop
        return 0;
    }
    BOOL PreTranslateMessage(MSG* msg) override { return msg->message == WM_SWALLOWED; }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CCountingWnd, CWnd)
    ON_MESSAGE(WM_SWALLOWED, OnSwallowed)
    ON_MESSAGE(WM_DELIVERED, OnDelivered)
END_MESSAGE_MAP()

class CLoopApp : public CWinApp {
public:
    int idleCalls = 0;
    LONG maxIdleCount = -1;
    HWND finishAfterIdle = nullptr;
    BOOL OnIdle(LONG count) override
    {
        ++idleCalls;
        if (count > maxIdleCount) maxIdleCount = count;
        BOOL more = CWinApp::OnIdle(count);
        // Once idle work is done, the last message ends the loop.
        if (!more && finishAfterIdle) ::PostMessage(finishAfterIdle, WM_DELIVERED, 0, 0);
        return more;
    }
    int ExitInstance() override { return 17; }
};

} // namespace

TEST(Application, RunsIdleTimePreTranslatesAndEndsWithTheMainWindow)
{
    CLoopApp app;
    EXPECT_EQ(AfxGetApp(), &app);
    CCountingWnd* wnd = new CCountingWnd;
    ASSERT_TRUE(wnd->CreateEx(0, nullptr, _T("main"), WS_OVERLAPPEDWINDOW, CRect(0, 0, 50, 50), nullptr, 0));
    app.m_pMainWnd = wnd;
    EXPECT_EQ(AfxGetMainWnd(), wnd);
    wnd->PostMessage(WM_SWALLOWED);
    app.finishAfterIdle = wnd->m_hWnd;
    EXPECT_EQ(app.Run(), 17);
    EXPECT_EQ(wnd->swallowedSeen, 0);  // taken by pre-translation
    EXPECT_EQ(wnd->delivered, 1);
    EXPECT_GE(app.idleCalls, 1);
    EXPECT_GE(app.maxIdleCount, 1);    // idle work runs in rounds until it is done
    EXPECT_EQ(app.m_pMainWnd, nullptr);
    delete wnd;
}

TEST(Application, SocketStartUpFailureIsReported)
{
    fw::SetSocketVersion(0);  // a version no socket layer offers
    EXPECT_FALSE(AfxSocketInit());
    fw::SetSocketVersion(MAKEWORD(2, 2));
    WSADATA data;
    EXPECT_TRUE(AfxSocketInit(&data));
    EXPECT_EQ(LOBYTE(data.wVersion), 2);
}

TEST(Application, NameComesFromTheConstructorOrTheProgram)
{
    CWinApp named(_T("名字"));
    EXPECT_STREQ(named.m_pszAppName, _T("名字"));
    named.SetRegistryKey(_T("Zelvo"));
    EXPECT_STREQ(named.m_pszRegistryKey, _T("Zelvo"));
    EXPECT_STREQ(named.m_pszProfileName, _T("名字"));
    CWinApp unnamed;
    EXPECT_STREQ(unnamed.m_pszExeName, _T("fw_tests"));
}
