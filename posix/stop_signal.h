// Ctrl+C, SIGTERM and SIGHUP on the console: what Disconnect is in the window.
//
// The handler sets StopRequested and writes a byte into a pipe that every wait polls
// beside its port. A signal that arrives just before a poll has begun therefore still
// ends that poll at once, and the byte stays in the pipe, so every later wait ends at
// once too: after a stop nothing but the program's end is left to wait for.
#pragma once
#include <cstdint>

// Installs the handlers (SIGHUP only where it is not ignored, so that nohup keeps
// working) and ignores SIGPIPE: a reader of the rows that goes away must not cost
// the files. False, with errno set, when the pipe or a handler cannot be had.
bool InstallStopSignals();
// The signal that asked for the stop; 0 while none has.
int StopSignal();
// Hands a stop that has been asked for to the core again: an operation that starts
// clears StopRequested, and a signal may have come just before it. The console's
// message pump.
void DeliverStop();

enum class WaitEnd { kReady, kTimeUp, kStopped, kHungUp };
// Waits until `fd` is ready for `events` (POLLIN or POLLOUT; fd < 0: no descriptor),
// `ms` have passed, or a stop signal has come. kHungUp: the descriptor reports a
// hang-up or an error and cannot be waited on.
WaitEnd WaitForFdOrStop(int fd, short events, uint32_t ms);
// Rests `us` microseconds, or until a stop signal comes (kStopped); kTimeUp otherwise.
WaitEnd RestOrStop(uint32_t us);
