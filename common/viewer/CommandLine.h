// The viewer's command line: the quoted executable path, a blank, then the
// slide path, the requesting window handle and the slide server address,
// separated by ", ".
#pragma once

#include <cstddef>
#include <cstdint>

namespace zelvo {

constexpr size_t kCommandFieldSize = 256;  // 255 characters and the NUL
constexpr int kCommandFieldCount = 4;      // executable, slide, window, server

struct ViewerCommandLine {
    char fields[kCommandFieldCount][kCommandFieldSize] = {};
    const char* exe() const { return fields[0]; }
    const char* slidePath() const { return fields[1]; }
    const char* windowText() const { return fields[2]; }
    const char* server() const { return fields[3]; }
    // The window field as a number: its leading decimal digits, 0 without any.
    uint32_t window() const;
};

// Splits a command line; nothing is trimmed, longer fields are cut at 255
// characters, fields after the third are ignored and missing ones are empty.
ViewerCommandLine SplitViewerCommandLine(const char* commandLine);

} // namespace zelvo
