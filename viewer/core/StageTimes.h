// Where the time of streaming goes: the view and the display add up the
// time of each of their steps, and the streaming benchmark reads it.
#pragma once

#include "Framework.h"

class CStageTimes {
public:
    enum Stage : int {
        kDecode,    // JPEG to pixels
        kPutTile,   // pixels into the tile buffer
        kScroll,    // realigning the tile buffer after a move
        kFill,      // thumbnail fills of the tile buffer
        kCompose,   // composing a frame in the view buffer
        kPaint,     // copying the view buffer to the window
        kZoom,      // the zoom transition
        kRequest,   // planning and sending region requests
        kMove,      // handling a move: realigning, requests, overview
        kCount
    };

    void Add(Stage stage, double ms)
    {
        m_ms[stage] += ms;
        ++m_count[stage];
    }
    double Ms(Stage stage) const { return m_ms[stage]; }
    int Count(Stage stage) const { return m_count[stage]; }
    void Reset()
    {
        for (int i = 0; i < kCount; ++i) {
            m_ms[i] = 0;
            m_count[i] = 0;
        }
    }
    static double NowMs()
    {
        static const double perMs = [] {
            LARGE_INTEGER f;
            ::QueryPerformanceFrequency(&f);
            return (double)f.QuadPart / 1000.0;
        }();
        LARGE_INTEGER t;
        ::QueryPerformanceCounter(&t);
        return (double)t.QuadPart / perMs;
    }

private:
    double m_ms[kCount] = {};
    int m_count[kCount] = {};
};

// Adds the time from its construction to its end to one stage.
class CStageScope {
public:
    CStageScope(CStageTimes& times, CStageTimes::Stage stage) : m_times(times), m_stage(stage), m_from(CStageTimes::NowMs()) {}
    ~CStageScope() { m_times.Add(m_stage, CStageTimes::NowMs() - m_from); }
    CStageScope(const CStageScope&) = delete;
    CStageScope& operator=(const CStageScope&) = delete;

private:
    CStageTimes& m_times;
    CStageTimes::Stage m_stage;
    double m_from;
};

