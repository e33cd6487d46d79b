// The watch itself: a program that dies before anyone looks at it is still
// reported, with its name and exit code.
#include "ProgramWatch.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string BesideThisProgram(const char* file)
{
    char exe[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string path = exe;
    return path.substr(0, path.find_last_of('\\') + 1) + file;
}

// Whether the process that had this id and creation time is gone: ended,
// and no handle of anyone keeps it.
bool Gone(DWORD pid, const FILETIME& created)
{
    HANDLE p = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!p) return true;
    FILETIME c, e, k, u;
    const bool same = ::GetProcessTimes(p, &c, &e, &k, &u) && ::CompareFileTime(&c, &created) == 0;
    ::CloseHandle(p);
    return !same;
}

} // namespace

TEST(ProgramWatch, AProgramThatDiedUnseenIsReportedWithItsNameAndExitCode)
{
    ASSERT_TRUE(testing_support::WatchStartedPrograms());
    const std::string path = BesideThisProgram("crash_helper.exe");
    std::string line = "\"" + path + "\"";
    STARTUPINFOA si = {sizeof si};
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(::CreateProcessA(path.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        << path;
    // As a program started through the shell: nobody here keeps a handle.
    FILETIME created, e, k, u;
    ASSERT_TRUE(::GetProcessTimes(pi.hProcess, &created, &e, &k, &u));
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    const DWORD start = ::GetTickCount();
    while (!Gone(pi.dwProcessId, created) && ::GetTickCount() - start < 30000) ::Sleep(50);
    ASSERT_TRUE(Gone(pi.dwProcessId, created)) << "the helper did not end";

    std::vector<testing_support::Death> deaths;
    for (int i = 0; i < 100 && deaths.empty(); ++i) {
        deaths = testing_support::ProgramWatch::Get().TakeDeaths();
        if (deaths.empty()) ::Sleep(50);
    }
    EXPECT_TRUE(testing_support::ProgramWatch::Get().Stop(5000));
    ASSERT_EQ(1u, deaths.size());
    EXPECT_EQ(pi.dwProcessId, deaths[0].pid);
    EXPECT_EQ("crash_helper.exe", deaths[0].name);
    EXPECT_TRUE(deaths[0].codeKnown);
    EXPECT_EQ(0xC0000005u, deaths[0].code);
    EXPECT_EQ("crash_helper.exe (process " + std::to_string(pi.dwProcessId) +
                  ") died: exit code 0xc0000005, access violation",
              deaths[0].Describe());
}
