#include "TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

TEST(Seams, MessageBoxesGoThroughTheReplaceableHandler)
{
    testing_support::MessageBoxRecorder boxes(IDNO);
    EXPECT_EQ(AfxMessageBox(_T("数据不可读！"), MB_YESNO), IDNO);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "数据不可读！");
    EXPECT_EQ(boxes.boxes[0].type, (UINT)MB_YESNO);
}

TEST(Seams, EnvironmentScriptAnswersAndLogsBoxesWithoutShowingThem)
{
    char dir[MAX_PATH];
    ::GetTempPathA(MAX_PATH, dir);
    std::string log = std::string(dir) + "fw_boxes.log";
    ::DeleteFileA(log.c_str());
    _putenv(("FW_MSGBOX_LOG=" + log).c_str());
    _putenv("FW_MSGBOX_ANSWERS=7,2");
    // Scripted answers in order, then the first button of the box.
    EXPECT_EQ(fw::ShowMessageBox(nullptr, _T("甲"), _T("题"), MB_YESNO), IDNO);
    EXPECT_EQ(fw::ShowMessageBox(nullptr, _T("乙"), nullptr, MB_OKCANCEL), IDCANCEL);
    EXPECT_EQ(fw::ShowMessageBox(nullptr, _T("丙"), nullptr, MB_YESNOCANCEL), IDYES);
    _putenv("FW_MSGBOX_LOG=");
    _putenv("FW_MSGBOX_ANSWERS=");

    std::ifstream in(log, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    // The log is UTF-8 whatever the program's code page.
    EXPECT_EQ(all.str(), "\xE9\xA2\x98|\xE7\x94\xB2|4|7\n|\xE4\xB9\x99|1|2\n|\xE4\xB8\x99|3|6\n");
}

TEST(Seams, TimerScaleShortensPeriodsButNeverToZero)
{
    fw::SetTimerScale(0.001);
    EXPECT_EQ(fw::ScaleMilliseconds(5000), 5u);
    EXPECT_EQ(fw::ScaleMilliseconds(500), 1u);
    EXPECT_EQ(fw::ScaleMilliseconds(0), 0u);
    fw::SetTimerScale(1.0);
    EXPECT_EQ(fw::ScaleMilliseconds(5000), 5000u);
}

namespace {
class CRecordingShell : public fw::IShell {
public:
    CString lastFile;
    UINT exitFlags = 0;
    HINSTANCE Execute(HWND, LPCTSTR, LPCTSTR file, LPCTSTR, LPCTSTR, int) override
    {
        lastFile = file;
        return (HINSTANCE)33;
    }
    BOOL EndSession(UINT flags, DWORD) override
    {
        exitFlags = flags;
        return TRUE;
    }
};
} // namespace

TEST(Seams, ShellCallsCanBeRedirected)
{
    CRecordingShell shell;
    fw::IShell* previous = fw::SetShell(&shell);
    EXPECT_EQ(fw::Shell().Execute(nullptr, _T("open"), _T("Farrowick.exe"), nullptr, nullptr, SW_SHOWNORMAL), (HINSTANCE)33);
    fw::Shell().EndSession(EWX_POWEROFF, 0);
    fw::SetShell(previous);
    EXPECT_EQ(shell.lastFile, CString("Farrowick.exe"));
    EXPECT_EQ(shell.exitFlags, (UINT)EWX_POWEROFF);
    EXPECT_NE(&fw::Shell(), static_cast<fw::IShell*>(&shell));
}
