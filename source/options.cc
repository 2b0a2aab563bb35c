#include "source/options.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include "platform/platform.h"
#include "source/state.h"
#include "source/text.h"

namespace {

const char kDashes18[] = "------------------\n";
const char kDashes20[] = "--------------------\n";

// The standard library's atoi, but a number too large for the count gives the
// largest count rather than undefined behaviour.
int ReadNumber(const char* text) {
  long value = std::strtol(text, nullptr, 10);
  return static_cast<int>(std::clamp<long>(value, INT_MIN, INT_MAX));
}

// An option that takes a value takes the next argument; as the last argument it
// has none.
const char* ValueAfter(int argc, char** argv, int n) {
  return n + 1 < argc ? argv[n + 1] : nullptr;
}

bool CanOpen(const std::string& name) {
  std::FILE* file = std::fopen(name.c_str(), "r");
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

void PrintBanner() {
  std::printf("\n\n");
  std::printf("*****   Songwhim v0.2  *****\n");
  std::printf("**  Random playlist maker **\n");
  std::printf("***** for your library *****\n\n\n");
}

bool WantsHelp(int argc, char** argv) {
  const char* words[] = {"-help", "--help", "-h", "-?", "/?"};
  for (int n = 1; n < argc; ++n) {
    for (const char* word : words) {
      // Compared past the word's end, so only the whole word matches.
      if (SameNoCase(argv[n], word, 16)) return true;
    }
  }
  return false;
}

void PrintUsage() {
  std::printf(
      "Usage: songwhim [-tracks N] [-build] [-library FILE] [-paths FILE] [-shuffle]\n"
      "\n"
      "  -tracks N       put N tracks in the playlist (default 20)\n"
      "  -build          build the library from the paths file\n"
      "  -library FILE   library file to use (default library.txt)\n"
      "  -paths FILE     paths file to use (default paths.ini)\n"
      "  -shuffle        pick the tracks by a fair shuffle of the whole library\n"
      "\n"
      "Without -shuffle, the tracks are picked by random walks through the\n"
      "library: quick, but a pick may repeat, two runs in the same second give\n"
      "the same playlist, and in a library of more than about 600 000 lines the\n"
      "end is never reached. With -shuffle every track is as likely to be\n"
      "picked, none is picked twice and each run differs; it reads the whole\n"
      "library once.\n"
      "\n"
      "The paths file has three sections, one entry per line:\n"
      "  [add]        folders to search for tracks\n"
      "  [ignore]     path prefixes whose tracks are left out\n"
      "  [filetypes]  file types to keep, such as mp3 or flac\n"
      "\n"
      "Without a library file the library is built first. Otherwise random.m3u\n"
      "is written in the working folder and opened in your player.\n");
}

void ScanOptions(int argc, char** argv, int* many, int* GotoMode, bool* shuffle) {
  for (int n = 1; n < argc; ++n) {
    Path = argv[n];
    if (SameNoCase(Path, "-tracks", 7)) {
      const char* value = ValueAfter(argc, argv, n);
      int many2 = 0;
      if (value && *value) many2 = ReadNumber(value);
      if (many2 > 0) *many = many2;
      std::printf("Number of tracks set to %d\n", *many);
    }
    if (SameNoCase(Path, "-build", 6)) {
      *GotoMode = kBuildLibrary;
      std::printf("Library Builder Mode\n%s", kDashes20);
    }
    if (SameNoCase(Path, "-library", 8)) {
      if (const char* value = ValueAfter(argc, argv, n)) Library = value;
      std::printf("Using Library set %s\n", Library.c_str());
    }
    if (SameNoCase(Path, "-paths", 8)) {
      if (const char* value = ValueAfter(argc, argv, n)) Paths = value;
      std::printf("Using Path set %s\n", Paths.c_str());
    }
    if (SameNoCase(Path, "-shuffle", 9)) {
      *shuffle = true;
      std::printf("Shuffle Mode - every track as likely, none twice\n");
    }
  }
}

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
