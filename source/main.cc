// Songwhim: keeps a library of the music files under the user's folders and
// makes a random playlist from it on each ordinary run.
#include <new>
#include <string>
#include <vector>

#include "platform/console.h"
#include "platform/platform.h"
#include "playlist/playlist.h"
#include "source/modes.h"
#include "source/options.h"

namespace {

int Run(int argc, char** argv) {
  int GotoMode = kMakePlaylist;
  PlaylistChoice choice;
  BuildChoice build;
  PrintBanner();
  if (WantsHelp(argc, argv)) {
    PrintUsage();
    return 0;
  }
  if (!ScanOptions(argc, argv, &GotoMode, &choice, &build)) {
    FlushOutput();
    return 1;
  }
  Print("\n");
  bool ok = ProbeFiles(&GotoMode) && RunMode(GotoMode, choice, build);
  FlushOutput();
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> arguments = Arguments(argc, argv);
  std::vector<char*> words;
  for (std::string& argument : arguments) words.push_back(argument.data());
  words.push_back(nullptr);
  try {
    return Run(static_cast<int>(arguments.size()), words.data());
  } catch (const std::bad_alloc&) {
    Print("Out of memory\n");
    FlushOutput();
    return 1;
  }
}
