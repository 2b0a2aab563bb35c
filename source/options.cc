#include "source/options.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include "base/state.h"
#include "base/text.h"
#include "platform/console.h"
#include "source/modes.h"

namespace {

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

}  // namespace

void PrintBanner() {
  Print("\n\n");
  Print("*****   Songwhim v0.2  *****\n");
  Print("**  Random playlist maker **\n");
  Print("***** for your library *****\n\n\n");
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
  Print(
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

void ScanOptions(int argc, char** argv, int* GotoMode, PlaylistChoice* choice) {
  for (int n = 1; n < argc; ++n) {
    const char* argument = argv[n];
    if (SameNoCase(argument, "-tracks", 7)) {
      const char* value = ValueAfter(argc, argv, n);
      int many2 = 0;
      if (value && *value) many2 = ReadNumber(value);
      if (many2 > 0) choice->many = many2;
      Print("Number of tracks set to %d\n", choice->many);
    }
    if (SameNoCase(argument, "-build", 6)) {
      *GotoMode = kBuildLibrary;
      Print("Library Builder Mode\n%s", kDashes20);
    }
    if (SameNoCase(argument, "-library", 8)) {
      if (const char* value = ValueAfter(argc, argv, n)) Library = value;
      Print("Using Library set %s\n", Library.c_str());
    }
    if (SameNoCase(argument, "-paths", 8)) {
      if (const char* value = ValueAfter(argc, argv, n)) Paths = value;
      Print("Using Path set %s\n", Paths.c_str());
    }
    if (SameNoCase(argument, "-shuffle", 9)) {
      choice->shuffle = true;
      Print("Shuffle Mode - every track as likely, none twice\n");
    }
  }
}
