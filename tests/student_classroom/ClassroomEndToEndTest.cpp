// The student client as delivered, under Wine on the test host, and the
// teacher station, native on its own host: the teacher finds the student by
// its broadcasts, logs in, and drives the hand, the answer and the input.
#include "InputProbe.h"
#include "ProgramWatch.h"
#include "resource.h"

#include "classroom/InputMapping.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace cls = zelvo::classroom;
using testing_support::PumpFor;
using testing_support::ProbeWnd;
using testing_support::PumpUntil;

namespace {

std::string WindowsPath(const std::string& unixPath)
{
    std::string p = "Z:" + unixPath;
    for (char& c : p)
        if (c == '/') c = '\\';
    return p;
}

std::string Env(const char* name)
{
    const char* v = getenv(name);
    return v ? v : "";
}

// The teacher station of the fixture: control lines in, event lines out.
class Teacher {
public:
    struct Event {
        long ms;
        std::string what, who, rest;
    };

    Teacher() : m_dir(WindowsPath(Env("ZELVO_TEACHER_DIR"))) { m_start = ReadAll().size(); }
    bool Say(const std::string& line) { return Write("control", line); }
    // "down" takes the teacher host's link down, "up" brings it back.
    bool Host(const std::string& line) { return Write("host", line); }
    bool Write(const std::string& fifo, const std::string& line)
    {
        HANDLE h = ::CreateFileA((m_dir + "\\" + fifo).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) return false;
        const std::string text = line + "\n";
        DWORD put = 0;
        BOOL ok = ::WriteFile(h, text.data(), (DWORD)text.size(), &put, nullptr);
        ::CloseHandle(h);
        return ok && put == text.size();
    }
    // Events since the test began, of one student (or of the station).
    std::vector<Event> Events(const std::string& who) const
    {
        std::vector<Event> out;
        std::istringstream in(ReadAll().substr(m_start));
        for (std::string line; std::getline(in, line);) {
            std::istringstream words(line);
            Event e;
            words >> e.ms >> e.what >> e.who;
            std::getline(words, e.rest);
            if (!e.rest.empty() && e.rest[0] == ' ') e.rest.erase(0, 1);
            if (e.who == who) out.push_back(e);
        }
        return out;
    }
    // Index of the first event of the student from index `from` on that is
    // `what` (and whose details begin with rest), or -1.
    int Find(const std::string& who, const std::string& what, size_t from = 0, const std::string& rest = "") const
    {
        const auto events = Events(who);
        for (size_t i = from; i < events.size(); ++i)
            if (events[i].what == what && events[i].rest.compare(0, rest.size(), rest) == 0) return (int)i;
        return -1;
    }
    // Waits (pumping) for such an event; its index, or -1.
    int WaitFor(const std::string& who, const std::string& what, size_t from = 0, const std::string& rest = "",
                DWORD ms = 15000) const
    {
        int found = -1;
        PumpUntil([&] { return (found = Find(who, what, from, rest)) >= 0; }, ms);
        return found;
    }
    size_t Count(const std::string& who) const { return Events(who).size(); }

private:
    std::string ReadAll() const
    {
        std::ifstream in(m_dir + "\\events.log", std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::string m_dir;
    size_t m_start = 0;
};

// Sylvanor.exe as delivered, with its message boxes and shutdown logged.
class StudentProgram {
public:
    StudentProgram()
    {
        char exe[MAX_PATH];
        ::GetModuleFileNameA(nullptr, exe, MAX_PATH);
        std::string dir(exe);
        dir = dir.substr(0, dir.rfind('\\') + 1);
        boxLog = testing_support::OutputFolder() + "\\classroom-boxes.log";
        shutdownLog = testing_support::OutputFolder() + "\\classroom-shutdown.log";
        ::DeleteFileA(boxLog.c_str());
        ::DeleteFileA(shutdownLog.c_str());
        mediaLog = testing_support::OutputFolder() + "\\classroom-lindquor.log";
        ::DeleteFileA(mediaLog.c_str());
        ::SetEnvironmentVariableA("FW_MSGBOX_LOG", boxLog.c_str());
        ::SetEnvironmentVariableA("FW_SHUTDOWN_LOG", shutdownLog.c_str());
        ::SetEnvironmentVariableA("LINDQUOR_LOG", mediaLog.c_str());
        path = dir + "..\\..\\student\\Sylvanor.exe";
        std::string line = "\"" + path + "\"";
        STARTUPINFOA si = {sizeof si};
        started = ::CreateProcessA(path.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &m_process);
        ::SetEnvironmentVariableA("FW_MSGBOX_LOG", nullptr);
        ::SetEnvironmentVariableA("FW_SHUTDOWN_LOG", nullptr);
        ::SetEnvironmentVariableA("LINDQUOR_LOG", nullptr);
        if (started) PumpUntil([&] { return (frame = ::FindWindowA(nullptr, "Sylvanor")) != nullptr; }, 10000);
    }
    ~StudentProgram()
    {
        if (!started) return;
        // One that ended before is not checked here: a death of it is the
        // watch's to report.
        if (::WaitForSingleObject(m_process.hProcess, 0) != WAIT_OBJECT_0) {
            if (frame) ::PostMessage(frame, WM_CLOSE, 0, 0);
            if (!Exited(10000)) {
                ::TerminateProcess(m_process.hProcess, 1);
            } else if (frame) {
                EXPECT_TRUE(EndedWith(0)) << "the student client, closed";
            }
        }
        ::CloseHandle(m_process.hThread);
        ::CloseHandle(m_process.hProcess);
    }
    // Whether it ended within ms; a death ends the wait at once.
    bool Exited(DWORD ms)
    {
        return PumpUntil([&] { return ::WaitForSingleObject(m_process.hProcess, 0) == WAIT_OBJECT_0; }, ms);
    }
    testing::AssertionResult EndedWith(DWORD code) const
    {
        return testing_support::EndedWith(m_process.hProcess, code);
    }
    // A visible topmost window of the program over the whole screen.
    bool NoticeShown() const
    {
        Search s = {m_process.dwProcessId, false};
        ::EnumWindows(&StudentProgram::IsNotice, (LPARAM)&s);
        return s.found;
    }
    std::string Boxes() const
    {
        std::ifstream in(boxLog);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::string Shutdowns() const { return ReadFile(shutdownLog); }
    std::string MediaStarts() const { return ReadFile(mediaLog); }
    // Starts the program once more: it must end within 10 s, with code 0.
    testing::AssertionResult StartAgain() const
    {
        std::string line = "\"" + path + "\"";
        STARTUPINFOA si = {sizeof si};
        PROCESS_INFORMATION pi = {};
        if (!::CreateProcessA(path.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
            return testing::AssertionFailure() << "the second start failed (error " << ::GetLastError() << ")";
        testing::AssertionResult ended = testing::AssertionFailure() << "the second start did not end";
        if (PumpUntil([&] { return ::WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0; }, 10000))
            ended = testing_support::EndedWith(pi.hProcess, 0);
        else
            ::TerminateProcess(pi.hProcess, 1);
        ::CloseHandle(pi.hThread);
        ::CloseHandle(pi.hProcess);
        return ended;
    }

    BOOL started = FALSE;
    HWND frame = nullptr;
    std::string path, boxLog, shutdownLog, mediaLog;

private:
    static std::string ReadFile(const std::string& file)
    {
        std::ifstream in(file);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    struct Search {
        DWORD pid;
        bool found;
    };
    static BOOL CALLBACK IsNotice(HWND w, LPARAM p)
    {
        auto* s = reinterpret_cast<Search*>(p);
        DWORD pid = 0;
        ::GetWindowThreadProcessId(w, &pid);
        RECT r;
        ::GetWindowRect(w, &r);
        if (pid == s->pid && ::IsWindowVisible(w) && (::GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_TOPMOST) &&
            r.right - r.left == ::GetSystemMetrics(SM_CXSCREEN))
            s->found = true;
        return TRUE;
    }
    PROCESS_INFORMATION m_process = {};
};

class Classroom : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(testing_support::WatchStartedPrograms());
        ASSERT_FALSE(Env("ZELVO_TEACHER_DIR").empty()) << "needs the teacher fixture";
        student = Env("ZELVO_STUDENT_ADDR");
        ASSERT_FALSE(student.empty()) << "needs the test host's link to the teacher's host";
    }
    // The test's programs have ended by now: StudentProgram ends its own.
    void TearDown() override { testing_support::StopWatching(); }
    // Logs the program in through the teacher; the index of its hand-state event.
    int LogIn(Teacher& teacher)
    {
        const size_t from = teacher.Count(student);
        EXPECT_TRUE(teacher.Say("login-next"));
        return teacher.WaitFor(student, "hand-state", from);
    }
    std::string student;
};

} // namespace

TEST_F(Classroom, TheTeacherFindsTheStudentLogsInAndDrivesHandAnswerAndInput)
{
    Teacher teacher;
    StudentProgram program;
    ASSERT_TRUE(program.started);
    ASSERT_NE(nullptr, program.frame);

    // Found by its broadcast, logged in in order.
    const int handState = LogIn(teacher);
    ASSERT_GE(handState, 0);
    const int presence = teacher.Find(student, "presence");
    const int here = teacher.Find(student, "sent", 0, "1109");
    const int link = teacher.Find(student, "link");
    const int name = teacher.Find(student, "name");
    EXPECT_TRUE(presence >= 0 && presence < here && here < link && link < name && name < handState)
        << presence << " " << here << " " << link << " " << name << " " << handState;
    const auto events = teacher.Events(student);
    EXPECT_EQ(events[(size_t)presence].rest, events[(size_t)name].rest) << "the student's name";
    EXPECT_NE(std::string::npos, events[(size_t)name].rest.find(": "));
    EXPECT_EQ("0", events[(size_t)handState].rest);
    EXPECT_EQ(-1, teacher.Find(student, "answer")) << "no answer chosen yet";

    // The hand: raised by the student, lowered by the teacher.
    HWND bar = ::FindWindowA(nullptr, "ORLISK Veskara Audience");
    ASSERT_NE(nullptr, bar);
    EXPECT_TRUE(::IsWindowVisible(bar));
    ::PostMessage(program.frame, WM_COMMAND, ID_RAISE_HAND, 0);
    ASSERT_GE(teacher.WaitFor(student, "hand-up"), 0);
    size_t mark = teacher.Count(student);
    ASSERT_TRUE(teacher.Say("hand-down " + student));
    ASSERT_GE(teacher.WaitFor(student, "sent", mark, "1003"), 0);
    PumpFor(300);
    ::PostMessage(program.frame, WM_COMMAND, ID_RAISE_HAND, 0);
    ASSERT_GE(teacher.WaitFor(student, "hand-up", mark), 0) << "the teacher had lowered the hand";

    // The answer: chosen on the bar, cleared by the teacher.
    HWND answers = ::GetDlgItem(bar, IDC_BAR_ANSWER);
    ::SendMessage(answers, CB_SETCURSEL, 2, 0);
    ::PostMessage(bar, WM_COMMAND, MAKEWPARAM(IDC_BAR_ANSWER, CBN_SELCHANGE), (LPARAM)answers);
    const int answer = teacher.WaitFor(student, "answer");
    ASSERT_GE(answer, 0);
    EXPECT_EQ("C", teacher.Events(student)[(size_t)answer].rest);
    mark = teacher.Count(student);
    ASSERT_TRUE(teacher.Say("clear-answer " + student));
    ASSERT_GE(teacher.WaitFor(student, "sent", mark, "1021"), 0);
    PumpFor(300);
    EXPECT_EQ(CB_ERR, ::SendMessage(answers, CB_GETCURSEL, 0, 0));
    ::PostMessage(program.frame, WM_COMMAND, ID_SHOW_OPERATION_BAR, 0);
    ::PostMessage(program.frame, WM_COMMAND, ID_RAISE_HAND, 0);
    ASSERT_GE(teacher.WaitFor(student, "hand-down", mark), 0);
    EXPECT_EQ(-1, teacher.Find(student, "answer", mark)) << "a cleared answer is not sent again";

    // The teacher's mouse and keys, replayed on the student's screen.
    {
        ProbeWnd probe;
        const int cx = ::GetSystemMetrics(SM_CXSCREEN), cy = ::GetSystemMetrics(SM_CYSCREEN);
        const int px = cx / 2 + 11, py = cy * 2 / 3;
        const std::string at = std::to_string(cls::AbsoluteCoordinate(px, cx)) + " " +
                               std::to_string(cls::AbsoluteCoordinate(py, cy));
        for (const char* flags : {"0x8001", "0x8002", "0x8004"}) teacher.Say("mouse " + student + " " + flags + " " + at);
        teacher.Say("key " + student + " 0x41 0x001E0001");
        teacher.Say("key " + student + " 0x41 0xC01E0001");
        ASSERT_TRUE(PumpUntil([&] { return probe.Count(WM_KEYUP) == 1 && probe.Count(WM_LBUTTONUP) == 1; }, 10000));
        for (const auto& m : probe.inputs)
            if (m.message == WM_LBUTTONDOWN) {
                EXPECT_NEAR(px, (short)LOWORD(m.lParam), 1);
                EXPECT_NEAR(py, (short)HIWORD(m.lParam), 1);
            } else if (m.message == WM_KEYDOWN) {
                EXPECT_EQ((WPARAM)'A', m.wParam);
                EXPECT_EQ(0x1E, (m.lParam >> 16) & 0xFF);
            }
        EXPECT_EQ(1, probe.Count(WM_LBUTTONDOWN));
        EXPECT_EQ(1, probe.Count(WM_KEYDOWN));
    }

    // The student's own input, forwarded to the teacher until F12.
    mark = teacher.Count(student);
    ASSERT_TRUE(teacher.Say("forward-begin " + student));
    ASSERT_TRUE(PumpUntil([&] { return program.NoticeShown(); }, 10000));
    testing_support::SaveScreenshot(nullptr, "classroom-forwarding.bmp");
    ::keybd_event('K', 0x25, 0, 0);
    ::keybd_event('K', 0x25, KEYEVENTF_KEYUP, 0);
    ::mouse_event(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, 20000, 30000, 0, 0);
    ASSERT_GE(teacher.WaitFor(student, "key", mark, "75 "), 0);
    ASSERT_GE(teacher.WaitFor(student, "mouse", mark, "32769 "), 0);
    ::keybd_event(VK_F12, 0x58, 0, 0);
    ::keybd_event(VK_F12, 0x58, KEYEVENTF_KEYUP, 0);
    ASSERT_GE(teacher.WaitFor(student, "forward-end", mark), 0);
    EXPECT_EQ(-1, teacher.Find(student, "key", mark, "123 ")) << "F12 stays with the student";
    EXPECT_TRUE(PumpUntil([&] { return !program.NoticeShown(); }, 5000));

    // Goodbye from the teacher: back to presence broadcasts, every 2000 ms,
    // and no echo or acknowledgement goes to the broadcast address.
    mark = teacher.Count(student);
    ASSERT_TRUE(teacher.Say("bye " + student));
    const int again = teacher.WaitFor(student, "presence", mark);
    ASSERT_GE(again, 0);
    ASSERT_TRUE(teacher.Say("no-update " + student));
    ASSERT_TRUE(teacher.Say("forward-end " + student));
    int third = -1;
    ASSERT_TRUE(PumpUntil([&] {
        int second = teacher.Find(student, "presence", (size_t)again + 1);
        return second >= 0 && (third = teacher.Find(student, "presence", (size_t)second + 1)) >= 0;
    }, 10000));
    std::vector<long> presenceTimes;
    const auto after = teacher.Events(student);
    for (size_t i = (size_t)again; i <= (size_t)third; ++i) {
        if (after[i].what == "presence") presenceTimes.push_back(after[i].ms);
        EXPECT_NE("no-update", after[i].what);
        EXPECT_NE("forward-end", after[i].what);
    }
    ASSERT_EQ(3u, presenceTimes.size());
    for (size_t i = 1; i < presenceTimes.size(); ++i) {
        EXPECT_GE(presenceTimes[i] - presenceTimes[i - 1], 1700);
        EXPECT_LE(presenceTimes[i] - presenceTimes[i - 1], 2600);
    }

    // Closed, it says goodbye; nothing it sent was malformed.
    mark = teacher.Count(student);
    ::PostMessage(program.frame, WM_CLOSE, 0, 0);
    ASSERT_TRUE(program.Exited(10000));
    EXPECT_TRUE(program.EndedWith(0));
    EXPECT_GE(teacher.WaitFor(student, "bye", mark), 0);
    EXPECT_EQ(-1, teacher.Find(student, "malformed"));
    EXPECT_EQ("", program.Boxes());
}

TEST_F(Classroom, ARestartOrderedByTheTeacherSaysGoodbyeFirst)
{
    Teacher teacher;
    StudentProgram program;
    ASSERT_TRUE(program.started);
    ASSERT_GE(LogIn(teacher), 0);
    const size_t mark = teacher.Count(student);
    ASSERT_TRUE(teacher.Say("reboot " + student));
    ASSERT_GE(teacher.WaitFor(student, "bye", mark), 0);
    ASSERT_TRUE(program.Exited(10000));
    EXPECT_TRUE(program.EndedWith(0));
    EXPECT_EQ("ExitWindowsEx 2\n", program.Shutdowns());
}

TEST_F(Classroom, TheTeacherReceivesTheStudentsScreenAndStartsItsMediaProgram)
{
    Teacher teacher;
    StudentProgram program;
    ASSERT_TRUE(program.started);
    ASSERT_GE(LogIn(teacher), 0);
    const int cx = ::GetSystemMetrics(SM_CXSCREEN), cy = ::GetSystemMetrics(SM_CYSCREEN);
    const std::string size = std::to_string(cx) + "x" + std::to_string(cy);

    // The whole screen first, put together by the teacher; then nothing new.
    size_t mark = teacher.Count(student);
    ASSERT_TRUE(teacher.Say("screen " + student + " 0 0 8 80"));
    ASSERT_GE(teacher.WaitFor(student, "frame", mark, "0 0 "), 0);
    const int screen = teacher.WaitFor(student, "screen", mark, size + " ");
    ASSERT_GE(screen, 0);
    const std::string file = teacher.Events(student)[(size_t)screen].rest.substr(size.size() + 1);
    EXPECT_EQ(std::string::npos, file.find("unwritten"));
    // The bar that the login showed may still have been painting; then its
    // rectangle comes first.
    int noUpdate = -1;
    for (int i = 0; i < 3 && noUpdate < 0; ++i) {
        mark = teacher.Count(student);
        ASSERT_TRUE(teacher.Say("screen " + student + " 0 0 8 80"));
        PumpUntil([&] { return teacher.Find(student, "frame", mark) >= 0 || teacher.Find(student, "no-update", mark) >= 0; });
        noUpdate = teacher.Find(student, "no-update", mark);
    }
    EXPECT_GE(noUpdate, 0);
    // On the screen link, at another size: a whole frame at once.
    mark = teacher.Count(student);
    ASSERT_TRUE(teacher.Say("full-screen " + student + " 640 480 8 70"));
    ASSERT_GE(teacher.WaitFor(student, "screen", mark, "640x480 "), 0);

    // The media program is started from the program's own folder.
    ASSERT_TRUE(teacher.Say("media " + student));
    ASSERT_TRUE(PumpUntil([&] { return !program.MediaStarts().empty(); }, 10000));
    EXPECT_NE(std::string::npos, program.MediaStarts().find("\\student\\Lindquor.exe"));
    EXPECT_EQ(-1, teacher.Find(student, "malformed"));
    EXPECT_EQ("", program.Boxes());
}

TEST_F(Classroom, AStudentWhoseTeacherVanishedWithoutAWordLooksForATeacherAgain)
{
    Teacher teacher;
    StudentProgram program;
    ASSERT_TRUE(program.started);
    ASSERT_GE(LogIn(teacher), 0);
    HWND bar = ::FindWindowA(nullptr, "ORLISK Veskara Audience");
    ASSERT_NE(nullptr, bar);
    ASSERT_TRUE(PumpUntil([&] { return ::IsWindowVisible(bar) != FALSE; }));
    const size_t mark = teacher.Count(student);

    // The teacher's host drops off the network: no goodbye, and not even the
    // end of the screen link reaches the student. It gives up the teacher
    // (its bar goes) on its own, and says so once the network is back.
    ASSERT_TRUE(teacher.Host("down"));
    const bool noticed = PumpUntil([&] { return !::IsWindowVisible(bar); }, 60000);
    ASSERT_TRUE(teacher.Host("up"));
    ASSERT_TRUE(noticed) << "the student still waits for the vanished teacher";
    EXPECT_GE(teacher.WaitFor(student, "presence", mark), 0);
    EXPECT_EQ("", program.Boxes());
}

TEST_F(Classroom, ASecondStartShowsTheFirstOnesBarAndEnds)
{
    StudentProgram program;
    ASSERT_TRUE(program.started);
    ASSERT_NE(nullptr, program.frame);
    HWND bar = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (bar = ::FindWindowA(nullptr, "ORLISK Veskara Audience")) != nullptr; }));
    PumpFor(300);
    EXPECT_FALSE(::IsWindowVisible(bar)) << "no teacher yet";
    EXPECT_TRUE(program.StartAgain());
    EXPECT_TRUE(::IsWindowVisible(bar));
    EXPECT_FALSE(program.Exited(300)) << "the first one keeps running";
    int bars = 0;
    for (HWND w = nullptr; (w = ::FindWindowExA(nullptr, w, nullptr, "ORLISK Veskara Audience")) != nullptr;) ++bars;
    EXPECT_EQ(1, bars);
}
