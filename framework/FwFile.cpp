#include "FwFile.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {
CString SystemMessage(LONG osError)
{
    TCHAR* text = nullptr;
    DWORD n = FormatMessage(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                            nullptr, (DWORD)osError, 0, (LPTSTR)&text, 0, nullptr);
    CString s;
    if (n && text) {
        s = text;
        s.TrimRight();
    }
    if (text) LocalFree(text);
    return s;
}

BOOL CopyMessage(const CString& msg, LPTSTR buf, UINT maxChars)
{
    if (!buf || maxChars == 0) return FALSE;
    UINT n = std::min<UINT>((UINT)msg.GetLength(), maxChars - 1);
    memcpy(buf, (LPCTSTR)msg, n * sizeof(TCHAR));
    buf[n] = 0;
    return TRUE;
}
} // namespace

BOOL CException::GetErrorMessage(LPTSTR buf, UINT maxChars, PUINT) const
{
    CopyMessage(CString(), buf, maxChars);
    return FALSE;
}

CString CException::GetErrorMessage() const
{
    TCHAR buf[512];
    if (!GetErrorMessage(buf, 512)) return CString();
    return CString(buf);
}

BOOL CMemoryException::GetErrorMessage(LPTSTR buf, UINT maxChars, PUINT) const
{
    return CopyMessage(SystemMessage(ERROR_NOT_ENOUGH_MEMORY), buf, maxChars);
}

int CFileException::OsErrorToCause(LONG osError)
{
    switch (osError) {
    case NO_ERROR: return none;
    case ERROR_FILE_NOT_FOUND: return fileNotFound;
    case ERROR_PATH_NOT_FOUND: case ERROR_INVALID_NAME: case ERROR_BAD_PATHNAME: case ERROR_INVALID_DRIVE:
        return badPath;
    case ERROR_TOO_MANY_OPEN_FILES: return tooManyOpenFiles;
    case ERROR_ACCESS_DENIED: case ERROR_WRITE_PROTECT: return accessDenied;
    case ERROR_INVALID_HANDLE: return invalidFile;
    case ERROR_CURRENT_DIRECTORY: return removeCurrentDir;
    case ERROR_NEGATIVE_SEEK: case ERROR_SEEK: return badSeek;
    case ERROR_SHARING_VIOLATION: return sharingViolation;
    case ERROR_LOCK_VIOLATION: return lockViolation;
    case ERROR_DISK_FULL: case ERROR_HANDLE_DISK_FULL: return diskFull;
    case ERROR_HANDLE_EOF: return endOfFile;
    default: return genericException;
    }
}

void CFileException::ThrowOsError(LONG osError, LPCTSTR fileName)
{
    throw new CFileException(OsErrorToCause(osError), osError, fileName);
}

BOOL CFileException::GetErrorMessage(LPTSTR buf, UINT maxChars, PUINT) const
{
    CString msg;
    if (m_cause == endOfFile && m_lOsError == -1)
        msg = SystemMessage(ERROR_HANDLE_EOF);
    else if (m_lOsError != -1)
        msg = SystemMessage(m_lOsError);
    if (msg.IsEmpty()) msg.Format(_T("error %d"), m_cause);
    if (!m_strFileName.IsEmpty()) msg = m_strFileName + _T(": ") + msg;
    return CopyMessage(msg, buf, maxChars);
}

CFile::CFile(LPCTSTR fileName, UINT openFlags)
{
    CFileException e;
    if (!Open(fileName, openFlags, &e)) throw new CFileException(e);
}

CFile::~CFile()
{
    if (m_hFile != INVALID_HANDLE_VALUE) Abort();
}

