#include "TeacherStation.h"

#include "ScreenPicture.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace zelvo {
namespace teacher {

namespace cls = classroom;

namespace {

const std::chrono::steady_clock::time_point g_start = std::chrono::steady_clock::now();

// Verbs of the control lines that send one command without payload.
const std::map<std::string, int32_t> kPlainCommands = {
    {"bye", cls::CMD_BYE},
    {"hand-down", cls::CMD_HAND_DOWN},
    {"clear-answer", cls::CMD_CLEAR_ANSWER},
    {"power-off", cls::CMD_POWER_OFF},
    {"reboot", cls::CMD_REBOOT},
    {"visit", cls::CMD_TEACHER_VISIT},
    {"return", cls::CMD_TEACHER_RETURN},
    {"media", cls::CMD_RUN_STUDENT_MEDIA},
    {"no-update", cls::CMD_NO_UPDATE},
    {"notice-wait", cls::CMD_NOTICE_WAIT},
    {"notice-attention", cls::CMD_NOTICE_ATTENTION},
    {"notice-pin", cls::CMD_NOTICE_PIN},
    {"notice-unpin", cls::CMD_NOTICE_UNPIN},
    {"notice-close", cls::CMD_NOTICE_CLOSE},
    {"forward-begin", cls::CMD_INPUT_FORWARD_BEGIN},
    {"forward-end", cls::CMD_INPUT_FORWARD_END},
};

int UdpSocket(const std::string& address, uint16_t port, uint16_t& bound, std::string& error)
{
    int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    ::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    sockaddr_in sa = {};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    uint32_t a = 0;
    ParseAddress(address, a);
    sa.sin_addr.s_addr = a;
    socklen_t len = sizeof sa;
    if (fd < 0 || ::bind(fd, (sockaddr*)&sa, sizeof sa) != 0 || ::getsockname(fd, (sockaddr*)&sa, &len) != 0) {
        error = "cannot bind UDP " + address + ":" + std::to_string(port) + ": " + std::strerror(errno);
        if (fd >= 0) ::close(fd);
        return -1;
    }
    bound = ntohs(sa.sin_port);
    return fd;
}

bool ParseInts(std::istringstream& in, std::vector<long>& out, size_t n)
{
    for (size_t i = 0; i < n; ++i) {
        std::string word;
        if (!(in >> word)) return false;
        char* end = nullptr;
        long v = std::strtol(word.c_str(), &end, 0);
        if (end == word.c_str() || *end) return false;
        out.push_back(v);
    }
    return true;
}

size_t TextLength(const cls::UdpDatagram& d)
{
    size_t n = 0;
    while (n < cls::kPayloadSize && d.payload[n]) ++n;
    return n;
}

} // namespace

std::string AddressText(uint32_t address)
{
    in_addr a;
    a.s_addr = address;
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &a, text, sizeof text);
    return text;
}

bool ParseAddress(const std::string& text, uint32_t& address)
{
    in_addr a;
    if (::inet_pton(AF_INET, text.c_str(), &a) != 1) return false;
    address = a.s_addr;
    return true;
}

size_t DefinedPayloadLength(const cls::UdpDatagram& d)
{
    switch (d.command) {
    case cls::CMD_PRESENCE:
    case cls::CMD_TEXT_QUESTION: return TextLength(d);
    case cls::CMD_STUDENT_NAME: return TextLength(d) < cls::kPayloadSize ? TextLength(d) + 1 : cls::kPayloadSize;
    case cls::CMD_HAND_STATE: return 2;
    case cls::CMD_ANSWER: return 1;
    case cls::CMD_REMOTE_MOUSE: return cls::kMouseRecordSize;
    case cls::CMD_REMOTE_KEY: return cls::kKeyRecordSize;
    default: return 0;
    }
}

struct TeacherStation::Student {
    uint32_t address = 0;
    // Where its datagrams came from: presence from its discovery socket,
    // everything else from its command socket.
    uint16_t discoveryPort = cls::kDiscoveryPort;
    uint16_t commandPort = cls::kCommandPort;
    bool loggedIn = false;
    int link = -1;
    std::unique_ptr<FrameEvents> frameEvents;
    std::unique_ptr<cls::ScreenFrameReader> frames;
    ScreenPicture screen;
};

