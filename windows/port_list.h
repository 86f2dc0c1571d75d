// The port box (control 1035): COM1 to COM12, then the ports above them that the
// system lists (HKLM\HARDWARE\DEVICEMAP\SERIALCOMM), brought up to date each time
// the operator opens its list. Each entry carries its port number as item data.
#pragma once
#include <windows.h>

// Fills the box of `window` and selects "COM2".
void FillPortBox(HWND window);

// The port box's drop-down notification: the entries above COM12 follow the
// system's current list, and the selection stays on its port while that port is
// still offered, else goes back to "COM2". Nothing changes while a port is open.
void RefreshPortBox();

// The port number of the selected entry; 0 when no entry is selected.
int PortOfSelectedEntry();
