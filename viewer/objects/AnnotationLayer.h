// The annotations over one display window: text notes, marks and the shapes
// that also annotate. Creates them by type id, keeps their order, routes the
// mouse to them, shows and hides kinds of them, and reads and writes the
// annotation file.
#pragma once

#include "LayerBase.h"

class CAnnotationLayer : public CObjectLayerBase {
public:
    CAnnotationLayer();
    ~CAnnotationLayer() override;

    void Reset(CWnd* owner) override;
    void Reset();
    void DrawAll(HDC dc) override;
    void OnViewSize(UINT type, int cx, int cy) override;
    int OnLButtonUp(UINT flags, CPoint point) override;
    int OnMouseMove(UINT flags, CPoint point) override;
    int OnMouseWheel(UINT flags, short delta, CPoint point) override;

    // Creates an object of the type; with a record it is the object read
    // from a file, else a new one. 1, or 0 for types this layer does not hold.
    int CreateObject(int type, const zelvo::annotation::ObjectRecord* record);
    int CreateAt(int x, int y) override;
    void ConfirmDelete(int index, CWnd* parent);
    void DeleteAt(int index);
    void DeleteAll();
    void SetToolType(int type, int deselect);

    void ShowHotSpotMarks(int on);
    void ShowFeatureRegions(int on);
    void ShowAll(int on);
    void ShowCaption(int on);
    void SetEditMode(int on);

    // Writes the layer to a file; an empty layer deletes the file. FALSE
    // (after telling the user) when it could not be written.
    BOOL WriteFile(LPCTSTR path);
    BOOL Save() { return WriteFile(m_path); }
    // Reads an annotation file from the file's position (the slide server's
    // payload comes as a memory file).
    void ReadFile(CFile& file);

    void SetPath(const CString& path) { m_path = path; }
    const CString& GetPath() const { return m_path; }
    void SetListWindow(CWnd* wnd) { m_listWindow = wnd; }
    void SetToolBoxWindow(CWnd* wnd) { m_toolBoxWindow = wnd; }
    // The layer under this one (the slide's own, under a user's marks): a
    // linked file that layer still names is not deleted with a hot spot here.
    void SetLinkedLayer(CAnnotationLayer* layer) { m_linkedLayer = layer; }
    CAnnotationLayer* GetLinkedLayer() const { return m_linkedLayer; }
    // Deletes a removed hot spot's linked file unless another hot spot here
    // or in the linked layer names a file of that name.
    void ReleaseMediaFile(CDrawObject* marker);
    // Releases the linked files of the objects made since the layer was last
    // written: a user's layer closed unsaved leaves none of its copies behind.
    void ReleaseAddedMedia();
    int GetAddedCount() const { return (int)m_added.size(); }
    int HasCaption() const { return m_hasCaption; }
    int GetShowAll() const { return m_showAll; }
    int GetDeletedCount() const { return (int)m_deleted.size(); }
    SIZE GetViewSize() const { return m_viewSize; }

protected:
    bool OnObject(int32_t type, const zelvo::annotation::ObjectRecord& record) override;
    void OfferDeletion(int index, bool doubleClick) override;
    void PostSelected() override;

private:
    static int OnObjectChanged(void* context, CDrawObject* object);
    int IndexOfCaption() const;
    // Brings hover to the notes whose anchors lie inside a hovered shape.
    void HoverNotesInside(CDrawObject* shape, int on);

    int m_hasCaption = 0;
    int m_showAll = 0;
    CString m_path;
    // Removed objects stay until the file is written.
    std::vector<std::unique_ptr<CDrawObject>> m_deleted;
    // Made by the user since the last write; owned by the object or deleted list.
    std::vector<CDrawObject*> m_added;
    CWnd* m_listWindow = nullptr;
    CWnd* m_toolBoxWindow = nullptr;
    CAnnotationLayer* m_linkedLayer = nullptr;
    SIZE m_viewSize{0, 0};
};
