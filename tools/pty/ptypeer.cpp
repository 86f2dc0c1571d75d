// ptypeer: the far end of a COM port for the Windows and end-to-end tests.
// Opens a pty pair, prints the slave's path (the thing to map as COMn) and then
// serves the line until SIGTERM/SIGINT: echoes or records what arrives, sends given
// bytes, and logs when the program opens and closes the port and which line
// settings it applied.
#include <getopt.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tools/pty/pty_line.h"

namespace {

volatile sig_atomic_t stop_requested = 0;
void OnSignal(int) { stop_requested = 1; }

struct Options {
  bool echo = false;
  std::string sendHex;     // sent once the program has opened the port
  std::string logPath;     // events and received bytes with timestamps
  std::string pathFile;    // the slave's path is also written here
  bool exitOnClose = false;
  int mapCom = 0;          // COMn of $WINEPREFIX mapped to the pty while we run
};

void Usage() {
  std::puts(
      "usage: ptypeer [--echo] [--send HEX] [--log FILE] [--path-file FILE] [--exit-on-close]\n"
      "Opens a pty pair and prints the slave's path; map it as a COM port, e.g.\n"
      "  wine reg add 'HKLM\\Software\\Wine\\Ports' /v COM2 /d /dev/pts/N\n"
      "  --echo            send every received byte back\n"
      "  --send HEX        send these bytes (hex pairs) when the port is first opened\n"
      "  --log FILE        log '<us> open|close|settings B D P S|rx XX' lines\n"
      "  --path-file FILE  also write the slave's path to FILE\n"
      "  --exit-on-close   end when the program closes the port\n"
      "  --map-com N       link $WINEPREFIX/dosdevices/comN to the pty while running");
}

__attribute__((format(printf, 3, 4))) void LogEvent(FILE* log, uint64_t t0, const char* fmt, ...) {
  if (!log) return;
  std::fprintf(log, "%llu ", static_cast<unsigned long long>(NowUs() - t0));
  va_list args;
  va_start(args, fmt);
  std::vfprintf(log, fmt, args);
  va_end(args);
  std::fputc('\n', log);
  std::fflush(log);
}

std::string FromHex(const std::string& hex) {
  std::string out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    out += static_cast<char>(std::strtoul(hex.substr(i, 2).c_str(), nullptr, 16));
  return out;
}

bool ParseOptions(int argc, char** argv, Options& o) {
  static const option longOptions[] = {{"echo", no_argument, nullptr, 'e'},
                                       {"send", required_argument, nullptr, 's'},
                                       {"log", required_argument, nullptr, 'l'},
                                       {"path-file", required_argument, nullptr, 'p'},
                                       {"exit-on-close", no_argument, nullptr, 'x'},
                                       {"map-com", required_argument, nullptr, 'm'},
                                       {"help", no_argument, nullptr, 'h'},
                                       {nullptr, 0, nullptr, 0}};
  int c;
  while ((c = getopt_long(argc, argv, "", longOptions, nullptr)) != -1) {
    switch (c) {
      case 'e': o.echo = true; break;
      case 's': o.sendHex = optarg; break;
      case 'l': o.logPath = optarg; break;
      case 'p': o.pathFile = optarg; break;
      case 'x': o.exitOnClose = true; break;
      case 'm': o.mapCom = std::atoi(optarg); break;
      default: Usage(); return false;
    }
  }
  return true;
}

bool Readable(int fd) {
  pollfd p{fd, POLLIN, 0};
  return poll(&p, 1, 0) > 0 && (p.revents & POLLIN) != 0;
}

// Reads what has arrived (call only when it is readable), logs it byte by byte and
// echoes it if asked; returns the count read, 0 at the end of the data.
ssize_t ReceiveBytes(int fd, FILE* log, uint64_t t0, bool echo) {
  unsigned char buf[4096];
  const ssize_t n = read(fd, buf, sizeof buf);
  if (n <= 0) return 0;
  for (ssize_t i = 0; i < n; ++i) LogEvent(log, t0, "rx %02X", buf[i]);
  if (echo) (void)!write(fd, buf, static_cast<size_t>(n));
  return n;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!ParseOptions(argc, argv, o)) return 2;
  PtyLine line;
  if (!OpenPtyLine(line)) {
    std::perror("openpty");
    return 1;
  }
  // Without our own slave descriptor the master reports POLLHUP while the program
  // has the port closed: that is how opens and closes are seen.
  close(line.slave_fd);
  line.slave_fd = -1;
  signal(SIGTERM, OnSignal);
  signal(SIGINT, OnSignal);
  if (o.mapCom > 0 && !MapWineComPort(o.mapCom, line.path)) {
    std::fprintf(stderr, "ptypeer: cannot map COM%d\n", o.mapCom);
    return 1;
  }
  std::printf("%s\n", line.path.c_str());
  std::fflush(stdout);
  if (!o.pathFile.empty()) {
    FILE* f = std::fopen(o.pathFile.c_str(), "w");
    if (f) { std::fprintf(f, "%s\n", line.path.c_str()); std::fclose(f); }
  }
  FILE* log = o.logPath.empty() ? nullptr : std::fopen(o.logPath.c_str(), "w");
  const uint64_t t0 = NowUs();
  bool open = false, sent = false;
  LineSettings last;
  const std::string toSend = FromHex(o.sendHex);
  while (!stop_requested) {
    pollfd p{line.fd, POLLIN, 0};
    poll(&p, 1, 5);
    const bool hup = (p.revents & POLLHUP) != 0;
    if (!hup && !open) {
      open = true;
      LogEvent(log, t0, "open");
    }
    // Read whatever has arrived, also after the program has closed the port again:
    // the bytes written just before a close are still queued on our side, and an
    // open, write and close quicker than our poll shows up only through its bytes.
    if (p.revents & POLLIN) {
      if (ReceiveBytes(line.fd, log, t0, o.echo && !hup) > 0 && !open) {
        open = true;
        LogEvent(log, t0, "open");
      }
    }
    if (hup && open) {
      while (Readable(line.fd) && ReceiveBytes(line.fd, log, t0, false) > 0) {}
      open = false;
      LogEvent(log, t0, "close");
      if (o.exitOnClose) break;
    }
    if (!open) { usleep(2000); continue; }
    LineSettings s;
    // The slave's settings, through the master: the pty shares one termios.
    PtyLine probe = line;
    if (ReadLineSettings(probe, s) &&
        (s.baud != last.baud || s.dataBits != last.dataBits || s.parity != last.parity ||
         s.stopBits != last.stopBits)) {
      last = s;
      LogEvent(log, t0, "settings %u %d %c %d", s.baud, s.dataBits, s.parity, s.stopBits);
    }
    if (!sent && !toSend.empty()) {
      sent = true;
      (void)!write(line.fd, toSend.data(), toSend.size());
    }
  }
  if (log) std::fclose(log);
  if (o.mapCom > 0) UnmapWineComPort(o.mapCom);
  ClosePtyLine(line);
  return 0;
}
