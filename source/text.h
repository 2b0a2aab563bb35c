// Text helpers used by every module: the case-insensitive prefix comparison of
// options, headers, file types and ignore entries, and a reader that hands out
// whole lines of any length.
#ifndef SONGWHIM_SOURCE_TEXT_H_
#define SONGWHIM_SOURCE_TEXT_H_

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

// Compares at most `n` characters, ASCII letters without regard to case, and
// stops early when both texts end together. A text ends at its last byte or at
// a NUL byte, so a keyword compared over more than its length matches only
// itself, and over exactly its length matches anything that begins with it.
bool SameNoCase(std::string_view text, std::string_view keyword, std::size_t n);

// Reads lines from an open file through a buffer of its own. A line comes out
// whole, NUL bytes and all, with its newline when it has one.
class LineReader {
 public:
  explicit LineReader(std::FILE* file);

  // Stores the next line in `line` (or only passes over it when `line` is
  // null). Returns false at the end of the file or on a read error.
  bool Next(std::string* line);

  // Goes back to the first line.
  void Rewind();

  // True when reading stopped on an error rather than at the end of the file.
  bool failed() const { return failed_; }

 private:
  bool Fill();

  std::FILE* file_;
  std::vector<char> buffer_;
  std::size_t begin_ = 0;
  std::size_t end_ = 0;
  bool failed_ = false;
};

// Writes `text` byte for byte; the result of the last write shows in ferror.
void WriteText(std::FILE* file, const std::string& text);

#endif  // SONGWHIM_SOURCE_TEXT_H_
