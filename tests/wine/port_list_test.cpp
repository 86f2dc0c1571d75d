// The port box on the system's list of ports, HKLM\HARDWARE\DEVICEMAP\SERIALCOMM,
// which the tests write themselves: Wine's mount manager fills it only when the Wine
// server starts (from HKLM\Software\Wine\Ports and the /dev/ttyS* it finds), and
// never for the dosdevices/comN links that make the ports here. The values are
// named \Device\TgTest... so that Wine's own ones are never touched.
#include <string>
#include <vector>

#include "core/dump/fiscal_dump.h"
#include "dialog_helpers.h"
#include "far_end.h"
#include "greek_expected.h"

namespace {

constexpr wchar_t kSerialCommKey[] = L"HARDWARE\\DEVICEMAP\\SERIALCOMM";

// Values written under SERIALCOMM, removed again at the end.
class ListedPorts {
 public:
  ListedPorts() {
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, kSerialCommKey, 0, nullptr, REG_OPTION_VOLATILE,
                    KEY_SET_VALUE, nullptr, &key_, nullptr);
  }
  ~ListedPorts() {
    for (const std::wstring& name : names_) RegDeleteValueW(key_, name.c_str());
    if (key_ != nullptr) RegCloseKey(key_);
  }
  ListedPorts(const ListedPorts&) = delete;
  ListedPorts& operator=(const ListedPorts&) = delete;

  // Data as bytes, so that a test can leave out the NUL or give another type.
  void AddBytes(const std::wstring& name, DWORD type, const void* data, DWORD bytes) {
    names_.push_back(L"\\Device\\TgTest" + name);
    ASSERT_EQ(RegSetValueExW(key_, names_.back().c_str(), 0, type, static_cast<const BYTE*>(data), bytes),
              ERROR_SUCCESS);
  }
  void Add(const std::wstring& name, const std::wstring& data) {
    AddBytes(name, REG_SZ, data.c_str(), static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
  }
  void Remove(const std::wstring& name) { RegDeleteValueW(key_, (L"\\Device\\TgTest" + name).c_str()); }

 private:
  HKEY key_ = nullptr;
  std::vector<std::wstring> names_;
};

Lines PortNames(std::initializer_list<int> above) {
  Lines names;
  for (int port = 1; port <= 12; ++port) names.push_back(L"COM" + std::to_wstring(port));
  for (int port : above) names.push_back(L"COM" + std::to_wstring(port));
  return names;
}

// COM15 and COM200 listed, with everything the list must not take beside them; the
// dialog is made after them, as at the program's start.
class PortList : public MainDialogTest {
 protected:
  void SetUp() override {
    listed_.Add(L"15", L"COM15");
    listed_.Add(L"200", L"COM200");
    listed_.Add(L"Again15", L"COM15");  // a second name for one port: one entry
    listed_.Add(L"3", L"COM3");         // among the fixed entries already
    for (const wchar_t* junk : {L"COM0", L"COM257", L"COM015", L"com16", L"COM17 ", L"COMΑ", L"LPT1", L""})
      listed_.Add(std::wstring(L"Junk") + std::to_wstring(junkCount_++), junk);
    listed_.Add(L"Overlong", L"COM18" + std::wstring(300, L' '));
    const DWORD number = 19;
    listed_.AddBytes(L"Dword", REG_DWORD, &number, sizeof number);
    listed_.AddBytes(L"Expand", REG_EXPAND_SZ, L"COM20", 12);
    listed_.AddBytes(L"Multi", REG_MULTI_SZ, L"COM21\0", 14);
    // Taken: a REG_SZ without its NUL, and one under a value name of 1000 characters.
    listed_.AddBytes(L"NoNul", REG_SZ, L"COM22", 10);
    listed_.Add(std::wstring(1000, L'n'), L"COM24");
    MainDialogTest::SetUp();
    box_ = Control(kIdPortBox);
  }

  int Selected() const { return static_cast<int>(SendMessageW(box_, CB_GETCURSEL, 0, 0)); }
  std::wstring SelectedName() const {
    const int index = Selected();
    return index >= 0 ? ComboEntries(box_)[static_cast<size_t>(index)] : L"";
  }
  void Choose(const std::wstring& name) {
    const Lines entries = ComboEntries(box_);
    for (size_t i = 0; i < entries.size(); ++i)
      if (entries[i] == name) SendMessageW(box_, CB_SETCURSEL, i, 0);
    ASSERT_EQ(SelectedName(), name);
  }
  // The operator opens the list and closes it again.
  void OpenList() {
    SendMessageW(box_, CB_SHOWDROPDOWN, TRUE, 0);
    SendMessageW(box_, CB_SHOWDROPDOWN, FALSE, 0);
  }

  ListedPorts listed_;
  int junkCount_ = 0;
  HWND box_ = nullptr;
};

TEST_F(PortList, SystemPortsFollowTheFixedOnesInOrderOnceEach) {
  EXPECT_EQ(ComboEntries(box_), PortNames({15, 22, 24, 200}));
  EXPECT_EQ(SelectedName(), L"COM2");
  // Each entry carries its port number, which Connect takes.
  const std::vector<int> ports = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 15, 22, 24, 200};
  for (size_t i = 0; i < ports.size(); ++i)
    EXPECT_EQ(SendMessageW(box_, CB_GETITEMDATA, i, 0), ports[i]) << i;
}

