#include "MarkShapes.h"

namespace annotation = zelvo::annotation;
namespace geom = zelvo::geom;

CBracketShape::CBracketShape(CWnd* owner, DrawAttributes attributes, DrawChangeFn onChange, void* context, int type)
    : CFramedShape(owner, attributes, onChange, context, type)
{
    Init();
}

void CBracketShape::Init()
{
    const geom::Point handles[4] = {{-200, 0}, {200, 0}, {0, -60}, {0, 60}};
    SetHandles(handles);
    m_attr.blink = 0;
}

void CBracketShape::BuildOutline() { BuildOutlineFrom(&annotation::BracketOutline); }

void CBracketShape::Draw(HDC dc)
{
    if (!dc || !m_flags) return;
    DrawWithOutlinePen(dc, ScreenOutline(), false);
    DrawSelectedFrame(dc);
}

CArrowShape::CArrowShape(CWnd* owner, DrawAttributes attributes, DrawChangeFn onChange, void* context, int type)
    : CFramedShape(owner, attributes, onChange, context, type)
{
    Init();
}

void CArrowShape::Init()
{
    const geom::Point handles[4] = {{-120, 0}, {120, 0}, {0, -70}, {0, 70}};
    SetHandles(handles);
    m_attr.blink = 0;
}

void CArrowShape::BuildOutline() { BuildOutlineFrom(&annotation::ArrowOutline); }

int CArrowShape::HitTestRegion(int x, int y) { return OutlineContains(x, y); }

void CArrowShape::Draw(HDC dc)
{
    if (!dc || !m_flags) return;
    DrawWithOutlinePen(dc, ScreenOutline(), true);
    DrawSelectedFrame(dc);
}
