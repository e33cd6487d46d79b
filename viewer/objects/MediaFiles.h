// File checks shared by the media hot spots and the annotation layer.
#pragma once

#include "Framework.h"

#include <string>

namespace media {

// A file (not a folder) at the path.
bool FileExists(const CString& path);
// Both files exist and hold the same bytes.
bool SameContent(const CString& a, const CString& b);
// Where a chosen file is copied: the proposed name, or when a different file
// already has it, the first numbered name that is free or holds the same
// bytes; empty when none of them is.
CString FreeCopyTarget(const CString& source, const CString& proposed);
std::string Str(const CString& s);

} // namespace media
