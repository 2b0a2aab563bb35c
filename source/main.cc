// Songwhim: keeps a library of the music files under the user's folders and
// makes a random playlist from it on each ordinary run.
#include <cstdio>

#include "library/library.h"
#include "playlist/playlist.h"
#include "source/options.h"

int main(int argc, char** argv) {
  int many = 20;
  int GotoMode = kMakePlaylist;
  bool shuffle = false;
  PrintBanner();
  if (WantsHelp(argc, argv)) {
    PrintUsage();
    return 0;
  }
  ScanOptions(argc, argv, &many, &GotoMode, &shuffle);
  std::printf("\n");
  ProbeFiles(&GotoMode);
  bool ok = true;
  if (GotoMode == kMakePlaylist)
    ok = shuffle ? ShufflePlaylist(many) : MakePlaylist(many);
  if (GotoMode == kBuildLibrary) ok = MakeLibrary();
  std::fflush(stdout);
  return ok ? 0 : 1;
}
