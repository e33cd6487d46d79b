// Names of the files that media hot spots link: the copy of a chosen file
// and the image-group file beside the marker file, and where a linked file
// is looked for. Paths use backslashes (slashes are taken as well).
#pragma once

#include <string>

namespace zelvo {
namespace annotation {

// Drive and folder with the trailing separator; empty for a bare name.
std::string FolderOf(const std::string& path);
// Name and extension.
std::string FileNameOf(const std::string& path);
// Name without extension.
std::string StemOf(const std::string& path);
// The extension with its dot; empty when the name has none.
std::string ExtensionOf(const std::string& path);
bool EndsWithNoCase(const std::string& text, const std::string& suffix);

// The copy of a chosen file beside the marker file: marker folder, marker
// name, "-", chosen name, chosen extension in lower case (".jpg" as ".tsg").
std::string MediaCopyName(const std::string& markerPath, const std::string& chosen);
// The image-group file of count pictures starting with firstPicture.
std::string ImageGroupName(const std::string& markerPath, const std::string& firstPicture, int count);
// Where a linked file is looked for first: the marker's folder.
std::string LinkedCandidate(const std::string& markerPath, const std::string& linked);
// The n-th other name for a path taken by another file: "name(n).ext".
std::string NumberedName(const std::string& path, int n);

} // namespace annotation
} // namespace zelvo
