// The student's screen as the teacher receives it: whole frames, changed
// rectangles, "no update" answers, requests the student refuses, floods and
// failures. A picture window covers the screen, so these tests run alone.
#include "PictureWnd.h"
#include "ScreenSocket.h"
#include "StudentTestSupport.h"

#include "classroom/ScreenChange.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <csetjmp>

#include <jpeglib.h>
#include <jerror.h>

using namespace student_test;
using testing_support::MessageBoxRecorder;
using testing_support::PumpFor;
using testing_support::PumpUntil;

namespace {

// A picture on the whole screen that tells the colour channels and the rows apart.
class PictureWindow : public testing_support::PictureWnd {
public:
    PictureWindow()
    {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                BYTE* p = At(x, y);
                const int band = x * 3 / width;
                p[0] = (BYTE)(band == 2 ? 255 - y * 200 / height : 30);  // blue
                p[1] = (BYTE)(band == 1 ? 40 + y * 200 / height : 60);   // green
                p[2] = (BYTE)(band == 0 ? 250 - x * 600 / width : 90 + (x % 64) * 2);  // red
            }
        Show();
    }
    void Fill(COLORREF c)
    {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) Set(x, y, c);
        Repaint(0, 0, width, height);
    }
    void SetPixelAt(int x, int y, COLORREF c)
    {
        Set(x, y, c);
        Repaint(x, y, 1, 1);
    }
};

struct Decoded {
    int width = 0, height = 0;
    std::vector<uint8_t> rows;  // as the decoder gives them
};

struct DecodeError {
    jpeg_error_mgr pub;
    std::jmp_buf back;
};

void OnDecodeError(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<DecodeError*>(cinfo->err)->back, 1);
}

bool Decode(const std::vector<uint8_t>& jpeg, Decoded& out)
{
    jpeg_decompress_struct cinfo;
    DecodeError err;
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = &OnDecodeError;
    if (setjmp(err.back)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, jpeg.data(), (unsigned long)jpeg.size());
    jpeg_read_header(&cinfo, TRUE);
    jpeg_start_decompress(&cinfo);
    out.width = (int)cinfo.output_width;
    out.height = (int)cinfo.output_height;
    out.rows.resize((size_t)out.width * out.height * 3);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = &out.rows[(size_t)cinfo.output_scanline * out.width * 3];
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return cinfo.num_components == 3;
}

// The screen as GDI shows it, top-down RGB.
std::vector<uint8_t> ScreenRgb(int width, int height)
{
    HDC screen = ::GetDC(nullptr);
    HDC mem = ::CreateCompatibleDC(screen);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bmp = ::CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(mem, bmp);
    ::BitBlt(mem, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    ::GdiFlush();
    std::vector<uint8_t> rgb((size_t)width * height * 3);
    const BYTE* p = static_cast<const BYTE*>(bits);
    for (size_t i = 0; i < (size_t)width * height; ++i) {
        rgb[i * 3] = p[i * 4 + 2];
        rgb[i * 3 + 1] = p[i * 4 + 1];
        rgb[i * 3 + 2] = p[i * 4];
    }
    ::SelectObject(mem, old);
    ::DeleteObject(bmp);
    ::DeleteDC(mem);
    ::ReleaseDC(nullptr, screen);
    return rgb;
}

double Psnr(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b)
{
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i) sum += (double)(a[i] - b[i]) * (a[i] - b[i]);
    const double mse = sum / (double)a.size();
    return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

// The text that libjpeg gives for its error code.
std::string JpegMessage(int code)
{
    jpeg_compress_struct cinfo = {};
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    err.msg_code = code;
    char text[JMSG_LENGTH_MAX];
    (*err.format_message)(reinterpret_cast<j_common_ptr>(&cinfo), text);
    return text;
}

class ScreenChannel : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(student.created);
        ASSERT_TRUE(LogIn(teacher, student));
        teacher.received.clear();
    }
    void TearDown() override { CScreenSocket::SetEncodeBufferLimit(0); }

    void Request(int32_t w, int32_t h, uint8_t threshold = 8, int32_t quality = 90)
    {
        uint8_t r[cls::kScreenRequestSize];
        cls::WriteScreenRequest({w, h, threshold, quality}, r);
        teacher.Send(cls::kCommandPort, cls::CMD_SCREEN_REQUEST, r, sizeof r);
    }
    // Waits for the answer to one request: a frame or "no update", and the
    // worker idle again. "frame" or "no-update".
    std::string Answer()
    {
        const size_t frames = teacher.frames.size(), noUpdates = teacher.NoUpdates();
        const bool answered = PumpUntil([&] {
            return (teacher.frames.size() > frames || teacher.NoUpdates() > noUpdates) && student->IsIdle();
        });
        PumpFor(50);
        if (!answered) return "nothing";
        if (teacher.frames.size() == frames + 1 && teacher.NoUpdates() == noUpdates) return "frame";
        if (teacher.frames.size() == frames && teacher.NoUpdates() == noUpdates + 1) return "no-update";
        return "both";
    }
    Decoded LastPicture()
    {
        Decoded d;
        EXPECT_TRUE(Decode(teacher.frames.back().jpeg, d));
        return d;
    }

    TestTeacher teacher;
    StudentFrame student;
};

} // namespace

