#include "ObjectFileIo.h"

#include <algorithm>

using zelvo::annotation::ReadResult;

const char kBadRecordText[] = "对象数据已损坏，无法读入。";

namespace {

const char kPartlyReadFormat[] = "文件已损坏或含有本程序不认识的对象，只读入了其前面的 %u 个对象。";
const char kSaveFailedFormat[] = "无法保存文件 %s，原有文件未被改动。";

} // namespace

std::vector<uint8_t> ReadRestOfFile(CFile& file)
{
    std::vector<uint8_t> bytes;
    try {
        const ULONGLONG position = file.GetPosition(), length = file.GetLength();
        if (length <= position) return bytes;
        bytes.resize((size_t)std::min<ULONGLONG>(length - position, kMaxObjectFileBytes));
        bytes.resize(file.Read(bytes.data(), (UINT)bytes.size()));
    } catch (CException* e) {
        // What could be read is read; the reader then finds the file short.
        e->Delete();
    }
    return bytes;
}

bool ReadWholeFile(LPCTSTR path, std::vector<uint8_t>& out)
{
    CFile file;
    if (!file.Open(path, CFile::modeRead | CFile::shareDenyWrite)) return false;
    out = ReadRestOfFile(file);
    file.Abort();
    return true;
}

bool WriteFileReplacing(LPCTSTR path, const std::vector<uint8_t>& bytes, HWND owner)
{
    const CString temporary = CString(path) + _T(".tmp");
    HANDLE h = ::CreateFile(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    bool ok = h != INVALID_HANDLE_VALUE;
    if (ok) {
        DWORD written = 0;
        ok = bytes.empty() || (::WriteFile(h, bytes.data(), (DWORD)bytes.size(), &written, nullptr) &&
                               written == bytes.size());
        ok = ::FlushFileBuffers(h) && ok;
        ok = ::CloseHandle(h) && ok;
        ok = ok && ::MoveFileEx(temporary, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
        if (!ok) ::DeleteFile(temporary);
    }
    if (!ok) {
        CString text;
        text.Format(kSaveFailedFormat, path);
        fw::ShowMessageBox(owner, text, nullptr, MB_OK | MB_ICONERROR);
    }
    return ok;
}

void ReportObjectFileRead(const zelvo::annotation::ReadOutcome& outcome, HWND owner)
{
    if (outcome.result == ReadResult::ok || outcome.result == ReadResult::noSignature) return;
    CString text;
    text.Format(kPartlyReadFormat, outcome.objectsRead);
    fw::ShowMessageBox(owner, text, nullptr, MB_OK | MB_ICONWARNING);
}
