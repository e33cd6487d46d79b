#include "DrawObject.h"

#include "ObjectFileIo.h"

#include <climits>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>

using zelvo::geom::Chain;
using zelvo::geom::Point;

DrawAttributes DefaultDrawAttributes()
{
    DrawAttributes a;
    std::memset(&a, 0, sizeof a);
    a.bkMode = TRANSPARENT;
    a.textColor = 0xFFFFFF;
    a.textBkColor = 0x7F7F7F;
    a.fillColor = 0x7F7F7F;
    a.borderColor = 0x000000;
    return a;
}

zelvo::annotation::AttributeBlock ToAttributeBlock(const DrawAttributes& a)
{
    zelvo::annotation::AttributeBlock block;
    static_assert(sizeof a == zelvo::annotation::AttributeBlock::kSize, "same bytes");
    std::memcpy(block.bytes().data(), &a, sizeof a);
    return block;
}

DrawAttributes FromAttributeBlock(const zelvo::annotation::AttributeBlock& block)
{
    DrawAttributes a;
    std::memcpy(&a, block.bytes().data(), sizeof a);
    return a;
}

const char* DrawKindText(int type, bool resultsList)
{
    switch (type) {
    case DRAW_CAPTION: return "概述";
    case DRAW_NOTE_MARK: return "标示";
    case DRAW_NOTE_TITLE: return "题示";
    case DRAW_REGION: return "区域";
    case DRAW_IMAGE_OLD: return "单图";
    case DRAW_SEGMENT: return "线段";
    case DRAW_ANGLE: return "夹角";
    case DRAW_ARC: return resultsList ? "弧长" : "圆弧";
    case DRAW_CIRCLE: return "圆周";
    case DRAW_RECTANGLE: return "矩形";
    case DRAW_ELLIPSE: return "椭圆";
    case DRAW_BRACKET: return "括符";
    case DRAW_ARROW: return "箭头";
    case DRAW_FREEHAND: return "线条";
    case DRAW_IMAGE: return "单图";
    case DRAW_VIDEO: return "视频";
    case DRAW_IMAGE_GROUP: return "组图";
    default: return nullptr;
    }
}

bool IsKnownDrawType(int type) { return DrawKindText(type) != nullptr; }

HCURSOR SystemCursor(LPCTSTR id)
{
    static std::mutex lock;
    static std::map<ULONG_PTR, HCURSOR> loaded;
    std::lock_guard<std::mutex> guard(lock);
    HCURSOR& cursor = loaded[(ULONG_PTR)id];
    if (!cursor) cursor = ::LoadCursor(nullptr, id);
    return cursor;
}

int RoundHalfUp(double v)
{
    const double r = v + 0.5;
    if (std::isnan(r)) return 0;
    if (r >= 2147483647.0) return INT_MAX;
    if (r <= -2147483648.0) return INT_MIN;
    return static_cast<int>(r);  // truncates toward zero
}

CDrawObject::CDrawObject(CWnd* owner, DrawChangeFn onChange, void* context)
    : m_changeContext(context), m_onChange(onChange), m_pOwner(owner), m_attr(DefaultDrawAttributes())
{
}

CDrawObject::~CDrawObject() = default;

int CDrawObject::GetType() const { return m_type; }

POINT CDrawObject::GetCenter() const { return POINT{0, 0}; }

void CDrawObject::SetSelected(BOOL on)
{
    m_flags = on ? (m_flags | DOF_SELECTED) : (m_flags & ~DOF_SELECTED);
}

void CDrawObject::SetVisible(BOOL on)
{
    m_flags = on ? (m_flags | DOF_VISIBLE) : (m_flags & ~DOF_VISIBLE);
}

void CDrawObject::SetFlags(uint16_t flags) { m_flags = flags; }
uint16_t CDrawObject::GetFlags() const { return m_flags; }
void CDrawObject::Save(CFile* file)
{
    zelvo::annotation::ObjectRecord record;
    if (!file || !GetRecord(record)) return;
    zelvo::ByteWriter out;
    zelvo::annotation::WriteObjectRecord(out, record);
    file->Write(out.data().data(), (UINT)out.size());
}

void CDrawObject::Load(CFile* file, int version)
{
    zelvo::annotation::ObjectRecord record;
    if (!file || !zelvo::annotation::RecordForType(m_type, record)) return;
    // Records carry no length: read what is left, take the record and put
    // the file behind it.
    const ULONGLONG start = file->GetPosition();
    const std::vector<uint8_t> rest = ReadRestOfFile(*file);
    zelvo::ByteReader in(rest.data(), rest.size());
    // The caller tells the user, once for the whole file; the file stays
    // where the record began.
    if (!zelvo::annotation::ReadObjectRecord(in, m_type, version, record) || !SetRecord(record)) {
        file->Seek((LONGLONG)start, CFile::begin);
        throw new CFileException(CFileException::invalidFile, ERROR_INVALID_DATA, file->GetFilePath());
    }
    file->Seek((LONGLONG)(start + in.position()), CFile::begin);
}

