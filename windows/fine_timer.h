// The system timer at 1 ms while an operation runs: its waits look at the port every
// millisecond, and at the default tick of about 15.6 ms each look would wait that long.
#pragma once

void BeginFineTimer();
void EndFineTimer();
