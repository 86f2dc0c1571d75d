// regsim: a simulated cash register on a pty (or a real tty), for the Windows and
// end-to-end tests and for demonstrations. Prints the path to map as a COM port,
// then serves the chosen mode until SIGTERM/SIGINT. When the program on the other
// side closes the port, the register starts afresh for the next connection.
#include <fcntl.h>
#include <getopt.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <string>

#include "tools/pty/pty_line.h"
#include "tools/sim/fault_options.h"
#include "tools/sim/register_model.h"

namespace {

volatile sig_atomic_t stop_requested = 0;
void OnSignal(int) { stop_requested = 1; }

// The sample data lives beside this file in the source tree.
std::string DataPath(const char* name) {
  std::string here = __FILE__;
  const size_t slash = here.rfind('/');
  return (slash == std::string::npos ? std::string(".") : here.substr(0, slash)) + "/data/" + name;
}

// Longest wait in one poll: lets the noise stream go on and catches opens/closes.
constexpr long kIdlePollUs = 2000;
constexpr size_t kMaxNoiseBacklog = 65536;
// While the program has the port closed, the master reports POLLHUP at once.
constexpr useconds_t kClosedPollUs = 2000;

struct Options {
  regsim::Mode mode = regsim::Mode::Dump;
  bool modeGiven = false;
  std::string dumpPath = DataPath("fiscal_memory.txt");
  std::string tablesPath = DataPath("tables.txt");
  long long generateDump = -1;
  int generateTables[4] = {-1, -1, -1, -1};
  std::string tty;
  unsigned ttyBaud = 115200;
  std::string pathFile, logPath, statsPath, linkPath;
  int mapCom = 0;
  regsim::Faults faults;
};

void Usage(FILE* to) {
  std::fputs(
      "usage: regsim --mode dump|command [options]\n"
      "A simulated cash register at the end of a serial line. It opens a pty, prints the\n"
      "path of its far end (map that as the COM port), and serves until Ctrl-C/SIGTERM.\n"
      "When the program closes the port, the register waits for the next connection.\n"
      "\n"
      "Modes (as chosen on the register's keyboard):\n"
      "  dump      'send fiscal memory to PC': ENQ -> ACK, STX -> the dump lines, ETX\n"
      "  command   framed commands: \"g/\" (table information), \"r/T/NNNN/\" (records)\n"
      "\n"
      "Data:\n"
      "  --dump FILE            dump text (default: tools/sim/data/fiscal_memory.txt)\n"
      "  --tables FILE          tables and \"g/\" info (default: tools/sim/data/tables.txt)\n"
      "  --generate-dump BYTES  a synthetic dump of about BYTES bytes instead of a file\n"
      "  --generate-tables A,B,C,D  A, B, C records in tables 0..2 and D in table 3\n"
      "Line:\n"
      "  --tty DEVICE --baud N  serve a real tty (null-modem cable) instead of a new pty\n"
      "  --path-file FILE       write the pty's path there too (after --map-com is done)\n"
      "  --map-com N            link $WINEPREFIX/dosdevices/comN to the pty while running\n"
      "  --link PATH            a symlink PATH to the pty while running, announced instead of\n"
      "                         the pty's own path: it stays the same when unplug makes a new pty\n"
      "  --log FILE             every byte: '<us> rx XX' (from the PC), '<us> tx XX' (to the\n"
      "                         PC), and '<us> open' / '<us> close' of the port\n"
      "  --stats FILE           key=value lines, rewritten as things happen and at exit:\n"
      "                         enqs frames_good frames_bad replies acks naks commands\n"
      "                         dump_bytes dumps\n"
      "  --pace BAUD            send at the speed of a real line (10 bits a byte)\n"
      "  --latency-us N         delay before each answer\n"
      "Faults (--fault NAME[=ARG], repeatable; N = -1 means every time):\n"
      "  silent                 never answers anything\n"
      "  byte-before-ack=HH     sends byte HH just before each ACK to ENQ\n"
      "  can-after-enq          command mode: answers ENQ with CAN\n"
      "  frame-answer=HH[:N]    answers the first N command frames (default all) with HH\n"
      "                         instead of ACK (15 = NAK, 18 = CAN, ...)\n"
      "  bad-checksum=N         the first N reply frames carry a wrong checksum\n"
      "  status14=N             the first N replies carry status 0E (busy, ask again)\n"
      "  short-frames=N         the first N reply frames carry only 10 frame bytes\n"
      "  stray=HEXBYTES         these bytes go out before every reply's STX\n"
      "  silent-after-nak       a NAK to a reply gets no answer at all\n"
      "  gap=AFTER:MS[:N]       silence of MS ms after AFTER bytes of the dump or of a reply\n"
      "                         frame (counted from its STX); in the first N of them\n"
      "  noise[=US]             from the first ENQ on, only an endless stream of bytes that\n"
      "                         are no control codes, one every US microseconds (100)\n"
      "  long-line=N            dump mode: an extra first line of N bytes (CR LF included)\n"
      "  unplug=AFTER:MS        an adapter pulled: after sending AFTER bytes, closes its end of\n"
      "                         the pty (the program's side hangs up) and removes --link and\n"
      "                         --map-com; MS ms later a new pty behind the same link and COM\n"
      "                         port, as a replugged adapter comes back under its name (once)\n"
      "Example, for COM2 of a Wine prefix:\n"
      "  regsim --mode command --map-com 2 --fault status14=1 --log /tmp/line.log\n",
      to);
}

bool Fail(const std::string& what) {
  std::fprintf(stderr, "regsim: %s\n", what.c_str());
  return false;
}

// A whole decimal number within [low, high].
bool Number(const std::string& text, long long low, long long high, long long& value) {
  char* end = nullptr;
  errno = 0;
  value = std::strtoll(text.c_str(), &end, 10);
  return !text.empty() && errno == 0 && *end == '\0' && value >= low && value <= high;
}

bool ParseOptions(int argc, char** argv, Options& o) {
  enum { kDump = 1, kTables, kGenDump, kGenTables, kTty, kBaud, kPathFile, kMapCom, kLog, kStats,
         kPace, kLatency, kFault, kMode, kHelp, kLink };
  static const option longOptions[] = {
      {"mode", required_argument, nullptr, kMode},         {"dump", required_argument, nullptr, kDump},
      {"tables", required_argument, nullptr, kTables},     {"generate-dump", required_argument, nullptr, kGenDump},
      {"generate-tables", required_argument, nullptr, kGenTables},
      {"tty", required_argument, nullptr, kTty},           {"baud", required_argument, nullptr, kBaud},
      {"path-file", required_argument, nullptr, kPathFile}, {"map-com", required_argument, nullptr, kMapCom},
      {"log", required_argument, nullptr, kLog},           {"stats", required_argument, nullptr, kStats},
      {"pace", required_argument, nullptr, kPace},         {"latency-us", required_argument, nullptr, kLatency},
      {"fault", required_argument, nullptr, kFault},       {"help", no_argument, nullptr, kHelp},
      {"link", required_argument, nullptr, kLink},
      {nullptr, 0, nullptr, 0}};
  int c;
  long long value = 0;
  std::string why;
  while ((c = getopt_long(argc, argv, "", longOptions, nullptr)) != -1) {
    const std::string arg = optarg ? optarg : "";
    switch (c) {
      case kMode:
        if (arg != "dump" && arg != "command") return Fail("--mode is dump or command");
        o.mode = arg == "dump" ? regsim::Mode::Dump : regsim::Mode::Command;
        o.modeGiven = true;
        break;
      case kDump: o.dumpPath = arg; break;
      case kTables: o.tablesPath = arg; break;
      case kGenDump:
        if (!Number(arg, 0, 4000000000LL, o.generateDump)) return Fail("--generate-dump wants a byte count");
        break;
      case kGenTables:
        if (!regsim::ParseTableSizes(arg, o.generateTables)) return Fail("--generate-tables wants A,B,C,D");
        break;
      case kTty: o.tty = arg; break;
      case kBaud:
        if (!Number(arg, 9600, 115200, value)) return Fail("--baud is 9600 to 115200");
        o.ttyBaud = static_cast<unsigned>(value);
        break;
      case kPathFile: o.pathFile = arg; break;
      case kMapCom:
        if (!Number(arg, 1, 256, value)) return Fail("--map-com wants a COM port number");
        o.mapCom = static_cast<int>(value);
        break;
      case kLog: o.logPath = arg; break;
      case kLink: o.linkPath = arg; break;
      case kStats: o.statsPath = arg; break;
      case kPace:
        if (!Number(arg, 300, 4000000, value)) return Fail("--pace wants a line speed in baud");
        o.faults.baud = static_cast<uint32_t>(value);
        break;
      case kLatency:
        if (!Number(arg, 0, 60000000, value)) return Fail("--latency-us wants microseconds");
        o.faults.latencyUs = static_cast<uint32_t>(value);
        break;
      case kFault:
        if (!regsim::ParseFault(arg, o.faults, &why)) return Fail(why);
        break;
      case kHelp: Usage(stdout); std::exit(0);
      default: Usage(stderr); return false;
    }
  }
  if (optind < argc) return Fail(std::string("unexpected argument '") + argv[optind] + "'");
  if (!o.modeGiven) return Fail("--mode dump|command is required (see --help)");
  if (o.faults.unplugAfterBytes >= 0 && !o.tty.empty()) return Fail("unplug needs a pty, not --tty");
  return true;
}

bool LoadData(const Options& o, regsim::Data& data) {
  std::string why;
  if (o.mode == regsim::Mode::Dump) {
    if (o.generateDump >= 0)
      regsim::GenerateDump(static_cast<uint64_t>(o.generateDump), data);
    else if (!regsim::LoadDump(o.dumpPath, data, &why))
      return Fail(why);
  } else {
    const int* n = o.generateTables;
    if (n[0] >= 0)
      regsim::GenerateTables(n[0], n[1], n[2], n[3], data);
    else if (!regsim::LoadTables(o.tablesPath, data, &why))
      return Fail(why);
  }
  return true;
}

// Everything the register does on the line, with the bookkeeping around it.
class Server {
 public:
  Server(const Options& o, PtyLine& line, regsim::Data data)
      : o_(o), line_(line), t0_(NowUs()),
        model_(o.mode, std::move(data), o.faults, [this](uint64_t at, uint8_t b) { pending_.push_back({at, b}); }) {
    if (!o.logPath.empty()) log_ = std::fopen(o.logPath.c_str(), "w");
    // A real tty has no far end that opens and closes: it is always "open".
    open_ = !o.tty.empty();
  }
  ~Server() {
    WriteStats();
    if (log_) std::fclose(log_);
  }