TEST_F(ScreenChannel, TheFirstRequestGetsTheWholeScreenThenOnlyWhatChanged)
{
    PictureWindow picture;
    const int w = picture.width, h = picture.height;
    Request(w, h);
    ASSERT_EQ("frame", Answer());
    EXPECT_EQ(0, teacher.frames.back().x);
    EXPECT_EQ(0, teacher.frames.back().y);
    Decoded whole = LastPicture();
    ASSERT_EQ(w, whole.width);
    ASSERT_EQ(h, whole.height);
    // Upright and in RGB, the frame is what the screen shows.
    std::vector<uint8_t> received((size_t)w * h * 3, 0);
    ASSERT_TRUE(cls::PasteFrameRows(whole.rows.data(), w, h, 0, 0, received.data(), w, h));
    const double psnr = Psnr(received, ScreenRgb(w, h));
    EXPECT_GT(psnr, 32.0);
    std::printf("whole frame: %zu bytes, PSNR %.1f dB\n", teacher.frames.back().jpeg.size(), psnr);

    Request(w, h);
    EXPECT_EQ("no-update", Answer()) << "nothing changed";

    // One pixel: a 24 x 24 rectangle from 4 pixels above and left of it.
    picture.SetPixelAt(300, 200, RGB(255, 255, 255));
    Request(w, h);
    ASSERT_EQ("frame", Answer());
    EXPECT_EQ(296, teacher.frames.back().x);
    EXPECT_EQ(196, teacher.frames.back().y);
    Decoded part = LastPicture();
    EXPECT_EQ(24, part.width);
    EXPECT_EQ(24, part.height);

    // The bottom-right corner: the last row and column are in the rectangle.
    picture.SetPixelAt(w - 1, h - 1, RGB(255, 255, 255));
    Request(w, h);
    ASSERT_EQ("frame", Answer());
    EXPECT_EQ(w - 24, teacher.frames.back().x);
    EXPECT_EQ(h - 24, teacher.frames.back().y);
    part = LastPicture();
    ASSERT_EQ(24, part.width);
    // The decoded rows start with the rectangle's bottom row; its last pixel
    // is the corner, blue, green, red.
    const uint8_t* corner = &part.rows[(24 - 1) * 3];
    EXPECT_GT(corner[0] + corner[1] + corner[2], 3 * 200) << "the corner pixel, white";
}

