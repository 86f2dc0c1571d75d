// The main dialog built from the real resource: the stored template, the controls
// as created, the start state, the commands and the connection control.
#include <windows.h>
#include <dbt.h>

#include <cstddef>
#include <cstring>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "dialog_helpers.h"
#include "far_end.h"
#include "greek_expected.h"
#include "windows/connection.h"
#include "windows/port_watch.h"

namespace {

struct ControlRow {
  DWORD id;
  const wchar_t* className;
  const wchar_t* text;
  DWORD style;
  DWORD exStyle;
  short x, y, cx, cy;
};

const wchar_t* const kConnectText = kExpectedConnectUtf16;

// The dialog's controls in template order.
const ControlRow kControls[] = {
    {1000, L"SysListView32", L"List1", 0x50010001, 0x200, 4, 6, 369, 152},
    {1004, L"Button", L"Exit", 0x50010000, 0, 339, 182, 41, 14},
    {1007, L"Button", kConnectText, 0x50010000, 0, 170, 182, 54, 14},
    {1030, L"Button", L"X", 0x50010000, 0, 4, 179, 10, 10},
    {1034, L"ComboBox", L"", 0x50210002, 0, 81, 182, 84, 59},
    {1035, L"ComboBox", L"", 0x50210003, 0, 20, 182, 55, 112},
    {1008, L"Button", L"Read Fiscal Memory", 0x58010000, 0, 228, 183, 72, 14},
    {1001, L"Edit", L"", 0x50810080, 0, 26, 161, 197, 14},
    {1002, L"Edit", L"", 0x50810080, 0, 245, 160, 131, 14},
    {0xFFFFFFFF, L"Static", L"C.F 16", 0x50020000, 0, 4, 165, 22, 8},
    {0xFFFFFFFF, L"Static", L"C.F 11", 0x50020000, 0, 224, 165, 22, 8},
    {1005, L"Button", L"LOG", 0x58010000, 0, 304, 182, 32, 14},
};

// DLGTEMPLATEEX as stored: a reader for its words, strings and ordinals.
class TemplateReader {
 public:
  explicit TemplateReader(const BYTE* at) : at_(at) {}
  WORD Word() { return Take<WORD>(); }
  DWORD Dword() { return Take<DWORD>(); }
  short Short() { return static_cast<short>(Take<WORD>()); }
  BYTE Byte() { return *at_++; }
  std::wstring String() {
    std::wstring text;
    for (WORD unit; (unit = Word()) != 0;) text += static_cast<wchar_t>(unit);
    return text;
  }
  // A string, or 0xFFFF and an ordinal; predefined control classes are stored as ordinals.
  std::wstring StringOrOrdinal() {
    if (Peek() != 0xFFFF) return String();
    Word();
    switch (const WORD ordinal = Word()) {
      case 0x80: return L"Button";
      case 0x81: return L"Edit";
      case 0x82: return L"Static";
      case 0x85: return L"ComboBox";
      default: return L"#" + std::to_wstring(ordinal);
    }
  }
  void AlignDword(const BYTE* base) {
    while ((at_ - base) % 4 != 0) ++at_;
  }

