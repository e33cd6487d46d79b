// The hook library for real: global hooks on the test host's desktop, with
// input made by mouse_event and keybd_event in this process and in a second one.
#include "HookLib.h"
#include "InputProbe.h"
#include "TestSupport.h"

#include "classroom/InputMapping.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace classroom = zelvo::classroom;
using testing_support::PumpFor;
using testing_support::PumpUntil;

namespace {

// A probe that also records what the hooks post to it.
class TargetWnd : public testing_support::ProbeWnd {
public:
    struct Post {
        UINT message;
        classroom::MouseRecord mouse;  // read from the posted address at once
        WPARAM wParam;
        LPARAM lParam;
    };
    std::vector<Post> posts;

    explicit TargetWnd(bool visible) : ProbeWnd(visible) {}
    int Count(UINT message) const
    {
        int n = 0;
        for (const auto& p : posts) n += p.message == message;
        return n;
    }
    // Presses and keys that reached the window itself.
    int OwnInput() const { return ProbeWnd::Count(WM_KEYDOWN) + ProbeWnd::Count(WM_LBUTTONDOWN); }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_HOOK_MOUSE) {
            posts.push_back({message, *reinterpret_cast<const classroom::MouseRecord*>(wParam), wParam, lParam});
            return 0;
        }
        if (message == WM_HOOK_KEY) {
            posts.push_back({message, {}, wParam, lParam});
            return 0;
        }
        return ProbeWnd::WindowProc(message, wParam, lParam);
    }
};

void MoveMouseTo(int x, int y)
{
    ::mouse_event(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE,
                  (DWORD)classroom::AbsoluteCoordinate(x, ::GetSystemMetrics(SM_CXSCREEN)),
                  (DWORD)classroom::AbsoluteCoordinate(y, ::GetSystemMetrics(SM_CYSCREEN)), 0, 0);
}

void PressKey(BYTE vk)
{
    ::keybd_event(vk, 0, 0, 0);
    ::keybd_event(vk, 0, KEYEVENTF_KEYUP, 0);
}

