// Where a playlist's tracks are read from: the library file, a track a
// line, or, when the choice asks what the tag index says or can use it, the
// index beside it, which holds the same tracks in the same order with what
// their files say. An index is read only when it was made for the library as
// it is now, and trusted only when what was read of it is what was written.
#ifndef SONGWHIM_PLAYLIST_TRACK_SOURCE_H_
#define SONGWHIM_PLAYLIST_TRACK_SOURCE_H_

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "base/checksum.h"
#include "base/line_reader.h"

class TrackSource {
 public:
  TrackSource() = default;
  ~TrackSource();
  TrackSource(const TrackSource&) = delete;
  TrackSource& operator=(const TrackSource&) = delete;

  // Reads the open library `library` (named by `Library`), or its index:
  // with `needs` (a text that asks for a field, such as "genre:jazz"), the
  // index or nothing (false, with `err` saying why); with `can`, the index
  // when there is a good one, else the library (`note` says why, when there
  // is an index it does not read).
  bool Open(std::FILE* library, const std::string& needs, bool can, bool wide,
            std::string* note, std::string* err);

  LineReader* reader() { return reader_.get(); }
  bool indexed() const { return index_ != nullptr; }
  // Once the lines are read: false, with `problem` saying why, when the
  // index read is not what was written.
  bool Whole(std::string* problem) const;

  // With the index open, the index line of each library line `lines` gives,
  // where `positions` (from 1) says it stands, in place of it. Reads the
  // whole index, so that it can tell whether to trust it; false, with
  // `problem` saying why, when it cannot.
  bool LinesAt(const std::vector<long long>& positions, std::vector<std::string>* lines,
               std::string* problem);

 private:
  // Opens the index; false, with `problem`, when there is none that fits.
  bool OpenIndex(bool wide, std::string* problem);

  std::string name_;
  std::FILE* index_ = nullptr;
  std::unique_ptr<LineReader> reader_;
  Checksum sum_;
  std::uint64_t written_ = 0;
};

#endif  // SONGWHIM_PLAYLIST_TRACK_SOURCE_H_
