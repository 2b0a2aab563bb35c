// A reader that hands out whole lines of a file, or of text in memory, up to
// a bound, and refuses what no text file of ours can hold.
#ifndef SONGWHIM_BASE_LINE_READER_H_
#define SONGWHIM_BASE_LINE_READER_H_

#include <cstddef>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "base/checksum.h"

// The longest line any file of ours may hold, newline not counted. No platform
// names a path this long (Windows allows 32 767 UTF-16 units, at most three
// bytes each in UTF-8; POSIX systems far fewer), so a longer line means the
// file is something else, and reading stops before holding more of it.
constexpr std::size_t kMaxLine = 65536;

// The most lines a wide reader's caller asks for at once.
constexpr std::size_t kWideBatch = 1 << 11;

// Reads lines through a buffer of its own. A line comes out whole, with its
// newline when it has one. A line longer than the bound, or one holding a NUL
// byte, stops the reader: text files never hold either.
class LineReader {
 public:
  enum Status { kOk, kReadError, kTooLong, kNulByte };

  // Reads the open `file`, which the caller closes. A `wide` reader holds
  // thousands of lines at once, so that sharing them out between threads
  // costs little, and keeps the lines of one batch while it reads the next.
  explicit LineReader(std::FILE* file, std::size_t max_line = kMaxLine,
                      bool wide = false);
  // Reads `text`, which must outlive the reader.
  static LineReader OfText(std::string_view text, std::size_t max_line = kMaxLine);

  // Stores the next line in `line` (or only passes over it when `line` is
  // null; it is checked all the same). Returns false at the end of the file,
  // on a read error or on a line that breaks the rules above.
  bool Next(std::string* line);
  // The same without a copy: `line` stays valid until the next call.
  bool NextView(std::string_view* line);

  // Hands out up to `most` lines at once into `lines`, all valid until the
  // next call (for a wide reader, until the call after it), and returns how
  // many: fewer at the end of the buffer or before a bad line, and 0 at the
  // end of the file, on a read error or once a bad line has stopped the
  // reader. Lets the caller work on many lines side by side.
  std::size_t NextBatch(std::string_view* lines, std::size_t most);

  // Where in `text`, some whole lines, a wanted line may be, or npos.
  using Finder = std::function<std::size_t(std::string_view text)>;
  // As NextView, but passes over the lines before the first one in which
  // `find` finds a place (they are checked and counted all the same). Saves
  // handing out lines one by one when few are wanted. A line that spans two
  // fills of the buffer is handed out without asking.
  bool NextWhere(const Finder& find, std::string_view* line);

  // Passes over up to `count` lines, checked as Next checks them, and returns
  // how many it passed: fewer at the end of the file or at a bad line.
  long long PassOver(long long count);

  // Goes back to the first line.
  void Rewind();

  // Adds every byte read from here on to `sum` (until Rewind), however the
  // lines are handed out or passed over.
  void SumFrom(Checksum* sum);

  Status status() const { return status_; }
  // True when reading stopped on an error rather than at the end of the file.
  bool failed() const { return status_ == kReadError; }
  // True when reading stopped on a line that no text file of ours can hold.
  bool bad_line() const { return status_ == kTooLong || status_ == kNulByte; }
  // errno of the read error.
  int error() const { return error_; }
  // Lines handed out or passed over since the start of the file.
  long long lines() const;
  // Bytes passed over since the start of the file: where the next line starts.
  long long offset() const { return offset_; }
  // What is wrong with the bad line, such as "line 3 holds a NUL byte".
  std::string Problem() const;

 private:
  bool Fill();
  std::size_t Read(char* into, std::size_t size);
  bool Stop(Status status);
  // Passes over the whole lines up to `target` in the buffer.
  bool PassTo(std::size_t target);
  // The line feeds before offset_, counted from the start of the file.
  long long CountLines() const;
  // Takes the rest of the current line that lies in the buffer into `piece`,
  // checked, and adds its length to `*length`; `*ended` when its line feed
  // came too. False when the line breaks the rules.
  bool TakePiece(std::size_t* length, std::string_view* piece, bool* ended);

  std::FILE* file_;
  Checksum* sum_ = nullptr;
  std::string_view text_;  // read instead of a file when there is none
  std::size_t text_at_ = 0;
  std::size_t max_line_;
  std::size_t buffer_size_;
  std::unique_ptr<char[]> buffer_;
  std::unique_ptr<char[]> other_;  // a wide reader's other buffer, read into by turns
  std::string spill_;              // a line that spans two fills of the buffer
  std::string other_spill_;        // the one before it
  std::size_t begin_ = 0;
  std::size_t end_ = 0;
  std::size_t nul_ = 0;  // the first NUL byte in the buffer at or after begin_, or end_
  Status status_ = kOk;
  int error_ = 0;
  // Lines passed over by NextWhere are not counted as they go: they are
  // counted again from the start, should anyone ask how many there were.
  mutable long long lines_ = 0;
  mutable bool lines_known_ = true;
  long long offset_ = 0;
};

#endif  // SONGWHIM_BASE_LINE_READER_H_