TEST_F(ScreenChannel, ANewSizeOrQualityGetsTheWholeScreenAsDoesARequestOnTheLink)
{
    PictureWindow picture;
    Request(640, 480, 8, 60);
    ASSERT_EQ("frame", Answer());
    Request(640, 480, 8, 61);
    ASSERT_EQ("frame", Answer());
    Decoded d = LastPicture();
    EXPECT_EQ(640, d.width);
    EXPECT_EQ(480, d.height);
    // A width not a multiple of 4 is rounded up, the screen scaled to it.
    Request(1366, 768, 8, 61);
    ASSERT_EQ("frame", Answer());
    d = LastPicture();
    EXPECT_EQ(1368, d.width);
    EXPECT_EQ(768, d.height);
    EXPECT_EQ(0, teacher.frames.back().x);

    // On the link: a whole frame at once, and the reference is not touched.
    const size_t before = teacher.frames.size();
    ASSERT_TRUE(teacher.SendOnLink(cls::EncodeScreenLinkRequest({800, 600, 8, 70})));
    ASSERT_TRUE(PumpUntil([&] { return teacher.frames.size() == before + 1; }));
    d = LastPicture();
    EXPECT_EQ(800, d.width);
    EXPECT_EQ(600, d.height);
    EXPECT_EQ(CSize(1368, 768), student->GetReference().GetDimensions());
}

TEST_F(ScreenChannel, SizesOutsideWhatIsServedAreAnsweredWithNoUpdate)
{
    for (auto size : {std::pair<int32_t, int32_t>{24, 480}, {640, 24}, {8193, 480}, {-640, -480}, {0, 480},
                      {INT32_MAX, INT32_MAX}}) {
        Request(size.first, size.second);
        EXPECT_EQ("no-update", Answer()) << size.first << "x" << size.second;
    }
    ASSERT_TRUE(teacher.SendOnLink(cls::EncodeScreenLinkRequest({100000, 5, 8, 70})));
    const size_t noUpdates = teacher.NoUpdates();
    ASSERT_TRUE(PumpUntil([&] { return teacher.NoUpdates() == noUpdates + 1; }));
    EXPECT_TRUE(teacher.frames.empty());
    // Still served afterwards: 0 x 0 is the screen's own size.
    Request(0, 0);
    ASSERT_EQ("frame", Answer());
    EXPECT_EQ(::GetSystemMetrics(SM_CXSCREEN), LastPicture().width);
}

TEST_F(ScreenChannel, AFloodOfRequestsIsAnsweredAndTheLinkStaysInStep)
{
    PictureWindow picture;
    // On the command channel: each is answered by a frame or "no update"
    // (some may be lost on the way, as datagrams are).
    const int kFlood = 300;
    for (int i = 0; i < kFlood; ++i) Request(640, 480, 8, 60 + i % 2);
    // Until the answers stop coming.
    size_t seen = 0;
    DWORD quietSince = ::GetTickCount();
    PumpUntil([&] {
        const size_t now = teacher.frames.size() + teacher.NoUpdates();
        if (now != seen) seen = now, quietSince = ::GetTickCount();
        return now >= (size_t)kFlood || (student->IsIdle() && ::GetTickCount() - quietSince > 500);
    }, 10000);
    const size_t frames = teacher.frames.size(), answers = frames + teacher.NoUpdates();
    EXPECT_GE(frames, 1u);
    EXPECT_LE(answers, (size_t)kFlood);
    std::printf("%d requests: %zu frames, %zu no-update\n", kFlood, frames, answers - frames);

    // On the link, in one piece: whole frames, the stream intact.
    std::vector<uint8_t> burst;
    for (int i = 0; i < 200; ++i) {
        const auto one = cls::EncodeScreenLinkRequest({320, 240, 8, 50});
        burst.insert(burst.end(), one.begin(), one.end());
    }
    ASSERT_TRUE(teacher.SendOnLink(burst));
    ASSERT_TRUE(PumpUntil([&] { return teacher.frames.size() > frames; }));
    PumpFor(500);
    EXPECT_FALSE(teacher.LinkBroken());
    EXPECT_LE(teacher.frames.size() - frames, 200u);
    EXPECT_TRUE(student->IsConnected());
    // And the student still answers one request at a time.
    Request(640, 480, 8, 60);
    EXPECT_NE("nothing", Answer());
}

