#include "WorkerThread.h"

CWorkerThread::~CWorkerThread()
{
    WaitIdle();
    if (m_thread) ::CloseHandle(m_thread);
}

void CWorkerThread::Start()
{
    if (!IsIdle()) return;
    m_idle = 0;
    if (m_thread) ::CloseHandle(m_thread);
    m_thread = ::CreateThread(nullptr, 0, &CWorkerThread::ThreadEntry, this, 0, nullptr);
    if (!m_thread) m_idle = 1;
}

void CWorkerThread::WaitIdle()
{
    // A pass only captures, encodes and sends on sockets; it never waits for
    // this thread, so the wait ends when the pass does.
    if (m_thread && !IsIdle()) ::WaitForSingleObject(m_thread, INFINITE);
}

DWORD WINAPI CWorkerThread::ThreadEntry(LPVOID self)
{
    CWorkerThread* worker = static_cast<CWorkerThread*>(self);
    worker->Run();
    worker->Finish();
    return 0;
}
