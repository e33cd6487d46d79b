// A window over the whole screen, topmost and with the focus, that records
// the mouse presses and keys reaching it: where real input landed.
#pragma once

#include "TestSupport.h"

#include <vector>

namespace testing_support {

class ProbeWnd : public CWnd {
public:
    struct Input {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    std::vector<Input> inputs;

    // A hidden probe records nothing of its own; it only receives messages.
    explicit ProbeWnd(bool visible = true)
    {
        CreateEx(WS_EX_TOPMOST, nullptr, _T("probe"), WS_POPUP | (visible ? WS_VISIBLE : 0),
                 CRect(0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)), nullptr, 0);
        if (visible) {
            ::SetForegroundWindow(m_hWnd);
            ::SetFocus(m_hWnd);
            PumpFor(100);
        }
        inputs.clear();
    }
    ~ProbeWnd() override
    {
        if (m_hWnd) DestroyWindow();
    }
    int Count(UINT message) const
    {
        int n = 0;
        for (const auto& i : inputs) n += i.message == message;
        return n;
    }
    const Input* Find(UINT message) const
    {
        for (const auto& i : inputs)
            if (i.message == message) return &i;
        return nullptr;
    }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_LBUTTONDOWN || message == WM_LBUTTONUP || message == WM_KEYDOWN || message == WM_KEYUP)
            inputs.push_back({message, wParam, lParam});
        return CWnd::WindowProc(message, wParam, lParam);
    }
};

} // namespace testing_support
