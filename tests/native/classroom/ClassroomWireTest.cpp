#include "classroom/Datagram.h"
#include "classroom/InputMapping.h"
#include "classroom/ScreenStream.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace zelvo::classroom;

namespace {

// Records every call as a short line.
class TeacherLog : public TeacherCommandHandler {
public:
    std::vector<std::string> calls;
    void OnBye() override { calls.push_back("bye"); }
    void OnHandDown() override { calls.push_back("hand-down"); }
    void OnClearAnswer() override { calls.push_back("clear-answer"); }
    void OnRemoteMouse(const MouseRecord& r) override
    {
        calls.push_back("mouse " + std::to_string(r.flags) + " " + std::to_string(r.x) + " " + std::to_string(r.y));
    }
    void OnRemoteKey(const KeyRecord& r) override
    {
        calls.push_back("key " + std::to_string(r.vk) + " " + std::to_string(r.flags));
    }
    void OnScreenRequest(const ScreenRequest& r) override
    {
        calls.push_back("screen " + std::to_string(r.width) + "x" + std::to_string(r.height) + " t" +
                        std::to_string(r.threshold) + " q" + std::to_string(r.quality));
    }
    void OnPowerOff() override { calls.push_back("power-off"); }
    void OnReboot() override { calls.push_back("reboot"); }
    void OnTeacherHere() override { calls.push_back("teacher-here"); }
    void OnTeacherVisit() override { calls.push_back("visit"); }
    void OnVisitEnd() override { calls.push_back("return"); }
    void OnRunStudentMedia() override { calls.push_back("media"); }
    void OnNoUpdate() override { calls.push_back("no-update"); }
    void OnNotice(int style) override { calls.push_back("notice " + std::to_string(style)); }
    void OnNoticePin() override { calls.push_back("pin"); }
    void OnNoticeUnpin() override { calls.push_back("unpin"); }
    void OnNoticeClose() override { calls.push_back("close"); }
    void OnInputForwardBegin() override { calls.push_back("forward-begin"); }
    void OnInputForwardEnd() override { calls.push_back("forward-end"); }
};

class StudentLog : public StudentMessageHandler {
public:
    std::vector<std::string> calls;
    void OnPresence(const std::string& n) override { calls.push_back("presence " + n); }
    void OnStudentName(const std::string& n) override { calls.push_back("name " + n); }
    void OnHandState(int up) override { calls.push_back("hand-state " + std::to_string(up)); }
    void OnHandUp() override { calls.push_back("hand-up"); }
    void OnHandDown() override { calls.push_back("hand-down"); }
    void OnAnswer(char letter) override { calls.push_back(std::string("answer ") + letter); }
    void OnTextQuestion(const std::string& t) override { calls.push_back("question " + t); }
    void OnRemoteMouse(const MouseRecord& r) override { calls.push_back("mouse " + std::to_string(r.x)); }
    void OnRemoteKey(const KeyRecord& r) override { calls.push_back("key " + std::to_string(r.vk)); }
    void OnTeacherReturn() override { calls.push_back("return"); }
    void OnNoUpdate() override { calls.push_back("no-update"); }
    void OnInputForwardEnd() override { calls.push_back("forward-end"); }
    void OnBye() override { calls.push_back("bye"); }
    void OnOther(int32_t c) override { calls.push_back("other " + std::to_string(c)); }
};

std::vector<uint8_t> Datagram(int32_t command, const std::vector<uint8_t>& payload = {})
{
    std::vector<uint8_t> d(kDatagramSize);
    EncodeDatagram(command, payload.data(), payload.size(), d.data());
    return d;
}

} // namespace

