#include "core/program/connection.h"

#include <cstdio>

#include "core/program/line_errors.h"
#include "core/program/state.h"
#include "core/seams/serial_port.h"
#include "core/seams/shell.h"

uint8_t PortIsOpen = 0;
uint8_t PortWaiting = 0;
uint32_t PortWaitLimitMs = 60000;
// Αποσύνδεση, in Windows-1253
const char* PortWaitStopWord = "\xC1\xF0\xEF\xF3\xFD\xED\xE4\xE5\xF3\xE7";

namespace {
// The open line as its row names it: the port's name and the settings.
char Line[400] = "?";
// The port and speed of the last Connect, for opening the port again when it comes
// back after a loss. A console's device path longer than any real one is cut here,
// as it always was in the "Opened port" row.
char PortName[272];
uint32_t PortSpeed = 0;

bool OpenLine(int port, uint32_t speed) {
  return speed != 0 && OpenPort(port, speed, kLineParity, kLineDataBits, kLineStopBits) != 0;
}

void ShowOpened(const char* name, uint32_t speed) {
  std::snprintf(Line, sizeof Line, "%s, %lu, Parity NONE, Data %lu, Stop %lu", name,
                static_cast<unsigned long>(speed), static_cast<unsigned long>(kLineDataBits),
                static_cast<unsigned long>(kLineStopBits));
  ListPrintf("Opened port %s", Line);
  PortIsOpen = 1;
}
}  // namespace

uint32_t SpeedOfEntry(int index) { return index >= 0 && index < kSpeedCount ? SpeedTable[index] : 0; }

bool Connect(int port, uint32_t speed, const char* name, void (*sayNotOpened)(const char* name)) {
  SelectedPort = port;
  PortWaiting = 0;
  if (!OpenLine(port, speed)) {
    if (sayNotOpened != nullptr) sayNotOpened(name);
    ListPrintf("Failed opening %s port...", name);
    return false;
  }
  std::snprintf(PortName, sizeof PortName, "%s", name);
  PortSpeed = speed;
  ShowOpened(name, speed);
  return true;
}

void Disconnect(const char* name) {
  ClosePort(SelectedPort);
  StopRunningLog(kStopPortClosed);
  ListPrintf("Closed port %s", name);
  PortIsOpen = 0;
}

// The handle of a vanished device is closed at once: it can do nothing more, and on
// Windows a handle kept open can keep the port's name from being given again.
void NoteLineLost() {
  if (PortIsOpen == 0) return;
  ListPrintf("Lost port %s: its device went away (the cable or the adapter was pulled)", PortName);
  GatherLineErrors();
  ClosePort(SelectedPort);
  PortIsOpen = 0;
  if (PortWaitLimitMs == 0) return;
  PortWaiting = 1;
  ListPrintf("Waiting for %s to come back; %s stops", PortName, PortWaitStopWord);
}

bool ReconnectWhenBack() {
  if (PortWaiting == 0 || !PortPresent(SelectedPort) || !OpenLine(SelectedPort, PortSpeed)) return false;
  PortWaiting = 0;
  ShowOpened(PortName, PortSpeed);
  RestartLineErrors();
  return true;
}

void StopWaitingForPort() {
  if (PortWaiting == 0) return;
  PortWaiting = 0;
  StopRunningLog(kStopPortClosed);
  ListPrintf("Closed port %s", PortName);
}

const char* ConnectedLine() { return Line; }

uint32_t ConnectedSpeed() { return PortSpeed; }
