// The annotation file and the measurement result file over arbitrary bytes.
// Every record the readers hand on must read back the same once written;
// the frame of every framed shape read is built with its outlines and
// figures, within bounded size.
#include "annotation/FramedShapes.h"
#include "annotation/ObjectFiles.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace zelvo;
using namespace zelvo::annotation;

namespace {

class RoundTrip : public IObjectFileHandler {
public:
    explicit RoundTrip(int* version) : m_version(version) {}
    void OnVersion(int version) override { *m_version = version; }
    bool OnObject(int32_t type, const ObjectRecord& record) override
    {
        ByteWriter first;
        WriteObjectRecord(first, record);
        ByteReader in(first.data().data(), first.size());
        ObjectRecord again;
        if (!ReadObjectRecord(in, type, kVersionCurrent, again) || in.remaining() != 0) std::abort();
        ByteWriter second;
        WriteObjectRecord(second, again);
        if (second.data() != first.data()) std::abort();
        if (const FramedRecord* framed = std::get_if<FramedRecord>(&record)) Shape(*framed);
        return true;
    }

private:
    static void Shape(const FramedRecord& record)
    {
        Frame f{};
        for (int i = 0; i < 4; ++i) f.handles[i] = record.Handle(i);
        BuildFrame(f);
        int32_t a, b;
        HalfAxes(f, &a, &b);
        for (std::vector<geom::Point> outline : {EllipseOutline(a, b), BracketOutline(a, b), ArrowOutline(a, b)}) {
            if (outline.size() > size_t(kMaxCurvePoints) + 4) std::abort();
            RotateOutline(outline, f.handles[0], f.handles[1]);
        }
        (void)RectangleResults(f, 1000000, 3000000);
        (void)EllipseResults(f, 0, 1);
    }

    int* m_version;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    int version = -1;
    RoundTrip handler(&version);
    ReadAnnotationFile(data, size, handler);
    ReadMeasureFile(data, size, handler);
    return 0;
}
