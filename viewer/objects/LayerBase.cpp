#include "LayerBase.h"

#include "ObjectFileIo.h"

CObjectLayerBase::CObjectLayerBase() : m_attributes(DefaultDrawAttributes()) {}

CObjectLayerBase::~CObjectLayerBase() { DestroyAll(); }

void CObjectLayerBase::DestroyAll()
{
    // Last first; a blinking shape stops its worker in its destructor.
    while (!m_objects.empty()) m_objects.pop_back();
}

CDrawObject* CObjectLayerBase::MakeObject(int type, LayerKind kind, DrawChangeFn onChange)
{
    CDrawObject* object = CreateDrawObject(type, kind, ObjectArgs{m_owner, m_attributes, onChange, this});
    if (!object) return nullptr;
    object->SetScale(m_scaleX, m_scaleY);
    object->SetResolution(m_resX, m_resY);
    object->SetScroll(m_scroll.x, m_scroll.y);
    return object;
}

void CObjectLayerBase::SetScale(float sx, float sy, int resolutionX, int resolutionY)
{
    m_scaleX = sx;
    m_scaleY = sy;
    m_resX = (uint32_t)resolutionX;
    m_resY = (uint32_t)resolutionY;
    for (auto it = m_objects.rbegin(); it != m_objects.rend(); ++it) {
        (*it)->SetScale(m_scaleX, m_scaleY);
        (*it)->SetResolution(m_resX, m_resY);
    }
}

void CObjectLayerBase::SetScroll(int x, int y)
{
    m_scroll = POINT{x, y};
    for (auto it = m_objects.rbegin(); it != m_objects.rend(); ++it) (*it)->SetScroll(x, y);
}

CDrawObject* CObjectLayerBase::GetObjectAt(int index) const
{
    return index >= 0 && index < GetCount() ? m_objects[(size_t)index].get() : nullptr;
}

CDrawObject* CObjectLayerBase::GetSelected() const { return GetObjectAt(m_selected); }

int CObjectLayerBase::IndexOf(const CDrawObject* object) const
{
    for (int i = GetCount() - 1; i >= 0; --i)
        if (m_objects[(size_t)i].get() == object) return i;
    return -1;
}

void CObjectLayerBase::Deselect()
{
    if (CDrawObject* selected = GetSelected()) selected->SetSelected(FALSE);
    m_selected = -1;
}

void CObjectLayerBase::Select(int index)
{
    m_selected = index;
    if (CDrawObject* selected = GetSelected()) selected->SetSelected(TRUE);
}

int CObjectLayerBase::SelectFound(int found)
{
    Deselect();
    if (found < 0) return 0;
    Select(found);
    PostSelected();
    m_toolType = m_objects[(size_t)found]->GetType();
    return 1;
}

int CObjectLayerBase::OnLButtonDown(UINT, CPoint p)
{
    m_buttonDown = 1;
    CDrawObject* selected = GetSelected();
    if (!selected) return 0;
    if (!m_editMode) {
        Deselect();
        return 0;
    }
    selected->OnLButtonDown(p.x, p.y);
    PostSelected();
    m_toolType = selected->GetType();
    return 1;
}

int CObjectLayerBase::OnLButtonDblClk(UINT flags, CPoint p)
{
    if (!m_editMode) {
        Deselect();
        return 0;
    }
    for (int i = GetCount() - 1; i >= 0; --i) {
        if (m_objects[(size_t)i]->OnLButtonDblClk(p.x, p.y)) {
            OfferDeletion(i, true);
            return 1;
        }
    }
    if (m_toolType != DRAW_CAPTION) CreateAt(p.x, p.y);
    OnLButtonDown(flags, p);
    return 1;
}

int CObjectLayerBase::OnRButtonDown(UINT, CPoint p)
{
    CDrawObject* selected = GetSelected();
    if (!selected) return 0;
    if (!m_editMode) {
        Deselect();
        return 0;
    }
    if (!selected->OnRButtonDown(p.x, p.y)) return 0;
    OfferDeletion(m_selected, false);
    return 1;
}

std::unique_ptr<CDrawObject> CObjectLayerBase::TakeAt(int index)
{
    std::unique_ptr<CDrawObject> object = std::move(m_objects[(size_t)index]);
    m_objects.erase(m_objects.begin() + index);
    if (m_selected > index)
        --m_selected;
    else if (m_selected == index)
        m_selected = -1;
    return object;
}

void CObjectLayerBase::ScrollToObject(int index)
{
    CDrawObject* object = GetObjectAt(index);
    if (!object || object->GetType() == DRAW_CAPTION) return;
    if (IObjectLayerHost* host = dynamic_cast<IObjectLayerHost*>(m_owner)) {
        const POINT centre = object->GetCenter();
        host->CenterOn(centre.x, centre.y);
    }
}

void CObjectLayerBase::InvalidateOwner()
{
    if (m_owner && m_owner->m_hWnd) m_owner->Invalidate(TRUE);
}

void CObjectLayerBase::Post(CWnd* to, UINT message, WPARAM w, LPARAM l) const
{
    if (to && to->m_hWnd) to->PostMessage(message, w, l);
}

uint32_t CObjectLayerBase::StoredCount() const
{
    uint32_t count = 0;
    zelvo::annotation::ObjectRecord record;
    for (const auto& object : m_objects)
        if (object->GetRecord(record)) ++count;
    return count;
}

void CObjectLayerBase::WriteObjects(zelvo::ByteWriter& out) const
{
    zelvo::annotation::ObjectRecord record;
    for (const auto& object : m_objects)
        if (object->GetRecord(record)) zelvo::annotation::WriteObject(out, object->GetType(), record);
}

zelvo::annotation::ReadOutcome CObjectLayerBase::ReadObjects(const std::vector<uint8_t>& bytes, bool measureFile)
{
    const zelvo::annotation::ReadOutcome outcome =
        measureFile ? zelvo::annotation::ReadMeasureFile(bytes.data(), bytes.size(), *this)
                    : zelvo::annotation::ReadAnnotationFile(bytes.data(), bytes.size(), *this);
    ReportObjectFileRead(outcome, m_owner ? m_owner->m_hWnd : nullptr);
    return outcome;
}
