// The record of the tracks that -fresh runs have picked in the current round,
// kept beside the library as LIBRARY.played: a header line, then one track a
// line. A run holds the record's lock from reading it to adding its picks, so
// that two runs at once each see what the other picked.
#ifndef SONGWHIM_PLAYLIST_PLAYED_RECORD_H_
#define SONGWHIM_PLAYLIST_PLAYED_RECORD_H_

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/line_reader.h"
#include "base/shared_work.h"
#include "base/text.h"
#include "platform/large_block.h"
#include "platform/lock.h"

class PlayedRecord {
 public:
  PlayedRecord() = default;
  ~PlayedRecord();
  PlayedRecord(const PlayedRecord&) = delete;
  PlayedRecord& operator=(const PlayedRecord&) = delete;

  // Takes the lock of the record of the library `library`, waiting while
  // another run holds it, undoes what a run cut off while adding to the
  // record had added, and reads the record. A last line cut short (by a full
  // disk, or a run killed as it wrote) is passed over, and `note` says so. A
  // record that cannot be read, or holds what no record holds, is set aside
  // for the user to look at (never over one set aside before), a new round
  // starts, and `note` says so. False, with `err` saying why, when the lock
  // cannot be had or the record can be neither read nor set aside. The
  // reading is shared with `work`'s helper.
  bool Open(const std::string& library, SharedWork* work, std::string* note,
            std::string* err);

  // The key of the library line `line`, and whether it was picked in this
  // round. Prefetch readies the answer, so that many lines can be asked
  // about side by side.
  static std::uint64_t Key(std::string_view line) { return LineKey(line); }
  void Prefetch(std::uint64_t key) const;
  bool Played(std::uint64_t key) const;
  bool Played(std::string_view line) const { return Played(Key(line)); }
  // Tracks picked in this round.
  std::size_t size() const { return count_; }

  // Which tracks of the round a new round keeps: those the filters leave out.
  using Keep = std::function<bool(std::string_view line)>;

  // Adds `tracks` to the round, or with `new_round` starts a round that holds
  // them and the tracks of the old round that `keep` lets stay (none when it
  // is null). A new record is written beside the old one and renamed over
  // it; tracks are added to a whole record so that, until Commit, the next
  // Open undoes the addition should this run be cut off. The record on disk
  // is never left half-written.
  bool Save(const std::vector<std::string>& tracks, bool new_round, const Keep& keep,
            std::string* err);
  // The addition stays: the playlist it was made for is in place.
  void Commit();
  // Takes the addition back: the playlist it was made for could not be put
  // in place.
  void Undo();

 private:
  bool Lock(std::string* err);
  // Undoes an addition that a run was cut off in.
  void Recover();
  bool Read(SharedWork* work, std::string* problem, std::string* note);
  // Sets the record aside under a name no record set aside has; false, with
  // `err` saying why, when it cannot.
  bool SetAside(std::string* aside, std::string* err);
  bool Append(const std::vector<std::string>& tracks, std::string* err);
  bool Replace(const std::vector<std::string>& tracks, const Keep& keep,
               std::string* err);
  // Reads the keys of the lines of `reader`, a file of `size` bytes, into a
  // table made with room for `most` of them, or, when `most` is 0, for about
  // as many as the first lines make likely. False when more came. A last
  // line without its end is cut short: it is passed over, and `cut` gets its
  // length.
  bool ReadKeys(LineReader* reader, long long size, std::size_t most, SharedWork* work,
                std::size_t* cut);
  // Adds the keys of `lines` to the table; returns how many it did not hold.
  // `shared` when another thread may add keys meanwhile.
  std::size_t AddKeys(const std::string_view* lines, std::size_t count, bool shared);
  // Makes an empty table with room for `most` tracks. False for want of memory.
  bool MakeTable(std::size_t most);
  // Where the search for `key` starts.
  std::size_t Slot(std::uint64_t key) const {
    return static_cast<std::size_t>(((key & 0xffffffffULL) * slots_) >> 32);
  }
  // False when the table held `key` already. With `shared`, safe while
  // another thread adds keys.
  bool Insert(std::uint64_t key, bool shared);

  std::string name_;
  std::string lock_name_;
  std::string undo_name_;
  FileLock lock_;
  // The tracks, by their keys: a slot chosen by the low half of a key keeps
  // its high half, or 0 when free. A key of 64 bits then tells tracks apart
  // with no more than 4 bytes a slot. Slots are only ever filled, so two
  // threads can fill the table side by side.
  LargeBlock block_;
  std::atomic<std::uint32_t>* table_ = nullptr;
  std::size_t slots_ = 0;
  std::size_t count_ = 0;
  bool whole_ = false;       // the file is there, and may be added to
  long long whole_end_ = 0;  // where its whole lines end: a cut one is cut off
  bool adding_ = false;      // an addition is under way, and may be undone
};

#endif  // SONGWHIM_PLAYLIST_PLAYED_RECORD_H_
