#include "AnnotationLayer.h"

#include "CaptionNote.h"
#include "FramedShape.h"
#include "ImageGroupHotSpot.h"
#include "MediaFiles.h"
#include "MediaHotSpot.h"
#include "ObjectFileIo.h"
#include "PolygonMeasure.h"
#include "ObjectMessages.h"
#include "TextNote.h"
#include "Workers.h"

#include "annotation/MediaNames.h"

#include <algorithm>

namespace {

bool IsHotSpot(int type) { return type == DRAW_IMAGE_OLD || (type >= DRAW_IMAGE && type <= DRAW_IMAGE_GROUP); }
bool IsTextNote(int type) { return type == DRAW_NOTE_MARK || type == DRAW_NOTE_TITLE; }
// Kinds kept at the front of the list, behind the caption.
bool IsNoteFamily(int type) { return (type >= 0 && type < DRAW_REGION) || IsHotSpot(type); }
// Shapes whose hover reaches the notes that point into them.
bool LinksNotes(int type)
{
    return type == DRAW_REGION || type == DRAW_BRACKET || type == DRAW_ARROW || type == DRAW_FREEHAND;
}
bool HasWorker(int type) { return type == DRAW_REGION || type == DRAW_FREEHAND; }

// A shape's own test of a client point, as hovering links notes with it.
int ShapeContains(CDrawObject* shape, int x, int y)
{
    if (auto* framed = dynamic_cast<CFramedShape*>(shape)) return framed->HitTestRegion(x, y);
    if (auto* outline = dynamic_cast<CPolygonMeasure*>(shape)) return outline->Contains(x, y);
    return shape->HitTest(x, y);
}

const char kDeleteText[] = "真要删除此目标吗？";
const char kDeleteCaption[] = "目标删除";
const POINT kCaptionPlace{140, 110};

} // namespace

CAnnotationLayer::CAnnotationLayer() { Reset(); }

CAnnotationLayer::~CAnnotationLayer()
{
    DestroyAll();
    m_deleted.clear();
}

void CAnnotationLayer::Reset(CWnd* owner)
{
    SetOwner(owner);
    Reset();
}

void CAnnotationLayer::Reset()
{
    m_modified = 0;
    m_selected = -1;
    m_toolType = 0;
    m_hasCaption = 0;
    m_added.clear();
    DestroyAll();
    m_deleted.clear();
    m_attributes = DefaultDrawAttributes();
    ::GetObjectA(::GetStockObject(SYSTEM_FONT), sizeof m_attributes.font, &m_attributes.font);
}

int CAnnotationLayer::OnObjectChanged(void* context, CDrawObject* object)
{
    CAnnotationLayer* layer = static_cast<CAnnotationLayer*>(context);
    layer->Post(layer->m_listWindow, WM_ANNOTATION_CHANGED, (WPARAM)layer, (LPARAM)layer->IndexOf(object));
    return 0;
}

void CAnnotationLayer::PostSelected() { Post(m_toolBoxWindow, WM_ANNOTATION_SELECTED, 1, (LPARAM)this); }

int CAnnotationLayer::IndexOfCaption() const
{
    for (int i = 0; i < GetCount(); ++i)
        if (m_objects[(size_t)i]->GetType() == DRAW_CAPTION) return i;
    return -1;
}

// ---------------------------------------------------------------------------
// Objects

int CAnnotationLayer::CreateObject(int type, const zelvo::annotation::ObjectRecord* record)
{
    std::unique_ptr<CDrawObject> object(MakeObject(type, LayerKind::annotation, &OnObjectChanged));
    if (!object) return 0;
    if (record && !object->SetRecord(*record)) return 0;
    if (type == DRAW_CAPTION && record) {
        m_hasCaption = 1;
        static_cast<CCaptionNote*>(object.get())->KeepInside();
    }
    Deselect();

    size_t at = m_objects.size();
    const bool captionFirst = !m_objects.empty() && m_objects.front()->GetType() == DRAW_CAPTION;
    if (type == DRAW_CAPTION)
        at = 0;
    else if (record)
        at = m_objects.size();  // a file's objects keep the file's order
    else if (IsNoteFamily(type))
        at = captionFirst ? 1 : 0;
    m_objects.insert(m_objects.begin() + (std::ptrdiff_t)at, std::move(object));
    m_selected = (int)at;
    return 1;
}

bool CAnnotationLayer::OnObject(int32_t type, const zelvo::annotation::ObjectRecord& record)
{
    // A kind shown only among the measurements: its record is read, so the
    // objects behind it are still found.
    if (!LayerHolds(type, LayerKind::annotation)) return true;
    return CreateObject(type, &record) != 0;
}

