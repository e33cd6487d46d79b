// Everything the classroom channel parses from the network, on arbitrary bytes.
#include "classroom/Datagram.h"
#include "classroom/ScreenStream.h"

#include <cstddef>
#include <cstdint>

using namespace zelvo::classroom;

namespace {

struct Teacher : TeacherCommandHandler {
    void OnBye() override {}
    void OnHandDown() override {}
    void OnClearAnswer() override {}
    void OnRemoteMouse(const MouseRecord&) override {}
    void OnRemoteKey(const KeyRecord&) override {}
    void OnScreenRequest(const ScreenRequest&) override {}
    void OnPowerOff() override {}
    void OnReboot() override {}
    void OnTeacherHere() override {}
    void OnTeacherVisit() override {}
    void OnVisitEnd() override {}
    void OnRunStudentMedia() override {}
    void OnNoUpdate() override {}
    void OnNotice(int) override {}
    void OnNoticePin() override {}
    void OnNoticeUnpin() override {}
    void OnNoticeClose() override {}
    void OnInputForwardBegin() override {}
    void OnInputForwardEnd() override {}
};

struct Student : StudentMessageHandler {
    void OnPresence(const std::string& n) override { Check(n); }
    void OnStudentName(const std::string& n) override { Check(n); }
    void OnHandState(int) override {}
    void OnHandUp() override {}
    void OnHandDown() override {}
    void OnAnswer(char) override {}
    void OnTextQuestion(const std::string& t) override { Check(t); }
    void OnRemoteMouse(const MouseRecord&) override {}
    void OnRemoteKey(const KeyRecord&) override {}
    void OnTeacherReturn() override {}
    void OnNoUpdate() override {}
    void OnInputForwardEnd() override {}
    void OnBye() override {}
    void OnOther(int32_t) override {}
    static void Check(const std::string& s)
    {
        if (s.size() > kPayloadSize) __builtin_trap();
    }
};

struct Frames : ScreenFrameReader::Handler {
    void OnFrame(int32_t, int32_t, const uint8_t*, size_t length) override
    {
        if (length > kMaxFrameLength) __builtin_trap();
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Teacher teacher;
    Student student;
    DispatchTeacherDatagram(data, size, teacher);
    DispatchStudentDatagram(data, size, student);
    // The streams in uneven pieces, as TCP may hand them over.
    Frames frames;
    ScreenFrameReader frameReader(frames);
    ScreenRequestReader requestReader;
    for (size_t pos = 0, step = 1; pos < size; pos += step, step = step * 2 % 37 + 1) {
        size_t n = step < size - pos ? step : size - pos;
        frameReader.Feed(data + pos, n);
        for (const auto& r : requestReader.Feed(data + pos, n)) (void)r;
    }
    return 0;
}
