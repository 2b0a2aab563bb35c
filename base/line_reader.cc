#include "base/line_reader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

constexpr std::size_t kBuffer = 1 << 16;

// A wide reader's buffers hold a line of the longest kind and half as much
// again, so that a line spans two fills at most and never reaches back into
// the buffer of the batch before.
std::size_t WideBuffer(std::size_t max_line) {
  return max_line + max_line / 2 + 2;
}

}  // namespace

LineReader::LineReader(std::FILE* file, std::size_t max_line, bool wide)
    : file_(file),
      max_line_(max_line),
      buffer_size_(wide ? WideBuffer(max_line) : kBuffer),
      // Left as it comes: a short file only ever touches the start of it.
      buffer_(new char[buffer_size_]),
      other_(wide ? new char[buffer_size_] : nullptr) {}

LineReader LineReader::OfText(std::string_view text, std::size_t max_line) {
  LineReader reader(nullptr, max_line);
  reader.text_ = text;
  return reader;
}

std::size_t LineReader::Read(char* into, std::size_t size) {
  if (file_) return std::fread(into, 1, size, file_);
  std::size_t count = std::min(size, text_.size() - text_at_);
  if (count > 0) std::memcpy(into, text_.data() + text_at_, count);
  text_at_ += count;
  return count;
}

bool LineReader::Stop(Status status) {
  status_ = status;
  return false;
}

bool LineReader::Fill() {
  // Lines handed out from the last fill stay where they are.
  if (other_) buffer_.swap(other_);
  begin_ = 0;
  end_ = Read(buffer_.get(), buffer_size_);
  if (end_ == 0 && file_ && std::ferror(file_)) {
    error_ = errno;
    return Stop(kReadError);
  }
  if (sum_) sum_->Add(buffer_.get(), end_);
  // One search a buffer, so checking every line costs next to nothing.
  const void* nul = std::memchr(buffer_.get(), '\0', end_);
  nul_ = nul ? static_cast<const char*>(nul) - buffer_.get() : end_;
  return end_ > 0;
}

bool LineReader::Next(std::string* line) {
  std::string_view view;
  bool got = NextView(&view);
  if (line) line->assign(got ? view : std::string_view());
  return got;
}

bool LineReader::TakePiece(std::size_t* length, std::string_view* piece, bool* ended) {
  const char* start = buffer_.get() + begin_;
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
  // And so does the last line that spanned two fills.
  spill_.swap(other_spill_);
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

std::size_t LineReader::NextBatch(std::string_view* lines, std::size_t most) {
  std::size_t count = 0;
  while (count < most && status_ == kOk && (begin_ < end_ || (count == 0 && Fill()))) {
    const char* start = buffer_.get() + begin_;
    const void* newline = std::memchr(start, '\n', end_ - begin_);
    // A line that goes on in the next fill is handed out on its own.
    if (!newline) return count > 0 ? count : NextView(&lines[0]) ? 1 : 0;
    std::size_t text = static_cast<const char*>(newline) - start;
    if (nul_ < begin_ + text || text > max_line_) {
      Stop(nul_ < begin_ + text ? kNulByte : kTooLong);
      break;
    }
    lines[count++] = std::string_view(start, text + 1);
    begin_ += text + 1;
    offset_ += static_cast<long long>(text + 1);
    ++lines_;
  }
  return count;
}

namespace {

// How many line feeds `text` holds, 64 bytes at a time: a loop of fixed
// length that compilers turn into vector instructions.
std::size_t LineFeeds(const char* text, std::size_t size) {
  std::size_t count = 0, at = 0;
  for (; at + 64 <= size; at += 64) {
    unsigned block = 0;
    for (int n = 0; n < 64; ++n) block += text[at + n] == '\n';
    count += block;
  }
  for (; at < size; ++at) count += text[at] == '\n';
  return count;
}

}  // namespace

bool LineReader::PassTo(std::size_t target) {
  // Whole lines no longer together than the bound are each within it, and
  // hold no NUL when the buffer holds none there: they need only counting.
  const char* buffer = buffer_.get();
  while (nul_ >= target && begin_ < target) {
    std::size_t last = begin_ + std::min(target - begin_, max_line_ + 1);
    while (last > begin_ && buffer[last - 1] != '\n') --last;
    if (last == begin_) break;
    lines_known_ = false;
    offset_ += static_cast<long long>(last - begin_);
    begin_ = last;
  }
  std::size_t length = 0;
  std::string_view piece;
  bool ended = false;
  while (begin_ < target) {
    if (!TakePiece(&length, &piece, &ended)) return false;
    ++lines_;
    length = 0;
  }
  return true;
}

bool LineReader::NextWhere(const Finder& find, std::string_view* line) {
  while (status_ == kOk && (begin_ < end_ || Fill())) {
    std::string_view rest(buffer_.get() + begin_, end_ - begin_);
    std::size_t last = rest.rfind('\n');
    if (last == std::string_view::npos) break;
    std::string_view whole = rest.substr(0, last + 1);
    std::size_t at = find(whole);
    std::size_t start = whole.size();
    if (at != std::string_view::npos) {
      std::size_t before = at == 0 ? std::string_view::npos : whole.rfind('\n', at - 1);
      start = before == std::string_view::npos ? 0 : before + 1;
    }
    if (!PassTo(begin_ + start)) return false;
    if (at != std::string_view::npos) break;
  }
  return NextView(line);
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

void LineReader::SumFrom(Checksum* sum) {
  sum_ = sum;
  sum_->Add(buffer_.get() + begin_, end_ - begin_);
}

void LineReader::Rewind() {
  sum_ = nullptr;
  if (file_) std::rewind(file_);
  text_at_ = 0;
  begin_ = end_ = nul_ = 0;
  status_ = kOk;
  lines_ = offset_ = 0;
  lines_known_ = true;
}

long long LineReader::CountLines() const {
  std::size_t size = static_cast<std::size_t>(offset_);
  // A last line without its line feed is a line too.
  if (!file_) {
    return static_cast<long long>(LineFeeds(text_.data(), size)) +
           (size > 0 && text_[size - 1] != '\n');
  }
  // Read again from the start, and then on from where the reading was.
  std::fpos_t at;
  if (std::fgetpos(file_, &at) != 0) return lines_;
  std::rewind(file_);
  std::unique_ptr<char[]> block(new char[kBuffer]);
  long long count = 0;
  char last = '\n';
  for (std::size_t left = size; left > 0;) {
    std::size_t read = std::fread(block.get(), 1, std::min(left, kBuffer), file_);
    if (read == 0) break;
    count += static_cast<long long>(LineFeeds(block.get(), read));
    last = block[read - 1];
    left -= read;
  }
  std::fsetpos(file_, &at);
  return count + (last != '\n');
}

long long LineReader::lines() const {
  if (!lines_known_) {
    lines_ = CountLines();
    lines_known_ = true;
  }
  return lines_;
}

std::string LineReader::Problem() const {
  std::string number = "line " + std::to_string(lines() + 1);
  if (status_ == kNulByte) return number + " holds a NUL byte";
  if (status_ == kTooLong)
    return number + " is longer than " + std::to_string(max_line_) + " bytes";
  return number;
}
