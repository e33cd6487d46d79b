// What the object layers cost the display window with many objects:
// - mouse moves over an annotation layer of N objects of every kind while
//   not editing (every object tests the pointer and hovers), against a
//   baseline of one GDI region per object per move (hit tests by region
//   without the box test the objects make first);
// - moves of a drag in the measurement layer holding N measurements, by kind;
// - painting all N objects;
// - reading marker files whose last object holds a coordinate of 2^31 - 1
//   (refused with one message), beside a sound file of N objects.
//   bench_object_layers.exe [OBJECTS=200] [MOVES=2000]
// Prints one line per figure; exits 0 whatever the figures, 2 when it cannot set up.
#include "AnnotationLayer.h"
#include "HostileMarks.h"
#include "MeasureLayer.h"
#include "TestSupport.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <vector>

namespace {

const int kWidth = 1000, kHeight = 750;  // the window; the objects lie on an image twice as large
const double kScale = 0.5;
const int kResolution = 4000000;  // 0.25 um per pixel

double NowUs()
{
    static LARGE_INTEGER freq = [] { LARGE_INTEGER f; ::QueryPerformanceFrequency(&f); return f; }();
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return 1e6 * (double)t.QuadPart / (double)freq.QuadPart;
}

struct Stats {
    double meanUs = 0, worstUs = 0;
};

template <class F> Stats Time(int n, F step)
{
    Stats s;
    double total = 0;
    for (int i = 0; i < n; ++i) {
        const double t0 = NowUs();
        step(i);
        const double us = NowUs() - t0;
        total += us;
        s.worstUs = std::max(s.worstUs, us);
    }
    s.meanUs = n > 0 ? total / n : 0;
    return s;
}

// The pointer's path: rows across the window, top to bottom.
POINT PathPoint(int i, int moves)
{
    const int rows = 20, perRow = std::max(1, moves / rows);
    const int row = (i / perRow) % rows, column = i % perRow;
    return POINT{column * kWidth / perRow, row * kHeight / rows + 7};
}

// Where the i-th of n objects goes: a grid over the window, in client pixels.
POINT Place(int i, int n)
{
    int columns = 1;
    while (columns * columns * 3 < n * 4) ++columns;
    const int rows = (n + columns - 1) / columns;
    return POINT{(i % columns) * kWidth / columns + kWidth / columns / 2,
                 (i / columns) * kHeight / rows + kHeight / rows / 2};
}

const int kAnnotationKinds[] = {DRAW_NOTE_MARK, DRAW_REGION, DRAW_ARC,     DRAW_CIRCLE,  DRAW_RECTANGLE,
                                DRAW_ELLIPSE,   DRAW_BRACKET, DRAW_ARROW, DRAW_FREEHAND};
const int kMeasureKinds[] = {DRAW_SEGMENT, DRAW_ANGLE, DRAW_ARC, DRAW_CIRCLE, DRAW_RECTANGLE, DRAW_ELLIPSE,
                             DRAW_REGION, DRAW_FREEHAND};

// A free-hand outline of 60 points round a client point.
zelvo::annotation::FreehandRecord Outline(POINT at)
{
    zelvo::annotation::FreehandRecord r;
    for (int k = 0; k < 60; ++k) {
        const double t = k * 6.2831852 / 60;
        r.points.push_back({int32_t((at.x + 40 * std::cos(t)) / kScale), int32_t((at.y + 30 * std::sin(t)) / kScale)});
    }
    return r;
}

template <class Layer> void Fill(Layer& layer, const int* kinds, size_t kindCount, int n)
{
    for (int i = 0; i < n; ++i) {
        const int type = kinds[size_t(i) % kindCount];
        const POINT at = Place(i, n);
        if (type == DRAW_FREEHAND) {
            const zelvo::annotation::ObjectRecord outline = Outline(at);
            layer.CreateObject(type, &outline);
        } else {
            layer.SetToolType(type, 1);
            layer.CreateAt(at.x, at.y);
        }
    }
}

const char* KindName(int type)
{
    switch (type) {
    case DRAW_REGION: return "region";
    case DRAW_SEGMENT: return "segment";
    case DRAW_ANGLE: return "angle";
    case DRAW_ARC: return "arc";
    case DRAW_CIRCLE: return "circle";
    case DRAW_RECTANGLE: return "rectangle";
    case DRAW_ELLIPSE: return "ellipse";
    case DRAW_FREEHAND: return "free-hand outline";
    default: return "?";
    }
}

} // namespace

