// Playlists made from libraries of several sizes, and what the player is given.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <ctime>
#include <set>

#include "tests/harness.h"

namespace {

std::string NumberedLibrary(int lines, const std::string& prefix = "/music/track") {
  std::string text;
  for (int i = 1; i <= lines; ++i) text += prefix + std::to_string(i) + ".mp3\n";
  return text;
}

std::string Made(int tracks) {
  return std::string(kBanner) + "\nCreating Random Playlist\n" + std::to_string(tracks) +
         " tracks added.\nPlaying Playlist\n";
}

// Every pick is a whole line of the library.
void ExpectPicksFrom(const std::string& library, const std::string& playlist,
                     size_t count) {
  std::vector<std::string> lines = Lines(library);
  std::set<std::string> known(lines.begin(), lines.end());
  std::vector<std::string> picks = Lines(playlist);
  EXPECT_EQ(count, picks.size());
  for (const std::string& pick : picks) EXPECT_EQ(1u, known.count(pick)) << pick;
  EXPECT_EQ('\n', playlist.empty() ? '\n' : playlist.back());
}

TEST(Playlist, OneLineLibraryGivesThatLineEveryTime) {
  Sandbox box;
  box.InstallOpener();
  box.Write("library.txt", "/music/only.mp3\n");
  Result run = box.Run({"-tracks", "7"});
  EXPECT_EQ(std::string(kBanner) +
                "Number of tracks set to 7\n\nCreating Random Playlist\n"
                "7 tracks added.\nPlaying Playlist\n",
            run.out);
  std::string expected;
  for (int i = 0; i < 7; ++i) expected += "/music/only.mp3\n";
  EXPECT_EQ(expected, box.Read("random.m3u"));
}

TEST(Playlist, PicksComeFromLibrariesOfAnySize) {
  for (int size : {3, 500, 12000}) {
    SCOPED_TRACE(size);
    Sandbox box;
    box.InstallOpener();
    std::string library = NumberedLibrary(size);
    box.Write("library.txt", library);
    Result run = box.Run({});
    EXPECT_EQ(Made(20), run.out);
    ExpectPicksFrom(library, box.Read("random.m3u"), 20);
    EXPECT_EQ(library, box.Read("library.txt"));
  }
}

TEST(Playlist, LongLinesAndALastLineWithoutNewlineArePickedWhole) {
  Sandbox box;
  box.InstallOpener();
  std::string long_name = "/music/" + std::string(5000, 'x') + ".mp3";
  box.Write("library.txt", long_name + "\n" + long_name + "2");
  box.Run({"-tracks", "30"});
  for (const std::string& pick : Lines(box.Read("random.m3u"))) {
    EXPECT_TRUE(pick == long_name || pick == long_name + "2") << pick.size();
  }
}

// The C library's generator, as the program under test draws from it: this
// process's own for the program built here, msvcrt's for the Windows one.
class Draws {
 public:
  explicit Draws(unsigned seed) : seed_(seed) { std::srand(seed); }
  int Next() {
    if (!OnWindows()) return std::rand();
    seed_ = seed_ * 214013u + 2531011u;
    return static_cast<int>((seed_ >> 16) & 0x7fff);
  }

