// Songwhim: keeps a library of the music files under the user's folders and
// makes a random playlist from it on each ordinary run.
#include <cstdio>

#include "playlist/playlist.h"
#include "source/modes.h"
#include "source/options.h"

int main(int argc, char** argv) {
  int GotoMode = kMakePlaylist;
  PlaylistChoice choice;
  PrintBanner();
  if (WantsHelp(argc, argv)) {
    PrintUsage();
    return 0;
  }
  ScanOptions(argc, argv, &GotoMode, &choice);
  std::printf("\n");
  bool ok = ProbeFiles(&GotoMode) && RunMode(GotoMode, choice);
  std::fflush(stdout);
  return ok ? 0 : 1;
}
