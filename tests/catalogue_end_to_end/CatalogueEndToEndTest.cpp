// The catalogue client against the real catalogue server and the real slide
// server: it finds the catalogue server by broadcast, shows the folder tree,
// a folder's slides with their thumbnails and a preview, starts the delivered
// viewer on a double click, tracks it, and closes it when the client ends.
#include "CatalogFrame.h"
#include "CatalogSettings.h"
#include "ClientApp.h"
#include "ProgramWatch.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <fstream>
#include <sstream>
#include <string>

using testing_support::PumpFor;
using testing_support::PumpUntil;

namespace {

std::string ReadFile(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

std::string SlideServerLog()
{
    const char* dir = getenv("ZELVO_SLIDE_LIBRARY");
    return ReadFile(std::string(dir ? dir : ".") + "\\..\\requests.log");
}

class CatalogueEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(testing_support::WatchStartedPrograms());
        ::RegDeleteTree(HKEY_CURRENT_USER, kSettingsKey);
        WriteLanLogon(1);
        CMainFrame::ResetRunForTests();
        // Discovery answers count during the client's first timer period: a
        // loaded test machine needs a longer one than the second it has.
        fw::SetTimerScale(3.0);
        m_slideLogStart = SlideServerLog().size();
    }
    void TearDown() override
    {
        // Those that ended before are not checked here: a death of one is the
        // watch's to report.
        std::vector<bool> running;
        for (HANDLE p : viewers) running.push_back(::WaitForSingleObject(p, 0) != WAIT_OBJECT_0);
        // The client's end closes its viewers.
        if (frame && ::IsWindow(frameWnd)) frame->DestroyWindow();
        PumpFor(100);
        theApp.m_pMainWnd = nullptr;
        fw::SetTimerScale(1.0);
        for (size_t i = 0; i < viewers.size(); ++i) {
            if (::WaitForSingleObject(viewers[i], 10000) != WAIT_OBJECT_0) {
                ::TerminateProcess(viewers[i], 1);
            } else if (running[i]) {
                EXPECT_TRUE(testing_support::EndedWith(viewers[i], 0)) << "a viewer, closed by the client's end";
            }
            ::CloseHandle(viewers[i]);
        }
        ::RegDeleteTree(HKEY_CURRENT_USER, kSettingsKey);
        testing_support::StopWatching();
    }

    CTreeCtrl& Tree() { return frame->LeftView().GetTreeCtrl(); }
    CListCtrl& List() { return frame->ListView().GetListCtrl(); }
    HTREEITEM Child(HTREEITEM parent, LPCTSTR text)
    {
        for (HTREEITEM i = Tree().GetChildItem(parent); i; i = Tree().GetNextSiblingItem(i))
            if (Tree().GetItemText(i) == text) return i;
        return nullptr;
    }
    HTREEITEM WaitChild(HTREEITEM parent, LPCTSTR text)
    {
        HTREEITEM found = nullptr;
        EXPECT_TRUE(PumpUntil([&] { return (found = Child(parent, text)) != nullptr; }, 20000)) << CStringA(text).GetString();
        return found;
    }
    // The mouse on the tree: a click left of the item's text by `left` pixels
    // (its expand button) or on the text (0).
    void ClickTreeItem(HTREEITEM item, int left)
    {
        RECT r;
        ASSERT_TRUE(Tree().GetItemRect(item, &r, TRUE));
        LPARAM at = MAKELPARAM(left ? r.left - left : (r.left + r.right) / 2, (r.top + r.bottom) / 2);
        ::PostMessage(Tree().m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
        ::PostMessage(Tree().m_hWnd, WM_LBUTTONUP, 0, at);
    }
    int ExpandButtonOffset()
    {
        int indent = (int)::SendMessage(Tree().m_hWnd, TVM_GETINDENT, 0, 0);
        return indent + indent / 2;
    }
    void DoubleClickListItem(int index)
    {
        RECT r;
        ASSERT_TRUE(List().GetItemRect(index, &r, LVIR_ICON));
        LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        ::PostMessage(List().m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
        ::PostMessage(List().m_hWnd, WM_LBUTTONUP, 0, at);
        ::PostMessage(List().m_hWnd, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
        ::PostMessage(List().m_hWnd, WM_LBUTTONUP, 0, at);
    }
    // The viewer that registered last; its process is kept to wait for its end.
    HWND WaitViewer(size_t count)
    {
        EXPECT_TRUE(PumpUntil([&] { return frame->Viewers().size() == count; }, 40000))
            << "the viewer never registered";
        if (frame->Viewers().size() != count) return nullptr;
        HWND viewer = frame->Viewers().back();
        DWORD pid = 0;
        ::GetWindowThreadProcessId(viewer, &pid);
        if (HANDLE p = ::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid))
            viewers.push_back(p);
        return viewer;
    }

    CMainFrame* frame = nullptr;
    HWND frameWnd = nullptr;
    std::vector<HANDLE> viewers;
    size_t m_slideLogStart = 0;
};

} // namespace

TEST_F(CatalogueEndToEnd, BrowsesTheLibraryAndOpensASlideInTheViewer)
{
    frame = dynamic_cast<CMainFrame*>(theApp.OpenFrame());
    ASSERT_NE(frame, nullptr);
    frameWnd = frame->m_hWnd;
    frame->ShowWindow(SW_SHOWMAXIMIZED);

    // Found by broadcast, connected, the root's folders listed.
    ASSERT_TRUE(PumpUntil([&] { return frame->Link().IsConnected(); }, 30000));
    // The address the answer came from: loopback, or the host's link where it has one.
    EXPECT_FALSE(frame->DiscoveredAddress().IsEmpty());
    HTREEITEM root = frame->LeftView().Root();
    HTREEITEM histology = WaitChild(root, _T("Histology"));
    ASSERT_NE(histology, nullptr);
    WaitChild(root, _T("Teaching"));

    ClickTreeItem(histology, ExpandButtonOffset());
    HTREEITEM liver = WaitChild(histology, _T("Liver"));
    ASSERT_NE(liver, nullptr);
    WaitChild(histology, _T("Kidney"));

    ClickTreeItem(liver, 0);
    ASSERT_TRUE(PumpUntil([&] { return List().GetItemCount() == 1; }, 20000));
    EXPECT_EQ(List().GetItemText(0, 0), _T("small"));
    EXPECT_EQ(frame->ListView().TileCount(), 1);
    EXPECT_EQ(List().GetItemText(0, 3), _T("3000x2200"));

    List().SetItemState(0, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
    ASSERT_TRUE(PumpUntil([&] { return !frame->PreView().Picture().IsEmpty(); }, 20000));
    EXPECT_EQ(frame->PreView().Picture().GetSize(), CSize(640, 469));
    PumpFor(300);
    testing_support::SaveScreenshot(frame->m_hWnd, "catalogue_end_to_end_list.bmp");

    // A double click starts the delivered viewer on that slide; it registers.
    DoubleClickListItem(0);
    HWND viewer = WaitViewer(1);
    ASSERT_NE(viewer, nullptr);
    ASSERT_TRUE(PumpUntil([&] {
        return SlideServerLog().find("1300 open \"D:\\Slides\\Histology\\Liver\\small.jpg\"", m_slideLogStart) !=
               std::string::npos;
    }, 20000)) << "the viewer did not open the slide at the server";
    PumpFor(1000);
    testing_support::SaveScreenshot(nullptr, "catalogue_end_to_end_viewer.bmp");

    // Closing the viewer tells the client.
    ::PostMessage(viewer, WM_CLOSE, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return frame->Viewers().empty(); }, 20000));

