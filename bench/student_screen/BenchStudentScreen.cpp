// The student client's screen for the teacher, in one run on a screen of
// 1920x1080 (run.sh gives one): the time from a teacher's request to its
// answer for a screen that did not change, changed a little and changed
// whole; the pieces of a pass (capture, change scan beside a plain memcmp of
// the same buffers, encoding); and the requests per second a teacher gets
// answered asking back to back. The student is the client's real main frame
// with its capture worker; the teacher is a thread of this program on
// blocking sockets over loopback.
//   bench_student_screen.exe [REQUESTS [SECONDS]]
// Prints one result line per figure; exits 0 whatever the figures, 2 when it
// cannot set up.
#include "Dib.h"
#include "JpegWrite.h"
#include "MainFrame.h"
#include "PictureWnd.h"
#include "resource.h"

#include "classroom/Datagram.h"
#include "classroom/ScreenChange.h"
#include "classroom/ScreenStream.h"

#include <algorithm>
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace cls = zelvo::classroom;

namespace {

const double kNoChangeTargetMs = 10.0;
const double kWholeFrameTargetMs = 120.0;
const double kRateTarget = 15.0;
const char kTeacher[] = "127.0.0.1";
const char kStudent[] = "127.0.0.2";
const UINT WM_CHANGE_SCREEN = WM_APP + 1;

double NowMs()
{
    static LARGE_INTEGER freq = [] { LARGE_INTEGER f; ::QueryPerformanceFrequency(&f); return f; }();
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return 1000.0 * (double)t.QuadPart / (double)freq.QuadPart;
}

double Median(std::vector<double> v)
{
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double Percentile90(std::vector<double> v)
{
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, v.size() * 9 / 10)];
}

// A picture of the kind a student has open (a stained slide: smooth shapes,
// texture, a little noise) over the whole screen, so that the JPEG costs what
// it costs in class. WM_CHANGE_SCREEN changes one small block at a spot given
// by wParam.
class PictureWindow : public testing_support::PictureWnd {
public:
    PictureWindow()
    {
        unsigned seed = 12345;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                seed = seed * 1103515245u + 12345u;
                const int noise = (int)((seed >> 16) & 15) - 8;
                const int cell = ((x / 37 + y / 29) % 5) * 18;
                BYTE* p = At(x, y);
                p[0] = (BYTE)std::clamp(180 + cell / 2 - (x + y) % 61 + noise, 0, 255);
                p[1] = (BYTE)std::clamp(90 + cell - (x * 3 + y) % 47 + noise, 0, 255);
                p[2] = (BYTE)std::clamp(200 - cell + (x - y + 4096) % 53 + noise, 0, 255);
            }
        Show();
    }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message != WM_CHANGE_SCREEN) return PictureWnd::WindowProc(message, wParam, lParam);
        // A 16 x 16 block, as a caret or a small control would change.
        const int x = 100 + (int)(wParam * 53 % (WPARAM)(width - 200)), y = 100 + (int)(wParam * 31 % (WPARAM)(height - 200));
        for (int dy = 0; dy < 16; ++dy)
            for (int dx = 0; dx < 16; ++dx) {
                BYTE* p = At(x + dx, y + dy);
                p[0] ^= 0x80, p[1] ^= 0x40, p[2] ^= 0x20;
            }
        Repaint(x, y, 16, 16);
        return 0;
    }
};

SOCKET Bound(int type, UINT port)
{
    SOCKET s = ::socket(AF_INET, type, 0);
    BOOL on = TRUE;
    ::setsockopt(s, SOL_SOCKET, SO_REUSEADDR, (const char*)&on, sizeof on);
    SOCKADDR_IN a = {};
    a.sin_family = AF_INET;
    a.sin_port = htons((u_short)port);
    a.sin_addr.s_addr = ::inet_addr(kTeacher);
    if (::bind(s, (SOCKADDR*)&a, sizeof a) != 0) {
        ::closesocket(s);
        return INVALID_SOCKET;
    }
    return s;
}

// The teacher, on its own thread with blocking sockets.
class Teacher : public cls::ScreenFrameReader::Handler {
public:
    struct Answer {
        bool frame = false;   // else "no update"
        bool ok = false;      // answered at all
        double ms = 0;
        int32_t x = 0, y = 0;
        size_t bytes = 0;
    };

