// The copy to a device as a way out of the fair pipeline, beside the
// playlist file: the picks, each with what the index or the file tells of
// it, go to the device that copy/ writes, in the order -spread and -even
// give them, and the round's record hears which are there.
#ifndef SONGWHIM_PLAYLIST_DEVICE_PICKS_H_
#define SONGWHIM_PLAYLIST_DEVICE_PICKS_H_

#include <random>
#include <string>
#include <vector>

#include "copy/device_copy.h"
#include "playlist/artist.h"
#include "playlist/fair_pick.h"
#include "playlist/playlist.h"

// How many tracks (or albums) to draw for a copy: what the choice asks for,
// and some to spare for those that do not fit; for a fill, enough to fill
// the room the device has, within a bound.
int CopyDraw(const PlaylistChoice& choice, const DeviceCopy& device, bool indexed);

// Copies what of `picks` fits to the device open in `device`, and says what
// it did. `round` gets the library lines this round of -fresh counts as
// picked. False, with `err` saying why, when nothing fits or the device
// failed.
bool CopyPicks(const PlaylistChoice& choice, FairPicks* picks, bool indexed,
               const Artists& artists, std::mt19937_64* random, DeviceCopy* device,
               std::vector<std::string>* round, std::string* err);

#endif  // SONGWHIM_PLAYLIST_DEVICE_PICKS_H_
