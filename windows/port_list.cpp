#include "windows/port_list.h"

#include "core/program/port_names.h"
#include "core/program/connection.h"
#include "windows/main_dialog.h"
#include "windows/system_ports.h"

namespace {

constexpr int kEntryTextChars = 8;  // "COM256" and its NUL

HWND PortBox() { return GetDlgItem(MainDialog, kIdPortBox); }

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
