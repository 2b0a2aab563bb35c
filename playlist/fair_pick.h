// The fair picks: tracks or whole albums drawn evenly from the library lines
// the filters let through, in one pass over the library, and with -fresh
// from those not picked yet in this round.
#ifndef SONGWHIM_PLAYLIST_FAIR_PICK_H_
#define SONGWHIM_PLAYLIST_FAIR_PICK_H_

#include <random>
#include <string>
#include <unordered_set>
#include <vector>

#include "base/line_reader.h"
#include "base/shared_work.h"
#include "playlist/artist.h"
#include "playlist/played_record.h"
#include "playlist/track_filter.h"

// What a fair pick gives.
struct FairPicks {
  // The tracks' lines as they came (see Track): those not picked yet in this
  // round, in random order, then (when too few were left) a new round's, in
  // random order.
  std::vector<std::string> tracks;
  std::size_t fresh = 0;   // how many come first
  long long let = 0;       // library lines the filters let through
  bool new_round = false;  // the round ran out, and a new one began
  bool outgrown = false;   // the record holds more tracks than the library has lines
  bool all = false;        // every track the filters let through is among them
  std::vector<std::size_t> albums;  // where each album begins in `tracks`
};

// Where a pick draws from: the library's lines (or, when `indexed`, its tag
// index's, past the header), the tracks it may keep, and, for -fresh, the
// record of what this round has picked (or null). A record's lines, and
// the index's, are worked on with `work`'s helper, while a wide reader reads
// on.
struct PickSource {
  LineReader* library;
  TrackFilter* filter;
  const PlayedRecord* played;
  std::mt19937_64* random;
  SharedWork* work = nullptr;
  bool indexed = false;
  // Gets the key of every track the filters let through, when not null.
  std::unordered_set<std::uint64_t>* let_keys = nullptr;
  // With -even, who tracks are by: every artist is then as likely, and then
  // each of its tracks (or albums), in rounds of one each.
  const Artists* artists = nullptr;
};

// Picks `many` tracks, none twice, every track the filters let through as
// likely (a track is a library line; blank lines name none, and equal lines
// name one track), in an order as random as the choice. With a record, lines it holds
// are picked only when fewer than `many` others are left: the round then ends
// with all of those, and a new round's fill up the picks.
FairPicks PickTracks(const PickSource& source, int many);

// The same for `many` albums: runs of consecutive lines in one folder (the
// line up to its last separator; a folder listed twice is one album), each
// with the lines of it the filters let through, in library order. An album counts as
// picked in this round when any of those lines does.
FairPicks PickAlbums(const PickSource& source, int many);

#endif  // SONGWHIM_PLAYLIST_FAIR_PICK_H_
