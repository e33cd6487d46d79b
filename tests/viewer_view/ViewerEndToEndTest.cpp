// The slide viewer as delivered, started with a slide on its command line
// against the real slide server: what it shows is compared with the server's
// own pixels, and what it asks for as it zooms and pans is read from the
// server's request log.
#include "BlockingSlideClient.h"
#include "ProgramWatch.h"

#include "slidelink/SlideLink.h"

#include <gtest/gtest.h>

#include <jpeglib.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace link = zelvo::slidelink;

namespace {

const char kSlide[] = "D:\\Slides\\small.tif";
const UINT kObjectiveList = 106;   // the toolbar's objective list
const int kObjective100X = 9;

struct Region {
    RECT rect;
    double scaleX = 0, scaleY = 0;
};

// Lines of the server's request log written since the test began.
class ServerLog {
public:
    ServerLog()
    {
        const char* dir = getenv("ZELVO_SLIDE_LIBRARY");
        m_path = std::string(dir ? dir : ".") + "\\..\\requests.log";
        m_start = ReadAll().size();
    }
    std::vector<std::string> Lines() const
    {
        std::string all = ReadAll();
        std::vector<std::string> out;
        std::istringstream in(all.substr(std::min(m_start, all.size())));
        for (std::string line; std::getline(in, line);) out.push_back(line);
        return out;
    }
    // The connection that opened the slide first: the viewer.
    std::string ViewerPeer() const
    {
        for (const auto& l : Lines())
            if (l.find(" 1300 open \"") != std::string::npos && l.find("small.tif") != std::string::npos)
                return l.substr(0, l.find(' '));
        return std::string();
    }
    // Region requests (code) or replies of one peer from line index `from` on.
    std::vector<Region> Regions(const std::string& peer, bool replies, size_t from = 0, uint32_t code = 1303) const
    {
        static const std::regex re(R"(^(\S+) (reply )?(\d+) region \((-?\d+),(-?\d+),(-?\d+),(-?\d+)\) scale ([0-9.e+-]+),([0-9.e+-]+))");
        std::vector<Region> out;
        const auto lines = Lines();
        for (size_t i = from; i < lines.size(); ++i) {
            std::smatch m;
            if (!std::regex_search(lines[i], m, re) || m[1] != peer || m[2].matched != replies) continue;
            if ((uint32_t)std::stoul(m[3]) != code) continue;
            Region r;
            r.rect = RECT{std::stoi(m[4]), std::stoi(m[5]), std::stoi(m[6]), std::stoi(m[7])};
            r.scaleX = std::stod(m[8]);
            r.scaleY = std::stod(m[9]);
            out.push_back(r);
        }
        return out;
    }
    size_t Count() const { return Lines().size(); }

private:
    std::string ReadAll() const
    {
        std::ifstream f(m_path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    }
    std::string m_path;
    size_t m_start = 0;
};

// Cells of `area` covered by the rectangles, at one-pixel resolution.
class Coverage {
public:
    explicit Coverage(const RECT& area) : m_area(area), m_w(area.right - area.left), m_h(area.bottom - area.top)
    {
        m_cells.assign((size_t)std::max(m_w, 0) * std::max(m_h, 0), 0);
    }
    void Add(const RECT& r)
    {
        RECT x;
        if (!::IntersectRect(&x, &r, &m_area)) return;
        for (int y = x.top; y < x.bottom; ++y)
            for (int xx = x.left; xx < x.right; ++xx) m_cells[(size_t)(y - m_area.top) * m_w + (xx - m_area.left)] = 1;
    }
    bool Covers(const RECT& r) const
    {
        RECT x;
        if (!::IntersectRect(&x, &r, &m_area)) return true;
        for (int y = x.top; y < x.bottom; ++y)
            for (int xx = x.left; xx < x.right; ++xx)
                if (!m_cells[(size_t)(y - m_area.top) * m_w + (xx - m_area.left)]) return false;
        return true;
    }

private:
    RECT m_area;
    int m_w, m_h;
    std::vector<uint8_t> m_cells;
};

bool RepliesCover(const std::vector<Region>& requests, const std::vector<Region>& replies)
{
    if (requests.empty()) return false;
    for (const Region& q : requests) {
        Coverage c(q.rect);
        for (const Region& p : replies) c.Add(p.rect);
        if (!c.Covers(q.rect)) return false;
    }
    return true;
}

// A connection of our own to the slide server, to see its pixels.
class ServerPixels {
public:
    ServerPixels() { m_ok = m_link.Connect("127.0.0.1", 3030, 10000); }

