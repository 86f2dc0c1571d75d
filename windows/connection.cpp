#include "windows/connection.h"

#include <cstdio>

#include "core/program/connection.h"
#include "core/program/state.h"
#include "windows/greek_text.h"
#include "windows/main_dialog.h"
#include "windows/message_list.h"
#include "windows/port_list.h"
#include "windows/port_watch.h"
#include "windows/screen_text.h"

constexpr int kPortNameChars = 16;

static int SelectedIndex(int comboId) {
  return static_cast<int>(SendDlgItemMessageW(MainDialog, comboId, CB_GETCURSEL, 0, 0));
}

static void NamePort(int port, char (&name)[kPortNameChars]) {
  std::snprintf(name, sizeof name, "COM%u", static_cast<unsigned>(port));
}

static void SayNotOpened(const char* name) { ErrorBox(MainDialog, "Cannot open port %s...", name); }

static void EnableControl(int id, bool enable) { EnableWindow(GetDlgItem(MainDialog, id), enable ? TRUE : FALSE); }

// The button's caption and the controls of either state.
static void ShowConnected(bool connected) {
  SetScreenText(GetDlgItem(MainDialog, kIdConnect), connected ? kTextDisconnect : kTextConnect);
  EnableControl(kIdReadFiscalMemory, connected);
  EnableControl(kIdLog, connected);
  EnableControl(kIdPortBox, !connected);
  EnableControl(kIdSpeedBox, !connected);
}

void ShowConnectionState() {
  ShowConnected(PortIsOpen != 0 || PortWaiting != 0);
  UpdatePortWatch();
}

// While a lost port is waited for the button reads "Αποσύνδεση" as while it is open,
// and ends the wait.
void ToggleConnection() {
  char name[kPortNameChars];
  if (PortWaiting != 0) {
    StopWaitingForPort();
    ShowConnected(false);
  } else if (PortIsOpen == 0) {
    const int port = PortOfSelectedEntry();
    NamePort(port, name);
    if (Connect(port, SpeedOfEntry(SelectedIndex(kIdSpeedBox)), name, SayNotOpened)) ShowConnected(true);
  } else {
    NamePort(SelectedPort, name);
    Disconnect(name);
    ShowConnected(false);
  }
  UpdatePortWatch();
}
