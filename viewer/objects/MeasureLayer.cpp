#include "MeasureLayer.h"

#include "ObjectFileIo.h"
#include "ObjectMessages.h"
#include "PolygonMeasure.h"
#include "Workers.h"

#include <cstring>

namespace {

bool IsOutline(int type) { return type == DRAW_REGION || type == DRAW_FREEHAND; }

const char kDeleteOnDoubleClick[] = "将要删除指定对象, 确定删除吗？";
const char kDeleteOnRightClick[] = "真要删除指定目标吗？";

CString AppTitle()
{
    CWinApp* app = AfxGetApp();
    return app ? CString(app->m_pszAppName) : CString();
}

} // namespace

CMeasureLayer::CMeasureLayer()
{
    std::memset(&m_attributes, 0, sizeof m_attributes);
    Reset();
}

CMeasureLayer::~CMeasureLayer() = default;

void CMeasureLayer::Reset(CWnd* owner)
{
    SetOwner(owner);
    Reset();
}

void CMeasureLayer::Reset()
{
    m_modified = 0;
    m_selected = -1;
    m_toolType = 0;
    DestroyAll();
    m_attributes.textColor = 0xFFFFFF;
    m_attributes.textBkColor = 0x7F7F7F;
    m_attributes.fillColor = 0x7F7F7F;
    m_attributes.borderColor = 0x000000;
    m_attributes.blink = 0;
}

int CMeasureLayer::OnObjectChanged(void* context, CDrawObject* object)
{
    CMeasureLayer* layer = static_cast<CMeasureLayer*>(context);
    layer->PostChanged(layer->IndexOf(object));
    return 0;
}

void CMeasureLayer::PostChanged(int index) { Post(m_notifyWindow, WM_MEASURE_CHANGED, (WPARAM)this, (LPARAM)index); }

void CMeasureLayer::PostSelected() { Post(m_notifyWindow, WM_MEASURE_SELECTED, 3, (LPARAM)this); }

void CMeasureLayer::Renumber(int from)
{
    for (int i = from; i < GetCount(); ++i) m_objects[(size_t)i]->m_number = i;
}

// ---------------------------------------------------------------------------
// Objects

int CMeasureLayer::CreateObject(int type, const zelvo::annotation::ObjectRecord* record)
{
    std::unique_ptr<CDrawObject> object(MakeObject(type, LayerKind::measure, &OnObjectChanged));
    if (!object) return 0;
    // New outlines stand still; one read from a file keeps the file's flag.
    if (auto* outline = dynamic_cast<CPolygonMeasure*>(object.get())) outline->SetBlink(FALSE);
    if (record && !object->SetRecord(*record)) return 0;
    object->m_number = GetCount();
    if (type == DRAW_REGION) object->SetFlags(object->GetFlags() | DOF_AREA_LABEL);
    Deselect();
    m_objects.push_back(std::move(object));
    m_objects.back()->SetVisible(TRUE);
    Select(GetLastIndex());
    return 1;
}

bool CMeasureLayer::OnObject(int32_t type, const zelvo::annotation::ObjectRecord& record)
{
    // A kind shown only among the annotations: its record is read, so the
    // objects behind it are still found.
    if (!LayerHolds(type, LayerKind::measure)) return true;
    return CreateObject(type, &record) != 0;
}

int CMeasureLayer::CreateAt(int x, int y)
{
    if (!CreateObject(m_toolType)) return 0;
    m_objects.back()->BeginCreate(x, y);
    PostChanged(m_selected);
    return 1;
}

void CMeasureLayer::DeleteAt(int index)
{
    if (!GetObjectAt(index)) return;
    TakeAt(index);  // destroyed here; a blinking shape stops its worker first
    Renumber(index);
    InvalidateOwner();
    PostChanged(index);
}

void CMeasureLayer::SetToolType(int type, int deselect)
{
    if (deselect && type != m_toolType) Deselect();
    m_toolType = type;
}

void CMeasureLayer::ShowFeatureRegions(int on)
{
    for (const auto& object : m_objects)
        if (IsOutline(object->GetType())) object->SetVisible(on);
}

void CMeasureLayer::ShowAllObjects(int on)
{
    for (const auto& object : m_objects)
        if (object->GetType() != DRAW_CAPTION) object->SetVisible(on);
}

void CMeasureLayer::SetEditMode(int on)
{
    if (on) ShowFeatureRegions(0);
    m_modified = 1;
    m_editMode = on;
    ShowAllObjects(on);
}

// ---------------------------------------------------------------------------
// Drawing and the mouse

void CMeasureLayer::DrawAll(HDC dc)
{
    for (const auto& object : m_objects) object->Draw(dc);
}

void CMeasureLayer::OfferDeletion(int index, bool doubleClick)
{
    const char* question = doubleClick ? kDeleteOnDoubleClick : kDeleteOnRightClick;
    const CString title = AppTitle();
    if (fw::ShowMessageBox(m_owner ? m_owner->m_hWnd : nullptr, question, title.IsEmpty() ? nullptr : title.GetString(),
                           MB_YESNO) == IDYES)
        DeleteAt(index);
}

int CMeasureLayer::OnLButtonUp(UINT, CPoint p)
{
    m_buttonDown = 0;
    if (!m_editMode) {
        Deselect();
        return 0;
    }
    int found = -1;
    for (int i = GetCount() - 1; i >= 0 && found < 0; --i)
        if (m_objects[(size_t)i]->OnLButtonUp(p.x, p.y)) found = i;
    if (found == m_selected) return 0;
    return SelectFound(found);
}

int CMeasureLayer::OnMouseMove(UINT, CPoint p)
{
    if (!m_editMode) {
        Deselect();
        return 0;
    }
    CDrawObject* selected = GetSelected();
    if (!selected) return 0;
    selected->OnMouseMove(p.x, p.y);
    return 1;
}

// ---------------------------------------------------------------------------
// The file

BOOL CMeasureLayer::WriteFile(LPCTSTR path)
{
    zelvo::ByteWriter out;
    zelvo::annotation::WriteMeasureHeader(out, StoredCount());
    WriteObjects(out);
    if (!WriteFileReplacing(path, out.data(), m_owner ? m_owner->m_hWnd : nullptr)) return FALSE;
    m_modified = 0;
    return TRUE;
}

void CMeasureLayer::ReadFile(LPCTSTR path)
{
    Reset();
    std::vector<uint8_t> bytes;
    if (ReadWholeFile(path, bytes)) ReadObjects(bytes, true);
    m_toolType = 0;
    InvalidateOwner();
}
