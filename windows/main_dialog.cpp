// The main dialog: program loop, message pump, dialog procedure, start and close.
#include "windows/main_dialog.h"

#include <commctrl.h>

#include <cstdio>

#include "core/dump/fiscal_dump.h"
#include "core/program/connection.h"
#include "core/program/state.h"
#include "core/report/record_log.h"
#include "core/seams/serial_port.h"
#include "windows/connection.h"
#include "windows/fine_timer.h"
#include "windows/greek_text.h"
#include "windows/message_list.h"
#include "windows/port_list.h"
#include "windows/port_watch.h"
#include "windows/row_menu.h"
#include "windows/screen_text.h"
#include "windows/system_menu.h"

HWND MainDialog = nullptr;
uint8_t QuitFlag = 0;

constexpr int kMessageColumnWidthPx = 2000;  // far wider than the list: long rows scroll sideways
constexpr int kComboTextChars = 16;
constexpr int kNoDialogResult = 1;  // the program ends at once without its window

// Commands of the dialog's buttons. The whole wParam is compared, notification code
// included, so only a click (BN_CLICKED, 0) matches; notifications of the combo and
// edit boxes never start anything, but for the port box's list being opened.
struct ButtonCommand {
  WPARAM command;
  void (*operation)();
};
// The finer timer is held only while an operation runs; the port watch rests
// meanwhile (the job watches the line), and the controls follow what the job left.
static void WithFineTimer(void (*operation)()) {
  if (!PortReadyForJob()) return;
  PausePortWatch();
  BeginFineTimer();
  operation();
  EndFineTimer();
  ShowConnectionState();
}
static void StartRecordLog() { WithFineTimer(BuildRecordLog); }
static void StartFiscalMemoryRead() { WithFineTimer(ReadFiscalMemory); }

static const ButtonCommand kButtonCommands[] = {
    {kIdLog, StartRecordLog},
    {kIdConnect, ToggleConnection},
    {kIdReadFiscalMemory, StartFiscalMemoryRead},
    {kIdClearList, ClearMessageList},
    {MAKEWPARAM(kIdPortBox, CBN_DROPDOWN), RefreshPortBox},
};

void PumpMessage() {
  MSG message;
  if (!PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE)) return;
  if (GetMessageW(&message, nullptr, 0, 0) <= 0) return;  // nothing in the program posts WM_QUIT
  TranslateMessage(&message);
  DispatchMessageW(&message);
  RedrawListIfDrawnOver();
}

void OnIdle() {
  if (QuitFlag != 0) return;  // the loop ends now; nothing may arrive to wake a wait
  MSG message;
  if (PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE)) return;
  // MWMO_INPUTAVAILABLE: also returns for input that PeekMessage has already seen.
  MsgWaitForMultipleObjectsEx(0, nullptr, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

static void AddComboEntry(HWND combo, const char* text) {
  wchar_t wide[kComboTextChars];
  ScreenText(text, kComboTextChars, wide, kComboTextChars);
  SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide));
}

static void FillSpeedBox(HWND window) {
  const HWND box = GetDlgItem(window, kIdSpeedBox);
  char text[kComboTextChars];
  for (int i = 0; i < kSpeedCount; ++i) {
    std::snprintf(text, sizeof text, "%lu", static_cast<unsigned long>(SpeedTable[i]));
    AddComboEntry(box, text);
  }
  SendMessageW(box, CB_SETCURSEL, kDefaultSpeedIndex, 0);
}

void InitMainDialog(HWND window) {
  SelectedPort = 1;
  QuitFlag = 0;
  PortIsOpen = 0;
  MainDialog = window;
  const char* const headers[] = {kTextMessages};
  const int widths[] = {kMessageColumnWidthPx};
  SetupListColumns(GetDlgItem(window, kIdMessageList), headers, widths, 1);
  EnableWindow(GetDlgItem(window, kIdConnect), TRUE);
  EnableWindow(GetDlgItem(window, kIdExit), TRUE);
  FillSpeedBox(window);
  FillPortBox(window);
  EnableWindow(GetDlgItem(window, kIdReadFiscalMemory), FALSE);
  AddSystemMenuItems(window);
}

void CloseMainDialog() {
  if (PortIsOpen != 0) ClosePort(SelectedPort);
  QuitFlag = 1;
  StopRunningLog(kStopClosing);
}

// Exit and the close box. The window itself is destroyed by RunMainDialog once its
// loop ends, which, during a dump, is only after the dump has returned.
static void RequestClose(HWND window, UINT message) {
  CloseMainDialog();
  EndDialog(window, message);
}

static INT_PTR RunCommand(HWND window, WPARAM command) {
  if (command == kIdExit) {
    RequestClose(window, WM_COMMAND);
    return TRUE;
  }
  for (const ButtonCommand& entry : kButtonCommands) {
    if (entry.command == command) {
      entry.operation();
      return TRUE;
    }
  }
  return FALSE;
}

INT_PTR CALLBACK MainDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      InitMainDialog(window);
      return FALSE;
    case WM_CLOSE:
      RequestClose(window, WM_CLOSE);
      return TRUE;
    case WM_COMMAND:
      return RunCommand(window, wParam);
    case WM_NOTIFY:
      return OnMessageListNotify(reinterpret_cast<const NMHDR*>(lParam));
    case WM_CONTEXTMENU:
      return ShowRowMenu(reinterpret_cast<HWND>(wParam), lParam);
    case WM_SYSCOMMAND:
      return RunSystemCommand(window, wParam);
    case WM_PAINT:
      NoteDialogPaint(window);
      return FALSE;
    case WM_TIMER:
      if (wParam != kPortWatchTimer) return FALSE;
      OnPortWatchTimer();
      return TRUE;
    case WM_DEVICECHANGE:
      OnDeviceChange(wParam, lParam);
      return FALSE;  // the system's own answer to the broadcast stands
    default:
      return FALSE;
  }
}

int RunMainDialog(HINSTANCE instance) {
  InitCommonControls();
  const HWND window = CreateDialogParamW(instance, L"kestrel", nullptr, MainDialogProc, 0);
  if (window == nullptr) {
    MainDialog = nullptr;
    return kNoDialogResult;
  }
  ShowWindow(window, SW_SHOWNORMAL);
  while (QuitFlag == 0) {
    PumpMessage();
    OnIdle();
  }
  LeaveListToProcessEnd(window);
  DestroyWindow(window);
  MainDialog = nullptr;
  return 0;
}
