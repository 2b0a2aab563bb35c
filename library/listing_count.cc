#include "library/listing_count.h"

#include <string>

#include "platform/console.h"

namespace {

constexpr std::chrono::milliseconds kEvery(250);

// The column the next character lands in after `line`, or -1 when that
// cannot be told for sure: control characters, or characters outside ASCII,
// which may be one or two columns wide (a line with any must fit on one row,
// counted at two columns each). A line that ends just at the edge leaves the
// next character to the start of the next row, whether the terminal wraps
// at once or on that character, which is where the text after it goes too.
int ColumnAfter(const std::string& line, int width) {
  long columns = 0;
  bool ascii = true;
  for (unsigned char c : line) {
    if (c < 0x20 || c == 0x7f) return -1;
    if (c >= 0x80) ascii = false;
    if ((c & 0xc0) != 0x80) columns += c < 0x80 ? 1 : 2;
  }
  if (!ascii) return columns < width ? static_cast<int>(columns) : -1;
  return static_cast<int>(columns % width);
}

void Repeat(char c, std::size_t count) {
  PrintText(std::string(count, c));
}

}  // namespace

ListingCount::ListingCount(const std::string& line, const char* unit) : unit_(unit) {
  if (!OutputIsTerminal()) return;
  int width = TerminalWidth();
  if (width <= 0) return;
  int column = ColumnAfter(line, width);
  // The last column stays free, so the terminal never wraps under the count.
  if (column >= 0) room_ = width - column - 1;
}

void ListingCount::Show(long long items) {
  if (room_ <= 0) return;
  auto now = std::chrono::steady_clock::now();
  if (shown_ > 0 && now - last_ < kEvery) return;
  std::string text = std::to_string(items) + " " + unit_;
  if (text.size() > static_cast<std::size_t>(room_)) return;
  // Counts only grow, so the new text covers the old one.
  Repeat('\b', shown_);
  PrintText(text);
  FlushOutput();
  shown_ = text.size();
  last_ = now;
}

void ListingCount::Erase() {
  if (shown_ == 0) return;
  Repeat('\b', shown_);
  Repeat(' ', shown_);
  Repeat('\b', shown_);
  shown_ = 0;
}
