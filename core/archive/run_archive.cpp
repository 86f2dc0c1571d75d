#include "core/archive/run_archive.h"

#include <cstdio>
#include <cstring>

#include "core/archive/sha256.h"
#include "core/program/connection.h"
#include "core/program/message_text.h"
#include "core/program/utf8_text.h"
#include "core/seams/shell.h"
#include "core/seams/storage.h"

char ArchiveRoot[kArchiveRootChars] = "Tallyglass-archive";

namespace {

constexpr int kRunFilesMax = 4;
constexpr int kNameChars = 32;
constexpr int kStampChars = 40;
constexpr int kSuffixesMax = 100;
constexpr int kTroubleChars = kOutputPathChars + 200;
constexpr char kManifestName[] = "manifest.txt";
constexpr char kSumsName[] = "SHA256SUMS";

struct RunArchive {
  char folder[kOutputPathChars - kNameChars];  // empty: no archive for this run
  char job[kNameChars];
  char title[kNameChars];
  char files[kRunFilesMax][kNameChars];
  int fileCount;
  CalendarTime startLocal, startUtc;
  uint64_t bytesReceived, itemsWritten;
  char trouble[kTroubleChars];  // the archive's failure row, empty when none
  bool incomplete;              // an archive copy could not be written
  bool sumsWritten;             // the run ended with its manifest and SHA256SUMS on the disk
  bool lineLost;                // the job ended because the port's device went away ...
  uint64_t lostAfterBytes;      // ... after this many bytes received
  LineErrorCounts lineErrors;
};

RunArchive Run;

void FormatStamp(const CalendarTime& t, bool utc, char* text) {
  if (utc) {
    std::snprintf(text, kStampChars, "%04d-%02d-%02dT%02d:%02d:%02dZ", t.year, t.month, t.day, t.hour,
                  t.minute, t.second);
    return;
  }
  const int offset = t.utcOffsetMinutes < 0 ? -t.utcOffsetMinutes : t.utcOffsetMinutes;
  std::snprintf(text, kStampChars, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d", t.year, t.month, t.day,
                t.hour, t.minute, t.second, t.utcOffsetMinutes < 0 ? '-' : '+', offset / 60, offset % 60);
}

void PathIn(const char* name, char* path) {
  std::snprintf(path, kOutputPathChars, "%s/%s", Run.folder, name);
}

// "Archive: <what> <path>: <why>; ...", shown now and kept to be shown again.
void NoteTrouble(const char* what, const char* path, const char* why) {
  std::snprintf(Run.trouble, sizeof Run.trouble, "Archive: %s %s: %s; the working files are written as always",
                what, path, why);
  ListPrintf("%s", Run.trouble);
}

// The folder named by the start's local time and the job, the first free suffix.
bool MakeRunFolder() {
  const char* why = FolderExists(ArchiveRoot) ? nullptr : MakeFolder(ArchiveRoot);
  if (why != nullptr) {
    NoteTrouble("cannot create the folder", ArchiveRoot, why);
    return false;
  }
  const CalendarTime& t = Run.startLocal;
  for (int suffix = 1; suffix <= kSuffixesMax; ++suffix) {
    char tail[kNameChars];
    if (suffix == 1) tail[0] = '\0';
    else std::snprintf(tail, sizeof tail, "-%d", suffix);
    std::snprintf(Run.folder, sizeof Run.folder, "%s/%04d-%02d-%02d_%02d%02d%02d_%s%s", ArchiveRoot, t.year,
                  t.month, t.day, t.hour, t.minute, t.second, Run.job, tail);
    why = MakeFolder(Run.folder);
    if (why == nullptr) return true;
    if (!FolderExists(Run.folder)) break;  // not taken, but cannot be made
  }
  NoteTrouble("cannot create the folder", Run.folder, why);
  Run.folder[0] = '\0';
  return false;
}

// The last row, without its line end, as one line of UTF-8 whatever it holds: it may
// be a report line, whose texts the register chose. Every control byte (0x00 to
// 0x1F, 0x7F) and the backslash are written as \xNN, two upper-case hex digits, so
// that no text can add a line to the manifest and a reader can undo the escapes.
void WriteOneLine(FILE* out, const char* row) {
  char utf8[kUtf8BytesPerByte * kMessageBufferChars];
  int length = Utf8From1253(row, static_cast<int>(std::strlen(row)), utf8);
  while (length > 0 && (utf8[length - 1] == '\r' || utf8[length - 1] == '\n')) --length;
  for (int i = 0; i < length; ++i) {
    const unsigned char byte = static_cast<unsigned char>(utf8[i]);
    if (byte < 0x20 || byte == 0x7F || byte == '\\') std::fprintf(out, "\\x%02X", byte);
    else std::fputc(byte, out);
  }
  std::fputc('\n', out);
}

void WriteManifestLines(FILE* out, bool ended, bool completed) {
  char stamp[kStampChars], stampUtc[kStampChars];
  std::fprintf(out, "Tallyglass %s (%s)\n", TG_VERSION_TEXT, ProgramBuildName());
  std::fprintf(out, "job: %s\n", Run.title);
  std::fprintf(out, "port: %s\n", ConnectedLine());
  FormatStamp(Run.startLocal, false, stamp);
  FormatStamp(Run.startUtc, true, stampUtc);
  std::fprintf(out, "started: %s (%s)\n", stamp, stampUtc);
  if (!ended) {
    std::fprintf(out, "ended: no: the program stopped before the job ended; the files hold what was written until then\n");
    return;
  }
  CalendarTime local, utc;
  ReadCalendarTime(local, utc);
  FormatStamp(local, false, stamp);
  FormatStamp(utc, true, stampUtc);
  std::fprintf(out, "ended: %s (%s)\n", stamp, stampUtc);
  std::fprintf(out, "bytes received: %llu\n", static_cast<unsigned long long>(Run.bytesReceived));
  std::fprintf(out, "%s written: %llu\n", std::strcmp(Run.job, "log") == 0 ? "records" : "lines",
               static_cast<unsigned long long>(Run.itemsWritten));
  std::fputs("last row: ", out);
  WriteOneLine(out, LastFormattedMessage());
  const LineErrorCounts& e = Run.lineErrors;
  if (e.framing != 0 || e.parity != 0 || e.overrun != 0 || e.breaks != 0)
    std::fprintf(out, "line errors: %lu framing, %lu parity, %lu overrun, %lu breaks\n",
                 static_cast<unsigned long>(e.framing), static_cast<unsigned long>(e.parity),
                 static_cast<unsigned long>(e.overrun), static_cast<unsigned long>(e.breaks));
  if (Run.lineLost)
    std::fprintf(out, "complete: no: the line was lost after %llu bytes\n",
                 static_cast<unsigned long long>(Run.lostAfterBytes));
  else
    std::fprintf(out, "complete: %s\n", completed && !Run.incomplete ? "yes" : "no: the job did not end normally");
}

bool WriteManifest(bool ended, bool completed) {
  char path[kOutputPathChars];
  PathIn(kManifestName, path);
  FILE* out = std::fopen(path, "wb");
  if (out == nullptr) return false;
  WriteManifestLines(out, ended, completed);
  const bool synced = SyncFile(out);
  return std::fclose(out) == 0 && synced;
}

bool WriteSums() {
  char path[kOutputPathChars];
  PathIn(kSumsName, path);
  FILE* out = std::fopen(path, "wb");
  if (out == nullptr) return false;
  bool ok = true;
  for (int i = 0; i <= Run.fileCount; ++i) {
    const char* name = i < Run.fileCount ? Run.files[i] : kManifestName;
    char filePath[kOutputPathChars], hex[kSha256HexChars];
    PathIn(name, filePath);
    if (!HashFileSha256(filePath, hex)) ok = false;  // read back: the sums vouch for what is on the disk
    else std::fprintf(out, "%s  %s\n", hex, name);
  }
  ok = SyncFile(out) && ok;
  return std::fclose(out) == 0 && ok;
}

}  // namespace

