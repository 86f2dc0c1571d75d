// Ctrl+C, Ctrl+Break, closing the console window, logoff and shutdown: what
// Disconnect is in the window. The handler runs on a thread of its own: it sets
// StopRequested and posts the main thread a message, which ends any wait of the
// core's at once (the waits end for a message), and the core pumps it.
#pragma once

// Installs the handler for the job about to run. False when the system refuses it.
bool InstallConsoleStop();
// The console's message pump hands a stop asked for to the core again: an operation
// that starts clears StopRequested, and the stop may have come just before it.
void DeliverConsoleStop();
// The job has ended and its output is written: a handler that holds the program
// open for a closing console window lets it go.
void ConsoleJobEnded();
