#include "windows/console/port_listing.h"

#include <windows.h>

#include <setupapi.h>  // after windows.h, whose types it uses

#include <cstdio>
#include <cwchar>

#include "windows/console/console_shell.h"
#include "windows/system_ports.h"

namespace {

// The Ports (COM & LPT) device class.
constexpr GUID kPortsClass = {0x4D36E978, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
constexpr int kNameChars = 128;
constexpr int kLineChars = 3 * kNameChars + 64;
// A bound on the scan, far above any real number of port devices.
constexpr DWORD kMostDevices = 4096;

struct PortNames {
  bool present[kPortCount + 1];
  wchar_t name[kPortCount + 1][kNameChars];  // L"" where Windows gives none
};
PortNames Ports;

// The port that a device's PortName value ("COM5") names, else 0.
int PortOfDevice(HDEVINFO devices, SP_DEVINFO_DATA& device) {
  HKEY key = SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_QUERY_VALUE);
  if (key == INVALID_HANDLE_VALUE) return 0;
  wchar_t value[8] = {};
  DWORD bytes = sizeof value - sizeof(wchar_t);
  DWORD type = REG_NONE;
  const LONG result = RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(value), &bytes);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS || type != REG_SZ) return 0;
  char name[8];
  int length = 0;
  for (; length < 7 && value[length] != L'\0'; ++length)
    name[length] = value[length] < 0x80 ? static_cast<char>(value[length]) : '?';
  return PortOfName(name, length);
}

void ReadDeviceNames() {
  HDEVINFO devices = SetupDiGetClassDevsW(&kPortsClass, nullptr, nullptr, DIGCF_PRESENT);
  if (devices == INVALID_HANDLE_VALUE) return;
  for (DWORD index = 0; index < kMostDevices; ++index) {
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof device;
    if (!SetupDiEnumDeviceInfo(devices, index, &device)) break;
    const int port = PortOfDevice(devices, device);
    if (port == 0) continue;
    Ports.present[port] = true;
    wchar_t* name = Ports.name[port];
    if (!SetupDiGetDeviceRegistryPropertyW(devices, &device, SPDRP_FRIENDLYNAME, nullptr, reinterpret_cast<BYTE*>(name),
                                           (kNameChars - 1) * sizeof(wchar_t), nullptr))
      name[0] = L'\0';
    name[kNameChars - 1] = L'\0';
  }
  SetupDiDestroyDeviceInfoList(devices);
}

// A port that another program holds refuses a second open.
bool InUse(int port) {
  wchar_t path[16];
  std::swprintf(path, 16, L"\\\\.\\COM%d", port);
  const HANDLE device = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (device != INVALID_HANDLE_VALUE) {
    CloseHandle(device);
    return false;
  }
  const DWORD error = GetLastError();
  return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION;
}

void ListPort(int port) {
  char line[kLineChars];
  const wchar_t* name = Ports.name[port];
  char utf8[2 * kNameChars + 8] = "";
  if (name[0] != L'\0') {
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, name, -1, utf8, sizeof utf8 - 1, nullptr, nullptr);
    utf8[bytes > 0 ? bytes - 1 : 0] = '\0';
  }
  char number[8];
  std::snprintf(number, sizeof number, "COM%d", port);
  const bool inUse = InUse(port);
  const int length = std::snprintf(line, sizeof line, "%s%s%s%s\n", number, utf8[0] != '\0' ? "  " : "", utf8,
                                   inUse ? "  (in use)" : "");
  WriteConsoleText(false, line, length < static_cast<int>(sizeof line) ? length : static_cast<int>(sizeof line) - 1,
                   CP_UTF8);
}

}  // namespace

int ListComPorts() {
  ReadDeviceNames();
  SystemPorts listed;
  ReadSystemPorts(listed);
  int count = 0;
  for (int port = 1; port <= kPortCount; ++port) {
    if (!Ports.present[port] && !listed.listed[port]) continue;
    ListPort(port);
    ++count;
  }
  std::fflush(stdout);
  return count;
}