void StartRunArchive(const char* job, const char* title) {
  std::memset(&Run, 0, sizeof Run);
  std::snprintf(Run.job, sizeof Run.job, "%s", job);
  std::snprintf(Run.title, sizeof Run.title, "%s", title);
  ReadCalendarTime(Run.startLocal, Run.startUtc);
  if (ArchiveRoot[0] == '\0' || !MakeRunFolder()) return;
  if (!WriteManifest(false, false)) NoteTrouble("cannot write the manifest in", Run.folder, "the folder refuses it");
}

const char* RunArchiveFolder() { return Run.folder; }

bool OpenRunFile(OutputFile& file, const char* name, FileForm form, bool working) {
  StartOutputFile(file, form);
  if (working && !OpenOutputCopy(file, kWorkingCopy, name)) return false;
  if (Run.folder[0] == '\0') return true;
  char path[kOutputPathChars];
  PathIn(name, path);
  if (!OpenOutputCopy(file, kArchiveCopy, path)) {
    NoteTrouble("cannot create", path, "the folder refuses it");
    Run.incomplete = true;
  } else if (Run.fileCount < kRunFilesMax) {
    std::snprintf(Run.files[Run.fileCount++], kNameChars, "%s", name);
  }
  return true;
}

void NoteRunCounts(uint64_t bytesReceived, uint64_t itemsWritten) {
  Run.bytesReceived = bytesReceived;
  Run.itemsWritten = itemsWritten;
}

void ShowArchiveTrouble() {
  if (Run.trouble[0] != '\0') ListPrintf("%s", Run.trouble);
}

void NoteRunLineLost(uint64_t bytesReceived) {
  Run.lineLost = true;
  Run.lostAfterBytes = bytesReceived;
}

void NoteRunLineErrors(const LineErrorCounts& counts) { Run.lineErrors = counts; }

void FinishRunArchive(bool completed) {
  if (Run.folder[0] == '\0') return;
  const bool written = WriteManifest(true, completed) && WriteSums();
  Run.sumsWritten = written;
  if (!written) NoteTrouble("cannot write SHA256SUMS in", Run.folder, "the folder refuses it");
}

const char* RunArchiveMissing() {
  if (Run.incomplete && !Run.sumsWritten) return "a file could not be created there, and SHA256SUMS was not written";
  if (Run.incomplete) return "a file could not be created there";
  if (!Run.sumsWritten) return "SHA256SUMS was not written";
  return nullptr;
}