 private:
  WORD Peek() const {
    WORD value;
    memcpy(&value, at_, sizeof value);
    return value;
  }
  template <typename T>
  T Take() {
    T value;
    memcpy(&value, at_, sizeof value);
    at_ += sizeof value;
    return value;
  }
  const BYTE* at_;
};

const BYTE* LoadTemplate(WORD language) {
  const HRSRC found = FindResourceExW(nullptr, MAKEINTRESOURCEW(5), L"KESTREL", language);
  if (found == nullptr) return nullptr;
  return static_cast<const BYTE*>(LockResource(LoadResource(nullptr, found)));
}

TEST(DialogTemplate, IsGreekAndHoldsTheTabledDialog) {
  const BYTE* base = LoadTemplate(MAKELANGID(LANG_GREEK, SUBLANG_DEFAULT));
  ASSERT_NE(base, nullptr);
  TemplateReader t(base);
  EXPECT_EQ(t.Word(), 1);       // dlgVer
  EXPECT_EQ(t.Word(), 0xFFFF);  // DIALOGEX
  EXPECT_EQ(t.Dword(), 0u);     // help id
  EXPECT_EQ(t.Dword(), 0u);     // extended style
  EXPECT_EQ(t.Dword(), 0x80C808C0u);
  const WORD count = t.Word();
  EXPECT_EQ(count, 12);
  EXPECT_EQ(t.Short(), 0);
  EXPECT_EQ(t.Short(), 0);
  EXPECT_EQ(t.Short(), 389);
  EXPECT_EQ(t.Short(), 202);
  EXPECT_EQ(t.StringOrOrdinal(), L"");  // no menu
  EXPECT_EQ(t.StringOrOrdinal(), L"");  // no class of its own
  EXPECT_EQ(t.String(), L"Tallyglass");
  EXPECT_EQ(t.Word(), 8);  // points
  EXPECT_EQ(t.Word(), 0);  // weight
  EXPECT_EQ(t.Byte(), 0);  // not italic
  EXPECT_EQ(t.Byte(), 1);  // DEFAULT_CHARSET
  EXPECT_EQ(t.String(), L"MS Sans Serif");
  ASSERT_EQ(count, sizeof kControls / sizeof kControls[0]);
  for (const ControlRow& expected : kControls) {
    SCOPED_TRACE(expected.id);
    t.AlignDword(base);
    EXPECT_EQ(t.Dword(), 0u);  // help id
    EXPECT_EQ(t.Dword(), expected.exStyle);
    EXPECT_EQ(t.Dword(), expected.style);
    EXPECT_EQ(t.Short(), expected.x);
    EXPECT_EQ(t.Short(), expected.y);
    EXPECT_EQ(t.Short(), expected.cx);
    EXPECT_EQ(t.Short(), expected.cy);
    EXPECT_EQ(t.Dword(), expected.id);
    EXPECT_EQ(_wcsicmp(t.StringOrOrdinal().c_str(), expected.className), 0);
    EXPECT_EQ(t.StringOrOrdinal(), expected.text);
    EXPECT_EQ(t.Word(), 0);  // no creation data
  }
}

using DialogTest = MainDialogTest;

// Where a control is, in dialog units, as the dialog laid it out.
RECT PlaceOf(HWND dialog, HWND control) {
  RECT place;
  GetWindowRect(control, &place);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&place), 2);
  return place;
}

bool IsClass(const ControlRow& row, const wchar_t* name) { return _wcsicmp(row.className, name) == 0; }

// What the controls make of their template styles, on Windows and Wine alike: a
// dialog gives an edit box with WS_BORDER the sunken client edge instead; a combo
// box hands WS_VSCROLL to its drop-down list.
DWORD LiveStyle(const ControlRow& row) {
  if (IsClass(row, L"Edit")) return row.style & ~DWORD{WS_BORDER};
  if (IsClass(row, L"ComboBox")) return row.style & ~DWORD{WS_VSCROLL};
  return row.style;
}
DWORD LiveExStyle(const ControlRow& row) {
  if (IsClass(row, L"Edit") && (row.style & WS_BORDER) != 0) return row.exStyle | WS_EX_CLIENTEDGE;
  return row.exStyle;
}
// The list view shows scroll bars as its rows and its wide column need them.
DWORD ScrollBarsOf(const ControlRow& row) {
  return IsClass(row, L"SysListView32") ? DWORD{WS_HSCROLL | WS_VSCROLL} : 0;
}

