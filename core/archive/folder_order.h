// A folder's entries in the order of their names.
#pragma once

#include "core/seams/storage.h"

constexpr int kEntryNameChars = 260;  // a file name of either system and its NUL

// Every entry of `path` in byte order of the names, without holding them all; a name
// longer than kEntryNameChars - 1 is known by its start. False when the folder cannot
// be read.
bool ListInOrder(const char* path, FolderVisit visit, void* context);
