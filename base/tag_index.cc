#include "base/tag_index.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/text.h"

namespace {

// How many bytes at `text` make a character that a field holds as a blank:
// a control character (C0, DEL or C1), or a line or paragraph separator,
// which would split the line or the field for some reader; 0 for any other.
std::size_t BlankedAt(std::string_view text, std::size_t at) {
  unsigned char c = static_cast<unsigned char>(text[at]);
  if (c < 0x20 || c == 0x7f) return 1;
  auto next = [&](std::size_t n) {
    return at + n < text.size() ? static_cast<unsigned char>(text[at + n]) : 0;
  };
  if (c == 0xc2 && next(1) >= 0x80 && next(1) <= 0x9f) return 2;
  if (c == 0xe2 && next(1) == 0x80 && (next(2) == 0xa8 || next(2) == 0xa9)) return 3;
  return 0;
}

// A tag as a field holds it: blanks for the characters above, and at most
// kMaxTagField bytes, cut where a character ends.
void AddField(std::string_view text, std::string* line) {
  std::size_t start = line->size(), at = 0;
  while (at < text.size() && line->size() - start < kMaxTagField) {
    std::size_t blanked = BlankedAt(text, at);
    *line += blanked > 0 ? ' ' : text[at];
    at += blanked > 0 ? blanked : 1;
  }
  // Cut in a character (its next byte is a 10xxxxxx one): the bytes of it
  // taken go too, its first (11xxxxxx) among them.
  auto byte = [](char c) { return static_cast<unsigned char>(c); };
  if (at < text.size() && (byte(text[at]) & 0xc0) == 0x80) {
    while (line->size() > start && (byte(line->back()) & 0xc0) == 0x80) line->pop_back();
    if (line->size() > start && byte(line->back()) >= 0xc0) line->pop_back();
  }
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

void AppendStamp(const FileStamp& stamp, std::string* line) {
  // Written in place: a listing has a stamp on every line.
  char number[24];
  for (long long value : {stamp.size, stamp.time}) {
    if (stamp.size >= 0)
      line->append(number, std::to_chars(number, number + sizeof number, value).ptr);
    *line += '\t';
  }
}

bool SplitStamp(std::string_view line, FileStamp* stamp, std::string_view* rest) {
  std::size_t first = line.find('\t');
  std::size_t second =
      first == std::string_view::npos ? first : line.find('\t', first + 1);
  if (second == std::string_view::npos) return false;
  *rest = line.substr(second + 1);
  if (!ReadNumber(line.substr(0, first), false, &stamp->size) ||
      !ReadNumber(line.substr(first + 1, second - first - 1), true, &stamp->time))
    *stamp = FileStamp();
  return true;
}

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
         std::to_string(library.time) + "\t" + kIndexRevision + "\n";
}

std::string ChecksumText(std::uint64_t checksum) {
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(checksum));
  return text;
}

namespace {

// The fields of a header line, split by tabs, when it has `count` of them
// and is one.
bool HeaderFields(std::string_view line, std::string_view* fields, std::size_t count) {
  line = WithoutLineEnd(line);
  for (std::size_t n = 0; n + 1 < count; ++n) {
    std::size_t tab = line.find('\t');
    if (tab == std::string_view::npos) return false;
    fields[n] = line.substr(0, tab);
    line.remove_prefix(tab + 1);
  }
  fields[count - 1] = line;
  return line.find('\t') == std::string_view::npos && fields[0] == kIndexHeader;
}

}  // namespace

bool IsEarlierIndexHeader(std::string_view line) {
  std::string_view fields[4];
  return HeaderFields(line, fields, 4);
}

bool ReadIndexHeader(std::string_view line, std::uint64_t* checksum, FileStamp* library) {
  std::string_view fields[5];
  if (!HeaderFields(line, fields, 5) || fields[4] != kIndexRevision ||
      fields[1].size() != 16)
    return false;
  unsigned long long sum = 0;
  auto [end, error] = std::from_chars(fields[1].data(), fields[1].data() + 16, sum, 16);
  FileStamp stamp;
  if (error != std::errc() || end != fields[1].data() + 16 ||
      !ReadNumber(fields[2], true, &stamp.size) ||
      !ReadNumber(fields[3], true, &stamp.time))
    return false;
  *checksum = sum;
  *library = stamp;
  return true;
}
