#include "Catalogue.h"

#include "Imaging.h"
#include "Server.h"
#include "catalogue/CatalogNames.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <thread>

namespace fs = std::filesystem;

namespace zelvo {
namespace catalogueserver {

using catalog::Utf16ToUtf8;
using catalog::Utf8ToUtf16;
using namespace slideserver;

namespace {

// "A/B" on disk is "A\B" on the wire.
std::string ToWire(std::string relative)
{
    std::replace(relative.begin(), relative.end(), '/', '\\');
    return relative;
}

std::string Lower(std::string s)
{
    for (char& c : s) c = (char)std::tolower((unsigned char)c);
    return s;
}

std::string Relative(const std::string& root, const std::string& path)
{
    std::error_code ec;
    std::string rel = fs::path(path).lexically_relative(root).generic_string();
    return rel == "." ? std::string() : rel;
}

std::u16string Text(const char* fmt, double a, double b)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, fmt, a, b);
    return Utf8ToUtf16(buf);
}

std::vector<uint8_t> PlainPicture(int w, int h, uint8_t grey, int quality)
{
    RgbImage img;
    img.width = w;
    img.height = h;
    img.pixels.assign((size_t)w * h * 3, grey);
    std::vector<uint8_t> jpeg;
    EncodeJpeg(img, quality, jpeg);
    return jpeg;
}

// The whole slide, its longest edge `edge` pixels (smaller pictures keep their size).
bool RenderWhole(const SlideSource& src, int edge, int quality, std::vector<uint8_t>& jpeg)
{
    int64_t w = std::max<int64_t>(1, src.width()), h = std::max<int64_t>(1, src.height());
    double f = std::min(1.0, (double)edge / (double)std::max(w, h));
    int tw = (int)std::max<int64_t>(1, std::llround(w * f)), th = (int)std::max<int64_t>(1, std::llround(h * f));
    RgbImage img;
    return RenderRegion(src, 0, 0, tw, th, f, f, img) && EncodeJpeg(img, quality, jpeg);
}

} // namespace

Catalogue::Catalogue(const Library& library, CatalogueOptions options) : m_options(std::move(options))
{
    const std::string& root = library.root();
    m_folders.push_back(Folder{});
    m_folderByWire[""] = 0;
    for (const std::string& dir : library.folders()) {
        Folder f;
        f.relative = Relative(root, dir);
        if (f.relative.empty() || f.relative.compare(0, 2, "..") == 0) continue;
        m_folderByWire[ToWire(f.relative)] = m_folders.size();
        m_folders.push_back(std::move(f));
    }
    // Folders are sorted, so a parent is always known before its children.
    for (size_t i = 1; i < m_folders.size(); ++i) {
        std::string wire = ToWire(m_folders[i].relative);
        size_t cut = wire.rfind('\\');
        auto parent = m_folderByWire.find(cut == std::string::npos ? std::string() : wire.substr(0, cut));
        if (parent != m_folderByWire.end()) m_folders[parent->second].children.push_back(i);
    }
    for (const std::string& file : library.slideFiles()) {
        auto s = std::make_unique<Slide>();
        s->path = file;
        std::string rel = Relative(root, file);
        size_t cut = rel.rfind('/');
        s->fileName = cut == std::string::npos ? rel : rel.substr(cut + 1);
        auto folder = m_folderByWire.find(cut == std::string::npos ? std::string() : ToWire(rel.substr(0, cut)));
        if (folder == m_folderByWire.end()) continue;
        s->folder = folder->second;
        m_folders[s->folder].slides.push_back(m_slides.size());
        m_slides.push_back(std::move(s));
    }
}

const Catalogue::Folder* Catalogue::FindFolder(const std::u16string& wirePath) const
{
    std::string key = Utf16ToUtf8(wirePath);
    if (!key.empty() && key.back() == '\\') key.pop_back();
    auto it = m_folderByWire.find(key);
    return it == m_folderByWire.end() ? nullptr : &m_folders[it->second];
}