TEST(ClassroomDatagram, IsAlways260BytesWithZerosAfterThePayload)
{
    std::vector<uint8_t> d(kDatagramSize, 0xEE);
    const uint8_t hand[2] = {1, 0};
    EncodeDatagram(CMD_HAND_STATE, hand, 2, d.data());
    EXPECT_EQ((std::vector<uint8_t>{0xF2, 0x03, 0, 0, 1, 0}), std::vector<uint8_t>(d.begin(), d.begin() + 6));
    for (size_t i = 6; i < kDatagramSize; ++i) ASSERT_EQ(0, d[i]) << i;

    EncodeDatagram(CMD_BYE, nullptr, 0, d.data());
    EXPECT_EQ((std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xFF, 0}), std::vector<uint8_t>(d.begin(), d.begin() + 5));

    // A payload longer than the datagram holds is cut, never written past it.
    std::vector<uint8_t> big(400, 'x'), out(kDatagramSize + 8, 0xEE);
    EncodeDatagram(CMD_TEXT_QUESTION, big.data(), big.size(), out.data());
    EXPECT_EQ('x', out[kDatagramSize - 1]);
    EXPECT_EQ(0xEE, out[kDatagramSize]);
}

TEST(ClassroomDatagram, RecordsLieAtTheirOffsets)
{
    uint8_t m[kMouseRecordSize];
    WriteMouseRecord({0x8002, 65535, -2}, m);
    EXPECT_EQ((std::vector<uint8_t>{0x02, 0x80, 0, 0, 0xFF, 0xFF, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF}),
              std::vector<uint8_t>(m, m + 12));
    uint8_t k[kKeyRecordSize];
    WriteKeyRecord({0x41, (int32_t)0xC01E0001}, k);
    EXPECT_EQ((std::vector<uint8_t>{0x41, 0, 0, 0, 0x01, 0, 0x1E, 0xC0}), std::vector<uint8_t>(k, k + 8));

    uint8_t s[kScreenRequestSize];
    WriteScreenRequest({1366, 768, 9, 40}, s);
    EXPECT_EQ((std::vector<uint8_t>{0x56, 5, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 9, 0, 0, 40, 0, 0, 0}),
              std::vector<uint8_t>(s, s + 20));
    // The bytes a request does not define are not read.
    s[8] = s[12] = s[14] = 0x77;
    ScreenRequest r = ReadScreenRequest(s);
    EXPECT_EQ(1366, r.width);
    EXPECT_EQ(768, r.height);
    EXPECT_EQ(9, r.threshold);
    EXPECT_EQ(40, r.quality);
}

TEST(ClassroomDatagram, TeacherCommandsReachTheirHandlers)
{
    TeacherLog log;
    uint8_t mouse[12], key[8], screen[20];
    WriteMouseRecord({0x8001, 100, 200}, mouse);
    WriteKeyRecord({65, 0x1E0001}, key);
    WriteScreenRequest({800, 600, 16, 75}, screen);
    const struct {
        int32_t command;
        std::vector<uint8_t> payload;
    } sent[] = {{CMD_BYE, {}},           {CMD_HAND_DOWN, {}},   {CMD_CLEAR_ANSWER, {}},
                {CMD_REMOTE_MOUSE, {mouse, mouse + 12}},        {CMD_REMOTE_KEY, {key, key + 8}},
                {CMD_SCREEN_REQUEST, {screen, screen + 20}},    {CMD_POWER_OFF, {}},
                {CMD_REBOOT, {}},        {CMD_PRESENCE, {'x'}}, {CMD_TEACHER_HERE, {}},
                {CMD_TEACHER_VISIT, {}}, {CMD_TEACHER_RETURN, {}}, {CMD_RUN_STUDENT_MEDIA, {}},
                {CMD_NO_UPDATE, {}},     {CMD_NOTICE_WAIT, {}}, {CMD_NOTICE_ATTENTION, {}},
                {CMD_NOTICE_PIN, {}},    {CMD_NOTICE_UNPIN, {}}, {CMD_NOTICE_CLOSE, {}},
                {1205, {}},              {CMD_INPUT_FORWARD_BEGIN, {}}, {CMD_INPUT_FORWARD_END, {}},
                {CMD_STUDENT_NAME, {}}};
    for (const auto& s : sent) {
        auto d = Datagram(s.command, s.payload);
        EXPECT_EQ(s.command, DispatchTeacherDatagram(d.data(), d.size(), log));
    }
    EXPECT_EQ((std::vector<std::string>{"bye", "hand-down", "clear-answer", "mouse 32769 100 200",
                                        "key 65 1966081", "screen 800x600 t16 q75", "power-off", "reboot",
                                        "teacher-here", "visit", "return", "media", "no-update", "notice 1",
                                        "notice 0", "pin", "unpin", "close", "forward-begin", "forward-end"}),
              log.calls);
}

