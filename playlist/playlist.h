// The playlist maker: picks tracks from the library file, writes the playlist
// and hands it to the user's player.
#ifndef SONGWHIM_PLAYLIST_PLAYLIST_H_
#define SONGWHIM_PLAYLIST_PLAYLIST_H_

// How the tracks are to be picked.
struct PlaylistChoice {
  int many = 20;         // tracks to pick
  bool shuffle = false;  // a fair shuffle of the whole library, not random walks
};

// Picks the tracks from the library file named by `Library`, writes the
// playlist and starts the player. Returns false, after saying why, when the
// playlist cannot be made; no playlist is then left behind unless it could
// not be created at all.
bool MakePlaylist(const PlaylistChoice& choice);

#endif  // SONGWHIM_PLAYLIST_PLAYLIST_H_