 private:
  unsigned seed_;
};

// The playlist the walks make when the generator is seeded with `second`: 20
// to 39 warm-up walks, then one walk a pick, each of 500 to 10 499 lines,
// going round the library of `lines` lines.
std::string Walked(std::time_t second, int lines, int many) {
  Draws draws(static_cast<unsigned>(second));
  long long position = 0;  // the first walk starts before line 1
  auto walk = [&] { position = (position - 1 + draws.Next() % 10000 + 500) % lines + 1; };
  int offset = draws.Next() % 20 + 20;
  for (int n = 0; n < offset; ++n) walk();
  std::string playlist;
  for (int n = 0; n < many; ++n) {
    walk();
    playlist += "/music/track" + std::to_string(position) + ".mp3\n";
  }
  return playlist;
}

TEST(Playlist, PicksAreTheWalksOfTheRunsOwnSecond) {
  for (int size : {1, 7, 500, 12000}) {
    SCOPED_TRACE(size);
    Sandbox box;
    box.InstallOpener();
    box.Write("library.txt", NumberedLibrary(size));
    std::time_t before = std::time(nullptr);
    Result run = box.Run({"-tracks", "25"});
    std::time_t after = std::time(nullptr);
    ASSERT_EQ(0, run.status);
    std::string playlist = box.Read("random.m3u");
    bool matched = false;
    for (std::time_t second = before; second <= after && !matched; ++second) {
      matched = playlist == Walked(second, size, 25);
    }
    EXPECT_TRUE(matched) << playlist;
  }
}

TEST(Playlist, RunsInTheSameSecondGiveTheSamePlaylist) {
  Sandbox box;
  box.InstallOpener();
  box.Write("library.txt", NumberedLibrary(2000));
  for (int attempt = 0; attempt < 5; ++attempt) {
    std::time_t before = std::time(nullptr);
    box.Run({});
    std::string first = box.Read("random.m3u");
    box.Run({});
    if (std::time(nullptr) != before) continue;  // crossed a second; try again
    EXPECT_EQ(first, box.Read("random.m3u"));
    return;
  }
  GTEST_SKIP() << "no two runs fell within the same second";
}

TEST(Playlist, OpenerIsStartedOnceWithTheFinishedPlaylist) {
  SKIP_ON_WINDOWS("the playlist goes to the command interpreter's start");
  Sandbox box;
  box.InstallOpener();
  box.Write("library.txt", NumberedLibrary(50));
  Result run = box.Run({"-tracks", "25"});
  EXPECT_EQ(0, run.status);
  std::string opened = box.OpenedPlaylist();
  EXPECT_EQ(box.Read("random.m3u"), opened);
  EXPECT_EQ(25u, Lines(opened).size());
  EXPECT_EQ("random.m3u\n", box.OpenerLog());
}

TEST(Playlist, MissingOpenerIsReportedInOneLine) {
  SKIP_ON_WINDOWS("the playlist goes to the command interpreter's start");
  Sandbox box;
  box.InstallOpener(false);
  box.Write("library.txt", NumberedLibrary(5));
  Result run = box.Run({});
  EXPECT_EQ(Made(20) +
                "Cannot start xdg-open to open random.m3u (No such file or directory); "
                "open it in your player.\n",
            run.out);
  EXPECT_EQ(0, run.status);
}

TEST(Playlist, EmptyLibraryGivesAnEmptyPlaylistAndNoPlayer) {
  Sandbox box;
  box.InstallOpener();
  box.Write("library.txt", "");
  Result run = box.Run({});
  EXPECT_EQ(std::string(kBanner) + "\nCreating Random Playlist\n0 tracks added.\n",
            run.out);
  EXPECT_EQ(0, run.status);
  EXPECT_EQ("", box.Read("random.m3u"));
  EXPECT_TRUE(box.Exists("random.m3u"));
  EXPECT_EQ("", box.OpenerLog());
}

TEST(Playlist, UnwritablePlaylistIsReportedAndNothingIsPlayed) {
  Sandbox box;
  box.InstallOpener();
  box.Write("library.txt", NumberedLibrary(5));
  box.Touch("random.m3u/");
  Result run = box.Run({});
  EXPECT_EQ(std::string(kBanner) + "\nCannot create random.m3u: " +
                // Windows reports a folder in the way as a denied access.
                (OnWindows() ? "Permission denied" : "Is a directory") + "\n",
            run.out);
  EXPECT_NE(0, run.status);
  EXPECT_EQ("", box.OpenerLog());
}

TEST(Playlist, FullDiskIsReportedAndNothingIsPlayed) {
  Sandbox box;
  box.InstallOpener();
  box.Write("library.txt", NumberedLibrary(5, "/music/" + std::string(300, 'n')));
  ASSERT_EQ(0, symlink("/dev/full", box.At("random.m3u").c_str()));
  Result run = box.Run({});
  EXPECT_EQ(std::string(kBanner) +
                "\nCreating Random Playlist\n20 tracks added.\n"
                "Cannot write random.m3u: No space left on device\n",
            run.out);
  EXPECT_NE(0, run.status);
  EXPECT_EQ("", box.OpenerLog());
}

}  // namespace
