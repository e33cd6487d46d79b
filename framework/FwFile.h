// Files: exceptions, CFile over a Win32 handle, CMemFile over memory.
#pragma once

#include "FwString.h"

class CException {
public:
    virtual ~CException() = default;
    // Writes the message into buf (at most maxChars including the NUL).
    virtual BOOL GetErrorMessage(LPTSTR buf, UINT maxChars, PUINT helpContext = nullptr) const;
    CString GetErrorMessage() const;
    // Exceptions are thrown as pointers; the catcher deletes them.
    void Delete() { delete this; }
};

class CMemoryException : public CException {
public:
    using CException::GetErrorMessage;
    BOOL GetErrorMessage(LPTSTR buf, UINT maxChars, PUINT helpContext = nullptr) const override;
};

class CFileException : public CException {
public:
    enum {
        none, genericException, fileNotFound, badPath, tooManyOpenFiles, accessDenied,
        invalidFile, removeCurrentDir, directoryFull, badSeek, hardIO, sharingViolation,
        lockViolation, diskFull, endOfFile
    };
    CFileException(int cause = none, LONG osError = -1, LPCTSTR fileName = nullptr)
        : m_cause(cause), m_lOsError(osError), m_strFileName(fileName) {}
    using CException::GetErrorMessage;
    BOOL GetErrorMessage(LPTSTR buf, UINT maxChars, PUINT helpContext = nullptr) const override;

    static int OsErrorToCause(LONG osError);
    [[noreturn]] static void ThrowOsError(LONG osError, LPCTSTR fileName = nullptr);

    int m_cause;
    LONG m_lOsError;
    CString m_strFileName;
};

class CFile {
public:
    enum OpenFlags : UINT {
        modeRead = 0x0000, modeWrite = 0x0001, modeReadWrite = 0x0002,
        shareCompat = 0x0000, shareExclusive = 0x0010, shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030, shareDenyNone = 0x0040,
        modeNoInherit = 0x0080, modeCreate = 0x1000, modeNoTruncate = 0x2000,
        typeText = 0x4000, typeBinary = 0x8000
    };
    enum SeekPosition { begin = 0, current = 1, end = 2 };

    CFile() = default;
    CFile(LPCTSTR fileName, UINT openFlags);  // throws CFileException* on failure
    virtual ~CFile();
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    virtual BOOL Open(LPCTSTR fileName, UINT openFlags, CFileException* error = nullptr);
    virtual UINT Read(void* buf, UINT count);
    virtual void Write(const void* buf, UINT count);
    virtual ULONGLONG Seek(LONGLONG offset, UINT from);
    virtual ULONGLONG GetLength() const;
    virtual void SetLength(ULONGLONG length);
    virtual ULONGLONG GetPosition() const;
    virtual void Flush();
    virtual void Close();
    virtual void Abort();  // closes without throwing

    void SeekToBegin() { Seek(0, begin); }
    ULONGLONG SeekToEnd() { return Seek(0, end); }
    CString GetFilePath() const { return m_strFileName; }
    CString GetFileName() const;
    HANDLE m_hFile = INVALID_HANDLE_VALUE;

    static void Remove(LPCTSTR fileName);                    // throws
    static void Rename(LPCTSTR oldName, LPCTSTR newName);    // throws

protected:
    CString m_strFileName;
};

// A file over a block of memory. Attached to a caller's buffer with no growth,
// reads stop at the end of the data and writes past the buffer throw.
class CMemFile : public CFile {
public:
    explicit CMemFile(UINT growBytes = 1024);
    CMemFile(BYTE* buffer, UINT size, UINT growBytes = 0);
    ~CMemFile() override;

    void Attach(BYTE* buffer, UINT size, UINT growBytes = 0);
    BYTE* Detach();

    BOOL Open(LPCTSTR, UINT, CFileException* = nullptr) override { return FALSE; }
    UINT Read(void* buf, UINT count) override;
    void Write(const void* buf, UINT count) override;
    ULONGLONG Seek(LONGLONG offset, UINT from) override;
    ULONGLONG GetLength() const override { return m_nFileSize; }
    void SetLength(ULONGLONG length) override;
    ULONGLONG GetPosition() const override { return m_nPosition; }
    void Flush() override {}
    void Close() override;
    void Abort() override { Close(); }

private:
    void GrowTo(size_t newSize);

    UINT m_nGrowBytes;
    size_t m_nPosition = 0;
    size_t m_nBufferSize = 0;
    size_t m_nFileSize = 0;
    BYTE* m_lpBuffer = nullptr;
    bool m_bAutoDelete = true;
};
