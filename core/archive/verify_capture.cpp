#include "core/archive/verify_capture.h"

#include <cstdarg>
#include <cstdlib>
#include <cstring>

#include "core/archive/folder_order.h"
#include "core/archive/sha256.h"
#include "core/archive/verify_parts.h"
#include "core/seams/storage.h"

namespace {

constexpr char kManifestName[] = "manifest.txt";
constexpr char kSumsName[] = "SHA256SUMS";
constexpr int kSumsNamesMax = 16;     // a run names at most five files
constexpr int kTextLineChars = 1024;

// The verdicts' rows: Greek (Windows-1253), then English.
struct VerdictText {
  const char* greek;
  const char* english;
};
constexpr VerdictText kVerdictText[] = {
    // "Όλα τα αρχεία συμφωνούν"
    {"\xBC\xEB\xE1 \xF4\xE1 \xE1\xF1\xF7\xE5\xDF\xE1 \xF3\xF5\xEC\xF6\xF9\xED\xEF\xFD\xED", "all files agree"},
    // "Δεν είναι φάκελος καταγραφής"
    {"\xC4\xE5\xED \xE5\xDF\xED\xE1\xE9 \xF6\xDC\xEA\xE5\xEB\xEF\xF2 \xEA\xE1\xF4\xE1\xE3\xF1\xE1\xF6\xDE\xF2",
     "not a run folder"},
    // "Η καταγραφή δεν τελείωσε, τα αρχεία της συμφωνούν ως εκεί που φτάνουν"
    {"\xC7 \xEA\xE1\xF4\xE1\xE3\xF1\xE1\xF6\xDE \xE4\xE5\xED \xF4\xE5\xEB\xE5\xDF\xF9\xF3\xE5, \xF4\xE1 "
     "\xE1\xF1\xF7\xE5\xDF\xE1 \xF4\xE7\xF2 \xF3\xF5\xEC\xF6\xF9\xED\xEF\xFD\xED \xF9\xF2 \xE5\xEA\xE5\xDF "
     "\xF0\xEF\xF5 \xF6\xF4\xDC\xED\xEF\xF5\xED",
     "the run did not end; its files agree up to where they stop"},
    // "Αρχεία άλλαξαν, λείπουν ή προστέθηκαν"
    {"\xC1\xF1\xF7\xE5\xDF\xE1 \xDC\xEB\xEB\xE1\xEE\xE1\xED, \xEB\xE5\xDF\xF0\xEF\xF5\xED \xDE "
     "\xF0\xF1\xEF\xF3\xF4\xDD\xE8\xE7\xEA\xE1\xED",
     "a file changed, is missing or was added"},
};

char Findings[kFindingsShownMax][kFindingChars];

// ---- The manifest ------------------------------------------------------------------

// The number after `key` at the start of `line`; false when the line is not that.
bool ReadCount(const char* line, const char* key, uint64_t& value) {
  const size_t length = std::strlen(key);
  if (std::strncmp(line, key, length) != 0 || line[length] < '0' || line[length] > '9') return false;
  value = std::strtoull(line + length, nullptr, 10);
  return true;
}

// One line of a text file into `line` (its end taken off); a longer line is cut and
// the rest skipped. False at the end.
bool ReadTextLine(FILE* in, char* line) {
  if (std::fgets(line, kTextLineChars, in) == nullptr) return false;
  size_t length = std::strlen(line);
  if (length > 0 && line[length - 1] != '\n') {
    for (int c; (c = std::fgetc(in)) != EOF && c != '\n';) {
    }
  }
  while (length > 0 && (line[length - 1] == '\n' || line[length - 1] == '\r')) line[--length] = '\0';
  return true;
}

// Reads what the checks need; the "last row" and anything else is passed over, so a
// row written over several lines (or escaped onto one) changes nothing here.
void ReadManifest(RunCheck& check) {
  char path[kOutputPathChars];
  if (!RunFilePath(check, kManifestName, path)) return;
  FILE* in = std::fopen(path, "rb");
  if (in == nullptr) return;
  check.hasManifest = true;
  char line[kTextLineChars];
  bool program = false, hasJob = false, hasEnd = false;
  for (int number = 1; ReadTextLine(in, line); ++number) {
    if (number == 1) program = std::strncmp(line, "Tallyglass ", 11) == 0;
    if (!hasJob && std::strncmp(line, "job: ", 5) == 0) {
      hasJob = true;
      check.job = std::strcmp(line + 5, "LOG") == 0 ? RunJob::kLog
                  : std::strcmp(line + 5, "Read Fiscal Memory") == 0 ? RunJob::kDump : RunJob::kUnknown;
    }
    if (!hasEnd && std::strncmp(line, "ended: ", 7) == 0) {
      hasEnd = true;
      check.ended = std::strncmp(line + 7, "no", 2) != 0;
    }
    if (!check.hasBytes) check.hasBytes = ReadCount(line, "bytes received: ", check.bytesReceived);
    if (!check.hasItems) {
      check.hasItems = ReadCount(line, check.job == RunJob::kLog ? "records written: " : "lines written: ",
                                 check.itemsWritten);
    }
  }
  std::fclose(in);
  if (!program || !hasJob || !hasEnd) AddFinding(check, "manifest.txt: not a manifest this program writes");
}

// Without a manifest's word, the job from the folder's name (..._dump, ..._log-2) or
// from its files.
void GuessJob(RunCheck& check) {
  if (check.job != RunJob::kUnknown) return;
  if (std::strstr(check.folder, "_log") != nullptr || RunFileExists(check, "log.txt")) check.job = RunJob::kLog;
  else if (std::strstr(check.folder, "_dump") != nullptr || RunFileExists(check, "FMraw.bin")) check.job = RunJob::kDump;
}

// ---- SHA256SUMS --------------------------------------------------------------------

struct SumsNames {
  char name[kSumsNamesMax][kEntryNameChars];
  int count;
};

bool IsHex(const char* text, int count) {
  for (int i = 0; i < count; ++i) {
    if (std::strchr("0123456789abcdefABCDEF", text[i]) == nullptr || text[i] == '\0') return false;
  }
  return true;
}

// A name SHA256SUMS may give: a file of this folder, nothing above or beside it.
bool PlainName(const char* name) {
  if (name[0] == '\0' || std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) return false;
  if (std::strlen(name) >= static_cast<size_t>(kEntryNameChars)) return false;
  for (const char* p = name; *p != '\0'; ++p) {
    const auto byte = static_cast<unsigned char>(*p);
    if (byte < 0x20 || byte == 0x7F || std::strchr("/\\:", byte) != nullptr) return false;
  }
  return true;
}

void CheckSumsLine(RunCheck& check, SumsNames& names, const char* line, int number) {
  // "<64 hex digits>  <name>", or " *<name>" as sha256sum writes a binary file's.
  const char* name = line + 66;
  if (std::strlen(line) < 67 || !IsHex(line, 64) || line[64] != ' ' || (line[65] != ' ' && line[65] != '*')) {
    AddFinding(check, "SHA256SUMS line %d: not a checksum line", number);
    return;
  }
  char shown[kShownNameChars];
  ShownName(name, shown, sizeof shown);
  if (!PlainName(name)) {
    AddFinding(check, "SHA256SUMS line %d: '%s' is no file of this folder (not opened)", number, shown);
    return;
  }
  if (names.count < kSumsNamesMax) std::snprintf(names.name[names.count++], kEntryNameChars, "%s", name);
  else if (names.count++ == kSumsNamesMax) AddFinding(check, "SHA256SUMS: more lines than a run writes");
  char path[kOutputPathChars], hex[kSha256HexChars];
  if (!RunFileExists(check, name)) {
    AddFinding(check, "%s: missing (SHA256SUMS names it)", shown);
  } else if (!RunFilePath(check, name, path) || !HashFileSha256(path, hex)) {
    AddFinding(check, "%s: cannot be read", shown);
  } else {
    for (int i = 0; i < 64; ++i) {
      if ((line[i] | 0x20) != hex[i]) {
        AddFinding(check, "%s: changed (its SHA-256 is not the one in SHA256SUMS)", shown);
        break;
      }
    }
  }
}

bool CheckSums(RunCheck& check, SumsNames& names) {
  char path[kOutputPathChars];
  FILE* in = RunFilePath(check, kSumsName, path) ? std::fopen(path, "rb") : nullptr;
  if (in == nullptr) return false;
  char line[kTextLineChars];
  for (int number = 1; ReadTextLine(in, line); ++number) CheckSumsLine(check, names, line, number);
  std::fclose(in);
  return true;
}

// ---- The folder's files ------------------------------------------------------------

constexpr const char* kDumpFiles[] = {"FMout1.txt", "FMout2.txt", "FMraw.bin", kManifestName, nullptr};
constexpr const char* kLogFiles[] = {"log.txt", "log.csv", kManifestName, nullptr};

struct EntryCheck {
  RunCheck* check;
  const SumsNames* sums;  // null: no SHA256SUMS, the job's own files are expected
};

bool Named(const EntryCheck& entries, const char* name) {
  if (entries.sums != nullptr) {
    for (int i = 0; i < entries.sums->count && i < kSumsNamesMax; ++i) {
      if (std::strcmp(entries.sums->name[i], name) == 0) return true;
    }
    return false;
  }
  for (const char* const* file = entries.check->job == RunJob::kLog ? kLogFiles : kDumpFiles; *file; ++file) {
    if (std::strcmp(*file, name) == 0) return true;
  }
  return false;
}

void CheckEntry(void* context, const char* name, bool isFolder) {
  const auto& entries = *static_cast<const EntryCheck*>(context);
  if (!isFolder && (std::strcmp(name, kSumsName) == 0 || Named(entries, name))) return;
  char shown[kShownNameChars];
  ShownName(name, shown, sizeof shown);
  AddFinding(*entries.check, "%s: added (%s)", shown,
             isFolder                      ? "a folder inside the run's folder"
             : entries.sums != nullptr     ? "SHA256SUMS does not name it"
                                           : "not a file the run writes");
}

// A killed run's files: the job's own, all of them or none (a run whose files could
// not be opened has none).
void CheckRunFilesPresent(RunCheck& check) {
  const char* const* files = check.job == RunJob::kLog ? kLogFiles : kDumpFiles;
  bool any = false;
  for (int i = 0; files[i] != kManifestName; ++i) any = any || RunFileExists(check, files[i]);
  for (int i = 0; any && files[i] != kManifestName; ++i) {
    if (!RunFileExists(check, files[i])) AddFinding(check, "%s: missing", files[i]);
  }
}

bool IsRunFolder(const char* folder) {
  RunCheck probe{};
  std::snprintf(probe.folder, sizeof probe.folder, "%s", folder);
  return RunFileExists(probe, kManifestName) || RunFileExists(probe, kSumsName);
}

void ShowVerdict(CaptureVerdict verdict, const char* folder, int findingCount) {
  const VerdictText& text = kVerdictText[static_cast<int>(verdict)];
  char shown[kOutputPathChars];
  ShownName(folder, shown, sizeof shown);
  ListPrintf("%s - %s: %s", text.greek, text.english, shown);
  for (int i = 0; i < findingCount && i < kFindingsShownMax; ++i) ListPrintf("    %s", Findings[i]);
  if (findingCount > kFindingsShownMax) ListPrintf("    ... and %d more", findingCount - kFindingsShownMax);
}

CaptureVerdict VerifyRun(const char* folder) {
  static RunCheck check;
  std::memset(&check, 0, sizeof check);
  std::snprintf(check.folder, sizeof check.folder, "%s", folder);
  ReadManifest(check);
  GuessJob(check);
  static SumsNames names;
  names.count = 0;
  const bool hasSums = CheckSums(check, names);
  if (hasSums && !check.hasManifest) check.ended = true;
  if (!hasSums && check.ended) AddFinding(check, "SHA256SUMS: missing (the run ended, and a run that ends writes it)");
  if (!hasSums) CheckRunFilesPresent(check);
  EntryCheck entries{&check, hasSums ? &names : nullptr};
  ListInOrder(check.folder, CheckEntry, &entries);
  if (check.job == RunJob::kDump) CheckDumpFiles(check);
  if (check.job == RunJob::kLog) CheckLogFiles(check);
  const CaptureVerdict verdict = check.findingCount > 0 ? CaptureVerdict::kChanged
                                 : check.ended         ? CaptureVerdict::kAgree
                                                       : CaptureVerdict::kNotEnded;
  ShowVerdict(verdict, folder, check.findingCount);
  return verdict;
}

// ---- A folder of run folders -------------------------------------------------------

struct ArchiveCheck {
  const char* archive;
  CaptureVerdict worst;
};

CaptureVerdict Heavier(CaptureVerdict a, CaptureVerdict b) { return a > b ? a : b; }

void CheckArchiveEntry(void* context, const char* name, bool isFolder) {
  auto& archive = *static_cast<ArchiveCheck*>(context);
  char path[kOutputPathChars];
  if (!isFolder || std::snprintf(path, sizeof path, "%s/%s", archive.archive, name) >= kOutputPathChars) return;
  CaptureVerdict verdict = CaptureVerdict::kNotRunFolder;
  if (IsRunFolder(path)) verdict = VerifyRun(path);
  else ShowVerdict(verdict, path, 0);
  archive.worst = Heavier(archive.worst, verdict);
}

bool HoldsRunFolder(const char* folder) {
  struct Probe {
    const char* folder;
    bool found;
  } probe{folder, false};
  ListFolder(
      folder,
      [](void* context, const char* name, bool isFolder) {
        auto& p = *static_cast<Probe*>(context);
        char path[kOutputPathChars];
        if (isFolder && !p.found && std::snprintf(path, sizeof path, "%s/%s", p.folder, name) < kOutputPathChars)
          p.found = IsRunFolder(path);
      },
      &probe);
  return probe.found;
}

}  // namespace

