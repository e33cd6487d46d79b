// The slide library folder: slides indexed by name at start, the marks files
// beside them and the media folder. Only indexed files are ever served.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace zelvo {
namespace slideserver {

// Marks of slide "<dir>/<name>.<ext>" are "<dir>/<name>.mrk" (published) and
// "<dir>/<name>.user.mrk" (user's); media files live in "<library>/media/".
constexpr const char* kMarksSuffix = ".mrk";
constexpr const char* kUserMarksSuffix = ".user.mrk";
constexpr const char* kMediaFolder = "media";

class Library {
public:
    // Indexes the folder (bounded depth and count). False when it is no folder.
    bool Index(const std::string& root, std::string& error);

    // A wire path (Windows path, ".jpg" appended by the catalogue client) to
    // a slide file of the library; empty when none matches.
    std::string ResolveSlide(const std::string& wirePath) const;
    // A media file by the file name of the wire path; empty when none.
    std::string ResolveMedia(const std::string& wirePath) const;

    static std::string MarksPath(const std::string& slidePath, bool user);
    // The last component of a Windows or POSIX path.
    static std::string LastComponent(const std::string& path);

    size_t slideCount() const { return m_byName.size(); }
    const std::string& root() const { return m_root; }
    // Every slide file (sorted by path) and every folder below the root
    // (sorted, media left out), as the catalogue lists them.
    const std::vector<std::string>& slideFiles() const { return m_slideFiles; }
    const std::vector<std::string>& folders() const { return m_folders; }

private:
    std::string m_root;
    std::map<std::string, std::string> m_byName;     // lower-case name without extension
    std::map<std::string, std::string> m_byFileName; // lower-case file name
    std::map<std::string, std::string> m_media;      // lower-case file name
    std::vector<std::string> m_slideFiles;
    std::vector<std::string> m_folders;
};

// Reads a whole file of at most limit bytes; false when it cannot or is larger.
bool ReadWholeFile(const std::string& path, size_t limit, std::vector<uint8_t>& out);

} // namespace slideserver
} // namespace zelvo
