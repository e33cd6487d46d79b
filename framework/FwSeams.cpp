#include "FwSeams.h"

#include <shellapi.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

namespace fw {

namespace {

std::string Utf8(LPCTSTR s)
{
    if (!s) return std::string();
#ifdef UNICODE
    const wchar_t* w = s;
    std::wstring holder;
#else
    std::wstring holder = Widen(s);
    const wchar_t* w = holder.c_str();
#endif
    int n = WideCharToMultiByte(CP_UTF8, 0, w, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) return std::string();
    std::string out((size_t)n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, w, -1, &out[0], n, nullptr, nullptr);
    out.pop_back();
    return out;
}

void AppendLine(const char* path, const std::string& line)
{
    HANDLE h = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    std::string text = line + "\n";
    DWORD put = 0;
    WriteFile(h, text.data(), (DWORD)text.size(), &put, nullptr);
    CloseHandle(h);
}

std::mutex g_boxLock;
size_t g_answerIndex = 0;

int ScriptedAnswer(UINT type)
{
    const char* answers = getenv("FW_MSGBOX_ANSWERS");
    std::vector<int> list;
    if (answers) {
        for (const char* p = answers; *p;) {
            char* end = nullptr;
            long v = strtol(p, &end, 10);
            if (end == p) break;
            list.push_back((int)v);
            p = *end == ',' ? end + 1 : end;
        }
    }
    if (g_answerIndex < list.size()) return list[g_answerIndex++];
    return FirstButtonOf(type);
}

int DefaultMessageBox(HWND owner, LPCTSTR text, LPCTSTR caption, UINT type)
{
    const char* log = getenv("FW_MSGBOX_LOG");
    if (!log || !*log) return ::MessageBox(owner, text, caption, type);
    std::lock_guard<std::mutex> lock(g_boxLock);
    int answer = ScriptedAnswer(type);
    char tail[64];
    snprintf(tail, sizeof tail, "|%u|%d", type, answer);
    AppendLine(log, Utf8(caption) + "|" + Utf8(text) + tail);
    return answer;
}

std::atomic<MessageBoxFn> g_boxFn{&DefaultMessageBox};

double InitialScale()
{
    const char* s = getenv("FW_TIMER_SCALE");
    if (!s || !*s) return 1.0;
    double v = atof(s);
    return v > 0 ? v : 1.0;
}

std::atomic<double> g_timerScale{InitialScale()};

class RealShell : public IShell {
public:
    HINSTANCE Execute(HWND owner, LPCTSTR verb, LPCTSTR file, LPCTSTR params, LPCTSTR dir, int show) override
    {
        return ::ShellExecute(owner, verb, file, params, dir, show);
    }
    BOOL EndSession(UINT flags, DWORD reason) override
    {
        const char* log = getenv("FW_SHUTDOWN_LOG");
        if (log && *log) {
            char line[64];
            snprintf(line, sizeof line, "ExitWindowsEx %u", flags);
            AppendLine(log, line);
            return TRUE;
        }
        return ::ExitWindowsEx(flags, reason);
    }
};

RealShell g_realShell;
std::atomic<IShell*> g_shell{&g_realShell};

} // namespace

int FirstButtonOf(UINT type)
{
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL: return IDOK;
    case MB_ABORTRETRYIGNORE: return IDABORT;
    case MB_YESNOCANCEL: case MB_YESNO: return IDYES;
    case MB_RETRYCANCEL: return IDRETRY;
    case MB_CANCELTRYCONTINUE: return IDCANCEL;
    default: return IDOK;
    }
}

int ShowMessageBox(HWND owner, LPCTSTR text, LPCTSTR caption, UINT type)
{
    return g_boxFn.load()(owner, text, caption, type);
}

MessageBoxFn SetMessageBoxHandler(MessageBoxFn fn)
{
    return g_boxFn.exchange(fn ? fn : &DefaultMessageBox);
}

void SetTimerScale(double scale)
{
    g_timerScale = scale > 0 ? scale : 1.0;
}

double GetTimerScale()
{
    return g_timerScale;
}

UINT ScaleMilliseconds(UINT ms)
{
    double v = ms * g_timerScale.load();
    if (v < 1) return ms == 0 ? 0 : 1;
    if (v > 0x7FFFFFFF) return 0x7FFFFFFF;
    return (UINT)(v + 0.5);
}

void Sleep(DWORD ms)
{
    ::Sleep(ScaleMilliseconds(ms));
}

IShell& Shell()
{
    return *g_shell.load();
}

IShell* SetShell(IShell* shell)
{
    return g_shell.exchange(shell ? shell : &g_realShell);
}

} // namespace fw
