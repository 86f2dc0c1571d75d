// What a long operation shows while it runs: its progress in the window caption and,
// for LOG, its rows, held and drawn in batches. Both are brought up to date at most
// every kProgressIntervalMs, from the operation's own steps and from its waits, so
// that the operator follows the run without the list's redraws slowing it down.
#pragma once
#include <cstdint>

constexpr uint32_t kProgressIntervalMs = 250;

// From now until EndProgress: `batchRows` holds the list's redraw and draws the
// rows added meanwhile at each refresh (the dump batches its rows itself).
void BeginProgress(bool batchRows);
// The latest counts; shown at the next refresh that is due.
void NoteProgress(const char* text, int64_t done, int64_t total);
// Rows were added to the held list; drawn at the next refresh that is due. (Only
// then: a list redrawn and scrolled to its end without a new row would pull an
// operator who has scrolled back away from what he reads.)
void NoteRowsAdded();
// Shows what is pending when kProgressIntervalMs have passed since the last showing.
void RefreshProgress();
// Shows the held rows, puts the caption back and ends the batching.
void EndProgress();
