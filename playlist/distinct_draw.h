// Picking `size` of the tracks offered one by one, every track as likely and
// every set of that size too, however many times a track comes: each track
// gets a priority worked out from its key (a hash of its library line) and
// seeds drawn anew for every draw, and the `size` tracks of lowest priority
// are kept (bottom-k sampling). A track the library lists twice has one key
// and so one priority: it counts once, and is kept once at most. Memory grows
// with `size`, not with the tracks offered.
#ifndef SONGWHIM_PLAYLIST_DISTINCT_DRAW_H_
#define SONGWHIM_PLAYLIST_DISTINCT_DRAW_H_

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <random>
#include <unordered_set>
#include <utility>
#include <vector>

#include "base/text.h"

template <typename Item>
class DistinctDraw {
 public:
  DistinctDraw(std::size_t size, std::mt19937_64* random)
      : size_(size),
        random_(random),
        first_seed_((*random)()),
        second_seed_((*random)()) {
    items_.reserve(std::min<std::size_t>(size, 1 << 16));
  }

  // The priority of the track of `key` in this draw.
  std::uint64_t Priority(std::uint64_t key) const {
    return MixBits(MixBits(key ^ first_seed_) + second_seed_);
  }

  // True when the track of `key` would be kept now: it is not kept already,
  // and there is room or its priority is below the highest one kept.
  bool Wants(std::uint64_t key) const {
    if (size_ == 0) return false;
    if (items_.size() == size_ && Priority(key) >= heap_.front().priority) return false;
    return keys_.count(key) == 0;
  }

  // Keeps `item`, the track of `key`, which Wants has just asked for.
  void Take(std::uint64_t key, Item item) {
    Entry entry{Priority(key), key, items_.size()};
    if (items_.size() == size_) {
      std::pop_heap(heap_.begin(), heap_.end());
      entry.slot = heap_.back().slot;
      keys_.erase(heap_.back().key);
      heap_.pop_back();
      items_[entry.slot] = std::move(item);
    } else {
      items_.push_back(std::move(item));
    }
    heap_.push_back(entry);
    std::push_heap(heap_.begin(), heap_.end());
    keys_.insert(key);
  }

  // The same, for draws that ask who a track is by: here it does not count.
  bool Wants(std::uint64_t key, std::uint64_t /*artist*/) const { return Wants(key); }
  void Take(std::uint64_t key, std::uint64_t /*artist*/, Item item) {
    Take(key, std::move(item));
  }

  // Tracks kept so far: min(`size`, the distinct tracks offered).
  std::size_t kept() const { return items_.size(); }
  bool full() const { return items_.size() == size_; }

  // The tracks kept, in an order as random as the choice.
  std::vector<Item> Picks() {
    std::shuffle(items_.begin(), items_.end(), *random_);
    heap_.clear();
    keys_.clear();
    return std::move(items_);
  }

 private:
  struct Entry {
    std::uint64_t priority;
    std::uint64_t key;
    std::size_t slot;  // where its item is
    bool operator<(const Entry& other) const { return priority < other.priority; }
  };

  std::size_t size_;
  std::mt19937_64* random_;
  std::uint64_t first_seed_, second_seed_;
  std::vector<Item> items_;
  std::vector<Entry> heap_;  // the highest priority first
  std::unordered_set<std::uint64_t> keys_;
};

#endif  // SONGWHIM_PLAYLIST_DISTINCT_DRAW_H_
