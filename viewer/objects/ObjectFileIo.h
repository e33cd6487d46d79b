// Moving the object files (annotations, measurement results) between disk
// and memory; the portable core reads and writes their bytes.
#pragma once

#include "Framework.h"

#include "annotation/ObjectFiles.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// The most the viewer reads of one object file; a file of objects is a few
// kilobytes, so anything near this is not one.
constexpr size_t kMaxObjectFileBytes = size_t(64) << 20;

// What is left of an open file from its position, at most kMaxObjectFileBytes.
std::vector<uint8_t> ReadRestOfFile(CFile& file);

// Reads a whole file; false when it cannot be opened for reading.
bool ReadWholeFile(LPCTSTR path, std::vector<uint8_t>& out);

// Writes a temporary file beside path and moves it over path, so that a
// failed write leaves the old file as it was. False (and a message) on failure.
bool WriteFileReplacing(LPCTSTR path, const std::vector<uint8_t>& bytes, HWND owner);

// Tells the user once when the read stopped short of a file's objects: a
// damaged record, an object that could not be made from its record, or a
// kind of object whose record is not known.
void ReportObjectFileRead(const zelvo::annotation::ReadOutcome& outcome, HWND owner);

// The message for an object record that cannot be read.
extern const char kBadRecordText[];