TEST_F(DialogTest, ControlsAreCreatedInTemplateOrderAsTabled) {
  HWND control = GetWindow(dialog_, GW_CHILD);
  for (const ControlRow& expected : kControls) {
    SCOPED_TRACE(expected.id);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(static_cast<WORD>(GetDlgCtrlID(control)), static_cast<WORD>(expected.id));
    wchar_t name[64] = L"";
    GetClassNameW(control, name, 64);
    EXPECT_EQ(_wcsicmp(name, expected.className), 0) << name;
    const bool isCombo = IsClass(expected, L"ComboBox");
    if (!isCombo) {
      EXPECT_EQ(Text(control), expected.text);  // a combo shows its selection instead
    }
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(control, GWL_STYLE)) & ~ScrollBarsOf(expected),
              LiveStyle(expected));
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(control, GWL_EXSTYLE)) & WS_EX_CLIENTEDGE,
              LiveExStyle(expected) & WS_EX_CLIENTEDGE);
    // Sizes map separately from positions (that is how the dialog rounds them).
    RECT origin = {expected.x, expected.y, expected.cx, expected.cy};
    MapDialogRect(dialog_, &origin);
    const RECT place = PlaceOf(dialog_, control);
    EXPECT_EQ(place.left, origin.left);
    EXPECT_EQ(place.top, origin.top);
    EXPECT_EQ(place.right - place.left, origin.right);
    // A combo box's height holds its drop-down list; the closed box is one line high.
    if (!isCombo) {
      EXPECT_EQ(place.bottom - place.top, origin.bottom);
    }
    control = GetWindow(control, GW_HWNDNEXT);
  }
  EXPECT_EQ(control, nullptr);
}

TEST_F(DialogTest, WindowHasItsCaptionStyleAndFont) {
  EXPECT_EQ(Text(dialog_), L"Tallyglass");
  const DWORD style = static_cast<DWORD>(GetWindowLongW(dialog_, GWL_STYLE));
  EXPECT_EQ(style & (WS_POPUP | WS_CAPTION | WS_SYSMENU), DWORD{WS_POPUP | WS_CAPTION | WS_SYSMENU});
  EXPECT_EQ(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0u);
  EXPECT_FALSE(IsWindowVisible(dialog_));  // the program entry shows it
  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(dialog_, WM_GETFONT, 0, 0)), sizeof font, &font);
  EXPECT_STREQ(font.lfFaceName, L"MS Sans Serif");
  EXPECT_EQ(font.lfItalic, 0);
}

TEST_F(DialogTest, ManifestBringsCommonControlsSix) {
  // The tests carry the program's resources, manifest included. The module that
  // serves the list view is the common controls library in use.
  HMODULE controls = nullptr;
  ASSERT_TRUE(GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(GetClassLongPtrW(list_, GCLP_WNDPROC)), &controls));
  // Version 6 lives side by side, in its own folder; version 5 in the system folder.
  // (Wine's DllGetVersion answers 5.81 for both, so the folder is what tells.)
  wchar_t path[MAX_PATH] = L"";
  GetModuleFileNameW(controls, path, MAX_PATH);
  std::wstring folder = path;
  for (wchar_t& c : folder) c = static_cast<wchar_t>(towlower(c));
  EXPECT_NE(folder.find(L"\\winsxs\\"), std::wstring::npos) << folder;
  EXPECT_NE(folder.find(L"microsoft.windows.common-controls_6595b64144ccf1df_6."), std::wstring::npos)
      << folder;
}

