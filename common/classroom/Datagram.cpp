#include "classroom/Datagram.h"

#include "bytes/ByteReader.h"

#include <cstring>

namespace zelvo {
namespace classroom {

namespace {

void PutI32(uint8_t* out, int32_t v)
{
    for (int i = 0; i < 4; ++i) out[i] = (uint8_t)((uint32_t)v >> (8 * i));
}

int32_t GetI32(const uint8_t* p)
{
    return (int32_t)((uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24));
}

// A NUL-terminated text in the payload; the payload need not hold a NUL.
std::string PayloadText(const UdpDatagram& d)
{
    ByteReader r(d.payload, kPayloadSize);
    return r.fixedText(kPayloadSize);
}

} // namespace

void EncodeDatagram(int32_t command, const void* data, size_t len, uint8_t out[kDatagramSize])
{
    if (len > kPayloadSize) len = kPayloadSize;
    std::memset(out, 0, kDatagramSize);
    PutI32(out, command);
    if (data && len) std::memcpy(out + 4, data, len);
}

UdpDatagram DecodeDatagram(const void* bytes, size_t n)
{
    uint8_t raw[kDatagramSize] = {};
    if (bytes) std::memcpy(raw, bytes, n < kDatagramSize ? n : kDatagramSize);
    UdpDatagram d;
    d.command = GetI32(raw);
    std::memcpy(d.payload, raw + 4, kPayloadSize);
    return d;
}

void WriteMouseRecord(const MouseRecord& r, uint8_t out[kMouseRecordSize])
{
    PutI32(out, r.flags);
    PutI32(out + 4, r.x);
    PutI32(out + 8, r.y);
}

MouseRecord ReadMouseRecord(const uint8_t* payload)
{
    return MouseRecord{GetI32(payload), GetI32(payload + 4), GetI32(payload + 8)};
}

void WriteKeyRecord(const KeyRecord& r, uint8_t out[kKeyRecordSize])
{
    PutI32(out, r.vk);
    PutI32(out + 4, r.flags);
}

KeyRecord ReadKeyRecord(const uint8_t* payload)
{
    return KeyRecord{GetI32(payload), GetI32(payload + 4)};
}

void WriteScreenRequest(const ScreenRequest& r, uint8_t out[kScreenRequestSize])
{
    std::memset(out, 0, kScreenRequestSize);
    PutI32(out, r.width);
    PutI32(out + 4, r.height);
    out[13] = r.threshold;
    PutI32(out + 16, r.quality);
}

ScreenRequest ReadScreenRequest(const uint8_t* payload)
{
    ScreenRequest r;
    r.width = GetI32(payload);
    r.height = GetI32(payload + 4);
    r.threshold = payload[13];
    r.quality = GetI32(payload + 16);
    return r;
}

int32_t DispatchTeacherDatagram(const void* bytes, size_t n, TeacherCommandHandler& h)
{
    const UdpDatagram d = DecodeDatagram(bytes, n);
    switch (d.command) {
    case CMD_BYE: h.OnBye(); break;
    case CMD_HAND_DOWN: h.OnHandDown(); break;
    case CMD_CLEAR_ANSWER: h.OnClearAnswer(); break;
    case CMD_REMOTE_MOUSE: h.OnRemoteMouse(ReadMouseRecord(d.payload)); break;
    case CMD_REMOTE_KEY: h.OnRemoteKey(ReadKeyRecord(d.payload)); break;
    case CMD_SCREEN_REQUEST: h.OnScreenRequest(ReadScreenRequest(d.payload)); break;
    case CMD_POWER_OFF: h.OnPowerOff(); break;
    case CMD_REBOOT: h.OnReboot(); break;
    case CMD_TEACHER_HERE: h.OnTeacherHere(); break;
    case CMD_TEACHER_VISIT: h.OnTeacherVisit(); break;
    case CMD_TEACHER_RETURN: h.OnVisitEnd(); break;
    case CMD_RUN_STUDENT_MEDIA: h.OnRunStudentMedia(); break;
    case CMD_NO_UPDATE: h.OnNoUpdate(); break;
    case CMD_NOTICE_WAIT: h.OnNotice(1); break;
    case CMD_NOTICE_ATTENTION: h.OnNotice(0); break;
    case CMD_NOTICE_PIN: h.OnNoticePin(); break;
    case CMD_NOTICE_UNPIN: h.OnNoticeUnpin(); break;
    case CMD_NOTICE_CLOSE: h.OnNoticeClose(); break;
    case CMD_INPUT_FORWARD_BEGIN: h.OnInputForwardBegin(); break;
    case CMD_INPUT_FORWARD_END: h.OnInputForwardEnd(); break;
    default: break;  // presence broadcasts, this student's own included, and the unknown
    }
    return d.command;
}

int32_t DispatchStudentDatagram(const void* bytes, size_t n, StudentMessageHandler& h)
{
    const UdpDatagram d = DecodeDatagram(bytes, n);
    switch (d.command) {
    case CMD_PRESENCE: h.OnPresence(PayloadText(d)); break;
    case CMD_STUDENT_NAME: h.OnStudentName(PayloadText(d)); break;
    case CMD_HAND_STATE: h.OnHandState((int)(d.payload[0] | (d.payload[1] << 8))); break;
    case CMD_HAND_UP: h.OnHandUp(); break;
    case CMD_HAND_DOWN: h.OnHandDown(); break;
    case CMD_ANSWER: h.OnAnswer((char)d.payload[0]); break;
    case CMD_TEXT_QUESTION: h.OnTextQuestion(PayloadText(d)); break;
    case CMD_REMOTE_MOUSE: h.OnRemoteMouse(ReadMouseRecord(d.payload)); break;
    case CMD_REMOTE_KEY: h.OnRemoteKey(ReadKeyRecord(d.payload)); break;
    case CMD_TEACHER_RETURN: h.OnTeacherReturn(); break;
    case CMD_NO_UPDATE: h.OnNoUpdate(); break;
    case CMD_INPUT_FORWARD_END: h.OnInputForwardEnd(); break;
    case CMD_BYE: h.OnBye(); break;
    default: h.OnOther(d.command); break;
    }
    return d.command;
}

std::string ComposeStudentName(const std::string& host, const std::string& user)
{
    std::string name = host + ": " + user;
    if (name.size() > kMaxTextLength) name.resize(kMaxTextLength);
    return name;
}

} // namespace classroom
} // namespace zelvo
