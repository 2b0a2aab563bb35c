// Who a track is by, the even draw and the spread order, with fixed seeds:
// every artist as likely and then each of its tracks (chi-square tests at
// p = 0.001), and orders with the fewest neighbour pairs the picks allow.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

#include "playlist/artist.h"
#include "playlist/fair_pick.h"
#include "playlist/spread.h"
#include "tests/statistics.h"

namespace {

TEST(Artists, TagsFirstThenTheFolderAboveTheAlbum) {
  const std::string none(10, '\t');
  struct Case {
    std::string text;
    bool indexed;
    std::string artist;
  };
  const Case cases[] = {
      {"/m/Artist/Album/01 x.mp3\n", false, "/m/Artist/"},
      {"C:\\m\\Artist\\Album\\01 x.mp3\r\n", false, "C:\\m\\Artist\\"},
      // Directly in an [add] folder: its own artist, as is one too near the top.
      {"/m/x.mp3\n", false, "/m/x.mp3"},
      {"/x.mp3\n", false, "/x.mp3"},
      {"/top/x.mp3\n", false, "/top/x.mp3"},
      {"\t\t\tSolo\tBand\t\t\t\t\t\t/m/A/B/1.mp3\n", true,
       "\x01"
       "Band"},
      {"\t\t\tSolo\t\t\t\t\t\t\t/m/A/B/1.mp3\n", true,
       "\x01"
       "Solo"},
      {none + "/m/A/B/1.mp3\n", true, "/m/A/"},
  };
  Artists artists({"/m/", "/elsewhere"});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    Track track(c.text, c.indexed);
    EXPECT_EQ(c.artist, artists.Of(track));
    EXPECT_EQ(artists.KeyOf(track), artists.KeyOf(Track(c.text, c.indexed)));
  }
  EXPECT_NE(artists.KeyOf(Track("/m/A/x/1.mp3\n", false)),
            artists.KeyOf(Track("/m/AB/x/1.mp3\n", false)));
}

// A library of artists with these many tracks each, one album each.
std::string Library(const std::vector<int>& sizes) {
  std::string text;
  for (std::size_t artist = 0; artist < sizes.size(); ++artist) {
    for (int track = 0; track < sizes[artist]; ++track)
      text += "/m/" + std::to_string(artist) + "/a/" + std::to_string(track) + ".mp3\n";
  }
  return text;
}

std::pair<int, int> ArtistAndTrack(const std::string& line) {
  std::size_t second = line.find('/', 3);
  return {std::stoi(line.substr(3, second - 3)), std::stoi(line.substr(second + 3))};
}

TEST(EvenDraw, EveryArtistAsLikelyAndThenEachOfItsTracks) {
  const std::vector<int> sizes = {1, 2, 3, 5, 8, 13, 21, 40, 80, 150, 220, 300};
  const std::string library = Library(sizes);
  Artists artists;
  TrackFilter none({}, {});
  std::mt19937_64 random(20261209);
  auto draw = [&](int many) {
    LineReader reader = LineReader::OfText(library);
    return PickTracks(
               {&reader, &none, nullptr, &random, nullptr, false, nullptr, &artists},
               many)
        .tracks;
  };
  const int draws = 20000;
  std::vector<double> picked(sizes.size()), of_eight(8);
  for (int d = 0; d < draws; ++d) {
    auto [artist, track] = ArtistAndTrack(draw(1).at(0));
    picked[artist] += 1;
    if (sizes[artist] == 8) of_eight[track] += 1;
  }
  EXPECT_LT(ChiSquare(picked, draws / 12.0), Critical(11));
  EXPECT_LT(ChiSquare(of_eight, picked[4] / 8), Critical(7));
  // Fifteen picks of twelve artists: each once, and three of them again.
  for (int d = 0; d < 200; ++d) {
    std::map<int, int> times;
    std::set<std::string> tracks;
    for (const std::string& line : draw(15)) {
      times[ArtistAndTrack(line).first] += 1;
      tracks.insert(line);
    }
    ASSERT_EQ(15u, tracks.size());
    ASSERT_EQ(12u, times.size());
    int twice = 0;
    for (const auto& [artist, count] : times) {
      ASSERT_LE(count, 2);
      twice += count == 2;
    }
    ASSERT_EQ(3, twice);
  }
  // More picks than the artists can give but for one: that one gives the rest.
  std::vector<std::string> all = draw(30);
  EXPECT_EQ(30u, std::set<std::string>(all.begin(), all.end()).size());
}