BOOL CFile::Open(LPCTSTR fileName, UINT flags, CFileException* error)
{
    if (m_hFile != INVALID_HANDLE_VALUE) Abort();
    m_strFileName = fileName;

    DWORD access = 0;
    switch (flags & 3) {
    case modeRead: access = GENERIC_READ; break;
    case modeWrite: access = GENERIC_WRITE; break;
    case modeReadWrite: access = GENERIC_READ | GENERIC_WRITE; break;
    default: break;
    }
    DWORD share = 0;
    switch (flags & 0x70) {
    case shareCompat: case shareExclusive: share = 0; break;
    case shareDenyWrite: share = FILE_SHARE_READ; break;
    case shareDenyRead: share = FILE_SHARE_WRITE; break;
    case shareDenyNone: share = FILE_SHARE_READ | FILE_SHARE_WRITE; break;
    default: break;
    }
    DWORD create = OPEN_EXISTING;
    if (flags & modeCreate) create = (flags & modeNoTruncate) ? OPEN_ALWAYS : CREATE_ALWAYS;

    SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, (flags & modeNoInherit) ? FALSE : TRUE};
    HANDLE h = CreateFile(fileName, access, share, &sa, create, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        if (error) {
            LONG os = (LONG)GetLastError();
            error->m_lOsError = os;
            error->m_cause = CFileException::OsErrorToCause(os);
            error->m_strFileName = fileName;
        }
        return FALSE;
    }
    m_hFile = h;
    return TRUE;
}

UINT CFile::Read(void* buf, UINT count)
{
    if (count == 0) return 0;
    DWORD got = 0;
    if (!ReadFile(m_hFile, buf, count, &got, nullptr)) CFileException::ThrowOsError((LONG)GetLastError(), m_strFileName);
    return got;
}

void CFile::Write(const void* buf, UINT count)
{
    if (count == 0) return;
    DWORD put = 0;
    if (!WriteFile(m_hFile, buf, count, &put, nullptr)) CFileException::ThrowOsError((LONG)GetLastError(), m_strFileName);
    if (put < count) throw new CFileException(CFileException::diskFull, ERROR_DISK_FULL, m_strFileName);
}

ULONGLONG CFile::Seek(LONGLONG offset, UINT from)
{
    LARGE_INTEGER d, pos;
    d.QuadPart = offset;
    if (!SetFilePointerEx(m_hFile, d, &pos, from)) CFileException::ThrowOsError((LONG)GetLastError(), m_strFileName);
    return (ULONGLONG)pos.QuadPart;
}

ULONGLONG CFile::GetLength() const
{
    LARGE_INTEGER size;
    if (!GetFileSizeEx(m_hFile, &size)) CFileException::ThrowOsError((LONG)GetLastError(), m_strFileName);
    return (ULONGLONG)size.QuadPart;
}

void CFile::SetLength(ULONGLONG length)
{
    Seek((LONGLONG)length, begin);
    if (!SetEndOfFile(m_hFile)) CFileException::ThrowOsError((LONG)GetLastError(), m_strFileName);
}

ULONGLONG CFile::GetPosition() const
{
    LARGE_INTEGER zero, pos;
    zero.QuadPart = 0;
    if (!SetFilePointerEx(m_hFile, zero, &pos, FILE_CURRENT)) CFileException::ThrowOsError((LONG)GetLastError(), m_strFileName);
    return (ULONGLONG)pos.QuadPart;
}

void CFile::Flush()
{
    if (m_hFile != INVALID_HANDLE_VALUE && !FlushFileBuffers(m_hFile))
        CFileException::ThrowOsError((LONG)GetLastError(), m_strFileName);
}

void CFile::Close()
{
    if (m_hFile == INVALID_HANDLE_VALUE) return;
    HANDLE h = m_hFile;
    m_hFile = INVALID_HANDLE_VALUE;
    if (!CloseHandle(h)) CFileException::ThrowOsError((LONG)GetLastError(), m_strFileName);
}

void CFile::Abort()
{
    if (m_hFile != INVALID_HANDLE_VALUE) CloseHandle(m_hFile);
    m_hFile = INVALID_HANDLE_VALUE;
}

