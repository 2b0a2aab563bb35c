// Builds that overlap: a second build started while one runs changes nothing
// and says which lock it met; a playlist made meanwhile uses the old library.
#include <gtest/gtest.h>
#include <signal.h>

#include <set>

#include "tests/harness.h"

namespace {

const char kBuildFlag[] = "Library Builder Mode\n--------------------\n";

// A build refused because of `lock`; `options` is what the options after
// -build printed.
std::string Refused(const std::string& options, const std::string& lock) {
  return std::string(kBanner) + kBuildFlag + options +
         "\nAnother build is running: " + lock + " is locked - library not changed\n";
}

std::string Completed(int tracks) {
  return "--------------------\n\nLibrary Playlist Complete - " + std::to_string(tracks) +
         " tracks counted.\n";
}

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() &&
         text.compare(text.size() - end.size(), end.size(), end) == 0;
}

TEST(Overlap, SecondBuildInTheSameFolderChangesNothing) {
  Sandbox box;
  box.Touch("m/a.mp3");
  box.Write("library.txt", "old\n");
  box.Write("other.ini", "[filetypes]\nmp3\n[add]\n" + box.Host("m") + "\n");
  HeldBuild first(box);
  // Another library, but the same listings and merge file.
  Result second = box.Run({"-build", "-library", "other.txt", "-paths", "other.ini"});
  EXPECT_EQ(
      Refused("Using Library set other.txt\nUsing Path set other.ini\n", "songwhim.lock"),
      second.out);
  EXPECT_EQ(1, second.status);
  EXPECT_FALSE(box.Exists("other.txt"));
  EXPECT_EQ("old\n", box.Read("library.txt"));

  Result done = first.Finish();
  EXPECT_TRUE(EndsWith(done.out, Completed(1))) << done.out;
  EXPECT_EQ(box.Host("m/a.mp3") + "\n", box.Read("library.txt"));
  EXPECT_EQ("library.txt m other.ini paths.ini", box.Listing());
}

TEST(Overlap, SecondBuildOfTheSameLibraryFromElsewhereChangesNothing) {
  Sandbox box;
  Sandbox elsewhere;
  box.Touch("m/a.mp3");
  box.Write("library.txt", "old\n");
  elsewhere.Write("paths.ini", "[filetypes]\nmp3\n[add]\n" + box.Host("m") + "\n");
  HeldBuild first(box);
  std::string library = box.Host("library.txt");
  Result second = elsewhere.Run({"-build", "-library", library});
  EXPECT_EQ(Refused("Using Library set " + library + "\n", library + ".lock"),
            second.out);
  EXPECT_EQ(1, second.status);
  EXPECT_EQ("paths.ini", elsewhere.Listing());
  EXPECT_TRUE(EndsWith(first.Finish().out, Completed(1)));
  EXPECT_EQ("library.txt m paths.ini", box.Listing());
}

TEST(Overlap, PlaylistDuringABuildUsesTheOldLibrary) {
  Sandbox box;
  box.InstallOpener();
  box.Touch("m/a.mp3");
  box.Write("library.txt", "/old/one.mp3\n");
  HeldBuild build(box);
  Result play = box.Run({"-tracks", "3"});
  EXPECT_EQ(0, play.status);
  EXPECT_EQ("/old/one.mp3\n/old/one.mp3\n/old/one.mp3\n", box.Read("random.m3u"));
  EXPECT_TRUE(EndsWith(build.Finish().out, Completed(1)));
}

TEST(Overlap, KilledBuildDoesNotBlockTheNext) {
  SKIP_ON_WINDOWS("no POSIX signals");
  Sandbox box;
  box.Touch("m/a.mp3");
  box.Write("again.ini", "[filetypes]\nmp3\n[add]\n" + box.Host("m") + "\n");
  HeldBuild killed(box);
  killed.Stop(SIGKILL);
  // Its lock files stay, unlocked, and the next build takes them over.
  Result next = box.Run({"-build", "-paths", "again.ini"});
  EXPECT_TRUE(EndsWith(next.out, Completed(1))) << next.out;
  EXPECT_EQ("again.ini library.txt m paths.ini", box.Listing());
}

// Builds started together, over and over: whichever run wins, the library is
// always one whole build, and each run either built it or said it did not.
TEST(Overlap, BuildsStartedTogetherLeaveOneWholeLibrary) {
  Sandbox box;
  std::string expected;
  for (int i = 0; i < 2000; ++i) {
    std::string name =
        "m/d" + std::to_string(i / 100) + "/t" + std::to_string(i) + ".mp3";
    box.Touch(name);
  }
  box.Write("paths.ini", "[filetypes]\nmp3\n[add]\n" + box.Host("m") + "\n");
  for (int round = 0; round < 5; ++round) {
    SCOPED_TRACE(round);
    std::vector<Running> runs;
    for (int n = 0; n < 4; ++n) runs.push_back(box.Start({"-build"}));
    int built = 0;
    for (const Running& running : runs) {
      Result run = Finish(running);
      if (run.status == 0) {
        ++built;
        EXPECT_TRUE(EndsWith(run.out, Completed(2000))) << run.out;
      } else {
        EXPECT_EQ(1, run.status);
        EXPECT_TRUE(run.out == Refused("", "songwhim.lock") ||
                    run.out == Refused("", "library.txt.lock"))
            << run.out;
      }
    }
    EXPECT_GE(built, 1);
    std::vector<std::string> library = Lines(box.Read("library.txt"));
    EXPECT_EQ(2000u, library.size());
    EXPECT_EQ(2000u, std::set<std::string>(library.begin(), library.end()).size());
    EXPECT_EQ("library.txt m paths.ini", box.Listing());
  }
}

}  // namespace
