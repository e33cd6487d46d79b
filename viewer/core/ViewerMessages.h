// Window messages of the viewer; all are posted, never sent. One number can
// mean different things to different receivers.
#pragma once

#include "Framework.h"
#include "ObjectMessages.h"

const UINT WM_OPEN_SLIDE_REQUEST = WM_USER + 1001;   // 0x7E9, to the main frame
const UINT WM_PAN_VIEW = 0x7EA;                      // to the slide view
const UINT WM_VIEW_MOVED = 0x7EB;
const UINT WM_VIEW_ORIGIN = 0x81A;
const UINT WM_NAVIGATOR_CLOSED = 0x84C;
const UINT WM_LINK_CONNECTED = 0xA50;
const UINT WM_VIEWER_NOTIFY = WM_USER + 4104;        // 0x1408, to the catalogue client
