#include "tools/pty/pty_line.h"

#include <fcntl.h>
#include <pty.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>

namespace {

unsigned SpeedOf(speed_t s) {
  switch (s) {
    case B1200: return 1200;
    case B2400: return 2400;
    case B4800: return 4800;
    case B9600: return 9600;
    case B19200: return 19200;
    case B38400: return 38400;
    case B57600: return 57600;
    case B115200: return 115200;
    case B230400: return 230400;
    default: return 0;
  }
}

speed_t SpeedConstant(unsigned baud) {
  switch (baud) {
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    default: return B115200;
  }
}

}  // namespace

bool OpenPtyLine(PtyLine& line) {
  int master = -1, slave = -1;
  char name[256];
  if (openpty(&master, &slave, name, nullptr, nullptr) != 0) return false;
  termios t{};
  tcgetattr(slave, &t);
  cfmakeraw(&t);
  tcsetattr(slave, TCSANOW, &t);
  tcgetattr(master, &t);
  cfmakeraw(&t);
  tcsetattr(master, TCSANOW, &t);
  line.fd = master;
  line.slave_fd = slave;
  line.path = name;
  return true;
}

bool OpenTtyLine(PtyLine& line, const std::string& device, unsigned baud) {
  const int fd = open(device.c_str(), O_RDWR | O_NOCTTY);
  if (fd < 0) return false;
  termios t{};
  tcgetattr(fd, &t);
  cfmakeraw(&t);
  cfsetispeed(&t, SpeedConstant(baud));
  cfsetospeed(&t, SpeedConstant(baud));
  t.c_cflag |= CLOCAL | CREAD;
  tcsetattr(fd, TCSANOW, &t);
  line.fd = fd;
  line.slave_fd = -1;
  line.path = device;
  return true;
}

void ClosePtyLine(PtyLine& line) {
  if (line.fd >= 0) close(line.fd);
  if (line.slave_fd >= 0) close(line.slave_fd);
  line.fd = line.slave_fd = -1;
}

bool ReadLineSettings(const PtyLine& line, LineSettings& settings) {
  termios t{};
  // The slave carries what the program set with tcsetattr; the master mirrors it.
  const int fd = line.slave_fd >= 0 ? line.slave_fd : line.fd;
  if (tcgetattr(fd, &t) != 0) return false;
  settings.baud = SpeedOf(cfgetospeed(&t));
  switch (t.c_cflag & CSIZE) {
    case CS5: settings.dataBits = 5; break;
    case CS6: settings.dataBits = 6; break;
    case CS7: settings.dataBits = 7; break;
    default: settings.dataBits = 8; break;
  }
  settings.parity = (t.c_cflag & PARENB) ? ((t.c_cflag & PARODD) ? 'O' : 'E') : 'N';
  settings.stopBits = (t.c_cflag & CSTOPB) ? 2 : 1;
  return true;
}

uint64_t NowUs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<uint64_t>(ts.tv_sec) * 1000000u + static_cast<uint64_t>(ts.tv_nsec) / 1000u;
}

namespace {
std::string ComLinkPath(int n) {
  const char* prefix = std::getenv("WINEPREFIX");
  std::string dir = prefix && *prefix ? prefix : std::string(std::getenv("HOME") ? std::getenv("HOME") : "") + "/.wine";
  return dir + "/dosdevices/com" + std::to_string(n);
}
}  // namespace

bool MapWineComPort(int n, const std::string& path) {
  const std::string link = ComLinkPath(n);
  unlink(link.c_str());
  return symlink(path.c_str(), link.c_str()) == 0;
}

void UnmapWineComPort(int n) { unlink(ComLinkPath(n).c_str()); }
