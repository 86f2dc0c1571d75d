#include "core/program/progress.h"

#include <cstdio>

#include "core/line/deadline.h"
#include "core/seams/shell.h"

namespace {

constexpr int kProgressTextChars = 64;

bool Active = false;
bool RowsBatched = false;
bool Pending = false;
bool RowsPending = false;
Deadline NextShowing;
char Text[kProgressTextChars];
int64_t Done = 0;
int64_t Total = 0;

}  // namespace

void BeginProgress(bool batchRows) {
  Active = true;
  RowsBatched = batchRows;
  Pending = false;
  RowsPending = false;
  StartDeadline(NextShowing, kProgressIntervalMs);
  if (RowsBatched) HoldListRedraw();
}

void NoteProgress(const char* text, int64_t done, int64_t total) {
  std::snprintf(Text, sizeof Text, "%s", text);
  Done = done;
  Total = total;
  Pending = true;
}

void NoteRowsAdded() { RowsPending = true; }

void RefreshProgress() {
  if (!Active || !DeadlineExpired(NextShowing)) return;
  StartDeadline(NextShowing, kProgressIntervalMs);
  if (RowsBatched && RowsPending) {
    ReleaseListRedraw();
    HoldListRedraw();
  }
  if (Pending) ShowProgress(Text, Done, Total);
  Pending = false;
  RowsPending = false;
}

void EndProgress() {
  if (!Active) return;
  if (RowsBatched) ReleaseListRedraw();
  ClearProgress();
  Active = false;
}