std::vector<std::uint64_t> ArtistsOf(const std::vector<int>& sizes) {
  std::vector<std::uint64_t> artists;
  for (std::size_t artist = 0; artist < sizes.size(); ++artist)
    artists.insert(artists.end(), sizes[artist], artist + 100);
  return artists;
}

std::size_t Fewest(const std::vector<int>& sizes) {
  int n = 0, most = 0;
  for (int size : sizes) {
    n += size;
    most = std::max(most, size);
  }
  return static_cast<std::size_t>(std::max(0, 2 * most - n - 1));
}

TEST(SpreadOrder, FewestNeighbourPairsWhetherNoneOrSomeAreForced) {
  const std::vector<std::vector<int>> cases = {
      {},
      {1},
      {3},
      {1, 1},
      {2, 1},
      {2, 2},
      {3, 1},
      {1, 1, 1, 1, 1},
      {5, 5},
      {6, 5},
      {7, 3},
      {4, 4, 1},
      {10, 3, 3, 3},
      {10, 1},
      {1, 2, 3, 4, 5, 6},
      {25, 10, 5, 5, 3, 1, 1},
      {30, 19},
      {40, 5, 3, 2},
  };
  std::mt19937_64 random(20261209);
  for (const std::vector<int>& sizes : cases) {
    SCOPED_TRACE(testing::PrintToString(sizes));
    std::vector<std::uint64_t> artists = ArtistsOf(sizes);
    for (int run = 0; run < 50; ++run) {
      std::vector<std::size_t> order = SpreadOrder(artists, &random);
      std::vector<std::size_t> sorted = order;
      std::sort(sorted.begin(), sorted.end());
      for (std::size_t n = 0; n < sorted.size(); ++n) ASSERT_EQ(n, sorted[n]);
      ASSERT_EQ(Fewest(sizes), NeighbourPairs(artists, order));
    }
  }
}

TEST(SpreadOrder, ThousandRunsOfUnevenArtistsAndAFirstTrackLikeAnyOther) {
  std::mt19937_64 random(20261209);
  std::uniform_int_distribution<int> artists_of(2, 12), size_of(1, 30);
  for (int run = 0; run < 1000; ++run) {
    // Fifty picks from artists of very uneven size.
    std::vector<int> sizes;
    for (int left = 50, count = artists_of(random); left > 0; --count) {
      int size = count <= 1 ? left : std::min(left, size_of(random));
      sizes.push_back(size);
      left -= size;
    }
    std::vector<std::uint64_t> artists = ArtistsOf(sizes);
    ASSERT_EQ(Fewest(sizes), NeighbourPairs(artists, SpreadOrder(artists, &random)))
        << testing::PrintToString(sizes);
  }
  // No artist with more than a third of the picks: the first track's artist
  // comes in proportion to its picks.
  const std::vector<int> sizes = {16, 12, 8, 6, 4, 2, 1, 1};
  std::vector<std::uint64_t> artists = ArtistsOf(sizes);
  const int draws = 20000;
  std::vector<double> first(sizes.size());
  for (int d = 0; d < draws; ++d)
    first[artists[SpreadOrder(artists, &random)[0]] - 100] += 1;
  double statistic = 0;
  for (std::size_t n = 0; n < sizes.size(); ++n) {
    double expected = draws * sizes[n] / 50.0;
    statistic += (first[n] - expected) * (first[n] - expected) / expected;
  }
  EXPECT_LT(statistic, Critical(sizes.size() - 1));
}

}  // namespace