    bool Open()
    {
        m_discovery = Bound(SOCK_DGRAM, cls::kDiscoveryPort);
        m_command = Bound(SOCK_DGRAM, cls::kCommandPort);
        m_listener = Bound(SOCK_STREAM, cls::kScreenPort);
        return m_discovery != INVALID_SOCKET && m_command != INVALID_SOCKET && m_listener != INVALID_SOCKET &&
               ::listen(m_listener, 2) == 0;
    }
    ~Teacher()
    {
        for (SOCKET s : {m_discovery, m_command, m_listener, m_link})
            if (s != INVALID_SOCKET) ::closesocket(s);
    }
    // Logs the student in: teacher-here, the screen link, the hand state.
    bool LogIn()
    {
        SendDatagram(m_discovery, cls::kDiscoveryPort, cls::CMD_TEACHER_HERE, nullptr, 0);
        if (!Readable(m_listener, 10000)) return false;
        m_link = ::accept(m_listener, nullptr, nullptr);
        const double end = NowMs() + 10000;
        while (NowMs() < end) {
            if (!Readable(m_command, 1000)) continue;
            uint8_t d[cls::kDatagramSize];
            if (::recv(m_command, (char*)d, sizeof d, 0) >= 4 &&
                cls::DecodeDatagram(d, sizeof d).command == cls::CMD_HAND_STATE)
                return true;
        }
        return false;
    }
    // One request on the command channel; waits (at most 5 s) for its answer.
    Answer Ask(int32_t w, int32_t h, int32_t quality)
    {
        uint8_t r[cls::kScreenRequestSize];
        cls::WriteScreenRequest({w, h, 8, quality}, r);
        Answer a;
        m_frameDone = false;
        const double start = NowMs();
        SendDatagram(m_command, cls::kCommandPort, cls::CMD_SCREEN_REQUEST, r, sizeof r);
        while (NowMs() - start < 5000) {
            fd_set read;
            FD_ZERO(&read);
            FD_SET(m_command, &read);
            FD_SET(m_link, &read);
            timeval wait = {0, 100000};
            if (::select(0, &read, nullptr, nullptr, &wait) <= 0) continue;
            if (FD_ISSET(m_link, &read)) {
                static char buf[1 << 16];
                const int n = ::recv(m_link, buf, sizeof buf, 0);
                if (n <= 0) return a;
                m_reader.Feed((const uint8_t*)buf, (size_t)n);
                if (m_frameDone) {
                    a.ok = a.frame = true;
                    a.ms = NowMs() - start;
                    a.x = m_x, a.y = m_y, a.bytes = m_bytes;
                    return a;
                }
            }
            if (FD_ISSET(m_command, &read)) {
                uint8_t d[cls::kDatagramSize];
                if (::recv(m_command, (char*)d, sizeof d, 0) >= 4 &&
                    cls::DecodeDatagram(d, sizeof d).command == cls::CMD_NO_UPDATE) {
                    a.ok = true;
                    a.ms = NowMs() - start;
                    return a;
                }
            }
        }
        return a;
    }
    void OnFrame(int32_t x, int32_t y, const uint8_t*, size_t length) override
    {
        m_frameDone = true;
        m_x = x, m_y = y, m_bytes = length;
    }

private:
    static bool Readable(SOCKET s, int ms)
    {
        fd_set read;
        FD_ZERO(&read);
        FD_SET(s, &read);
        timeval wait = {ms / 1000, (ms % 1000) * 1000};
        return ::select(0, &read, nullptr, nullptr, &wait) == 1;
    }
    void SendDatagram(SOCKET from, UINT port, int32_t command, const void* data, size_t len)
    {
        uint8_t d[cls::kDatagramSize];
        cls::EncodeDatagram(command, data, len, d);
        SOCKADDR_IN to = {};
        to.sin_family = AF_INET;
        to.sin_port = htons((u_short)port);
        to.sin_addr.s_addr = ::inet_addr(kStudent);
        ::sendto(from, (const char*)d, sizeof d, 0, (SOCKADDR*)&to, sizeof to);
    }

