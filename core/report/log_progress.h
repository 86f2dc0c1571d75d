// How far a LOG run has come, and whether it goes on: the counts the window shows,
// and the end of a run whose register has gone or whose operator stopped it.
#pragma once
#include <cstdint>

#include "core/program/state.h"

// Device tables 0, 1 and 2 are read into memory; table 3 is the reported one.
constexpr int kLogTableCount = 4;
// Exchanges in a row without any valid reply from the register after which LOG
// takes it for gone. A register that answers keeps its count at 0, whatever its
// status; a silent one would otherwise cost some 3 s a record, for hours.
constexpr int kUnansweredLimit = 5;

// A new run: nothing asked, nothing known of the tables.
void StartLogProgress();
// After "g/": how many records of tables 0 to 2 will be asked for.
void PlanRecordTables(const int32_t toRead[kLogTableCount - 1]);
// After every exchange (its end is LastExchangeEnd): the run now stands before index
// `next` of `table`, and table 3 ends at `lastIndex` as its field 19 reads now.
void NoteExchange(int table, int64_t next, int32_t lastIndex);
// False once the operator has asked for a stop or the register has gone.
bool LogGoesOn();
// The port was found lost under an exchange: its rows, then the wait for it, up to
// PortWaitLimitMs. True when it is open again (the cut exchange is to be asked
// again); false when the run is to end: the wait ran out (the stop kStopLineLost) or
// a stop was asked for meanwhile.
bool WaitForLostPort();
// The row that tells why the run stopped early, if it did.
void ShowLogStop();
// How the run ended: stopped, the line lost, the register gone, no answer to any exchange at all
// (the register in the wrong mode or not there: the report is then empty), or
// completed. Its failed records do not count against it.
OperationResult LogResult();
