// Program-wide state, written and read only on the program's one thread.
#pragma once
#include <cstdint>

extern int SelectedPort;            // the port number every operation uses
extern uint8_t PortIsOpen;          // 1 while Connect has SelectedPort open
extern uint8_t QuitFlag;            // 1 ends the main loop
extern int BusyFlag;                // non-zero: close and connect requests are refused
// 1 while Read Fiscal Memory or LOG runs. The dump pumps window messages, so the
// dialog can be entered again under it; Read Fiscal Memory and LOG pressed meanwhile
// are ignored instead of starting a second operation inside the running one.
extern uint8_t OperationRunning;
