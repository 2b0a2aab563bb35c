// -shuffle seen from outside: distinct picks from anywhere in the library, the
// option's place in the scan, and the same messages as an ordinary run.
#include <gtest/gtest.h>

#include <set>

#include "tests/harness.h"

namespace {

const char kShuffleMode[] = "Shuffle Mode - every track as likely, none twice\n";

std::string NumberedLibrary(int lines) {
  std::string text;
  for (int i = 1; i <= lines; ++i) text += "/music/track" + std::to_string(i) + ".mp3\n";
  return text;
}

std::string Played(const std::string& options, int tracks) {
  return std::string(kBanner) + options + "\nCreating Random Playlist\n" +
         std::to_string(tracks) + " tracks added.\nPlaying Playlist\n";
}

std::vector<std::string> Sorted(std::vector<std::string> lines) {
  std::sort(lines.begin(), lines.end());
  return lines;
}

TEST(Shuffle, PicksAreDistinctLinesFromAnywhereInTheLibrary) {
  Sandbox box;
  box.InstallOpener();
  std::string library = NumberedLibrary(3000);
  box.Write("library.txt", library);
  std::set<std::string> known;
  for (const std::string& line : Lines(library)) known.insert(line);
  std::set<std::string> seen;
  bool late = false;
  for (int run = 0; run < 5; ++run) {
    Result result = box.Run({"-shuffle", "-tracks", "60"});
    EXPECT_EQ(Played(std::string(kShuffleMode) + "Number of tracks set to 60\n", 60),
              result.out);
    std::vector<std::string> picks = Lines(box.Read("random.m3u"));
    ASSERT_EQ(60u, picks.size());
    EXPECT_EQ(60u, std::set<std::string>(picks.begin(), picks.end()).size());
    for (const std::string& pick : picks) {
      EXPECT_EQ(1u, known.count(pick)) << pick;
      late = late || std::stoi(pick.substr(std::string("/music/track").size())) > 2700;
      seen.insert(pick);
    }
  }
  // Runs differ, and the last tenth of the library is reached.
  EXPECT_GT(seen.size(), 200u);
  EXPECT_TRUE(late);
}

TEST(Shuffle, MoreTracksThanLinesGiveEveryLineOnce) {
  Sandbox box;
  box.InstallOpener();
  // The last line has no line feed; the playlist still ends each pick in one.
  box.Write("library.txt", NumberedLibrary(6) + "/music/last.mp3");
  Result result = box.Run({"-tracks", "50", "-Shuffle"});
  EXPECT_EQ(0, result.status);
  EXPECT_EQ(Played("Number of tracks set to 50\n" + std::string(kShuffleMode), 7),
            result.out);
  EXPECT_EQ(Sorted(Lines(NumberedLibrary(6) + "/music/last.mp3\n")),
            Sorted(Lines(box.Read("random.m3u"))));
  std::string playlist = box.Read("random.m3u");
  EXPECT_EQ(7, std::count(playlist.begin(), playlist.end(), '\n'));
}

TEST(Shuffle, WholeWordInAnyCaseAlsoAsAnotherOptionsValue) {
  Sandbox box;
  box.InstallOpener();
  box.Write("-SHUFFLE", NumberedLibrary(3));
  // The library's name spells the option, so it shuffles too.
  Result named = box.Run({"-library", "-SHUFFLE", "-tracks", "9"});
  EXPECT_EQ(Played("Using Library set -SHUFFLE\n" + std::string(kShuffleMode) +
                       "Number of tracks set to 9\n",
                   3),
            named.out);
  // A longer word is no option at all: the ordinary walk, repeats and all.
  box.Write("library.txt", NumberedLibrary(3));
  Result longer = box.Run({"-shufflex", "-tracks", "9"});
  EXPECT_EQ(Played("Number of tracks set to 9\n", 9), longer.out);
}

TEST(Shuffle, BuildStillWinsAndEmptyOrBadLibrariesActAsWithoutIt) {
  Sandbox box;
  box.InstallOpener();
  box.Touch("m/a.mp3");
  box.Write("paths.ini", "[filetypes]\nmp3\n[add]\n" + box.Host("m") + "\n");
  Result build = box.Run({"-shuffle", "-build"});
  EXPECT_EQ(0u, build.out.find(std::string(kBanner) + kShuffleMode +
                               "Library Builder Mode\n--------------------\n"));
  EXPECT_EQ(box.Host("m/a.mp3") + "\n", box.Read("library.txt"));

  box.Write("library.txt", "");
  Result empty = box.Run({"-shuffle"});
  EXPECT_EQ(std::string(kBanner) + kShuffleMode +
                "\nCreating Random Playlist\n0 tracks added.\n",
            empty.out);
  EXPECT_EQ("", box.OpenerLog());

  box.Write("library.txt", "/music/a.mp3\n" + std::string(70000, 'x') + "\n");
  Result bad = box.Run({"-shuffle"});
  EXPECT_EQ(std::string(kBanner) + kShuffleMode +
                "\nCreating Random Playlist\nlibrary.txt: line 2 is longer than 65536 "
                "bytes, so it does not look like a library file\n",
            bad.out);
  EXPECT_EQ(1, bad.status);
  // The last playlist, that of the empty library, stays.
  EXPECT_TRUE(box.Exists("random.m3u"));
  EXPECT_EQ("", box.Read("random.m3u"));
  EXPECT_EQ("", box.OpenerLog());
}

// Overlapping [add] folders list the tracks of one folder twice, and a hand
// edit leaves blank lines: every fair pick takes each track once at most,
// and no blank line.
TEST(Shuffle, FairPicksTakeATrackListedTwiceOnceAndNoBlankLine) {
  Sandbox box;
  box.InstallOpener();
  for (const char* name : {"m/a.mp3", "m/Jazz/b.mp3", "m/Jazz/c.mp3", "m/Rock/d.mp3"})
    box.Touch(name);
  box.Write("paths.ini", "[filetypes]\nmp3\n[add]\n" + box.Host("m") + "\n" +
                             box.Host("m/Jazz") + "\n");
  ASSERT_EQ(0, box.Run({"-build"}).status);
  ASSERT_EQ(6u, Lines(box.Read("library.txt")).size());
  box.Write("library.txt", box.Read("library.txt") + "\n  \n");
  for (const std::vector<std::string>& options :
       {std::vector<std::string>{"-shuffle", "-tracks", "100"},
        {"-fresh", "-tracks", "100"},
        {"-only", "mp3", "-tracks", "100"},
        {"-albums", "100"}}) {
    SCOPED_TRACE(options[0]);
    Result run = box.Run(options);
    EXPECT_EQ(0, run.status);
    EXPECT_NE(std::string::npos, run.out.find("\n4 tracks added.\n")) << run.out;
    std::vector<std::string> picks = Lines(box.Read("random.m3u"));
    EXPECT_EQ(4u, std::set<std::string>(picks.begin(), picks.end()).size());
    EXPECT_EQ(4u, picks.size());
  }
}

// A library that turns out to be some other file leaves the last playlist as
// it was, whichever way picks from it.
TEST(Shuffle, ALibraryThatIsNoneLeavesTheLastPlaylist) {
  Sandbox box;
  box.InstallOpener();
  box.Write("random.m3u", "/old/pick.mp3\n");
  box.Write("library.txt", NumberedLibrary(3000) + std::string("\0\n", 2));
  for (const std::vector<std::string>& options :
       {std::vector<std::string>{}, {"-shuffle"}, {"-fresh"}, {"-albums", "2"}}) {
    Result run = box.Run(options);
    EXPECT_EQ(1, run.status);
    EXPECT_NE(std::string::npos, run.out.find("library.txt: line 3001 holds a NUL byte"))
        << run.out;
    EXPECT_EQ("/old/pick.mp3\n", box.Read("random.m3u"));
    EXPECT_EQ("library.txt random.m3u", box.Listing());
    EXPECT_EQ("", box.OpenerLog());
  }
}

}  // namespace
