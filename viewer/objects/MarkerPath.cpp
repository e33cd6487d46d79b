#include "MarkerPath.h"

namespace {
// Set and read on the UI thread only.
CString g_markerPath;
} // namespace

const CString& GetMarkerPath() { return g_markerPath; }
void SetMarkerPath(const CString& path) { g_markerPath = path; }
