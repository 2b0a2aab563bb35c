#include "library/old_index.h"

#include "base/line_reader.h"
#include "base/text.h"
#include "platform/files.h"

OldIndex::~OldIndex() {
  if (file_) std::fclose(file_);
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
  Checksum sum;
  IndexFields fields;
  for (long long offset = reader.offset(); reader.NextView(&line);
       offset = reader.offset()) {
    std::string_view text = WithoutLineEnd(line);
    sum.Add(text.data(), text.size());
    sum.Add("\n", 1);
    if (entries_.size() >= most || !SplitIndexLine(line, &fields)) continue;
    // Only a complete line is taken over: one without a stamp is of a file
    // that could not all be read, and is read again.
    FileStamp stamp = fields.Stamp();
    if (stamp.size < 0) continue;
    entries_.push_back(
        {LineKey(fields[kPath]), offset, stamp, static_cast<std::uint32_t>(line.size())});
  }
  if (reader.status() != LineReader::kOk || sum.value() != written) {
    entries_.clear();
    *note = name + ": it was changed since it was written, so every track is read anew";
    return;
  }
  MakeTable();
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

long long OldIndex::Find(std::string_view path, const FileStamp& stamp) const {
  if (slots_.empty() || stamp.size < 0) return -1;
  std::uint64_t key = LineKey(path);
  for (std::size_t slot = key & (slots_.size() - 1); slots_[slot] != 0;
       slot = (slot + 1) & (slots_.size() - 1)) {
    const Entry& entry = entries_[slots_[slot] - 1];
    if (entry.key == key && entry.stamp == stamp) return slots_[slot] - 1;
  }
  return -1;
}

std::string OldIndex::LineAt(long long where) {
  const Entry& entry = entries_[static_cast<std::size_t>(where)];
  // Refreshes mostly take the lines in order: only a line elsewhere costs a
  // seek.
  if (entry.offset != at_ && !SeekFile(file_, entry.offset)) return std::string();
  std::string line(entry.length, '\0');
  at_ = -1;
  if (std::fread(line.data(), 1, line.size(), file_) != line.size()) return std::string();
  at_ = entry.offset + entry.length;
  line = std::string(WithoutLineEnd(line)) + "\n";
  return line;
}
