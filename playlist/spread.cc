#include "playlist/spread.h"

#include <algorithm>
#include <unordered_map>

namespace {

long long AtLeastNone(long long pairs) {
  return pairs > 0 ? pairs : 0;
}

// The picks left of each artist, with what each place needs of them at
// once: an artist drawn in proportion to its picks left (a Fenwick tree),
// the largest count, and the artists that have it.
class Counts {
 public:
  explicit Counts(const std::vector<std::size_t>& counts)
      : counts_(counts), tree_(counts.size() + 1), where_(counts.size()) {
    for (std::size_t artist = 0; artist < counts.size(); ++artist) {
      Add(artist, static_cast<long long>(counts[artist]));
      left_ += counts[artist];
      most_ = std::max(most_, counts[artist]);
    }
    buckets_.resize(most_ + 1);
    for (std::size_t artist = 0; artist < counts.size(); ++artist) Enter(artist);
  }

  std::size_t left() const { return left_; }
  std::size_t most() const { return most_; }
  std::size_t count(std::size_t artist) const { return counts_[artist]; }
  // Artists with the largest count, and the `n`th of them.
  std::size_t at_most() const { return buckets_[most_].size(); }
  std::size_t Most(std::size_t n) const { return buckets_[most_][n]; }

  // The artist whose picks hold the `n`th of those left.
  std::size_t Drawn(std::size_t n) const {
    std::size_t at = 0, step = 1;
    while (step * 2 < tree_.size()) step *= 2;
    for (; step > 0; step /= 2) {
      if (at + step < tree_.size() && static_cast<std::size_t>(tree_[at + step]) <= n) {
        at += step;
        n -= static_cast<std::size_t>(tree_[at]);
      }
    }
    return at;
  }

  void TakeOne(std::size_t artist) {
    Leave(artist);
    --counts_[artist];
    Enter(artist);
    Add(artist, -1);
    --left_;
    while (most_ > 0 && buckets_[most_].empty()) --most_;
  }

 private:
  void Add(std::size_t artist, long long value) {
    for (std::size_t at = artist + 1; at < tree_.size(); at += at & (~at + 1))
      tree_[at] += value;
  }
  void Enter(std::size_t artist) {
    if (counts_[artist] == 0) return;
    std::vector<std::size_t>& bucket = buckets_[counts_[artist]];
    where_[artist] = bucket.size();
    bucket.push_back(artist);
  }
  void Leave(std::size_t artist) {
    std::vector<std::size_t>& bucket = buckets_[counts_[artist]];
    std::size_t last = bucket.back();
    bucket[where_[artist]] = last;
    where_[last] = where_[artist];
    bucket.pop_back();
  }

  std::vector<std::size_t> counts_;
  std::vector<long long> tree_;
  std::vector<std::size_t> where_;                 // of each artist in its bucket
  std::vector<std::vector<std::size_t>> buckets_;  // artists by their counts
  std::size_t left_ = 0;
  std::size_t most_ = 0;
};

// The fewest neighbour pairs of one artist the picks left can make after
// `last` (the artist of the place before, or `none`).
long long Fewest(const Counts& counts, std::size_t last, std::size_t none) {
  long long left = static_cast<long long>(counts.left());
  long long most = static_cast<long long>(counts.most());
  if (last == none) return AtLeastNone(2 * most - left - 1);
  long long own = static_cast<long long>(counts.count(last)) + 1;
  // The place before counts as a pick that must come first.
  if (own >= most) return AtLeastNone(2 * own - (left + 1) - 1);
  return AtLeastNone(2 * most - (left + 1));
}

// The artist for the next place after `last`.
std::size_t NextArtist(const Counts& counts, std::size_t last, std::size_t none,
                       std::mt19937_64* random) {
  long long left = static_cast<long long>(counts.left());
  long long most = static_cast<long long>(counts.most());
  long long fewest = Fewest(counts, last, none);
  bool last_most = last != none && counts.count(last) == counts.most() && most > 0;
  std::size_t own = last != none ? counts.count(last) : 0;
  // What placing an artist of each kind leaves within reach.
  bool most_ok = AtLeastNone(2 * most - left - 1) == fewest;
  bool other_ok = AtLeastNone(2 * most - left) == fewest;
  bool same_ok = own > 0 && 1 + (last_most ? AtLeastNone(2 * most - left - 1)
                                           : AtLeastNone(2 * most - left)) ==
                                fewest;
  std::size_t most_artists = counts.at_most() - (last_most ? 1 : 0);
  std::uint64_t most_weight = most_ok ? most_artists * counts.most() : 0;
  std::uint64_t same_weight = same_ok ? own : 0;
  std::uint64_t other_weight =
      other_ok ? counts.left() - counts.at_most() * counts.most() - (last_most ? 0 : own)
               : 0;
  std::uint64_t total = most_weight + same_weight + other_weight;
  // Some kind always keeps the fewest within reach; should a count ever say
  // otherwise, any artist left does.
  if (total == 0) return counts.Drawn(0);
  std::uint64_t pick =
      std::uniform_int_distribution<std::uint64_t>(0, total - 1)(*random);
  if (pick < same_weight) return last;
  pick -= same_weight;
  if (pick < most_weight) {
    std::size_t n = static_cast<std::size_t>(pick / counts.most());
    // Past the last artist among the largest, where it stands there.
    for (std::size_t seen = 0, at = 0;; ++at) {
      if (counts.Most(at) == last) continue;
      if (seen++ == n) return counts.Most(at);
    }
  }
  // Another artist, in proportion to its picks: drawn from all of them
  // until one of that kind comes.
  std::uniform_int_distribution<std::size_t> any(0, counts.left() - 1);
  for (;;) {
    std::size_t artist = counts.Drawn(any(*random));
    if (artist != last && counts.count(artist) < counts.most()) return artist;
  }
}

}  // namespace

std::vector<std::size_t> SpreadOrder(const std::vector<std::uint64_t>& artists,
                                     std::mt19937_64* random) {
  // Each artist's picks, in a random order.
  std::unordered_map<std::uint64_t, std::size_t> number;
  std::vector<std::vector<std::size_t>> picks;
  for (std::size_t item = 0; item < artists.size(); ++item) {
    auto [at, added] = number.emplace(artists[item], picks.size());
    if (added) picks.emplace_back();
    picks[at->second].push_back(item);
  }
  std::vector<std::size_t> sizes;
  for (std::vector<std::size_t>& own : picks) {
    std::shuffle(own.begin(), own.end(), *random);
    sizes.push_back(own.size());
  }
  Counts counts(sizes);
  const std::size_t none = picks.size();
  std::vector<std::size_t> order;
  for (std::size_t last = none; counts.left() > 0;) {
    last = NextArtist(counts, last, none, random);
    order.push_back(picks[last][counts.count(last) - 1]);
    counts.TakeOne(last);
  }
  return order;
}

std::size_t NeighbourPairs(const std::vector<std::uint64_t>& artists,
                           const std::vector<std::size_t>& order) {
  std::size_t pairs = 0;
  for (std::size_t n = 1; n < order.size(); ++n)
    pairs += artists[order[n]] == artists[order[n - 1]];
  return pairs;
}
