// The folder of the running executable, with its trailing backslash.
#pragma once

#include "Framework.h"

// Empty when the path holds no backslash.
CString GetExeFolder();
// The folder part of a full path, up to and including its last backslash.
CString FolderOfPath(LPCTSTR path);