TEST_F(DialogTest, StartsDisconnectedWithDefaultChoices) {
  EXPECT_EQ(MainDialog, dialog_);
  EXPECT_EQ(SelectedPort, 1);
  EXPECT_EQ(PortIsOpen, 0);
  EXPECT_EQ(QuitFlag, 0);
  EXPECT_EQ(RowCount(), 0);
  LVCOLUMNW column{};
  wchar_t header[64] = L"";
  column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
  column.pszText = header;
  column.cchTextMax = 64;
  ASSERT_TRUE(SendMessageW(list_, LVM_GETCOLUMNW, 0, reinterpret_cast<LPARAM>(&column)));
  EXPECT_STREQ(header, kExpectedMessagesUtf16);
  EXPECT_EQ(column.cx, 2000);
  EXPECT_EQ(column.fmt & LVCFMT_JUSTIFYMASK, LVCFMT_LEFT);
  EXPECT_FALSE(SendMessageW(list_, LVM_GETCOLUMNW, 1, reinterpret_cast<LPARAM>(&column)));
  EXPECT_EQ(SendMessageW(list_, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0), LVS_EX_FULLROWSELECT);

  EXPECT_EQ(ComboEntries(Control(kIdSpeedBox)),
            (Lines{L"9600", L"19200", L"38400", L"57600", L"115200"}));
  EXPECT_EQ(SendMessageW(Control(kIdSpeedBox), CB_GETCURSEL, 0, 0), 4);
  Lines ports;
  for (int port = 1; port <= 12; ++port) ports.push_back(L"COM" + std::to_wstring(port));
  EXPECT_EQ(ComboEntries(Control(kIdPortBox)), ports);
  EXPECT_EQ(SendMessageW(Control(kIdPortBox), CB_GETCURSEL, 0, 0), 1);

  EXPECT_EQ(Text(Control(kIdConnect)), kExpectedConnectUtf16);
  for (int id : {kIdConnect, kIdExit, kIdClearList, kIdPortBox, kIdSpeedBox, 1001, 1002})
    EXPECT_TRUE(IsWindowEnabled(Control(id))) << id;
  for (int id : {kIdReadFiscalMemory, kIdLog}) EXPECT_FALSE(IsWindowEnabled(Control(id))) << id;
}

TEST_F(DialogTest, OnlyAButtonClickRunsACommand) {
  ListPrintf("row");
  // A notification code in the high word makes it another command: nothing runs.
  EXPECT_EQ(MainDialogProc(dialog_, WM_COMMAND, MAKEWPARAM(kIdClearList, 1), 0), FALSE);
  EXPECT_EQ(MainDialogProc(dialog_, WM_COMMAND, MAKEWPARAM(kIdSpeedBox, CBN_SELCHANGE), 0), FALSE);
  EXPECT_EQ(MainDialogProc(dialog_, WM_COMMAND, MAKEWPARAM(1001, EN_CHANGE), 0), FALSE);
  EXPECT_EQ(MainDialogProc(dialog_, WM_COMMAND, MAKEWPARAM(kIdExit, 1), 0), FALSE);
  EXPECT_EQ(MainDialogProc(dialog_, WM_TIMER, 0, 0), FALSE);
  EXPECT_EQ(RowCount(), 1);
  EXPECT_EQ(QuitFlag, 0);
  EXPECT_EQ(MainDialogProc(dialog_, WM_COMMAND, kIdClearList, 0), TRUE);
  EXPECT_EQ(RowCount(), 0);
}

TEST_F(DialogTest, ExitAndCloseBoxEndTheDialog) {
  for (UINT message : {UINT{WM_CLOSE}, UINT{WM_COMMAND}}) {
    ShowWindow(dialog_, SW_SHOWNORMAL);
    QuitFlag = 0;
    EXPECT_EQ(MainDialogProc(dialog_, message, message == WM_COMMAND ? kIdExit : 0, 0), TRUE);
    EXPECT_EQ(QuitFlag, 1);
    EXPECT_FALSE(IsWindowVisible(dialog_));  // ended; the program entry destroys it
    EXPECT_TRUE(IsWindow(dialog_));
  }
}

