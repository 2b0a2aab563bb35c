// The playlist's random walks: each walk steps a random number of lines on
// through the library file, going back to the first line after the last, and
// the line it stops on is a pick.
#ifndef SONGWHIM_PLAYLIST_RANDOM_WALK_H_
#define SONGWHIM_PLAYLIST_RANDOM_WALK_H_

#include <functional>
#include <string>

#include "base/line_reader.h"

// Where a walk stands in the library.
struct LibraryCursor {
  explicit LibraryCursor(LineReader* library) : reader(library) {}

  LineReader* reader;
  long long position = 0;  // line held in `Path`; 0 before the first line
  long long lines = 0;     // lines in the file, once a walk has come round it
  bool empty = false;      // the file holds no line at all
};

// Steps `steps` lines forward and leaves the line it stops on in `Path`.
void Walk(LibraryCursor* cursor, int steps);

// Hears each pick: its line and where it stands in the library (from 1).
// False stops the walks.
using TakePick = std::function<bool(const std::string& line, long long position)>;

// Seeds the C library's generator with the time in seconds, makes 20 to 39
// walks, then one walk for each of `many` picks, and hands each pick to
// `take`. Stops early at a bad line, as the reader does, or when `take` says.
void PickByWalks(LineReader* library, int many, const TakePick& take);

#endif  // SONGWHIM_PLAYLIST_RANDOM_WALK_H_
