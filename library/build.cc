#include "library/build.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "base/line_reader.h"
#include "base/state.h"
#include "base/work_files.h"
#include "library/build_lock.h"
#include "library/filter.h"
#include "library/index_build.h"
#include "library/listing.h"
#include "library/listing_count.h"
#include "library/merge.h"
#include "library/paths_file.h"
#include "platform/console.h"
#include "platform/files.h"
#include "platform/platform.h"

namespace {

// The file the library's name leads to, through any links: the new library
// replaces it in its own folder, so a link stays a link.
std::string library_file;

// The library is written beside itself and renamed over the old one only when
// complete, so a failed build never leaves a half-written library behind. The
// name is made once, before the build starts, so an interrupt can use it
// without allocating.
std::string temporary_library;

// The tag index beside it, the new index while this build writes it, and
// the old one, kept aside once the new one is in place until the library is.
std::string index_file;
std::string temporary_index;
std::string index_aside;

// What to do to put the old index back: 0 nothing, 1 move it back from
// `index_aside`, 2 remove the new one (there was none before).
volatile std::sig_atomic_t index_undo = 0;

// Puts the index back as it was before the new one went in place. Safe to
// call from a signal handler.
void PutBackIndex() {
  if (index_undo == 1) {
    std::remove(index_file.c_str());
    std::rename(index_aside.c_str(), index_file.c_str());
  } else if (index_undo == 2) {
    std::remove(index_file.c_str());
  }
  index_undo = 0;
}

// Deletes whatever temporary files this build has made so far. Safe to call
// from a signal handler.
void RemoveBuildFiles() {
  char name[kListingNameSize];
  for (int n = 1; n <= PCount; ++n) {
    FormatListingName(n, name);
    std::remove(name);
  }
  std::remove(kMergeFile);
  std::remove(temporary_library.c_str());
  std::remove(temporary_index.c_str());
  PutBackIndex();
}

// Set once this build holds its locks: only then are the temporary files its own.
volatile std::sig_atomic_t building = 0;

// An interrupted build removes what it made and leaves the library as it was.
extern "C" void StopBuild(int signal) {
  if (building) {
    RemoveBuildFiles();
    UnlockBuild();
  }
  EndBySignal(signal);
}

// Listings beyond the ones this build makes, left by a build that was killed
// before it could remove them. With the working folder's lock held, no build
// can be using them.
void RemoveLeftovers() {
  for (int n = 1; Exists(ListingName(n)); ++n) RemoveFile(ListingName(n));
  RemoveFile(index_aside);
}

// Reads the paths file, listing each [add] folder as it comes, and keeps the
// tables for the filter.
bool ReadPaths(std::string* err) {
  std::FILE* file = nullptr;
  if (!OpenForReading(Paths, &file, err)) {
    *err = "Cannot read paths file " + Paths + ": " + *err;
    return false;
  }
  LineReader reader(file);
  PathsTables tables;
  bool read = ReadPathsFile(&reader, Paths, MakeDir, &tables, err);
  std::fclose(file);
  Remove = std::move(tables.ignore);
  Allow = AllowTable(std::move(tables.filetypes));
  return read;
}

// Writes the new library's tag index, with a console line that counts the
// tracks as their tags are read.
bool Index(int filecount, std::string* err) {
  std::string line = "Reading Track Tags ";
  PrintText(line);
  FlushOutput();
  ListingCount count(line, "tracks");
  IndexCount counted;
  std::string note;
  bool written = WriteIndex(
      temporary_library, filecount, index_file, temporary_index,
      [&](long long tracks) { count.Show(tracks); }, &counted, &note, err);
  count.Erase();
  Print(written ? "... Complete\n" : "\n");
  if (!note.empty()) Print("%s\n", note.c_str());
  if (!written) return false;
  std::string unknown;
  if (counted.unknown_length > 0)
    unknown = ", " + std::to_string(counted.unknown_length) + " of unknown length";
  Print(
      "Tag Index Complete - %lld tracks: %lld files opened, %lld reused, %lld "
      "unreadable%s.\n",
      counted.tracks, counted.opened, counted.reused, counted.unreadable,
      unknown.c_str());
  return true;
}

// Puts the new index in place, keeping the old one aside until the library
// is in place too.
bool PlaceIndex(std::string* err) {
  if (Exists(index_file) && !KeepAside(index_file, index_aside, err)) {
    *err = "Cannot keep " + index_file + " aside as " + index_aside + ": " + *err;
    return false;
  }
  index_undo = Exists(index_aside) ? 1 : 2;
  if (RenameOver(temporary_index, index_file, err)) return true;
  *err = "Cannot replace " + index_file + ": " + *err;
  PutBackIndex();
  return false;
}

// Reads the paths file, merges the listings, filters them into the library
// and writes its index. The two are put in place together: should the
// library fail to go in place, the old index is put back.
bool Build(const BuildChoice& choice, std::string* err) {
  int filecount = 0;
  if (!ReadPaths(err) || !MergeListings(err) ||
      !FilterTracks(temporary_library, &filecount, err))
    return false;
  bool indexed = choice.tags || Exists(index_file);
  if (indexed && (!Index(filecount, err) || !PlaceIndex(err))) return false;
  if (!RenameOver(temporary_library, library_file, err)) {
    *err = "Cannot replace " + Library + ": " + *err;
    PutBackIndex();
    return false;
  }
  index_undo = 0;
  RemoveFile(index_aside);
  Print("--------------------\n\n");
  Print("Library Playlist Complete - %d tracks counted.\n", filecount);
  return true;
}

bool LockedBuild(const BuildChoice& choice, std::string* err) {
  library_file = FollowLinks(Library);
  temporary_library = PartName(library_file);
  index_file = TagsName(library_file);
  temporary_index = PartName(index_file);
  index_aside = UndoName(index_file);
  CatchEndingSignals(StopBuild);
  if (!LockBuild(library_file, err)) return false;
  building = 1;
  RemoveLeftovers();
  bool built = false;
  try {
    built = Build(choice, err);
  } catch (const std::bad_alloc&) {
    *err = "Out of memory";
  }
  RemoveBuildFiles();
  building = 0;
  UnlockBuild();
  return built;
}

}  // namespace

bool MakeLibrary(const BuildChoice& choice) {
  std::string err;
  if (LockedBuild(choice, &err)) return true;
  Print("%s - library not changed\n", err.c_str());
  return false;
}
