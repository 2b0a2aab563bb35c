// The playlist maker: random walks through the library file pick the tracks of
// "random.m3u", which then goes to the user's player.
#ifndef SONGWHIM_PLAYLIST_PLAYLIST_H_
#define SONGWHIM_PLAYLIST_PLAYLIST_H_

#include <cstdio>

#include "source/text.h"

extern const char kPlaylistFile[];

// Picks `many` tracks, writes the playlist and starts the player. Returns
// false, after saying why, when the playlist cannot be written.
bool MakePlaylist(int many);

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
