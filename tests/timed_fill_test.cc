// Filling a time from tracks tried in order: never over the time, done once
// within a minute of it, tracks of unknown length passed over and counted.
#include "playlist/timed_fill.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <random>

namespace {

TEST(FillTime, BudgetsFromNoneToAll) {
  // Lengths in seconds; -1 is a track whose length cannot be read.
  const std::vector<int> lengths = {300, -1, 240, 600, 90, -1, 70, 200, 80, 120};
  std::vector<std::string> lines;
  std::map<std::string, int> known;
  for (std::size_t n = 0; n < lengths.size(); ++n) {
    lines.push_back("/m/" + std::to_string(n) + ".wav\n");
    known[lines.back()] = lengths[n];
  }
  auto read = [&](const std::string& line, TrackTags* tags) {
    tags->milliseconds = known.at(line) * 1000LL;
    return known.at(line) > 0;
  };
  struct Case {
    int minutes;
    std::vector<int> picked;  // indexes of the lines the playlist gets
    int unreadable;
    std::size_t tried;
  };
  const Case cases[] = {
      // Shorter than every track: nothing fits, and every track is tried.
      {1, {}, 2, 10},
      // 300 s and 240 s fill 9 minutes exactly: no more are tried.
      {9, {0, 2}, 1, 3},
      // 300 s leaves a minute, which is not yet within a minute: no other
      // track fits in it.
      {6, {0}, 2, 10},
      {14, {0, 2, 4, 6, 8}, 2, 10},
      {20, {0, 2, 3}, 2, 10},
      // Longer than all of them together: every readable track.
      {30, {0, 2, 3, 4, 6, 7, 8, 9}, 2, 10},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.minutes);
    TimedFill fill = FillTime(lines, c.minutes, read);
    std::vector<int> picked;
    long long total = 0;
    for (const TimedTrack& track : fill.tracks) {
      picked.push_back(static_cast<int>(track.index));
      total += track.tags.milliseconds;
    }
    EXPECT_EQ(c.picked, picked);
    EXPECT_EQ(total, fill.milliseconds);
    EXPECT_LE(fill.milliseconds, c.minutes * 60000LL);
    EXPECT_EQ(c.unreadable, fill.unreadable);
    EXPECT_EQ(c.tried, fill.tried);
  }
}

TEST(FillTime, ReadingAheadSideBySideFillsAlike) {
  std::mt19937 random(7);
  std::vector<std::string> lines;
  std::map<std::string, int> known;  // seconds, or -1
  for (int n = 0; n < 300; ++n) {
    lines.push_back("/m/" + std::to_string(n) + ".wav\n");
    known[lines.back()] = random() % 9 == 0 ? -1 : 20 + static_cast<int>(random() % 600);
  }
  std::atomic<int> reads{0};
  auto read = [&](const std::string& line, TrackTags* tags) {
    ++reads;
    tags->milliseconds = known.at(line) * 1000LL;
    tags->title = line;
    return known.at(line) > 0;
  };
  ParallelReads readers(4);
  for (int minutes : {1, 7, 60, 61, 300, 2000}) {
    SCOPED_TRACE(minutes);
    TimedFill one = FillTime(lines, minutes, read);
    reads = 0;
    TimedFill ahead = FillTime(lines, minutes, read, &readers);
    std::vector<std::size_t> picked_one, picked_ahead;
    for (const TimedTrack& track : one.tracks) picked_one.push_back(track.index);
    for (const TimedTrack& track : ahead.tracks) {
      picked_ahead.push_back(track.index);
      EXPECT_EQ(lines[track.index], track.tags.title);
    }
    EXPECT_EQ(picked_one, picked_ahead);
    EXPECT_EQ(one.milliseconds, ahead.milliseconds);
    EXPECT_EQ(one.unread, ahead.unread);
    EXPECT_EQ(one.too_long, ahead.too_long);
    EXPECT_EQ(one.tried, ahead.tried);
    // What is read ahead for nothing is a window at most.
    EXPECT_LT(static_cast<std::size_t>(reads), one.tried + 16);
  }
}

TEST(FillTime, FillsTheTimeExactlyWhenTheTracksCan) {
  // Forty tracks of 20 s, and one of 11 minutes among the first ones that
  // does not fit: each time is filled to the second, and no more tracks are
  // tried than that takes.
  std::vector<std::string> lines(40, "/m/twenty.wav\n");
  lines.insert(lines.begin() + 2, "/m/eleven.wav\n");
  auto read = [](const std::string& line, TrackTags* tags) {
    tags->milliseconds = line == "/m/eleven.wav\n" ? 660000 : 20000;
    return true;
  };
  for (int minutes : {1, 2, 5, 10}) {
    SCOPED_TRACE(minutes);
    TimedFill fill = FillTime(lines, minutes, read);
    EXPECT_EQ(minutes * 60000LL, fill.milliseconds);
    EXPECT_EQ(static_cast<std::size_t>(3 * minutes + 1), fill.tried);
    EXPECT_EQ(1, fill.too_long);
  }
  // With exactly three seconds left, a track of three seconds is tried.
  auto by_name = [](const std::string& line, TrackTags* tags) {
    tags->milliseconds = line == "/m/57.wav\n" ? 57000 : 3000;
    return true;
  };
  EXPECT_EQ(60000, FillTime({"/m/57.wav\n", "/m/3.wav\n"}, 1, by_name).milliseconds);
  EXPECT_EQ("Playing time 1:00 of 1 minute", PlayingTime(59500, 1));
  EXPECT_EQ("Playing time 0:59 of 2 minutes", PlayingTime(59499, 2));
  EXPECT_EQ("Playing time 61:05 of 62 minutes", PlayingTime(3665000, 62));
}

TrackTags Tags(long long milliseconds, const std::string& artist,
               const std::string& title) {
  TrackTags tags;
  tags.milliseconds = milliseconds;
  tags.artist = artist;
  tags.title = title;
  return tags;
}

TEST(FillTime, ExtinfShowsArtistAndTitleOrTheFileName) {
  EXPECT_EQ("#EXTINF:126,Bj\xc3\xb6rk - Caf\xc3\xa9",
            ExtinfLine({"/m/a.wav\n", 0, Tags(125600, "Bj\xc3\xb6rk", "Caf\xc3\xa9")}));
  EXPECT_EQ("#EXTINF:3,Intro",
            ExtinfLine({"/m/x.y/Intro.flac\n", 0, Tags(2500, "", "")}));
  EXPECT_EQ("#EXTINF:3,01. Intro",
            ExtinfLine({"/m/01. Intro.flac\n", 0, Tags(2500, "", "")}));
  EXPECT_EQ("#EXTINF:60,Band - x",
            ExtinfLine({"C:\\\\x.mp3", 0, Tags(60000, "Band", "")}));
  EXPECT_EQ("#EXTINF:1,A B", ExtinfLine({"/a.wav", 0, Tags(1000, "", "A\nB")}));
  EXPECT_LE(TracksToTry(24 * 60), 500u);
}

}  // namespace
