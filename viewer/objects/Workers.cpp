#include "Workers.h"

#include <process.h>

// ---------------------------------------------------------------------------

// The event is made at the first start: most shapes never blink, and a file
// of many of them would otherwise pay for an event each.
CPeriodicWorker::CPeriodicWorker() = default;

CPeriodicWorker::~CPeriodicWorker()
{
    Stop();
    ReapThread();
    if (m_done) ::CloseHandle(m_done);
}

int CPeriodicWorker::IsRunning() const { return m_finished.load() == 0 ? 1 : 0; }

void CPeriodicWorker::OnStopped() {}

void CPeriodicWorker::ReapThread()
{
    // The previous thread may still be between its last state change and its
    // exit; it touches nothing of ours by then, but its handle is ours.
    if (m_thread) {
        ::WaitForSingleObject(m_thread, INFINITE);
        ::CloseHandle(m_thread);
        m_thread = nullptr;
    }
}

void CPeriodicWorker::Start()
{
    if (!m_done) m_done = ::CreateEvent(nullptr, FALSE, FALSE, nullptr);
    if (!m_done) return;
    int32_t expected = STATE_IDLE;
    if (!m_state.compare_exchange_strong(expected, STATE_RUNNING)) return;
    ReapThread();
    m_finished = 0;
    ::ResetEvent(m_done);
    uintptr_t h = _beginthreadex(nullptr, 0, &ThreadMain, this, 0, nullptr);
    if (!h) {
        m_finished = 1;
        m_state = STATE_IDLE;
        return;
    }
    m_thread = reinterpret_cast<HANDLE>(h);
}

void CPeriodicWorker::Stop()
{
    // Only a running worker is asked; a worker that ended by itself is
    // already idle and stays startable.
    int32_t expected = STATE_RUNNING;
    if (!m_state.compare_exchange_strong(expected, STATE_STOP_ASKED)) return;
    ::WaitForSingleObject(m_done, INFINITE);
}

void CBlinkArea::Publish(HWND wnd, bool shown, const RECT& bounds, const RECT& label)
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_wnd = wnd;
    m_shown = shown;
    m_bounds = bounds;
    m_label = label;
}

void CBlinkArea::Get(RECT* bounds, RECT* label) const
{
    std::lock_guard<std::mutex> lock(m_lock);
    *bounds = m_bounds;
    *label = m_label;
}

void CBlinkArea::Invalidate() const
{
    HWND wnd;
    RECT bounds, label;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (!m_shown || !m_wnd) return;
        wnd = m_wnd;
        bounds = m_bounds;
        label = m_label;
    }
    ::InvalidateRect(wnd, &label, TRUE);
    ::InvalidateRect(wnd, &bounds, TRUE);
}

unsigned __stdcall CPeriodicWorker::ThreadMain(void* self)
{
    static_cast<CPeriodicWorker*>(self)->Run();
    return 0;
}

void CPeriodicWorker::Run()
{
    while (m_state.load() == STATE_RUNNING) {
        if (!Step()) break;
        // Sleep in slices so that a stop does not wait out a long period.
        DWORD left = DWORD(m_period > 0 ? m_period : 0);
        while (left > 0 && m_state.load() == STATE_RUNNING) {
            DWORD slice = left < 20 ? left : 20;
            ::Sleep(slice);
            left -= slice;
        }
    }
    OnStopped();
    HANDLE done = m_done;
    m_finished = 1;
    m_state = STATE_IDLE;
    // Last touch of the object: a waiter may destroy it as soon as this is set.
    ::SetEvent(done);
}

// ---------------------------------------------------------------------------

CTaskThread::CTaskThread() { m_done = ::CreateEvent(nullptr, FALSE, FALSE, nullptr); }

CTaskThread::~CTaskThread()
{
    ReapThread();
    if (m_done) ::CloseHandle(m_done);
}

void CTaskThread::OnFinished() {}

void CTaskThread::ReapThread()
{
    if (m_thread) {
        ::WaitForSingleObject(m_thread, INFINITE);
        ::CloseHandle(m_thread);
        m_thread = nullptr;
    }
}

void CTaskThread::Start(int mode)
{
    if (m_state.load() != STATE_IDLE) {
        if (mode == 0) return;
        if (mode == 2) {
            int32_t expected = STATE_RUNNING;
            m_state.compare_exchange_strong(expected, STATE_STOP_ASKED);
        }
        ::WaitForSingleObject(m_done, INFINITE);
    }
    ReapThread();
    m_state = STATE_RUNNING;
    ::ResetEvent(m_done);
    uintptr_t h = _beginthreadex(nullptr, 0, &ThreadMain, this, CREATE_SUSPENDED, nullptr);
    if (!h) {
        m_state = STATE_IDLE;
        return;
    }
    m_thread = reinterpret_cast<HANDLE>(h);
    ::SetThreadPriority(m_thread, m_priority);
    ::ResumeThread(m_thread);
}

int CTaskThread::Stop(int wait)
{
    int32_t expected = STATE_RUNNING;
    if (!m_state.compare_exchange_strong(expected, STATE_STOP_ASKED)) return 1;
    if (wait) ::WaitForSingleObject(m_done, INFINITE);
    return 1;
}

int CTaskThread::RequestStop()
{
    int32_t expected = STATE_RUNNING;
    m_state.compare_exchange_strong(expected, STATE_STOP_ASKED);
    return 1;
}

unsigned __stdcall CTaskThread::ThreadMain(void* param)
{
    CTaskThread* self = static_cast<CTaskThread*>(param);
    self->Run();
    self->OnFinished();
    HANDLE done = self->m_done;
    self->m_state = STATE_IDLE;
    ::SetEvent(done);
    return 0;
}

// ---------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CNoteEdit, CWnd)
    ON_WM_KILLFOCUS()
END_MESSAGE_MAP()

BOOL CNoteEdit::CreateEdit(CWnd* parent, const RECT& rect, UINT id)
{
    return CreateEx(0, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_BORDER | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN,
                    rect, parent, id);
}

CString CNoteEdit::Finish()
{
    CString text;
    if (m_hWnd) GetWindowText(text);
    m_pOwner = nullptr;
    if (m_hWnd) DestroyWindow();
    return text;
}

void CNoteEdit::OnKillFocus(CWnd* next)
{
    Default();
    if (INoteEditOwner* owner = m_pOwner) {
        m_pOwner = nullptr;  // one end per edit, whatever the owner does next
        owner->OnNoteEditEnd(this);
    }
}
