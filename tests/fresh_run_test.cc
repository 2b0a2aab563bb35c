// -fresh run after run: rounds that cover the library with no track twice,
// across a rebuild, with two runs at once, and with a record that is no
// record; and the messages of the options that choose what a playlist holds.
#include <gtest/gtest.h>

#include <set>

#include "tests/harness.h"

namespace {

const char kNewRound[] = "Every track has been picked: a new round begins\n";

bool Holds(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class FreshTest : public testing::Test {
 protected:
  FreshTest() {
    box_.InstallOpener();
    box_.Write("paths.ini", "[filetypes]\nmp3\n[add]\n" + box_.Host("m") + "\n");
  }

  void Build(const std::vector<std::string>& names) {
    for (const std::string& name : names) box_.Touch("m/" + name + ".mp3");
    ASSERT_EQ(0, box_.Run({"-build"}).status);
    library_ = Lines(box_.Read("library.txt"));
  }

  // One run; returns its picks, each checked to be in the library, none twice.
  std::vector<std::string> Fresh(int tracks, std::string* out = nullptr) {
    Result run = box_.Run({"-fresh", "-tracks", std::to_string(tracks)});
    EXPECT_EQ(0, run.status) << run.out << run.err;
    if (out) *out = run.out;
    std::vector<std::string> picks = Lines(box_.Read("random.m3u"));
    EXPECT_EQ(picks.size(), std::set<std::string>(picks.begin(), picks.end()).size());
    for (const std::string& pick : picks) {
      EXPECT_NE(library_.end(), std::find(library_.begin(), library_.end(), pick))
          << pick;
    }
    return picks;
  }

  // Runs until a round ends; returns the picks of the round, checked to hold
  // every track of the library once.
  std::vector<std::string> Round(int tracks) {
    std::vector<std::string> round;
    for (std::string out; round.size() < library_.size();) {
      std::vector<std::string> picks = Fresh(tracks, &out);
      EXPECT_FALSE(Holds(out, kNewRound)) << "after " << round.size();
      round.insert(round.end(), picks.begin(), picks.end());
    }
    std::set<std::string> seen(round.begin(), round.end());
    EXPECT_EQ(round.size(), seen.size());
    EXPECT_EQ(std::set<std::string>(library_.begin(), library_.end()), seen);
    return round;
  }

  Sandbox box_;
  std::vector<std::string> library_;
};

TEST_F(FreshTest, RoundsAcrossARebuildTwoRunsAtOnceAndABadRecord) {
  Build({"a", "b", "c", "d", "e", "f", "g", "h", "i", "j"});
  Round(5);
  // Ten picked: the next run starts a new round.
  std::string out;
  std::vector<std::string> first = Fresh(4, &out);
  EXPECT_TRUE(Holds(out, kNewRound)) << out;
  EXPECT_EQ(4u + 1, Lines(box_.Read("library.txt.played")).size());

  // Five tracks leave the library and five come; the record is kept.
  for (const char* gone : {"a", "b", "c", "d", "e"})
    std::remove(box_.At(std::string("m/") + gone + ".mp3").c_str());
  Build({"k", "l", "m", "n", "o"});
  std::set<std::string> left(library_.begin(), library_.end());
  for (const std::string& pick : first) left.erase(pick);
  // Each of those comes once before the round ends, in the run that ends it
  // at the latest.
  std::set<std::string> seen;
  for (out.clear(); !Holds(out, kNewRound);) {
    std::vector<std::string> picks = Fresh(3, &out);
    for (const std::string& pick : picks) {
      bool fresh = left.count(pick) && seen.insert(pick).second;
      EXPECT_TRUE(fresh || Holds(out, kNewRound)) << pick;  // or the new round's
    }
  }
  EXPECT_EQ(left, seen);

  // Deleting the record starts over; two runs at once keep each other's picks.
  std::remove(box_.At("library.txt.played").c_str());
  Running one = box_.Start({"-fresh", "-tracks", "3"});
  Running two = box_.Start({"-fresh", "-tracks", "3"});
  EXPECT_EQ(0, Finish(one).status);
  EXPECT_EQ(0, Finish(two).status);
  std::vector<std::string> record = Lines(box_.Read("library.txt.played"));
  EXPECT_EQ(7u, record.size());
  EXPECT_EQ(7u, std::set<std::string>(record.begin(), record.end()).size());

  // A last line cut short (a full disk, a killed run) is passed over, and
  // the round goes on without it.
  box_.Write("library.txt.played", "songwhim -fresh record\n" + box_.Host("m/f"));
  std::vector<std::string> after = Fresh(2, &out);
  EXPECT_TRUE(Holds(out,
                    "library.txt.played: its last line is cut short, and is passed "
                    "over\n"))
      << out;
  EXPECT_FALSE(Holds(out, kNewRound));
  EXPECT_FALSE(box_.Exists("library.txt.played.bad"));
  EXPECT_EQ("songwhim -fresh record\n" + after[0] + "\n" + after[1] + "\n",
            box_.Read("library.txt.played"));
}

TEST_F(FreshTest, ANewRoundUnderAFilterKeepsTheRoundOfTheOthers) {
  Build({"jazz1", "jazz2", "jazz3", "rock1", "rock2"});
  EXPECT_EQ(0, box_.Run({"-fresh", "-only", "rock"}).status);
  Fresh(2);  // two of the jazz tracks
  EXPECT_EQ(0, box_.Run({"-fresh", "-only", "jazz", "-tracks", "2"}).status);
  std::vector<std::string> record = Lines(box_.Read("library.txt.played"));
  // The round of the jazz tracks began anew; the rock tracks stay picked.
  EXPECT_EQ(5u, record.size());
  for (const char* name : {"rock1", "rock2"}) {
    EXPECT_NE(record.end(), std::find(record.begin(), record.end(),
                                      box_.Host("m/" + std::string(name) + ".mp3")))
        << name;
  }
}

TEST_F(FreshTest, WholeAlbumsInOrderAcrossANewRound) {
  for (const char* album : {"A", "B", "C"}) {
    for (int track = 1; track <= 3; ++track)
      box_.Touch("m/" + std::string(album) + "/0" + std::to_string(track) + ".mp3");
  }
  ASSERT_EQ(0, box_.Run({"-build"}).status);
  for (int run = 0; run < 3; ++run) {
    SCOPED_TRACE(run);
    Result albums = box_.Run({"-fresh", "-albums", "2"});
    EXPECT_EQ(run > 0, Holds(albums.out, kNewRound)) << albums.out;
    EXPECT_TRUE(Holds(albums.out, "6 tracks added.")) << albums.out;
    // Two albums, each whole and in order.
    std::vector<std::string> picks = Lines(box_.Read("random.m3u"));
    ASSERT_EQ(6u, picks.size());
    for (std::size_t n = 0; n < 6; ++n) {
      EXPECT_EQ(picks[n - n % 3].substr(0, picks[n].size() - 6),
                picks[n].substr(0, picks[n].size() - 6));
      EXPECT_EQ("0" + std::to_string(n % 3 + 1) + ".mp3",
                picks[n].substr(picks[n].size() - 6));
    }
    EXPECT_NE(picks[0], picks[3]);
  }
}

TEST(Selection, OptionsSayWhatTheyDoAndNothingLeftLeavesThePlaylist) {
  Sandbox box;
  box.InstallOpener();
  box.Write("library.txt", "/m/A/1.mp3\n/m/A/2.mp3\n/m/B/1.mp3\n");
  box.Write("random.m3u", "/old/pick.mp3\n");
  Result none = box.Run({"-ONLY", "/m/", "-skip", "/M/"});
  EXPECT_EQ(std::string(kBanner) +
                "Only tracks holding /m/\nSkipping tracks holding /M/\n\n"
                "Creating Random Playlist\n"
                "No track of library.txt is left by -only and -skip - no playlist made\n",
            none.out);
  EXPECT_EQ(1, none.status);
  EXPECT_EQ("/old/pick.mp3\n", box.Read("random.m3u"));

  // A value that spells an option is that option too.
  Result albums = box.Run({"-only", "-fresh", "-albums", "1"});
  EXPECT_EQ(0u, albums.out.find(std::string(kBanner) +
                                "Only tracks holding -fresh\n"
                                "Fresh Mode - no track again until every track has been "
                                "picked\nNumber of albums set to 1\n\n"));
  EXPECT_TRUE(
      Holds(albums.out, "No track of library.txt is left"));  // none holds "-fresh"
  EXPECT_EQ("/old/pick.mp3\n", box.Read("random.m3u"));

  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"-tracks", "2", "-skip"}, {"-albums", "x"}}) {
    Result lacking = box.Run(args);
    EXPECT_EQ(1, lacking.status);
    EXPECT_TRUE(Holds(lacking.out, " needs ")) << lacking.out;
    EXPECT_FALSE(Holds(lacking.out, "Creating Random Playlist"));
  }
}

}  // namespace
