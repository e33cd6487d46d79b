#include "annotation/MediaNames.h"

#include <cctype>

namespace zelvo {
namespace annotation {

namespace {

size_t NameStart(const std::string& path)
{
    const size_t slash = path.find_last_of("\\/:");
    return slash == std::string::npos ? 0 : slash + 1;
}

std::string Lower(std::string s)
{
    for (char& c : s) c = (char)std::tolower((unsigned char)c);
    return s;
}

} // namespace

std::string FolderOf(const std::string& path) { return path.substr(0, NameStart(path)); }

std::string FileNameOf(const std::string& path) { return path.substr(NameStart(path)); }

std::string StemOf(const std::string& path)
{
    const std::string name = FileNameOf(path);
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string ExtensionOf(const std::string& path)
{
    const std::string name = FileNameOf(path);
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

bool EndsWithNoCase(const std::string& text, const std::string& suffix)
{
    return text.size() >= suffix.size() && Lower(text.substr(text.size() - suffix.size())) == Lower(suffix);
}

std::string MediaCopyName(const std::string& markerPath, const std::string& chosen)
{
    std::string ext = Lower(ExtensionOf(chosen));
    if (ext == ".jpg") ext = ".tsg";
    return FolderOf(markerPath) + StemOf(markerPath) + "-" + StemOf(chosen) + ext;
}

std::string ImageGroupName(const std::string& markerPath, const std::string& firstPicture, int count)
{
    return FolderOf(markerPath) + StemOf(markerPath) + "-" + StemOf(firstPicture) + "#" + std::to_string(count) +
           ".sjp";
}

std::string LinkedCandidate(const std::string& markerPath, const std::string& linked)
{
    return FolderOf(markerPath) + FileNameOf(linked);
}

std::string NumberedName(const std::string& path, int n)
{
    return FolderOf(path) + StemOf(path) + "(" + std::to_string(n) + ")" + ExtensionOf(path);
}

} // namespace annotation
} // namespace zelvo