  void Run() {
    while (!stop_requested) {
      if (!WatchOpen()) continue;
      const uint64_t now = NowUs();
      // Noise for a PC that doesn't read would pile up without end.
      if (pending_.size() < kMaxNoiseBacklog) model_.Advance(now);
      pollfd p{line_.fd, POLLIN, 0};
      if (!pending_.empty() && pending_.front().at <= now) p.events |= POLLOUT;
      const timespec wait = WaitUntilDue(now);
      if (ppoll(&p, 1, &wait, nullptr) < 0 && errno != EINTR) break;
      if (p.revents & POLLIN) ReadInput();
      WriteDue();
      if (UnplugDue()) Unplug();
      if (log_) std::fflush(log_);  // once per batch: a long dump logs a line per byte
      // Only once everything due has gone out: a dump counts when its ETX has left.
      if (pending_.empty() && StatsChanged()) WriteStats();
    }
  }

 private:
  struct Byte {
    uint64_t at;
    uint8_t value;
  };

  uint64_t Elapsed() const { return NowUs() - t0_; }

  void Log(const char* event, int byte = -1) {
    if (!log_) return;
    if (byte >= 0)
      std::fprintf(log_, "%llu %s %02X\n", static_cast<unsigned long long>(Elapsed()), event, byte);
    else
      std::fprintf(log_, "%llu %s\n", static_cast<unsigned long long>(Elapsed()), event);
    if (byte < 0) std::fflush(log_);
  }

