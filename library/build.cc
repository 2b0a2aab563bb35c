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
#include "library/listing.h"
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

// Reads the paths file, merges the listings and filters them into the library.
bool Build(std::string* err) {
  int filecount = 0;
  if (!ReadPaths(err) || !MergeListings(err) ||
      !FilterTracks(temporary_library, &filecount, err))
    return false;
  if (!RenameOver(temporary_library, library_file, err)) {
    *err = "Cannot replace " + Library + ": " + *err;
    return false;
  }
  Print("--------------------\n\n");
  Print("Library Playlist Complete - %d tracks counted.\n", filecount);
  return true;
}

bool LockedBuild(std::string* err) {
  library_file = FollowLinks(Library);
  temporary_library = PartName(library_file);
  CatchEndingSignals(StopBuild);
  if (!LockBuild(library_file, err)) return false;
  building = 1;
  RemoveLeftovers();
  bool built = false;
  try {
    built = Build(err);
  } catch (const std::bad_alloc&) {
    *err = "Out of memory";
  }
  RemoveBuildFiles();
  building = 0;
  UnlockBuild();
  return built;
}

}  // namespace

bool MakeLibrary() {
  std::string err;
  if (LockedBuild(&err)) return true;
  Print("%s - library not changed\n", err.c_str());
  return false;
}
