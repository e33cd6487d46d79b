#include "ObjectFactory.h"

#include "CaptionNote.h"
#include "CircleMeasure.h"
#include "FramedMeasures.h"
#include "FreehandMeasure.h"
#include "ImageGroupHotSpot.h"
#include "MarkShapes.h"
#include "MarkerPath.h"
#include "MediaHotSpot.h"
#include "RegionMeasure.h"
#include "SegmentMeasure.h"
#include "TextNote.h"

namespace {

// flag: what the layer passes last (0 annotation, 1 measurement): for notes
// their measurement flag, for the measuring shapes whether they label
// themselves.
using MakeFn = CDrawObject* (*)(const ObjectArgs& a, int type, int flag);

template <class T> CDrawObject* Make(const ObjectArgs& a, int type, int flag)
{
    return new T(a.owner, a.attributes, a.onChange, a.context, type, flag);
}

// Kinds made as another kind: the caption is built as a title note.
template <class T, int Kind> CDrawObject* MakeAs(const ObjectArgs& a, int, int flag)
{
    return new T(a.owner, a.attributes, a.onChange, a.context, Kind, flag);
}

// Kinds whose constructor takes no flag.
template <class T> CDrawObject* MakeUnflagged(const ObjectArgs& a, int type, int)
{
    return new T(a.owner, a.attributes, a.onChange, a.context, type);
}

// Hot spots: their linked files live beside the marker file of the moment.
template <class T> CDrawObject* MakeHotSpot(const ObjectArgs& a, int type, int flag)
{
    T* object = new T(a.owner, a.attributes, a.onChange, a.context, type, flag);
    object->SetReferencePath(GetMarkerPath());
    return object;
}

struct Kind {
    int type;
    bool annotation;  // the annotation layer holds it
    bool measure;     // the measurement layer holds it
    MakeFn make;
};

// One line per kind of object.
const Kind kKinds[] = {
    {DRAW_CAPTION, true, false, &MakeAs<CCaptionNote, DRAW_NOTE_TITLE>},
    {DRAW_NOTE_MARK, true, false, &Make<CTextNote>},
    {DRAW_NOTE_TITLE, true, false, &Make<CTextNote>},
    {DRAW_REGION, true, true, &MakeUnflagged<CRegionMeasure>},
    {DRAW_SEGMENT, false, true, &Make<CSegmentMeasure>},
    {DRAW_ANGLE, false, true, &MakeUnflagged<CAngleMeasure>},
    {DRAW_ARC, true, true, &Make<CArcMeasure>},
    {DRAW_CIRCLE, true, true, &Make<CCircleMeasure>},
    {DRAW_RECTANGLE, true, true, &Make<CRectangleMeasure>},
    {DRAW_ELLIPSE, true, true, &Make<CEllipseMeasure>},
    {DRAW_BRACKET, true, false, &MakeUnflagged<CBracketShape>},
    {DRAW_ARROW, true, false, &MakeUnflagged<CArrowShape>},
    {DRAW_FREEHAND, true, true, &MakeUnflagged<CFreehandMeasure>},
    {DRAW_IMAGE_OLD, true, false, &MakeHotSpot<CMediaHotSpot>},
    {DRAW_IMAGE, true, false, &MakeHotSpot<CMediaHotSpot>},
    {DRAW_VIDEO, true, false, &MakeHotSpot<CMediaHotSpot>},
    {DRAW_IMAGE_GROUP, true, false, &MakeHotSpot<CImageGroupHotSpot>},
};

const Kind* HeldKind(int type, LayerKind layer)
{
    for (const Kind& k : kKinds)
        if (k.type == type) return (layer == LayerKind::annotation ? k.annotation : k.measure) ? &k : nullptr;
    return nullptr;
}

} // namespace

CDrawObject* CreateDrawObject(int type, LayerKind layer, const ObjectArgs& args)
{
    const Kind* k = HeldKind(type, layer);
    return k ? k->make(args, type, layer == LayerKind::measure ? 1 : 0) : nullptr;
}

bool LayerHolds(int type, LayerKind layer) { return HeldKind(type, layer) != nullptr; }