long Catalogue::FindSlide(const std::u16string& wirePath) const
{
    size_t cut = wirePath.rfind(u'\\');
    const Folder* folder = FindFolder(cut == std::u16string::npos ? std::u16string() : wirePath.substr(0, cut));
    if (!folder) return -1;
    std::string name = Utf16ToUtf8(cut == std::u16string::npos ? wirePath : wirePath.substr(cut + 1));
    for (size_t i : folder->slides)
        if (m_slides[i]->fileName == name) return (long)i;
    // The list's text with ".jpg": the name up to its first or last dot.
    if (name.size() > 4 && Lower(name.substr(name.size() - 4)) == ".jpg") {
        std::string stem = name.substr(0, name.size() - 4);
        for (size_t i : folder->slides) {
            const std::string& f = m_slides[i]->fileName;
            if (f.substr(0, f.rfind('.')) == stem || f.substr(0, f.find('.')) == stem) return (long)i;
        }
    }
    return -1;
}

std::u16string Catalogue::WireFolder(size_t folder) const
{
    return m_options.prefix + Utf8ToUtf16(ToWire(m_folders[folder].relative));
}

std::u16string Catalogue::WireSlide(size_t slide) const
{
    const Slide& s = *m_slides[slide];
    std::u16string folder = Utf8ToUtf16(ToWire(m_folders[s.folder].relative));
    return m_options.prefix + folder + (folder.empty() ? u"" : u"\\") + Utf8ToUtf16(s.fileName);
}

void Catalogue::MakeDescription(Slide& slide) const
{
    SlideDescription& d = slide.description;
    std::error_code ec;
    uintmax_t size = fs::file_size(slide.path, ec);
    d.fileSize = ec ? 0 : (int64_t)size;
    std::string error;
    std::unique_ptr<SlideSource> src = OpenSlideSource(slide.path, error);
    if (src && RenderWhole(*src, m_options.thumbnailEdge, m_options.jpegQuality, d.thumbnail)) {
        d.readable = true;
        HeaderInfo info = DescribeSlide(*src, ServerOptions{});
        d.infoName = Utf8ToUtf16(info.textA);
        d.infoValue = Utf8ToUtf16(info.textB);
        double mpp = src->micronsPerPixel(), mppY = src->micronsPerPixel(true);
        if (!(mppY > 0)) mppY = mpp;
        d.scanSize = mpp > 0 ? Text("%.1f x %.1f mm", src->width() * mpp / 1000.0, src->height() * mppY / 1000.0)
                             : Utf8ToUtf16("未知");
        d.matrixSize = Utf8ToUtf16(std::to_string(src->width()) + "x" + std::to_string(src->height()));
        return;
    }
    // Listed all the same, marked, so that the library shows what it holds.
    d.readable = false;
    d.infoName = Utf8ToUtf16("无法读取");
    d.infoValue = Utf8ToUtf16(error.empty() ? "unreadable" : error);
    d.thumbnail = PlainPicture(m_options.thumbnailEdge, m_options.thumbnailEdge * 3 / 4, 200, m_options.jpegQuality);
}

const SlideDescription& Catalogue::Describe(size_t slide)
{
    Slide& s = *m_slides[slide];
    std::call_once(s.once, [&] { MakeDescription(s); });
    return s.description;
}

bool Catalogue::Preview(size_t slide, std::vector<uint8_t>& jpeg) const
{
    std::string error;
    std::unique_ptr<SlideSource> src = OpenSlideSource(m_slides[slide]->path, error);
    return src && RenderWhole(*src, m_options.previewEdge, m_options.jpegQuality, jpeg);
}

void Catalogue::DescribeAll(int threads, const std::atomic<bool>& stop)
{
    std::atomic<size_t> next{0};
    std::vector<std::thread> pool;
    for (int t = 0; t < std::max(1, threads); ++t)
        pool.emplace_back([&] {
            for (size_t i = next++; i < m_slides.size() && !stop.load(); i = next++) Describe(i);
        });
    for (auto& t : pool) t.join();
}

} // namespace catalogueserver
} // namespace zelvo