TEST(ClassroomDatagram, MissingBytesOfAShortDatagramReadAsZero)
{
    TeacherLog log;
    const uint8_t shortMouse[] = {0x4C, 0x04, 0, 0, 0x02, 0x80, 0, 0, 0x10};
    DispatchTeacherDatagram(shortMouse, sizeof shortMouse, log);
    const uint8_t twoBytes[] = {0xFF, 0xFF};
    EXPECT_EQ(0xFFFF, DispatchTeacherDatagram(twoBytes, 2, log));
    EXPECT_EQ(0, DispatchTeacherDatagram(nullptr, 0, log));
    EXPECT_EQ((std::vector<std::string>{"mouse 32770 16 0"}), log.calls);
}

TEST(ClassroomDatagram, StudentMessagesCarryTheirTextsAndValues)
{
    StudentLog log;
    const std::string name = ComposeStudentName("PC07", "li");
    EXPECT_EQ(8u, name.size());
    auto withNul = Datagram(CMD_STUDENT_NAME, std::vector<uint8_t>(name.c_str(), name.c_str() + name.size() + 1));
    DispatchStudentDatagram(withNul.data(), withNul.size(), log);
    auto presence = Datagram(CMD_PRESENCE, std::vector<uint8_t>(name.begin(), name.end()));
    DispatchStudentDatagram(presence.data(), presence.size(), log);
    auto hand = Datagram(CMD_HAND_STATE, {1, 0});
    DispatchStudentDatagram(hand.data(), hand.size(), log);
    auto answer = Datagram(CMD_ANSWER, {'C'});
    DispatchStudentDatagram(answer.data(), answer.size(), log);
    // A question fills 255 bytes without a NUL.
    auto question = Datagram(CMD_TEXT_QUESTION, std::vector<uint8_t>(255, 'q'));
    DispatchStudentDatagram(question.data(), question.size(), log);
    auto other = Datagram(CMD_SCREEN_REQUEST);
    DispatchStudentDatagram(other.data(), other.size(), log);
    EXPECT_EQ((std::vector<std::string>{"name PC07: li", "presence PC07: li", "hand-state 1", "answer C",
                                        "question " + std::string(255, 'q'), "other 1104"}),
              log.calls);
    EXPECT_EQ(255u, ComposeStudentName(std::string(300, 'h'), "user").size());
}

TEST(ClassroomInput, MousePositionsAndFlagsAsTheHookRecordsThem)
{
    EXPECT_EQ(65535, AbsoluteCoordinate(1023, 1024));
    EXPECT_EQ(65535, AbsoluteCoordinate(767, 768));
    EXPECT_EQ(32799, AbsoluteCoordinate(512, 1024));
    EXPECT_EQ(32810, AbsoluteCoordinate(384, 768));
    EXPECT_EQ(0, AbsoluteCoordinate(5, 1));
    EXPECT_EQ(INT32_MAX, AbsoluteCoordinate(INT32_MAX, 2));
    EXPECT_EQ(0x8001, MouseFlagsForMessage(0x200));
    EXPECT_EQ(0x8002, MouseFlagsForMessage(0x201));
    EXPECT_EQ(0x8004, MouseFlagsForMessage(0x202));
    EXPECT_EQ(0x8008, MouseFlagsForMessage(0x204));
    EXPECT_EQ(0x8010, MouseFlagsForMessage(0x205));
    EXPECT_EQ(0x8000, MouseFlagsForMessage(0x20A));  // wheel
    EXPECT_EQ(0x8000, MouseFlagsForMessage(0x207));  // middle button
}

