#include "source/modes.h"

#include <cstdio>
#include <string>

#include "base/state.h"
#include "library/build.h"
#include "platform/files.h"
#include "platform/platform.h"

namespace {

const char kDashes18[] = "------------------\n";
const char kDashes20[] = "--------------------\n";

bool CanOpen(const std::string& name) {
  std::FILE* file = OpenFile(name, "r");
  if (!file) return false;
  std::fclose(file);
  return true;
}

void WaitForEnter() {
  DiscardTypedAhead();
  std::printf("Press Enter to quit...\n");
  std::fflush(stdout);
  std::getchar();
  std::printf("%s", kDashes18);
}

}  // namespace

void ProbeFiles(int* GotoMode) {
  if (!CanOpen(Library) && *GotoMode == kMakePlaylist) {
    *GotoMode = kBuildLibrary;
    std::printf("%s not found.\n%sLibrary Builder Mode\n%s", Library.c_str(), kDashes18,
                kDashes20);
  }
  if (!CanOpen(Paths) && *GotoMode == kBuildLibrary) {
    *GotoMode = kDoNothing;
    std::printf("Path file not found.\n%s\nCreate path file, then restart.\n",
                Paths.c_str());
    WaitForEnter();
  }
}

bool RunMode(int GotoMode, const PlaylistChoice& choice) {
  if (GotoMode == kMakePlaylist) return MakePlaylist(choice);
  if (GotoMode == kBuildLibrary) return MakeLibrary();
  return true;
}