CString CFile::GetFileName() const
{
    int slash = std::max(m_strFileName.ReverseFind(_T('\\')), m_strFileName.ReverseFind(_T('/')));
    return m_strFileName.Mid(slash + 1);
}

void CFile::Remove(LPCTSTR fileName)
{
    if (!DeleteFile(fileName)) CFileException::ThrowOsError((LONG)GetLastError(), fileName);
}

void CFile::Rename(LPCTSTR oldName, LPCTSTR newName)
{
    if (!MoveFile(oldName, newName)) CFileException::ThrowOsError((LONG)GetLastError(), oldName);
}

CMemFile::CMemFile(UINT growBytes) : m_nGrowBytes(growBytes) {}

CMemFile::CMemFile(BYTE* buffer, UINT size, UINT growBytes) : m_nGrowBytes(0)
{
    Attach(buffer, size, growBytes);
}

CMemFile::~CMemFile()
{
    Close();
}

void CMemFile::Attach(BYTE* buffer, UINT size, UINT growBytes)
{
    Close();
    m_lpBuffer = buffer;
    m_nBufferSize = size;
    m_nGrowBytes = growBytes;
    // A caller's buffer that may not grow holds data to be read; one that may
    // grow starts empty, like a fresh file.
    m_nFileSize = growBytes == 0 ? size : 0;
    m_nPosition = 0;
    m_bAutoDelete = false;
}

BYTE* CMemFile::Detach()
{
    BYTE* b = m_lpBuffer;
    m_lpBuffer = nullptr;
    m_nBufferSize = m_nFileSize = m_nPosition = 0;
    m_bAutoDelete = true;
    return b;
}

UINT CMemFile::Read(void* buf, UINT count)
{
    if (m_nPosition >= m_nFileSize || count == 0) return 0;
    size_t n = std::min<size_t>(count, m_nFileSize - m_nPosition);
    memcpy(buf, m_lpBuffer + m_nPosition, n);
    m_nPosition += n;
    return (UINT)n;
}

void CMemFile::Write(const void* buf, UINT count)
{
    if (count == 0) return;
    size_t end = m_nPosition + count;
    if (end < m_nPosition) throw new CMemoryException;
    if (end > m_nBufferSize) GrowTo(end);
    memcpy(m_lpBuffer + m_nPosition, buf, count);
    m_nPosition = end;
    if (end > m_nFileSize) m_nFileSize = end;
}

ULONGLONG CMemFile::Seek(LONGLONG offset, UINT from)
{
    LONGLONG base = from == begin ? 0 : from == current ? (LONGLONG)m_nPosition : (LONGLONG)m_nFileSize;
    LONGLONG pos = base + offset;
    if (pos < 0) throw new CFileException(CFileException::badSeek, ERROR_NEGATIVE_SEEK);
    if ((ULONGLONG)pos > m_nBufferSize) GrowTo((size_t)pos);
    m_nPosition = (size_t)pos;
    return (ULONGLONG)pos;
}

void CMemFile::SetLength(ULONGLONG length)
{
    if (length > m_nBufferSize) GrowTo((size_t)length);
    m_nFileSize = (size_t)length;
    if (m_nPosition > m_nFileSize) m_nPosition = m_nFileSize;
}

void CMemFile::Close()
{
    if (m_bAutoDelete) free(m_lpBuffer);
    m_lpBuffer = nullptr;
    m_nBufferSize = m_nFileSize = m_nPosition = 0;
    m_bAutoDelete = true;
}

void CMemFile::GrowTo(size_t newSize)
{
    // A caller's fixed buffer never grows: writing or seeking past it fails.
    if (m_nGrowBytes == 0 || !m_bAutoDelete) throw new CMemoryException;
    size_t size = m_nBufferSize;
    while (size < newSize) size += m_nGrowBytes;
    BYTE* p = (BYTE*)realloc(m_lpBuffer, size);
    if (!p) throw new CMemoryException;
    m_lpBuffer = p;
    m_nBufferSize = size;
}