    // Asks for a region at a scale and decodes every piece into an RGB image of the region.
    bool Fetch(const RECT& r, double sx, double sy)
    {
        if (!m_ok || !m_link.Open(kSlide)) return false;
        m_link.SendBody(link::TileRequestBody(link::kTileRequest, link::TileRect{r.left, r.top, r.right, r.bottom}, sx, sy));
        m_rect = r;
        m_w = r.right - r.left;
        m_h = r.bottom - r.top;
        m_rgb.assign((size_t)m_w * m_h * 3, 0);
        Coverage got(r);
        std::vector<uint8_t> body;
        while (!got.Covers(r)) {
            if (!m_link.ReadBody(body)) return false;
            if (CBlockingSlideClient::Code(body) != link::kTileRequest) continue;
            link::TileRect t;
            const uint8_t* jpeg = nullptr;
            size_t n = 0;
            if (!link::ParseTileReply(body.data() + 4, body.size() - 4, t, jpeg, n)) return false;
            if (!Paste(RECT{t.left, t.top, t.right, t.bottom}, jpeg, n)) return false;
            got.Add(RECT{t.left, t.top, t.right, t.bottom});
        }
        return true;
    }
    COLORREF At(int x, int y) const
    {
        const size_t i = ((size_t)(y - m_rect.top) * m_w + (x - m_rect.left)) * 3;
        return RGB(m_rgb[i], m_rgb[i + 1], m_rgb[i + 2]);
    }

private:
    bool Paste(const RECT& r, const uint8_t* jpeg, size_t n)
    {
        jpeg_decompress_struct d{};
        jpeg_error_mgr err{};
        d.err = jpeg_std_error(&err);
        jpeg_create_decompress(&d);
        jpeg_mem_src(&d, jpeg, (unsigned long)n);
        jpeg_read_header(&d, TRUE);
        d.out_color_space = JCS_RGB;
        jpeg_start_decompress(&d);
        std::vector<uint8_t> row((size_t)d.output_width * 3);
        const bool fits = (int)d.output_width == r.right - r.left && (int)d.output_height == r.bottom - r.top;
        while (d.output_scanline < d.output_height) {
            const int y = r.top + (int)d.output_scanline;
            JSAMPROW p = row.data();
            jpeg_read_scanlines(&d, &p, 1);
            for (int x = 0; fits && x < (int)d.output_width; ++x) {
                const int px = r.left + x;
                if (px < m_rect.left || px >= m_rect.right || y < m_rect.top || y >= m_rect.bottom) continue;
                std::memcpy(&m_rgb[((size_t)(y - m_rect.top) * m_w + (px - m_rect.left)) * 3], &row[(size_t)x * 3], 3);
            }
        }
        jpeg_finish_decompress(&d);
        jpeg_destroy_decompress(&d);
        return fits;
    }