// Runs the probe program with its window over the whole screen; its exit code.
DWORD RunProbe(int x, int y, int vk)
{
    char exe[MAX_PATH];
    ::GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string path(exe);
    path = path.substr(0, path.rfind('\\') + 1) + "zol_probe.exe";
    std::string line = "\"" + path + "\" " + std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(vk);
    STARTUPINFOA si = {sizeof si};
    PROCESS_INFORMATION pi = {};
    if (!::CreateProcessA(path.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return 99;
    // The probe's hooks post here: keep this thread's queue moving while it runs.
    PumpUntil([&] { return ::WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0; }, 15000);
    DWORD code = 98;
    ::GetExitCodeProcess(pi.hProcess, &code);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    PumpFor(100);
    return code;
}

class ZolHooks : public testing::Test {
protected:
    void TearDown() override { DeInstallKMHook(); }
};

} // namespace

TEST_F(ZolHooks, InstallTwiceGivesTrueThenFalseAndRemovingNothingSucceeds)
{
    TargetWnd target(false);
    EXPECT_TRUE(DeInstallKMHook());
    EXPECT_TRUE(InstallKMHook(target.m_hWnd, 0));
    EXPECT_FALSE(InstallKMHook(target.m_hWnd, 0));
    EXPECT_TRUE(DeInstallKMHook());
    EXPECT_TRUE(DeInstallKMHook());
    // Removed for real: a fresh install succeeds again.
    EXPECT_TRUE(InstallKMHook(target.m_hWnd, 1));
    EXPECT_TRUE(DeInstallKMHook());
}

TEST_F(ZolHooks, ForwardsEachRealEventOnceAndSwallowsIt)
{
    TargetWnd target(true);
    ASSERT_TRUE(InstallKMHook(target.m_hWnd, 0));
    const int cx = ::GetSystemMetrics(SM_CXSCREEN), cy = ::GetSystemMetrics(SM_CYSCREEN);
    MoveMouseTo(cx / 2, cy / 3);
    ::mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
    // A look that leaves the press in the queue is not an event of its own.
    MSG peek;
    ::PeekMessage(&peek, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_NOREMOVE);
    ::mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
    ::keybd_event('Q', 0x10, 0, 0);
    ::keybd_event(VK_RIGHT, 0x4D, KEYEVENTF_EXTENDEDKEY | KEYEVENTF_KEYUP, 0);
    ASSERT_TRUE(PumpUntil([&] { return target.Count(WM_HOOK_KEY) == 2 && target.Count(WM_HOOK_MOUSE) >= 3; }));
    PumpFor(200);

    std::vector<int32_t> flags;
    for (const auto& p : target.posts)
        if (p.message == WM_HOOK_MOUSE) {
            flags.push_back(p.mouse.flags);
            EXPECT_EQ(0, p.lParam);
        }
    EXPECT_EQ((std::vector<int32_t>{0x8001, 0x8002, 0x8004}), flags);
    for (const auto& p : target.posts)
        if (p.message == WM_HOOK_MOUSE && p.mouse.flags == 0x8002) {
            EXPECT_EQ(classroom::AbsoluteCoordinate(cx / 2, cx), p.mouse.x);
            EXPECT_EQ(classroom::AbsoluteCoordinate(cy / 3, cy), p.mouse.y);
        }
    std::vector<std::pair<WPARAM, LPARAM>> keys;
    for (const auto& p : target.posts)
        if (p.message == WM_HOOK_KEY) keys.push_back({p.wParam, p.lParam});
    ASSERT_EQ(2u, keys.size());
    EXPECT_EQ((WPARAM)'Q', keys[0].first);
    EXPECT_EQ(0x10, (keys[0].second >> 16) & 0xFF);
    EXPECT_EQ(0, keys[0].second & 0x80000000);
    EXPECT_EQ((WPARAM)VK_RIGHT, keys[1].first);
    EXPECT_TRUE(keys[1].second & 0x80000000);
    EXPECT_TRUE(keys[1].second & 0x01000000);
    EXPECT_EQ(0, target.OwnInput());
}

TEST_F(ZolHooks, SecondProcessForwardsToTheTargetAndItsExitLeavesTheHooks)
{
    TargetWnd target(false);
    ASSERT_TRUE(InstallKMHook(target.m_hWnd, 0));
    const int cx = ::GetSystemMetrics(SM_CXSCREEN), cy = ::GetSystemMetrics(SM_CYSCREEN);
    // The hooks run in the probe, whose window has the focus and the mouse.
    EXPECT_EQ(0u, RunProbe(100, 80, 'K'));
    ASSERT_EQ(2, target.Count(WM_HOOK_KEY));
    EXPECT_EQ((WPARAM)'K', target.posts.back().wParam);
    bool moved = false;
    for (const auto& p : target.posts)
        moved |= p.message == WM_HOOK_MOUSE && p.mouse.flags == 0x8001 &&
                 p.mouse.x == classroom::AbsoluteCoordinate(100, cx) &&
                 p.mouse.y == classroom::AbsoluteCoordinate(80, cy);
    EXPECT_TRUE(moved) << "the move made in the probe, read through the address the target was given";
    // The probe mapped the library and ended; the hooks are still the installer's.
    EXPECT_FALSE(InstallKMHook(target.m_hWnd, 0));
    target.posts.clear();
    EXPECT_EQ(0u, RunProbe(120, 90, 'L'));
    EXPECT_EQ(2, target.Count(WM_HOOK_KEY));
}

TEST_F(ZolHooks, ADestroyedTargetGetsNothingAndTheNextKeyRemovesTheHooks)
{
    TargetWnd focus(true);
    HWND gone;
    {
        TargetWnd target(false);
        ASSERT_TRUE(InstallKMHook(target.m_hWnd, 0));
        gone = target.m_hWnd;
    }
    ASSERT_FALSE(::IsWindow(gone));
    MoveMouseTo(30, 30);
    PressKey('Z');
    // Nothing may be posted to a window of 0 either: that would land in this thread's queue.
    int strays = 0;
    PumpUntil([&] {
        MSG msg;
        while (::PeekMessage(&msg, nullptr, WM_HOOK_MOUSE, WM_HOOK_KEY, PM_REMOVE)) ++strays;
        return false;
    }, 400);
    EXPECT_EQ(0, strays);
    EXPECT_EQ(0, focus.OwnInput()) << "the key that removes the hooks is still swallowed";
    EXPECT_TRUE(InstallKMHook(focus.m_hWnd, 0)) << "both hooks were removed";
}
