// Monitor records of the screen calibration: their 44-byte stored layout, the
// built-in list, the eyepiece field-number table and the diagonal arithmetic.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Name (GB2312, NUL-terminated) and the visible screen size in millimetres.
// The same 44 bytes are what the registry holds.
struct MonitorPreset {
    char name[32];
    float width;     // mm
    float height;    // mm
    float dotPitch;  // mm
};
static_assert(sizeof(MonitorPreset) == 44, "MonitorPreset is a stored record");
static_assert(offsetof(MonitorPreset, width) == 32, "MonitorPreset layout");
static_assert(offsetof(MonitorPreset, height) == 36, "MonitorPreset layout");
static_assert(offsetof(MonitorPreset, dotPitch) == 40, "MonitorPreset layout");

namespace monitor {

constexpr size_t kRecordSize = 44;
constexpr size_t kMaxNameBytes = 31;
constexpr int kBuiltInCount = 17;
constexpr int kFieldNumberCount = 8;

// The list used whenever none is stored.
const std::array<MonitorPreset, kBuiltInCount>& BuiltInPresets();

// A record with the given name (cut to 31 bytes) and sizes.
MonitorPreset MakePreset(const char* name, float width, float height, float dotPitch);
// Replaces the name, cut to 31 bytes; the rest of the field is zeroed.
void SetName(MonitorPreset& preset, const char* name);
bool SameName(const MonitorPreset& a, const MonitorPreset& b);

// Stored bytes of one record, little-endian.
std::array<uint8_t, kRecordSize> Serialize(const MonitorPreset& preset);
// Reads one record from exactly 44 bytes; false when fewer are given. The
// name always ends in NUL, whatever the bytes held.
bool Parse(const uint8_t* data, size_t size, MonitorPreset& out);

// The stored list: at most storedCount records, and never more than the
// bytes really hold.
std::vector<MonitorPreset> ParseList(const uint8_t* data, size_t size, uint32_t storedCount);
std::vector<uint8_t> SerializeList(const std::vector<MonitorPreset>& list);

// Eyepiece field numbers in metres of on-screen field: 0..7, else -1.
float FieldNumberByIndex(int index);
// How many table entries are strictly smaller than value (0..8).
int IndexOfFieldNumber(float value);

// Screen diagonal in inches from the visible size in mm.
double DiagonalInches(double widthMm, double heightMm);
// Slider position: the diagonal in hundredths of an inch, truncated.
int SliderPositionForDiagonal(double inches);
// Millimetres per screen pixel when the screen's diagonal is the given
// number of inches; 0 for a screen without pixels.
double MillimetresPerPixel(double inches, int screenWidthPx, int screenHeightPx);

} // namespace monitor
