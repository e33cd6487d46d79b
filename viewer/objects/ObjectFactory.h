// Creating graphic objects by type id for the two layers: one table of the
// kinds, which layer may hold each, and how each is made.
#pragma once

#include "DrawObject.h"

enum class LayerKind { annotation, measure };

struct ObjectArgs {
    CWnd* owner;
    DrawAttributes attributes;
    DrawChangeFn onChange;
    void* context;
};

// The object of a type id for a layer; nullptr for ids that layer does not hold.
CDrawObject* CreateDrawObject(int type, LayerKind layer, const ObjectArgs& args);
// Whether a layer holds objects of a type id.
bool LayerHolds(int type, LayerKind layer);
