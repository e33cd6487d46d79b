// The programs a test starts, itself or through the program under test, are
// watched: one that dies of an exception fails the test at once with its name,
// exit code and exception, and every further wait of that test ends at once,
// instead of the test waiting for what the program will never send. Wine's
// crash report, which says where, is in the test's output before that line.
// Each death is also printed as one line, kDeathMark and the test's name,
// which the test script looks for: a retry that passes does not hide it.
#pragma once

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace testing_support {

constexpr char kDeathMark[] = "watched program died in";

struct Death {
    DWORD pid = 0;
    std::string name;  // the image's file name, "a program" when it could not be opened
    DWORD code = 0;
    bool codeKnown = false;

    std::string Describe() const
    {
        char line[256];
        if (codeKnown)
            std::snprintf(line, sizeof line, "%s (process %lu) died: exit code 0x%08lx, %s",
                          name.c_str(), pid, code, ExceptionName(code));
        else
            std::snprintf(line, sizeof line, "%s (process %lu) died: ended abnormally, exit code unknown",
                          name.c_str(), pid);
        return line;
    }
};

inline bool IsDeathCode(DWORD code)
{
    return code >= 0x80000000u;
}

class ProgramWatch {
public:
    // Never destroyed: its thread may still wait on the port while the
    // process ends.
    static ProgramWatch& Get()
    {
        static ProgramWatch* watch = new ProgramWatch;
        return *watch;
    }

    // Puts this process into a job whose port reports every process started
    // from it from now on, and starts the thread that takes the port's
    // notices as they come; empty when watching, else why not.
    std::string Start()
    {
        std::lock_guard<std::mutex> hold(m_lock);
        if (!m_port) {
            HANDLE job = ::CreateJobObjectA(nullptr, nullptr);
            HANDLE port = ::CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1);
            JOBOBJECT_ASSOCIATE_COMPLETION_PORT link = {(PVOID)kJobKey, port};
            if (!job || !port ||
                !::SetInformationJobObject(job, JobObjectAssociateCompletionPortInformation, &link, sizeof link) ||
                !::AssignProcessToJobObject(job, ::GetCurrentProcess())) {
                const DWORD error = ::GetLastError();
                if (port) ::CloseHandle(port);
                if (job) ::CloseHandle(job);
                return "the programs this test starts cannot be watched: the job was refused (error " +
                       std::to_string(error) + ")";
            }
            m_port = port;
        }
        if (!m_thread) {
            m_thread = ::CreateThread(nullptr, 0, &ProgramWatch::Run, this, 0, nullptr);
            if (!m_thread)
                return "the programs this test starts cannot be watched: no thread (error " +
                       std::to_string(::GetLastError()) + ")";
        }
        return std::string();
    }

    // Ends the thread once it has taken every notice queued so far; false
    // when it did not end within ms.
    bool Stop(DWORD ms)
    {
        HANDLE thread;
        {
            std::lock_guard<std::mutex> hold(m_lock);
            thread = m_thread;
        }
        if (!thread) return true;
        if (!m_stopPosted) m_stopPosted = ::PostQueuedCompletionStatus(m_port, 0, kStopKey, nullptr) != FALSE;
        // A thread that does not end is left running and counted as running:
        // a second one on the same port would take half its notices.
        if (!m_stopPosted || ::WaitForSingleObject(thread, ms) != WAIT_OBJECT_0) return false;
        std::lock_guard<std::mutex> hold(m_lock);
        ::CloseHandle(m_thread);
        m_thread = nullptr;
        m_stopPosted = false;
        return true;
    }

    // The deaths recorded since the last call; each is handed out once.
    std::vector<Death> TakeDeaths()
    {
        std::lock_guard<std::mutex> hold(m_lock);
        std::vector<Death> deaths;
        deaths.swap(m_deaths);
        for (const Death& d : deaths) m_taken.insert(d.pid);
        return deaths;
    }

    // Whether the program, which has ended, died of an exception; its death
    // is then handed out here (fresh is false when it was before), and not
    // again.
    bool TakeDeathOf(HANDLE process, Death& death, bool& fresh)
    {
        DWORD code = 0;
        if (!::GetExitCodeProcess(process, &code) || !IsDeathCode(code)) return false;
        const DWORD pid = ::GetProcessId(process);
        death = Death{pid, ImageName(process), code, true};
        std::lock_guard<std::mutex> hold(m_lock);
        fresh = m_taken.count(pid) == 0;
        for (auto it = m_deaths.begin(); it != m_deaths.end(); ++it)
            if (it->pid == pid) {
                m_deaths.erase(it);
                break;
            }
        m_taken.insert(pid);
        return true;
    }

private:
    static constexpr ULONG_PTR kJobKey = 1;
    static constexpr ULONG_PTR kStopKey = 2;

    static DWORD WINAPI Run(void* self)
    {
        auto* watch = static_cast<ProgramWatch*>(self);
        DWORD message = 0;
        ULONG_PTR key = 0;
        LPOVERLAPPED data = nullptr;
        while (::GetQueuedCompletionStatus(watch->m_port, &message, &key, &data, INFINITE)) {
            if (key == kStopKey) break;
            if (key == kJobKey) watch->Notice(message, (DWORD)(ULONG_PTR)data);
        }
        return 0;
    }

    void Notice(DWORD message, DWORD pid)
    {
        if (pid == ::GetCurrentProcessId()) return;
        if (message == JOB_OBJECT_MSG_NEW_PROCESS) {
            // Opened at once, so that its exit code can still be read when it
            // ends, even when whoever started it kept no handle. Its name is
            // read at its end: Wine reports it before the image is known.
            HANDLE p = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, pid);
            std::lock_guard<std::mutex> hold(m_lock);
            auto old = m_programs.find(pid);
            if (old != m_programs.end() && old->second) ::CloseHandle(old->second);
            m_programs[pid] = p;
            m_taken.erase(pid);
            return;
        }
        const bool abnormal = message == JOB_OBJECT_MSG_ABNORMAL_EXIT_PROCESS;
        if (!abnormal && message != JOB_OBJECT_MSG_EXIT_PROCESS) return;
        std::lock_guard<std::mutex> hold(m_lock);
        HANDLE p = nullptr;
        auto it = m_programs.find(pid);
        if (it != m_programs.end()) {
            p = it->second;
            m_programs.erase(it);
        }
        // Not opened when it started: whoever started it may still hold it.
        if (!p) p = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
        DWORD code = 0;
        const bool known = p && ::GetExitCodeProcess(p, &code) && code != STILL_ACTIVE;
        const std::string name = p ? ImageName(p) : std::string("a program");
        if (p) ::CloseHandle(p);
        // Wine posts no abnormal exit, only the exit: there a program that
        // could not be opened cannot be told dead from ended.
        if (m_taken.count(pid) || !(abnormal || (known && IsDeathCode(code)))) return;
        m_deaths.push_back(Death{pid, name, code, known});
    }

    static std::string ImageName(HANDLE process)
    {
        char path[MAX_PATH] = {};
        DWORD size = MAX_PATH;
        if (!::QueryFullProcessImageNameA(process, 0, path, &size)) return "a program";
        const char* slash = std::strrchr(path, '\\');
        return slash ? slash + 1 : path;
    }

    std::mutex m_lock;
    HANDLE m_port = nullptr;
    HANDLE m_thread = nullptr;
    bool m_stopPosted = false;
    std::map<DWORD, HANDLE> m_programs;  // null: could not be opened
    std::vector<Death> m_deaths;  // not yet handed out
    std::set<DWORD> m_taken;      // processes whose death was handed out
};

