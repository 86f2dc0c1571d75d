// Read Fiscal Memory: the register's dump, line by line, into FMout1.txt (as
// received) and FMout2.txt (Greek capitals moved from code page 1253 to 737).
#pragma once

// Runs one capture to its end: handshake, transfer, both files, every message, and
// LastOperationResult. A stop asked for meanwhile (StopRequested) ends it at once,
// its files holding the complete lines received. Returns at once, doing nothing,
// while another operation runs (OperationRunning): the capture pumps window
// messages, so its own button can be pressed under it.
void ReadFiscalMemory();
