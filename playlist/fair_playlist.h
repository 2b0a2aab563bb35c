// The fair ways to a playlist: -only, -skip, -albums, -fresh and -minutes
// (and -shuffle with any of them). A short pipeline: the tracks of the
// library or its tag index, the filters, a way of picking, an order, and the
// playlist file, with the round's record kept beside it. Everything is picked
// before the playlist is touched, and the playlist is put in place only once
// the record holds its tracks, so a run that fails leaves both as they were.
#ifndef SONGWHIM_PLAYLIST_FAIR_PLAYLIST_H_
#define SONGWHIM_PLAYLIST_FAIR_PLAYLIST_H_

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "base/line_reader.h"
#include "playlist/artist.h"
#include "playlist/playlist.h"
#include "playlist/playlist_file.h"

// Makes the playlist `choice` asks for from the open library file `library`.
// False, with `err` saying why, when none is made.
bool MakeFairPlaylist(std::FILE* library, const PlaylistChoice& choice,
                      PlaylistFile* playlist, std::string* err);

// Puts `tracks` (lines as they came, from the index when `indexed`; albums
// beginning at `albums`, when any, which stay whole) in the -spread order.
void SpreadPicks(std::vector<std::string>* tracks, const std::vector<std::size_t>& albums,
                 bool indexed, const Artists& artists, std::mt19937_64* random);

// Why the library could not be read to its end, for a reader that stopped.
std::string LibraryProblem(const LineReader& reader);

// Says how many tracks the playlist got, and what else `more` says, and
// closes it; false, with `err` saying why, when it could not be written.
bool FinishPlaylist(PlaylistFile* playlist, std::string* err,
                    const std::string& more = "");

#endif  // SONGWHIM_PLAYLIST_FAIR_PLAYLIST_H_