    CBlockingSlideClient m_link;
    bool m_ok = false;
    RECT m_rect{};
    int m_w = 0, m_h = 0;
    std::vector<uint8_t> m_rgb;
};

struct WindowSearch {
    DWORD pid;
    const char* titlePart;  // null: any visible window that no other owns
    HWND found = nullptr;
};

BOOL CALLBACK FindWindowOfProcess(HWND wnd, LPARAM l)
{
    auto* f = reinterpret_cast<WindowSearch*>(l);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(wnd, &pid);
    if (pid != f->pid) return TRUE;
    char title[512] = {};
    ::GetWindowTextA(wnd, title, sizeof title);
    const bool match = f->titlePart ? std::strstr(title, f->titlePart) != nullptr
                                    : ::IsWindowVisible(wnd) && !::GetWindow(wnd, GW_OWNER);
    if (!match) return TRUE;
    f->found = wnd;
    return FALSE;
}

HWND WindowOf(DWORD pid, const char* titlePart)
{
    WindowSearch find{pid, titlePart};
    ::EnumWindows(&FindWindowOfProcess, (LPARAM)&find);
    return find.found;
}

class ViewerEndToEnd : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(testing_support::WatchStartedPrograms()); }
    // Starts the delivered viewer on a slide as the catalogue client does.
    void StartViewer(const std::string& slide)
    {
        char exe[MAX_PATH] = {};
        ::GetModuleFileNameA(nullptr, exe, MAX_PATH);
        std::string path = exe;
        path = path.substr(0, path.find_last_of('\\'));       // tests\viewer_view
        path = path.substr(0, path.find_last_of('\\'));       // tests
        path = path.substr(0, path.find_last_of('\\')) + "\\viewer\\Oskerin.exe";
        std::string line = "\"" + path + "\" " + slide + ", 0, 127.0.0.1";
        STARTUPINFOA si{};
        si.cb = sizeof si;
        ASSERT_TRUE(::CreateProcessA(path.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &process))
            << path;
    }
    void TearDown() override
    {
        if (process.hProcess) {
            // One that ended before is not checked here: a death of it is
            // the watch's to report.
            const bool running = ::WaitForSingleObject(process.hProcess, 0) != WAIT_OBJECT_0;
            if (running && frame) ::PostMessage(frame, WM_CLOSE, 0, 0);
            if (::WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) {
                ::TerminateProcess(process.hProcess, 1);
            } else if (running && frame) {
                EXPECT_TRUE(testing_support::EndedWith(process.hProcess, 0)) << "the viewer, closed";
            }
            ::CloseHandle(process.hThread);
            ::CloseHandle(process.hProcess);
        }
        testing_support::StopWatching();
    }
    bool WaitFor(const std::function<bool()>& done, DWORD ms = 20000)
    {
        return testing_support::PumpUntil(done, ms);
    }
    // The screen pixel at a point of the display window's client area; false
    // where another window (the overview) lies over it.
    bool ScreenPixel(HWND display, int x, int y, COLORREF& colour)
    {
        POINT p{x, y};
        ::ClientToScreen(display, &p);
        if (::WindowFromPoint(p) != display) return false;
        HDC screen = ::GetDC(nullptr);
        colour = ::GetPixel(screen, p.x, p.y);
        ::ReleaseDC(nullptr, screen);
        return true;
    }
    HWND DisplayWindow()
    {
        HWND display = nullptr;
        for (HWND c = ::GetWindow(frame, GW_CHILD); c && !display; c = ::GetWindow(c, GW_HWNDNEXT))
            display = ::FindWindowExA(c, nullptr, nullptr, "Image Display Window");
        return display;
    }
    // Sample points over the view compared with the server's own pixels of the
    // same region. Both are JPEG pieces, cut at different places, so colours
    // differ a little; a misplaced or missing picture differs a lot.
    void ExpectServerPixels(const Region& shown, const RECT& origin)
    {
        ServerPixels server;
        ASSERT_TRUE(server.Fetch(shown.rect, shown.scaleX, shown.scaleY));
        HWND display = DisplayWindow();
        ASSERT_NE(nullptr, display);
        // Other test programs share the display and their windows come and go
        // over the viewer's: the viewer is raised and looked at again until a
        // look finds enough of it uncovered.
        int compared = 0, matched = 0;
        std::string mismatches;
        for (int attempt = 0; attempt < 10 && (compared < 100 || matched * 10 < compared * 9); ++attempt) {
            ::SetWindowPos(frame, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            testing_support::PumpFor(attempt ? 500 : 100);
            compared = matched = 0;
            mismatches.clear();
            const int w = shown.rect.right - shown.rect.left, h = shown.rect.bottom - shown.rect.top;
            // A grid dense enough that the points the overview and the eyepiece
            // window leave visible are always many.
            for (int i = 1; i < 24; ++i) {
                for (int j = 1; j < 18; ++j) {
                    const int x = shown.rect.left + w * i / 24, y = shown.rect.top + h * j / 18;
                    COLORREF got;
                    if (!ScreenPixel(display, x - origin.left, y - origin.top, got)) continue;
                    const COLORREF want = server.At(x, y);
                    ++compared;
                    const auto close = [](int a, int b) { return a - b <= 24 && b - a <= 24; };
                    if (close(GetRValue(want), GetRValue(got)) && close(GetGValue(want), GetGValue(got)) &&
                        close(GetBValue(want), GetBValue(got))) {
                        ++matched;
                    } else {
                        char line[96];
                        std::snprintf(line, sizeof line, "(%d,%d) server %06lx shown %06lx\n", x, y,
                                      (unsigned long)want, (unsigned long)got);
                        mismatches += line;
                    }
                }
            }
        }
        EXPECT_GE(compared, 100);
        EXPECT_GE(matched * 10, compared * 9) << matched << " of " << compared << " sample points match the server\n"
                                              << mismatches;
    }

    PROCESS_INFORMATION process{};
    HWND frame = nullptr;
};

} // namespace

