// The teacher station: finds student clients by their presence broadcasts,
// logs in to them, sends them commands, and records what they send back,
// saving the screen frames that arrive on their screen links. One thread, one
// poll loop over every socket; commands arrive as text lines.
#pragma once

#include "classroom/Datagram.h"
#include "classroom/ScreenStream.h"

#include <netinet/in.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace zelvo {
namespace teacher {

struct StationOptions {
    std::string bindAddress = "0.0.0.0";
    uint16_t discoveryPort = classroom::kDiscoveryPort;  // 0: any (tests)
    uint16_t commandPort = classroom::kCommandPort;
    uint16_t screenPort = classroom::kScreenPort;
    // Logs in every student that announces itself.
    bool autoLogin = false;
    // Where received frames are written as NAME.jpg; none: not written.
    std::string screenFolder;
};

class TeacherStation {
public:
    // One line per event: what arrived, from whom, and what the station did.
    using EventSink = std::function<void(const std::string&)>;

    TeacherStation(const StationOptions& options, EventSink events);
    ~TeacherStation();
    TeacherStation(const TeacherStation&) = delete;
    TeacherStation& operator=(const TeacherStation&) = delete;

    // Binds the sockets; false (with the reason in Error()) when one fails.
    bool Open();
    const std::string& Error() const { return m_error; }
    uint16_t DiscoveryPort() const { return m_boundDiscovery; }
    uint16_t CommandPort() const { return m_boundCommand; }
    uint16_t ScreenPort() const { return m_boundScreen; }

    // Handles whatever is ready within the time, and the extra descriptor's
    // readiness through the callback (the control channel of the program).
    void Poll(int timeoutMs, int extraFd = -1, const std::function<void()>& onExtra = nullptr);
    // One control line (see the program's usage); false for a line it does not know.
    bool Execute(const std::string& line);
    bool QuitRequested() const { return m_quit; }

private:
    struct Student;
    class DatagramEvents;
    class FrameEvents;

    bool ExecuteLine(const std::string& line);
    Student& StudentAt(uint32_t address);
    void OnDatagram(int fd, bool discovery);
    void OnAccept();
    void OnLinkReadable(Student& s);
    void CloseLink(Student& s, const std::string& why);
    void SendDatagram(uint32_t address, uint16_t port, int32_t command, const void* data = nullptr, size_t len = 0);
    void SendCommand(Student& s, int32_t command, const void* data = nullptr, size_t len = 0);
    void SendHere(Student& s);
    void Event(const std::string& text);

    StationOptions m_options;
    EventSink m_events;
    int m_discovery = -1, m_command = -1, m_listener = -1;
    uint16_t m_boundDiscovery = 0, m_boundCommand = 0, m_boundScreen = 0;
    std::map<uint32_t, std::unique_ptr<Student>> m_students;  // by address, network order
    int m_pendingLogins = 0;
    bool m_quit = false;
    std::string m_error;
    int m_frames = 0;
};

// "a.b.c.d" for an address in network order, and back (false when not one).
std::string AddressText(uint32_t address);
bool ParseAddress(const std::string& text, uint32_t& address);
// The bytes a student's datagram defines for its command; the rest of the 260
// must be zero.
size_t DefinedPayloadLength(const classroom::UdpDatagram& d);

} // namespace teacher
} // namespace zelvo
