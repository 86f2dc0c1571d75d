// Controls of the host tests' storage seam (core/seams/storage.h).
#pragma once
#include "core/seams/storage.h"

namespace simline {
// The local time the next ReadCalendarTime gives (UTC is it less the offset's
// hours); every read moves it on by a second.
void SetCalendarTime(const CalendarTime& local);
void SetSyncsFail(bool fail);
}  // namespace simline