TEST_F(ViewerEndToEnd, OpensZoomsAndPansAgainstTheSlideServer)
{
    ServerLog log;
    StartViewer(kSlide);
    ASSERT_TRUE(WaitFor([&] { return (frame = WindowOf(process.dwProcessId, " -- small -- ")) != nullptr; }))
        << "the viewer's title never named the slide";

    // Opened: one request for the screen, answered in pieces that cover it.
    std::string peer;
    ASSERT_TRUE(WaitFor([&] { return !(peer = log.ViewerPeer()).empty(); }, 40000));
    ASSERT_TRUE(WaitFor([&] { return RepliesCover(log.Regions(peer, false), log.Regions(peer, true)); }));
    const auto opened = log.Regions(peer, false);
    ASSERT_EQ(1u, opened.size());
    testing_support::PumpFor(500);
    ExpectServerPixels(opened[0], opened[0].rect);
    testing_support::SaveScreenshot(frame, "viewer_end_to_end_opened.bmp");

    // Zoom: objective 100X on the 10X eyepiece.
    size_t mark = log.Count();
    HWND toolbar = ::GetDlgItem(frame, 0xE800);
    HWND objective = ::GetDlgItem(toolbar, kObjectiveList);
    ASSERT_NE(nullptr, objective);
    ::SendMessageA(objective, CB_SETCURSEL, kObjective100X, 0);
    ::SendMessageA(frame, WM_COMMAND, MAKEWPARAM(kObjectiveList, CBN_SELCHANGE), (LPARAM)objective);
    std::vector<Region> zoomed;
    ASSERT_TRUE(WaitFor([&] { return !(zoomed = log.Regions(peer, false, mark)).empty(); }));
    EXPECT_GT(zoomed[0].scaleX, opened[0].scaleX * 2) << "the zoom did not change the magnification";
    ASSERT_TRUE(WaitFor([&] { return RepliesCover({zoomed[0]}, log.Regions(peer, true, mark)); }));
    const int cx = ::GetSystemMetrics(SM_CXSCREEN);
    const RECT origin = zoomed[0].rect;  // the view is well inside the image at this magnification
    ASSERT_EQ(cx, origin.right - origin.left);

    // At once (before the prefetch half a second later), a drag of a third of
    // a screen: only what was not received is asked for.
    auto received = [&](size_t from) {
        std::vector<Region> out = log.Regions(peer, true, from);
        for (const auto& r : log.Regions(peer, true, from, 1310)) out.push_back(r);
        return out;
    };
    const size_t zoomMark = mark;
    mark = log.Count();
    const auto before = received(zoomMark);
    HWND display = DisplayWindow();
    ASSERT_NE(nullptr, display);
    const int dx = cx / 3;
    ::PostMessageA(display, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(700, 500));
    ::PostMessageA(display, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(700 - dx / 2, 500));
    ::PostMessageA(display, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(700 - dx, 500));
    ::PostMessageA(display, WM_LBUTTONUP, 0, MAKELPARAM(700 - dx, 500));
    ASSERT_TRUE(WaitFor([&] {
        for (const auto& l : log.Lines())
            if (l.find(peer + " 1305 cancel") != std::string::npos) return true;
        return false;
    }));
    testing_support::PumpFor(300);
    const RECT moved{origin.left + dx, origin.top, origin.right + dx, origin.bottom};
    // The prefetch rings that follow later lie outside the screen area.
    std::vector<Region> panRequests;
    for (const auto& r : log.Regions(peer, false, mark))
        if (r.rect.left >= moved.left && r.rect.right <= moved.right && r.rect.top >= moved.top &&
            r.rect.bottom <= moved.bottom)
            panRequests.push_back(r);
    // Unless a slow run let the prefetch come first, the new strip is missing.
    bool prefetched = false;
    const auto lines = log.Lines();
    for (size_t i = zoomMark; i < lines.size() && !prefetched; ++i) {
        if (lines[i].find(peer + " 1305 cancel") != std::string::npos && i >= mark) break;
        prefetched = lines[i].find(peer + " 1308 region") != std::string::npos;
    }
    if (!prefetched) {
        EXPECT_FALSE(panRequests.empty());
    }
    for (const auto& r : panRequests) {
        for (const auto& b : before) {
            RECT x;
            EXPECT_FALSE(::IntersectRect(&x, &r.rect, &b.rect)) << "asked again for received pixels";
        }
    }
    Coverage now(moved);
    for (const auto& r : received(zoomMark)) now.Add(r.rect);
    for (const auto& r : panRequests) now.Add(r.rect);
    EXPECT_TRUE(now.Covers(moved)) << "part of the new screen was never asked for";

    // What the view shows after the pan is the server's picture of the new place.
    ASSERT_TRUE(WaitFor([&] {
        Coverage got(moved);
        for (const auto& r : received(zoomMark)) got.Add(r.rect);
        return got.Covers(moved);
    }));
    testing_support::PumpFor(500);
    Region shown = zoomed[0];
    shown.rect = moved;
    RECT image{0, 0, 1 << 30, 1 << 30};
    ::IntersectRect(&shown.rect, &moved, &image);
    ExpectServerPixels(shown, moved);
    testing_support::SaveScreenshot(frame, "viewer_end_to_end_panned.bmp");
}

