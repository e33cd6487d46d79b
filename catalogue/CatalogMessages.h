// Private messages of the catalogue client, all posted to its main frame.
// Heap objects posted with them belong to the handler, which frees them.
#pragma once

#include "Framework.h"

const UINT WM_APP_OPEN_LIST_ITEM = 2019;      // list item index
const UINT WM_APP_PREVIEW_ARRIVED = 2020;     // CatalogReply* of a preview
const UINT WM_APP_LIST_ARRIVED = 2021;        // 0: the link's received items wait
const UINT WM_APP_TREE_ENTRY_ARRIVED = 2022;  // CCatalogPacket* of a tree entry
const UINT WM_APP_LINK_STATE = 2023;          // 1 closed, 2 connected
// From a viewer: wParam its frame window, lParam 0 opened, 1 closing.
const UINT WM_VIEWER_NOTIFY = WM_USER + 4104;

const UINT_PTR kLinkTimer = 88;
const UINT kLinkStateClosed = 1;
const UINT kLinkStateConnected = 2;
