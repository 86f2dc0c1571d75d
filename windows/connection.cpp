#include "windows/connection.h"

#include <cstdio>

#include "core/archive/run_archive.h"
#include "core/program/state.h"
#include "core/seams/serial_port.h"
#include "windows/greek_text.h"
#include "windows/main_dialog.h"
#include "windows/message_list.h"
#include "windows/port_list.h"
#include "windows/screen_text.h"

const uint32_t SpeedTable[kSpeedCount] = {9600, 19200, 38400, 57600, 115200};

static int SelectedIndex(int comboId) {
  return static_cast<int>(SendDlgItemMessageW(MainDialog, comboId, CB_GETCURSEL, 0, 0));
}

// 0 when the speed box has no selected entry (the operator typed into its edit field);
// no port opens at 0 bits per second.
static uint32_t SelectedSpeed() {
  const int index = SelectedIndex(kIdSpeedBox);
  return index >= 0 && index < kSpeedCount ? SpeedTable[index] : 0;
}

static void EnableControl(int id, BOOL enable) { EnableWindow(GetDlgItem(MainDialog, id), enable); }

static void Connect() {
  SelectedPort = PortOfSelectedEntry();
  const uint32_t speed = SelectedSpeed();
  if (speed == 0 || OpenPort(SelectedPort, speed, 'N', 8, 1) == 0) {
    ErrorBox(MainDialog, "Cannot open port COM%u...", static_cast<unsigned>(SelectedPort));
    ListPrintf("Failed opening COM%u port...", static_cast<unsigned>(SelectedPort));
    return;
  }
  ListPrintf("Opened port COM%u, %lu, Parity NONE, Data 8, Stop 1",
             static_cast<unsigned>(SelectedPort), static_cast<unsigned long>(SelectedSpeed()));
  char port[16];
  std::snprintf(port, sizeof port, "COM%u", static_cast<unsigned>(SelectedPort));
  NoteArchiveLine(port, SelectedSpeed());
  SetScreenText(GetDlgItem(MainDialog, kIdConnect), kTextDisconnect);
  EnableControl(kIdReadFiscalMemory, TRUE);
  EnableControl(kIdLog, TRUE);
  EnableControl(kIdPortBox, FALSE);
  EnableControl(kIdSpeedBox, FALSE);
  PortIsOpen = 1;
}

static void Disconnect() {
  ClosePort(SelectedPort);
  StopRunningLog(kStopPortClosed);
  ListPrintf("Closed port COM%u", static_cast<unsigned>(SelectedPort));
  SetScreenText(GetDlgItem(MainDialog, kIdConnect), kTextConnect);
  EnableControl(kIdReadFiscalMemory, FALSE);
  EnableControl(kIdLog, FALSE);
  EnableControl(kIdPortBox, TRUE);
  EnableControl(kIdSpeedBox, TRUE);
  PortIsOpen = 0;
}

void ToggleConnection() {
  if (BusyFlag != 0) {
    ListPrintf("busy...");
    return;
  }
  if (PortIsOpen == 0) {
    Connect();
  } else {
    Disconnect();
  }
}