// The dialog's keyboard interface is not used: keys go to the focused control only.
TEST_F(DialogTest, EnterEscapeAndTabDoNothing) {
  ShowWindow(dialog_, SW_SHOWNORMAL);
  SetForegroundWindow(dialog_);
  const HWND exitButton = Control(kIdExit);
  SetFocus(exitButton);
  ASSERT_EQ(GetFocus(), exitButton);
  for (WPARAM key : {WPARAM{VK_RETURN}, WPARAM{VK_ESCAPE}, WPARAM{VK_TAB}}) {
    PostMessageW(exitButton, WM_KEYDOWN, key, 0);
    PostMessageW(exitButton, WM_KEYUP, key, 0xC0000000);
  }
  for (int i = 0; i < 20; ++i) PumpMessage();
  EXPECT_EQ(GetFocus(), exitButton);
  EXPECT_EQ(QuitFlag, 0);
  EXPECT_TRUE(IsWindowVisible(dialog_));
}

// Everything that a failed Connect must leave as it was.
void ExpectStillDisconnected(const MainDialogTest& test, HWND dialog) {
  EXPECT_EQ(PortIsOpen, 0);
  wchar_t caption[64] = L"";
  GetDlgItemTextW(dialog, kIdConnect, caption, 64);
  EXPECT_STREQ(caption, kExpectedConnectUtf16);
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, kIdReadFiscalMemory)));
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, kIdLog)));
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, kIdPortBox)));
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, kIdSpeedBox)));
  (void)test;
}

constexpr int kUnmappedPort = 11;  // no test maps COM11

TEST_F(DialogTest, PortThatCannotOpenShowsTheBoxThenTheRow) {
  SendMessageW(Control(kIdPortBox), CB_SETCURSEL, kUnmappedPort - 1, 0);
  WatchForErrorBox();
  EXPECT_EQ(MainDialogProc(dialog_, WM_COMMAND, kIdConnect, 0), TRUE);
  ASSERT_TRUE(WatchedBox().seen);
  EXPECT_EQ(WatchedBox().caption, L" Error ");
  EXPECT_EQ(WatchedBox().text, L"Cannot open port COM11...");
  EXPECT_EQ(WatchedBox().rowsMeanwhile, 0);  // the row comes after the box is closed
  EXPECT_EQ(Rows(), (Lines{L"Failed opening COM11 port..."}));
  EXPECT_EQ(SelectedPort, kUnmappedPort);
  ExpectStillDisconnected(*this, dialog_);
}