// The test in which a program died: every further wait of it ends at once.
inline const testing::TestInfo*& TestWithADeath()
{
    static const testing::TestInfo* test = nullptr;
    return test;
}

// The line the test script looks for, and the test's failure.
inline std::string ReportDeath(const Death& death)
{
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    const std::string name = test ? std::string(test->test_suite_name()) + "." + test->name() : "no test";
    std::printf("%s %s: %s\n", kDeathMark, name.c_str(), death.Describe().c_str());
    TestWithADeath() = test;
    return death.Describe();
}

// The wait check: reports each death once and ends every wait of the test
// in which a program died.
inline bool AProgramDied()
{
    const testing::TestInfo* now = testing::UnitTest::GetInstance()->current_test_info();
    for (const Death& death : ProgramWatch::Get().TakeDeaths()) ADD_FAILURE() << ReportDeath(death);
    return TestWithADeath() && TestWithADeath() == now;
}

// Called by a fixture's SetUp before the test starts programs.
inline testing::AssertionResult WatchStartedPrograms()
{
    const std::string problem = ProgramWatch::Get().Start();
    if (!problem.empty()) return testing::AssertionFailure() << problem;
    WaitCheck() = &AProgramDied;
    return testing::AssertionSuccess();
}

// Called by a fixture's TearDown once its programs have ended: stops the
// watch's thread after it has taken what the port holds, and fails on every
// death no wait of the test reported.
inline void StopWatching()
{
    if (!ProgramWatch::Get().Stop(5000)) ADD_FAILURE() << "the watch over the programs the test started did not stop";
    WaitCheck() = nullptr;
    for (const Death& death : ProgramWatch::Get().TakeDeaths()) ADD_FAILURE() << ReportDeath(death);
}

// After a wait for a program's end: that it ended, with the expected code.
inline testing::AssertionResult EndedWith(HANDLE process, DWORD expected)
{
    DWORD code = 0;
    if (!::GetExitCodeProcess(process, &code))
        return testing::AssertionFailure() << "its exit code cannot be read (error " << ::GetLastError() << ")";
    if (code == STILL_ACTIVE) return testing::AssertionFailure() << "the program still runs";
    Death death;
    bool fresh = false;
    if (ProgramWatch::Get().TakeDeathOf(process, death, fresh))
        return testing::AssertionFailure() << (fresh ? ReportDeath(death) : death.Describe() + " (reported above)");
    if (code != expected)
        return testing::AssertionFailure() << "the program ended with exit code " << code << ", not " << expected;
    return testing::AssertionSuccess();
}

} // namespace testing_support
