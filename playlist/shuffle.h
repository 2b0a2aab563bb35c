// The fair way of picking: a shuffle of the whole library in one pass.
#ifndef SONGWHIM_PLAYLIST_SHUFFLE_H_
#define SONGWHIM_PLAYLIST_SHUFFLE_H_

#include <random>
#include <string>
#include <vector>

#include "base/line_reader.h"
#include "playlist/playlist_file.h"

// Picks min(`many`, L) distinct lines of the L lines `reader` gives, every
// subset of that size and every order of it as likely, in a single pass that
// keeps only the picks. Stops early, as the reader does, on a bad line.
std::vector<std::string> PickLines(LineReader* reader, int many, std::mt19937_64* random);

// A generator seeded from the system's entropy and the time, so that every
// run draws anew.
std::mt19937_64 SeededGenerator();

// Adds min(`many`, L) lines of the L lines of `library` to `playlist`, drawn
// by PickLines with a newly seeded generator. Adds nothing when the library
// turns out to hold a bad line.
void PickByShuffle(LineReader* library, int many, PlaylistFile* playlist);

#endif  // SONGWHIM_PLAYLIST_SHUFFLE_H_