TEST_F(ScreenChannel, AnEncodingFailureSendsAnEmptyFrameAndTheNextPassTheWholeScreen)
{
    PictureWindow picture;
    Request(640, 480);
    ASSERT_EQ("frame", Answer());
    // No room for the JPEG: the frame goes out empty, at once.
    MessageBoxRecorder boxes;
    CScreenSocket::SetEncodeBufferLimit(2000);
    picture.Fill(RGB(10, 200, 30));
    Request(640, 480);
    ASSERT_EQ("frame", Answer());
    EXPECT_TRUE(teacher.frames.back().jpeg.empty());
    EXPECT_EQ(0, teacher.frames.back().x);
    // The teacher never got that change: the next pass sends everything.
    CScreenSocket::SetEncodeBufferLimit(0);
    Request(640, 480);
    ASSERT_EQ("frame", Answer());
    EXPECT_EQ(0, teacher.frames.back().x);
    EXPECT_EQ(640, LastPicture().width);
}

TEST_F(ScreenChannel, AnEncodingFailureShowsTheEncodersMessageAfterTheFrameOneBoxAtATime)
{
    PictureWindow picture;
    CScreenSocket::SetEncodeBufferLimit(2000);
    bool linkBusyAtBox = true;
    std::string whileUp;
    MessageBoxRecorder boxes(IDOK, [&] {
        linkBusyAtBox = student->GetScreenLink()->IsBusy();
        // The empty frame went out before the box came.
        if (!PumpUntil([&] { return teacher.frames.size() == 1 && student->IsIdle(); })) return;
        // Another failure while the box is up: its frame goes out, its box does not.
        Request(640, 480);
        whileUp = Answer();
        PumpFor(300);
    });
    Request(640, 480);
    // The box comes, and goes, inside this wait.
    ASSERT_TRUE(PumpUntil([&] { return !boxes.boxes.empty(); }));
    const MessageBoxRecorder::Box first = boxes.boxes[0];
    EXPECT_EQ(nullptr, first.owner);
    EXPECT_EQ("JPEG Fatal Error", first.caption);
    EXPECT_EQ((UINT)(MB_OK | MB_ICONSTOP), first.type);
    EXPECT_EQ(JpegMessage(JERR_FILE_WRITE), first.text);
    EXPECT_EQ(::GetCurrentThreadId(), first.thread) << "on the UI thread, not the capture worker";
    EXPECT_FALSE(linkBusyAtBox) << "not in the middle of a send";
    EXPECT_EQ("frame", whileUp);
    ASSERT_EQ(2u, teacher.frames.size());
    EXPECT_TRUE(teacher.frames[0].jpeg.empty());
    EXPECT_TRUE(teacher.frames[1].jpeg.empty());
    // The error while the box was up was dropped, not kept for later.
    PumpFor(300);
    EXPECT_EQ(1u, boxes.boxes.size());

    // Once it is closed, the next failure has its own box.
    Request(640, 480);
    ASSERT_EQ("frame", Answer());
    ASSERT_TRUE(PumpUntil([&] { return boxes.boxes.size() == 2; }));
    EXPECT_EQ(0, boxes.boxes[1].alsoUp);
    EXPECT_EQ(JpegMessage(JERR_FILE_WRITE), boxes.boxes[1].text);
}

TEST_F(ScreenChannel, AGoodbyeDuringAPassLetsItFinishFirst)
{
    PictureWindow picture;
    Request(picture.width, picture.height);
    teacher.Send(cls::kCommandPort, cls::CMD_BYE);
    ASSERT_TRUE(PumpUntil([&] { return !student->IsConnected(); }));
    EXPECT_TRUE(student->IsIdle());
    EXPECT_EQ(nullptr, student->GetScreenLink());
    PumpFor(200);
    ASSERT_EQ(1u, teacher.frames.size()) << "the pass that was running sent its frame";
    EXPECT_EQ(picture.width, LastPicture().width);
}
