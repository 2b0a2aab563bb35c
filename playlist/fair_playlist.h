// The fair ways to a playlist: -only, -skip, -albums, -fresh and -minutes
// (and -shuffle with any of them). A short pipeline: the tracks of the
// library or its tag index, the filters, a way of picking, an order, and the
// playlist file, with the round's record kept beside it. Everything is picked
// before the playlist is touched, and the playlist is put in place only once
// the record holds its tracks, so a run that fails leaves both as they were.
#ifndef SONGWHIM_PLAYLIST_FAIR_PLAYLIST_H_
#define SONGWHIM_PLAYLIST_FAIR_PLAYLIST_H_

#include <cstdio>
#include <string>

#include "base/line_reader.h"
#include "playlist/playlist.h"
#include "playlist/playlist_file.h"

// Makes the playlist `choice` asks for from the open library file `library`.
// False, with `err` saying why, when none is made.
bool MakeFairPlaylist(std::FILE* library, const PlaylistChoice& choice,
                      PlaylistFile* playlist, std::string* err);

// Why the library could not be read to its end, for a reader that stopped.
std::string LibraryProblem(const LineReader& reader);

// Says how many tracks the playlist got, and what else `more` says, and
// closes it; false, with `err` saying why, when it could not be written.
bool FinishPlaylist(PlaylistFile* playlist, std::string* err,
                    const std::string& more = "");

#endif  // SONGWHIM_PLAYLIST_FAIR_PLAYLIST_H_
