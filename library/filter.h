// The track filter: keeps the merge file's lines of the allowed file types
// that lie under no ignored path.
#ifndef SONGWHIM_LIBRARY_FILTER_H_
#define SONGWHIM_LIBRARY_FILTER_H_

#include <string>
#include <string_view>
#include <vector>

// The paths file's [filetypes] entries in the form `Allow` holds them, so that
// a line's type is found in a few comparisons however many entries there are:
// ASCII letters in lower case, sorted.
std::vector<std::string> AllowTable(std::vector<std::string> filetypes);

// True when `line` (newline included) is a track to keep: no folder (whose
// listing line ends in kFolderMark), its file type is in `Allow` and it
// begins with no entry of `Remove`, letters compared without regard to case.
bool IsWanted(std::string_view line);

// Filters the merge file into the file `output` and counts the tracks kept.
// False, with `err` saying why, when a file cannot be read or written.
bool FilterTracks(const std::string& output, int* filecount, std::string* err);

#endif  // SONGWHIM_LIBRARY_FILTER_H_
