#include "posix/stop_signal.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <ctime>

#include "core/program/state.h"

namespace {

int StopPipe[2] = {-1, -1};
volatile std::sig_atomic_t CaughtSignal = 0;

// A second signal while the first stop is being carried out ends the program at
// once, as if there were no handler: the way out of a stop that hangs (a USB-serial
// driver that never drains its output).
void OnStopSignal(int signal) {
  const int savedErrno = errno;
  if (CaughtSignal != 0) {
    std::signal(signal, SIG_DFL);
    std::raise(signal);  // delivered when this handler returns
  } else {
    CaughtSignal = signal;
    StopRequested = kStopInterrupted;
    const char byte = 1;
    (void)!write(StopPipe[1], &byte, 1);
  }
  errno = savedErrno;
}

bool Handle(int signal) {
  struct sigaction action = {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  // Restarted: a write of rows to a slow pipe or terminal must not fail half-done.
  // poll() is never restarted, so the waits still end at once.
  action.sa_flags = SA_RESTART;
  return sigaction(signal, &action, nullptr) == 0;
}

bool Ignored(int signal) {
  struct sigaction current = {};
  return sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_IGN;
}

}  // namespace

bool InstallStopSignals() {
  if (pipe2(StopPipe, O_CLOEXEC | O_NONBLOCK) != 0) return false;
  if (std::signal(SIGPIPE, SIG_IGN) == SIG_ERR) return false;
  if (!Ignored(SIGHUP) && !Handle(SIGHUP)) return false;
  return Handle(SIGINT) && Handle(SIGTERM);
}

int StopSignal() { return CaughtSignal; }

void DeliverStop() {
  if (CaughtSignal != 0 && StopRequested == 0) StopRequested = kStopInterrupted;
}

namespace {

WaitEnd PollFdOrStop(int fd, short events, const timespec& limit) {
  pollfd fds[2] = {{StopPipe[0], POLLIN, 0}, {fd, events, 0}};
  const nfds_t count = fd >= 0 ? 2 : 1;
  const int ready = ppoll(fds, count, &limit, nullptr);
  if (CaughtSignal != 0 || (fds[0].revents & POLLIN) != 0) return WaitEnd::kStopped;
  if (ready <= 0) return WaitEnd::kTimeUp;  // EINTR of another signal: the caller looks again
  if ((fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) return WaitEnd::kHungUp;
  return WaitEnd::kReady;
}

}  // namespace

WaitEnd WaitForFdOrStop(int fd, short events, uint32_t ms) {
  const timespec limit = {static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
  return PollFdOrStop(fd, events, limit);
}

WaitEnd RestOrStop(uint32_t us) {
  const timespec limit = {static_cast<time_t>(us / 1000000), static_cast<long>(us % 1000000) * 1000L};
  return PollFdOrStop(-1, POLLIN, limit);
}
