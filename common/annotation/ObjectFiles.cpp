#include "annotation/ObjectFiles.h"

#include <cstring>

namespace zelvo {
namespace annotation {

const char kAnnotationSignature[] = "TessarokV20";
const char kAnnotationSignatureOld[] = "VerdalineMate";
const char kMeasureSignature[] = "RizidAvizudiD20";
const char kMeasureSignatureOld[] = "VerdalineMeasure";

namespace {

bool StartsWith(const uint8_t* text, size_t length, const char* prefix)
{
    const size_t n = std::strlen(prefix);
    return length >= n && std::memcmp(text, prefix, n) == 0;
}

// The signature (its length, then its bytes) and everything behind it.
ReadOutcome ReadSignedBody(ByteReader& in, const char* current, const char* old, IObjectFileHandler& handler)
{
    ReadOutcome outcome;
    const uint32_t length = in.u32();
    if (!in.ok() || length > in.remaining()) {
        outcome.result = ReadResult::malformed;
        return outcome;
    }
    const uint8_t* signature = in.current();
    in.skip(length);
    if (StartsWith(signature, length, current))
        outcome.version = kVersionCurrent;
    else if (StartsWith(signature, length, old))
        outcome.version = kVersionOld;
    else {
        outcome.result = ReadResult::noSignature;
        return outcome;
    }
    handler.OnVersion(outcome.version);

    // Each object takes at least its type id, so a count beyond the bytes
    // ends at the first short read.
    const uint32_t count = in.u32();
    if (!in.ok()) {
        outcome.result = ReadResult::malformed;
        return outcome;
    }
    for (uint32_t i = 0; i < count; ++i) {
        const int32_t type = in.i32();
        if (!in.ok()) {
            outcome.result = ReadResult::malformed;
            return outcome;
        }
        ObjectRecord record;
        if (!RecordForType(type, record)) {
            outcome.result = ReadResult::unknownType;
            outcome.stopType = type;
            return outcome;
        }
        if (!ReadObjectRecord(in, type, outcome.version, record)) {
            outcome.result = ReadResult::malformed;
            return outcome;
        }
        if (!handler.OnObject(type, record)) {
            outcome.result = ReadResult::refused;
            outcome.stopType = type;
            return outcome;
        }
        ++outcome.objectsRead;
    }
    return outcome;
}

} // namespace

ReadOutcome ReadAnnotationFile(const uint8_t* data, size_t size, IObjectFileHandler& handler)
{
    ByteReader in(data, size);
    // The caption's text, whatever its length, as long as the file holds it.
    const uint32_t captionLength = in.u32();
    if (!in.ok() || captionLength > in.remaining()) {
        ReadOutcome outcome;
        outcome.result = ReadResult::malformed;
        return outcome;
    }
    handler.OnCaptionText(std::string(reinterpret_cast<const char*>(in.current()), captionLength));
    in.skip(captionLength);
    return ReadSignedBody(in, kAnnotationSignature, kAnnotationSignatureOld, handler);
}

ReadOutcome ReadMeasureFile(const uint8_t* data, size_t size, IObjectFileHandler& handler)
{
    ByteReader in(data, size);
    return ReadSignedBody(in, kMeasureSignature, kMeasureSignatureOld, handler);
}

void WriteAnnotationHeader(ByteWriter& out, const std::string& caption, uint32_t count)
{
    out.u32((uint32_t)caption.size());
    out.bytes(caption.data(), caption.size());
    out.u32((uint32_t)std::strlen(kAnnotationSignature));
    out.bytes(kAnnotationSignature, std::strlen(kAnnotationSignature));
    out.u32(count);
}

void WriteMeasureHeader(ByteWriter& out, uint32_t count)
{
    out.u32((uint32_t)std::strlen(kMeasureSignature));
    out.bytes(kMeasureSignature, std::strlen(kMeasureSignature));
    out.u32(count);
}

void WriteObject(ByteWriter& out, int32_t type, const ObjectRecord& record)
{
    out.i32(type);
    WriteObjectRecord(out, record);
}

} // namespace annotation
} // namespace zelvo
