#include "source/modes.h"

#include <cstdio>
#include <string>
#include <vector>

#include "base/line_reader.h"
#include "base/state.h"
#include "base/work_files.h"
#include "library/build.h"
#include "library/paths_file.h"
#include "platform/console.h"
#include "platform/files.h"
#include "platform/tree_walk.h"
#include "playlist/track_filter.h"

namespace {

const char kDashes18[] = "------------------\n";
const char kDashes20[] = "--------------------\n";

// Set when the library is built because there is none.
bool library_missing = false;

// True when `name` can be read; otherwise `err` says why.
bool CanRead(const std::string& name, std::string* err) {
  std::FILE* file = nullptr;
  if (!OpenForReading(name, &file, err)) return false;
  std::fclose(file);
  return true;
}

void WaitForEnter() {
  DiscardTypedAhead();
  Print("Press Enter to quit...\n");
  FlushOutput();
  std::getchar();
  Print("%s", kDashes18);
}

// A library named like one of the files a run makes would be written over or
// removed by that run.
bool LibraryNameIsFree(int GotoMode) {
  if (!IsWorkFileName(Library) || !InWorkingFolder(Library)) return true;
  Print("Cannot use %s as the library: songwhim makes a file of that name%s\n",
        Library.c_str(), GotoMode == kBuildLibrary ? " - library not changed" : "");
  return false;
}

// The [add] folders of the paths file as the listings name them, for who a
// track is by: one that lies directly in one is its own artist. None when
// the paths file cannot be read.
std::vector<std::string> AddFolders() {
  std::vector<std::string> roots;
  std::FILE* file = nullptr;
  std::string err;
  if (!OpenForReading(Paths, &file, &err)) return roots;
  LineReader reader(file);
  PathsTables tables;
  ReadPathsFile(
      &reader, Paths,
      [&](const std::string& folder, std::string*) {
        std::string root, note;
        if (WalkRoot(folder, &root, &note)) roots.push_back(root);
        return true;
      },
      &tables, &err);
  std::fclose(file);
  return roots;
}

}  // namespace

bool ProbeFiles(int* GotoMode) {
  std::string err;
  if (*GotoMode == kMakePlaylist && !CanRead(Library, &err)) {
    // A library that is there but cannot be read is no reason to build anew.
    if (Exists(Library)) {
      *GotoMode = kDoNothing;
      Print("Cannot read %s: %s\n", Library.c_str(), err.c_str());
      return false;
    }
    *GotoMode = kBuildLibrary;
    library_missing = true;
    Print("%s not found.\n%sLibrary Builder Mode\n%s", Library.c_str(), kDashes18,
          kDashes20);
  }
  if (*GotoMode == kBuildLibrary && !CanRead(Paths, &err)) {
    *GotoMode = kDoNothing;
    if (Exists(Paths)) {
      Print("Cannot read paths file %s: %s - library not changed\n", Paths.c_str(),
            err.c_str());
      return false;
    }
    Print("Path file not found.\n%s\nCreate path file, then restart.\n", Paths.c_str());
    WaitForEnter();
  }
  return true;
}

bool RunMode(int GotoMode, const PlaylistChoice& choice, const BuildChoice& build) {
  if (GotoMode != kDoNothing && !LibraryNameIsFree(GotoMode)) return false;
  if (GotoMode == kMakePlaylist && build.tags)
    Print("-tags takes effect with a build: run songwhim -build -tags\n");
  if (GotoMode == kMakePlaylist && choice.megabytes > 0 && choice.copy_to.empty())
    Print("-megabytes takes effect with -copy\n");
  if (GotoMode == kMakePlaylist &&
      (choice.even || choice.spread || !choice.copy_to.empty())) {
    PlaylistChoice with_roots = choice;
    with_roots.roots = AddFolders();
    return MakePlaylist(with_roots);
  }
  if (GotoMode == kMakePlaylist) return MakePlaylist(choice);
  if (GotoMode != kBuildLibrary) return true;
  // The library the playlist asked for, with the index its fields need.
  BuildChoice with_index = build;
  with_index.tags =
      build.tags ||
      (library_missing && !TrackFilter(choice.only, choice.skip).field_query().empty());
  return MakeLibrary(with_index);
}
