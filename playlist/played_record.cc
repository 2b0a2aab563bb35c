#include "playlist/played_record.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
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

std::uint64_t PlayedRecord::Key(std::string_view line) {
  std::uint64_t hash = HashText(WithoutLineEnd(line));
  return hash != 0 ? hash : 1;
}

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
                            SharedWork* work, bool* ended) {
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
    *ended = batch[count - 1].back() == '\n';
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

bool PlayedRecord::Read(SharedWork* work, std::string* problem) {
  std::FILE* file = nullptr;
  if (!OpenForReading(name_, &file, problem)) return !Exists(name_);
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> closer(file, &std::fclose);
  long size = std::fseek(file, 0, SEEK_END) == 0 ? std::max(std::ftell(file), 0L) : 0;
  std::rewind(file);
  LineReader reader(file, kMaxLine, /*wide=*/true);
  std::string_view line;
  if (reader.NextView(&line) && line != kHeader)
    *problem = "line 1 is not the header of a record of played tracks";
  bool ended = line.empty() || line.back() == '\n';  // the last line came with its end
  std::size_t most = 0;
  while (problem->empty() && !ReadKeys(&reader, size, most, work, &ended)) {
    // Shorter lines than the first ones came: read again with room for as
    // many as there can be (lines of two bytes), or should the file have
    // grown meanwhile, for twice as many as the last time.
    most = std::max(static_cast<std::size_t>(size) / 2 + 1, 2 * most);
    slots_ = 0;
    reader.Rewind();
    reader.NextView(&line);
  }
  if (slots_ == 0 && !MakeTable(0)) throw std::bad_alloc();
  if (!problem->empty()) return false;
  if (reader.bad_line()) *problem = reader.Problem();
  if (reader.failed()) *problem = std::strerror(reader.error());
  if (problem->empty() && (!ended || reader.lines() == 0))
    *problem = "it ends in the middle of a line";
  whole_ = problem->empty();
  return whole_;
}

bool PlayedRecord::Open(const std::string& library, SharedWork* work, std::string* note,
                        std::string* err) {
  name_ = PlayedName(library);
  lock_name_ = LockName(name_);
  if (!Lock(err)) return false;
  std::string problem;
  if (Read(work, &problem)) return true;
  // What cannot be trusted is kept for the user, never picked from.
  block_.Free();
  table_ = nullptr;
  slots_ = 0;
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
