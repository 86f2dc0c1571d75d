#include "core/program/connection.h"

#include <cstdio>

#include "core/program/state.h"
#include "core/seams/serial_port.h"
#include "core/seams/shell.h"

uint8_t PortIsOpen = 0;

namespace {
// The open line as its row names it: a console's device path of up to 255
// characters and the settings.
char Line[320] = "?";
}  // namespace

uint32_t SpeedOfEntry(int index) { return index >= 0 && index < kSpeedCount ? SpeedTable[index] : 0; }

bool Connect(int port, uint32_t speed, const char* name, void (*sayNotOpened)(const char* name)) {
  SelectedPort = port;
  if (speed == 0 || OpenPort(port, speed, kLineParity, kLineDataBits, kLineStopBits) == 0) {
    if (sayNotOpened != nullptr) sayNotOpened(name);
    ListPrintf("Failed opening %s port...", name);
    return false;
  }
  std::snprintf(Line, sizeof Line, "%s, %lu, Parity NONE, Data %lu, Stop %lu", name,
                static_cast<unsigned long>(speed), static_cast<unsigned long>(kLineDataBits),
                static_cast<unsigned long>(kLineStopBits));
  ListPrintf("Opened port %s", Line);
  PortIsOpen = 1;
  return true;
}

void Disconnect(const char* name) {
  ClosePort(SelectedPort);
  StopRunningLog(kStopPortClosed);
  ListPrintf("Closed port %s", name);
  PortIsOpen = 0;
}

const char* ConnectedLine() { return Line; }
