// A worker that runs one pass of Run on a thread of its own at a time.
#pragma once

#include "Framework.h"

#include <atomic>

class CWorkerThread {
public:
    CWorkerThread() = default;
    // Waits for a running pass: it may use what the derived object owns.
    virtual ~CWorkerThread();
    CWorkerThread(const CWorkerThread&) = delete;
    CWorkerThread& operator=(const CWorkerThread&) = delete;

    virtual void Run() {}
    // Starts a pass when idle; otherwise does nothing. Called on one thread only.
    void Start();
    bool IsIdle() const { return m_idle.load() != 0; }
    // Returns once no pass runs.
    void WaitIdle();

protected:
    // Ends the pass: the worker is idle again.
    void Finish() { m_idle = 1; }

private:
    static DWORD WINAPI ThreadEntry(LPVOID self);

    std::atomic<int> m_idle{1};
    HANDLE m_thread = nullptr;
};
