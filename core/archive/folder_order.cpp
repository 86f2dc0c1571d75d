// A folder's entries in the order of their names, listed a round of names at a time:
// the folder is read once per kRoundNames entries, and no more than one round is held.
#include "core/archive/folder_order.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr int kRoundNames = 32;  // names taken from the folder per listing

struct ListRound {
  const char* after;  // null: from the first name
  char names[kRoundNames][kEntryNameChars];
  bool folder[kRoundNames];
  int count;
};

// Keeps the kRoundNames smallest names after `after`, sorted.
void CollectName(void* context, const char* fullName, bool isFolder) {
  auto& round = *static_cast<ListRound*>(context);
  char name[kEntryNameChars];
  std::snprintf(name, sizeof name, "%s", fullName);  // a longer name is known by its start
  if (round.after != nullptr && std::strcmp(name, round.after) <= 0) return;
  int at = round.count;
  while (at > 0 && std::strcmp(round.names[at - 1], name) > 0) --at;
  if (at == kRoundNames) return;
  const int last = round.count < kRoundNames ? round.count : kRoundNames - 1;
  for (int i = last; i > at; --i) {
    std::memcpy(round.names[i], round.names[i - 1], kEntryNameChars);
    round.folder[i] = round.folder[i - 1];
  }
  std::memcpy(round.names[at], name, kEntryNameChars);
  round.folder[at] = isFolder;
  if (round.count < kRoundNames) ++round.count;
}

}  // namespace

bool ListInOrder(const char* path, FolderVisit visit, void* context) {
  char last[kEntryNameChars] = "";
  for (bool first = true;; first = false) {
    ListRound round;
    round.after = first ? nullptr : last;
    round.count = 0;
    if (!ListFolder(path, CollectName, &round)) return false;
    for (int i = 0; i < round.count; ++i) visit(context, round.names[i], round.folder[i]);
    if (round.count < kRoundNames) return true;
    std::memcpy(last, round.names[kRoundNames - 1], kEntryNameChars);
  }
}
