#include "playlist/played_record.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "base/line_reader.h"
#include "base/text.h"
#include "base/work_files.h"
#include "platform/files.h"
#include "platform/output_file.h"

namespace {

constexpr char kHeader[] = "songwhim -fresh record\n";
// How long a run waits for another one to be done with the record: a run
// holds it for well under a second.
constexpr std::chrono::seconds kLongestWait(30);

// Lines read or looked up side by side.
constexpr std::size_t kBatch = 32;

// What the table keeps of a key: its high half, which is never 0 there. The
// low half chose the slot.
std::uint32_t Mark(std::uint64_t key) {
  std::uint32_t mark = static_cast<std::uint32_t>(key >> 32);
  return mark != 0 ? mark : 1;
}

}  // namespace

std::uint64_t PlayedRecord::Key(std::string_view line) {
  std::uint64_t hash = HashText(WithoutLineEnd(line));
  return hash != 0 ? hash : 1;
}

void PlayedRecord::Prefetch(std::uint64_t key) const {
#if defined(__GNUC__) || defined(__clang__)
  if (!table_.empty()) __builtin_prefetch(&table_[key & (table_.size() - 1)]);
#else
  (void)key;
#endif
}

void PlayedRecord::Build(const std::vector<std::uint64_t>& keys) {
  std::size_t size = 1024;
  while (size < keys.size() + keys.size() / 2) size *= 2;
  table_.assign(size, 0);
  count_ = 0;
  for (std::size_t first = 0; first < keys.size(); first += kBatch) {
    std::size_t last = std::min(keys.size(), first + kBatch);
    for (std::size_t n = first; n < last; ++n) Prefetch(keys[n]);
    for (std::size_t n = first; n < last; ++n) Insert(keys[n]);
  }
}

PlayedRecord::~PlayedRecord() {
  UnlockFile(lock_name_.c_str(), &lock_);
}

bool PlayedRecord::Lock(std::string* err) {
  auto deadline = std::chrono::steady_clock::now() + kLongestWait;
  while (!LockFile(lock_name_, &lock_, err)) {
    if (!lock_.busy) {
      *err = "Cannot lock " + lock_name_ + ": " + *err;
      return false;
    }
    if (std::chrono::steady_clock::now() > deadline) {
      *err = "Another run has held " + lock_name_ + " for too long";
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

void PlayedRecord::Insert(std::uint64_t key) {
  std::size_t mask = table_.size() - 1;
  std::uint32_t mark = Mark(key);
  for (std::size_t slot = key & mask;; slot = (slot + 1) & mask) {
    if (table_[slot] == mark) return;
    if (table_[slot] == 0) {
      table_[slot] = mark;
      ++count_;
      return;
    }
  }
}

bool PlayedRecord::Played(std::uint64_t key) const {
  if (table_.empty()) return false;
  std::size_t mask = table_.size() - 1;
  std::uint32_t mark = Mark(key);
  for (std::size_t slot = key & mask; table_[slot] != 0; slot = (slot + 1) & mask) {
    if (table_[slot] == mark) return true;
  }
  return false;
}

bool PlayedRecord::Read(std::string* problem) {
  std::FILE* file = nullptr;
  if (!OpenForReading(name_, &file, problem)) return !Exists(name_);
  // Room for the keys in one step, for a record of paths of usual lengths.
  long size = std::fseek(file, 0, SEEK_END) == 0 ? std::ftell(file) : 0;
  std::rewind(file);
  std::vector<std::uint64_t> keys;
  LineReader reader(file);
  std::string_view line;
  if (reader.NextView(&line) && line != kHeader)
    *problem = "line 1 is not the header of a record of played tracks";
  bool ended = line.empty() || line.back() == '\n';  // the last line came with its end
  if (problem->empty() && size > 0)
    keys.reserve(std::min<std::size_t>(static_cast<std::size_t>(size) / 64, 1 << 22));
  // The keys first, then a table made once for as many as there are.
  std::string_view lines[kBatch];
  while (problem->empty()) {
    std::size_t count = reader.NextBatch(lines, kBatch);
    if (count == 0) break;
    for (std::size_t n = 0; n < count; ++n) {
      if (!WithoutLineEnd(lines[n]).empty()) keys.push_back(Key(lines[n]));
    }
    ended = lines[count - 1].back() == '\n';
  }
  Build(keys);
  std::fclose(file);
  if (!problem->empty()) return false;
  if (reader.bad_line()) *problem = reader.Problem();
  if (reader.failed()) *problem = std::strerror(reader.error());
  if (problem->empty() && (!ended || reader.lines() == 0))
    *problem = "it ends in the middle of a line";
  whole_ = problem->empty();
  return whole_;
}

bool PlayedRecord::Open(const std::string& library, std::string* note, std::string* err) {
  name_ = PlayedName(library);
  lock_name_ = LockName(name_);
  if (!Lock(err)) return false;
  std::string problem;
  if (Read(&problem)) return true;
  // What cannot be trusted is kept for the user, never picked from.
  table_.clear();
  count_ = 0;
  std::string aside = SetAsideName(name_);
  if (!RenameOver(name_, aside, err)) {
    *err = name_ + ": " + problem + ", and it cannot be set aside: " + *err;
    return false;
  }
  *note = name_ + ": " + problem + " - set aside as " + aside + "; a new round begins";
  return true;
}

bool PlayedRecord::Save(const std::vector<std::string>& tracks, bool new_round,
                        std::string* err) {
  // A new record is written beside the old one and put in its place whole;
  // tracks are added to a whole one in a single write.
  bool replace = new_round || !whole_;
  std::string written = replace ? PartName(name_) : name_;
  OutputFile file;
  if (!file.Open(written, err, /*append=*/!replace)) {
    *err = "Cannot write " + written + ": " + *err;
    return false;
  }
  if (replace) file.Write(kHeader);
  for (const std::string& track : tracks) {
    file.Write(std::string(WithoutLineEnd(track)) + "\n");
  }
  if (!file.Close(err) || (replace && !RenameOver(written, name_, err))) {
    if (replace) RemoveFile(written);
    *err = "Cannot write " + name_ + ": " + *err;
    return false;
  }
  whole_ = true;
  return true;
}
