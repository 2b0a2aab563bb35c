#include "source/text.h"

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

LineReader::LineReader(std::FILE* file) : file_(file), buffer_(kBufferSize) {}

bool LineReader::Fill() {
  if (failed_) return false;
  begin_ = 0;
  end_ = std::fread(buffer_.data(), 1, buffer_.size(), file_);
  if (end_ == 0 && std::ferror(file_)) failed_ = true;
  return end_ > 0;
}

bool LineReader::Next(std::string* line) {
  if (line) line->clear();
  bool got = false;
  while (begin_ < end_ || Fill()) {
    got = true;
    const char* start = buffer_.data() + begin_;
    std::size_t left = end_ - begin_;
    const void* newline = std::memchr(start, '\n', left);
    std::size_t take = newline ? static_cast<const char*>(newline) - start + 1 : left;
    if (line) line->append(start, take);
    begin_ += take;
    if (newline) return true;
  }
  return got && !failed_;
}

void LineReader::Rewind() {
  std::rewind(file_);
  begin_ = end_ = 0;
  failed_ = false;
}

void WriteText(std::FILE* file, const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), file);
}
