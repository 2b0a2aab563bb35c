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
  // says; -1 when it is not there or the file changed.
  long long Find(std::string_view path, const FileStamp& stamp) const;
  // The line at `where`, from Find, ended by a line feed. Empty when it can
  // no longer be read.
  std::string LineAt(long long where);

 private:
  struct Entry {
    std::uint64_t key;
    long long offset;
    FileStamp stamp;
    std::uint32_t length;
  };
  void MakeTable();

  std::FILE* file_ = nullptr;
  long long at_ = -1;  // where the file stands
  std::vector<Entry> entries_;
  std::vector<std::uint32_t> slots_;  // entry + 1 by the low bits of its key, or 0
};

#endif  // SONGWHIM_LIBRARY_OLD_INDEX_H_
