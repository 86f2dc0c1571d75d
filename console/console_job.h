// One job of a console twin, run as it runs under the dialog's buttons: the port
// opened as Connect opens it, the operation, Disconnect's row; then the exit status
// that says how it ended.
#pragma once
#include "console/arguments.h"

// Runs `command`'s job on port slot `port`, named `shown` in the rows. When the port
// does not open, `sayNotOpened` says why on stderr. Returns the exit status; every
// end but success is also told on stderr.
int RunConsoleJob(const Command& command, int port, const char* shown, void (*sayNotOpened)(const char*));
