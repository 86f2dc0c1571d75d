#include <windows.h>

#include "core/seams/clock.h"

uint32_t TickCount() { return GetTickCount(); }

void PauseMs(uint32_t ms) { Sleep(ms); }
