// The measurements of the results dialog: segment chains, angles, arcs and
// the other measuring shapes, numbered by their place in the list. Creates
// them by type id, routes the mouse to them while the dialog is open, and
// reads and writes the measurement result file.
#pragma once

#include "LayerBase.h"

class CMeasureLayer : public CObjectLayerBase {
public:
    CMeasureLayer();
    ~CMeasureLayer() override;

    void Reset(CWnd* owner) override;
    void Reset();
    void DrawAll(HDC dc) override;
    int OnLButtonUp(UINT flags, CPoint point) override;
    int OnMouseMove(UINT flags, CPoint point) override;

    // With a record it is the measurement read from a file. 1, or 0 for
    // types this layer does not hold.
    int CreateObject(int type, const zelvo::annotation::ObjectRecord* record = nullptr);
    int CreateAt(int x, int y) override;
    void DeleteAt(int index);
    void SetToolType(int type, int deselect);
    void ShowFeatureRegions(int on);
    void ShowAllObjects(int on);
    void SetEditMode(int on);

    // FALSE (after telling the user) when the file could not be written.
    BOOL WriteFile(LPCTSTR path);
    // An unreadable file leaves the layer empty.
    void ReadFile(LPCTSTR path);

    void SetNotifyWindow(CWnd* wnd) { m_notifyWindow = wnd; }

protected:
    bool OnObject(int32_t type, const zelvo::annotation::ObjectRecord& record) override;
    void OfferDeletion(int index, bool doubleClick) override;
    void PostSelected() override;

private:
    static int OnObjectChanged(void* context, CDrawObject* object);
    void PostChanged(int index);
    void Renumber(int from);

    CWnd* m_notifyWindow = nullptr;
};
