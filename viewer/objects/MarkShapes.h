// Annotation marks in a rotatable frame that measure nothing: a curly
// brace drawn as an open line, and a closed arrow outline.
#pragma once

#include "FramedShape.h"

// Pressed anywhere in its frame, not only on its line.
class CBracketShape : public CFramedShape {
public:
    CBracketShape(CWnd* owner, DrawAttributes attributes, DrawChangeFn onChange, void* context, int type);

    void Draw(HDC dc) override;
    void Init() override;
    void BuildOutline() override;
};

class CArrowShape : public CFramedShape {
public:
    CArrowShape(CWnd* owner, DrawAttributes attributes, DrawChangeFn onChange, void* context, int type);

    void Draw(HDC dc) override;
    // Only inside its outline.
    int HitTestRegion(int x, int y) override;
    void Init() override;
    void BuildOutline() override;
};
