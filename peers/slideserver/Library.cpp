#include "Library.h"

#include <fstream>

#include <algorithm>
#include <filesystem>
#include <set>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace zelvo {
namespace slideserver {

namespace {

std::string Lower(std::string s)
{
    for (char& c : s) c = (char)std::tolower((unsigned char)c);
    return s;
}

bool EndsWith(const std::string& s, const std::string& tail)
{
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

const std::set<std::string>& SlideExtensions()
{
    static const std::set<std::string> kExt = {".svs", ".tif", ".tiff", ".ndpi", ".vms", ".vmu", ".scn",
                                               ".mrxs", ".svslide", ".bif", ".jpg", ".jpeg", ".bmp"};
    return kExt;
}

bool IsPictureExtension(const std::string& ext) { return ext == ".jpg" || ext == ".jpeg" || ext == ".bmp"; }

constexpr int kMaxDepth = 8;
constexpr size_t kMaxEntries = 200000;

} // namespace

bool Library::Index(const std::string& root, std::string& error)
{
    std::error_code ec;
    fs::path canon = fs::canonical(root, ec);
    if (ec || !fs::is_directory(canon, ec)) {
        error = "not a folder: " + root;
        return false;
    }
    m_root = canon.string();
    m_byName.clear();
    m_byFileName.clear();
    m_media.clear();
    m_slideFiles.clear();
    m_folders.clear();

    std::vector<fs::path> files;
    size_t seen = 0;
    fs::recursive_directory_iterator it(canon, fs::directory_options::skip_permission_denied, ec), end;
    for (; !ec && it != end && seen < kMaxEntries; it.increment(ec), ++seen) {
        if (it.depth() >= kMaxDepth) it.disable_recursion_pending();
        // Symbolic links could lead out of the library.
        if (it->is_symlink(ec)) {
            if (it->is_directory(ec)) it.disable_recursion_pending();
            continue;
        }
        if (it.depth() == 0 && it->is_directory(ec) && it->path().filename() == kMediaFolder) {
            it.disable_recursion_pending();
            continue;
        }
        if (it->is_regular_file(ec)) files.push_back(it->path());
        else if (it->is_directory(ec)) m_folders.push_back(it->path().string());
    }
    std::sort(files.begin(), files.end());
    std::sort(m_folders.begin(), m_folders.end());
    for (const fs::path& p : files) {
        std::string name = p.filename().string();
        std::string lower = Lower(name);
        if (EndsWith(lower, kMarksSuffix)) continue;
        std::string ext = Lower(p.extension().string());
        if (!SlideExtensions().count(ext)) continue;
        std::string stem = Lower(p.stem().string());
        auto found = m_byName.find(stem);
        // A whole slide wins over a picture of the same name.
        if (found == m_byName.end() ||
            (IsPictureExtension(Lower(fs::path(found->second).extension().string())) && !IsPictureExtension(ext)))
            m_byName[stem] = p.string();
        m_byFileName.emplace(lower, p.string());
        m_slideFiles.push_back(p.string());
    }
    fs::path media = canon / kMediaFolder;
    if (fs::is_directory(media, ec)) {
        size_t count = 0;
        for (fs::directory_iterator m(media, ec); !ec && m != fs::directory_iterator() && count < kMaxEntries;
             m.increment(ec), ++count) {
            if (m->is_symlink(ec) || !m->is_regular_file(ec)) continue;
            m_media.emplace(Lower(m->path().filename().string()), m->path().string());
        }
    }
    return true;
}

std::string Library::LastComponent(const std::string& path)
{
    size_t cut = path.find_last_of("\\/");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string Library::ResolveSlide(const std::string& wirePath) const
{
    std::string last = Lower(LastComponent(wirePath));
    if (last.empty()) return "";
    if (EndsWith(last, ".jpg")) {
        std::string name = last.substr(0, last.size() - 4);
        auto it = m_byName.find(name);
        if (it != m_byName.end()) return it->second;
        // An item named with its own extension.
        it = m_byFileName.find(name);
        if (it != m_byFileName.end()) return it->second;
    }
    auto it = m_byFileName.find(last);
    if (it != m_byFileName.end()) return it->second;
    it = m_byName.find(last);
    return it != m_byName.end() ? it->second : "";
}

std::string Library::ResolveMedia(const std::string& wirePath) const
{
    auto it = m_media.find(Lower(LastComponent(wirePath)));
    return it != m_media.end() ? it->second : "";
}

std::string Library::MarksPath(const std::string& slidePath, bool user)
{
    fs::path p(slidePath);
    return (p.parent_path() / p.stem()).string() + (user ? kUserMarksSuffix : kMarksSuffix);
}

bool ReadWholeFile(const std::string& path, size_t limit, std::vector<uint8_t>& out)
{
    std::ifstream f(path, std::ios::binary);
    if (!f) return false;
    f.seekg(0, std::ios::end);
    std::streamoff size = f.tellg();
    if (size < 0 || (uint64_t)size > limit) return false;
    f.seekg(0);
    out.resize((size_t)size);
    return (bool)f.read(reinterpret_cast<char*>(out.data()), size);
}

} // namespace slideserver
} // namespace zelvo
