// Input that is not what a user would normally write, and a build cut short:
// no crash, a clear line, the library kept and nothing left behind.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <random>

#include "tests/harness.h"

namespace {

const char kBuildFlag[] = "Library Builder Mode\n--------------------\n";

TEST(Failure, GarbagePathsFilesBuildWithoutCrashing) {
  std::mt19937 bytes(11);
  for (int round = 0; round < 20; ++round) {
    Sandbox box;
    std::string garbage;
    // Any byte but NUL, which no text file holds (see BadInput).
    for (int i = 0; i < 3000; ++i) garbage += static_cast<char>(bytes() % 255 + 1);
    // Sections that point nowhere harmful, so the garbage is judged as entries.
    box.Write("paths.ini", "[filetypes]\n" + garbage + "\n[ignore]\n" + garbage +
                               "\n[add]\nnowhere\n");
    box.Write("library.txt", "old\n");
    Result run = box.Run({"-build"});
    ASSERT_EQ(0, run.status) << run.out;
    ASSERT_NE(std::string::npos, run.out.find("Library Playlist Complete - 0 tracks"));
    EXPECT_EQ("library.txt paths.ini", box.Listing());
  }
}

TEST(Failure, AwkwardNamesReachTheLibraryUnchanged) {
  SKIP_ON_WINDOWS(
      "names with quotes and bytes that are no characters; see the Windows tests");
  Sandbox box;
  const std::vector<std::string> names = {
      "blank name.mp3", "quote\"d.mp3",   "it's.mp3", "100%.mp3",          "a&b.mp3",
      "semi;colon.mp3", "$(touch x).mp3", "`y`.mp3",  "latin\xe9\xff.mp3", "-build.mp3"};
  std::string expected;
  for (const std::string& name : names) box.Touch("m/" + name);
  std::vector<std::string> sorted = names;
  std::sort(sorted.begin(), sorted.end());
  for (const std::string& name : sorted) expected += box.At("m/" + name) + "\n";
  box.Touch("m/line\nfeed.mp3");
  box.Write("paths.ini", "[filetypes]\nmp3\n[add]\n" + box.At("m") + "\n");
  Result run = box.Run({"-build"});
  EXPECT_EQ(0, run.status);
  EXPECT_EQ(expected, box.Read("library.txt"));
  EXPECT_EQ("library.txt m paths.ini", box.Listing());  // nothing was run
  box.InstallOpener();
  box.Run({"-tracks", "40"});
  for (const std::string& pick : Lines(box.OpenedPlaylist())) {
    EXPECT_NE(std::string::npos, expected.find(pick + "\n")) << pick;
  }
}

TEST(Failure, FullDiskWhileWritingTheLibrary) {
  SKIP_ON_WINDOWS("no /dev/full");
  Sandbox box;
  for (int i = 0; i < 100; ++i)
    box.Touch("m/" + std::string(100, 'x') + std::to_string(i) + ".mp3");
  box.Write("library.txt", "old\n");
  ASSERT_EQ(0, symlink("/dev/full", box.At("library.txt.part").c_str()));
  box.Write("paths.ini", "[filetypes]\nmp3\n[add]\n" + box.At("m") + "\n");
  Result run = box.Run({"-build"});
  EXPECT_NE(std::string::npos,
            run.out.find(
                "Archiving Chosen Filetypes\nCannot write library file library.txt: No "
                "space left on device - library not changed\n"));
  EXPECT_EQ(1, run.status);
  EXPECT_EQ("old\n", box.Read("library.txt"));
  EXPECT_EQ("library.txt m paths.ini", box.Listing());
}

TEST(Failure, UnreadablePathsFileKeepsTheLibrary) {
  SKIP_ON_WINDOWS(
      "a folder cannot be opened as a file there, so the paths file counts as missing");
  Sandbox box;
  box.Touch("paths.ini/");
  box.Write("library.txt", "old\n");
  Result run = box.Run({"-build"});
  EXPECT_EQ(
      std::string(kBanner) + kBuildFlag + "\n" +
          "Cannot read paths file paths.ini: Is a directory - library not changed\n",
      run.out);
  EXPECT_EQ(1, run.status);
  EXPECT_EQ("old\n", box.Read("library.txt"));
}

// The build waits in the middle, after its first listing, until it is
// interrupted.
void InterruptBuild(int signal_number) {
  Sandbox box;
  box.Touch("m/a.mp3");
  box.Write("library.txt", "old\n");
  HeldBuild build(box);
  Result run = build.Stop(signal_number);
  EXPECT_EQ(128 + signal_number, run.status);
  EXPECT_EQ("old\n", box.Read("library.txt"));
  EXPECT_EQ("library.txt m paths.ini", box.Listing());
}

TEST(Failure, InterruptedBuildRemovesItsFilesAndKeepsTheLibrary) {
  SKIP_ON_WINDOWS("no POSIX signals");
  InterruptBuild(SIGINT);
  InterruptBuild(SIGTERM);
}

}  // namespace
