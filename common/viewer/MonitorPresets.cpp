#include "viewer/MonitorPresets.h"

#include "bytes/ByteReader.h"

#include <cmath>
#include <cstring>

namespace monitor {

// GB2312 full-width brackets and multiplication sign.
#define LP "\xA3\xA8"
#define RP "\xA3\xA9"
#define TIMES "\xA1\xC1"

const std::array<MonitorPreset, kBuiltInCount>& BuiltInPresets()
{
    static const std::array<MonitorPreset, kBuiltInCount> presets = {{
        MakePreset("15\"LCD" LP "1024" TIMES "768" RP, 304.128f, 228.096f, 0.297f),
        MakePreset("16.1\" UXGA TFT (1600x1200)", 324.763f, 243.572f, 0.203f),
        MakePreset("17\"LCD" LP "1280" TIMES "1024" RP, 337.920f, 270.336f, 0.264f),
        MakePreset("17\"W LCD (1280" TIMES "720)", 372.480f, 209.520f, 0.291f),
        MakePreset("17\"W LCD (1440" TIMES "900)", 367.200f, 229.500f, 0.255f),
        MakePreset("19\"LCD" LP "1280" TIMES "1024" RP, 376.320f, 301.056f, 0.294f),
        MakePreset("19\"W LCD" LP "1440" TIMES "900" RP, 410.400f, 256.500f, 0.285f),
        MakePreset("20\"LCD" LP "1600" TIMES "1200" RP, 408.000f, 306.000f, 0.255f),
        MakePreset("20\"LCD" LP "1400" TIMES "1050" RP, 408.100f, 306.075f, 0.292f),
        MakePreset("20\"W LCD" LP "1680" TIMES "1050" RP, 433.440f, 270.900f, 0.258f),
        MakePreset("21\"LCD" LP "1600" TIMES "1200" RP, 432.000f, 324.000f, 0.270f),
        MakePreset("22\"W LCD" LP "1680" TIMES "1050" RP, 473.760f, 296.100f, 0.282f),
        MakePreset("23\"LCD" LP "1600" TIMES "1200" RP, 470.400f, 352.800f, 0.294f),
        MakePreset("23\"W LCD" LP "1920" TIMES "1200" RP, 495.360f, 309.600f, 0.258f),
        MakePreset("24\"W LCD" LP "1920" TIMES "1200" RP, 518.400f, 324.000f, 0.270f),
        MakePreset("27\"W LCD (1920" TIMES "1200)", 581.760f, 363.600f, 0.303f),
        MakePreset("30\"W LCD" LP "2560" TIMES "1600" RP, 641.280f, 400.800f, 0.250f),
    }};
    return presets;
}

#undef LP
#undef RP
#undef TIMES

void SetName(MonitorPreset& preset, const char* name)
{
    std::memset(preset.name, 0, sizeof preset.name);
    if (!name) return;
    size_t n = strnlen(name, kMaxNameBytes);
    std::memcpy(preset.name, name, n);
}

MonitorPreset MakePreset(const char* name, float width, float height, float dotPitch)
{
    MonitorPreset p{};
    SetName(p, name);
    p.width = width;
    p.height = height;
    p.dotPitch = dotPitch;
    return p;
}

bool SameName(const MonitorPreset& a, const MonitorPreset& b)
{
    return std::strncmp(a.name, b.name, sizeof a.name) == 0;
}

std::array<uint8_t, kRecordSize> Serialize(const MonitorPreset& preset)
{
    std::array<uint8_t, kRecordSize> out{};
    std::memcpy(out.data(), preset.name, sizeof preset.name);
    zelvo::ByteWriter w;
    w.f32(preset.width);
    w.f32(preset.height);
    w.f32(preset.dotPitch);
    std::memcpy(out.data() + 32, w.data().data(), 12);
    return out;
}

bool Parse(const uint8_t* data, size_t size, MonitorPreset& out)
{
    zelvo::ByteReader r(data, size);
    MonitorPreset p{};
    r.read(p.name, sizeof p.name);
    p.width = r.f32();
    p.height = r.f32();
    p.dotPitch = r.f32();
    if (!r.ok()) return false;
    // A stored name is not trusted to be terminated.
    p.name[sizeof p.name - 1] = '\0';
    out = p;
    return true;
}

std::vector<MonitorPreset> ParseList(const uint8_t* data, size_t size, uint32_t storedCount)
{
    std::vector<MonitorPreset> list;
    if (!data) return list;
    size_t count = size / kRecordSize;
    if (storedCount < count) count = storedCount;
    list.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        MonitorPreset p;
        if (!Parse(data + i * kRecordSize, kRecordSize, p)) break;
        list.push_back(p);
    }
    return list;
}

std::vector<uint8_t> SerializeList(const std::vector<MonitorPreset>& list)
{
    std::vector<uint8_t> out;
    out.reserve(list.size() * kRecordSize);
    for (const auto& p : list) {
        auto bytes = Serialize(p);
        out.insert(out.end(), bytes.begin(), bytes.end());
    }
    return out;
}

namespace {
const float kFieldNumbers[kFieldNumberCount] = {0.16f, 0.18f, 0.2f, 0.22f, 0.25f, 0.265f, 0.35f, 0.5f};
}

float FieldNumberByIndex(int index)
{
    if (index < 0 || index >= kFieldNumberCount) return -1.0f;
    return kFieldNumbers[index];
}

int IndexOfFieldNumber(float value)
{
    int n = 0;
    for (float f : kFieldNumbers)
        if (f < value) ++n;
    return n;
}

double DiagonalInches(double widthMm, double heightMm)
{
    return std::sqrt(widthMm * widthMm + heightMm * heightMm) / 25.4;
}

int SliderPositionForDiagonal(double inches)
{
    double v = inches * 100.0;
    if (!(v > -2147483648.0 && v < 2147483647.0)) return 0;
    return (int)v;
}

double MillimetresPerPixel(double inches, int screenWidthPx, int screenHeightPx)
{
    double px = std::sqrt((double)screenWidthPx * screenWidthPx + (double)screenHeightPx * screenHeightPx);
    if (px <= 0.0) return 0.0;
    return inches * 25.4 / px;
}

} // namespace monitor