class TeacherStation::DatagramEvents : public cls::StudentMessageHandler {
public:
    DatagramEvents(TeacherStation& station, Student& s) : m_station(station), m_student(s) {}
    void OnPresence(const std::string& name) override
    {
        Say("presence", name);
        if (!m_student.loggedIn && (m_station.m_options.autoLogin || m_station.m_pendingLogins > 0)) {
            if (m_station.m_pendingLogins > 0) --m_station.m_pendingLogins;
            m_station.SendHere(m_student);
        }
    }
    void OnStudentName(const std::string& name) override { Say("name", name); }
    void OnHandState(int up) override { Say("hand-state", std::to_string(up)); }
    void OnHandUp() override { Say("hand-up"); }
    void OnHandDown() override { Say("hand-down"); }
    void OnAnswer(char letter) override { Say("answer", std::string(1, letter)); }
    void OnTextQuestion(const std::string& text) override { Say("question", text); }
    void OnRemoteMouse(const cls::MouseRecord& r) override
    {
        Say("mouse", std::to_string(r.flags) + " " + std::to_string(r.x) + " " + std::to_string(r.y));
    }
    void OnRemoteKey(const cls::KeyRecord& r) override
    {
        Say("key", std::to_string(r.vk) + " " + std::to_string((uint32_t)r.flags));
    }
    void OnTeacherReturn() override { Say("return"); }
    void OnNoUpdate() override { Say("no-update"); }
    void OnInputForwardEnd() override { Say("forward-end"); }
    void OnBye() override
    {
        Say("bye");
        m_student.loggedIn = false;
        if (m_student.link >= 0) m_station.CloseLink(m_student, "closed after bye");
    }
    void OnOther(int32_t command) override { Say("other", std::to_string(command)); }

private:
    void Say(const std::string& what, const std::string& rest = std::string())
    {
        m_station.Event(what + " " + AddressText(m_student.address) + (rest.empty() ? "" : " " + rest));
    }
    TeacherStation& m_station;
    Student& m_student;
};

class TeacherStation::FrameEvents : public cls::ScreenFrameReader::Handler {
public:
    FrameEvents(TeacherStation& station, Student& s) : m_station(station), m_student(s) {}
    void OnFrame(int32_t x, int32_t y, const uint8_t* jpeg, size_t length) override
    {
        std::string file = "-";
        if (!m_station.m_options.screenFolder.empty()) {
            file = m_station.m_options.screenFolder + "/" + AddressText(m_student.address) + "-" +
                   std::to_string(++m_station.m_frames) + ".jpg";
            std::FILE* f = std::fopen(file.c_str(), "wb");
            bool ok = f && std::fwrite(jpeg, 1, length, f) == length;
            if (f) std::fclose(f);
            if (!ok) file = "unwritten";
        }
        m_station.Event("frame " + AddressText(m_student.address) + " " + std::to_string(x) + " " + std::to_string(y) +
                        " " + std::to_string(length) + " " + file);
        // A frame without its JPEG is the student's failed encoding: nothing to show.
        if (length == 0) return;
        switch (m_student.screen.Apply(x, y, jpeg, length)) {
        case ScreenPicture::Result::Undecodable:
            m_station.Event("undecodable " + AddressText(m_student.address) + " " + std::to_string(length));
            return;
        case ScreenPicture::Result::NotYet: return;
        case ScreenPicture::Result::Updated: break;
        }
        std::string picture = "-";
        if (!m_station.m_options.screenFolder.empty()) {
            picture = m_station.m_options.screenFolder + "/" + AddressText(m_student.address) + "-screen.jpg";
            if (!m_student.screen.Save(picture)) picture = "unwritten";
        }
        m_station.Event("screen " + AddressText(m_student.address) + " " + std::to_string(m_student.screen.Width()) +
                        "x" + std::to_string(m_student.screen.Height()) + " " + picture);
    }

private:
    TeacherStation& m_station;
    Student& m_student;
};

TeacherStation::TeacherStation(const StationOptions& options, EventSink events)
    : m_options(options), m_events(std::move(events))
{
}

TeacherStation::~TeacherStation()
{
    for (auto& entry : m_students)
        if (entry.second->link >= 0) ::close(entry.second->link);
    for (int fd : {m_discovery, m_command, m_listener})
        if (fd >= 0) ::close(fd);
}

