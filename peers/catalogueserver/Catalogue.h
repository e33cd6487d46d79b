// The slide library as the catalogue shows it: folders with their child
// folders and slides, addressed by Windows paths under a prefix, and per slide
// the list texts, a thumbnail and a preview. Descriptions are made once per
// slide and kept.
#pragma once

#include "Library.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace zelvo {
namespace catalogueserver {

struct CatalogueOptions {
    // "<drive>:\<folder>\": what the client puts before a folder path for the
    // viewer. It holds exactly two backslashes.
    std::u16string prefix = u"D:\\Slides\\";
    int thumbnailEdge = 200;  // longest edge of list thumbnails
    int previewEdge = 640;    // longest edge of previews
    int jpegQuality = 85;
};

// What the list shows of one slide.
struct SlideDescription {
    bool readable = false;
    int64_t fileSize = 0;
    std::u16string infoName, infoValue, scanSize, matrixSize;
    std::vector<uint8_t> thumbnail;  // JPEG
};

class Catalogue {
public:
    struct Folder {
        std::string relative;               // "A/B", "" for the root
        std::vector<size_t> children;       // indexes of the child folders
        std::vector<size_t> slides;         // indexes into the slide list
    };

    Catalogue(const slideserver::Library& library, CatalogueOptions options);

    // A folder by its wire path ("A\B\" or "A\B"; "" is the root); null when
    // the library has no such folder.
    const Folder* FindFolder(const std::u16string& wirePath) const;
    // A slide by folder path and file name ("A\B\he.tif"); a name ending in
    // ".jpg" also finds the slide of that name with another extension.
    // -1 when none.
    long FindSlide(const std::u16string& wirePath) const;

    const Folder& folder(size_t i) const { return m_folders[i]; }
    const std::string& slidePath(size_t i) const { return m_slides[i]->path; }
    size_t slideCount() const { return m_slides.size(); }
    size_t folderCount() const { return m_folders.size(); }

    // The wire path of a folder (prefix + "A\B") and of a slide (prefix +
    // "A\B\he.tif").
    std::u16string WireFolder(size_t folder) const;
    std::u16string WireSlide(size_t slide) const;

    // Made on first use (by any thread) and kept.
    const SlideDescription& Describe(size_t slide);
    // A JPEG of the slide for the preview pane; false when it cannot be read.
    bool Preview(size_t slide, std::vector<uint8_t>& jpeg) const;

    // Describes every slide on a few threads, so that lists come fast; ends
    // early once stop is set.
    void DescribeAll(int threads, const std::atomic<bool>& stop);
    const CatalogueOptions& options() const { return m_options; }

private:
    struct Slide {
        std::string path;
        std::string fileName;
        size_t folder = 0;
        std::once_flag once;
        SlideDescription description;
    };
    void MakeDescription(Slide& slide) const;

    CatalogueOptions m_options;
    std::vector<Folder> m_folders;
    std::map<std::string, size_t> m_folderByWire;  // "A\B" as UTF-8, no trailing "\"
    std::vector<std::unique_ptr<Slide>> m_slides;
};

} // namespace catalogueserver
} // namespace zelvo
