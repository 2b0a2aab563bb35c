// The tag index an earlier build wrote, as a refresh reuses it: each track's
// line is looked up by a hash of its path, and taken over as it is when its
// file's size and time are unchanged. What is held is a few numbers a line,
// never the lines themselves.
#ifndef SONGWHIM_LIBRARY_OLD_INDEX_H_
#define SONGWHIM_LIBRARY_OLD_INDEX_H_

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "base/line_reader.h"
#include "base/tag_index.h"

class OldIndex {
 public:
  OldIndex() = default;
  ~OldIndex();
  OldIndex(const OldIndex&) = delete;
  OldIndex& operator=(const OldIndex&) = delete;

  // Reads the index `name`, if there is one, for at most `most` tracks. An
  // index that is none, or was changed since it was written, is not reused,
  // and `note` says so.
  void Open(const std::string& name, std::size_t most, std::string* note);

  // Where the line of the track `path` lies, when its file is as `stamp`
  // says; -1 when it is not there or the file changed. A refresh mostly
  // asks for the lines in order: `hint`, where the next is likely to be, is
  // tried first.
  long long Find(std::string_view path, const FileStamp& stamp,
                 long long hint = -1) const;
  // True when `found`, where each track of a new library lies here (entry
  // + 1, as Unchanged::found says it), takes every line of this index in
  // order, as it stands: the new index would be this one.
  bool Unchanged(const std::vector<std::uint32_t>& found) const;
  // The header line, line end included, and the checksum it holds.
  const std::string& header() const { return header_; }
  std::uint64_t checksum() const { return checksum_; }
  // How many lines may be taken over.
  std::size_t size() const { return entries_.size(); }

  // Lets go of the file, so that it can be replaced or written (Windows
  // allows neither while it is open); lines can no longer be read.
  void Close();

  // Whether the line at `where` holds a length, and some tag.
  bool HasLength(long long where) const { return entries_[Index(where)].has_length; }
  bool HasTags(long long where) const { return entries_[Index(where)].has_tags; }
  // The line at `where`, from Find, ended by a line feed. Empty when it can
  // no longer be read.
  std::string LineAt(long long where);
  // The lines [first, first + count) as they stand in the file, when they
  // follow one another there and read as they did; empty otherwise.
  std::string_view LinesAt(long long first, std::size_t count);

 private:
  struct Entry {
    std::uint64_t key;
    long long offset;
    FileStamp stamp;
    std::uint32_t length;
    bool has_length;
    bool has_tags;
  };
  static std::size_t Index(long long where) { return static_cast<std::size_t>(where); }
  bool ReadEntries(LineReader* reader, std::size_t most, std::uint64_t written);
  bool Matches(long long where, std::uint64_t key, const FileStamp& stamp) const;
  void MakeTable();

  std::FILE* file_ = nullptr;
  long long at_ = -1;  // where the file stands
  std::vector<Entry> entries_;
  std::vector<std::uint32_t> slots_;  // entry + 1 by the low bits of its key, or 0
  std::string run_;                   // the lines LinesAt read last
  std::string header_;
  std::uint64_t checksum_ = 0;
  bool whole_ = false;  // every line is an entry, ended by a line feed alone
};

#endif  // SONGWHIM_LIBRARY_OLD_INDEX_H_
