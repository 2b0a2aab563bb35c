// Picking `size` of the tracks offered one by one with every artist as
// likely: the artists get priorities from their keys and seeds drawn anew for
// each draw, the tracks of each artist priorities of their own, and the picks
// go round the artists of lowest priority, one track each a round, each
// artist's tracks in the order of their priorities. So every artist kept is
// as likely to be picked, and then each of its tracks; no track comes twice,
// and no artist twice before every artist kept has one track.
//
// One pass is enough: the priority an artist must beat only falls, so an
// artist kept at the end was kept from its first track on, and saw all of
// them. An artist needs no more tracks kept than the rounds the picks can
// reach, so memory grows with the picks and the artists kept (at most
// `size`), not with the library.
#ifndef SONGWHIM_PLAYLIST_EVEN_DRAW_H_
#define SONGWHIM_PLAYLIST_EVEN_DRAW_H_

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <random>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "playlist/distinct_draw.h"

template <typename Item>
class EvenDraw {
 public:
  EvenDraw(std::size_t size, std::mt19937_64* random) : size_(size), level_(size) {
    for (std::uint64_t& seed : seeds_) seed = (*random)();
  }

  // True when the track of `key` by the artist of `artist` would be kept now.
  bool Wants(std::uint64_t key, std::uint64_t artist) const {
    if (size_ == 0) return false;
    auto found = index_.find(artist);
    if (found == index_.end())
      return artists_.size() < size_ ||
             ArtistPriority(artist) < artists_[heap_.front()].priority;
    const Artist& known = artists_[found->second];
    if (known.tracks.size() >= level_ &&
        TrackPriority(key) >= known.tracks.front().priority)
      return false;
    return held_.count(key) == 0;
  }

  // Keeps `item`, which Wants has just asked for.
  void Take(std::uint64_t key, std::uint64_t artist, Item item) {
    auto found = index_.find(artist);
    std::size_t at = found == index_.end() ? Admit(artist) : found->second;
    std::vector<Entry>& tracks = artists_[at].tracks;
    tracks.push_back({TrackPriority(key), key, std::move(item)});
    std::push_heap(tracks.begin(), tracks.end());
    held_.insert(key);
    ++held_count_;
    if (tracks.size() > level_) Drop(&tracks);
    if (held_count_ > 2 * size_ + artists_.size()) Level();
  }

  // The picks it can give, and whether that is all that were asked for.
  std::size_t kept() const { return std::min(size_, held_count_); }
  bool full() const { return held_count_ >= size_; }

  // The picks in rounds, each round the artists in an order as random as
  // the choice (their priorities').
  std::vector<Item> Picks() {
    std::vector<std::size_t> order(artists_.size());
    for (std::size_t n = 0; n < order.size(); ++n) order[n] = n;
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
      return artists_[a].priority < artists_[b].priority;
    });
    for (Artist& artist : artists_)
      std::sort_heap(artist.tracks.begin(), artist.tracks.end());
    std::vector<Item> picks;
    for (std::size_t round = 0; picks.size() < size_; ++round) {
      std::size_t before = picks.size();
      for (std::size_t n = 0; n < order.size() && picks.size() < size_; ++n) {
        std::vector<Entry>& tracks = artists_[order[n]].tracks;
        if (round < tracks.size()) picks.push_back(std::move(tracks[round].item));
      }
      if (picks.size() == before) break;
    }
    artists_.clear();
    heap_.clear();
    index_.clear();
    held_.clear();
    held_count_ = 0;
    return picks;
  }

 private:
  struct Entry {
    std::uint64_t priority;
    std::uint64_t key;
    Item item;
    bool operator<(const Entry& other) const { return priority < other.priority; }
  };
  struct Artist {
    std::uint64_t priority;
    std::uint64_t key;
    std::vector<Entry> tracks;  // the highest priority first
  };

  std::uint64_t ArtistPriority(std::uint64_t artist) const {
    return MixBits(MixBits(artist ^ seeds_[0]) + seeds_[1]);
  }
  std::uint64_t TrackPriority(std::uint64_t key) const {
    return MixBits(MixBits(key ^ seeds_[2]) + seeds_[3]);
  }

  bool HeapLess(std::size_t a, std::size_t b) const {
    return artists_[a].priority < artists_[b].priority;
  }

  // Takes in the artist of `key`, putting out the one of highest priority
  // when there is no room. Returns where it is.
  std::size_t Admit(std::uint64_t key) {
    auto less = [this](std::size_t a, std::size_t b) { return HeapLess(a, b); };
    std::size_t at = artists_.size();
    if (artists_.size() == size_) {
      std::pop_heap(heap_.begin(), heap_.end(), less);
      at = heap_.back();
      heap_.pop_back();
      Artist& gone = artists_[at];
      for (const Entry& entry : gone.tracks) held_.erase(entry.key);
      held_count_ -= gone.tracks.size();
      index_.erase(gone.key);
      gone.tracks.clear();
      gone.priority = ArtistPriority(key);
      gone.key = key;
    } else {
      artists_.push_back({ArtistPriority(key), key, {}});
    }
    index_[key] = at;
    heap_.push_back(at);
    std::push_heap(heap_.begin(), heap_.end(), less);
    return at;
  }

  void Drop(std::vector<Entry>* tracks) {
    std::pop_heap(tracks->begin(), tracks->end());
    held_.erase(tracks->back().key);
    tracks->pop_back();
    --held_count_;
  }

  // Keeps of each artist only the tracks the rounds can reach: the fewest
  // that still make `size` picks in all.
  void Level() {
    std::size_t low = 1, high = level_;
    while (low < high) {
      std::size_t mid = (low + high) / 2, reached = 0;
      for (const Artist& artist : artists_)
        reached += std::min(artist.tracks.size(), mid);
      if (reached >= size_) {
        high = mid;
      } else {
        low = mid + 1;
      }
    }
    level_ = low;
    for (Artist& artist : artists_) {
      while (artist.tracks.size() > level_) Drop(&artist.tracks);
    }
  }

  std::size_t size_;
  std::size_t level_;  // tracks an artist may keep
  std::uint64_t seeds_[4];
  std::vector<Artist> artists_;
  std::vector<std::size_t> heap_;  // of artists_, the highest priority first
  std::unordered_map<std::uint64_t, std::size_t> index_;
  std::unordered_set<std::uint64_t> held_;
  std::size_t held_count_ = 0;
};

#endif  // SONGWHIM_PLAYLIST_EVEN_DRAW_H_
