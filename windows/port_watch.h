// The window's watch over the connected port while no job runs: a port whose device
// goes away is noticed (a look every kPortLookIntervalMs, and the system's
// WM_DEVICECHANGE), and a lost port is taken up again as soon as it is back. While a
// job runs the job watches the line itself, and the watch rests.
#pragma once
#include <windows.h>

// The watch's timer, on the main dialog while a port is connected or waited for.
constexpr UINT_PTR kPortWatchTimer = 1;

// The watch as the connection now asks: on while a port is open or waited for and no
// job runs, off otherwise.
void UpdatePortWatch();
// Off while a job runs, whatever the connection.
void PausePortWatch();
// WM_TIMER of kPortWatchTimer.
void OnPortWatchTimer();
// WM_DEVICECHANGE: a removed or arrived port that is the connected one.
void OnDeviceChange(WPARAM event, LPARAM data);
// Read Fiscal Memory or LOG pressed: true when they may go ahead. While the port is
// waited for and still not back, a row says so and they send nothing.
bool PortReadyForJob();
