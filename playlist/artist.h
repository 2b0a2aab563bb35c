// Who a track is by, for -even and -spread. With the tag index, its album
// artist, else its artist; without the index, or for a track with neither
// tag, the folder above its album's folder: in /music/Artist/Album/01 x.mp3,
// /music/Artist. A track directly in an [add] folder is its own artist, and
// so is one whose path has no folder above its album's.
#ifndef SONGWHIM_PLAYLIST_ARTIST_H_
#define SONGWHIM_PLAYLIST_ARTIST_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "playlist/track.h"

class Artists {
 public:
  // `roots` are the [add] folders as the listings name them.
  explicit Artists(const std::vector<std::string>& roots = {});

  // The artist of `track`: a name, or a folder (one that ends in a
  // separator, so that no name is taken for one).
  std::string Of(const Track& track) const;
  // The same as a key, cheaper.
  std::uint64_t KeyOf(const Track& track) const;

  // The folder an album's tracks lie in: the line up to its last separator.
  static std::string_view FolderOf(std::string_view line);

 private:
  // The artist's folder of the library line `line`, without its line end,
  // or the line itself when the track is its own artist.
  std::string_view FolderArtist(std::string_view line) const;

  // The roots, by their lengths and hashes: a track's folder is looked up
  // only when it is as long as one.
  std::unordered_set<std::size_t> root_lengths_;
  std::unordered_set<std::uint64_t> root_hashes_;
};

#endif  // SONGWHIM_PLAYLIST_ARTIST_H_
