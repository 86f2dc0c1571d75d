#include "core/program/row_splitter.h"

// Recurses once per line, so a message of nothing but line feeds goes as deep as the
// message buffer is long: the frame holds a few words, and the sink's work (with its
// buffers) happens in the callbacks' own frames, which a call through a pointer
// keeps out of this one.
void SplitRows(const RowSink& sink, char* text) {
  const int row = sink.insertRow(sink.context);
  int column = 0;
  char* cell = text;
  for (;;) {
    char* end = cell;
    while (*end != '\0' && *end != '\t' && *end != '\n') ++end;
    const char stop = *end;
    if (stop == '\n') {
      *end = '\0';
      if (end[1] != '\0') SplitRows(sink, end + 1);
    }
    const long length = end - cell;
    if (length == 0 || length > kCellMaxChars) break;
    sink.setCell(sink.context, row, column, cell, static_cast<int>(length));
    ++column;
    if (stop != '\t') break;
    cell = end + 1;
  }
  sink.finishRow(sink.context, row);
}
