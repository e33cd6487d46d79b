#include "ScaleBar.h"
#include "DrawingTestSupport.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

using drawing_test::MemSurface;

TEST(ScaleBar, BarLabelsAtTypicalCalibration)
{
    CScaleBar bar(nullptr, 3780);
    EXPECT_EQ(bar.m_barPixels, 200);  // until the view gives a magnification or a length
    bar.SetMagnification(40);
    EXPECT_EQ(bar.m_barPixels, 151);  // 3780 px/m x 40 mm
    CString um, cm, mag;
    bar.GetBarLabels(um, cm, mag);
    EXPECT_EQ(um, CString("1000μm"));
    EXPECT_EQ(cm, CString("4cm"));
    EXPECT_EQ(mag, CString(" @40X"));

    bar.SetLength(200);  // 20 cm at 40x: 5 mm of slide
    bar.GetBarLabels(um, cm, mag);
    EXPECT_EQ(bar.m_barPixels, 756);
    EXPECT_EQ(um, CString("5000μm"));
    EXPECT_EQ(cm, CString("20cm"));

    // The default ruler is 100 mm on the screen.
    EXPECT_EQ(bar.m_rulerStart.x, 400);
    EXPECT_EQ(bar.m_rulerEnd.x, 778);
    EXPECT_EQ(bar.GetRulerLabel(), CString("2500.00μm"));
}

TEST(ScaleBar, ZeroMagnificationOrCalibrationTerminateWithZeroLengths)
{
    CScaleBar bar(nullptr, 3780);
    bar.SetMagnification(0);
    CString um, cm, mag;
    bar.GetBarLabels(um, cm, mag);
    EXPECT_EQ(um, CString("0μm"));
    EXPECT_EQ(bar.GetRulerLabel(), CString("  0.00μm"));

    CScaleBar uncalibrated(nullptr, 0);
    uncalibrated.SetMagnification(10);
    uncalibrated.m_rulerEnd = POINT{600, 30};
    uncalibrated.BuildTicks();  // must end: a zero step never reaches the end
    EXPECT_TRUE(uncalibrated.m_ticks.empty());
    EXPECT_EQ(uncalibrated.m_barPixels, 0);
    EXPECT_EQ(uncalibrated.GetRulerLabel(), CString("  0.00μm"));

    // Drawing either must not hang or fault.
    MemSurface s(400, 300);
    uncalibrated.ToggleScreenRuler();
    uncalibrated.SetClientRect(RECT{0, 0, 400, 300});
    uncalibrated.Draw(s.dc);
    bar.ToggleScreenRuler();
    bar.SetClientRect(RECT{0, 0, 400, 300});
    bar.Draw(s.dc);
}

TEST(ScaleBar, TicksOfHorizontalVerticalAndReversedRulers)
{
    CScaleBar bar(nullptr, 3780);  // 3.78 px per screen millimetre
    bar.BuildTicks();
    // 378 px: ticks at k = 1..99 (k = 100 lands on the end).
    ASSERT_EQ(bar.m_ticks.size(), 99u);
    EXPECT_EQ(bar.m_ticks[0].x1, 403);
    EXPECT_EQ(bar.m_ticks[0].y1, 15);  // 15 px half length, above then below
    EXPECT_EQ(bar.m_ticks[0].y2, 45);
    EXPECT_EQ(bar.m_ticks[4].y1, 7);   // every 5 mm: 23
    EXPECT_EQ(bar.m_ticks[9].y1, 0);   // every cm: the full band
    EXPECT_EQ(bar.m_ticks[9].y2, 60);
    EXPECT_EQ(bar.m_band[0].y, 0);
    EXPECT_EQ(bar.m_band[1].y, 60);
    EXPECT_EQ(bar.m_ticks[9].x1, 437);

    // Vertical: band 60 pixels wide, horizontal ticks.
    bar.m_rulerStart = POINT{100, 100};
    bar.m_rulerEnd = POINT{100, 200};
    bar.BuildTicks();
    EXPECT_EQ(bar.m_band[0].x - bar.m_band[1].x, 60);
    ASSERT_FALSE(bar.m_ticks.empty());
    for (const auto& t : bar.m_ticks) EXPECT_EQ(t.y1, t.y2);
    const size_t down = bar.m_ticks.size();
    EXPECT_EQ(bar.m_ticks[0].y1, 103);

    // Bottom to top: the same ticks counted from the start.
    bar.m_rulerStart = POINT{100, 200};
    bar.m_rulerEnd = POINT{100, 100};
    bar.BuildTicks();
    EXPECT_EQ(bar.m_ticks.size(), down);
    EXPECT_EQ(bar.m_ticks[0].y1, 196);

    // Right to left.
    bar.m_rulerStart = POINT{500, 50};
    bar.m_rulerEnd = POINT{122, 50};
    bar.BuildTicks();
    EXPECT_EQ(bar.m_ticks.size(), 99u);
    EXPECT_EQ(bar.m_ticks[0].x1, 496);

    // Shorter than a screen millimetre, and of length zero.
    bar.m_rulerEnd = POINT{503, 50};
    bar.BuildTicks();
    EXPECT_TRUE(bar.m_ticks.empty());
    bar.m_rulerEnd = bar.m_rulerStart;
    bar.BuildTicks();
    EXPECT_TRUE(bar.m_ticks.empty());
    bar.SetMagnification(40);
    EXPECT_EQ(bar.GetRulerLabel(), CString("  0.00μm"));
}

