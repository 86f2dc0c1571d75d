// A dump's folder from its raw bytes: FMraw.bin fed through the dump's own line
// writer (core/dump/dump_lines.h) and the output files' own text form must give
// FMout1.txt and FMout2.txt byte for byte, and the manifest's counts. A killed run's
// files were written up to different points: each must agree as far as it and
// FMraw.bin both go, and where FMraw.bin stops first, FMout2.txt must still be
// FMout1.txt with the capitals converted.
#include <cstring>
#include <initializer_list>

#include "core/archive/verify_parts.h"
#include "core/dump/dump_lines.h"
#include "core/line/control_codes.h"

namespace {

// One output file compared with what the line writer gives.
struct Expected {
  const char* name;
  FileReader reader;
  uint64_t line;      // lines expected so far
  bool differs;       // the first difference is found: the rest is not compared
  bool endedEarly;    // the file ended before what was expected
  uint64_t endedAt;   // where
};

FileReader Raw;
Expected Received{"FMout1.txt", {}, 0, false, false, 0};
Expected Converted{"FMout2.txt", {}, 0, false, false, 0};
DumpLine Line;
char Formed[2 * kLinePartBytes];

void Compare(RunCheck& check, Expected& file, const char* bytes, size_t count) {
  const size_t formed = FileFormBytes(FileForm::kText, bytes, count, Formed);
  for (size_t i = 0; i < formed && !file.differs && !file.endedEarly; ++i) {
    const int byte = NextByte(file.reader);
    if (byte < 0) {
      file.endedEarly = true;
      file.endedAt = file.reader.position;
    } else if (byte != static_cast<unsigned char>(Formed[i])) {
      file.differs = true;
      AddFinding(check, "%s: line %llu is not the line of FMraw.bin (byte %llu differs)", file.name,
                 static_cast<unsigned long long>(file.line + 1),
                 static_cast<unsigned long long>(file.reader.position));
    }
    if (Formed[i] == '\n') ++file.line;
  }
}

// The part of the current line goes to both files.
void ComparePart(RunCheck& check) {
  Compare(check, Received, Line.received, Line.length);
  Compare(check, Converted, Line.converted, Line.length);
}

// Bytes left in a file after everything expected.
uint64_t BytesLeft(FileReader& reader) {
  uint64_t left = 0;
  while (NextByte(reader) >= 0) ++left;
  return left;
}

// Where FMraw.bin stops before both files: FMout2.txt against FMout1.txt converted.
void CompareTails(RunCheck& check) {
  if (Received.differs || Converted.differs || Received.endedEarly || Converted.endedEarly) return;
  for (;;) {
    const int received = NextByte(Received.reader), converted = NextByte(Converted.reader);
    if (received < 0 || converted < 0) return;
    if (ConvertCapital(static_cast<uint8_t>(received)) != converted) {
      AddFinding(check, "FMout2.txt: byte %llu is not FMout1.txt's with the capitals converted",
                 static_cast<unsigned long long>(Converted.reader.position));
      return;
    }
  }
}

void CheckEnds(RunCheck& check) {
  for (Expected* file : {&Received, &Converted}) {
    if (file->differs) continue;
    if (file->endedEarly) {
      AddFinding(check, "%s: ends after %llu bytes, in line %llu of those FMraw.bin gives", file->name,
                 static_cast<unsigned long long>(file->endedAt), static_cast<unsigned long long>(file->line + 1));
      continue;
    }
    const uint64_t left = BytesLeft(file->reader);
    if (left > 0) {
      AddFinding(check, "%s: %llu bytes more than the lines of FMraw.bin", file->name,
                 static_cast<unsigned long long>(left));
    }
  }
}

}  // namespace

void CheckDumpFiles(RunCheck& check) {
  if (!OpenReader(Raw, check, "FMraw.bin") || !OpenReader(Received.reader, check, Received.name) ||
      !OpenReader(Converted.reader, check, Converted.name)) {
    CloseReader(Raw);
    CloseReader(Received.reader);
    return;  // a missing file is told already
  }
  for (Expected* file : {&Received, &Converted}) {
    file->line = 0;
    file->differs = file->endedEarly = false;
  }
  StartDumpLine(Line);
  uint64_t lines = 0, afterEtx = 0;
  bool etx = false;
  for (int byte; (byte = NextByte(Raw)) >= 0;) {
    if (etx) {
      ++afterEtx;
      continue;
    }
    if (byte == ETX) {
      etx = true;
      continue;
    }
    if (DumpLinePartFull(Line)) {
      ComparePart(check);
      EmptyDumpLinePart(Line, false);
    }
    if (AddDumpLineByte(Line, static_cast<uint8_t>(byte))) {
      ComparePart(check);
      EmptyDumpLinePart(Line, true);
      ++lines;
    }
  }
  if (afterEtx > 0) AddFinding(check, "FMraw.bin: %llu bytes after the ETX that ended the dump",
                               static_cast<unsigned long long>(afterEtx));
  if (check.ended) {
    CheckEnds(check);
    if (check.hasBytes && check.bytesReceived != Raw.position) {
      AddFinding(check, "manifest.txt: %llu bytes received, FMraw.bin holds %llu",
                 static_cast<unsigned long long>(check.bytesReceived), static_cast<unsigned long long>(Raw.position));
    }
    if (check.hasItems && check.itemsWritten != lines) {
      AddFinding(check, "manifest.txt: %llu lines written, FMraw.bin gives %llu",
                 static_cast<unsigned long long>(check.itemsWritten), static_cast<unsigned long long>(lines));
    }
    if (!check.hasBytes || !check.hasItems) AddFinding(check, "manifest.txt: the counts of an ended run are missing");
  } else {
    CompareTails(check);
  }
  CloseReader(Raw);
  CloseReader(Received.reader);
  CloseReader(Converted.reader);
}