// A slide the server does not hold: the user is told once, the link stays up
// and nothing is asked again, for a minute of the viewer's (scaled) timers.
TEST_F(ViewerEndToEnd, AnUnknownSlideIsReportedOnceAndTheLinkStays)
{
    ServerLog log;
    const std::string boxes = testing_support::OutputFolder() + "\\unknown-slide-boxes.txt";
    ::DeleteFileA(boxes.c_str());
    // A minute of the viewer's timers in three seconds: twelve keep-alive ticks.
    const double scale = 0.05;
    ::SetEnvironmentVariableA("FW_TIMER_SCALE", "0.05");
    ::SetEnvironmentVariableA("FW_MSGBOX_LOG", boxes.c_str());
    StartViewer("D:\\Slides\\nosuch.tif");
    ::SetEnvironmentVariableA("FW_TIMER_SCALE", nullptr);
    ::SetEnvironmentVariableA("FW_MSGBOX_LOG", nullptr);
    auto shown = [&] {
        std::ifstream f(boxes, std::ios::binary);
        std::vector<std::string> lines;
        for (std::string line; std::getline(f, line);) lines.push_back(line);
        return lines;
    };
    ASSERT_TRUE(WaitFor([&] { return !shown().empty(); })) << "no message for the unknown slide";
    testing_support::PumpFor((DWORD)(60000 * scale));

    const auto lines = shown();
    ASSERT_EQ(1u, lines.size());
    EXPECT_NE(std::string::npos, lines[0].find(u8"数据不可读！")) << lines[0];
    int opens = 0, connects = 0, closes = 0;
    for (const auto& l : log.Lines()) {
        opens += l.find(" open \"D:\\Slides\\nosuch.tif\"") != std::string::npos;
        connects += l.find(" connected") != std::string::npos;
        closes += l.find("closed") != std::string::npos;
    }
    EXPECT_EQ(1, opens) << "the viewer asked again";
    EXPECT_EQ(1, connects) << "the viewer reconnected";
    EXPECT_EQ(0, closes);
    DWORD code = 0;
    EXPECT_TRUE(::GetExitCodeProcess(process.hProcess, &code) && code == STILL_ACTIVE);
    // The viewer's frame, to close it.
    frame = WindowOf(process.dwProcessId, nullptr);
}
