#include "CatalogSettings.h"

#include <string>

const TCHAR kSettingsKey[] = _T("software\\Zelvo Vision");
const TCHAR kServerListValue[] = _T("ServerIP");
const TCHAR kCurrentAddressValue[] = _T("CurrentIP");
const TCHAR kLanLogonValue[] = _T("LanLogon");

namespace {

// 8-bit text as stored (ANSI code page when read, OEM code page when written).
CString FromStored(const char* text, int length)
{
    int n = ::MultiByteToWideChar(CP_ACP, 0, text, length, nullptr, 0);
    std::wstring wide((size_t)(n > 0 ? n : 0), L'\0');
    if (n > 0) ::MultiByteToWideChar(CP_ACP, 0, text, length, &wide[0], n);
    return CString(wide.c_str(), (int)wide.size());
}

// At most 255 bytes, never half a double-byte character: what every reader takes.
std::string ToStored(const CString& text)
{
    CStringW wide(text);
    int n = ::WideCharToMultiByte(CP_OEMCP, 0, wide, wide.GetLength(), nullptr, 0, nullptr, nullptr);
    std::string out((size_t)(n > 0 ? n : 0), '\0');
    if (n > 0) ::WideCharToMultiByte(CP_OEMCP, 0, wide, wide.GetLength(), &out[0], n, nullptr, nullptr);
    size_t keep = 0;
    while (keep < out.size()) {
        size_t step = ::IsDBCSLeadByteEx(CP_OEMCP, (BYTE)out[keep]) ? 2 : 1;
        if (keep + step > kAddressBytes - 1) break;
        keep += step;
    }
    out.resize(keep);
    return out;
}

} // namespace

int ReadRegValue(LPCTSTR name, DWORD* size, BYTE* buffer)
{
    if (!size) return 1;
    HKEY key = nullptr;
    if (::RegOpenKeyEx(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return 1;
    DWORD type = 0;
    LONG r = ::RegQueryValueEx(key, name, nullptr, &type, buffer, size);
    ::RegCloseKey(key);
    return r == ERROR_SUCCESS ? 0 : 1;
}

BOOL WriteRegValue(LPCTSTR name, const BYTE* data, DWORD size)
{
    HKEY key = nullptr;
    DWORD disposition = 0;
    if (::RegCreateKeyEx(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                         &key, &disposition) != ERROR_SUCCESS)
        return FALSE;
    LONG r = ::RegSetValueEx(key, name, 0, REG_BINARY, data, size);
    ::RegCloseKey(key);
    return r == ERROR_SUCCESS;
}

bool RegValueExists(LPCTSTR name)
{
    HKEY key = nullptr;
    if (::RegOpenKeyEx(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    LONG r = ::RegQueryValueEx(key, name, nullptr, nullptr, nullptr, nullptr);
    ::RegCloseKey(key);
    return r == ERROR_SUCCESS;
}

bool ReadServerList(std::vector<CString>& entries)
{
    entries.clear();
    std::string buf(kServerListBytes, '\0');
    DWORD size = kServerListBytes;
    if (ReadRegValue(kServerListValue, &size, reinterpret_cast<BYTE*>(&buf[0]))) return false;
    // Entries end in NUL; a last one without its NUL is taken all the same.
    size_t start = 0;
    for (size_t i = 0; i < size; ++i) {
        if (buf[i] != '\0') continue;
        entries.push_back(FromStored(buf.data() + start, (int)(i - start)));
        start = i + 1;
    }
    if (start < size) entries.push_back(FromStored(buf.data() + start, (int)(size - start)));
    return true;
}

bool ReadCurrentAddress(CString& address)
{
    address.Empty();
    char buf[kAddressBytes] = {};
    DWORD size = kAddressBytes;
    if (ReadRegValue(kCurrentAddressValue, &size, reinterpret_cast<BYTE*>(buf))) return false;
    int length = 0;
    while (length < (int)size && buf[length]) ++length;
    address = FromStored(buf, length);
    return true;
}

bool ReadLanLogon(int& flag)
{
    BYTE buf[4] = {};
    DWORD size = sizeof buf;
    if (ReadRegValue(kLanLogonValue, &size, buf) || size != sizeof buf) return false;
    flag = (int)((DWORD)buf[0] | ((DWORD)buf[1] << 8) | ((DWORD)buf[2] << 16) | ((DWORD)buf[3] << 24));
    return true;
}

BOOL WriteServerList(const std::vector<CString>& entries)
{
    std::string value;
    for (const CString& e : entries) {
        value += ToStored(e);
        value += '\0';
    }
    return WriteRegValue(kServerListValue, reinterpret_cast<const BYTE*>(value.data()), (DWORD)value.size());
}

BOOL WriteCurrentAddress(const CString& address)
{
    std::string value = ToStored(address);
    value += '\0';
    return WriteRegValue(kCurrentAddressValue, reinterpret_cast<const BYTE*>(value.data()), (DWORD)value.size());
}

BOOL WriteLanLogon(int flag)
{
    BYTE buf[4] = {(BYTE)flag, (BYTE)(flag >> 8), (BYTE)(flag >> 16), (BYTE)(flag >> 24)};
    return WriteRegValue(kLanLogonValue, buf, sizeof buf);
}