bool TeacherStation::Open()
{
    m_discovery = UdpSocket(m_options.bindAddress, m_options.discoveryPort, m_boundDiscovery, m_error);
    if (m_discovery < 0) return false;
    m_command = UdpSocket(m_options.bindAddress, m_options.commandPort, m_boundCommand, m_error);
    if (m_command < 0) return false;
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    int on = 1;
    ::setsockopt(m_listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in sa = {};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(m_options.screenPort);
    uint32_t a = 0;
    ParseAddress(m_options.bindAddress, a);
    sa.sin_addr.s_addr = a;
    socklen_t len = sizeof sa;
    if (::bind(m_listener, (sockaddr*)&sa, sizeof sa) != 0 || ::listen(m_listener, 16) != 0 ||
        ::getsockname(m_listener, (sockaddr*)&sa, &len) != 0) {
        m_error = "cannot listen on TCP " + m_options.bindAddress + ":" + std::to_string(m_options.screenPort) + ": " +
                  std::strerror(errno);
        return false;
    }
    m_boundScreen = ntohs(sa.sin_port);
    Event("open discovery " + std::to_string(m_boundDiscovery) + " command " + std::to_string(m_boundCommand) +
          " screen " + std::to_string(m_boundScreen));
    return true;
}

void TeacherStation::Event(const std::string& text)
{
    const long long ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - g_start).count();
    if (m_events) m_events(std::to_string(ms) + " " + text);
}

TeacherStation::Student& TeacherStation::StudentAt(uint32_t address)
{
    auto& slot = m_students[address];
    if (!slot) {
        slot.reset(new Student);
        slot->address = address;
    }
    return *slot;
}

void TeacherStation::Poll(int timeoutMs, int extraFd, const std::function<void()>& onExtra)
{
    std::vector<pollfd> fds = {{m_discovery, POLLIN, 0}, {m_command, POLLIN, 0}, {m_listener, POLLIN, 0}};
    std::vector<Student*> linked;
    for (auto& entry : m_students)
        if (entry.second->link >= 0) {
            fds.push_back({entry.second->link, POLLIN, 0});
            linked.push_back(entry.second.get());
        }
    if (extraFd >= 0) fds.push_back({extraFd, POLLIN, 0});
    if (::poll(fds.data(), fds.size(), timeoutMs) <= 0) return;
    if (fds[0].revents) OnDatagram(m_discovery, true);
    if (fds[1].revents) OnDatagram(m_command, false);
    if (fds[2].revents) OnAccept();
    for (size_t i = 0; i < linked.size(); ++i)
        if (fds[3 + i].revents) OnLinkReadable(*linked[i]);
    if (extraFd >= 0 && fds.back().revents && onExtra) onExtra();
}

void TeacherStation::OnDatagram(int fd, bool discovery)
{
    // Bounded per wake-up so a flood cannot starve the other sockets.
    for (int i = 0; i < 64; ++i) {
        uint8_t buf[2048];
        sockaddr_in from = {};
        socklen_t len = sizeof from;
        ssize_t n = ::recvfrom(fd, buf, sizeof buf, MSG_TRUNC, (sockaddr*)&from, &len);
        if (n < 0) return;
        Student& s = StudentAt(from.sin_addr.s_addr);
        const cls::UdpDatagram d = cls::DecodeDatagram(buf, (size_t)std::min<ssize_t>(n, (ssize_t)sizeof buf));
        if (d.command == cls::CMD_PRESENCE)
            s.discoveryPort = ntohs(from.sin_port);
        else if (!discovery)
            s.commandPort = ntohs(from.sin_port);
        if ((size_t)n != cls::kDatagramSize) {
            Event("malformed " + AddressText(s.address) + " " + std::to_string(d.command) + " size " + std::to_string(n));
        } else {
            for (size_t k = DefinedPayloadLength(d); k < cls::kPayloadSize; ++k)
                if (d.payload[k]) {
                    Event("malformed " + AddressText(s.address) + " " + std::to_string(d.command) + " padding at " +
                          std::to_string(4 + k));
                    break;
                }
        }
        DatagramEvents events(*this, s);
        cls::DispatchStudentDatagram(buf, (size_t)std::min<ssize_t>(n, (ssize_t)sizeof buf), events);
    }
}

void TeacherStation::OnAccept()
{
    sockaddr_in from = {};
    socklen_t len = sizeof from;
    int fd = ::accept4(m_listener, (sockaddr*)&from, &len, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) return;
    Student& s = StudentAt(from.sin_addr.s_addr);
    if (s.link >= 0) CloseLink(s, "replaced");
    s.link = fd;
    s.loggedIn = true;
    s.frameEvents.reset(new FrameEvents(*this, s));
    s.frames.reset(new cls::ScreenFrameReader(*s.frameEvents));
    Event("link " + AddressText(s.address));
}

