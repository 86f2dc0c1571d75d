#include "windows/system_ports.h"

#include <windows.h>

namespace {

constexpr wchar_t kSerialCommKey[] = L"HARDWARE\\DEVICEMAP\\SERIALCOMM";
// Value names are never looked at, but one longer than the buffer would make its
// port be skipped: so the registry's own limit on a value name, and its NUL.
constexpr DWORD kValueNameChars = 16384;
// "COM256" and its NUL; longer data is no port name and RegEnumValueW refuses it.
constexpr DWORD kValueDataChars = 8;
// A bound on the scan, far above any real number of serial ports.
constexpr DWORD kMaxValues = 4096;
wchar_t ValueName[kValueNameChars];

// The registry's text as the core's parser takes it: a unit outside ASCII can be
// part of no port name, so it becomes a byte that is none either.
void NoteValue(SystemPorts& ports, const wchar_t* data, DWORD units) {
  char name[kValueDataChars];
  int length = 0;
  while (length < static_cast<int>(units) && data[length] != L'\0') {
    name[length] = data[length] < 0x80 ? static_cast<char>(data[length]) : '?';
    ++length;
  }
  NoteSystemPort(ports, name, length);
}

}  // namespace

void ReadSystemPorts(SystemPorts& ports) {
  ClearSystemPorts(ports);
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSerialCommKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
    return;
  for (DWORD index = 0; index < kMaxValues; ++index) {
    wchar_t data[kValueDataChars];
    DWORD nameChars = kValueNameChars;
    DWORD dataBytes = sizeof data;
    DWORD type = REG_NONE;
    const LONG result = RegEnumValueW(key, index, ValueName, &nameChars, nullptr, &type,
                                      reinterpret_cast<BYTE*>(data), &dataBytes);
    if (result == ERROR_NO_MORE_ITEMS) break;
    // ERROR_MORE_DATA (overlong data) and values of another type are skipped.
    if (result != ERROR_SUCCESS || type != REG_SZ) continue;
    NoteValue(ports, data, dataBytes / sizeof(wchar_t));
  }
  RegCloseKey(key);
}

