// The annotation file (also the slide server's annotation payload and the
// user's marker files) and the measurement result file: a header, a count,
// then each object as its type id and its record. The readers hand every
// object to a handler as it is read, so that what was read before a fault
// stays with the caller.
#pragma once

#include "annotation/ObjectRecords.h"
#include "bytes/ByteReader.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace zelvo {
namespace annotation {

extern const char kAnnotationSignature[];     // "TessarokV20", version 2
extern const char kAnnotationSignatureOld[];  // "VerdalineMate", version 0
extern const char kMeasureSignature[];        // "RizidAvizudiD20", version 2
extern const char kMeasureSignatureOld[];     // "VerdalineMeasure", version 0

enum class ReadResult {
    ok,           // every object the file announced was read
    noSignature,  // neither signature: the file holds no objects for us
    malformed,    // a short or refused header or record: reading stopped there
    unknownType,  // a type id without a known record: reading stopped there
    refused,      // the handler did not take an object: reading stopped there
};

struct ReadOutcome {
    ReadResult result = ReadResult::ok;
    int version = -1;          // -1 until a signature matched
    uint32_t objectsRead = 0;  // objects handed to the handler
    int32_t stopType = 0;      // the type id reading stopped at (unknownType, refused)
};

class IObjectFileHandler {
public:
    virtual ~IObjectFileHandler() = default;
    // The annotation file's copy of its caption's text (GB2312 bytes).
    virtual void OnCaptionText(const std::string& text) {}
    virtual void OnVersion(int version) {}
    // One object; false when it cannot be taken, which ends the read.
    virtual bool OnObject(int32_t type, const ObjectRecord& record) = 0;
};

ReadOutcome ReadAnnotationFile(const uint8_t* data, size_t size, IObjectFileHandler& handler);
ReadOutcome ReadMeasureFile(const uint8_t* data, size_t size, IObjectFileHandler& handler);

// Writing: the header with the number of objects, then each object.
void WriteAnnotationHeader(ByteWriter& out, const std::string& caption, uint32_t count);
void WriteMeasureHeader(ByteWriter& out, uint32_t count);
void WriteObject(ByteWriter& out, int32_t type, const ObjectRecord& record);

} // namespace annotation
} // namespace zelvo
