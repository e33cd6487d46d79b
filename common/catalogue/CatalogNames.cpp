#include "CatalogNames.h"

namespace zelvo {
namespace catalog {

namespace {
const char16_t kSep = u'\\';
const std::u16string kFieldSeparator = u", ";
} // namespace

std::u16string FolderPath(const std::vector<std::u16string>& levels)
{
    std::u16string out;
    for (const auto& level : levels) {
        out += level;
        out += kSep;
    }
    return out;
}

std::u16string ServerPathPrefix(const std::u16string& entryPath)
{
    size_t first = entryPath.find(kSep);
    if (first == std::u16string::npos) return std::u16string();
    size_t second = entryPath.find(kSep, first + 1);
    if (second == std::u16string::npos) return std::u16string();
    return entryPath.substr(0, second + 1);
}

std::u16string LastComponent(const std::u16string& path)
{
    size_t cut = path.rfind(kSep);
    return cut == std::u16string::npos ? path : path.substr(cut + 1);
}

std::u16string ListItemText(const std::u16string& fileName)
{
    size_t dot = fileName.rfind(u'.');
    return dot == std::u16string::npos ? std::u16string() : fileName.substr(0, dot);
}

std::u16string SlideRequestPath(const std::u16string& folderPath, const std::u16string& listText)
{
    return listText.empty() ? std::u16string() : folderPath + listText + u".jpg";
}

ViewerLineResult BuildViewerParameters(const std::u16string& slidePath, uint64_t window,
                                       const std::u16string& server, std::u16string& out)
{
    out.clear();
    if (slidePath.empty()) return ViewerLineResult::emptyPath;
    for (const std::u16string* field : {&slidePath, &server}) {
        if (field->find(kFieldSeparator) != std::u16string::npos) return ViewerLineResult::separatorInField;
        if (field->size() > kViewerFieldChars) return ViewerLineResult::fieldTooLong;
    }
    out = slidePath + kFieldSeparator + Utf8ToUtf16(std::to_string(window)) + kFieldSeparator + server;
    return ViewerLineResult::ok;
}

std::u16string Utf8ToUtf16(const std::string& text)
{
    std::u16string out;
    const unsigned char* s = reinterpret_cast<const unsigned char*>(text.data());
    size_t n = text.size(), i = 0;
    while (i < n) {
        uint32_t c = s[i];
        size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        uint32_t cp = 0xFFFD;
        if (len == 1) {
            cp = c;
        } else if (len > 1 && i + len <= n) {
            cp = c & (0x7F >> len);
            bool good = true;
            for (size_t k = 1; k < len && good; ++k) {
                good = (s[i + k] & 0xC0) == 0x80;
                cp = (cp << 6) | (s[i + k] & 0x3F);
            }
            static const uint32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
            if (!good || cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
                cp = 0xFFFD;
                len = 1;
            }
        } else {
            len = 1;
        }
        i += len;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += (char16_t)(0xD800 + (cp >> 10));
            out += (char16_t)(0xDC00 + (cp & 0x3FF));
        } else {
            out += (char16_t)cp;
        }
    }
    return out;
}

std::string Utf16ToUtf8(const std::u16string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        if (cp < 0x80) {
            out += (char)cp;
        } else if (cp < 0x800) {
            out += (char)(0xC0 | (cp >> 6));
            out += (char)(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += (char)(0xE0 | (cp >> 12));
            out += (char)(0x80 | ((cp >> 6) & 0x3F));
            out += (char)(0x80 | (cp & 0x3F));
        } else {
            out += (char)(0xF0 | (cp >> 18));
            out += (char)(0x80 | ((cp >> 12) & 0x3F));
            out += (char)(0x80 | ((cp >> 6) & 0x3F));
            out += (char)(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

std::u16string Ascii16(const char* text)
{
    std::u16string out;
    for (; text && *text; ++text) out += (char16_t)(unsigned char)*text;
    return out;
}

} // namespace catalog
} // namespace zelvo
