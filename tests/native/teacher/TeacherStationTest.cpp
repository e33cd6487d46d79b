// The teacher station against sockets playing a student, on loopback with
// ports of the system's choosing.
#include "TeacherStation.h"

#include "classroom/ScreenStream.h"

#include <jpeglib.h>

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

// A frame's JPEG as the student makes it: rows bottom first, bytes blue,
// green, red, declared RGB.
std::vector<uint8_t> StudentJpeg(int w, int h, uint8_t (*r)(int, int), uint8_t (*g)(int, int), uint8_t b)
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &out, &size);
    cinfo.image_width = (JDIMENSION)w;
    cinfo.image_height = (JDIMENSION)h;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 95, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<uint8_t> row((size_t)w * 3);
    for (int i = 0; i < h; ++i) {
        const int y = h - 1 - i;
        for (int x = 0; x < w; ++x) row[(size_t)x * 3] = b, row[(size_t)x * 3 + 1] = g(x, y), row[(size_t)x * 3 + 2] = r(x, y);
        JSAMPROW p = row.data();
        jpeg_write_scanlines(&cinfo, &p, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<uint8_t> bytes(out, out + size);
    free(out);
    return bytes;
}

// A JPEG file as top-down RGB.
std::vector<uint8_t> ReadJpeg(const std::string& path, int& w, int& h)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return {};
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, f);
    jpeg_read_header(&cinfo, TRUE);
    jpeg_start_decompress(&cinfo);
    w = (int)cinfo.output_width, h = (int)cinfo.output_height;
    std::vector<uint8_t> rgb((size_t)w * h * 3);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW p = &rgb[(size_t)cinfo.output_scanline * w * 3];
        jpeg_read_scanlines(&cinfo, &p, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    std::fclose(f);
    return rgb;
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
    std::string file;
    for (const auto& e : events)
        if (e.rfind("frame ", 0) == 0) file = e.substr(e.rfind(' ') + 1);
    std::ifstream in(file, std::ios::binary);
    EXPECT_EQ(jpeg, std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()));

    const uint8_t junk[16] = {1, 2, 3, 4};
    ASSERT_EQ(16, ::send(link, junk, sizeof junk, 0));
    EXPECT_TRUE(WaitFor("link-end 127.0.0.1 broken 67305985"));
    ::close(link);
}

TEST_F(Station, PutsTheStudentsScreenTogetherUprightFromItsFrames)
{
    int link = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in to = Loopback(station->ScreenPort());
    ASSERT_EQ(0, ::connect(link, (sockaddr*)&to, sizeof to));
    ASSERT_TRUE(WaitFor("link 127.0.0.1"));
    auto send = [&](int32_t x, int32_t y, const std::vector<uint8_t>& jpeg) {
        auto stream = classroom::EncodeScreenFrame(x, y, jpeg.data(), jpeg.size());
        ASSERT_EQ((ssize_t)stream.size(), ::send(link, stream.data(), stream.size(), 0));
    };
    // Red grows to the right, green downwards.
    send(0, 0, StudentJpeg(64, 48, [](int x, int) { return (uint8_t)(x * 4); }, [](int, int y) { return (uint8_t)(y * 5); }, 90));
    ASSERT_TRUE(WaitFor("screen 127.0.0.1 64x48 "));
    const std::string file = events.back().substr(events.back().rfind(' ') + 1);
    int w = 0, h = 0;
    std::vector<uint8_t> rgb = ReadJpeg(file, w, h);
    ASSERT_EQ(64, w);
    ASSERT_EQ(48, h);
    auto at = [&](int x, int y, int c) { return (int)rgb[((size_t)y * w + x) * 3 + c]; };
    EXPECT_NEAR(60 * 4, at(60, 5, 0), 12);
    EXPECT_NEAR(5 * 5, at(60, 5, 1), 12);
    EXPECT_NEAR(90, at(60, 5, 2), 12);
    EXPECT_NEAR(40 * 5, at(3, 40, 1), 12);

    // A rectangle lands where it belongs; the rest stays.
    events.clear();
    send(16, 8, StudentJpeg(24, 24, [](int, int) { return (uint8_t)255; }, [](int, int) { return (uint8_t)255; }, 255));
    ASSERT_TRUE(WaitFor("screen 127.0.0.1 64x48 "));
    rgb = ReadJpeg(file, w, h);
    EXPECT_NEAR(255, at(20, 12, 2), 12);
    EXPECT_NEAR(255, at(39, 31, 0), 12);
    EXPECT_NEAR(60 * 4, at(60, 5, 0), 12);

    // A changed rectangle at the origin is not a whole frame...
    events.clear();
    send(0, 0, StudentJpeg(24, 24, [](int, int) { return (uint8_t)0; }, [](int, int) { return (uint8_t)0; }, 0));
    ASSERT_TRUE(WaitFor("screen 127.0.0.1 64x48 "));
    rgb = ReadJpeg(file, w, h);
    EXPECT_NEAR(0, at(10, 10, 2), 12);
    EXPECT_NEAR(60 * 4, at(60, 5, 0), 12);
    // ...unless it has the size the teacher asked for.
    ASSERT_TRUE(station->Execute("full-screen 127.0.0.1 62 40 8 80"));
    events.clear();
    send(0, 0, StudentJpeg(64, 40, [](int, int) { return (uint8_t)9; }, [](int, int) { return (uint8_t)9; }, 9));
    ASSERT_TRUE(WaitFor("screen 127.0.0.1 64x40 "));

    // An empty frame shows nothing; a broken JPEG is reported; the link stays.
    events.clear();
    send(0, 0, {});
    send(0, 0, {0xFF, 0xD8, 0xFF, 0xC0, 0, 3});
    ASSERT_TRUE(WaitFor("undecodable 127.0.0.1 6"));
    for (const auto& e : events) EXPECT_NE(0u, e.rfind("screen", 0)) << e;
    send(8, 0, StudentJpeg(24, 24, [](int, int) { return (uint8_t)0; }, [](int, int) { return (uint8_t)0; }, 0));
    EXPECT_TRUE(WaitFor("screen 127.0.0.1 64x40 "));
    ::close(link);
}