TEST(ScaleBar, RulerTakesDragsOnlyWhileShownAndActive)
{
    CScaleBar bar(nullptr, 3780);
    // Hidden: nothing is taken.
    EXPECT_EQ(bar.OnLButtonDown(400, 30), 0);
    EXPECT_EQ(bar.OnLButtonUp(400, 30), 0);

    bar.ToggleScreenRuler();
    EXPECT_EQ(bar.OnLButtonDown(400, 30), 0);  // shown but not yet active
    EXPECT_EQ(bar.OnLButtonUp(500, 35), 1);    // a click on the band activates it
    EXPECT_EQ(bar.m_rulerActive, 1);

    // Drag the end.
    EXPECT_EQ(bar.OnLButtonDown(779, 31), 1);
    EXPECT_EQ(bar.m_hitCode, CScaleBar::HIT_END);
    EXPECT_EQ(bar.m_hitEnd, 1);
    EXPECT_EQ(bar.OnMouseMove(700, 130), 1);
    EXPECT_EQ(bar.m_rulerEnd.x, 700);
    EXPECT_EQ(bar.m_rulerEnd.y, 130);
    EXPECT_EQ(bar.OnLButtonUp(700, 130), 1);

    // Move the whole ruler by its band.
    EXPECT_EQ(bar.OnLButtonDown(550, 80), 1);
    EXPECT_EQ(bar.m_hitCode, CScaleBar::HIT_BAND);
    EXPECT_EQ(bar.OnMouseMove(560, 85), 1);
    EXPECT_EQ(bar.m_rulerStart.x, 410);
    EXPECT_EQ(bar.m_rulerStart.y, 35);
    EXPECT_EQ(bar.m_rulerEnd.x, 710);
    bar.OnLButtonUp(560, 85);

    // A click elsewhere releases it.
    EXPECT_EQ(bar.OnLButtonDown(50, 500), 0);
    EXPECT_EQ(bar.m_rulerActive, 0);
    EXPECT_EQ(bar.OnMouseMove(60, 500), 0);

    // Switched off while active, it comes back inactive.
    bar.OnLButtonUp(410, 35);
    EXPECT_EQ(bar.m_rulerActive, 1);
    bar.ToggleScreenRuler();
    EXPECT_EQ(bar.m_rulerActive, 0);
    bar.ToggleScreenRuler();
    EXPECT_EQ(bar.OnLButtonDown(410, 35), 0);
}

