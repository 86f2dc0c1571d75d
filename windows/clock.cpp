#include <windows.h>

#include "core/seams/clock.h"

uint32_t TickCount() { return GetTickCount(); }

// A wait on the message queue rather than Sleep: a message that arrives ends the
// pause, so a long operation's rests keep the window answering. MWMO_INPUTAVAILABLE
// also ends it for input that PeekMessage has seen but not yet removed.
void PauseMs(uint32_t ms) { MsgWaitForMultipleObjectsEx(0, nullptr, ms, QS_ALLINPUT, MWMO_INPUTAVAILABLE); }