TEST_F(PortList, PortsAboveTwelveConnectAndReadTheFiscalMemory) {
  ShowWindow(dialog_, SW_SHOWNORMAL);
  TempWorkingDirectory work;
  ASSERT_FALSE(work.Path().empty());
  {
    FarEnd regsim("regsim --mode dump --generate-dump 300", 15);
    ASSERT_TRUE(regsim.Ready()) << regsim.Output();
    Choose(L"COM15");
    MainDialogProc(dialog_, WM_COMMAND, kIdConnect, 0);
    EXPECT_EQ(Rows(), (Lines{L"Opened port COM15, 115200, Parity NONE, Data 8, Stop 1"}));
    ASSERT_EQ(SelectedPort, 15);
    ReadFiscalMemory();
    ASSERT_GT(RowCount(), 1);
    EXPECT_EQ(Row(RowCount() - 1), kExpectedDumpCompletedUtf16);
    const std::string dump = far_end::ReadWholeFile("FMout1.txt");
    EXPECT_GT(dump.size(), 200u);
    EXPECT_EQ(dump.substr(dump.size() - 2), "\r\n");
    ClearMessageList();
    MainDialogProc(dialog_, WM_COMMAND, kIdConnect, 0);
    EXPECT_EQ(Rows(), (Lines{L"Closed port COM15"}));
    EXPECT_TRUE(regsim.WaitForLog("close", 5000)) << regsim.LogText();
  }
  FarEnd peer("ptypeer", 200);
  ASSERT_TRUE(peer.Ready()) << peer.Output();
  ClearMessageList();
  Choose(L"COM200");
  SendMessageW(Control(kIdSpeedBox), CB_SETCURSEL, 0, 0);
  MainDialogProc(dialog_, WM_COMMAND, kIdConnect, 0);
  EXPECT_EQ(Rows(), (Lines{L"Opened port COM200, 9600, Parity NONE, Data 8, Stop 1"}));
  EXPECT_TRUE(peer.WaitForLog("settings 9600 8 N 1", 5000)) << peer.LogText();
  MainDialogProc(dialog_, WM_COMMAND, kIdConnect, 0);
  EXPECT_TRUE(peer.WaitForLog("close", 5000)) << peer.LogText();
}

// What the operator sees on opening the list after adapters came and went: the
// entries above COM12 as the system lists them now; the selection on its port while
// that is offered, else back on COM2, the default; nothing changes while connected.
TEST_F(PortList, OpeningTheListFollowsTheSystemAndKeepsOrDropsTheSelection) {
  ShowWindow(dialog_, SW_SHOWNORMAL);
  Choose(L"COM15");
  listed_.Add(L"17", L"COM17");
  OpenList();
  EXPECT_EQ(ComboEntries(box_), PortNames({15, 17, 22, 24, 200}));
  EXPECT_EQ(SelectedName(), L"COM15");

  listed_.Remove(L"15");
  OpenList();
  EXPECT_EQ(ComboEntries(box_), PortNames({15, 17, 22, 24, 200})) << "COM15 is still listed once";
  listed_.Remove(L"Again15");
  OpenList();
  EXPECT_EQ(ComboEntries(box_), PortNames({17, 22, 24, 200}));
  EXPECT_EQ(SelectedName(), L"COM2");

  // A port that appears below the chosen one moves it down the list, not away.
  Choose(L"COM200");
  listed_.Add(L"13", L"COM13");
  OpenList();
  EXPECT_EQ(ComboEntries(box_), PortNames({13, 17, 22, 24, 200}));
  EXPECT_EQ(SelectedName(), L"COM200");
  Choose(L"COM7");
  listed_.Remove(L"13");
  OpenList();
  EXPECT_EQ(SelectedName(), L"COM7");

  FarEnd peer("ptypeer", 200);
  ASSERT_TRUE(peer.Ready()) << peer.Output();
  Choose(L"COM200");
  MainDialogProc(dialog_, WM_COMMAND, kIdConnect, 0);
  ASSERT_EQ(PortIsOpen, 1);
  listed_.Remove(L"200");
  listed_.Add(L"14", L"COM14");
  EXPECT_EQ(MainDialogProc(dialog_, WM_COMMAND, MAKEWPARAM(kIdPortBox, CBN_DROPDOWN), 0), TRUE);
  EXPECT_EQ(ComboEntries(box_), PortNames({17, 22, 24, 200}));
  EXPECT_EQ(SelectedName(), L"COM200");
  MainDialogProc(dialog_, WM_COMMAND, kIdConnect, 0);
  EXPECT_EQ(PortIsOpen, 0);
  OpenList();
  EXPECT_EQ(ComboEntries(box_), PortNames({14, 17, 22, 24}));
  EXPECT_EQ(SelectedName(), L"COM2");
}

}  // namespace
