// The splitting of a message into the message list's rows and cells, on a sink that
// keeps the rows as a list would and the calls in the order they came.
#include "core/program/row_splitter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/seams/shell.h"

namespace {

using Cells = std::vector<std::string>;
using Table = std::vector<Cells>;

struct Recorded {
  Table rows;                      // each row's cells set, from column 0 on
  std::vector<std::string> calls;  // "insert 0", "set 0:1=b", "finish 0"
};

int InsertRow(void* context) {
  Recorded& list = *static_cast<Recorded*>(context);
  list.rows.emplace_back();
  const int row = static_cast<int>(list.rows.size()) - 1;
  list.calls.push_back("insert " + std::to_string(row));
  return row;
}

void SetCell(void* context, int row, int column, const char* cell, int length) {
  Recorded& list = *static_cast<Recorded*>(context);
  Cells& cells = list.rows.at(static_cast<size_t>(row));
  // Columns come in order, each once: the next one is always the row's next cell.
  EXPECT_EQ(static_cast<size_t>(column), cells.size()) << "row " << row;
  cells.emplace_back(cell, static_cast<size_t>(length));
  list.calls.push_back("set " + std::to_string(row) + ":" + std::to_string(column) + "=" +
                       cells.back());
}

void FinishRow(void* context, int row) {
  static_cast<Recorded*>(context)->calls.push_back("finish " + std::to_string(row));
}

Recorded Split(std::string text) {
  Recorded list;
  SplitRows(RowSink{&list, InsertRow, SetCell, FinishRow}, text.data());
  return list;
}

Table RowsOf(const std::string& text) { return Split(text).rows; }

TEST(SplitRows, LineFeedsSplitRows) {
  EXPECT_EQ(RowsOf("a\nb"), (Table{{"a"}, {"b"}}));
  EXPECT_EQ(RowsOf("a\n"), (Table{{"a"}}));
  EXPECT_EQ(RowsOf("a\n\nb"), (Table{{"a"}, {}, {"b"}}));
  EXPECT_EQ(RowsOf(""), (Table{{}}));
  // A CR before the LF is the row's own text: nothing strips it.
  EXPECT_EQ(RowsOf("report line\r\n"), (Table{{"report line\r"}}));
}

// A line's last cell waits for the lines below it; the cells before a TAB do not.
TEST(SplitRows, LaterLinesAreFilledAndFinishedFirst) {
  EXPECT_EQ(Split("a\nb\tc\nd").calls,
            (std::vector<std::string>{"insert 0", "insert 1", "set 1:0=b", "insert 2", "set 2:0=d",
                                      "finish 2", "set 1:1=c", "finish 1", "set 0:0=a",
                                      "finish 0"}));
}

TEST(SplitRows, TabsSplitCellsAndAnEmptyCellEndsTheRow) {
  EXPECT_EQ(RowsOf("a\tb"), (Table{{"a", "b"}}));
  EXPECT_EQ(RowsOf("\tb"), (Table{{}}));
  // The row ends at the empty cell before its LF is reached: "c" is never found.
  EXPECT_EQ(RowsOf("a\t\tb\nc"), (Table{{"a"}}));
  // Ending at its LF, the empty cell has already added the lines below it.
  EXPECT_EQ(RowsOf("a\t\nc"), (Table{{"a"}, {"c"}}));
}

TEST(SplitRows, CellsOfUpToTheLimitAreShown) {
  const std::string longest(kCellMaxChars, 'x');
  EXPECT_EQ(RowsOf(longest), (Table{{longest}}));

  // One more: the cell and everything after it on its line are dropped...
  const std::string tooLong(kCellMaxChars + 1, 'y');
  EXPECT_EQ(RowsOf("a\t" + tooLong + "\tb\nc"), (Table{{"a"}}));
  // ...but ending at its LF, it has already added the lines below it.
  EXPECT_EQ(RowsOf(tooLong + "\nb"), (Table{{}, {"b"}}));
}

TEST(SplitRows, MessageOfOnlyLineFeedsFillsEveryRow) {
  // The deepest the splitter goes: one level per line of a full message buffer.
  const Recorded list = Split(std::string(kMessageBufferChars - 1, '\n'));
  EXPECT_EQ(list.rows, Table(kMessageBufferChars - 1));
  EXPECT_EQ(list.calls.back(), "finish 0");
}

}  // namespace