int CAnnotationLayer::CreateAt(int x, int y)
{
    if (!CreateObject(m_toolType, nullptr)) return 0;
    CDrawObject* object = GetSelected();
    object->BeginCreate(x, y);
    if (HasWorker(object->GetType()))
        if (CPeriodicWorker* worker = dynamic_cast<CPeriodicWorker*>(object)) worker->Start();
    object->SetVisible(TRUE);
    object->SetSelected(TRUE);
    m_added.push_back(object);
    if (auto* spot = dynamic_cast<CMediaHotSpot*>(object))
        spot->ChooseMediaFile();
    else if (auto* group = dynamic_cast<CImageGroupHotSpot*>(object))
        group->ChoosePictures();
    Post(m_listWindow, WM_ANNOTATION_CHANGED, (WPARAM)this, (LPARAM)m_selected);
    return 1;
}

void CAnnotationLayer::DeleteAt(int index)
{
    CDrawObject* object = GetObjectAt(index);
    if (!object) return;
    const int type = object->GetType();
    RECT bound;
    object->GetBoundRect(&bound);
    m_deleted.push_back(TakeAt(index));
    ::InflateRect(&bound, 6, 6);
    if (m_owner && m_owner->m_hWnd) m_owner->InvalidateRect(&bound, TRUE);
    if (type == DRAW_CAPTION) m_hasCaption = 0;
    Post(m_listWindow, WM_ANNOTATION_CHANGED, (WPARAM)this, (LPARAM)index);
}

void CAnnotationLayer::ConfirmDelete(int index, CWnd* parent)
{
    if (!m_editMode) return;
    if (fw::ShowMessageBox(parent ? parent->m_hWnd : nullptr, kDeleteText, kDeleteCaption, MB_YESNO) == IDYES)
        DeleteAt(index);
}

void CAnnotationLayer::DeleteAll()
{
    for (int i = GetCount() - 1; i >= 0; --i) {
        CDrawObject* object = m_objects[(size_t)i].get();
        if (HasWorker(object->GetType()))
            if (CPeriodicWorker* worker = dynamic_cast<CPeriodicWorker*>(object)) worker->Stop();
        DeleteAt(i);
    }
}

void CAnnotationLayer::SetToolType(int type, int deselect)
{
    if (deselect && type != m_toolType) Deselect();
    m_toolType = type;
    if (type == DRAW_CAPTION && !m_hasCaption) m_hasCaption = CreateAt(kCaptionPlace.x, kCaptionPlace.y);
}

// ---------------------------------------------------------------------------
// Showing kinds

void CAnnotationLayer::ShowHotSpotMarks(int on)
{
    for (const auto& object : m_objects) {
        const int type = object->GetType();
        if (IsTextNote(type))
            object->SetFlags(on ? (object->GetFlags() | DOF_HOTSPOT_MARK) : (object->GetFlags() & ~DOF_HOTSPOT_MARK));
        else if (HasWorker(type))
            object->SetVisible(on);
    }
}

void CAnnotationLayer::ShowFeatureRegions(int on)
{
    for (const auto& object : m_objects)
        if (object->GetType() == DRAW_REGION) object->SetVisible(on);
}

void CAnnotationLayer::ShowAll(int on)
{
    m_showAll = on;
    for (const auto& object : m_objects)
        if (object->GetType() != DRAW_CAPTION) object->SetVisible(on);
}

void CAnnotationLayer::ShowCaption(int on)
{
    const int index = IndexOfCaption();
    if (index < 0) return;
    m_objects[(size_t)index]->SetVisible(on);
    if (!on && m_selected == index) Deselect();
}

void CAnnotationLayer::SetEditMode(int on)
{
    if (on) ShowHotSpotMarks(0);
    m_modified = 1;
    m_editMode = on;
    for (const auto& object : m_objects)
        if (object->GetType() != DRAW_CAPTION) object->SetVisible(on);
}

void CAnnotationLayer::OnViewSize(UINT, int cx, int cy)
{
    m_viewSize = SIZE{cx, cy};
    const RECT client{0, 0, cx, cy};
    for (const auto& object : m_objects)
        if (object->GetType() == DRAW_CAPTION) static_cast<CCaptionNote*>(object.get())->KeepInside(client);
}

// ---------------------------------------------------------------------------
// Drawing and the mouse

void CAnnotationLayer::DrawAll(HDC dc)
{
    // The caption goes over the others, the selected object over everything.
    for (int i = 1; i < GetCount(); ++i)
        if (i != m_selected) m_objects[(size_t)i]->Draw(dc);
    if (GetCount() > 0) m_objects[0]->Draw(dc);
    if (m_selected > 0 && m_selected < GetCount()) m_objects[(size_t)m_selected]->Draw(dc);
}

int CAnnotationLayer::OnLButtonUp(UINT, CPoint p)
{
    m_buttonDown = 0;
    if (!m_editMode) {
        Deselect();
        for (const auto& object : m_objects)
            if (IsHotSpot(object->GetType())) object->OnLButtonUp(p.x, p.y);
        return 0;
    }
    if (CDrawObject* selected = GetSelected())
        if (selected->OnLButtonUp(p.x, p.y)) return 1;
    int found = -1;
    for (int i = GetCount() - 1; i >= 0 && found < 0; --i)
        if (i != m_selected && m_objects[(size_t)i]->OnLButtonUp(p.x, p.y)) found = i;
    return SelectFound(found);
}