int main(int argc, char** argv)
{
    const int objects = argc > 1 ? std::max(1, std::min(5000, std::atoi(argv[1]))) : 200;
    const int moves = argc > 2 ? std::max(20, std::min(100000, std::atoi(argv[2]))) : 2000;
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    testing_support::MessageBoxRecorder boxes;  // a box nobody closes would stop the run

    CWnd window;
    if (!window.CreateEx(0, nullptr, _T("objects"), WS_POPUP | WS_VISIBLE, 0, 0, kWidth, kHeight, nullptr, nullptr)) {
        std::fprintf(stderr, "bench_object_layers: no window\n");
        return 2;
    }
    std::printf("%d objects over a %dx%d window, %d pointer moves\n", objects, kWidth, kHeight, moves);

    // Annotations, not editing: every object tests every move.
    CAnnotationLayer notes;
    notes.Reset(&window);
    notes.SetScale((float)kScale, (float)kScale, kResolution, kResolution);
    notes.SetEditMode(1);
    Fill(notes, kAnnotationKinds, std::size(kAnnotationKinds), objects);
    notes.SetEditMode(0);
    notes.ShowAll(1);
    const Stats hover = Time(moves, [&](int i) {
        const POINT p = PathPoint(i, moves);
        notes.OnMouseMove(0, CPoint(p.x, p.y));
    });
    const Stats regions = Time(moves, [&](int i) {
        const POINT p = PathPoint(i, moves);
        int inside = 0;
        for (int k = 0; k < notes.GetCount(); ++k) {
            RECT r;
            notes.GetObjectAt(k)->GetBoundRect(&r);
            const POINT corners[4] = {{r.left, r.top}, {r.right, r.top}, {r.right, r.bottom}, {r.left, r.bottom}};
            HRGN rgn = ::CreatePolygonRgn(corners, 4, ALTERNATE);
            inside += ::PtInRegion(rgn, p.x, p.y) ? 1 : 0;
            ::DeleteObject(rgn);
        }
        (void)inside;
    });
    std::printf("annotation layer, not editing: mouse move %8.1f us mean, %8.1f us worst\n", hover.meanUs,
                hover.worstUs);
    std::printf("  baseline, one GDI region per object per move: %8.1f us mean, %8.1f us worst\n", regions.meanUs,
                regions.worstUs);

    // Painting everything once, as after a move that changed a hover.
    HDC screen = ::GetDC(window.m_hWnd);
    HDC memory = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, kWidth, kHeight);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    const Stats paint = Time(20, [&](int) { notes.DrawAll(memory); });
    std::printf("annotation layer, painting all: %8.1f us mean, %8.1f us worst\n", paint.meanUs, paint.worstUs);

    // Measurements: a drag of the selected one, with the others in the layer.
    CMeasureLayer measures;
    measures.Reset(&window);
    measures.SetScale((float)kScale, (float)kScale, kResolution, kResolution);
    measures.SetEditMode(1);
    Fill(measures, kMeasureKinds, std::size(kMeasureKinds), objects);
    const Stats measurePaint = Time(20, [&](int) { measures.DrawAll(memory); });
    std::printf("measurement layer, painting all: %8.1f us mean, %8.1f us worst\n", measurePaint.meanUs,
                measurePaint.worstUs);
    for (int kind : kMeasureKinds) {
        // One more, made at a point and pressed there: a point of segments,
        // angles, arcs and regions is dragged, circles and framed shapes move
        // whole, a free-hand outline is drawn on.
        const POINT start{kWidth / 2, kHeight / 2};
        measures.SetToolType(kind, 1);
        measures.CreateAt(start.x, start.y);
        measures.OnLButtonDown(0, CPoint(start.x, start.y));
        const Stats drag = Time(moves / 4, [&](int i) {
            measures.OnMouseMove(0, CPoint(start.x + i % 60, start.y + (i / 60) % 40));
        });
        measures.OnLButtonUp(0, CPoint(start.x, start.y));
        measures.DeleteAt(measures.GetLastIndex());
        std::printf("measurement layer, dragging (%-17s): move %8.1f us mean, %8.1f us worst\n", KindName(kind),
                    drag.meanUs, drag.worstUs);
    }
    ::SelectObject(memory, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(window.m_hWnd, screen);

    // Marker files.
    const CString soundPath = _T("bench_objects.mrk");
    notes.WriteFile(soundPath);
    CFile sound;
    if (sound.Open(soundPath, CFile::modeRead)) {
        CAnnotationLayer loaded;
        loaded.Reset(&window);
        const Stats read = Time(5, [&](int) {
            sound.SeekToBegin();
            loaded.ReadFile(sound);
        });
        sound.Close();
        std::printf("reading a marker file of %d objects: %8.1f ms\n", loaded.GetCount(), read.meanUs / 1000);
    }
    ::DeleteFile(soundPath);
    for (int32_t type : objects_test::kHostileTypes) {
        std::vector<uint8_t> bytes = objects_test::HostileMarks(type);
        CAnnotationLayer loaded;
        loaded.Reset(&window);
        const size_t before = boxes.boxes.size();
        const Stats read = Time(5, [&](int) {
            CMemFile file(bytes.data(), (UINT)bytes.size());
            loaded.ReadFile(file);
        });
        std::printf("marks whose %-17s has a coordinate of 2^31-1: %d objects kept, %zu message(s), %8.3f ms\n",
                    KindName(type), loaded.GetCount(), (boxes.boxes.size() - before) / 5, read.meanUs / 1000);
    }
    window.DestroyWindow();
    return 0;
}
