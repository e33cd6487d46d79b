// Base of every object drawn over the slide: annotations, measurement
// shapes, the scale bar and the navigation frame.
#pragma once

#include "Framework.h"
#include "annotation/ObjectRecords.h"
#include "geometry/OutlineGeometry.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// The attribute block that begins every object record in the annotation and
// measurement result files; its byte layout is part of those files.
struct DrawAttributes {
    int32_t anchorX;        // text notes: the point the note points at
    int32_t anchorY;
    int32_t box[4];         // left, top, right, bottom; circles and framed shapes reuse bytes 0-39
    int32_t reserved1[4];   // framed shapes' second pair of axis handles, else zero
    LOGFONTA font;
    int32_t bkMode;         // TRANSPARENT or OPAQUE
    int32_t blink;          // nonzero: blinking shapes run their worker
    int32_t reserved2[3];   // the region's old loader keeps a word here
    COLORREF textColor;
    COLORREF textBkColor;
    COLORREF fillColor;
    COLORREF borderColor;
};
static_assert(sizeof(LOGFONTA) == 60, "LOGFONTA layout");
static_assert(sizeof(DrawAttributes) == 136, "attribute block is 136 bytes in files");
static_assert(offsetof(DrawAttributes, anchorX) == 0, "anchor");
static_assert(offsetof(DrawAttributes, box) == 8, "box");
static_assert(offsetof(DrawAttributes, reserved1) == 24, "reserved");
static_assert(offsetof(DrawAttributes, font) == 40, "font");
static_assert(offsetof(DrawAttributes, bkMode) == 100, "background mode");
static_assert(offsetof(DrawAttributes, blink) == 104, "blink");
static_assert(offsetof(DrawAttributes, reserved2) == 108, "reserved");
static_assert(offsetof(DrawAttributes, textColor) == 120, "text colour");
static_assert(offsetof(DrawAttributes, textBkColor) == 124, "text background");
static_assert(offsetof(DrawAttributes, fillColor) == 128, "fill colour");
static_assert(offsetof(DrawAttributes, borderColor) == 132, "border colour");

// Defaults of a new block: transparent background, white text on grey, black border.
DrawAttributes DefaultDrawAttributes();
// The block as the files hold it, and back.
zelvo::annotation::AttributeBlock ToAttributeBlock(const DrawAttributes& a);
DrawAttributes FromAttributeBlock(const zelvo::annotation::AttributeBlock& block);

// One numbering of object kinds for both layers and both files.
enum DrawObjectType {
    DRAW_NONE = 0,            // never stored (scale bar, navigation frame)
    DRAW_CAPTION = 1,
    DRAW_NOTE_MARK = 2,
    DRAW_NOTE_TITLE = 3,
    DRAW_REGION = 4,
    DRAW_IMAGE_OLD = 5,
    DRAW_SEGMENT = 6,
    DRAW_ANGLE = 7,
    DRAW_ARC = 8,
    DRAW_CIRCLE = 9,
    DRAW_RECTANGLE = 10,
    DRAW_ELLIPSE = 11,
    DRAW_BRACKET = 12,
    DRAW_ARROW = 13,
    DRAW_FREEHAND = 14,
    DRAW_IMAGE = 101,
    DRAW_VIDEO = 102,
    DRAW_IMAGE_GROUP = 103,
};

// Kind text of a type id for the annotation list, or with resultsList set for
// the measurement results list; nullptr for unknown ids.
const char* DrawKindText(int type, bool resultsList = false);
// True for the ids that the factories create.
bool IsKnownDrawType(int type);

// State flags.
enum : uint16_t {
    DOF_HIGHLIGHT = 0x0001,
    DOF_VISIBLE = 0x0002,
    DOF_SELECTED = 0x0004,
    DOF_HOTSPOT_MARK = 0x0008,
    DOF_AREA_LABEL = 0x0010,
};

class CDrawObject;
// Called when an edit of an object is complete; the layers pass themselves as context.
using DrawChangeFn = int (*)(void* context, CDrawObject* object);

class CDrawObject {
public:
    CDrawObject(CWnd* owner, DrawChangeFn onChange, void* context);
    CDrawObject(const CDrawObject&) = delete;
    CDrawObject& operator=(const CDrawObject&) = delete;

