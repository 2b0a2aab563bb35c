#include "base/tag_index.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// A tag as a field holds it: tabs, line ends and other control characters
// would split the line or the field, and become blanks.
void AddField(std::string_view text, std::string* line) {
  for (char c : text) *line += static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
  *line += '\t';
}

void AddNumber(long long value, bool shown, std::string* line) {
  if (shown) *line += std::to_string(value);
  *line += '\t';
}

}  // namespace

std::string IndexLine(const FileStamp& stamp, const TrackTags* tags,
                      std::string_view path) {
  std::string line;
  line.reserve(path.size() + 96);
  AddNumber(stamp.size, stamp.size >= 0, &line);
  AddNumber(stamp.time, stamp.size >= 0, &line);
  TrackTags none;
  const TrackTags& t = tags ? *tags : none;
  AddNumber(t.milliseconds, t.milliseconds > 0, &line);
  for (const std::string* tag :
       {&t.artist, &t.album_artist, &t.album, &t.title, &t.genre})
    AddField(*tag, &line);
  AddNumber(t.year, t.year > 0, &line);
  AddNumber(t.track, t.track > 0, &line);
  line.append(path.data(), path.size());
  line += '\n';
  return line;
}

namespace {

// The number `text` holds, as decimal digits after a minus sign where
// `negative_ok`; false when it holds none or one a long long cannot hold.
bool ReadNumber(std::string_view text, bool negative_ok, long long* value) {
  if (text.empty() || (!negative_ok && text[0] == '-')) return false;
  const char* end = text.data() + text.size();
  auto [at, error] = std::from_chars(text.data(), end, *value);
  return error == std::errc() && at == end;
}

}  // namespace

long long IndexFields::Number(IndexField which, long long none) const {
  long long value = 0;
  return ReadNumber(field[which], false, &value) ? value : none;
}

FileStamp IndexFields::Stamp() const {
  FileStamp stamp;
  if (!ReadNumber(field[kSize], false, &stamp.size) ||
      !ReadNumber(field[kTime], true, &stamp.time))
    return FileStamp();
  return stamp;
}

bool SplitIndexLine(std::string_view line, IndexFields* fields) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
    line.remove_suffix(1);
  std::size_t start = 0;
  for (int n = 0; n < kPath; ++n) {
    const void* tab = std::memchr(line.data() + start, '\t', line.size() - start);
    if (!tab) return false;
    std::size_t end = static_cast<const char*>(tab) - line.data();
    fields->field[n] = line.substr(start, end - start);
    start = end + 1;
  }
  fields->field[kPath] = line.substr(start);
  return !fields->field[kPath].empty();
}

std::string IndexHeader(const FileStamp& library, std::size_t* checksum_at) {
  std::string header = std::string(kIndexHeader) + "\t";
  *checksum_at = header.size();
  return header + ChecksumText(0) + "\t" + std::to_string(library.size) + "\t" +
         std::to_string(library.time) + "\n";
}

std::string ChecksumText(std::uint64_t checksum) {
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(checksum));
  return text;
}

bool ReadIndexHeader(std::string_view line, std::uint64_t* checksum, FileStamp* library) {
  std::string text(line);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  std::size_t first = text.find('\t');
  if (first == std::string::npos || text.substr(0, first) != kIndexHeader) return false;
  std::string rest = text.substr(first + 1);
  char* end = nullptr;
  unsigned long long sum = std::strtoull(rest.c_str(), &end, 16);
  if (end != rest.c_str() + 16 || *end != '\t') return false;
  char* after = nullptr;
  long long size = std::strtoll(end + 1, &after, 10);
  if (after == end + 1 || *after != '\t') return false;
  char* last = nullptr;
  long long time = std::strtoll(after + 1, &last, 10);
  if (last == after + 1 || *last != '\0') return false;
  *checksum = sum;
  *library = FileStamp{size, time};
  return true;
}