TEST(ScaleBar, DrawingRestoresTheDeviceContext)
{
    CScaleBar bar(nullptr, 3780);
    bar.SetMagnification(40);
    bar.ToggleScreenRuler();
    bar.SetClientRect(RECT{0, 0, 800, 600});
    MemSurface s(800, 600);
    s.Fill(RGB(128, 128, 128), 800, 600);
    ::SetTextColor(s.dc, RGB(1, 2, 3));
    ::SetBkMode(s.dc, OPAQUE);
    HGDIOBJ font = ::GetCurrentObject(s.dc, OBJ_FONT);
    HGDIOBJ pen = ::GetCurrentObject(s.dc, OBJ_PEN);
    HGDIOBJ brush = ::GetCurrentObject(s.dc, OBJ_BRUSH);
    bar.Draw(s.dc);
    EXPECT_EQ(::GetTextColor(s.dc), RGB(1, 2, 3));
    EXPECT_EQ(::GetBkMode(s.dc), OPAQUE);
    EXPECT_EQ(::GetCurrentObject(s.dc, OBJ_FONT), font);
    EXPECT_EQ(::GetCurrentObject(s.dc, OBJ_PEN), pen);
    EXPECT_EQ(::GetCurrentObject(s.dc, OBJ_BRUSH), brush);
    // The band is tinted: a pixel inside it away from ticks and text.
    const COLORREF band = s.At(600, 10);
    EXPECT_NEAR(GetRValue(band), (128 * 111 + 0x32 * 144) / 255.0, 1.0);
}

// The texts a drawing writes, each with whether a font the drawing created
// was selected at the time, read back from a recording of the drawing.
struct RecordedText {
    std::wstring text;
    bool ownFont;
};
struct Recording {
    std::vector<RecordedText> texts;
    std::set<DWORD> fonts;  // object table slots that hold a font the drawing made
    bool ownFont = false;
};

int CALLBACK CollectTexts(HDC, HANDLETABLE*, const ENHMETARECORD* record, int, LPARAM param)
{
    auto* r = reinterpret_cast<Recording*>(param);
    switch (record->iType) {
    case EMR_EXTCREATEFONTINDIRECTW:
        r->fonts.insert(reinterpret_cast<const EMREXTCREATEFONTINDIRECTW*>(record)->ihFont);
        break;
    case EMR_DELETEOBJECT:  // the slot is used again for other objects
        r->fonts.erase(reinterpret_cast<const EMRDELETEOBJECT*>(record)->ihObject);
        break;
    case EMR_SELECTOBJECT: {
        const DWORD object = reinterpret_cast<const EMRSELECTOBJECT*>(record)->ihObject;
        if (r->fonts.count(object)) r->ownFont = true;
        else if ((object & 0x80000000u) && (object & 0xFF) >= OEM_FIXED_FONT && (object & 0xFF) <= DEFAULT_GUI_FONT)
            r->ownFont = false;
        break;
    }
    case EMR_EXTTEXTOUTW: {
        const auto* t = reinterpret_cast<const EMREXTTEXTOUTW*>(record);
        const auto* chars = reinterpret_cast<const wchar_t*>(reinterpret_cast<const BYTE*>(record) + t->emrtext.offString);
        r->texts.push_back(RecordedText{std::wstring(chars, t->emrtext.nChars), r->ownFont});
        break;
    }
    }
    return 1;
}

TEST(ScaleBar, BarLabelsInTheirFontAndTheRulerLabelInTheDeviceContextsOwn)
{
    HFONT labels = CScaleBar::CreateLabelFont();
    EXPECT_EQ("", testing_support::ChineseFontProblem(labels, "1000μm 4cm @40X"));
    ::DeleteObject(labels);

    CScaleBar bar(nullptr, 3780);
    bar.SetMagnification(40);
    bar.ToggleScreenRuler();
    bar.SetClientRect(RECT{0, 0, 800, 600});
    HDC dc = ::CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, dc);
    bar.Draw(dc);
    HENHMETAFILE recording = ::CloseEnhMetaFile(dc);
    Recording seen;
    ::EnumEnhMetaFile(nullptr, recording, &CollectTexts, &seen, nullptr);
    ::DeleteEnhMetaFile(recording);

    int barTexts = 0, rulerTexts = 0;
    for (const RecordedText& t : seen.texts) {
        if (t.text.find(L'.') != std::wstring::npos) {  // "2500.00μm": the ruler's
            ++rulerTexts;
            EXPECT_FALSE(t.ownFont);
        } else {
            ++barTexts;
            EXPECT_TRUE(t.ownFont);
        }
    }
    EXPECT_EQ(6, barTexts);    // three labels, black then white
    EXPECT_EQ(2, rulerTexts);  // one label, black then white
}