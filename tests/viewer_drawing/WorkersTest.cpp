#include "Workers.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>

namespace {

class Blinker : public CPeriodicWorker {
public:
    explicit Blinker(int period = 1, int stepsBeforeEnd = -1) : m_stepsLeft(stepsBeforeEnd) { m_period = period; }
    ~Blinker() override { Stop(); }
    int Step() override
    {
        const int now = ++inStep;
        if (now > maxConcurrent) maxConcurrent = now;
        ++steps;
        --inStep;
        if (m_stepsLeft > 0 && --m_stepsLeft == 0) return 0;
        return 1;
    }
    void OnStopped() override
    {
        ++stopped;
        // The owner may wait for the done event; it must not be signalled yet.
        stoppedWhileRunningFlag = IsRunning();
    }
    void EndAfter(int n) { m_stepsLeft = n; }
    std::atomic<int> steps{0}, stopped{0}, inStep{0}, maxConcurrent{0};
    std::atomic<int> stoppedWhileRunningFlag{-1};

private:
    std::atomic<int> m_stepsLeft;
};

class Task : public CTaskThread {
public:
    ~Task() override { Stop(1); }
    void Run() override
    {
        ++runs;
        priority = ::GetThreadPriority(::GetCurrentThread());
        // Works until asked to stop (or released), bounded to 5 s.
        for (int i = 0; i < 500 && GetState() == STATE_RUNNING && !release; ++i) ::Sleep(10);
        sawStop = GetState() == STATE_STOP_ASKED;
    }
    void OnFinished() override { ++finished; }
    std::atomic<int> runs{0}, finished{0}, priority{-100};
    std::atomic<bool> release{false}, sawStop{false};
};

bool WaitFor(const std::function<bool()>& f, DWORD ms = 3000)
{
    DWORD start = ::GetTickCount();
    while (!f()) {
        if (::GetTickCount() - start > ms) return f();
        ::Sleep(1);
    }
    return true;
}

DWORD Handles()
{
    DWORD n = 0;
    ::GetProcessHandleCount(::GetCurrentProcess(), &n);
    return n;
}

} // namespace

TEST(PeriodicWorker, StopOnIdleReturnsAndStartTwiceRunsOneThread)
{
    Blinker b;
    EXPECT_EQ(b.IsRunning(), 0);
    b.Stop();  // idle: returns at once
    EXPECT_EQ(b.GetState(), CPeriodicWorker::STATE_IDLE);

    b.Start();
    b.Start();
    EXPECT_EQ(b.IsRunning(), 1);
    EXPECT_EQ(b.GetState(), CPeriodicWorker::STATE_RUNNING);
    ASSERT_TRUE(WaitFor([&] { return b.steps >= 20; }));
    b.Stop();
    EXPECT_EQ(b.maxConcurrent, 1);
    EXPECT_EQ(b.stopped, 1);
    EXPECT_EQ(b.stoppedWhileRunningFlag, 1);  // callback ran before the worker reported idle
    EXPECT_EQ(b.IsRunning(), 0);
    const int after = b.steps;
    ::Sleep(30);
    EXPECT_EQ(b.steps, after);
}

TEST(PeriodicWorker, StepReturningZeroLeavesItIdleAndStartableAgain)
{
    Blinker b(1, 3);
    b.Start();
    ASSERT_TRUE(WaitFor([&] { return b.stopped == 1; }));
    ASSERT_TRUE(WaitFor([&] { return b.GetState() == CPeriodicWorker::STATE_IDLE; }));
    EXPECT_EQ(b.steps, 3);
    b.Stop();  // nothing to stop
    b.EndAfter(2);
    b.Start();
    ASSERT_TRUE(WaitFor([&] { return b.stopped == 2; }));
    EXPECT_EQ(b.steps, 5);
}

TEST(PeriodicWorker, StopRacingAnEndingStepNeverBlocksALaterStart)
{
    Blinker b(0);
    for (int i = 0; i < 300; ++i) {
        b.EndAfter(1 + i % 3);  // the thread may end by itself while Stop runs
        b.Start();
        if (i % 2) ::Sleep(0);
        b.Stop();
        ASSERT_TRUE(WaitFor([&] { return b.GetState() == CPeriodicWorker::STATE_IDLE; })) << i;
    }
    b.EndAfter(-1);
    const int before = b.steps;
    b.Start();
    EXPECT_TRUE(WaitFor([&] { return b.steps > before + 2; }));
    b.Stop();
}

TEST(PeriodicWorker, ThousandStartsAndStopsLeakNothing)
{
    DWORD before = 0;
    {
        Blinker warm;
        warm.Start();
        warm.Stop();
        before = Handles();
    }
    {
        Blinker b(1);
        for (int i = 0; i < 1000; ++i) {
            b.Start();
            b.Stop();
        }
        EXPECT_EQ(b.stopped, 1000);
        EXPECT_EQ(b.IsRunning(), 0);
    }
    EXPECT_LE(Handles(), before + 2);
}