    // The order of these operations is fixed; derived classes append theirs.
    virtual ~CDrawObject();
    virtual int GetType() const;
    virtual POINT GetCenter() const;
    virtual void SetSelected(BOOL on);
    virtual void SetVisible(BOOL on);
    virtual void SetFlags(uint16_t flags);
    virtual uint16_t GetFlags() const;
    virtual void Save(CFile* file);
    virtual void Load(CFile* file, int version);
    virtual void DeleteLinkedFile();
    virtual int SetHighlight(BOOL on);
    virtual void Draw(HDC dc);
    virtual int OnLButtonDown(int x, int y);
    virtual int OnLButtonUp(int x, int y);
    virtual int OnRButtonDown(int x, int y);
    virtual int OnLButtonDblClk(int x, int y);
    virtual int OnMouseMove(int x, int y);
    virtual int OnMouseWheel(UINT flags, short delta, int x, int y);
    virtual void SetScale(double sx, double sy);
    virtual void Rescale(double sx, double sy);
    virtual void SetScaleValues(double sx, double sy);
    virtual void SetHover(int on);
    virtual int IsHover() const;
    virtual void SetResolution(uint32_t rx, uint32_t ry);
    virtual void SetScroll(int x, int y);
    virtual void BeginCreate(int x, int y);
    virtual void GetBoundRect(RECT* rect) const;
    virtual int HitTest(int x, int y);
    virtual void ScreenToImageSize(SIZE* size) const;
    virtual void ScreenToImageRect(RECT* rect) const;
    virtual void ScreenToImagePoint(POINT* point) const;
    virtual void ImageToScreenSize(SIZE* size) const;
    virtual void ImageToScreenRect(RECT* rect) const;
    virtual void ImageToScreenPoint(POINT* point) const;
    virtual DrawAttributes* GetAttributes(DrawAttributes* out) const;
    virtual void SetAttributes(DrawAttributes attributes);
    // The object's file record, and the object made from one; false for
    // objects that are not stored and for a record of another kind. Save and
    // Load move these records through a file.
    virtual bool GetRecord(zelvo::annotation::ObjectRecord& out) const;
    virtual bool SetRecord(const zelvo::annotation::ObjectRecord& record);

    // Outline geometry (see geometry/OutlineGeometry.h); these wrap it for
    // the objects.
    static void RasterizeSegment(zelvo::geom::Chain& chain, int x1, int y1, int x2, int y2);
    static int PolylineHitTest(int px, int py, int x1, int y1, int x2, int y2);
    static RECT BoundingBox(const POINT* points, int n);
    // Whether a polygon of client points (alternate filling) holds a point;
    // points outside the polygon's box are answered without a region.
    static int PolygonContains(const POINT* points, size_t n, int x, int y);
    static zelvo::geom::Chain OutlineChain(std::vector<zelvo::geom::Point> points);
    // -1 and a message box when memory runs out.
    static int64_t FillArea(size_t n, const zelvo::geom::Point* chain);
    zelvo::geom::Morphometry RegionMorphometry(size_t n, const zelvo::geom::Point* chain) const;
    double ChainPerimeter(size_t n, const zelvo::geom::Point* chain) const;
    // Area, perimeter and shape figures of a polygon at this object's
    // resolution, with the result line in the program's code page.
    zelvo::geom::RegionResults ComputeRegionResults(const std::vector<zelvo::geom::Point>& vertices,
                                                    CString* text) const;
    // Translucent fill of a polygon given in client coordinates; white is invisible.
    static void FillRegionAlpha(HDC dc, const POINT* points, int n, COLORREF colour);

    double MicronsPerPixelX() const { return zelvo::geom::MicronsPerPixel(m_resX); }
    double MicronsPerPixelY() const { return zelvo::geom::MicronsPerPixel(m_resY); }

    void* m_changeContext;
    DrawChangeFn m_onChange;
    int32_t m_number = 0;
    CWnd* m_pOwner;
    int32_t m_type = 0;
    DrawAttributes m_attr;
    uint16_t m_flags = 0;
    int32_t m_hover = 0;
    double m_scaleX = 1.0, m_scaleY = 1.0;
    int32_t m_scrollX = 0, m_scrollY = 0;
    uint32_t m_resX = 1, m_resY = 1;

protected:
    // Calls the change callback when one is set.
    int NotifyChanged();
    void InvalidateOwner();
};

// A system cursor (IDC_...), loaded once: every object of a large file
// would otherwise load the same shared cursors again.
HCURSOR SystemCursor(LPCTSTR id);

// Adds 0.5 and truncates toward zero, saturating at the int range (a zero
// scale gives the range's end instead of undefined behaviour; NaN gives 0).
int RoundHalfUp(double v);
