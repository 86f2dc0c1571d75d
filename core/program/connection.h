// Connect and Disconnect: the only place a serial port is opened for the operations.
// A front end chooses the port and the speed, names the port for the rows and says
// in its own way why a port did not open; the line settings, the rows and the state
// are the same everywhere.
#pragma once
#include <cstdint>

// Only the speed is chosen; the rest of the line is always the same.
constexpr char kLineParity = 'N';
constexpr uint32_t kLineDataBits = 8;
constexpr uint32_t kLineStopBits = 1;

// Line speeds in bits per second, in the order the speed box offers them.
constexpr int kSpeedCount = 5;
constexpr uint32_t SpeedTable[kSpeedCount] = {9600, 19200, 38400, 57600, 115200};
constexpr int kDefaultSpeedIndex = 4;
constexpr uint32_t kDefaultSpeed = SpeedTable[kDefaultSpeedIndex];
// The speed of entry `index`; 0, at which no port opens, for an index outside the
// table (a speed box without a selected entry).
uint32_t SpeedOfEntry(int index);

extern uint8_t PortIsOpen;  // 1 while Connect has SelectedPort open

// 1 while the program waits for a lost port to come back (PortIsOpen is 0 then).
extern uint8_t PortWaiting;
// How long a running LOG waits for its lost port before it ends; 0: a lost port is
// not waited for at all (a console told not to, or one whose job cannot go on).
extern uint32_t PortWaitLimitMs;
// What stops the wait, as the front end names it in the waiting row ("Αποσύνδεση",
// the Disconnect button, in the window; the console names its own key).
extern const char* PortWaitStopWord;

// SelectedPort = `port` (kept after a failed open too), opened at `speed` with the
// line settings; then the row "Opened port NAME, ..." and PortIsOpen = 1. When the
// port does not open, `sayNotOpened` (when given) tells the operator first, then the
// row "Failed opening NAME port..." follows and nothing else changes.
bool Connect(int port, uint32_t speed, const char* name, void (*sayNotOpened)(const char* name));
// Closes SelectedPort and stops a running LOG (its port is gone); the row "Closed
// port NAME" and PortIsOpen = 0.
void Disconnect(const char* name);

// SelectedPort was found lost: the row naming it and the cause, its handle closed,
// PortIsOpen = 0, PortWaiting = 1, and the row saying that the program waits for it
// (as the front end words the stop: "Αποσύνδεση" in the window). Does nothing when
// the port is not open.
void NoteLineLost();
// While PortWaiting: when SelectedPort is there again, opens it with the last
// Connect's speed; the usual "Opened port ..." row, PortIsOpen = 1, PortWaiting = 0,
// and true. False while it is still gone (or nothing is waited for).
bool ReconnectWhenBack();
// Disconnect while the port is waited for: the wait ends (stops a LOG that waits for
// it), the row "Closed port NAME", PortWaiting = 0.
void StopWaitingForPort();

// The line of the last successful Connect as its row names it ("COM2, 115200,
// Parity NONE, Data 8, Stop 1"; "?" before one), for the archive's manifest.
const char* ConnectedLine();
// The speed of the last successful Connect (0 before one).
uint32_t ConnectedSpeed();