TEST(PeriodicWorker, DestroyingARunningDerivedWorkerStopsItFirst)
{
    for (int i = 0; i < 50; ++i) {
        auto* b = new Blinker(1);
        b->Start();
        if (i % 2) ::Sleep(1);
        delete b;  // a step after this would call a destroyed object
    }
    SUCCEED();
}

TEST(TaskThread, StartModesAndStop)
{
    Task t;
    t.m_priority = THREAD_PRIORITY_BELOW_NORMAL;
    t.Start(0);
    ASSERT_TRUE(WaitFor([&] { return t.runs == 1; }));
    EXPECT_EQ(t.GetState(), CTaskThread::STATE_RUNNING);

    t.Start(0);  // busy: leaves the running task alone
    ::Sleep(20);
    EXPECT_EQ(t.runs, 1);
    EXPECT_EQ(t.GetState(), CTaskThread::STATE_RUNNING);

    t.Start(2);  // asks it to stop, waits, starts a new one
    EXPECT_TRUE(t.sawStop);
    EXPECT_EQ(t.finished, 1);
    ASSERT_TRUE(WaitFor([&] { return t.runs == 2; }));
    EXPECT_EQ(t.priority, THREAD_PRIORITY_BELOW_NORMAL);

    t.sawStop = false;
    t.release = true;
    t.Start(1);  // waits for the task to end by itself
    EXPECT_FALSE(t.sawStop);
    EXPECT_EQ(t.finished, 2);
    ASSERT_TRUE(WaitFor([&] { return t.finished == 3; }));
    EXPECT_EQ(t.GetState(), CTaskThread::STATE_IDLE);

    EXPECT_EQ(t.Stop(1), 1);  // idle
    t.release = false;
    t.Start(0);
    ASSERT_TRUE(WaitFor([&] { return t.runs == 4; }));
    EXPECT_EQ(t.RequestStop(), 1);
    EXPECT_EQ(t.GetState() == CTaskThread::STATE_STOP_ASKED || t.GetState() == CTaskThread::STATE_IDLE, true);
    ASSERT_TRUE(WaitFor([&] { return t.GetState() == CTaskThread::STATE_IDLE; }));
    EXPECT_TRUE(t.sawStop);
    EXPECT_EQ(t.finished, 4);
}

namespace {

class FakeNote : public INoteEditOwner {
public:
    void OnNoteEditEnd(CNoteEdit* edit) override
    {
        ++ends;
        text = edit->Finish();
    }
    int ends = 0;
    CString text;
};

} // namespace

TEST(NoteEdit, FocusLossEndsTheEditOnce)
{
    CWnd parent;
    ASSERT_TRUE(parent.CreateEx(0, nullptr, "note", WS_POPUP | WS_VISIBLE, 0, 0, 300, 200, nullptr, nullptr));
    HWND other = ::CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE, 0, 150, 100, 20, parent.m_hWnd, nullptr,
                                   ::GetModuleHandle(nullptr), nullptr);
    FakeNote note;
    CNoteEdit edit;
    ASSERT_TRUE(edit.CreateEdit(&parent, RECT{0, 0, 200, 100}, 100));
    edit.SetOwnerNote(&note);
    edit.SetWindowText("hello");
    ::SetForegroundWindow(parent.m_hWnd);
    edit.SetFocus();
    testing_support::PumpFor(20);
    // Another test program on the same display may have taken the focus
    // already, which ends the edit just the same.
    if (::GetFocus() == edit.m_hWnd) ::SetFocus(other);
    testing_support::PumpFor(20);
    EXPECT_EQ(note.ends, 1);
    EXPECT_EQ(note.text, CString("hello"));
    EXPECT_EQ(edit.m_hWnd, nullptr);

    // Ending the edit directly while the control has the focus: destruction
    // takes the focus away, which must not end it again. Another test program
    // on the same display may take the focus first; such a round is tried again.
    bool tried = false;
    for (int round = 0; round < 5 && !tried; ++round) {
        FakeNote note2;
        CNoteEdit edit2;
        ASSERT_TRUE(edit2.CreateEdit(&parent, RECT{0, 0, 200, 100}, 101));
        edit2.SetOwnerNote(&note2);
        edit2.SetWindowText("second");
        ::SetForegroundWindow(parent.m_hWnd);
        edit2.SetFocus();
        testing_support::PumpFor(20);
        if (::GetFocus() != edit2.m_hWnd || note2.ends != 0) continue;
        EXPECT_EQ(edit2.Finish(), CString("second"));
        testing_support::PumpFor(20);
        EXPECT_EQ(note2.ends, 0);
        EXPECT_EQ(edit2.GetOwnerNote(), nullptr);
        tried = true;
    }
    EXPECT_TRUE(tried) << "the control never kept the focus";
    parent.DestroyWindow();
}
