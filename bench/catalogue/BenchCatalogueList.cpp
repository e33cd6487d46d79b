// bench_catalogue_list.exe: the catalogue client's frame lists a folder of the
// catalogue server into its list view; prints the time from selecting the
// folder to the last thumbnail drawn and the program's peak memory.
//   bench_catalogue_list.exe SERVER FOLDER COUNT
#include "CatalogFrame.h"
#include "CatalogSettings.h"
#include "ClientApp.h"
#include "TestSupport.h"

#include <psapi.h>

#include <cstdio>
#include <cstdlib>

namespace {

int LogBox(HWND, LPCTSTR text, LPCTSTR, UINT type)
{
    std::fprintf(stderr, "message box: %s\n", CStringA(text).GetString());
    return fw::FirstButtonOf(type);
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to, LARGE_INTEGER frequency)
{
    return (double)(to.QuadPart - from.QuadPart) / (double)frequency.QuadPart;
}

// User and kernel time of this process so far.
double CpuSeconds()
{
    FILETIME created, ended, kernel, user;
    ::GetProcessTimes(::GetCurrentProcess(), &created, &ended, &kernel, &user);
    auto value = [](FILETIME t) { return ((double)t.dwHighDateTime * 4294967296.0 + t.dwLowDateTime) / 1e7; };
    return value(kernel) + value(user);
}

double Megabytes(SIZE_T bytes)
{
    return bytes / 1048576.0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fputs("usage: bench_catalogue_list SERVER FOLDER COUNT\n", stderr);
        return 2;
    }
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_COOL_CLASSES};
    ::InitCommonControlsEx(&icc);
    AfxSocketInit();
    fw::SetMessageBoxHandler(&LogBox);
    CString folder(argv[2]);
    int count = std::atoi(argv[3]);
    WriteLanLogon(0);
    WriteCurrentAddress(CString(argv[1]));

    auto* frame = dynamic_cast<CMainFrame*>(theApp.OpenFrame());
    if (!frame) {
        std::fputs("bench_catalogue_list: no frame\n", stderr);
        return 2;
    }
    frame->ShowWindow(SW_SHOWMAXIMIZED);
    CTreeCtrl& tree = frame->LeftView().GetTreeCtrl();
    HTREEITEM item = nullptr;
    bool found = testing_support::PumpUntil([&] {
        for (HTREEITEM i = tree.GetChildItem(frame->LeftView().Root()); i && !item; i = tree.GetNextSiblingItem(i))
            if (tree.GetItemText(i) == folder) item = i;
        return item != nullptr;
    }, 30000);
    if (!found) {
        std::fputs("bench_catalogue_list: the folder never appeared\n", stderr);
        return 2;
    }
    testing_support::PumpFor(500);
    PROCESS_MEMORY_COUNTERS before = {sizeof before};
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &before, sizeof before);

    LARGE_INTEGER frequency, start, end;
    ::QueryPerformanceFrequency(&frequency);
    double cpuStart = CpuSeconds();
    ::QueryPerformanceCounter(&start);
    tree.SelectItem(item);
    CListCtrl& list = frame->ListView().GetListCtrl();
    // The list's own pumping, as the program's loop would do it.
    bool complete = testing_support::PumpUntil(
        [&] { return list.GetItemCount() >= count && frame->ListView().Shown(); }, 120000);
    list.RedrawWindow();
    ::QueryPerformanceCounter(&end);
    double cpu = CpuSeconds() - cpuStart;

    PROCESS_MEMORY_COUNTERS after = {sizeof after};
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &after, sizeof after);
    std::printf("catalogue client: %d items, last thumbnail drawn after %.3f s (%.3f s of processor), "
                "peak memory %.1f MB (%.1f MB before the list; peak private %.1f MB)\n",
                list.GetItemCount(), Seconds(start, end, frequency), cpu, Megabytes(after.PeakWorkingSetSize),
                Megabytes(before.WorkingSetSize), Megabytes(after.PeakPagefileUsage));
    std::fflush(stdout);
    frame->DestroyWindow();
    testing_support::PumpFor(100);
    return complete ? 0 : 1;
}
