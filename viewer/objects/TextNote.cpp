#include "TextNote.h"

#include <cstring>

using zelvo::annotation::NoteRecord;
using zelvo::annotation::ObjectRecord;
namespace geom = zelvo::geom;
namespace note = zelvo::annotation;

namespace {

geom::Rect ToGeom(const RECT& r) { return geom::Rect{(int32_t)r.left, (int32_t)r.top, (int32_t)r.right, (int32_t)r.bottom}; }
RECT ToRect(const geom::Rect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }
geom::Point ToGeom(POINT p) { return geom::Point{(int32_t)p.x, (int32_t)p.y}; }

RECT Union(const RECT& a, const RECT& b)
{
    return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

bool IsHotSpotType(int type) { return type == DRAW_IMAGE_OLD || type == DRAW_IMAGE || type == DRAW_VIDEO || type == DRAW_IMAGE_GROUP; }

enum { CUR_ARROW, CUR_CROSS, CUR_MOVE, CUR_WE, CUR_NS, CUR_NWSE, CUR_NESW };

const UINT kEditId = 1000;

} // namespace

CTextNote::CTextNote(CWnd* owner, DrawAttributes attributes, DrawChangeFn onChange, void* context, int type, int)
    : CDrawObject(owner, onChange, context)
{
    m_type = type;
    m_attr = attributes;
    SetDefaults();
    if (type == DRAW_NOTE_TITLE) {
        m_attr.anchorX = m_box.left;
        m_attr.anchorY = m_box.top;
        AnchorMoved();
    }
    LoadCursors();
}

CTextNote::~CTextNote()
{
    // Being destroyed: the text is kept but nobody is told.
    EndEditQuietly();
}

void CTextNote::SetDefaults()
{
    m_attr.anchorX = 140;
    m_attr.anchorY = 110;
    m_box = RECT{40, 40, 120, 90};
    m_text.Empty();
    ::GetObjectA(::GetStockObject(SYSTEM_FONT), sizeof m_attr.font, &m_attr.font);
    m_dragCode = 0;
    m_dragging = 0;
    AnchorMoved();
}

void CTextNote::LoadCursors()
{
    if (!m_pOwner) return;
    const LPCTSTR ids[7] = {IDC_ARROW, IDC_CROSS, IDC_SIZEALL, IDC_SIZEWE, IDC_SIZENS, IDC_SIZENWSE, IDC_SIZENESW};
    for (int i = 0; i < 7; ++i) m_cursors[i] = SystemCursor(ids[i]);
    Rebuild();
}

void CTextNote::OnLoaded() {}
void CTextNote::LoadLinkedMedia() {}

bool CTextNote::TailKind() const
{
    return m_type == DRAW_NOTE_MARK || IsHotSpotType(m_type);
}

// ---------------------------------------------------------------------------
// Geometry

void CTextNote::AnchorMoved()
{
    if (m_scaleX != 0.0) m_anchorImage.x = RoundHalfUp(m_attr.anchorX / m_scaleX);
    if (m_scaleY != 0.0) m_anchorImage.y = RoundHalfUp(m_attr.anchorY / m_scaleY);
}

void CTextNote::Rebuild()
{
    const RECT oldBound = m_bound;
    m_shape = note::BuildNoteShape(ToGeom(m_box), geom::Point{m_attr.anchorX, m_attr.anchorY}, TailKind());
    m_bound = ToRect(note::NoteBoundRect(ToGeom(m_box), geom::Point{m_attr.anchorX, m_attr.anchorY}));
    InvalidateZoomed(Union(oldBound, m_bound), 5);
}

RECT CTextNote::ToScreen(const RECT& zoomed) const
{
    RECT r = zoomed;
    ImageToScreenRect(&r);
    return r;
}

void CTextNote::InvalidateZoomed(const RECT& zoomed, int inflate)
{
    if (!m_pOwner || !m_pOwner->m_hWnd) return;
    RECT r = ToScreen(zoomed);
    ::InflateRect(&r, inflate, inflate);
    m_pOwner->InvalidateRect(&r, TRUE);
}

POINT CTextNote::GetCenter() const { return m_anchorImage; }

void CTextNote::GetBoundRect(RECT* rect) const { *rect = ToScreen(m_bound); }

void CTextNote::ScreenToImageRect(RECT* rect) const { ::OffsetRect(rect, m_scrollX, m_scrollY); }
void CTextNote::ScreenToImagePoint(POINT* point) const
{
    point->x += m_scrollX;
    point->y += m_scrollY;
}
void CTextNote::ImageToScreenRect(RECT* rect) const { ::OffsetRect(rect, -m_scrollX, -m_scrollY); }
void CTextNote::ImageToScreenPoint(POINT* point) const
{
    point->x -= m_scrollX;
    point->y -= m_scrollY;
}

POINT CTextNote::GetAnchorScreenPoint() const
{
    POINT p{m_attr.anchorX, m_attr.anchorY};
    ImageToScreenPoint(&p);
    return p;
}

void CTextNote::Rescale(double sx, double sy)
{
    // The anchor follows the image from its exact position; the box keeps
    // its size and its offset from the anchor on screen.
    const int oldX = m_attr.anchorX, oldY = m_attr.anchorY;
    m_attr.anchorX = RoundHalfUp(m_anchorImage.x * sx);
    m_attr.anchorY = RoundHalfUp(m_anchorImage.y * sy);
    ::OffsetRect(&m_box, m_attr.anchorX - oldX, m_attr.anchorY - oldY);
    SetScaleValues(sx, sy);
    Rebuild();
}

void CTextNote::SetScroll(int x, int y)
{
    CDrawObject::SetScroll(x, y);
    Rebuild();
}

void CTextNote::BeginCreate(int x, int y)
{
    const POINT p = ToZoomed(x, y);
    ::OffsetRect(&m_box, p.x - m_attr.anchorX, p.y - m_attr.anchorY);
    m_attr.anchorX = p.x;
    m_attr.anchorY = p.y;
    // A box that would start left of or above the origin goes to the other side.
    if (m_box.left < 0) {
        const LONG left = m_box.left;
        m_box.left = 2 * p.x - m_box.right;
        m_box.right = 2 * p.x - left;
    }
    if (m_box.top < 0) {
        const LONG top = m_box.top;
        m_box.top = 2 * p.y - m_box.bottom;
        m_box.bottom = 2 * p.y - top;
    }
    AnchorMoved();
    Rebuild();
}

void CTextNote::SetFillMode(int mode)
{
    m_attr.bkMode = mode;
    InvalidateZoomed(m_bound, 0);
}

void CTextNote::FitRectToAspect(RECT& rect, double ratio)
{
    geom::Rect r = ToGeom(rect);
    note::FitRectToAspect(r, ratio);
    rect = ToRect(r);
}

HFONT CTextNote::CreateNoteFont() const
{
    LOGFONTA font = m_attr.font;
    // The face name comes from files: make sure it ends inside its field.
    font.lfFaceName[LF_FACESIZE - 1] = '\0';
    return ::CreateFontIndirectA(&font);
}

// ---------------------------------------------------------------------------
// Hit tests

int CTextNote::HandleTest(POINT zoomed) const
{
    return note::NoteHandleTest(m_shape, ToGeom(m_box), ToGeom(zoomed), (m_flags & DOF_SELECTED) != 0, m_hover != 0);
}

namespace {

bool InPolygon(const std::vector<geom::Point>& outline, POINT p)
{
    if (outline.size() < 3) return false;
    std::vector<POINT> points(outline.size());
    for (size_t i = 0; i < outline.size(); ++i) points[i] = POINT{outline[i].x, outline[i].y};
    HRGN region = ::CreatePolygonRgn(points.data(), (int)points.size(), ALTERNATE);
    if (!region) return false;
    const bool inside = ::PtInRegion(region, p.x, p.y) != FALSE;
    ::DeleteObject(region);
    return inside;
}

} // namespace

bool CTextNote::Contains(POINT zoomed) const
{
    if (::PtInRect(&m_box, zoomed) || InPolygon(m_shape.outline, zoomed)) return true;
    if (!(m_flags & DOF_SELECTED)) return false;
    RECT grown = m_box;
    ::InflateRect(&grown, 3, 3);
    return ::PtInRect(&grown, zoomed) || note::RectContains(m_shape.anchorHandle, ToGeom(zoomed));
}

void CTextNote::SetCursorFor(POINT zoomed) const
{
    static const int handleCursors[8] = {CUR_NWSE, CUR_NS, CUR_NESW, CUR_WE, CUR_NWSE, CUR_NS, CUR_NESW, CUR_WE};
    const int hit = HandleTest(zoomed);
    int cursor = CUR_ARROW;
    if (hit == note::kNoteHitAnchor)
        cursor = CUR_CROSS;
    else if (hit >= note::kNoteHitHandle)
        cursor = handleCursors[hit - note::kNoteHitHandle];
    else if (hit == note::kNoteHitBox)
        cursor = CUR_MOVE;
    if (m_cursors[cursor]) ::SetCursor(m_cursors[cursor]);
}

// ---------------------------------------------------------------------------
// Mouse

void CTextNote::SetSelected(BOOL on)
{
    if (on) {
        m_flags |= DOF_SELECTED;
        Rebuild();
    } else if (m_flags & DOF_SELECTED) {
        EndEdit();
        InvalidateZoomed(m_bound, 8);
        m_flags &= ~DOF_SELECTED;
    }
}

int CTextNote::OnLButtonDown(int x, int y)
{
    m_dragging = 1;
    if ((m_flags & (DOF_SELECTED | DOF_VISIBLE)) != (DOF_SELECTED | DOF_VISIBLE)) return 0;
    const POINT p = ToZoomed(x, y);
    SetCursorFor(p);
    m_dragCode = HandleTest(p);
    m_dragStart = p;
    if (!note::RectContains(m_shape.textRect, ToGeom(p))) EndEdit();
    return InPolygon(m_shape.outline, p) || note::RectContains(m_shape.anchorHandle, ToGeom(p));
}

int CTextNote::OnLButtonUp(int x, int y)
{
    m_dragging = 0;
    if (!(m_flags & DOF_VISIBLE)) return 0;
    const POINT p = ToZoomed(x, y);
    const bool inside = Contains(p);
    if (inside) NotifyChanged();
    if ((m_flags & DOF_SELECTED) && note::RectContains(m_shape.textRect, ToGeom(p))) {
        BeginEdit();
        return 1;
    }
    EndEdit();
    if (inside) return 1;
    SetSelected(FALSE);
    return 0;
}

int CTextNote::OnRButtonDown(int x, int y)
{
    return (m_flags & DOF_VISIBLE) && Contains(ToZoomed(x, y));
}

int CTextNote::OnLButtonDblClk(int x, int y)
{
    return (m_flags & DOF_VISIBLE) && Contains(ToZoomed(x, y));
}

int CTextNote::OnMouseMove(int x, int y)
{
    const POINT p = ToZoomed(x, y);
    if (!(m_flags & DOF_SELECTED)) return SetHighlight(HandleTest(p) == note::kNoteHitAnchor) ? 1 : 0;
    if (!m_dragging) {
        SetCursorFor(p);
        return 0;
    }
    if (m_dragCode == note::kNoteHitBox) {
        const int dx = p.x - m_dragStart.x, dy = p.y - m_dragStart.y;
        ::OffsetRect(&m_box, dx, dy);
        m_attr.anchorX += dx;
        m_attr.anchorY += dy;
        m_dragStart = p;
    } else if (m_dragCode == note::kNoteHitAnchor) {
        m_attr.anchorX = p.x;
        m_attr.anchorY = p.y;
    } else if (m_dragCode >= note::kNoteHitHandle && m_dragCode < note::kNoteHitHandle + 8) {
        geom::Rect box = ToGeom(m_box);
        note::DragNoteHandle(box, m_dragCode, ToGeom(p));
        m_box = ToRect(box);
    } else {
        return 0;
    }
    AnchorMoved();
    Rebuild();
    return 1;
}

// ---------------------------------------------------------------------------
// Editing

void CTextNote::BeginEdit()
{
    EndEditQuietly();
    if (IsHotSpotType(m_type) || !m_pOwner || !m_pOwner->m_hWnd) return;
    m_pEdit = new CNoteEdit;
    if (!m_pEdit->CreateEdit(m_pOwner, ToScreen(ToRect(m_shape.textRect)), kEditId)) {
        delete m_pEdit;
        m_pEdit = nullptr;
        return;
    }
    m_pEdit->SetFont(CreateNoteFont(), TRUE);
    m_pEdit->SetWindowText(m_text);
    m_pEdit->SetFocus();
    m_pEdit->SetOwnerNote(this);
}

void CTextNote::EndEditQuietly()
{
    if (!m_pEdit) return;
    HFONT font = m_pEdit->GetFont();
    m_text = m_pEdit->Finish();
    // The edit may be ending from inside its own focus handler: its window
    // is gone, the object stays until the next edit ends.
    m_spentEdit.reset(m_pEdit);
    m_pEdit = nullptr;
    if (font) ::DeleteObject(font);
}

void CTextNote::EndEdit()
{
    if (!m_pEdit) return;
    EndEditQuietly();
    NotifyChanged();
}

void CTextNote::OnNoteEditEnd(CNoteEdit*) { EndEdit(); }

// ---------------------------------------------------------------------------
// Drawing

void CTextNote::DrawAnchorMark(HDC dc, bool filled) const
{
    const POINT c = GetAnchorScreenPoint();
    const POINT star[8] = {{c.x, c.y - 10}, {c.x + 3, c.y - 3}, {c.x + 10, c.y}, {c.x + 3, c.y + 3},
                           {c.x, c.y + 10}, {c.x - 3, c.y + 3}, {c.x - 10, c.y}, {c.x - 3, c.y - 3}};
    HPEN black = ::CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
    HPEN grey = ::CreatePen(PS_SOLID, 1, RGB(0xD2, 0xD2, 0xD2));
    HGDIOBJ oldPen = ::SelectObject(dc, black);
    HGDIOBJ oldBrush = ::SelectObject(dc, ::GetStockObject(filled ? WHITE_BRUSH : NULL_BRUSH));
    ::Polygon(dc, star, 8);
    ::SelectObject(dc, grey);
    const POINT lines[4][2] = {{{c.x, c.y - 5}, {c.x, c.y + 6}},
                               {{c.x - 5, c.y}, {c.x + 6, c.y}},
                               {{c.x - 3, c.y - 3}, {c.x + 3, c.y + 3}},
                               {{c.x + 3, c.y - 3}, {c.x - 3, c.y + 3}}};
    for (const auto& line : lines) {
        ::MoveToEx(dc, line[0].x, line[0].y, nullptr);
        ::LineTo(dc, line[1].x, line[1].y);
    }
    ::SelectObject(dc, oldBrush);
    ::SelectObject(dc, oldPen);
    ::DeleteObject(black);
    ::DeleteObject(grey);
}

void CTextNote::Draw(HDC dc)
{
    if (!dc || !(m_flags & (DOF_HIGHLIGHT | DOF_VISIBLE | DOF_HOTSPOT_MARK))) return;
    const bool shown = (m_flags & (DOF_HIGHLIGHT | DOF_VISIBLE)) != 0;
    const bool selected = (m_flags & DOF_SELECTED) != 0;
    HPEN dotted = ::CreatePen(PS_DOT, 1, RGB(0, 0, 0));
    HPEN border = ::CreatePen(PS_SOLID, 1, m_attr.borderColor);
    HPEN black = ::CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
    HGDIOBJ oldBrush = ::SelectObject(dc, ::GetStockObject(NULL_BRUSH));
    // A white border means no border.
    HGDIOBJ oldPen = ::SelectObject(dc, m_attr.borderColor == 0xFFFFFF ? ::GetStockObject(NULL_PEN) : border);

    if (shown && !m_shape.outline.empty()) {
        std::vector<POINT> points(m_shape.outline.size());
        for (size_t i = 0; i < points.size(); ++i) {
            points[i] = POINT{m_shape.outline[i].x, m_shape.outline[i].y};
            ImageToScreenPoint(&points[i]);
        }
        HBRUSH fill = nullptr;
        if (m_attr.bkMode != TRANSPARENT) {
            m_attr.textBkColor = m_attr.fillColor;
            fill = ::CreateSolidBrush(m_attr.fillColor);
            ::SelectObject(dc, fill);
        } else {
            FillRegionAlpha(dc, points.data(), (int)points.size(), m_attr.fillColor);
        }
        ::Polygon(dc, points.data(), (int)points.size());
        ::SelectObject(dc, ::GetStockObject(NULL_BRUSH));
        if (fill) ::DeleteObject(fill);
    }
    if (selected) {
        const RECT box = ToScreen(m_box);
        ::SelectObject(dc, dotted);
        ::Rectangle(dc, box.left, box.top, box.right, box.bottom);
        ::SelectObject(dc, black);
        ::SelectObject(dc, ::GetStockObject(WHITE_BRUSH));
        for (const geom::Rect& h : m_shape.handles) {
            const RECT r = ToScreen(ToRect(h));
            ::Rectangle(dc, r.left, r.top, r.right, r.bottom);
        }
        ::SelectObject(dc, ::GetStockObject(NULL_BRUSH));
    }
    if (selected || !shown) DrawAnchorMark(dc, selected);

    HFONT font = nullptr;
    HGDIOBJ oldFont = nullptr;
    if (shown && !IsHotSpotType(m_type)) {
        ::SetBkMode(dc, m_attr.bkMode);
        ::SetBkColor(dc, m_attr.textBkColor);
        ::SetTextColor(dc, m_attr.textColor);
        font = CreateNoteFont();
        oldFont = ::SelectObject(dc, font);
        if (!m_text.IsEmpty()) {
            RECT r = ToScreen(ToRect(m_shape.textRect));
            ::DrawTextA(dc, m_text, -1, &r, DT_WORDBREAK | DT_EXPANDTABS);
        }
    }
    if (oldFont) ::SelectObject(dc, oldFont);
    ::SelectObject(dc, oldPen);
    ::SelectObject(dc, oldBrush);
    if (font) ::DeleteObject(font);
    ::DeleteObject(dotted);
    ::DeleteObject(border);
    ::DeleteObject(black);
}

// ---------------------------------------------------------------------------
// Record

bool CTextNote::GetRecord(ObjectRecord& out) const
{
    NoteRecord record;
    // The file holds image pixels; the box keeps its screen offset from the anchor.
    DrawAttributes a = m_attr;
    RECT box = m_box;
    ::OffsetRect(&box, m_anchorImage.x - m_attr.anchorX, m_anchorImage.y - m_attr.anchorY);
    a.anchorX = m_anchorImage.x;
    a.anchorY = m_anchorImage.y;
    a.box[0] = box.left;
    a.box[1] = box.top;
    a.box[2] = box.right;
    a.box[3] = box.bottom;
    record.attributes = ToAttributeBlock(a);
    record.text = std::string(m_text.GetString(), (size_t)m_text.GetLength());
    out = record;
    return true;
}

bool CTextNote::SetRecord(const ObjectRecord& in)
{
    const NoteRecord* record = std::get_if<NoteRecord>(&in);
    if (!record) return false;
    zelvo::annotation::AttributeBlock block = ToAttributeBlock(m_attr);
    record->MergeAttributes(block);
    m_attr = FromAttributeBlock(block);
    m_box = RECT{m_attr.box[0], m_attr.box[1], m_attr.box[2], m_attr.box[3]};
    // Image pixels at scale 1; the layer's next scale moves the anchor.
    SetScaleValues(1.0, 1.0);
    m_anchorImage = POINT{m_attr.anchorX, m_attr.anchorY};
    m_text = CString(record->text.c_str());
    OnLoaded();
    Rebuild();
    return true;
}