    SOCKET m_discovery = INVALID_SOCKET, m_command = INVALID_SOCKET, m_listener = INVALID_SOCKET,
           m_link = INVALID_SOCKET;
    cls::ScreenFrameReader m_reader{*this};
    bool m_frameDone = false;
    int32_t m_x = 0, m_y = 0;
    size_t m_bytes = 0;
};

// The client's main frame, counting its capture passes.
class CountingFrame : public CMainFrame {
public:
    void Run() override
    {
        CMainFrame::Run();
        ++passes;
    }
    std::atomic<int> passes{0};
};

struct Run {
    Teacher* teacher;
    CountingFrame* student;
    HWND picture;
    int width, height, requests, seconds;
    bool loggedIn = false;
    std::vector<std::string> lines;
    bool allAnswered = true;

    void Say(const char* format, ...)
    {
        char text[512];
        va_list args;
        va_start(args, format);
        vsnprintf(text, sizeof text, format, args);
        va_end(args);
        lines.push_back(text);
    }

    enum class Load { NoChange, SmallChange, WholeFrame };
    Teacher::Answer AskOnce(Load load, int i)
    {
        if (load == Load::SmallChange) ::SendMessage(picture, WM_CHANGE_SCREEN, (WPARAM)i, 0);
        // A new quality makes the whole screen go out.
        const int32_t quality = load == Load::WholeFrame ? 60 + i % 2 : 60;
        return teacher->Ask(width, height, quality);
    }

    void WaitIdle()
    {
        while (!student->IsIdle()) ::Sleep(1);
    }

    // Each request once the student is idle: the time of a pass to its answer.
    void Latency(const char* name, Load load, double target)
    {
        std::vector<double> ms;
        size_t bytes = 0;
        int frames = 0, noUpdates = 0, lost = 0;
        for (int i = 0; i < requests; ++i) {
            WaitIdle();
            const Teacher::Answer a = AskOnce(load, i);
            if (!a.ok) {
                ++lost;
                continue;
            }
            ms.push_back(a.ms);
            if (a.frame) ++frames, bytes += a.bytes;
            else ++noUpdates;
        }
        allAnswered = allAnswered && lost == 0;
        char goal[64] = "";
        if (target > 0) snprintf(goal, sizeof goal, "  target < %.0f ms: %s", target, Median(ms) < target ? "met" : "NOT met");
        Say("answer, %-13s median %7.2f ms  90th %7.2f ms  (%d frames of %zu bytes on average, %d no update, %d unanswered)%s",
            name, Median(ms), Percentile90(ms), frames, frames ? bytes / (size_t)frames : 0, noUpdates, lost, goal);
    }

    // The teacher asks again as soon as it has its answer. A request that
    // finds a pass running (or its closing pause) is answered "no update" at once.
    void Rate(const char* name, Load load)
    {
        WaitIdle();
        const int passesBefore = student->passes.load();
        const double start = NowMs();
        int answered = 0, i = 0;
        while (NowMs() - start < seconds * 1000.0) {
            if (AskOnce(load, 1000 + i++).ok) ++answered;
        }
        const double elapsed = (NowMs() - start) / 1000.0;
        WaitIdle();
        const double rate = answered / elapsed, passes = (student->passes.load() - passesBefore) / elapsed;
        Say("requests answered per second, %-13s %6.1f /s, of them with a capture pass %5.1f /s  target >= %.0f /s: %s",
            name, rate, passes, kRateTarget, rate >= kRateTarget ? "met" : "NOT met");
    }
};

DWORD WINAPI TeacherThread(LPVOID p)
{
    Run& run = *static_cast<Run*>(p);
    run.loggedIn = run.teacher->LogIn();
    if (!run.loggedIn) return 1;
    // Settle: the operation bar shows at the login.
    ::Sleep(500);
    run.teacher->Ask(run.width, run.height, 60);
    run.Latency("no change", Run::Load::NoChange, kNoChangeTargetMs);
    run.Latency("small change", Run::Load::SmallChange, 0);
    run.Latency("whole frame", Run::Load::WholeFrame, kWholeFrameTargetMs);
    run.Rate("no change", Run::Load::NoChange);
    run.Rate("small change", Run::Load::SmallChange);
    run.Rate("whole frame", Run::Load::WholeFrame);
    return 0;
}

