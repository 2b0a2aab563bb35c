#include "library/build.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include "base/line_reader.h"
#include "base/state.h"
#include "base/work_files.h"
#include "library/build_lock.h"
#include "library/filter.h"
#include "library/listing.h"
#include "library/merge.h"
#include "library/paths_file.h"
#include "platform/files.h"

namespace {

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
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

void CatchInterrupts() {
  std::signal(SIGINT, StopBuild);
  std::signal(SIGTERM, StopBuild);
#ifdef SIGHUP
  std::signal(SIGHUP, StopBuild);
#endif
}

// Reads the paths file, listing each [add] folder as it comes, and keeps the
// tables for the filter.
bool ReadPaths(std::string* err) {
  std::FILE* file = OpenFile(Paths, "r");
  if (!file) {
    *err = "Cannot open paths file " + Paths + ": " + std::strerror(errno);
    return false;
  }
  LineReader reader(file);
  PathsTables tables;
  bool read = ReadPathsFile(&reader, Paths, MakeDir, &tables, err);
  std::fclose(file);
  Remove = std::move(tables.ignore);
  Allow = std::move(tables.filetypes);
  return read;
}

// Reads the paths file, merges the listings and filters them into the library.
bool Build(std::string* err) {
  int filecount = 0;
  if (!ReadPaths(err) || !MergeListings(err) ||
      !FilterTracks(temporary_library, &filecount, err))
    return false;
  if (!RenameOver(temporary_library, Library, err)) {
    *err = "Cannot replace " + Library + ": " + *err;
    return false;
  }
  std::printf("--------------------\n\n");
  std::printf("Library Playlist Complete - %d tracks counted.\n", filecount);
  return true;
}

bool LockedBuild(std::string* err) {
  temporary_library = PartName(Library);
  CatchInterrupts();
  if (!LockBuild(Library, err)) return false;
  building = 1;
  bool built = Build(err);
  RemoveBuildFiles();
  building = 0;
  UnlockBuild();
  return built;
}

}  // namespace

bool MakeLibrary() {
  std::string err;
  if (LockedBuild(&err)) return true;
  std::printf("%s - library not changed\n", err.c_str());
  return false;
}