    // Another viewer, closed by the client's end.
    DoubleClickListItem(0);
    HWND second = WaitViewer(1);
    ASSERT_NE(second, nullptr);
    frame->DestroyWindow();
    frame = nullptr;
    for (HANDLE p : viewers) {
        ASSERT_EQ(::WaitForSingleObject(p, 20000), WAIT_OBJECT_0) << "a viewer outlived the client";
        EXPECT_TRUE(testing_support::EndedWith(p, 0)) << "a viewer, closed";
    }
}

namespace {

struct FindClient {
    DWORD pid;
    HWND found = nullptr;
};

BOOL CALLBACK FindClientFrame(HWND wnd, LPARAM l)
{
    auto* f = reinterpret_cast<FindClient*>(l);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(wnd, &pid);
    wchar_t title[64] = {};
    ::GetWindowTextW(wnd, title, 64);
    if (pid == f->pid && std::wcsncmp(title, L"Farrowick", 9) == 0 && ::IsWindowVisible(wnd)) {
        f->found = wnd;
        return FALSE;
    }
    return TRUE;
}

PROCESS_INFORMATION StartClient()
{
    wchar_t exe[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring path = exe;
    for (int i = 0; i < 3; ++i) path = path.substr(0, path.find_last_of(L'\\'));  // the build tree
    path += L"\\catalogue\\Farrowick.exe";
    std::wstring line = L"\"" + path + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    EXPECT_TRUE(::CreateProcessW(path.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    return pi;
}

} // namespace

TEST_F(CatalogueEndToEnd, TheDeliveredClientRunsOnceAndEndsWhenClosed)
{
    PROCESS_INFORMATION first = StartClient();
    FindClient find{first.dwProcessId};
    ASSERT_TRUE(PumpUntil([&] {
        ::EnumWindows(&FindClientFrame, (LPARAM)&find);
        return find.found != nullptr;
    }, 30000)) << "the client's frame never showed";
    // A second start ends at once; the first goes on.
    PROCESS_INFORMATION second = StartClient();
    EXPECT_EQ(::WaitForSingleObject(second.hProcess, 20000), WAIT_OBJECT_0);
    EXPECT_TRUE(testing_support::EndedWith(second.hProcess, 0)) << "the second start";
    EXPECT_EQ(::WaitForSingleObject(first.hProcess, 0), (DWORD)WAIT_TIMEOUT);
    ::PostMessage(find.found, WM_CLOSE, 0, 0);
    EXPECT_EQ(::WaitForSingleObject(first.hProcess, 20000), WAIT_OBJECT_0);
    EXPECT_TRUE(testing_support::EndedWith(first.hProcess, 0)) << "the first, closed";
    for (PROCESS_INFORMATION* p : {&first, &second}) {
        if (::WaitForSingleObject(p->hProcess, 0) != WAIT_OBJECT_0) ::TerminateProcess(p->hProcess, 1);
        ::CloseHandle(p->hThread);
        ::CloseHandle(p->hProcess);
    }
}
