#include "library/old_index.h"

#include <algorithm>
#include <cstring>

#include "base/line_reader.h"
#include "base/text.h"
#include "platform/files.h"

namespace {

// True when the line holds some tag.
bool AnyTag(const IndexFields& fields) {
  for (IndexField field : {kArtist, kAlbumArtist, kAlbum, kTitle, kGenre, kYear, kTrack})
    if (!fields[field].empty()) return true;
  return false;
}

// True when the line ends as this system writes a line in text mode, and
// no other way: its bytes can be copied as they stand.
bool EndsAsWritten(std::string_view line) {
  std::string_view end = TextLineEnd();
  return line.size() > end.size() && line.substr(line.size() - end.size()) == end &&
         line[line.size() - end.size() - 1] != '\r';
}

}  // namespace

OldIndex::~OldIndex() {
  Close();
}

void OldIndex::Close() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
}

void OldIndex::Open(const std::string& name, std::size_t most, std::string* note) {
  if (!Exists(name)) return;
  std::string err;
  std::FILE* checked = nullptr;
  if (!OpenForReading(name, &checked, &err)) {
    *note = name + ": " + err + ", so every track is read anew";
    return;
  }
  std::fclose(checked);
  // Read as bytes, so that offsets are where the lines lie, on every platform.
  file_ = OpenFile(name, "rb");
  if (!file_) {
    *note = name + ": it cannot be read, so every track is read anew";
    return;
  }
  LineReader reader(file_, kMaxIndexLine);
  std::string_view line;
  std::uint64_t written = 0;
  FileStamp library;
  bool read = reader.NextView(&line);
  if (read && IsEarlierIndexHeader(line)) {
    // Its lines hold a tag's first value alone, and keep files it could not
    // read as if it had.
    *note = name + ": it was written by an earlier version, so every track is read anew";
    return;
  }
  if (!read || !ReadIndexHeader(line, &written, &library)) {
    *note = name + ": it is no tag index, so every track is read anew";
    return;
  }
  header_ = std::string(line);
  checksum_ = written;
  long long size = 0;
  if (IsPlainFile(name, &size))
    entries_.reserve(std::min(most, static_cast<std::size_t>(size / 64)));
  if (!ReadEntries(&reader, most, written)) {
    entries_.clear();
    whole_ = false;
    *note = name + ": it was changed since it was written, so every track is read anew";
    return;
  }
  MakeTable();
}

bool OldIndex::ReadEntries(LineReader* reader, std::size_t most, std::uint64_t written) {
  Checksum sum;
  IndexFields fields;
  std::string_view line;
  whole_ = true;
  for (long long offset = reader->offset(); reader->NextView(&line);
       offset = reader->offset()) {
    std::string_view text = WithoutLineEnd(line);
    // The sum is of lines ended by a line feed alone.
    if (text.size() + 1 == line.size() && line.back() == '\n') {
      sum.Add(line.data(), line.size());
    } else {
      sum.Add(text.data(), text.size());
      sum.Add("\n", 1);
    }
    bool plain = EndsAsWritten(line);
    // Only a complete line is taken over: one without a stamp is of a file
    // that could not all be read, and is read again.
    FileStamp stamp;
    if (entries_.size() < most && SplitIndexLine(line, &fields)) stamp = fields.Stamp();
    whole_ = whole_ && plain && stamp.size >= 0;
    if (stamp.size < 0) continue;
    entries_.push_back({LineKey(fields[kPath]), offset, stamp,
                        static_cast<std::uint32_t>(line.size()),
                        fields.Number(kLength) > 0, AnyTag(fields)});
  }
  return reader->status() == LineReader::kOk && sum.value() == written;
}

bool OldIndex::Unchanged(const std::vector<std::uint32_t>& found) const {
  if (!whole_ || found.size() != entries_.size()) return false;
  for (std::size_t n = 0; n < found.size(); ++n)
    if (found[n] != n + 1) return false;
  return true;
}

void OldIndex::MakeTable() {
  std::size_t size = 1024;
  while (size < 2 * entries_.size()) size *= 2;
  slots_.assign(size, 0);
  for (std::size_t n = 0; n < entries_.size(); ++n) {
    std::size_t slot = entries_[n].key & (size - 1);
    while (slots_[slot] != 0) slot = (slot + 1) & (size - 1);
    slots_[slot] = static_cast<std::uint32_t>(n + 1);
  }
}

bool OldIndex::Matches(long long where, std::uint64_t key, const FileStamp& stamp) const {
  const Entry& entry = entries_[Index(where)];
  return entry.key == key && entry.stamp == stamp;
}

long long OldIndex::Find(std::string_view path, const FileStamp& stamp,
                         long long hint) const {
  if (slots_.empty() || stamp.size < 0) return -1;
  std::uint64_t key = LineKey(path);
  if (hint >= 0 && Index(hint) < entries_.size() && Matches(hint, key, stamp))
    return hint;
  for (std::size_t slot = key & (slots_.size() - 1); slots_[slot] != 0;
       slot = (slot + 1) & (slots_.size() - 1)) {
    if (Matches(slots_[slot] - 1, key, stamp)) return slots_[slot] - 1;
  }
  return -1;
}

std::string OldIndex::LineAt(long long where) {
  std::string_view line = LinesAt(where, 1);
  if (!line.empty()) return std::string(line);
  // A line ended otherwise than by a line feed alone is taken as one that is.
  const Entry& entry = entries_[Index(where)];
  if (!file_ || (entry.offset != at_ && !SeekFile(file_, entry.offset)))
    return std::string();
  std::string text(entry.length, '\0');
  at_ = -1;
  if (std::fread(text.data(), 1, text.size(), file_) != text.size()) return std::string();
  at_ = entry.offset + entry.length;
  return std::string(WithoutLineEnd(text)) + "\n";
}

std::string_view OldIndex::LinesAt(long long first, std::size_t count) {
  if (!file_) return {};
  const Entry& start = entries_[Index(first)];
  std::size_t bytes = 0;
  for (std::size_t n = 0; n < count; ++n) {
    const Entry& entry = entries_[Index(first) + n];
    if (entry.offset != start.offset + static_cast<long long>(bytes)) return {};
    bytes += entry.length;
  }
  // Refreshes mostly take the lines in order: only lines elsewhere cost a
  // seek.
  if (start.offset != at_ && !SeekFile(file_, start.offset)) return {};
  run_.resize(bytes);
  at_ = -1;
  if (std::fread(run_.data(), 1, bytes, file_) != bytes) return {};
  at_ = start.offset + static_cast<long long>(bytes);
  // Each line must still end where it did, as written: the file may have
  // changed meanwhile. Lines are given ended by a line feed alone, as they
  // are summed and written.
  std::size_t end = 0, kept = 0;
  std::size_t cut = TextLineEnd().size() - 1;
  for (std::size_t n = 0; n < count; ++n) {
    std::size_t length = entries_[Index(first) + n].length;
    if (!EndsAsWritten(std::string_view(run_).substr(end, length))) return {};
    if (cut > 0) std::memmove(&run_[kept], &run_[end], length - cut - 1);
    kept += length - cut;
    end += length;
    run_[kept - 1] = '\n';
  }
  run_.resize(kept);
  return run_;
}
