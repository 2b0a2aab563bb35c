// What -only and -skip let through, and whole albums drawn evenly with a
// fixed seed: every album as likely (a chi-square test at p = 0.001), each
// whole and in library order.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "base/text.h"
#include "playlist/fair_pick.h"
#include "playlist/played_record.h"
#include "playlist/shuffle.h"
#include "playlist/track_filter.h"

namespace {

using Texts = std::vector<std::string>;

TEST(TrackFilter, FieldsRangesOfYearsAndTextsThatCannotBeAsked) {
  // An index line of the artist, the album artist and the year.
  auto indexed = [](const std::string& artist, const std::string& album_artist,
                    const std::string& year) {
    return "1\t1\t1000\t" + artist + "\t" + album_artist + "\t\t\t\t" + year +
           "\t\t/m/a.mp3\n";
  };
  const std::vector<std::string> years = {"1969", "1970", "1979", "1980", ""};
  const struct {
    std::string query;
    std::set<std::string> let;
  } cases[] = {
      {"year:1970..1979", {"1970", "1979"}},
      {"year:1979..1970", {"1970", "1979"}},
      {"year:1980..", {"1980"}},
      {"YEAR:..1969", {"1969"}},
      {"year: 1970 .. 1970 ", {"1970"}},
      {"year:197", {"1970", "1979"}},
  };
  for (const auto& c : cases) {
    TrackFilter filter({c.query}, {});
    std::string err;
    EXPECT_TRUE(CheckSelectionText(c.query, &err)) << c.query;
    for (const std::string& year : years) {
      std::string line = indexed("", "", year);
      EXPECT_EQ(c.let.count(year) == 1, filter.Lets(Track(line, true)))
          << c.query << " of " << year;
    }
  }
  TrackFilter artist({"artist:gamma"}, {});
  EXPECT_TRUE(artist.Lets(Track(indexed("Alpha", "Gamma", ""), true)));
  EXPECT_TRUE(artist.Lets(Track(indexed("Alpha; GAMMA", "", ""), true)));
  EXPECT_FALSE(artist.Lets(Track(indexed("Alpha", "Beta", ""), true)));
  for (const char* text : {"genre:", "GENRE:  ", "year:x", "year:..", "year:1970-79"}) {
    std::string err;
    EXPECT_FALSE(CheckSelectionText(text, &err)) << text;
    EXPECT_EQ(0u, err.find(text)) << err;
  }
  std::string err;
  EXPECT_TRUE(CheckSelectionText("rock:", &err));
}

TEST(TrackFilter, OnlyAnySkipNoneInAnyCase) {
  struct Case {
    Texts only, skip;
    std::string line;
    bool lets;
  };
  const Case cases[] = {
      {{}, {}, "/m/Any/01.mp3\n", true},
      {{"christmas"}, {}, "/m/CHRISTMAS Songs/01.mp3\n", true},
      {{"christmas"}, {}, "/m/Carols/01.mp3\n", false},
      {{"jazz", "Blues"}, {}, "/m/blues/01.mp3\n", true},
      {{}, {"/Live"}, "/m/Band/live at Home/01.mp3\n", false},
      {{}, {"/Live"}, "/m/Band/Alive/01.mp3\n", true},
      // -skip wins over -only.
      {{"band"}, {"LIVE"}, "/m/Band/Live/01.mp3\n", false},
      // Letters beyond ASCII are compared without regard to case too.
      {{"\xc3\xa9"}, {}, "/m/\xc3\x89t\xc3\xa9/01.mp3\n", true},
      {{"\xc3\x89"}, {}, "/m/\xc3\xa9t\xc3\xa9/01.mp3\n", true},
      {{"a long text past eight bytes"},
       {},
       "/m/A LONG TEXT PAST EIGHT BYTES.mp3\n",
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    TrackFilter filter(c.only, c.skip);
    EXPECT_EQ(!c.only.empty() || !c.skip.empty(), filter.active());
    EXPECT_EQ(c.lets, filter.Lets(c.line));
  }
  // Find looks for every -only text, tuned to look for its rarest byte
  // first, in either case when it is a letter.
  TrackFilter filter({"Alpha", "beta", "x 7"}, {});
  filter.Tune("/m/aaaa hhh/ppp lll 7 7 7 x\n");
  EXPECT_EQ(3u, filter.Find("/m/ALPHA/b.mp3\n"));
  EXPECT_EQ(5u, filter.Find("/m/x/Beta/alph.mp3\n"));
  EXPECT_EQ(6u, filter.Find("/m/xx X 7/a.mp3\n"));
  EXPECT_EQ(std::string::npos, filter.Find("/m/alph bet x7 alphx/"));
}

// A library in memory, drawn from `many` times over by each way of picking.
std::vector<std::vector<std::string>> DrawEach(const std::string& library, int many,
                                               std::mt19937_64* random) {
  TrackFilter none({}, {});
  LineReader lines = LineReader::OfText(library);
  LineReader tracks = LineReader::OfText(library);
  LineReader albums = LineReader::OfText(library);
  return {PickLines(&lines, many, random),
          PickTracks({&tracks, &none, nullptr, random}, many).tracks,
          PickAlbums({&albums, &none, nullptr, random}, many).tracks};
}

TEST(FairPicks, EqualLinesAreOneTrackAndBlankLinesNone) {
  // A folder listed twice, as two [add] entries of which one holds the
  // other list it, and blank lines a hand edit left.
  const std::string library =
      "/m/A/1.mp3\n\n/m/A/2.mp3\n "
      "\t\r\n/m/B/1.mp3\n/m/A/1.mp3\n/m/A/2.mp3\n/m/B/1.mp3\r\n";
  std::mt19937_64 random(20261209);
  for (const std::vector<std::string>& picks : DrawEach(library, 10, &random)) {
    std::set<std::string> tracks;
    for (const std::string& pick : picks)
      tracks.insert(std::string(WithoutLineEnd(pick)));
    EXPECT_EQ(picks.size(), tracks.size());
    EXPECT_EQ((std::set<std::string>{"/m/A/1.mp3", "/m/A/2.mp3", "/m/B/1.mp3"}), tracks);
  }
  // A track the library lists five times is no likelier than one it lists
  // once, by each way of picking (chi-square, 2 degrees of freedom).
  const std::string lopsided = "/m/x/1\n/m/y/1\n/m/x/1\n/m/z/1\n/m/x/1\n/m/x/1\n/m/x/1\n";
  std::vector<std::map<std::string, double>> counts(3);
  const int draws = 6000;
  for (int d = 0; d < draws; ++d) {
    std::vector<std::vector<std::string>> picks = DrawEach(lopsided, 1, &random);
    for (int way = 0; way < 3; ++way) counts[way][picks[way].at(0)] += 1;
  }
  for (const auto& count : counts) {
    double statistic = 0;
    for (const auto& [track, times] : count)
      statistic += (times - draws / 3.0) * (times - draws / 3.0) / (draws / 3.0);
    EXPECT_EQ(3u, count.size());
    EXPECT_LT(statistic, 13.82);  // p = 0.001
  }
}

// A library of albums of 1 to 5 tracks, some tracks of them live.
std::string Albums(int count) {
  std::string text;
  for (int album = 0; album < count; ++album) {
    for (int track = 0; track <= album % 5; ++track) {
      text += "/m/Artist " + std::to_string(album) + "/Album/0" + std::to_string(track) +
              (track == 1 ? " live" : "") + ".mp3\n";
    }
  }
  return text;
}

FairPicks Draw(const std::string& library, int many, TrackFilter* filter,
               std::mt19937_64* random) {
  LineReader reader = LineReader::OfText(library);
  return PickAlbums({&reader, filter, nullptr, random}, many);
}

TEST(PickAlbums, EveryAlbumAsLikelyAndEachWholeAndInOrder) {
  const int albums = 12, draws = 12000, many = 3;
  std::string library = Albums(albums);
  std::mt19937_64 random(20261209);
  TrackFilter filter({}, {"live"});
  std::vector<double> picked(albums);
  for (int d = 0; d < draws; ++d) {
    FairPicks picks = Draw(library, many, &filter, &random);
    std::map<int, std::vector<int>> tracks;  // album -> its tracks, as they came
    int last_album = -1;
    for (const std::string& line : picks.tracks) {
      int album = std::stoi(line.substr(10));
      // An album's tracks come together, never interleaved with another's.
      if (album != last_album) {
        ASSERT_EQ(0u, tracks.count(album)) << line;
      }
      last_album = album;
      tracks[album].push_back(line[line.size() - 6] - '0');
    }
    ASSERT_EQ(static_cast<std::size_t>(many), tracks.size());
    for (const auto& [album, numbers] : tracks) {
      // Whole, in library order, without the live track the filter left out.
      std::vector<int> expected;
      for (int track = 0; track <= album % 5; ++track) {
        if (track != 1) expected.push_back(track);
      }
      ASSERT_EQ(expected, numbers) << "album " << album;
      picked[album] += 1;
    }
  }
  // Each album's count is binomial with p = many / albums.
  double share = static_cast<double>(many) / albums, expected = draws * share;
  double statistic = 0;
  for (double count : picked)
    statistic += (count - expected) * (count - expected) / expected;
  statistic /= 1 - share;
  EXPECT_LT(statistic, 31.26);  // chi-square, 11 degrees of freedom, p = 0.001
}

TEST(PickAlbums, AnAlbumTheFiltersEmptyIsNoAlbum) {
  std::mt19937_64 random(7);
  TrackFilter filter({}, {"live"});
  // Album 1 holds one track, and that one is live.
  FairPicks picks =
      Draw("/m/0/a.mp3\n/m/1/b live.mp3\n/m/2/c.mp3\n", 5, &filter, &random);
  EXPECT_EQ(2u, picks.tracks.size());
  EXPECT_EQ(2, picks.let);
}

// A record holding as many tracks as the library has lines, some of them
// gone from it, has not outgrown the library: its fresh tracks come.
TEST(PickTracks, ARecordAsLongAsTheLibraryHasNotOutgrownIt) {
  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() /
                 ("songwhim-record-" + std::to_string(std::random_device()()));
  fs::create_directories(dir);
  std::string library = (dir / "library.txt").string();
  std::ofstream(library + ".played", std::ios::binary)
      << "songwhim -fresh record\n/a\n/gone/1\n/gone/2\n";
  FairPicks picks;
  {
    SharedWork work;
    PlayedRecord played;
    std::string note, err;
    ASSERT_TRUE(played.Open(library, &work, &note, &err)) << err;
    LineReader reader = LineReader::OfText("/a\n/b\n/c\n");
    TrackFilter filter({}, {});
    std::mt19937_64 random(7);
    picks = PickTracks({&reader, &filter, &played, &random, &work}, 2);
  }
  fs::remove_all(dir);
  EXPECT_FALSE(picks.outgrown);
  EXPECT_FALSE(picks.new_round);
  EXPECT_EQ((std::set<std::string>{"/b\n", "/c\n"}),
            std::set<std::string>(picks.tracks.begin(), picks.tracks.end()));
}

// A long record, read a batch at a time by two threads, whose later lines are
// far shorter than its first (so that the table made for as many as the
// first ones promise is made again); and a library looked up in it, many
// batches long: exactly the lines the record lacks are fresh, and the draw is
// the one the same seed gives on one thread.
TEST(PickTracks, FreshAcrossManyBatchesOfALongRecord) {
  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() /
                 ("songwhim-record-" + std::to_string(std::random_device()()));
  fs::create_directories(dir);
  std::string library = (dir / "library.txt").string();
  std::string record = "songwhim -fresh record\n", lines;
  for (int n = 0; n < 9000; ++n)
    record += "/long/" + std::string(300, 'x') + std::to_string(n) + ".mp3\n";
  // The fresh ones come first, on both sides of where a batch ends, and last.
  const std::set<int> fresh = {0, 8191, 8192, 100000, 150000};
  for (int n = 0; n <= 150000; ++n) {
    if (fresh.count(n)) lines += "/fresh/" + std::to_string(n) + ".mp3\n";
    if (n == 150000) break;
    std::string line = "/s/" + std::to_string(n) + ".mp3\n";
    lines += line;
    record += line;
  }
  std::ofstream(library, std::ios::binary) << lines;
  std::ofstream(library + ".played", std::ios::binary) << record;

  FairPicks picks;
  {
    SharedWork work;
    PlayedRecord played;
    std::string note, err;
    ASSERT_TRUE(played.Open(library, &work, &note, &err)) << err;
    EXPECT_EQ("", note);
    EXPECT_EQ(159000u, played.size());
    std::FILE* file = std::fopen(library.c_str(), "rb");
    LineReader reader(file, kMaxLine, /*wide=*/true);
    TrackFilter filter({}, {});
    std::mt19937_64 random(20261209);
    picks = PickTracks({&reader, &filter, &played, &random, &work}, 3);
    std::fclose(file);
  }  // The record's lock is let go, so that the folder can go.
  fs::remove_all(dir);
  EXPECT_EQ(150005, picks.let);
  EXPECT_EQ(3u, picks.fresh);
  EXPECT_FALSE(picks.new_round);
  EXPECT_EQ((std::vector<std::string>{"/fresh/100000.mp3\n", "/fresh/0.mp3\n",
                                      "/fresh/8192.mp3\n"}),
            picks.tracks);
}

}  // namespace
