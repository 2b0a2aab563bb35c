#include "playlist/played_record.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
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

void PlayedRecord::Prefetch(std::uint64_t key) const {
#if defined(__GNUC__) || defined(__clang__)
  if (slots_ > 0) __builtin_prefetch(&table_[Slot(key)]);
#else
  (void)key;
#endif
}

bool PlayedRecord::MakeTable(std::size_t most) {
  static_assert(sizeof(std::atomic<std::uint32_t>) == sizeof(std::uint32_t),
                "a slot is a plain 32-bit word");
  // A third of the slots stay free, so that a search soon comes to one.
  slots_ = std::max<std::size_t>(1024, most + most / 2);
  count_ = 0;
  if (!block_.Allocate(slots_ * sizeof(std::uint32_t))) {
    table_ = nullptr;
    slots_ = 0;
    return false;
  }
  // Zeroed memory: every slot is free.
  table_ = static_cast<std::atomic<std::uint32_t>*>(block_.data());
  return true;
}

PlayedRecord::~PlayedRecord() {
  // An addition still under way was never committed: its playlist is not
  // in place.
  Undo();
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

bool PlayedRecord::Insert(std::uint64_t key, bool shared) {
  std::uint32_t mark = Mark(key);
  for (std::size_t slot = Slot(key);; slot = slot + 1 < slots_ ? slot + 1 : 0) {
    std::uint32_t held = table_[slot].load(std::memory_order_relaxed);
    // Alone, a plain store: an exchange costs a fifth of the record's reading.
    if (held == 0 && !shared) {
      table_[slot].store(mark, std::memory_order_relaxed);
      return true;
    }
    if (held == 0 &&
        table_[slot].compare_exchange_strong(held, mark, std::memory_order_relaxed)) {
      return true;
    }
    // Held, or just taken by the other thread: by this key or another.
    if (held == mark) return false;
  }
}

bool PlayedRecord::Played(std::uint64_t key) const {
  if (slots_ == 0) return false;
  std::uint32_t mark = Mark(key);
  for (std::size_t slot = Slot(key);; slot = slot + 1 < slots_ ? slot + 1 : 0) {
    std::uint32_t held = table_[slot].load(std::memory_order_relaxed);
    if (held == mark) return true;
    if (held == 0) return false;
  }
}

std::size_t PlayedRecord::AddKeys(const std::string_view* lines, std::size_t count,
                                  bool shared) {
  std::size_t added = 0;
  std::uint64_t keys[kBatch];
  for (std::size_t first = 0; first < count; first += kBatch) {
    std::size_t many = std::min(kBatch, count - first);
    for (std::size_t n = 0; n < many; ++n) {
      bool empty = WithoutLineEnd(lines[first + n]).empty();
      keys[n] = empty ? 0 : Key(lines[first + n]);
      if (!empty) Prefetch(keys[n]);
    }
    for (std::size_t n = 0; n < many; ++n)
      added += keys[n] != 0 && Insert(keys[n], shared);
  }
  return added;
}

bool PlayedRecord::ReadKeys(LineReader* reader, long long size, std::size_t most,
                            SharedWork* work, std::size_t* cut) {
  // Two batches of lines: the helper adds one's keys while this thread reads
  // the next.
  std::vector<std::string_view> lines[2] = {std::vector<std::string_view>(kWideBatch),
                                            std::vector<std::string_view>(kWideBatch)};
  std::atomic<std::size_t> added{0};
  std::size_t count = reader->NextBatch(lines[0].data(), kWideBatch);
  for (int now = 0; count > 0; now = 1 - now) {
    if (slots_ == 0) {
      // Room for as many lines as the first ones make likely, and some more.
      double likely = static_cast<double>(size) * static_cast<double>(reader->lines()) /
                      static_cast<double>(reader->offset());
      auto likely_lines = static_cast<std::size_t>(likely);
      if (!MakeTable(most > 0 ? most : likely_lines + likely_lines / 8))
        throw std::bad_alloc();
    }
    // The table always has room for a whole batch more; empty lines take none.
    const std::string_view* batch = lines[now].data();
    std::size_t room = slots_ - slots_ / 3, keys = count;
    if (count_ + keys > room) {
      keys = std::count_if(batch, batch + count, [](std::string_view line) {
        return !WithoutLineEnd(line).empty();
      });
    }
    if (count_ + keys > room) return false;
    // Only the file's last line can come without its end.
    if (batch[count - 1].back() != '\n') *cut = batch[--count].size();
    SharedWork::Work add = [&](std::size_t begin, std::size_t end) {
      added += AddKeys(batch + begin, end - begin, work->shared());
    };
    work->Begin(count, add);
    count = reader->NextBatch(lines[1 - now].data(), kWideBatch);
    work->Finish();
    count_ += added.exchange(0);
  }
  if (slots_ == 0 && !MakeTable(0)) throw std::bad_alloc();
  return true;
}

namespace {

// The first line of a record, read with or without a carriage return.
bool IsHeader(std::string_view line) {
  return WithoutLineEnd(line) == WithoutLineEnd(kHeader);
}

// The size a record had before a run began to add to it, from what that run
// left to undo it with; -1 when it left nothing that can be read.
long long SizeBefore(const std::string& undo) {
  std::FILE* file = nullptr;
  std::string ignored;
  if (!OpenForReading(undo, &file, &ignored)) return -1;
  LineReader reader(file, 64);
  std::string_view line;
  long long size = -1;
  if (reader.NextView(&line) && IsHeader(line) && reader.NextView(&line) &&
      line.back() == '\n') {
    std::string digits(WithoutLineEnd(line));
    char* end = nullptr;
    size = std::strtoll(digits.c_str(), &end, 10);
    if (digits.empty() || *end != '\0') size = -1;
  }
  std::fclose(file);
  return size;
}

}  // namespace

void PlayedRecord::Recover() {
  if (!Exists(undo_name_)) return;
  // An undo file that cannot be read was cut off itself, before the run
  // added anything.
  long long before = SizeBefore(undo_name_);
  long long now = 0;
  std::string ignored;
  if (before >= 0 && IsPlainFile(name_, &now) && now > before)
    TruncateFile(name_, before, &ignored);
  RemoveFile(undo_name_);
}

bool PlayedRecord::Read(SharedWork* work, std::string* problem, std::string* note) {
  std::FILE* file = nullptr;
  if (!OpenForReading(name_, &file, problem)) return !Exists(name_);
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> closer(file, &std::fclose);
  long long size = 0;
  if (!IsPlainFile(name_, &size)) size = 0;
  LineReader reader(file, kMaxLine, /*wide=*/true);
  std::string_view line;
  // An empty record, or a header cut short, holds no track: it is begun anew.
  bool got = reader.NextView(&line);
  if (reader.bad_line()) *problem = reader.Problem();
  if (reader.failed()) *problem = std::strerror(reader.error());
  if (!got || (IsHeader(line) && line.back() != '\n')) return problem->empty();
  if (!IsHeader(line)) *problem = "line 1 is not the header of a record of played tracks";
  std::size_t most = 0, cut = 0;
  while (problem->empty() && !ReadKeys(&reader, size, most, work, &cut)) {
    // Shorter lines than the first ones came: read again with room for as
    // many as there can be (lines of two bytes), or should the file have
    // grown meanwhile, for twice as many as the last time.
    most = std::max(static_cast<std::size_t>(size) / 2 + 1, 2 * most);
    slots_ = 0;
    cut = 0;
    reader.Rewind();
    reader.NextView(&line);
  }
  if (slots_ == 0 && !MakeTable(0)) throw std::bad_alloc();
  if (!problem->empty()) return false;
  if (reader.bad_line()) *problem = reader.Problem();
  if (reader.failed()) *problem = std::strerror(reader.error());
  if (!problem->empty()) return false;
  if (cut > 0) *note = name_ + ": its last line is cut short, and is passed over";
  whole_ = true;
  whole_end_ = size - static_cast<long long>(cut);
  return true;
}

bool PlayedRecord::SetAside(std::string* aside, std::string* err) {
  // Never over one set aside before: the user was told it was kept.
  for (int number = 1; number <= 1000; ++number) {
    *aside = SetAsideName(name_, number);
    if (!Exists(*aside)) return RenameOver(name_, *aside, err);
  }
  *err = "a thousand records are set aside already";
  return false;
}

bool PlayedRecord::Open(const std::string& library, SharedWork* work, std::string* note,
                        std::string* err) {
  name_ = PlayedName(library);
  lock_name_ = LockName(name_);
  undo_name_ = UndoName(name_);
  if (!Lock(err)) return false;
  Recover();
  std::string problem;
  if (Read(work, &problem, note)) return true;
  // What cannot be trusted is kept for the user, never picked from.
  block_.Free();
  table_ = nullptr;
  slots_ = 0;
  count_ = 0;
  std::string aside;
  if (!SetAside(&aside, err)) {
    *err = name_ + ": " + problem + ", and it cannot be set aside: " + *err;
    return false;
  }
  *note = name_ + ": " + problem + " - set aside as " + aside + "; a new round begins";
  return true;
}

bool PlayedRecord::Append(const std::vector<std::string>& tracks, std::string* err) {
  // First what undoes it: the record's size before, so that a run cut off
  // in the middle (a full disk, a kill) leaves it as it was.
  OutputFile undo;
  if (!undo.Open(undo_name_, err)) {
    *err = "Cannot write " + undo_name_ + ": " + *err;
    return false;
  }
  undo.Write(std::string(kHeader) + std::to_string(whole_end_) + "\n");
  if (!undo.Close(err)) {
    RemoveFile(undo_name_);
    *err = "Cannot write " + undo_name_ + ": " + *err;
    return false;
  }
  adding_ = true;
  long long size = 0;
  OutputFile file;
  // A line cut short is cut off, so that the first track does not join it.
  bool added = (!IsPlainFile(name_, &size) || size <= whole_end_ ||
                TruncateFile(name_, whole_end_, err)) &&
               file.Open(name_, err, /*append=*/true);
  for (const std::string& track : tracks) {
    if (!added || file.failed()) break;
    file.Write(std::string(WithoutLineEnd(track)) + "\n");
  }
  if (added && file.Close(err)) return true;
  Undo();
  *err = "Cannot write " + name_ + ": " + *err;
  return false;
}

bool PlayedRecord::Replace(const std::vector<std::string>& tracks, const Keep& keep,
                           std::string* err) {
  std::string written = PartName(name_);
  OutputFile file;
  if (!file.Open(written, err)) {
    *err = "Cannot write " + written + ": " + *err;
    return false;
  }
  file.Write(kHeader);
  std::FILE* old = nullptr;
  std::string ignored;
  if (keep && whole_ && OpenForReading(name_, &old, &ignored)) {
    // The tracks of the round that the filters leave out stay in it.
    LineReader reader(old);
    std::string_view line;
    reader.NextView(&line);
    while (!file.failed() && reader.NextView(&line) && line.back() == '\n') {
      if (!IsBlankLine(line) && keep(line))
        file.Write(std::string(WithoutLineEnd(line)) + "\n");
    }
    std::fclose(old);
    if (reader.status() != LineReader::kOk) file.Failed(EIO);
  }
  for (const std::string& track : tracks) {
    file.Write(std::string(WithoutLineEnd(track)) + "\n");
  }
  if (!file.Close(err) || !RenameOver(written, name_, err)) {
    RemoveFile(written);
    *err = "Cannot write " + name_ + ": " + *err;
    return false;
  }
  return true;
}

bool PlayedRecord::Save(const std::vector<std::string>& tracks, bool new_round,
                        const Keep& keep, std::string* err) {
  bool saved = new_round || !whole_ ? Replace(tracks, new_round ? keep : nullptr, err)
                                    : Append(tracks, err);
  if (!saved) return false;
  whole_ = true;
  return true;
}

void PlayedRecord::Commit() {
  if (adding_) RemoveFile(undo_name_);
  adding_ = false;
}

void PlayedRecord::Undo() {
  if (!adding_) return;
  std::string ignored;
  TruncateFile(name_, whole_end_, &ignored);
  RemoveFile(undo_name_);
  adding_ = false;
}
