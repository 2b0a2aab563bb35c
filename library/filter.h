// The track filter: keeps the merge file's lines of the allowed file types
// that lie under no ignored path.
#ifndef SONGWHIM_LIBRARY_FILTER_H_
#define SONGWHIM_LIBRARY_FILTER_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "library/old_index.h"

// The paths file's [filetypes] entries in the form `Allow` holds them, so that
// a line's type is found in a few comparisons however many entries there are:
// ASCII letters in lower case, sorted.
std::vector<std::string> AllowTable(std::vector<std::string> filetypes);

// True when `line` (newline included) is a track to keep: no folder (whose
// listing line ends in kFolderMark), its file type is in `Allow` and it
// begins with no entry of `Remove`, letters compared without regard to case.
bool IsWanted(std::string_view line);

// What the filter finds out when the merge file's lines begin with their
// files' stamps: for each kept track in order, where `last` holds its line
// when its file is unchanged (the entry + 1), or 0.
struct Unchanged {
  const OldIndex* last = nullptr;
  std::vector<std::uint32_t> found;
};

// Filters the merge file into the file `output` and counts the tracks kept.
// With `unchanged`, the merge file's lines are stamped, and the stamps are
// looked up in its last index rather than written. False, with `err` saying
// why, when a file cannot be read or written.
bool FilterTracks(const std::string& output, int* filecount, std::string* err,
                  Unchanged* unchanged = nullptr);

#endif  // SONGWHIM_LIBRARY_FILTER_H_
