// The in-memory copies of device tables 0, 1 and 2 that each table-3 record is
// counted against.
#pragma once
#include <cstdint>

constexpr int kRecordTableEntries = 400;  // entries kept per table; records past them are not read
constexpr int kEntryTextSize = 7;         // six characters and the terminator

struct RecordEntry {
  char key[kEntryTextSize];    // data text positions 2..7: the record's date
  char value[kEntryTextSize];  // data text from position 16: the record's number
};

struct RecordTable {
  RecordEntry entry[kRecordTableEntries];
};

// Fills `entry` from a record's data text, by fixed positions. A text that ends
// early gives a shorter key; `value` is written only when the text is longer than
// 16 characters and keeps at most six of them.
void StoreRecordEntry(RecordEntry& entry, const char* data);

// How many of the first `count` entries (at most kRecordTableEntries) carry exactly
// `key` and a value that reads as `number`. Every entry is tested, written or not.
int32_t CountMatches(const RecordTable& table, int32_t count, const char* key, int32_t number);
