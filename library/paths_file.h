// The paths file: which folders to list, which paths to leave out and which
// file types to keep. The reader only reads: each [add] folder goes to its
// caller as the line is read, and the other sections come back as tables.
#ifndef SONGWHIM_LIBRARY_PATHS_FILE_H_
#define SONGWHIM_LIBRARY_PATHS_FILE_H_

#include <functional>
#include <string>
#include <vector>

#include "base/line_reader.h"
#include "base/prefix_set.h"

// The sections that fill tables.
struct PathsTables {
  PrefixSet ignore;                    // [ignore] path prefixes
  std::vector<std::string> filetypes;  // [filetypes] entries, last three characters
};

// Hears each [add] folder, before the next line is read. False, with `err`
// saying why, stops the reading.
using AddFolder = std::function<bool(const std::string& folder, std::string* err)>;

// Entries a section may hold in all: far more than any collection needs, and
// a bound on what a paths file that never ends can make the build hold.
constexpr std::size_t kMaxEntries = 100000;
// Bytes the [ignore] entries, which the build holds, may hold in all.
constexpr std::size_t kMaxIgnoreBytes = 16 << 20;

// Reads the paths file `reader` gives, named `name` in messages. False, with
// `err` saying why, when it cannot be read to its end, holds what no paths
// file holds, or `add` stops it.
bool ReadPathsFile(LineReader* reader, const std::string& name, const AddFolder& add,
                   PathsTables* tables, std::string* err);

// Removes blanks and tabs at the start, and blanks, tabs and line feeds at the
// end. A carriage return stays.
void trim(std::string& s);

#endif  // SONGWHIM_LIBRARY_PATHS_FILE_H_
