// Writing the tag index of the library a build has just written: each
// track's file is opened and its tags read, several files at once, except
// where the last index says what the file holds and the file's size and
// time are unchanged.
#ifndef SONGWHIM_LIBRARY_INDEX_BUILD_H_
#define SONGWHIM_LIBRARY_INDEX_BUILD_H_

#include <cstdint>
#include <string>
#include <vector>

#include "library/old_index.h"
#include "platform/tree_walk.h"

struct IndexCount {
  long long tracks = 0;
  long long opened = 0;          // files opened to read their tags
  long long reused = 0;          // lines taken over from the last index
  long long unreadable = 0;      // tracks whose files give no tags
  long long unknown_length = 0;  // tracks whose files give tags but no length
};

// Writes to `output` the index of the library file `library`, taking over
// lines of the index `last` where it may: where `unchanged` says the track's
// file is as `last` knows it (as Unchanged::found says it, track by track),
// or else where a stat of the file finds it so. `progress` hears how many
// tracks are done. False, with `err` saying why, when a file cannot be read
// or written.
bool WriteIndex(const std::string& library, OldIndex* last,
                const std::vector<std::uint32_t>& unchanged, const std::string& output,
                const ListingProgress& progress, IndexCount* count, std::string* err);

// The count WriteIndex gives when the new index would be `last` as it
// stands (OldIndex::Unchanged).
IndexCount CountUnchanged(const OldIndex& last);

#endif  // SONGWHIM_LIBRARY_INDEX_BUILD_H_
