#include "ExeFolder.h"

CString FolderOfPath(LPCTSTR path)
{
    CString p(path);
    int slash = p.ReverseFind(_T('\\'));
    return slash < 0 ? CString() : p.Left(slash + 1);
}

CString GetExeFolder()
{
    TCHAR path[260] = {};
    DWORD n = ::GetModuleFileName(nullptr, path, 260);
    if (n == 0 || n >= 260) return CString();  // a cut path would name the wrong folder
    return FolderOfPath(path);
}
