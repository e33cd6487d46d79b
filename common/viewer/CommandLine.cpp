#include "viewer/CommandLine.h"

#include <cstring>

namespace zelvo {

namespace {
void CopyField(char* dst, const char* begin, const char* end)
{
    size_t n = (size_t)(end - begin);
    if (n > kCommandFieldSize - 1) n = kCommandFieldSize - 1;
    std::memcpy(dst, begin, n);
    dst[n] = '\0';
}
} // namespace

uint32_t ViewerCommandLine::window() const
{
    // Leading digits only, wrapping like the platform's handle values do.
    uint32_t v = 0;
    for (const char* p = fields[2]; *p >= '0' && *p <= '9'; ++p) v = v * 10u + (uint32_t)(*p - '0');
    return v;
}

ViewerCommandLine SplitViewerCommandLine(const char* line)
{
    ViewerCommandLine out;
    if (!line || !*line) return out;
    const char* quoteBlank = std::strstr(line, "\" ");
    if (!quoteBlank) {
        CopyField(out.fields[0], line, line + std::strlen(line));
        return out;
    }
    CopyField(out.fields[0], line, quoteBlank + 1);
    const char* p = quoteBlank + 2;
    for (int field = 1; field < kCommandFieldCount; ++field) {
        const char* sep = std::strstr(p, ", ");
        if (!sep) {
            CopyField(out.fields[field], p, p + std::strlen(p));
            break;
        }
        CopyField(out.fields[field], p, sep);
        p = sep + 2;
    }
    return out;
}

} // namespace zelvo