TEST(ClassroomInput, KeyRecordsReplayWithScanCodeAndFlags)
{
    KeyReplay down = KeyReplayFor({0x141, 0x001E0001});
    EXPECT_EQ(0x41, down.vk);
    EXPECT_EQ(0x1E, down.scan);
    EXPECT_EQ(0u, down.flags);
    KeyReplay upExtended = KeyReplayFor({0x25, (int32_t)0xC14B0001});
    EXPECT_EQ(0x4B, upExtended.scan);
    EXPECT_EQ(3u, upExtended.flags);
}

namespace {
class FrameLog : public ScreenFrameReader::Handler {
public:
    struct Frame {
        int32_t x, y;
        std::vector<uint8_t> jpeg;
    };
    std::vector<Frame> frames;
    void OnFrame(int32_t x, int32_t y, const uint8_t* jpeg, size_t n) override
    {
        frames.push_back({x, y, std::vector<uint8_t>(jpeg, jpeg + n)});
    }
};
} // namespace

TEST(ClassroomScreenStream, FramesArriveWholeFromPiecesOfAnySize)
{
    const std::vector<uint8_t> jpeg = {0xFF, 0xD8, 1, 2, 3, 0xFF, 0xD9};
    auto stream = EncodeScreenFrame(40, 60, jpeg.data(), jpeg.size());
    auto empty = EncodeScreenFrame(0, 0, nullptr, 0);
    EXPECT_EQ(16u, empty.size());
    stream.insert(stream.end(), empty.begin(), empty.end());
    FrameLog log;
    ScreenFrameReader reader(log);
    for (uint8_t b : stream) ASSERT_TRUE(reader.Feed(&b, 1));
    ASSERT_EQ(2u, log.frames.size());
    EXPECT_EQ(40, log.frames[0].x);
    EXPECT_EQ(60, log.frames[0].y);
    EXPECT_EQ(jpeg, log.frames[0].jpeg);
    EXPECT_TRUE(log.frames[1].jpeg.empty());
}

TEST(ClassroomScreenStream, ALengthOutOfBoundsOrAnotherCommandBreaksTheStream)
{
    for (int32_t bad : {-1, (int32_t)(kMaxFrameLength + 1)}) {
        auto stream = EncodeScreenFrame(0, 0, nullptr, 0);
        stream[12] = (uint8_t)bad;
        stream[13] = (uint8_t)(bad >> 8);
        stream[14] = (uint8_t)(bad >> 16);
        stream[15] = (uint8_t)(bad >> 24);
        FrameLog log;
        ScreenFrameReader reader(log);
        EXPECT_FALSE(reader.Feed(stream.data(), stream.size()));
        EXPECT_TRUE(reader.Broken());
        EXPECT_EQ(bad, reader.BadValue());
    }
    auto stream = EncodeScreenFrame(0, 0, nullptr, 0);
    stream[0] = 0x50;  // 1104 instead of 1004
    stream[1] = 0x04;
    FrameLog log;
    ScreenFrameReader reader(log);
    EXPECT_FALSE(reader.Feed(stream.data(), stream.size()));
    EXPECT_EQ(CMD_SCREEN_REQUEST, reader.BadValue());
    EXPECT_FALSE(reader.Feed(stream.data(), stream.size()));
    EXPECT_TRUE(log.frames.empty());
}

TEST(ClassroomScreenStream, RequestsAreReadExactlyAndOtherCommandsDropped)
{
    auto stream = EncodeScreenLinkRequest({1024, 768, 4, 60});
    const uint8_t other[] = {7, 0, 0, 0};
    stream.insert(stream.begin(), other, other + 4);
    ASSERT_EQ(28u, stream.size());
    ScreenRequestReader reader;
    EXPECT_TRUE(reader.Feed(stream.data(), 27).empty());
    auto done = reader.Feed(stream.data() + 27, 1);
    ASSERT_EQ(1u, done.size());
    EXPECT_EQ(1024, done[0].width);
    EXPECT_EQ(60, done[0].quality);
}
