#include "source/options.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include "base/state.h"
#include "base/text.h"
#include "platform/console.h"
#include "platform/track_tags.h"
#include "playlist/track_filter.h"
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
      "                [-only TEXT]... [-skip TEXT]... [-albums N] [-fresh]\n"
      "                [-minutes M] [-even] [-spread] [-tags] [-copy DIR]\n"
      "                [-megabytes N]\n"
      "\n"
      "  -tracks N       put N tracks in the playlist (default 20)\n"
      "  -build          build the library from the paths file\n"
      "  -library FILE   library file to use (default library.txt)\n"
      "  -paths FILE     paths file to use (default paths.ini)\n"
      "  -shuffle        pick the tracks by a fair shuffle of the whole library\n"
      "  -only TEXT      pick only tracks whose path holds TEXT, in any case;\n"
      "                  given more than once, tracks holding any of them\n"
      "  -skip TEXT      never pick tracks whose path holds TEXT (wins over -only)\n"
      "  -albums N       pick N whole albums (the tracks of one folder, in order)\n"
      "                  instead of tracks\n"
      "  -fresh          pick no track again until every track has been picked;\n"
      "                  the picks are kept beside the library in LIBRARY.played\n"
      "  -minutes M      fill M minutes instead of a number of tracks, never more,\n"
      "                  with the tracks' titles for the player (-tracks and\n"
      "                  -albums are ignored with it)\n"
      "  -even           every artist as likely, then each of its tracks (or\n"
      "                  albums); no artist twice before every artist has one\n"
      "  -spread         order the picks so that no artist comes twice in a row\n"
      "                  where they allow it (albums stay whole)\n"
      "  -copy DIR       copy the picks into the folder DIR (a USB stick, an SD\n"
      "                  card) instead of playing them, filling what it has free;\n"
      "                  a later -copy to it keeps what it picks again, removes\n"
      "                  its other copies and never touches other files\n"
      "  -megabytes N    with -copy, copy at most N MB\n"
      "  -tags           with -build, keep the tracks' tags beside the library in\n"
      "                  LIBRARY.tags; later builds refresh it. Then -only and\n"
      "                  -skip take FIELD:TEXT for FIELD among artist, album,\n"
      "                  title, genre and year (year:1970..1979 is a range)\n"
      "\n"
      "Without -shuffle, the tracks are picked by random walks through the\n"
      "library: quick, but a pick may repeat, two runs in the same second give\n"
      "the same playlist, and in a library of more than about 600 000 lines the\n"
      "end is never reached. With -shuffle every track is as likely to be\n"
      "picked, none is picked twice and each run differs; it reads the whole\n"
      "library once. -only, -skip, -albums, -fresh and -minutes pick the same\n"
      "fair way, with or without -shuffle.\n"
      "\n"
      "The paths file has three sections, one entry per line:\n"
      "  [add]        folders to search for tracks\n"
      "  [ignore]     path prefixes whose tracks are left out\n"
      "  [filetypes]  file types to keep, such as mp3 or flac\n"
      "\n"
      "Without a library file the library is built first. Otherwise random.m3u\n"
      "is written in the working folder and opened in your player.\n");
}

namespace {

bool Lacks(const char* option, const char* what) {
  Print("%s needs %s\n", option, what);
  return false;
}

// A text for -only or -skip that asks for a field but cannot be looked
// for is told now, before the run touches anything.
bool Checked(const char* text) {
  std::string err;
  if (CheckSelectionText(text, &err)) return true;
  Print("%s - no playlist made\n", err.c_str());
  return false;
}

// The options that choose what a playlist may hold. False when one of them
// lacks its value.
bool ScanSelection(const char* argument, const char* value, PlaylistChoice* choice) {
  if (SameNoCase(argument, "-only", 6)) {
    if (!value) return Lacks("-only", "a text to look for");
    choice->only.push_back(value);
    Print("Only tracks holding %s\n", value);
    if (!Checked(value)) return false;
  }
  if (SameNoCase(argument, "-skip", 6)) {
    if (!value) return Lacks("-skip", "a text to look for");
    choice->skip.push_back(value);
    Print("Skipping tracks holding %s\n", value);
    if (!Checked(value)) return false;
  }
  if (SameNoCase(argument, "-albums", 8)) {
    int albums = value && *value ? ReadNumber(value) : 0;
    if (albums <= 0) return Lacks("-albums", "a number of albums above 0");
    choice->albums = albums;
    Print("Number of albums set to %d\n", albums);
  }
  if (SameNoCase(argument, "-minutes", 9)) {
    int minutes = value && *value ? ReadNumber(value) : 0;
    if (minutes <= 0) return Lacks("-minutes", "a number of minutes above 0");
    if (!CanReadTrackTags())
      return Lacks("-minutes", "track lengths, which this build of songwhim cannot read");
    choice->minutes = minutes;
    Print("Playlist time set to %d %s\n", minutes, minutes == 1 ? "minute" : "minutes");
  }
  if (SameNoCase(argument, "-even", 6)) {
    choice->even = true;
    Print("Even chance for every artist\n");
  }
  if (SameNoCase(argument, "-spread", 8)) {
    choice->spread = true;
    Print("Spread: no artist twice in a row\n");
  }
  if (SameNoCase(argument, "-copy", 6)) {
    if (!value) return Lacks("-copy", "a folder to copy to");
    choice->copy_to = value;
    Print("Copying to %s\n", value);
  }
  if (SameNoCase(argument, "-megabytes", 11)) {
    int megabytes = value && *value ? ReadNumber(value) : 0;
    if (megabytes <= 0) return Lacks("-megabytes", "a number of megabytes above 0");
    choice->megabytes = megabytes;
    Print("Copy size set to %d MB\n", megabytes);
  }
  if (SameNoCase(argument, "-fresh", 7)) {
    choice->fresh = true;
    Print("Fresh Mode - no track again until every track has been picked\n");
  }
  return true;
}

}  // namespace

bool ScanOptions(int argc, char** argv, int* GotoMode, PlaylistChoice* choice,
                 BuildChoice* build) {
  bool whole = true;
  for (int n = 1; n < argc; ++n) {
    const char* argument = argv[n];
    if (SameNoCase(argument, "-tracks", 7)) {
      const char* value = ValueAfter(argc, argv, n);
      int many2 = 0;
      if (value && *value) many2 = ReadNumber(value);
      if (many2 > 0) choice->many = many2;
      choice->tracks_given = choice->tracks_given || many2 > 0;
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
    if (SameNoCase(argument, "-tags", 6)) {
      build->tags = true;
      Print("Tag Index Mode - a build keeps the tracks' tags beside the library\n");
    }
    whole = ScanSelection(argument, ValueAfter(argc, argv, n), choice) && whole;
  }
  return whole;
}
