// Names and paths of the slide catalogue: folder paths of tree items, the
// server's path prefix, list texts, the viewer's start parameters, and the
// UTF-8 and UTF-16 forms that the server and the wire use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zelvo {
namespace catalog {

// Each level's text followed by "\", from the top down; no levels give "".
std::u16string FolderPath(const std::vector<std::u16string>& levels);
// A tree entry's path up to and including its second "\"; "" with fewer.
std::u16string ServerPathPrefix(const std::u16string& entryPath);
// The text after the last "\" (all of it without one).
std::u16string LastComponent(const std::u16string& path);
// What the list shows of a slide's file name: up to its last ".", so that
// a dotted name keeps its dots; a name without "." shows nothing.
std::u16string ListItemText(const std::u16string& fileName);
// How the servers are asked for a slide, whatever its file's own extension:
// the folder path, the list text and ".jpg"; "" for an empty text.
std::u16string SlideRequestPath(const std::u16string& folderPath, const std::u16string& listText);

// The viewer reads three fields separated by ", ", each of at most 255
// characters; a field holding ", " would shift the others.
constexpr size_t kViewerFieldChars = 255;
enum class ViewerLineResult { ok, emptyPath, separatorInField, fieldTooLong };
ViewerLineResult BuildViewerParameters(const std::u16string& slidePath, uint64_t window,
                                       const std::u16string& server, std::u16string& out);

// Conversions; bytes that are not UTF-8 and lone surrogates become U+FFFD.
std::u16string Utf8ToUtf16(const std::string& text);
std::string Utf16ToUtf8(const std::u16string& text);
std::u16string Ascii16(const char* text);

} // namespace catalog
} // namespace zelvo