TEST_F(DialogTest, SpeedBoxWithoutSelectionIsAFailedOpen) {
  // Typing into the speed box's edit field leaves it without a selected entry.
  SendMessageW(Control(kIdSpeedBox), CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  SetDlgItemTextW(dialog_, kIdSpeedBox, L"4800");
  WatchForErrorBox();
  MainDialogProc(dialog_, WM_COMMAND, kIdConnect, 0);
  ASSERT_TRUE(WatchedBox().seen);
  EXPECT_EQ(WatchedBox().text, L"Cannot open port COM2...");
  EXPECT_EQ(Rows(), (Lines{L"Failed opening COM2 port..."}));
  ExpectStillDisconnected(*this, dialog_);
}

constexpr int kPeerPort = 5;

TEST_F(DialogTest, ConnectAndDisconnectSwitchTheControls) {
  FarEnd peer("ptypeer", kPeerPort);
  ASSERT_TRUE(peer.Ready());
  SendMessageW(Control(kIdPortBox), CB_SETCURSEL, kPeerPort - 1, 0);
  SendMessageW(Control(kIdSpeedBox), CB_SETCURSEL, 0, 0);
  MainDialogProc(dialog_, WM_COMMAND, kIdConnect, 0);
  EXPECT_EQ(Rows(), (Lines{L"Opened port COM5, 9600, Parity NONE, Data 8, Stop 1"}));
  EXPECT_EQ(PortIsOpen, 1);
  EXPECT_EQ(SelectedPort, kPeerPort);
  EXPECT_EQ(Text(Control(kIdConnect)), kExpectedDisconnectUtf16);
  EXPECT_TRUE(IsWindowEnabled(Control(kIdReadFiscalMemory)));
  EXPECT_TRUE(IsWindowEnabled(Control(kIdLog)));
  EXPECT_FALSE(IsWindowEnabled(Control(kIdPortBox)));
  EXPECT_FALSE(IsWindowEnabled(Control(kIdSpeedBox)));
  EXPECT_TRUE(peer.WaitForLog("settings 9600 8 N 1", 5000)) << peer.LogText();

  // X clears the list and leaves the connection as it was.
  MainDialogProc(dialog_, WM_COMMAND, kIdClearList, 0);
  EXPECT_EQ(PortIsOpen, 1);

  MainDialogProc(dialog_, WM_COMMAND, kIdConnect, 0);
  EXPECT_EQ(Rows(), (Lines{L"Closed port COM5"}));
  ExpectStillDisconnected(*this, dialog_);
  EXPECT_TRUE(peer.WaitForLog("close", 5000)) << peer.LogText();
}

TEST_F(DialogTest, ExitWithAPortOpenClosesIt) {
  FarEnd peer("ptypeer", kPeerPort);
  ASSERT_TRUE(peer.Ready());
  SendMessageW(Control(kIdPortBox), CB_SETCURSEL, kPeerPort - 1, 0);
  MainDialogProc(dialog_, WM_COMMAND, kIdConnect, 0);
  ASSERT_EQ(PortIsOpen, 1);
  EXPECT_TRUE(peer.WaitForLog("settings 115200 8 N 1", 5000)) << peer.LogText();
  MainDialogProc(dialog_, WM_COMMAND, kIdExit, 0);
  EXPECT_EQ(QuitFlag, 1);
  EXPECT_TRUE(peer.WaitForLog("close", 5000)) << peer.LogText();
  // Ports are only ever opened by Connect; the slot is closed, whatever the flag says.
  EXPECT_EQ(OpenPort(kPeerPort, 115200, 'N', 8, 1), 1);
  ClosePort(kPeerPort);
  PortIsOpen = 0;
}

// What the system broadcasts to top-level windows for a port that comes or goes.
LRESULT BroadcastPort(HWND dialog, WPARAM event, const wchar_t* name) {
  constexpr size_t kNameAt = offsetof(DEV_BROADCAST_PORT_W, dbcp_name);
  alignas(DEV_BROADCAST_PORT_W) unsigned char data[kNameAt + 16 * sizeof(wchar_t)] = {};
  auto* port = reinterpret_cast<DEV_BROADCAST_PORT_W*>(data);
  port->dbcp_size = sizeof data;
  port->dbcp_devicetype = DBT_DEVTYP_PORT;
  memcpy(data + kNameAt, name, (wcslen(name) + 1) * sizeof(wchar_t));
  return MainDialogProc(dialog, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(data));
}

// The adapter pulled while connected and idle, told by the system's broadcast or
// found by the watch's look; while the port is waited for the controls stay as
// connected, Read Fiscal Memory sends nothing, and the port is taken up again when
// it is back; Disconnect ends the wait.
TEST_F(DialogTest, LostPortIsWaitedForAndTakenUpAgain) {
  auto peer = std::make_unique<FarEnd>("ptypeer", kPeerPort);
  ASSERT_TRUE(peer->Ready());
  SendMessageW(Control(kIdPortBox), CB_SETCURSEL, kPeerPort - 1, 0);
  MainDialogProc(dialog_, WM_COMMAND, kIdConnect, 0);
  ASSERT_EQ(PortIsOpen, 1);
  BroadcastPort(dialog_, DBT_DEVICEREMOVECOMPLETE, L"COM4");  // another port: nothing
  EXPECT_EQ(PortIsOpen, 1);
  peer->Stop();
  BroadcastPort(dialog_, DBT_DEVICEREMOVECOMPLETE, L"com5");
  EXPECT_EQ(PortIsOpen, 0);
  EXPECT_EQ(PortWaiting, 1);
  EXPECT_NE(Row(RowCount() - 1).find(L"COM5"), std::wstring::npos) << Row(RowCount() - 1);
  EXPECT_EQ(Text(Control(kIdConnect)), kExpectedDisconnectUtf16);
  EXPECT_TRUE(IsWindowEnabled(Control(kIdReadFiscalMemory)));
  MainDialogProc(dialog_, WM_COMMAND, kIdReadFiscalMemory, 0);
  EXPECT_EQ(Row(RowCount() - 1), L"COM5 is not back yet: nothing was sent");

  peer = std::make_unique<FarEnd>("ptypeer", kPeerPort);
  ASSERT_TRUE(peer->Ready());
  BroadcastPort(dialog_, DBT_DEVICEARRIVAL, L"COM5");
  EXPECT_EQ(PortIsOpen, 1);
  EXPECT_EQ(PortWaiting, 0);
  EXPECT_EQ(Row(RowCount() - 1), L"Opened port COM5, 115200, Parity NONE, Data 8, Stop 1");

  peer->Stop();
  for (int look = 0; look < 20 && PortWaiting == 0; ++look) {
    Sleep(kPortLookIntervalMs / 2);
    MainDialogProc(dialog_, WM_TIMER, kPortWatchTimer, 0);
  }
  EXPECT_EQ(PortWaiting, 1);
  MainDialogProc(dialog_, WM_COMMAND, kIdConnect, 0);
  EXPECT_EQ(Row(RowCount() - 1), L"Closed port COM5");
  EXPECT_EQ(PortWaiting, 0);
  ExpectStillDisconnected(*this, dialog_);
}

// The program as WinMain runs it, ended by an Exit click from a timer.
void CALLBACK ClickExit(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  PostMessageW(MainDialog, WM_COMMAND, kIdExit, 0);
}

// Only this process's windows count: end-to-end tests may have a Tallyglass of
// their own open in the same Wine server.
BOOL CALLBACK NoteOwnDialog(HWND window, LPARAM found) {
  wchar_t title[32] = {};
  GetWindowTextW(window, title, 32);
  if (wcscmp(title, L"Tallyglass") == 0) *reinterpret_cast<bool*>(found) = true;
  return TRUE;
}

bool OwnDialogExists() {
  bool found = false;
  EnumThreadWindows(GetCurrentThreadId(), NoteOwnDialog, reinterpret_cast<LPARAM>(&found));
  return found;
}

TEST(ProgramLoop, RunsUntilExitThenDestroysTheWindow) {
  SetTimer(nullptr, 0, 50, ClickExit);
  EXPECT_EQ(RunMainDialog(GetModuleHandleW(nullptr)), 0);
  EXPECT_EQ(QuitFlag, 1);
  EXPECT_EQ(MainDialog, nullptr);
  EXPECT_FALSE(OwnDialogExists());
}

TEST(ProgramLoop, WithoutItsDialogTheProgramEndsAtOnce) {
  // kernel32 holds no dialog template "kestrel".
  EXPECT_NE(RunMainDialog(GetModuleHandleW(L"kernel32.dll")), 0);
  EXPECT_EQ(MainDialog, nullptr);
}

TEST(ProgramLoop, IdleWaitEndsWhenAMessageArrives) {
  QuitFlag = 0;
  // Already pending: no wait at all.
  PostThreadMessageW(GetCurrentThreadId(), WM_NULL, 0, 0);
  OnIdle();
  PumpMessage();
  // Arriving later: a timer's message ends the wait.
  const UINT_PTR timer = SetTimer(nullptr, 0, 30, nullptr);
  const DWORD start = GetTickCount();
  OnIdle();
  EXPECT_LT(GetTickCount() - start, 5000u);
  KillTimer(nullptr, timer);
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
  }
  // A close request already made: the loop is about to end, nothing to wait for.
  QuitFlag = 1;
  OnIdle();
  QuitFlag = 0;
}

}  // namespace
