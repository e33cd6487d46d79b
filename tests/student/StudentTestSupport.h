// A teacher station on loopback for the student client's tests: it listens
// where the student sends (127.0.0.1, the classroom ports) and sends to the
// student at 127.0.0.2, so that both ends share one test host.
#pragma once

#include "MainFrame.h"
#include "TestSupport.h"
#include "resource.h"

#include "classroom/Datagram.h"
#include "classroom/ScreenStream.h"

#include <string>
#include <vector>

namespace student_test {

namespace cls = zelvo::classroom;

const char kTeacherAddress[] = "127.0.0.1";
const char kStudentAddress[] = "127.0.0.2";

// A screen frame read on the teacher's end of the link.
struct Frame {
    int32_t x, y;
    std::vector<uint8_t> jpeg;
};

struct Received {
    std::vector<uint8_t> bytes;
    UINT port;        // the teacher's port it arrived on
    DWORD tick;
    int32_t Command() const { return cls::DecodeDatagram(bytes.data(), bytes.size()).command; }
    cls::UdpDatagram Datagram() const { return cls::DecodeDatagram(bytes.data(), bytes.size()); }
};

class TestTeacher {
public:
    // listen: accept screen links on port 200.
    explicit TestTeacher(bool listen = true) : m_discovery(this, cls::kDiscoveryPort), m_command(this, cls::kCommandPort),
                                               m_listener(this), m_link(this)
    {
        m_discovery.Open();
        m_command.Open();
        if (listen) {
            m_listener.Create(cls::kScreenPort, SOCK_STREAM, FD_ACCEPT, kTeacherAddress);
            m_listener.Listen();
        }
    }
    // A datagram to the student's port, from the teacher's socket of the same port.
    void Send(UINT port, int32_t command, const void* data = nullptr, size_t len = 0, const char* to = kStudentAddress)
    {
        uint8_t d[cls::kDatagramSize];
        cls::EncodeDatagram(command, data, len, d);
        SendRaw(port, d, sizeof d, to);
    }
    void SendRaw(UINT port, const void* bytes, size_t n, const char* to = kStudentAddress)
    {
        (port == cls::kDiscoveryPort ? m_discovery : m_command).SendTo(bytes, (int)n, port, to);
    }
    std::vector<int32_t> Commands() const
    {
        std::vector<int32_t> out;
        for (const auto& r : received) out.push_back(r.Command());
        return out;
    }
    bool Has(int32_t command) const
    {
        for (const auto& r : received)
            if (r.Command() == command) return true;
        return false;
    }
    int Links() const { return m_links; }
    bool LinkOpen() const { return m_link.m_hSocket != INVALID_SOCKET; }
    void DropLink() { m_link.Close(); }
    // Bytes on the screen link, as the teacher's requests.
    bool SendOnLink(const std::vector<uint8_t>& bytes)
    {
        return m_link.Send(bytes.data(), (int)bytes.size()) == (int)bytes.size();
    }
    bool LinkBroken() const { return m_link.reader.Broken(); }
    size_t NoUpdates() const
    {
        size_t n = 0;
        for (const auto& r : received) n += r.Command() == cls::CMD_NO_UPDATE;
        return n;
    }
    std::vector<Received> received;
    std::vector<Frame> frames;

private:
    class Udp : public CAsyncSocket {
    public:
        Udp(TestTeacher* t, UINT port) : m_teacher(t), m_port(port) {}
        void Open()
        {
            Socket(SOCK_DGRAM, FD_READ);
            BOOL on = TRUE;
            SetSockOpt(SO_REUSEADDR, &on, sizeof on);
            Bind(m_port, kTeacherAddress);
        }
        void OnReceive(int) override
        {
            uint8_t buf[2048];
            SOCKADDR_IN from;
            int len = sizeof from;
            int n;
            while ((n = ReceiveFrom(buf, sizeof buf, (SOCKADDR*)&from, &len)) >= 0) {
                m_teacher->received.push_back({std::vector<uint8_t>(buf, buf + n), m_port, ::GetTickCount()});
                len = sizeof from;
            }
        }
        TestTeacher* m_teacher;
        UINT m_port;
    };
    class Listener : public CAsyncSocket {
    public:
        explicit Listener(TestTeacher* t) : m_teacher(t) {}
        void OnAccept(int) override
        {
            m_teacher->m_link.Close();
            if (Accept(m_teacher->m_link)) ++m_teacher->m_links;
        }
        TestTeacher* m_teacher;
    };
    class Link : public CAsyncSocket, public cls::ScreenFrameReader::Handler {
    public:
        explicit Link(TestTeacher* t) : reader(*this), m_teacher(t) {}
        void OnReceive(int) override
        {
            static uint8_t buf[65536];
            int n;
            while ((n = Receive(buf, sizeof buf)) > 0) reader.Feed(buf, (size_t)n);
        }
        void OnFrame(int32_t x, int32_t y, const uint8_t* jpeg, size_t length) override
        {
            m_teacher->frames.push_back({x, y, std::vector<uint8_t>(jpeg, jpeg + length)});
        }
        cls::ScreenFrameReader reader;
        TestTeacher* m_teacher;
    };
    Udp m_discovery, m_command;
    Listener m_listener;
    Link m_link;
    int m_links = 0;
};

// A student client's frame as the program makes it, destroyed at the end.
class StudentFrame {
public:
    StudentFrame()
    {
        frame = new CMainFrame;
        created = frame->LoadFrame(IDR_MAINFRAME, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE);
        if (!created) frame = nullptr;
    }
    ~StudentFrame()
    {
        if (frame) frame->DestroyWindow();  // the frame deletes itself
        testing_support::PumpFor(50);
    }
    CMainFrame* operator->() const { return frame; }
    CMainFrame* frame;
    BOOL created;
};

// Logs the student in from the test teacher; true when it is logged in.
inline bool LogIn(TestTeacher& teacher, StudentFrame& student, UINT port = cls::kDiscoveryPort)
{
    teacher.Send(port, cls::CMD_TEACHER_HERE);
    return testing_support::PumpUntil([&] { return student->IsConnected() && teacher.Has(cls::CMD_HAND_STATE); });
}

} // namespace student_test
