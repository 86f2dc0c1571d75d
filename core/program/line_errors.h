// The line errors a job met: framing, parity and overrun errors and breaks that the
// system reported on the port while the job ran, over every time the port was
// opened meanwhile (a lost port opened again counts from its new start).
#pragma once
#include <cstdint>

#include "core/seams/serial_port.h"

// A job starts: nothing counted yet.
void StartLineErrors();
// Adds what the port counted since the last look; before a port's handle is closed,
// and at the job's end.
void GatherLineErrors();
// The port was opened again: its counts start afresh.
void RestartLineErrors();
// At the job's end: the row that says how many and that the register's speed should
// be checked, when there are any; returns the counts.
LineErrorCounts ShowLineErrors();
