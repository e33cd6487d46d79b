// What the annotation layer and the measurement layer share: an ordered
// list of owned objects with a selection, the view's scale and scroll
// offset passed on to every object, and the window they draw into.
#pragma once

#include "DrawObject.h"
#include "ObjectFactory.h"
#include "ObjectLayer.h"

#include "annotation/ObjectFiles.h"

#include <memory>
#include <vector>

class CObjectLayerBase : public IObjectLayer, protected zelvo::annotation::IObjectFileHandler {
public:
    ~CObjectLayerBase() override;

    void SetScale(float sx, float sy, int resolutionX, int resolutionY) override;
    void SetScroll(int x, int y) override;
    void OnViewSize(UINT, int, int) override {}
    int OnMouseWheel(UINT, short, CPoint) override { return 0; }
    // In edit mode: a press goes to the selected object, a double click
    // offers the object under it for deletion or else makes a new one there,
    // a right click on the selected object offers it for deletion.
    int OnLButtonDown(UINT flags, CPoint point) override;
    int OnLButtonDblClk(UINT flags, CPoint point) override;
    int OnRButtonDown(UINT flags, CPoint point) override;

    // Makes an object of the tool type at a client point; 1, or 0 when none was made.
    virtual int CreateAt(int x, int y) = 0;

    // The selected object, or null (also when the index lies outside the list).
    CDrawObject* GetSelected() const;
    int GetSelectedIndex() const { return m_selected; }
    int GetCount() const { return (int)m_objects.size(); }
    CDrawObject* GetObjectAt(int index) const;
    // From the end backwards; -1 when absent.
    int IndexOf(const CDrawObject* object) const;
    int GetLastIndex() const { return GetCount() - 1; }
    // Asks the window to centre the view on the object (never on a caption).
    void ScrollToObject(int index);

    int GetToolType() const { return m_toolType; }
    int IsEditMode() const { return m_editMode; }
    int IsModified() const { return m_modified; }
    CWnd* GetOwner() const { return m_owner; }
    void SetOwner(CWnd* owner) { m_owner = owner; }
    DrawAttributes& Attributes() { return m_attributes; }
    double GetScaleX() const { return m_scaleX; }
    POINT GetScrollOffset() const { return m_scroll; }

protected:
    CObjectLayerBase();

    // A new object of the type with the layer's attributes, scale,
    // resolution and scroll offset; null for types this layer does not hold.
    CDrawObject* MakeObject(int type, LayerKind kind, DrawChangeFn onChange);
    // Asks the user whether to delete an object (which click asked differs in wording).
    virtual void OfferDeletion(int index, bool doubleClick) = 0;
    // Tells the dialog that follows the selection.
    virtual void PostSelected() = 0;
    void Deselect();
    void Select(int index);
    // Deselects, then selects the object found by a click (-1: none); 1 when one was.
    int SelectFound(int found);
    void DestroyAll();
    // Moves an object out of the list and gives it to the caller.
    std::unique_ptr<CDrawObject> TakeAt(int index);
    void InvalidateOwner();
    void Post(CWnd* to, UINT message, WPARAM w, LPARAM l) const;
    // The objects' records, for a file (objects that are not stored are left out).
    void WriteObjects(zelvo::ByteWriter& out) const;
    // How many of the objects have a record.
    uint32_t StoredCount() const;
    // Takes the objects of a file's bytes through OnObject and tells the user
    // once when the file could not be read whole.
    zelvo::annotation::ReadOutcome ReadObjects(const std::vector<uint8_t>& bytes, bool measureFile);

    std::vector<std::unique_ptr<CDrawObject>> m_objects;
    int m_selected = -1;
    int m_toolType = 0;
    int m_editMode = 0;
    int m_modified = 0;
    int m_buttonDown = 0;
    DrawAttributes m_attributes;
    double m_scaleX = 1.0, m_scaleY = 1.0;
    uint32_t m_resX = 0, m_resY = 0;
    POINT m_scroll{0, 0};
    CWnd* m_owner = nullptr;
};