  // A pty master shows POLLHUP while nobody has the slave open. Returns true while
  // the program has the port open.
  bool WatchOpen() {
    if (!o_.tty.empty()) return true;
    pollfd p{line_.fd, 0, 0};
    poll(&p, 1, 0);
    const bool hup = (p.revents & POLLHUP) != 0;
    if (hup && open_) {
      ReadInput();  // what the program wrote just before closing still counts
      open_ = false;
      pending_.clear();  // what was on its way is gone with the connection
      model_.LineClosed(NowUs());
      Log("close");
      WriteStats();
    } else if (!hup && !open_) {
      open_ = true;
      Log("open");
    }
    if (!open_) usleep(kClosedPollUs);
    return open_;
  }

  // Until the next byte is due; a byte already due waits for POLLOUT instead.
  timespec WaitUntilDue(uint64_t now) const {
    long us = kIdlePollUs;
    if (!pending_.empty() && pending_.front().at > now)
      us = static_cast<long>(std::min<uint64_t>(pending_.front().at - now, kIdlePollUs));
    return timespec{0, us * 1000};
  }

  void ReadInput() {
    unsigned char buf[4096];
    const ssize_t n = read(line_.fd, buf, sizeof buf);
    const uint64_t now = NowUs();
    for (ssize_t i = 0; i < n; ++i) {
      Log("rx", buf[i]);
      model_.Receive(buf[i], now);
    }
  }

