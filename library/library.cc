#include "library/library.h"

#include <cerrno>
#include <cstring>

#include "platform/platform.h"
#include "source/state.h"

namespace {

// The library is written beside itself and renamed over the old one only when
// complete, so a failed build never leaves a half-written library behind.
std::string TemporaryLibrary() {
  return Library + ".part";
}

}  // namespace

void RemoveBuildFiles() {
  for (int n = 1; n <= PCount; ++n) std::remove(ListingName(n).c_str());
  std::remove(kMergeFile);
  std::remove(TemporaryLibrary().c_str());
}

bool MakeLibrary() {
  std::FILE* paths = std::fopen(Paths.c_str(), "r");
  if (!paths) {
    std::printf("Cannot open paths file %s: %s\n", Paths.c_str(), std::strerror(errno));
    return false;
  }
  int filecount = 0;
  bool ok = ReadPathsFile(paths) && MergeListings() &&
            FilterTracks(TemporaryLibrary(), &filecount);
  std::fclose(paths);
  if (ok && !RenameOver(TemporaryLibrary(), Library)) {
    std::printf("Cannot replace %s: %s - library not changed\n", Library.c_str(),
                std::strerror(errno));
    ok = false;
  }
  RemoveBuildFiles();
  if (!ok) return false;
  std::printf("--------------------\n\n");
  std::printf("Library Playlist Complete - %d tracks counted.\n", filecount);
  return true;
}
