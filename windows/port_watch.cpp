#include "windows/port_watch.h"

#include <dbt.h>

#include <cstddef>
#include <cwchar>

#include "core/program/connection.h"
#include "core/program/state.h"
#include "core/seams/serial_port.h"
#include "core/seams/shell.h"
#include "windows/main_dialog.h"
#include "windows/serial_port.h"

namespace {

bool JobRunning() { return OperationRunning != kNoOperation; }

// Whether the port a device broadcast names ("COM5") is the connected one. The
// dialog is a Unicode window, so the system hands it the UTF-16 form.
// The name is read no further than the broadcast's own size says.
bool NamesSelectedPort(LPARAM data) {
  constexpr int kNameChars = 16;
  constexpr size_t kNameAt = offsetof(DEV_BROADCAST_PORT_W, dbcp_name);
  const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
  if (header == nullptr || header->dbch_devicetype != DBT_DEVTYP_PORT || header->dbch_size <= kNameAt)
    return false;
  const auto* sentName = reinterpret_cast<const wchar_t*>(reinterpret_cast<const char*>(data) + kNameAt);
  const size_t sentChars = (header->dbch_size - kNameAt) / sizeof(wchar_t);
  wchar_t named[kNameChars] = {};
  for (size_t i = 0; i < sentChars && i + 1 < kNameChars && sentName[i] != L'\0'; ++i) named[i] = sentName[i];
  wchar_t selected[kNameChars];
  std::swprintf(selected, kNameChars, L"COM%d", SelectedPort);
  return lstrcmpiW(named, selected) == 0;
}

}  // namespace

// Setting the timer again only starts its interval anew; killing a timer that is
// not set does nothing.
void UpdatePortWatch() {
  if ((PortIsOpen != 0 || PortWaiting != 0) && !JobRunning()) {
    SetTimer(MainDialog, kPortWatchTimer, kPortLookIntervalMs, nullptr);
  } else {
    PausePortWatch();
  }
}

void PausePortWatch() { KillTimer(MainDialog, kPortWatchTimer); }

void OnPortWatchTimer() {
  if (JobRunning()) return;
  if (PortIsOpen != 0 && PortLost(SelectedPort)) {
    NoteLineLost();
  } else if (PortWaiting != 0) {
    ReconnectWhenBack();
  }
  UpdatePortWatch();
}

// A removal marks the port lost even while a job runs: the job then finds it so at
// its next look instead of after its own look's interval.
void OnDeviceChange(WPARAM event, LPARAM data) {
  if (event == DBT_DEVICEREMOVECOMPLETE && PortIsOpen != 0 && NamesSelectedPort(data)) {
    MarkPortLost(SelectedPort);
    if (!JobRunning()) NoteLineLost();
  } else if (event == DBT_DEVICEARRIVAL && PortWaiting != 0 && !JobRunning() && NamesSelectedPort(data)) {
    ReconnectWhenBack();
  }
  UpdatePortWatch();
}

bool PortReadyForJob() {
  if (PortWaiting == 0 || JobRunning() || ReconnectWhenBack()) return true;
  ListPrintf("COM%d is not back yet: nothing was sent", SelectedPort);
  return false;
}