  void WriteDue() {
    const uint64_t now = NowUs();
    unsigned char buf[4096];
    size_t count = 0;
    while (count < sizeof buf && count < pending_.size() && pending_[count].at <= now) {
      buf[count] = pending_[count].value;
      ++count;
    }
    if (count == 0) return;
    // An unplug cuts the line at its byte: no byte after it goes out.
    if (o_.faults.unplugAfterBytes >= 0 && !unplugged_) {
      const uint64_t left = static_cast<uint64_t>(o_.faults.unplugAfterBytes) - sent_;
      if (count > left) count = static_cast<size_t>(left);
      if (count == 0) return;
    }
    const ssize_t written = write(line_.fd, buf, count);
    for (ssize_t i = 0; i < written; ++i) {
      Log("tx", pending_.front().value);
      pending_.pop_front();
    }
    if (written > 0) sent_ += static_cast<uint64_t>(written);
  }

  bool UnplugDue() const {
    return o_.faults.unplugAfterBytes >= 0 && !unplugged_ &&
           sent_ >= static_cast<uint64_t>(o_.faults.unplugAfterBytes);
  }

  // The adapter pulled: our end of the pty closes (the program's side hangs up), its
  // names go; after the pause a new pty comes back under the same names.
  void Unplug() {
    unplugged_ = true;
    Log("unplug");
    if (o_.mapCom > 0) UnmapWineComPort(o_.mapCom);
    if (!o_.linkPath.empty()) unlink(o_.linkPath.c_str());
    ClosePtyLine(line_);
    pending_.clear();
    model_.LineClosed(NowUs());
    open_ = false;
    WriteStats();
    const uint64_t back = NowUs() + uint64_t{o_.faults.unplugMs} * 1000;
    while (!stop_requested && NowUs() < back) usleep(static_cast<useconds_t>(std::min<uint64_t>(back - NowUs(), 20000)));
    if (stop_requested) return;
    if (!OpenReplacement()) {
      std::fprintf(stderr, "regsim: cannot open the new pty after the unplug\n");
      stop_requested = 1;
      return;
    }
    Log("replug");
  }