bool CDrawObject::GetRecord(zelvo::annotation::ObjectRecord&) const { return false; }
bool CDrawObject::SetRecord(const zelvo::annotation::ObjectRecord&) { return false; }
void CDrawObject::DeleteLinkedFile() {}

int CDrawObject::SetHighlight(BOOL on)
{
    const bool now = (m_flags & DOF_HIGHLIGHT) != 0;
    if (now == (on != FALSE)) return 0;
    m_flags = on ? (m_flags | DOF_HIGHLIGHT) : (m_flags & ~DOF_HIGHLIGHT);
    InvalidateOwner();
    return 1;
}

void CDrawObject::Draw(HDC) {}
int CDrawObject::OnLButtonDown(int, int) { return 0; }
int CDrawObject::OnLButtonUp(int, int) { return 0; }
int CDrawObject::OnRButtonDown(int, int) { return 0; }
int CDrawObject::OnLButtonDblClk(int, int) { return 0; }
int CDrawObject::OnMouseMove(int, int) { return 0; }
int CDrawObject::OnMouseWheel(UINT, short, int, int) { return 0; }

void CDrawObject::SetScale(double sx, double sy)
{
    if (sx != m_scaleX || sy != m_scaleY) Rescale(sx, sy);
}

void CDrawObject::Rescale(double sx, double sy) { SetScaleValues(sx, sy); }

void CDrawObject::SetScaleValues(double sx, double sy)
{
    m_scaleX = sx;
    m_scaleY = sy;
}

void CDrawObject::SetHover(int on) { m_hover = on; }
int CDrawObject::IsHover() const { return m_hover; }

void CDrawObject::SetResolution(uint32_t rx, uint32_t ry)
{
    m_resX = rx;
    m_resY = ry;
}

void CDrawObject::SetScroll(int x, int y)
{
    m_scrollX = x;
    m_scrollY = y;
}

void CDrawObject::BeginCreate(int, int) {}
void CDrawObject::GetBoundRect(RECT* rect) const { ::SetRectEmpty(rect); }
int CDrawObject::HitTest(int, int) { return 0; }

void CDrawObject::ScreenToImageSize(SIZE* size) const
{
    size->cx = RoundHalfUp(size->cx / m_scaleX);
    size->cy = RoundHalfUp(size->cy / m_scaleY);
}

void CDrawObject::ScreenToImageRect(RECT* rect) const
{
    // The scroll sum is an integer; 64 bits so that it cannot wrap.
    rect->left = RoundHalfUp(double(int64_t(rect->left) + m_scrollX) / m_scaleX);
    rect->right = RoundHalfUp(double(int64_t(rect->right) + m_scrollX) / m_scaleX);
    rect->top = RoundHalfUp(double(int64_t(rect->top) + m_scrollY) / m_scaleY);
    rect->bottom = RoundHalfUp(double(int64_t(rect->bottom) + m_scrollY) / m_scaleY);
}

void CDrawObject::ScreenToImagePoint(POINT* point) const
{
    point->x = RoundHalfUp(double(int64_t(point->x) + m_scrollX) / m_scaleX);
    point->y = RoundHalfUp(double(int64_t(point->y) + m_scrollY) / m_scaleY);
}

void CDrawObject::ImageToScreenSize(SIZE* size) const
{
    size->cx = RoundHalfUp(size->cx * m_scaleX);
    size->cy = RoundHalfUp(size->cy * m_scaleY);
}

void CDrawObject::ImageToScreenRect(RECT* rect) const
{
    rect->left = RoundHalfUp(rect->left * m_scaleX) - m_scrollX;
    rect->right = RoundHalfUp(rect->right * m_scaleX) - m_scrollX;
    rect->top = RoundHalfUp(rect->top * m_scaleY) - m_scrollY;
    rect->bottom = RoundHalfUp(rect->bottom * m_scaleY) - m_scrollY;
}

void CDrawObject::ImageToScreenPoint(POINT* point) const
{
    point->x = RoundHalfUp(point->x * m_scaleX) - m_scrollX;
    point->y = RoundHalfUp(point->y * m_scaleY) - m_scrollY;
}

DrawAttributes* CDrawObject::GetAttributes(DrawAttributes* out) const
{
    *out = m_attr;
    return out;
}

void CDrawObject::SetAttributes(DrawAttributes attributes)
{
    m_attr = attributes;
    InvalidateOwner();
}

int CDrawObject::NotifyChanged() { return m_onChange ? m_onChange(m_changeContext, this) : 0; }

void CDrawObject::InvalidateOwner()
{
    if (m_pOwner && m_pOwner->m_hWnd) m_pOwner->Invalidate(TRUE);
}

void CDrawObject::RasterizeSegment(Chain& chain, int x1, int y1, int x2, int y2)
{
    zelvo::geom::RasterizeSegment(chain, x1, y1, x2, y2);
}

