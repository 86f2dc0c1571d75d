// The port box's entries: the ports always offered, and those the system lists,
// whose names come from outside the program (the registry on Windows) and are
// taken only when they are exactly "COMn" for one of the port slots.
#pragma once
#include "core/seams/serial_port.h"

// COM1 to COM12 are always offered (a register's cable on a built-in or a
// long-installed port); the system's list adds those above them.
constexpr int kFixedPortCount = 12;
// The port chosen at start, and when the chosen one is no longer offered.
constexpr int kDefaultPort = 2;

// Ports the system lists: listed[n] for COMn.
struct SystemPorts {
  bool listed[kPortCount + 1];
};

// The port number of `length` characters at `name` that read "COMn" (upper case,
// n from 1 to kPortCount in decimal without a leading zero), else 0.
int PortOfName(const char* name, int length);

void ClearSystemPorts(SystemPorts& ports);
// Marks the port that `name` names; any other text is skipped.
void NoteSystemPort(SystemPorts& ports, const char* name, int length);

// The next port above `after` that the box offers beyond the fixed ones, in
// ascending order; 0 after the last.
int NextOfferedPort(const SystemPorts& ports, int after);

// The port the box selects once its entries follow `ports`: `chosen` while it is
// still offered, else kDefaultPort.
int PortToSelect(int chosen, const SystemPorts& ports);