void TeacherStation::OnLinkReadable(Student& s)
{
    uint8_t buf[65536];
    ssize_t n = ::read(s.link, buf, sizeof buf);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return;
    if (n <= 0) {
        CloseLink(s, "closed");
        return;
    }
    if (!s.frames->Feed(buf, (size_t)n)) CloseLink(s, "broken " + std::to_string(s.frames->BadValue()));
}

void TeacherStation::CloseLink(Student& s, const std::string& why)
{
    ::close(s.link);
    s.link = -1;
    s.loggedIn = false;
    Event("link-end " + AddressText(s.address) + " " + why);
}

void TeacherStation::SendDatagram(uint32_t address, uint16_t port, int32_t command, const void* data, size_t len)
{
    uint8_t d[cls::kDatagramSize];
    cls::EncodeDatagram(command, data, len, d);
    sockaddr_in to = {};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = address;
    ::sendto(command == cls::CMD_TEACHER_HERE ? m_discovery : m_command, d, sizeof d, 0, (sockaddr*)&to, sizeof to);
    Event("sent " + AddressText(address) + " " + std::to_string(command));
}

void TeacherStation::SendCommand(Student& s, int32_t command, const void* data, size_t len)
{
    SendDatagram(s.address, s.loggedIn ? s.commandPort : s.discoveryPort, command, data, len);
}

void TeacherStation::SendHere(Student& s)
{
    SendDatagram(s.address, s.discoveryPort, cls::CMD_TEACHER_HERE);
}

bool TeacherStation::Execute(const std::string& line)
{
    if (ExecuteLine(line)) return true;
    Event("unknown " + line);
    return false;
}

bool TeacherStation::ExecuteLine(const std::string& line)
{
    std::istringstream in(line);
    std::string verb, who;
    if (!(in >> verb)) return true;
    if (verb == "login-next") {
        ++m_pendingLogins;
        return true;
    }
    if (verb == "quit") {
        for (auto& entry : m_students)
            if (entry.second->loggedIn) SendCommand(*entry.second, cls::CMD_BYE);
        m_quit = true;
        return true;
    }
    uint32_t address = 0;
    if (!(in >> who) || !ParseAddress(who, address)) return false;
    Student& s = StudentAt(address);
    std::vector<long> v;
    auto plain = kPlainCommands.find(verb);
    if (plain != kPlainCommands.end()) {
        SendCommand(s, plain->second);
        if (plain->second == cls::CMD_BYE) s.loggedIn = false;
    } else if (verb == "here") {
        SendHere(s);
    } else if (verb == "mouse" && ParseInts(in, v, 3)) {
        uint8_t r[cls::kMouseRecordSize];
        cls::WriteMouseRecord({(int32_t)v[0], (int32_t)v[1], (int32_t)v[2]}, r);
        SendCommand(s, cls::CMD_REMOTE_MOUSE, r, sizeof r);
    } else if (verb == "key" && ParseInts(in, v, 2)) {
        uint8_t r[cls::kKeyRecordSize];
        cls::WriteKeyRecord({(int32_t)v[0], (int32_t)(uint32_t)v[1]}, r);
        SendCommand(s, cls::CMD_REMOTE_KEY, r, sizeof r);
    } else if ((verb == "screen" || verb == "full-screen") && ParseInts(in, v, 4)) {
        cls::ScreenRequest r;
        r.width = (int32_t)v[0];
        r.height = (int32_t)v[1];
        r.threshold = (uint8_t)v[2];
        r.quality = (int32_t)v[3];
        s.screen.Expect(r.width, r.height);
        if (verb == "screen") {
            uint8_t raw[cls::kScreenRequestSize];
            cls::WriteScreenRequest(r, raw);
            SendCommand(s, cls::CMD_SCREEN_REQUEST, raw, sizeof raw);
        } else if (s.link >= 0) {
            const auto bytes = cls::EncodeScreenLinkRequest(r);
            if (::send(s.link, bytes.data(), bytes.size(), MSG_NOSIGNAL) == (ssize_t)bytes.size())
                Event("sent-link " + who + " " + std::to_string(cls::CMD_SCREEN_REQUEST));
        } else {
            Event("no-link " + who);
        }
    } else {
        return false;
    }
    return true;
}

} // namespace teacher
} // namespace zelvo
