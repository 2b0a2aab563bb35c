// The playlist maker: picks tracks from the library file, writes the playlist
// and hands it to the user's player.
#ifndef SONGWHIM_PLAYLIST_PLAYLIST_H_
#define SONGWHIM_PLAYLIST_PLAYLIST_H_

#include <string>
#include <vector>

// How the tracks are to be picked.
struct PlaylistChoice {
  int many = 20;                  // tracks to pick
  bool shuffle = false;           // a fair shuffle of the whole library, not random walks
  std::vector<std::string> only;  // pick only lines holding one of these
  std::vector<std::string> skip;  // never pick lines holding one of these
  int albums = 0;                 // whole albums to pick instead of tracks, or 0
  bool fresh = false;             // nothing picked again until the round is over
  int minutes = 0;                // fill this many minutes instead, or 0
  bool even = false;              // every artist as likely, then each of its tracks
  bool spread = false;            // no artist twice in a row where the picks allow
  std::vector<std::string> roots;  // the [add] folders, as the listings name them
  bool tracks_given = false;       // -tracks was given
  std::string copy_to;             // copy the picks into this folder instead
  long long megabytes = 0;         // with copy_to: at most this many MB, or 0

  // True when the choice needs a look at every line: the walks cannot filter,
  // count albums, keep a round, try tracks for a time or weigh artists and
  // stay fair, so these pick fairly; so does a shuffle that is spread, which
  // may then read what the tag index says of the artists, and a copy.
  bool Selective() const {
    return !only.empty() || !skip.empty() || albums > 0 || fresh || minutes > 0 || even ||
           (spread && shuffle) || !copy_to.empty();
  }
};

// Picks the tracks from the library file named by `Library`, writes the
// playlist and starts the player. Returns false, after saying why, when the
// playlist cannot be made; no playlist is then left behind unless it could
// not be created at all.
bool MakePlaylist(const PlaylistChoice& choice);

#endif  // SONGWHIM_PLAYLIST_PLAYLIST_H_
