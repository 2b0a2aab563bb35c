// The playlist maker: random walks through the library file pick the tracks of
// "random.m3u", which then goes to the user's player.
#ifndef SONGWHIM_PLAYLIST_PLAYLIST_H_
#define SONGWHIM_PLAYLIST_PLAYLIST_H_

#include <cstdio>
#include <functional>
#include <string>

#include "source/output_file.h"
#include "source/text.h"

extern const char kPlaylistFile[];

// Picks `many` tracks, writes the playlist and starts the player. Returns
// false, after saying why, when the playlist cannot be written.
bool MakePlaylist(int many);

// Picks the tracks by a fair shuffle of the whole library instead: every
// track as likely, none twice. Otherwise as MakePlaylist.
bool ShufflePlaylist(int many);

// What a way of picking did.
struct Picked {
  int added = 0;        // picks written
  std::string problem;  // what is wrong with a line that no library holds, or ""
  int error = 0;        // errno of a failed read, or 0
};
Picked PickedBy(const LineReader& reader, int added);

// Writes the picks of the library file it is given into the playlist.
using Picker = std::function<Picked(std::FILE* library, OutputFile* playlist)>;

// What MakePlaylist and ShufflePlaylist share: opens the library and the
// playlist, has `pick` fill it, says what came of it and starts the player.
bool WritePlaylist(const Picker& pick);

// Writes one pick, with a line feed at its end.
void WritePick(std::string* line, OutputFile* playlist);

// Where a walk stands in the open library file.
struct LibraryCursor {
  explicit LibraryCursor(std::FILE* file) : reader(file) {}

  LineReader reader;
  long long position = 0;  // line held in `Path`; 0 before the first line
  long long lines = 0;     // lines in the file, once a walk has come round it
  bool empty = false;      // the file holds no line at all
};

// Steps `steps` lines forward, going back to the first line after the last,
// and leaves the line it stops on in `Path`.
void Walk(LibraryCursor* cursor, int steps);

#endif  // SONGWHIM_PLAYLIST_PLAYLIST_H_
