// Worker threads of the graphic objects and the in-place edit of text notes.
#pragma once

#include "Framework.h"

#include <atomic>
#include <cstdint>
#include <mutex>

// Second base of every blinking shape: calls Step every period on a worker
// thread until stopped. A derived class must call Stop in its own destructor:
// once the derived part is gone the thread must not call Step any more.
class CPeriodicWorker {
public:
    enum { STATE_IDLE = 0, STATE_STOP_ASKED = 1, STATE_RUNNING = 2 };

    CPeriodicWorker();
    CPeriodicWorker(const CPeriodicWorker&) = delete;
    CPeriodicWorker& operator=(const CPeriodicWorker&) = delete;

    virtual ~CPeriodicWorker();
    virtual int IsRunning() const;
    // One period's work on the worker thread; 0 ends the loop.
    virtual int Step() = 0;
    // Called on the worker thread after the loop, before the done event.
    virtual void OnStopped();

    void Start();
    // Waits until the thread has left its loop.
    void Stop();

    int GetState() const { return m_state.load(); }
    int32_t m_period = 1000;

private:
    static unsigned __stdcall ThreadMain(void* self);
    void Run();
    void ReapThread();

    HANDLE m_done = nullptr;
    std::atomic<int32_t> m_finished{1};
    std::atomic<int32_t> m_state{STATE_IDLE};
    HANDLE m_thread = nullptr;  // kept so that the ended thread is waited for and closed
};

// What a blinking shape's worker repaints. The interface thread publishes
// the areas after each change; the worker reads them, never the shape, which
// the interface thread may be editing meanwhile.
class CBlinkArea {
public:
    // wnd: the window to repaint; shown: the shape is visible or highlighted.
    void Publish(HWND wnd, bool shown, const RECT& bounds, const RECT& label);
    void Get(RECT* bounds, RECT* label) const;
    // Invalidates the label, then the bounds, while the shape shows.
    void Invalidate() const;

private:
    mutable std::mutex m_lock;
    HWND m_wnd = nullptr;
    bool m_shown = false;
    RECT m_bounds{0, 0, 0, 0};
    RECT m_label{0, 0, 0, 0};
};

// Second base of the media hot spot: runs one task on a worker thread.
// The owner stops the task and waits for it before destroying the object.
class CTaskThread {
public:
    enum { STATE_IDLE = 0, STATE_STOP_ASKED = 1, STATE_RUNNING = 2 };

    CTaskThread();
    CTaskThread(const CTaskThread&) = delete;
    CTaskThread& operator=(const CTaskThread&) = delete;

    virtual ~CTaskThread();
    // The task; it reads GetState() to learn that a stop was asked.
    virtual void Run() = 0;
    virtual void OnFinished();

    // mode 0: do nothing while a task runs; 2: ask it to stop first; other
    // nonzero: wait for it to finish. Then start a new task.
    void Start(int mode);
    int Stop(int wait);
    int RequestStop();

    int GetState() const { return m_state.load(); }
    int32_t m_priority = THREAD_PRIORITY_NORMAL;

private:
    static unsigned __stdcall ThreadMain(void* self);
    void ReapThread();

    HANDLE m_done;
    std::atomic<int32_t> m_state{STATE_IDLE};
    HANDLE m_thread = nullptr;
};

// What a note does when its edit control loses the focus.
class INoteEditOwner {
public:
    virtual ~INoteEditOwner() = default;
    // Reads the text back and destroys the control (through CNoteEdit::Finish).
    virtual void OnNoteEditEnd(class CNoteEdit* edit) = 0;
};

// The multi-line edit control a text note puts over itself while its text is edited.
class CNoteEdit : public CWnd {
public:
    CNoteEdit() = default;

    BOOL CreateEdit(CWnd* parent, const RECT& rect, UINT id);
    void SetOwnerNote(INoteEditOwner* owner) { m_pOwner = owner; }
    INoteEditOwner* GetOwnerNote() const { return m_pOwner; }

    // Ends the edit: takes the text, detaches the owner and destroys the
    // control. Detaching first matters: destroying a focused control makes it
    // lose the focus, which must not end the edit a second time.
    CString Finish();

    void OnKillFocus(CWnd* next);

protected:
    DECLARE_MESSAGE_MAP()

private:
    INoteEditOwner* m_pOwner = nullptr;
};
