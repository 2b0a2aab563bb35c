// The folder walk: many folders are read at once, which is what makes a
// network share quick to list, while the listing comes out exactly as a
// plain depth-first walk writes it. The walk itself is the same everywhere
// (tree_walk.cc); reading one folder is each platform's own
// (tree_walk-posix.cc, tree_walk-win32.cc).
#ifndef SONGWHIM_PLATFORM_TREE_WALK_H_
#define SONGWHIM_PLATFORM_TREE_WALK_H_

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/tag_index.h"
#include "platform/output_file.h"

// What ends the line of a folder in a listing, so that no folder is ever
// taken for a track: no name holds it, on any platform.
constexpr char kFolderMark = '/';

// Told now and then how many items a listing holds so far.
using ListingProgress = std::function<void(long long items)>;

// Writes to the file `listing` one full path per line for every file and
// folder beneath `folder`, at any depth, a folder's ended by kFolderMark. When the folder
// itself is missing or cannot be read, the listing is empty and `note` says so briefly
// ("folder not found"); when folders beneath it cannot be read, `note` names the first
// ("cannot read /m/x: Permission denied"); otherwise `note` is left empty. `progress`,
// when given, hears of the count as it grows. False, with `err` saying why, when the
// listing cannot be written.
// With `stamps`, each line begins with its file's size and time, as
// AppendStamp writes them (none for a folder), found as the folder is read.
bool ListFolder(const std::string& folder, const std::string& listing,
                const ListingProgress& progress, std::string* note, std::string* err,
                bool stamps = false);

// How many folders are read at once. A walk starts with `first` readers and
// adds readers up to `most` while reads wait on the file system (a network
// share) rather than on the processor (a local disk), where more readers
// would only contend for the cores. With none, the writer reads for itself.
struct WalkReaders {
  int first = 4;
  int most = 16;
};

// Folders a walk could not read.
struct Unreadable {
  long long count = 0;
  std::string first;  // the first in listing order, and why
  std::string why;
};

// Writes to `out` one full path per line for every file and folder beneath
// the folder `root`, named in full (a folder's ended by kFolderMark): a
// folder's entries in the order
// ReadFolder gives them, then each subfolder's contents in that order. Links
// to folders are followed; a folder that is one of those above it is listed
// but not entered. Unreadable folders are left out, and counted in
// `unreadable` when it is given. Returns the number of lines written.
long long WalkTree(const std::string& root, OutputFile* out,
                   const WalkReaders& readers = WalkReaders(),
                   const ListingProgress& progress = nullptr,
                   Unreadable* unreadable = nullptr, bool stamps = false);

// Which folder a folder is, whatever name it was reached by.
struct FolderId {
  std::uint64_t volume = 0;
  std::uint64_t file = 0;
  bool operator==(const FolderId& other) const {
    return volume == other.volume && file == other.file;
  }
};

// What reading one folder gives.
struct FolderContents {
  std::string lines;                    // a full path per line for each entry
  long long count = 0;                  // lines in `lines`
  std::vector<std::string> subfolders;  // full paths, in listing order
  std::string problem;                  // why it could not be read, or ""
};

// The full path to walk for the folder `folder` as the user named it. False,
// with `note` saying briefly why, when it names no folder that can be read.
bool WalkRoot(const std::string& folder, std::string* root, std::string* note);

// Reads the folder `path`, named in full, when `enter` agrees to its id.
// Names that no line of a listing can hold are left out. With `stamps`,
// each line begins with its file's stamp (none for a folder), found relative to the
// folder while it is open, which costs far less than a stat of the whole path later.
// False when the folder is not entered, or cannot be read
// (`contents->problem` then says why, as the system puts it).
bool ReadFolder(const std::string& path,
                const std::function<bool(const FolderId&)>& enter, bool stamps,
                FolderContents* contents);

// The calling thread's clocks, to tell afterwards whether it waited on the
// file system meanwhile (a network share) or only computed.
struct WaitMark {
  std::chrono::steady_clock::time_point wall;
  long long cpu_ns = 0;  // time the thread has run
  long switches = 0;     // times it gave way to wait, where the system counts them
};
WaitMark MarkWaits();
bool WaitedSince(const WaitMark& mark);

#endif  // SONGWHIM_PLATFORM_TREE_WALK_H_
