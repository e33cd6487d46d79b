// Wire code of the classroom command channel between the student client and
// the teacher station: the fixed 260-byte datagram, its command numbers, the
// input and screen request records it carries, and the decoding of what each
// side receives into calls on a handler.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zelvo {
namespace classroom {

constexpr size_t kDatagramSize = 260;
constexpr size_t kPayloadSize = 256;
constexpr uint16_t kDiscoveryPort = 5155;
constexpr uint16_t kCommandPort = 5667;
constexpr uint16_t kScreenPort = 200;
// The student name and a question are texts of at most this many bytes.
constexpr size_t kMaxTextLength = 255;

// Commands, both directions.
constexpr int32_t CMD_BYE = -1;
constexpr int32_t CMD_STUDENT_NAME = 1;
constexpr int32_t CMD_HAND_UP = 1002;
constexpr int32_t CMD_HAND_DOWN = 1003;
constexpr int32_t CMD_SCREEN_FRAME = 1004;
constexpr int32_t CMD_TEXT_QUESTION = 1005;
constexpr int32_t CMD_HAND_STATE = 1010;
constexpr int32_t CMD_ANSWER = 1020;
constexpr int32_t CMD_CLEAR_ANSWER = 1021;
constexpr int32_t CMD_REMOTE_MOUSE = 1100;
constexpr int32_t CMD_REMOTE_KEY = 1101;
constexpr int32_t CMD_SCREEN_REQUEST = 1104;
constexpr int32_t CMD_POWER_OFF = 1106;
constexpr int32_t CMD_REBOOT = 1107;
constexpr int32_t CMD_PRESENCE = 1108;
constexpr int32_t CMD_TEACHER_HERE = 1109;
constexpr int32_t CMD_TEACHER_VISIT = 1110;
constexpr int32_t CMD_TEACHER_RETURN = 1111;
constexpr int32_t CMD_RUN_STUDENT_MEDIA = 1113;
constexpr int32_t CMD_NO_UPDATE = 1114;
constexpr int32_t CMD_NOTICE_WAIT = 1200;
constexpr int32_t CMD_NOTICE_ATTENTION = 1201;
constexpr int32_t CMD_NOTICE_PIN = 1202;
constexpr int32_t CMD_NOTICE_UNPIN = 1203;
constexpr int32_t CMD_NOTICE_CLOSE = 1204;
constexpr int32_t CMD_INPUT_FORWARD_BEGIN = 1206;
constexpr int32_t CMD_INPUT_FORWARD_END = 1207;

// The datagram as it lies in memory and on the wire.
struct UdpDatagram {
    int32_t command;
    uint8_t payload[kPayloadSize];
};
static_assert(sizeof(UdpDatagram) == kDatagramSize, "a datagram is 260 bytes");

// mouse_event flags, x and y on the 0..65535 scale of the primary screen.
struct MouseRecord {
    int32_t flags = 0;
    int32_t x = 0;
    int32_t y = 0;
};
constexpr size_t kMouseRecordSize = 12;

// Virtual key and keyboard-hook key flags (scan code in bits 16-23,
// extended bit 24, key-up bit 31).
struct KeyRecord {
    int32_t vk = 0;
    int32_t flags = 0;
};
constexpr size_t kKeyRecordSize = 8;

struct ScreenRequest {
    int32_t width = 0;
    int32_t height = 0;
    uint8_t threshold = 0;
    int32_t quality = 0;
};
constexpr size_t kScreenRequestSize = 20;

// Fills out with command, the first len bytes of data (len is cut to the
// payload) and zeros up to 260 bytes.
void EncodeDatagram(int32_t command, const void* data, size_t len, uint8_t out[kDatagramSize]);
// The datagram in n received bytes; bytes missing from a short datagram read
// as zero, bytes beyond 260 are not looked at.
UdpDatagram DecodeDatagram(const void* bytes, size_t n);

void WriteMouseRecord(const MouseRecord& r, uint8_t out[kMouseRecordSize]);
MouseRecord ReadMouseRecord(const uint8_t* payload);
void WriteKeyRecord(const KeyRecord& r, uint8_t out[kKeyRecordSize]);
KeyRecord ReadKeyRecord(const uint8_t* payload);
// The bytes that a request does not define are written as zero.
void WriteScreenRequest(const ScreenRequest& r, uint8_t out[kScreenRequestSize]);
ScreenRequest ReadScreenRequest(const uint8_t* payload);

// What the student client obeys.
class TeacherCommandHandler {
public:
    virtual ~TeacherCommandHandler() = default;
    virtual void OnBye() = 0;
    virtual void OnHandDown() = 0;
    virtual void OnClearAnswer() = 0;
    virtual void OnRemoteMouse(const MouseRecord& r) = 0;
    virtual void OnRemoteKey(const KeyRecord& r) = 0;
    virtual void OnScreenRequest(const ScreenRequest& r) = 0;
    virtual void OnPowerOff() = 0;
    virtual void OnReboot() = 0;
    virtual void OnTeacherHere() = 0;
    virtual void OnTeacherVisit() = 0;
    // CMD_TEACHER_RETURN from the teacher: the visit is over.
    virtual void OnVisitEnd() = 0;
    virtual void OnRunStudentMedia() = 0;
    virtual void OnNoUpdate() = 0;
    // style 1: wait notice, 0: attention notice.
    virtual void OnNotice(int style) = 0;
    virtual void OnNoticePin() = 0;
    virtual void OnNoticeUnpin() = 0;
    virtual void OnNoticeClose() = 0;
    virtual void OnInputForwardBegin() = 0;
    virtual void OnInputForwardEnd() = 0;
};
// Calls the handler for the command of a datagram from the teacher station;
// presence broadcasts and unknown commands call nothing. Returns the command.
int32_t DispatchTeacherDatagram(const void* bytes, size_t n, TeacherCommandHandler& h);

// What the teacher station hears from students.
class StudentMessageHandler {
public:
    virtual ~StudentMessageHandler() = default;
    virtual void OnPresence(const std::string& name) = 0;
    virtual void OnStudentName(const std::string& name) = 0;
    virtual void OnHandState(int handUp) = 0;
    virtual void OnHandUp() = 0;
    virtual void OnHandDown() = 0;
    virtual void OnAnswer(char letter) = 0;
    virtual void OnTextQuestion(const std::string& text) = 0;
    virtual void OnRemoteMouse(const MouseRecord& r) = 0;
    virtual void OnRemoteKey(const KeyRecord& r) = 0;
    virtual void OnTeacherReturn() = 0;
    virtual void OnNoUpdate() = 0;
    virtual void OnInputForwardEnd() = 0;
    virtual void OnBye() = 0;
    virtual void OnOther(int32_t command) = 0;
};
int32_t DispatchStudentDatagram(const void* bytes, size_t n, StudentMessageHandler& h);

// Host name, ": " and user name, cut to 255 bytes.
std::string ComposeStudentName(const std::string& host, const std::string& user);

} // namespace classroom
} // namespace zelvo
