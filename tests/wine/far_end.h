// FarEnd: the Linux program at the other end of a COM port, for the Wine tests.
//
//   FarEnd peer("ptypeer --echo", 7);          // COM7 now leads to the peer's pty
//   ASSERT_TRUE(peer.Ready());
//   ... OpenPort(7, ...), bytes both ways ...
//   EXPECT_TRUE(peer.WaitForLog("close", 2000));
//   // the destructor ends the peer; COM7 is unmapped again
//
// The first word of the command names a program in the host tools dir (the env
// TG_HOST_TOOLS_DIR, else the path compiled in); the rest are its own options.
// FarEnd adds "--map-com N --path-file F --log L", which ptypeer and regsim both
// take, and waits until the path file shows that COMn is mapped. All Wine tests of
// a run share one prefix: a test that maps ports takes the CTest lock com_ports.
//
// Why it works this way under Wine (each seen here with Wine 8.0):
// - CreateProcessA of a Linux program runs it natively (Wine forks and execs it),
//   so "/bin/sh -c ..." starts the peer. But the process handle Wine returns for it
//   is NULL: it can be neither waited for nor terminated, and the pipes given as its
//   standard handles reach it as end-of-file at once. So the shell ties the peer's
//   life to a file of ours opened with FILE_FLAG_DELETE_ON_CLOSE: while the file
//   exists the peer runs; when the FarEnd closes it, or this process dies however it
//   dies (the wineserver closes its handles), a watchdog loop in the shell sends the
//   peer SIGTERM. The shell then removes the COM link and writes "ended".
// - The peer maps the port by the $WINEPREFIX/dosdevices/comN link, which the
//   running Wine honours at once (registry mappings are read only when the
//   wineserver starts). The prefix is passed to the peer explicitly, found from the
//   Unix path of this prefix's drive C: (".../dosdevices/c:/").
// - The files live in the prefix's own temp folder (unique per prefix and per
//   process), reached from Linux through wine_get_unix_file_name. The peer's own
//   output goes to a file there, never to the test's pipes, so that a peer can
//   never hold a test runner's output open.
#pragma once
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace far_end {

constexpr DWORD kStartWaitMs = 10000;  // the peer maps its port and writes the path file
constexpr DWORD kStopWaitMs = 5000;    // the peer ends after SIGTERM
constexpr DWORD kPollMs = 5;

// Linux path of a Windows path, through Wine's own converter ("" when not under Wine).
inline std::string UnixPath(const std::string& dosPath) {
  typedef char*(CDECL * Converter)(const WCHAR*);
  const Converter convert = reinterpret_cast<Converter>(reinterpret_cast<void (*)()>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (!convert) return "";
  WCHAR wide[MAX_PATH];
  if (!MultiByteToWideChar(CP_ACP, 0, dosPath.c_str(), -1, wide, MAX_PATH)) return "";
  char* unixPath = convert(wide);
  if (!unixPath) return "";
  std::string result = unixPath;
  HeapFree(GetProcessHeap(), 0, unixPath);
  return result;
}

inline std::string ReadWholeFile(const std::string& dosPath) {
  std::string text;
  // Shared read and write: the peer may be appending to its log meanwhile.
  HANDLE h = CreateFileA(dosPath.c_str(), GENERIC_READ,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return text;
  char buf[65536];
  DWORD got = 0;
  while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0) text.append(buf, got);
  CloseHandle(h);
  return text;
}

// Starts a Linux shell command without waiting for it. The script goes in double
// quotes on the Windows command line, so it must not contain any; single quotes
// reach the shell untouched.
inline bool StartShell(const std::string& script) {
  std::string commandLine = "/bin/sh -c \"" + script + "\"";
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                      &pi))
    return false;
  // Both NULL for a Linux program; closed in case a later Wine fills them in.
  if (pi.hThread) CloseHandle(pi.hThread);
  if (pi.hProcess) CloseHandle(pi.hProcess);
  return true;
}

