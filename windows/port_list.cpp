#include "windows/port_list.h"

#include "core/program/port_names.h"
#include "core/program/connection.h"
#include "windows/main_dialog.h"

namespace {

constexpr wchar_t kSerialCommKey[] = L"HARDWARE\\DEVICEMAP\\SERIALCOMM";
// Value names are never looked at, but one longer than the buffer would make its
// port be skipped: so the registry's own limit on a value name, and its NUL.
constexpr DWORD kValueNameChars = 16384;
// "COM256" and its NUL; longer data is no port name and RegEnumValueW refuses it.
constexpr DWORD kValueDataChars = 8;
// A bound on the scan, far above any real number of serial ports.
constexpr DWORD kMaxValues = 4096;
constexpr int kEntryTextChars = 8;  // "COM256" and its NUL

wchar_t ValueName[kValueNameChars];

HWND PortBox() { return GetDlgItem(MainDialog, kIdPortBox); }

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

// The standard list of the serial ports present. Windows keeps it up to date as
// devices come and go; Wine's mount manager fills it once, when the Wine server
// starts, from HKLM\Software\Wine\Ports and the /dev/ttyS*, ttyUSB*, ttyACM* it
// finds (a dosdevices/comN link made later is not listed).
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

int EntryCount(HWND box) { return static_cast<int>(SendMessageW(box, CB_GETCOUNT, 0, 0)); }

int PortOfEntry(HWND box, int index) {
  const LRESULT port = SendMessageW(box, CB_GETITEMDATA, static_cast<WPARAM>(index), 0);
  return port >= 1 && port <= kPortCount ? static_cast<int>(port) : 0;
}

void AddEntry(HWND box, int port) {
  wchar_t text[kEntryTextChars];
  wsprintfW(text, L"COM%d", port);
  const LRESULT index = SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
  if (index >= 0) SendMessageW(box, CB_SETITEMDATA, static_cast<WPARAM>(index), port);
}

void SelectPort(HWND box, int port) {
  for (int index = 0; index < EntryCount(box); ++index) {
    if (PortOfEntry(box, index) == port) {
      SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
      return;
    }
  }
}

// Replaces the entries after the fixed ones by the ports the system lists.
void OfferSystemPorts(HWND box, const SystemPorts& ports) {
  for (int index = EntryCount(box) - 1; index >= kFixedPortCount; --index)
    SendMessageW(box, CB_DELETESTRING, static_cast<WPARAM>(index), 0);
  for (int port = NextOfferedPort(ports, 0); port != 0; port = NextOfferedPort(ports, port))
    AddEntry(box, port);
}

}  // namespace

void FillPortBox(HWND window) {
  const HWND box = GetDlgItem(window, kIdPortBox);
  for (int port = 1; port <= kFixedPortCount; ++port) AddEntry(box, port);
  SystemPorts ports;
  ReadSystemPorts(ports);
  OfferSystemPorts(box, ports);
  SelectPort(box, kDefaultPort);
}

void RefreshPortBox() {
  if (PortIsOpen != 0) return;  // the box is disabled then; the open port stays offered
  const HWND box = PortBox();
  const int chosen = PortOfSelectedEntry();
  SystemPorts ports;
  ReadSystemPorts(ports);
  OfferSystemPorts(box, ports);
  SelectPort(box, PortToSelect(chosen, ports));
}

int PortOfSelectedEntry() {
  const HWND box = PortBox();
  const LRESULT index = SendMessageW(box, CB_GETCURSEL, 0, 0);
  return index >= 0 ? PortOfEntry(box, static_cast<int>(index)) : 0;
}
