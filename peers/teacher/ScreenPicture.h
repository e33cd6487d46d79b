// The teacher's picture of one student's screen, put together from the
// frames of its screen link: a whole frame sets it, a rectangle updates it.
// It is kept upright in RGB and written as an ordinary JPEG file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zelvo {
namespace teacher {

class ScreenPicture {
public:
    enum class Result {
        Updated,      // the frame is in the picture
        NotYet,       // a rectangle before any whole frame
        Undecodable,  // not a JPEG of three components within the size bound
    };
    // The size asked for last (0 x 0: the student's own). A changed
    // rectangle may lie at (0, 0) too: a frame there replaces the picture
    // only when it has this size, is larger, or comes first.
    void Expect(int32_t width, int32_t height);
    // A frame's JPEG as the student sends it (bottom row first, blue, green, red).
    Result Apply(int32_t x, int32_t y, const uint8_t* jpeg, size_t length);
    int32_t Width() const { return m_width; }
    int32_t Height() const { return m_height; }
    // Top-down RGB.
    const std::vector<uint8_t>& Pixels() const { return m_rgb; }
    // Writes the picture as a JPEG file; false when it cannot.
    bool Save(const std::string& path, int quality = 90) const;

private:
    int32_t m_width = 0, m_height = 0;
    int32_t m_expectedWidth = 0, m_expectedHeight = 0;
    std::vector<uint8_t> m_rgb;
};

} // namespace teacher
} // namespace zelvo
