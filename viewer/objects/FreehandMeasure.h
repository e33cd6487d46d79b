// A closed outline drawn in one drag of the mouse and measured as a region
// is; later moved whole, with points inserted on its edges or removed.
#pragma once

#include "PolygonMeasure.h"

#include "annotation/FreehandRecord.h"

class CFreehandMeasure : public CPolygonMeasure {
public:
    CFreehandMeasure(CWnd* owner, DrawAttributes attributes, DrawChangeFn onChange, void* context,
                     int type = DRAW_FREEHAND);
    ~CFreehandMeasure() override;

    void Draw(HDC dc) override;
    void BeginCreate(int x, int y) override;
    int OnMouseMove(int x, int y) override;
    int OnLButtonUp(int x, int y) override;

    // True from construction until the drag that draws it ends; never for
    // an outline made from a record.
    bool IsDrawing() const { return m_drawing != 0; }

    zelvo::annotation::FreehandRecord GetRecord() const;
    bool SetRecord(const zelvo::annotation::FreehandRecord& record);
    bool GetRecord(zelvo::annotation::ObjectRecord& out) const override;
    bool SetRecord(const zelvo::annotation::ObjectRecord& record) override;


private:
    int m_drawing = 1;
};
