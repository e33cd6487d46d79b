// A closed polygon over the slide whose area, perimeter and shape figures
// are measured; created as a hexagon at the click point, edited by dragging,
// inserting and removing vertices and by moving it whole.
#pragma once

#include "PolygonMeasure.h"

#include "annotation/RegionRecord.h"

class CRegionMeasure : public CPolygonMeasure {
public:
    CRegionMeasure(CWnd* owner, DrawAttributes attributes, DrawChangeFn onChange, void* context,
                   int type = DRAW_REGION);
    ~CRegionMeasure() override;

    void Draw(HDC dc) override;
    void BeginCreate(int x, int y) override;

    zelvo::annotation::RegionRecord GetRecord() const;
    // Takes the record's points and the attribute fields it holds; false (and
    // nothing changed) for points beyond the bounds.
    bool SetRecord(const zelvo::annotation::RegionRecord& record);
    bool GetRecord(zelvo::annotation::ObjectRecord& out) const override;
    bool SetRecord(const zelvo::annotation::ObjectRecord& record) override;


private:
    // Where the next region's outline starts: one counter for all regions,
    // so that the dash pattern moves along a blinking outline.
    static unsigned s_drawStart;
};