void CAnnotationLayer::OfferDeletion(int index, bool) { ConfirmDelete(index, m_owner); }

void CAnnotationLayer::HoverNotesInside(CDrawObject* shape, int on)
{
    for (const auto& object : m_objects) {
        if (!IsTextNote(object->GetType())) continue;
        const POINT anchor = static_cast<CTextNote*>(object.get())->GetAnchorScreenPoint();
        if (ShapeContains(shape, anchor.x, anchor.y)) object->SetHover(on);
    }
}

int CAnnotationLayer::OnMouseMove(UINT, CPoint p)
{
    if (m_editMode) {
        CDrawObject* selected = GetSelected();
        if (!selected) return 0;
        selected->OnMouseMove(p.x, p.y);
        return 1;
    }
    Deselect();
    bool changed = false;
    for (const auto& object : m_objects) {
        const int type = object->GetType();
        if (object->OnMouseMove(p.x, p.y)) {
            changed = true;
            if (LinksNotes(type)) {
                object->SetHover(1);
                HoverNotesInside(object.get(), 1);
            }
        } else if (object->IsHover()) {
            object->SetHover(0);
            changed = true;
            if (LinksNotes(type)) HoverNotesInside(object.get(), 0);
        }
    }
    if (changed) InvalidateOwner();
    return 0;
}

int CAnnotationLayer::OnMouseWheel(UINT flags, short delta, CPoint p)
{
    for (const auto& object : m_objects)
        if (object->GetType() == DRAW_IMAGE_GROUP) object->OnMouseWheel(flags, delta, p.x, p.y);
    return 0;
}

// ---------------------------------------------------------------------------
// The file

BOOL CAnnotationLayer::WriteFile(LPCTSTR path)
{
    // The caption goes first; the selection follows its object.
    const int caption = IndexOfCaption();
    if (caption > 0) {
        std::rotate(m_objects.begin(), m_objects.begin() + caption, m_objects.begin() + caption + 1);
        if (m_selected == caption)
            m_selected = 0;
        else if (m_selected >= 0 && m_selected < caption)
            ++m_selected;
    }
    if (m_objects.empty()) {
        ::DeleteFile(path);
        return TRUE;
    }
    std::string captionText;
    if (m_objects.front()->GetType() == DRAW_CAPTION)
        if (const CTextNote* note = dynamic_cast<const CTextNote*>(m_objects.front().get()))
            captionText.assign(note->GetText().GetString(), (size_t)note->GetText().GetLength());
    zelvo::ByteWriter out;
    zelvo::annotation::WriteAnnotationHeader(out, captionText, StoredCount());
    WriteObjects(out);
    if (!WriteFileReplacing(path, out.data(), m_owner ? m_owner->m_hWnd : nullptr)) return FALSE;
    m_added.clear();
    while (!m_deleted.empty()) {
        ReleaseMediaFile(m_deleted.back().get());
        m_deleted.pop_back();
    }
    m_modified = 0;
    return TRUE;
}

void CAnnotationLayer::ReadFile(CFile& file)
{
    DeleteAll();
    Reset();
    ReadObjects(ReadRestOfFile(file), false);
    m_toolType = 0;
    InvalidateOwner();
}

// ---------------------------------------------------------------------------
// Linked media files

namespace {

// Whether a hot spot's text names a file of that name and extension.
bool NamesFile(const CDrawObject* object, const CDrawObject* except, const std::string& name)
{
    if (object == except || !IsHotSpot(object->GetType())) return false;
    const std::string text = media::Str(static_cast<const CTextNote*>(object)->GetText());
    return zelvo::annotation::FileNameOf(text).size() == name.size() &&
           zelvo::annotation::EndsWithNoCase(text, name);
}

} // namespace

void CAnnotationLayer::ReleaseAddedMedia()
{
    for (auto it = m_added.rbegin(); it != m_added.rend(); ++it) ReleaseMediaFile(*it);
    m_added.clear();
}

void CAnnotationLayer::ReleaseMediaFile(CDrawObject* marker)
{
    if (!marker || !IsHotSpot(marker->GetType())) return;
    const std::string name =
        zelvo::annotation::FileNameOf(media::Str(static_cast<CTextNote*>(marker)->GetText()));
    if (name.empty()) return;
    for (int i = GetCount() - 1; i >= 0; --i)
        if (NamesFile(m_objects[(size_t)i].get(), marker, name)) return;
    if (m_linkedLayer)
        for (int i = 0; i < m_linkedLayer->GetCount(); ++i)
            if (NamesFile(m_linkedLayer->GetObjectAt(i), marker, name)) return;
    marker->DeleteLinkedFile();
}