// The pieces of a pass on this thread, the same buffers for the scan and memcmp.
void Pieces(int width, int height, int rounds, std::vector<std::string>& out)
{
    CDib a, b;
    std::vector<double> capture, scan, compare, encode;
    volatile int sink = 0;
    for (int i = 0; i < rounds; ++i) {
        double t = NowMs();
        a.CaptureWindow(::GetDesktopWindow(), width, height);
        capture.push_back(NowMs() - t);
    }
    b.Copy(a);
    BYTE* reference = b.LockBits();
    BYTE* now = a.LockBits();
    const DWORD size = a.GetImageSize();
    for (int i = 0; i < rounds; ++i) {
        double t = NowMs();
        const cls::ScreenRect r = cls::ScanChangedPixels(reference, now, width, height, 3, 8);
        scan.push_back(NowMs() - t);
        sink = sink + r.right;
        t = NowMs();
        sink = sink + memcmp(reference, now, size);
        compare.push_back(NowMs() - t);
    }
    a.UnlockBits();
    b.UnlockBits();
    std::vector<BYTE> buffer(size + 4096);
    for (int i = 0; i < std::min(rounds, 10); ++i) {
        CMemFile file(buffer.data(), (UINT)buffer.size(), 0);
        double t = NowMs();
        a.SaveJpeg(&file, 60, 0);
        encode.push_back(NowMs() - t);
        file.Detach();
    }
    char line[256];
    snprintf(line, sizeof line, "pieces, capture of %dx%d     median %7.2f ms", width, height, Median(capture));
    out.push_back(line);
    snprintf(line, sizeof line, "pieces, change scan (no change) median %7.2f ms  beside memcmp of the same %u bytes %7.2f ms (%.1fx)",
             Median(scan), (unsigned)size, Median(compare), Median(compare) > 0 ? Median(scan) / Median(compare) : 0.0);
    out.push_back(line);
    snprintf(line, sizeof line, "pieces, JPEG of the whole screen median %7.2f ms at quality 60", Median(encode));
    out.push_back(line);
}

} // namespace

int main(int argc, char** argv)
{
    const int requests = argc > 1 ? std::max(1, atoi(argv[1])) : 40;
    const int seconds = argc > 2 ? std::max(1, atoi(argv[2])) : 5;
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&icc);
    if (!AfxSocketInit()) return 2;
    fw::SetMessageBoxHandler([](HWND, LPCTSTR text, LPCTSTR, UINT type) {
        std::printf("message box: %s\n", text);
        return fw::FirstButtonOf(type);
    });

    PictureWindow picture;
    const int width = picture.width, height = picture.height;
    std::printf("screen %dx%d; %d requests per figure, %d s per rate\n", width, height, requests, seconds);
    std::vector<std::string> pieces;
    Pieces(width, height, 20, pieces);

    Teacher teacher;
    if (!teacher.Open()) {
        std::printf("cannot open the teacher's sockets on %s\n", kTeacher);
        return 2;
    }
    CountingFrame* frame = new CountingFrame;
    if (!frame->LoadFrame(IDR_MAINFRAME, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE)) {
        std::printf("the student's frame was not created\n");
        return 2;
    }
    Run run = {&teacher, frame, picture.m_hWnd, width, height, requests, seconds};
    HANDLE thread = ::CreateThread(nullptr, 0, &TeacherThread, &run, 0, nullptr);
    // The student's UI thread: dispatch until the teacher is done.
    for (;;) {
        const DWORD w = ::MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_ALLINPUT);
        if (w == WAIT_OBJECT_0) break;
        MSG msg;
        while (::PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessage(&msg);
        }
    }
    ::CloseHandle(thread);
    frame->DestroyWindow();
    if (!run.loggedIn) {
        std::printf("the student did not log in\n");
        return 2;
    }
    for (const auto& l : run.lines) std::printf("%s\n", l.c_str());
    for (const auto& l : pieces) std::printf("%s\n", l.c_str());
    if (!run.allAnswered) std::printf("some requests went unanswered (datagrams may be lost)\n");
    return 0;
}
