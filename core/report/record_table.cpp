#include "core/report/record_table.h"

#include <cstring>

#include "core/report/reply_fields.h"

namespace {

constexpr int kKeyStart = 2;
constexpr int kValueStart = 16;
constexpr int kEntryTextLength = kEntryTextSize - 1;

// Copies at most kEntryTextLength characters from `from` up to its end.
void CopyEntryText(char* to, const char* from) {
  int n = 0;
  while (n < kEntryTextLength && from[n] != '\0') {
    to[n] = from[n];
    ++n;
  }
  to[n] = '\0';
}

}  // namespace

void StoreRecordEntry(RecordEntry& entry, const char* data) {
  const size_t length = std::strlen(data);
  // A text of fewer than three characters reaches no key position at all.
  if (length > static_cast<size_t>(kKeyStart)) {
    CopyEntryText(entry.key, data + kKeyStart);
  } else {
    entry.key[0] = '\0';
  }
  if (length > static_cast<size_t>(kValueStart)) CopyEntryText(entry.value, data + kValueStart);
}

int32_t CountMatches(const RecordTable& table, int32_t count, const char* key, int32_t number) {
  const int32_t searched = count < kRecordTableEntries ? count : kRecordTableEntries;
  int32_t matches = 0;
  for (int32_t j = 0; j < searched; ++j) {
    const RecordEntry& entry = table.entry[j];
    if (std::strcmp(entry.key, key) == 0 && ReadDeviceNumber(entry.value) == number) ++matches;
  }
  return matches;
}
