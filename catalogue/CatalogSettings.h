// The catalogue client's settings in HKCU "software\Zelvo Vision": the server
// list, the address to connect to and the LAN auto-login flag, all binary.
#pragma once

#include "Framework.h"

#include <vector>

extern const TCHAR kSettingsKey[];       // "software\Zelvo Vision"
extern const TCHAR kServerListValue[];   // "ServerIP"
extern const TCHAR kCurrentAddressValue[];  // "CurrentIP"
extern const TCHAR kLanLogonValue[];     // "LanLogon"

// Room for an entry or address: 255 characters and the NUL, the same for
// every reader and the dialog that writes them.
const DWORD kAddressBytes = 256;
const DWORD kServerListBytes = 25600;

// Reads one value into buffer; size holds the buffer's size and receives the
// value's length. 0 on success, 1 when there is no size, the key cannot be
// opened or the value is missing or longer than the buffer.
int ReadRegValue(LPCTSTR name, DWORD* size, BYTE* buffer);
// Writes one binary value, creating the key; FALSE when it cannot.
BOOL WriteRegValue(LPCTSTR name, const BYTE* data, DWORD size);
// Whether the value exists at all (a missing value is not a failed read).
bool RegValueExists(LPCTSTR name);

// The values in their typed forms; false when the value could not be read.
bool ReadServerList(std::vector<CString>& entries);
bool ReadCurrentAddress(CString& address);
bool ReadLanLogon(int& flag);
BOOL WriteServerList(const std::vector<CString>& entries);
BOOL WriteCurrentAddress(const CString& address);
BOOL WriteLanLogon(int flag);
