// Messages the object layers post to the dialogs that show their objects.
#pragma once

#include "Framework.h"

const UINT WM_ANNOTATION_SELECTED = 0x7E9;  // to the tool box: 1, layer
const UINT WM_ANNOTATION_CHANGED = 0x7EA;   // to the annotation list: layer, object index
const UINT WM_MEASURE_SELECTED = 0x7F2;     // to the results dialog: 3, layer
const UINT WM_MEASURE_CHANGED = 0x7F3;      // to the results dialog: layer, object index
const UINT WM_EDITOR_CLOSED = 0x2B0F;         // to the slide view: the tool box going