inline bool FileExists(const std::string& dosPath) {
  return GetFileAttributesA(dosPath.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Waits until the file exists (true) or ms have passed (false).
inline bool WaitForFile(const std::string& dosPath, DWORD ms) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (FileExists(dosPath)) return true;
    if (GetTickCount() - start > ms) return false;
    Sleep(kPollMs);
  }
}

// The Wine prefix in use: Wine names drive C: by its dosdevices link.
inline std::string PrefixPath() {
  const std::string drive = UnixPath("C:\\");
  const std::string tail = "/dosdevices/c:/";
  if (drive.size() > tail.size() && drive.compare(drive.size() - tail.size(), tail.size(), tail) == 0)
    return drive.substr(0, drive.size() - tail.size());
  const char* fromEnv = std::getenv("WINEPREFIX");
  return fromEnv ? fromEnv : "";
}

// Runs a Linux shell command and returns what it printed (stdout and stderr);
// "" when it has not finished within ms.
inline std::string ShellOutput(const std::string& script, DWORD ms) {
  char temp[MAX_PATH], name[MAX_PATH];
  if (!GetTempPathA(MAX_PATH, temp) || !GetTempFileNameA(temp, "tgs", 0, name)) return "";
  const std::string done = name;
  const std::string part = done + ".part";
  DeleteFileA(done.c_str());  // it appears again, whole, when the command has ended
  const std::string unixDone = UnixPath(done);
  std::string text;
  if (!unixDone.empty() &&
      StartShell("(" + script + ") > '" + unixDone + ".part' 2>&1; mv '" + unixDone + ".part' '" +
                 unixDone + "'") &&
      WaitForFile(done, ms))
    text = ReadWholeFile(done);
  DeleteFileA(done.c_str());
  DeleteFileA(part.c_str());
  return text;
}

inline std::string HostToolsDir() {
  const char* fromEnv = std::getenv("TG_HOST_TOOLS_DIR");
  if (fromEnv && *fromEnv) return fromEnv;
#ifdef TG_HOST_TOOLS_DIR
  return TG_HOST_TOOLS_DIR;
#else
  return "";
#endif
}

}  // namespace far_end

class FarEnd {
 public:
  // command: "<tool> [options]", e.g. "ptypeer --echo" or "regsim --mode command".
  FarEnd(const std::string& command, int com) : com_(com) { Start(command); }
  ~FarEnd() {
    Stop();
    RemoveFiles();
  }
  FarEnd(const FarEnd&) = delete;
  FarEnd& operator=(const FarEnd&) = delete;

  // True once COMn leads to the peer's pty.
  bool Ready() const { return ready_; }
  int Com() const { return com_; }
  // The pty the port leads to (Linux path), and the peer's log (Windows path).
  const std::string& PtyPath() const { return ptyPath_; }
  const std::string& LogPath() const { return logDos_; }
  std::string LogText() const { return far_end::ReadWholeFile(logDos_); }

  // Waits until the log holds `text` (true) or ms have passed (false).
  bool WaitForLog(const std::string& text, DWORD ms) const {
    const DWORD start = GetTickCount();
    for (;;) {
      if (LogText().find(text) != std::string::npos) return true;
      if (GetTickCount() - start > ms) return false;
      Sleep(far_end::kPollMs);
    }
  }

  // ptypeer's log: the bytes it received ("<us> rx XX" lines), in order.
  std::vector<uint8_t> Received() const {
    std::vector<uint8_t> bytes;
    const std::string log = LogText();
    size_t at = 0;
    while ((at = log.find(" rx ", at)) != std::string::npos) {
      unsigned value = 0;
      if (std::sscanf(log.c_str() + at + 4, "%2x", &value) == 1)
        bytes.push_back(static_cast<uint8_t>(value));
      at += 4;
    }
    return bytes;
  }