int CDrawObject::PolylineHitTest(int px, int py, int x1, int y1, int x2, int y2)
{
    return zelvo::geom::PolylineHitTest(px, py, x1, y1, x2, y2);
}

RECT CDrawObject::BoundingBox(const POINT* points, int n)
{
    RECT r{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
    for (int i = 0; i < n; ++i) {
        if (points[i].x < r.left) r.left = points[i].x;
        if (points[i].y < r.top) r.top = points[i].y;
        if (points[i].x > r.right) r.right = points[i].x;
        if (points[i].y > r.bottom) r.bottom = points[i].y;
    }
    return r;
}

int CDrawObject::PolygonContains(const POINT* points, size_t n, int x, int y)
{
    if (n < 3 || n > size_t(INT_MAX)) return 0;
    const RECT box = BoundingBox(points, (int)n);
    if (x < box.left || x > box.right || y < box.top || y > box.bottom) return 0;
    HRGN region = ::CreatePolygonRgn(points, (int)n, ALTERNATE);
    if (!region) return 0;
    const int inside = ::PtInRegion(region, x, y) ? 1 : 0;
    ::DeleteObject(region);
    return inside;
}

Chain CDrawObject::OutlineChain(std::vector<Point> points) { return zelvo::geom::OutlineChain(std::move(points)); }

int64_t CDrawObject::FillArea(size_t n, const Point* chain)
{
    const int64_t area = zelvo::geom::FillArea(n, chain);
    if (area < 0) fw::ShowMessageBox(nullptr, "内存不够", nullptr, MB_OK);
    return area;
}

zelvo::geom::Morphometry CDrawObject::RegionMorphometry(size_t n, const Point* chain) const
{
    return zelvo::geom::RegionMorphometry(n, chain, MicronsPerPixelX(), MicronsPerPixelY());
}

double CDrawObject::ChainPerimeter(size_t n, const Point* chain) const
{
    return zelvo::geom::ChainPerimeter(n, chain, MicronsPerPixelX(), MicronsPerPixelY());
}

zelvo::geom::RegionResults CDrawObject::ComputeRegionResults(const std::vector<Point>& vertices, CString* text) const
{
    zelvo::geom::RegionResults r = zelvo::geom::ComputeRegionResults(vertices, m_resX, m_resY);
    if (r.areaPixels < 0) fw::ShowMessageBox(nullptr, "内存不够", nullptr, MB_OK);
    if (text) {
        // The portable core writes UTF-8; the program's texts are GB2312.
        const std::string utf8 = zelvo::geom::RegionResultText(r);
        std::wstring wide(utf8.size() + 1, L'\0');
        int wn = ::MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, &wide[0], int(wide.size()));
        std::string gbk(wide.size() * 2 + 1, '\0');
        int gn = wn > 0 ? ::WideCharToMultiByte(936, 0, wide.c_str(), -1, &gbk[0], int(gbk.size()), nullptr, nullptr) : 0;
        *text = gn > 0 ? CString(gbk.c_str()) : CString();
    }
    return r;
}

void CDrawObject::FillRegionAlpha(HDC dc, const POINT* points, int n, COLORREF colour)
{
    if (!dc || !points || n < 1) return;
    const RECT box = BoundingBox(points, n);
    const int width = box.right - box.left, height = box.bottom - box.top;
    if (width <= 0 || height <= 0) return;  // nothing inside a line or a point

    HDC mem = ::CreateCompatibleDC(dc);
    HBITMAP bitmap = ::CreateCompatibleBitmap(dc, width, height);
    if (!mem || !bitmap) {
        if (bitmap) ::DeleteObject(bitmap);
        if (mem) ::DeleteDC(mem);
        return;
    }
    HGDIOBJ oldBitmap = ::SelectObject(mem, bitmap);
    HBRUSH brush = ::CreateSolidBrush(colour);
    HGDIOBJ oldBrush = ::SelectObject(mem, brush);
    ::Rectangle(mem, 0, 0, width, height);
    ::SelectObject(mem, oldBrush);
    ::DeleteObject(brush);

    HRGN saved = ::CreateRectRgn(0, 0, 0, 0);
    const bool hadClip = ::GetClipRgn(dc, saved) == 1;
    HRGN polygon = ::CreatePolygonRgn(points, n, ALTERNATE);
    if (polygon) ::SelectClipRgn(dc, polygon);

    BLENDFUNCTION blend{AC_SRC_OVER, 0, BYTE(colour == 0xFFFFFF ? 0 : 144), 0};
    ::AlphaBlend(dc, box.left, box.top, width, height, mem, 0, 0, width, height, blend);

    ::SelectClipRgn(dc, hadClip ? saved : nullptr);
    if (polygon) ::DeleteObject(polygon);
    ::DeleteObject(saved);
    ::SelectObject(mem, oldBitmap);
    ::DeleteObject(bitmap);
    ::DeleteDC(mem);
}
