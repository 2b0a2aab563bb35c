// The -spread order: the picks arranged so that two neighbours share an
// artist only when the picks leave no other way, and then as rarely as
// possible, and apart from that in an order as random as the picks.
//
// The order is drawn a place at a time: each place takes an artist with a
// chance in proportion to its picks left, among the artists that keep the
// fewest neighbour pairs within reach (which the counts alone tell: for r
// picks left of which the largest artist has m, that fewest is
// max(0, 2m - r - 1), or one more when the last place went to a smaller
// artist that must now come first), and then the next of that artist's picks
// in a random order. So where no artist holds more than half the picks the
// first place is as likely to be any pick, and neighbours of one artist come
// only where the counts force them.
#ifndef SONGWHIM_PLAYLIST_SPREAD_H_
#define SONGWHIM_PLAYLIST_SPREAD_H_

#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

// An order of the items whose artists' keys are `artists`, as indexes into
// it.
std::vector<std::size_t> SpreadOrder(const std::vector<std::uint64_t>& artists,
                                     std::mt19937_64* random);

// The neighbour pairs of one artist in `order`.
std::size_t NeighbourPairs(const std::vector<std::uint64_t>& artists,
                           const std::vector<std::size_t>& order);

#endif  // SONGWHIM_PLAYLIST_SPREAD_H_