  // Waits until ptypeer has received at least count bytes; returns them.
  std::vector<uint8_t> WaitForReceived(size_t count, DWORD ms) const {
    const DWORD start = GetTickCount();
    for (;;) {
      std::vector<uint8_t> bytes = Received();
      if (bytes.size() >= count || GetTickCount() - start > ms) return bytes;
      Sleep(far_end::kPollMs);
    }
  }

  // Ends the peer (SIGTERM; SIGKILL if it lingers) and waits until it has ended and
  // COMn is unmapped; the log stays readable until the FarEnd is destroyed.
  // Safe to call twice.
  void Stop() {
    if (alive_ == INVALID_HANDLE_VALUE) return;
    CloseHandle(alive_);  // deletes the file: the shell's watchdog ends the peer
    alive_ = INVALID_HANDLE_VALUE;
    if (far_end::WaitForFile(File("ended"), far_end::kStopWaitMs)) return;
    const std::string pid = Trimmed(far_end::ReadWholeFile(File("pid")));
    if (!pid.empty()) far_end::StartShell("kill -9 " + pid);
    far_end::WaitForFile(File("ended"), far_end::kStopWaitMs);
  }

  // What the peer wrote to its stdout and stderr (for failure messages).
  std::string Output() const { return far_end::ReadWholeFile(File("output")); }

 private:
  static std::string Trimmed(std::string s) {
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
    return s;
  }

  std::string File(const char* name) const { return dirDos_ + "\\" + name; }

  bool MakeFolder() {
    char temp[MAX_PATH];
    if (!GetTempPathA(MAX_PATH, temp)) return false;
    for (unsigned n = 0; n < 1000; ++n) {
      dirDos_ = std::string(temp) + "tg-farend-" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(n);
      if (CreateDirectoryA(dirDos_.c_str(), nullptr)) return true;
    }
    dirDos_.clear();
    return false;
  }

  void Start(const std::string& command) {
    if (!MakeFolder()) return;
    logDos_ = File("log");
    const std::string dir = far_end::UnixPath(dirDos_);
    const std::string prefix = far_end::PrefixPath();
    if (dir.empty() || prefix.empty()) return;
    alive_ = CreateFileA(File("alive").c_str(), GENERIC_WRITE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         CREATE_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (alive_ == INVALID_HANDLE_VALUE) return;
    const std::string com = std::to_string(com_);
    const std::string script =
        "cd '" + dir + "' || exit 1; " +
        "WINEPREFIX='" + prefix + "' '" + far_end::HostToolsDir() + "'/" + command +
        " --map-com " + com + " --path-file '" + dir + "/path' --log '" + dir +
        "/log' > output 2>&1 & p=$!; echo $p > pid; "
        "(while [ -e alive ]; do sleep 0.05; done; kill $p 2>/dev/null) & "
        "wait $p; echo > exited; rm -f '" + prefix + "/dosdevices/com" + com + "'; "
        "wait; echo > ended";
    if (!far_end::StartShell(script)) {
      CloseHandle(alive_);  // nothing to wait for at Stop
      alive_ = INVALID_HANDLE_VALUE;
      return;
    }
    const DWORD start = GetTickCount();
    while (GetTickCount() - start <= far_end::kStartWaitMs) {
      const std::string path = far_end::ReadWholeFile(File("path"));
      if (!path.empty() && path.back() == '\n') {
        ptyPath_ = Trimmed(path);
        ready_ = true;
        return;
      }
      if (far_end::FileExists(File("exited"))) return;  // the peer gave up
      Sleep(far_end::kPollMs);
    }
  }

  void RemoveFiles() {
    if (dirDos_.empty()) return;
    for (const char* name : {"pid", "path", "log", "output", "exited", "ended"})
      DeleteFileA(File(name).c_str());
    RemoveDirectoryA(dirDos_.c_str());
  }

  int com_;
  bool ready_ = false;
  HANDLE alive_ = INVALID_HANDLE_VALUE;
  std::string dirDos_, logDos_, ptyPath_;
};
