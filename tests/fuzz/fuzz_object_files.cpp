// The annotation file and the measurement result file over arbitrary bytes.
// Every record the readers hand on must read back the same once written.
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
        return true;
    }

private:
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
