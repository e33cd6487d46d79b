// The programs a test starts, itself or through the program under test, are
// watched: one that dies of an exception fails the test at once with its name,
// exit code and exception, and every further wait of that test ends at once,
// instead of the test waiting for what the program will never send. Wine's
// crash report, which says where, is in the test's output before that line.
#pragma once

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace testing_support {

class ProgramWatch {
public:
    static ProgramWatch& Get()
    {
        static ProgramWatch watch;
        return watch;
    }

    // Puts this process into a job whose port reports every process started
    // from it from now on; false where the platform refuses.
    bool Start()
    {
        if (m_port) return true;
        HANDLE job = ::CreateJobObjectA(nullptr, nullptr);
        HANDLE port = ::CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1);
        JOBOBJECT_ASSOCIATE_COMPLETION_PORT link = {job, port};
        if (job && port &&
            ::SetInformationJobObject(job, JobObjectAssociateCompletionPortInformation, &link, sizeof link) &&
            ::AssignProcessToJobObject(job, ::GetCurrentProcess())) {
            m_port = port;
            return true;
        }
        std::fprintf(stderr, "the programs this test starts are not watched (error %lu)\n", ::GetLastError());
        if (port) ::CloseHandle(port);
        if (job) ::CloseHandle(job);
        return false;
    }

    // What the job reported since the last call: a line for every program
    // that ended by an exception.
    std::vector<std::string> NewDeaths()
    {
        std::vector<std::string> deaths;
        DWORD message = 0;
        ULONG_PTR key = 0;
        LPOVERLAPPED data = nullptr;
        while (m_port && ::GetQueuedCompletionStatus(m_port, &message, &key, &data, 0)) {
            const DWORD pid = (DWORD)(ULONG_PTR)data;
            if (message == JOB_OBJECT_MSG_NEW_PROCESS) {
                // Opened now, so that its exit code can still be read when it ends.
                if (HANDLE p = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, pid))
                    m_programs[pid] = {p, ImageName(p)};
            } else if (message == JOB_OBJECT_MSG_EXIT_PROCESS || message == JOB_OBJECT_MSG_ABNORMAL_EXIT_PROCESS) {
                auto it = m_programs.find(pid);
                if (it == m_programs.end()) continue;
                DWORD code = 0;
                if (::GetExitCodeProcess(it->second.handle, &code) && code >= 0x80000000u) {
                    char line[160];
                    std::snprintf(line, sizeof line, "%s (process %lu) died during the test: exit code 0x%08lx, %s",
                                  it->second.name.c_str(), pid, code, ExceptionName(code));
                    deaths.push_back(line);
                }
                ::CloseHandle(it->second.handle);
                m_programs.erase(it);
            }
        }
        return deaths;
    }

private:
    struct Program {
        HANDLE handle;
        std::string name;
    };
    static std::string ImageName(HANDLE process)
    {
        char path[MAX_PATH] = {};
        DWORD size = MAX_PATH;
        if (!::QueryFullProcessImageNameA(process, 0, path, &size)) return "a program";
        const char* slash = std::strrchr(path, '\\');
        return slash ? slash + 1 : path;
    }

    HANDLE m_port = nullptr;
    std::map<DWORD, Program> m_programs;
};

// The wait check: reports each death once and ends every wait of the test
// in which a program died.
inline bool AProgramDied()
{
    static const testing::TestInfo* failed = nullptr;
    const testing::TestInfo* now = testing::UnitTest::GetInstance()->current_test_info();
    for (const std::string& death : ProgramWatch::Get().NewDeaths()) {
        ADD_FAILURE() << death;
        failed = now;
    }
    return failed && failed == now;
}

// Called by a test before it starts programs.
inline void WatchStartedPrograms()
{
    if (ProgramWatch::Get().Start()) WaitCheck() = &AProgramDied;
}

} // namespace testing_support