  bool OpenReplacement() {
    if (!OpenPtyLine(line_)) return false;
    close(line_.slave_fd);
    line_.slave_fd = -1;
    fcntl(line_.fd, F_SETFL, fcntl(line_.fd, F_GETFL) | O_NONBLOCK);
    if (!o_.linkPath.empty() && symlink(line_.path.c_str(), o_.linkPath.c_str()) != 0) return false;
    return o_.mapCom <= 0 || MapWineComPort(o_.mapCom, line_.path);
  }

  bool StatsChanged() {
    const regsim::Stats& s = model_.stats();
    const uint64_t sum = static_cast<uint64_t>(s.enqs + s.framesGood + s.framesBad + s.replies + s.acks + s.naks +
                                               s.dumps) + s.commands.size() + s.dumpBytes;
    if (sum == statsSum_) return false;
    statsSum_ = sum;
    return true;
  }

  // Written to a side file and renamed, so a reader never sees half a file.
  void WriteStats() {
    if (o_.statsPath.empty()) return;
    const std::string temp = o_.statsPath + ".tmp";
    FILE* f = std::fopen(temp.c_str(), "w");
    if (!f) return;
    const regsim::Stats& s = model_.stats();
    std::fprintf(f, "enqs=%d\nframes_good=%d\nframes_bad=%d\nreplies=%d\nacks=%d\nnaks=%d\ncommands=%zu\n"
                 "dump_bytes=%llu\ndumps=%d\n",
                 s.enqs, s.framesGood, s.framesBad, s.replies, s.acks, s.naks, s.commands.size(),
                 static_cast<unsigned long long>(s.dumpBytes), s.dumps);
    std::fclose(f);
    std::rename(temp.c_str(), o_.statsPath.c_str());
  }

  const Options& o_;
  PtyLine& line_;
  const uint64_t t0_;
  regsim::Register model_;
  std::deque<Byte> pending_;
  FILE* log_ = nullptr;
  bool open_ = false;
  uint64_t statsSum_ = 0;
  uint64_t sent_ = 0;  // bytes written to the program
  bool unplugged_ = false;
};

bool OpenLine(const Options& o, PtyLine& line) {
  if (!o.tty.empty()) {
    if (!OpenTtyLine(line, o.tty, o.ttyBaud)) return Fail("cannot open " + o.tty);
  } else {
    if (!OpenPtyLine(line)) return Fail("cannot open a pty");
    // Without a slave descriptor of our own, the program's opens and closes show.
    close(line.slave_fd);
    line.slave_fd = -1;
  }
  fcntl(line.fd, F_SETFL, fcntl(line.fd, F_GETFL) | O_NONBLOCK);
  if (o.mapCom > 0 && !MapWineComPort(o.mapCom, line.path))
    return Fail("cannot map COM" + std::to_string(o.mapCom) + " (is $WINEPREFIX set?)");
  if (!o.linkPath.empty()) {
    unlink(o.linkPath.c_str());
    if (symlink(line.path.c_str(), o.linkPath.c_str()) != 0) return Fail("cannot make the link " + o.linkPath);
  }
  return true;
}

void AnnouncePath(const Options& o, const PtyLine& line) {
  const std::string& path = o.linkPath.empty() ? line.path : o.linkPath;
  std::printf("%s\n", path.c_str());
  std::fflush(stdout);
  if (o.pathFile.empty()) return;
  FILE* f = std::fopen(o.pathFile.c_str(), "w");
  if (!f) return;
  std::fprintf(f, "%s\n", path.c_str());
  std::fclose(f);
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!ParseOptions(argc, argv, o)) return 2;
  regsim::Data data;
  if (!LoadData(o, data)) return 1;
  signal(SIGTERM, OnSignal);
  signal(SIGINT, OnSignal);
  signal(SIGPIPE, SIG_IGN);
  PtyLine line;
  if (!OpenLine(o, line)) {
    ClosePtyLine(line);
    return 1;
  }
  AnnouncePath(o, line);
  {
    Server server(o, line, std::move(data));
    server.Run();
  }
  if (o.mapCom > 0) UnmapWineComPort(o.mapCom);
  if (!o.linkPath.empty()) unlink(o.linkPath.c_str());
  ClosePtyLine(line);
  return 0;
}
