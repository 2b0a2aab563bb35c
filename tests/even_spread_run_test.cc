// -even and -spread seen from outside: what they say, who a track is by (the
// folders, the [add] folders, the tag index), and how they go with the
// options they combine with. Runs against the Windows program too.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "tests/harness.h"

namespace {

bool Holds(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// The folder of each track of the playlist, in order.
std::vector<std::string> Folders(const Sandbox& box) {
  std::vector<std::string> folders;
  for (const std::string& line : Lines(box.Read("random.m3u"))) {
    if (line.empty() || line[0] == '#') continue;
    folders.push_back(line.substr(0, line.find_last_of("/\\")));
  }
  return folders;
}

class EvenSpreadTest : public testing::Test {
 protected:
  EvenSpreadTest() {
    box_.InstallOpener();
    // One artist of two albums and twelve tracks, one of a single track, and
    // five tracks directly in the [add] folder, each its own artist.
    for (int n = 0; n < 12; ++n)
      box_.Write("m/Big/" + std::string(n < 6 ? "One" : "Two") + "/" + std::to_string(n) +
                     ".wav",
                 Wav(60, "", ""));
    box_.Write("m/Small/Only/0.wav", Wav(60, "", ""));
    for (int n = 0; n < 5; ++n)
      box_.Write("m/loose" + std::to_string(n) + ".wav", Wav(60, "", ""));
    box_.Write("paths.ini", "[filetypes]\nwav\n[add]\n" + box_.Host("m") + "\n");
    EXPECT_EQ(0, box_.Run({"-build"}).status);
  }

  // How many tracks of the big artist the playlist holds.
  int Big() {
    int big = 0;
    for (const std::string& folder : Folders(box_)) big += Holds(folder, "Big");
    return big;
  }

  Sandbox box_;
};

TEST_F(EvenSpreadTest, EveryArtistAsLikelyAndNoneTwiceInARow) {
  Result even = box_.Run({"-EVEN", "-tracks", "7"});
  EXPECT_EQ(0u,
            even.out.find(std::string(kBanner) +
                          "Even chance for every artist\nNumber of tracks set to 7\n\n"))
      << even.out;
  // Seven artists, each once.
  EXPECT_EQ(1, Big());
  EXPECT_EQ(7u, Folders(box_).size());

  Result spread = box_.Run({"-spread", "-tracks", "100"});
  EXPECT_TRUE(Holds(spread.out, "Spread: no artist twice in a row\n")) << spread.out;
  // The walks' picks may repeat; of the shuffle's, twelve of eighteen are the
  // big artist's, who must then come six times after itself and no more.
  for (const std::vector<std::string>& options :
       {std::vector<std::string>{"-spread", "-shuffle", "-tracks", "100"},
        {"-spread", "-even", "-tracks", "100"}}) {
    ASSERT_EQ(0, box_.Run(options).status);
    std::vector<std::string> folders = Folders(box_);
    ASSERT_EQ(18u, folders.size());
    int pairs = 0;
    for (std::size_t n = 1; n < folders.size(); ++n)
      pairs += Holds(folders[n], "Big") && Holds(folders[n - 1], "Big");
    EXPECT_EQ(12 * 2 - 18 - 1, pairs);
  }
  // Albums stay whole, and one artist's two are no neighbours.
  ASSERT_EQ(
      0, box_.Run({"-spread", "-albums", "3", "-only", "Big", "-only", "Small"}).status);
  std::vector<std::string> folders = Folders(box_);
  ASSERT_EQ(13u, folders.size());
  EXPECT_TRUE(Holds(folders[6], "Small")) << folders[6];

  // With -albums, every artist as likely, then each of its albums.
  for (int run = 0; run < 5; ++run) {
    ASSERT_EQ(
        0, box_.Run({"-even", "-albums", "2", "-only", "Big", "-only", "Small"}).status);
    EXPECT_EQ(6, Big());
  }
  // With -minutes, the tracks are tried in an even order: seven minutes,
  // seven artists.
  ASSERT_EQ(0, box_.Run({"-even", "-minutes", "7"}).status);
  EXPECT_EQ(1, Big());
  // With -fresh, an artist is fresh while any of its tracks is: the big
  // artist comes in each of the runs until its twelve tracks are picked.
  std::set<std::string> picked;
  for (int run = 0; run < 12; ++run) {
    ASSERT_EQ(0, box_.Run({"-even", "-fresh", "-tracks", "2", "-only", "Big", "-only",
                           "loose0"})
                     .status);
    for (const std::string& line : Lines(box_.Read("random.m3u"))) picked.insert(line);
  }
  EXPECT_EQ(13u, picked.size());
}

TEST_F(EvenSpreadTest, TheTagIndexSaysWhoATrackIsBy) {
  if (Holds(box_.Run({"-minutes", "1"}).out, "cannot read")) GTEST_SKIP() << "no TagLib";
  // The loose tracks are all one band's, by their tags.
  for (int n = 0; n < 5; ++n)
    box_.Write("m/loose" + std::to_string(n) + ".wav", Wav(60, "Band", "Song"));
  ASSERT_EQ(0, box_.Run({"-build", "-tags"}).status);
  ASSERT_EQ(0, box_.Run({"-even", "-tracks", "3"}).status);
  std::map<std::string, int> by;
  for (const std::string& folder : Folders(box_))
    by[Holds(folder, "Big") ? "Big" : folder]++;
  // Three artists: the big one, the small one and the band, once each.
  EXPECT_EQ(3u, by.size());
  EXPECT_EQ(1, by["Big"]);
}

}  // namespace
