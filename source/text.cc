#include "source/text.h"

#include <cerrno>
#include <cstring>

namespace {

char Fold(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

char At(std::string_view text, std::size_t i) {
  return i < text.size() ? text[i] : '\0';
}

constexpr std::size_t kBufferSize = 1 << 16;

}  // namespace

bool SameNoCase(std::string_view text, std::string_view keyword, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) {
    char a = Fold(At(text, i));
    if (a != Fold(At(keyword, i))) return false;
    if (a == '\0') return true;
  }
  return true;
}

LineReader::LineReader(std::FILE* file, std::size_t max_line)
    : file_(file), max_line_(max_line), buffer_(kBufferSize) {}

bool LineReader::Stop(Status status) {
  status_ = status;
  return false;
}

bool LineReader::Fill() {
  begin_ = 0;
  end_ = std::fread(buffer_.data(), 1, buffer_.size(), file_);
  if (end_ == 0 && std::ferror(file_)) {
    error_ = errno;
    return Stop(kReadError);
  }
  // One search a buffer, so checking every line costs next to nothing.
  const void* nul = std::memchr(buffer_.data(), '\0', end_);
  nul_ = nul ? static_cast<const char*>(nul) - buffer_.data() : end_;
  return end_ > 0;
}

bool LineReader::Next(std::string* line) {
  std::string_view view;
  bool got = NextView(&view);
  if (line) line->assign(got ? view : std::string_view());
  return got;
}

bool LineReader::TakePiece(std::size_t* length, std::string_view* piece, bool* ended) {
  const char* start = buffer_.data() + begin_;
  const void* newline = std::memchr(start, '\n', end_ - begin_);
  std::size_t text = newline ? static_cast<const char*>(newline) - start : end_ - begin_;
  if (nul_ < begin_ + text) return Stop(kNulByte);
  if (*length + text > max_line_) return Stop(kTooLong);
  *length += text;
  *ended = newline != nullptr;
  std::size_t take = *ended ? text + 1 : text;
  begin_ += take;
  offset_ += static_cast<long long>(take);
  *piece = std::string_view(start, take);
  return true;
}

bool LineReader::NextView(std::string_view* line) {
  spill_.clear();
  if (status_ != kOk) return false;
  std::size_t length = 0;
  bool got = false;
  std::string_view piece;
  bool ended = false;
  while (begin_ < end_ || Fill()) {
    got = true;
    if (!TakePiece(&length, &piece, &ended)) return false;
    // A line that lies wholly in the buffer is handed out where it lies.
    if (ended && spill_.empty()) {
      *line = piece;
      ++lines_;
      return true;
    }
    spill_.append(piece);
    if (ended) break;
  }
  if (status_ != kOk || !got) return false;
  *line = spill_;
  ++lines_;
  return true;
}

long long LineReader::PassOver(long long count) {
  // Nothing is passed after a bad line, so it keeps its number in Problem().
  if (status_ != kOk) return 0;
  long long passed = 0;
  std::size_t length = 0;  // of a line that goes on in the next fill
  std::string_view piece;
  bool ended = false;
  while (passed < count && (begin_ < end_ || Fill())) {
    if (!TakePiece(&length, &piece, &ended)) break;
    if (ended) {
      ++passed;
      length = 0;
    }
  }
  // A last line without its line feed is a line too.
  if (length > 0 && status_ == kOk) ++passed;
  lines_ += passed;
  return passed;
}

void LineReader::Rewind() {
  std::rewind(file_);
  begin_ = end_ = nul_ = 0;
  status_ = kOk;
  lines_ = offset_ = 0;
}

std::string LineReader::Problem() const {
  std::string number = "line " + std::to_string(lines_ + 1);
  if (status_ == kNulByte) return number + " holds a NUL byte";
  if (status_ == kTooLong)
    return number + " is longer than " + std::to_string(max_line_) + " bytes";
  return number;
}
