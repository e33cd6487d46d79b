// Helpers shared by the tests that run under Wine.
#pragma once

#include "Framework.h"

#include <functional>
#include <string>
#include <vector>

namespace testing_support {

// Dispatches this thread's messages until done() is true or the time is up;
// returns done().
inline bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000)
{
    DWORD start = ::GetTickCount();
    MSG msg;
    while (!done()) {
        if (::GetTickCount() - start > timeoutMs) return done();
        while (::PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessage(&msg);
        }
        if (done()) break;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

// Dispatches whatever is queued now, for up to ms milliseconds.
inline void PumpFor(DWORD ms)
{
    PumpUntil([] { return false; }, ms);
}

// Records every message box and answers with a scripted result.
class MessageBoxRecorder {
public:
    struct Box {
        std::string text;
        std::string caption;
        UINT type;
    };
    explicit MessageBoxRecorder(int answer = IDOK)
    {
        s_self = this;
        m_answer = answer;
        m_previous = fw::SetMessageBoxHandler(&Record);
    }
    ~MessageBoxRecorder()
    {
        fw::SetMessageBoxHandler(m_previous);
        s_self = nullptr;
    }
    std::vector<Box> boxes;

private:
    static int Record(HWND, LPCTSTR text, LPCTSTR caption, UINT type)
    {
        s_self->boxes.push_back({CStringA(text ? text : _T("")).GetString(),
                                 CStringA(caption ? caption : _T("")).GetString(), type});
        return s_self->m_answer;
    }
    static inline MessageBoxRecorder* s_self = nullptr;
    int m_answer;
    fw::MessageBoxFn m_previous;
};

// Folder for screenshots and logs that tests leave behind.
inline std::string OutputFolder()
{
    const char* env = getenv("ZELVO_TEST_OUTPUT_WIN");
    std::string dir = env && *env ? env : "test-output";
    ::CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
}

} // namespace testing_support
