// The teacher station against sockets playing a student, on loopback with
// ports of the system's choosing.
#include "TeacherStation.h"

#include "classroom/ScreenStream.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using namespace zelvo;
using namespace zelvo::teacher;

namespace {

int BoundUdp(uint16_t& port)
{
    int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in sa = {};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof sa;
    ::bind(fd, (sockaddr*)&sa, sizeof sa);
    ::getsockname(fd, (sockaddr*)&sa, &len);
    port = ntohs(sa.sin_port);
    return fd;
}

sockaddr_in Loopback(uint16_t port)
{
    sockaddr_in sa = {};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return sa;
}

void SendTo(int fd, uint16_t port, const std::vector<uint8_t>& bytes)
{
    sockaddr_in to = Loopback(port);
    ::sendto(fd, bytes.data(), bytes.size(), 0, (sockaddr*)&to, sizeof to);
}

std::vector<uint8_t> Datagram(int32_t command, const std::string& payload = std::string())
{
    std::vector<uint8_t> d(classroom::kDatagramSize);
    classroom::EncodeDatagram(command, payload.data(), payload.size(), d.data());
    return d;
}

class Station : public testing::Test {
protected:
    void SetUp() override
    {
        StationOptions o;
        o.bindAddress = "127.0.0.1";
        o.discoveryPort = o.commandPort = o.screenPort = 0;
        char folder[] = "/tmp/teacher-test-XXXXXX";
        o.screenFolder = ::mkdtemp(folder);
        m_folder = o.screenFolder;
        station.reset(new TeacherStation(o, [this](const std::string& e) { events.push_back(e.substr(e.find(' ') + 1)); }));
        ASSERT_TRUE(station->Open()) << station->Error();
    }
    void TearDown() override
    {
        station.reset();
        std::string cmd = "rm -rf " + m_folder;
        if (std::system(cmd.c_str()) != 0) ADD_FAILURE() << "cannot remove " << m_folder;
    }
    // Polls the station until an event begins with text (true) or 2 s pass.
    bool WaitFor(const std::string& text)
    {
        auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (std::chrono::steady_clock::now() < end) {
            for (const auto& e : events)
                if (e.compare(0, text.size(), text) == 0) return true;
            station->Poll(20);
        }
        return false;
    }
    std::unique_ptr<TeacherStation> station;
    std::vector<std::string> events;
    std::string m_folder;
};

} // namespace

TEST_F(Station, ReportsDatagramsOfAnotherSizeOrWithBytesAfterTheirPayload)
{
    uint16_t port = 0;
    int fd = BoundUdp(port);
    auto shortOne = Datagram(classroom::CMD_HAND_UP);
    shortOne.resize(100);
    SendTo(fd, station->CommandPort(), shortOne);
    ASSERT_TRUE(WaitFor("malformed 127.0.0.1 1002 size 100"));
    auto hand = Datagram(classroom::CMD_HAND_STATE, std::string("\x01\x00", 2));
    hand[7] = 1;
    SendTo(fd, station->CommandPort(), hand);
    ASSERT_TRUE(WaitFor("malformed 127.0.0.1 1010 padding at 7"));
    SendTo(fd, station->CommandPort(), std::vector<uint8_t>(300, 0));
    EXPECT_TRUE(WaitFor("malformed 127.0.0.1 0 size 300"));
    ::close(fd);
}

TEST_F(Station, SavesEachFrameOfTheScreenLinkAndDropsABrokenLink)
{
    int link = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in to = Loopback(station->ScreenPort());
    ASSERT_EQ(0, ::connect(link, (sockaddr*)&to, sizeof to));
    ASSERT_TRUE(WaitFor("link 127.0.0.1"));
    const std::vector<uint8_t> jpeg = {0xFF, 0xD8, 9, 8, 7, 0xFF, 0xD9};
    auto stream = classroom::EncodeScreenFrame(24, 48, jpeg.data(), jpeg.size());
    ASSERT_EQ(10, ::send(link, stream.data(), 10, 0));
    station->Poll(50);
    ASSERT_EQ((ssize_t)stream.size() - 10, ::send(link, stream.data() + 10, stream.size() - 10, 0));
    ASSERT_TRUE(WaitFor("frame 127.0.0.1 24 48 7 "));
    std::string file = events.back().substr(events.back().rfind(' ') + 1);
    std::ifstream in(file, std::ios::binary);
    EXPECT_EQ(jpeg, std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()));

    const uint8_t junk[16] = {1, 2, 3, 4};
    ASSERT_EQ(16, ::send(link, junk, sizeof junk, 0));
    EXPECT_TRUE(WaitFor("link-end 127.0.0.1 broken 67305985"));
    ::close(link);
}
