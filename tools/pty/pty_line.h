// A pty pair in raw mode, the far end of a COM port that Wine maps to the slave
// (HKLM\Software\Wine\Ports, COMn = slave path, or a dosdevices/comN link).
// Also opens a real tty (a null-modem cable) in raw mode.
#pragma once
#include <cstdint>
#include <string>
#include <termios.h>

struct PtyLine {
  int fd = -1;          // our end: the master, or the tty itself
  int slave_fd = -1;    // kept open so that the line survives the program's closes
  std::string path;     // the path to map as a COM port
};

// Opens a new pty pair in raw mode; false on failure.
bool OpenPtyLine(PtyLine& line);
// Opens a tty device in raw mode (the far end of a real cable); false on failure.
bool OpenTtyLine(PtyLine& line, const std::string& device, unsigned baud);
void ClosePtyLine(PtyLine& line);

// The line settings the program on the other side applied, as the pty shows them.
struct LineSettings {
  unsigned baud = 0;
  int dataBits = 0;
  char parity = '?';  // 'N', 'E', 'O'
  int stopBits = 0;
};
bool ReadLineSettings(const PtyLine& line, LineSettings& settings);

// Maps COMn of the Wine prefix in $WINEPREFIX (default ~/.wine) to `path` by its
// dosdevices/comN link, which a running Wine honours at once. Returns false when
// the link cannot be made. UnmapWineComPort removes the link again.
bool MapWineComPort(int n, const std::string& path);
void UnmapWineComPort(int n);

// Monotonic time in microseconds.
uint64_t NowUs();