void AddFinding(RunCheck& check, const char* format, ...) {
  if (check.findingCount < kFindingsShownMax) {
    va_list values;
    va_start(values, format);
    std::vsnprintf(Findings[check.findingCount], kFindingChars, format, values);
    va_end(values);
  }
  ++check.findingCount;
}

CaptureVerdict VerifyCapture(const char* given) {
  char folder[kOutputPathChars];
  std::snprintf(folder, sizeof folder, "%s", given);
  size_t length = std::strlen(folder);
  while (length > 1 && (folder[length - 1] == '/' || folder[length - 1] == '\\')) folder[--length] = '\0';
  if (length + 1 >= sizeof folder - kEntryNameChars || !FolderExists(folder)) {
    ShowVerdict(CaptureVerdict::kNotRunFolder, given, 0);
    return CaptureVerdict::kNotRunFolder;
  }
  if (IsRunFolder(folder)) return VerifyRun(folder);
  if (!HoldsRunFolder(folder)) {
    ShowVerdict(CaptureVerdict::kNotRunFolder, folder, 0);
    return CaptureVerdict::kNotRunFolder;
  }
  ArchiveCheck archive{folder, CaptureVerdict::kAgree};
  ListInOrder(folder, CheckArchiveEntry, &archive);
  return archive.worst;
}
