// Files that are not what their option says: endless devices, binary files and
// text without line ends. Each ends at once with one line that names the file
// and the line; no player starts, no library is replaced, and memory stays small.
#include <gtest/gtest.h>

#include <cstdio>

#include "tests/harness.h"

namespace {

const char kBuildFlag[] = "Library Builder Mode\n--------------------\n";

std::string NotALibrary(const std::string& name, const std::string& problem) {
  return std::string(kBanner) + "Using Library set " + name +
         "\n\nCreating Random Playlist\n" + name + ": " + problem +
         ", so it does not look like a library file\n";
}

// Well within the bound, whatever the size of the file. Not measured under
// Wine, whose own memory it would be, nor in a sanitizer build.
void ExpectLittleMemory(const Result& run) {
#ifndef SONGWHIM_SANITIZED
  if (!OnWindows()) {
    EXPECT_LT(run.max_rss_kib, 16 * 1024);
  }
#else
  (void)run;
#endif
}

void ExpectRefusedPlaylist(const Sandbox& box, const Result& run) {
  EXPECT_EQ(1, run.status);
  EXPECT_FALSE(box.Exists("random.m3u"));
  EXPECT_EQ("", box.OpenerLog());
  ExpectLittleMemory(run);
}

TEST(BadInput, EndlessZerosAsTheLibraryEndAtOnce) {
  SKIP_ON_WINDOWS("no /dev/zero");
  Sandbox box;
  box.InstallOpener();
  Result run = box.Run({"-library", "/dev/zero"});
  EXPECT_EQ(NotALibrary("/dev/zero", "line 1 holds a NUL byte"), run.out);
  ExpectRefusedPlaylist(box, run);
}

TEST(BadInput, TextWithoutLineEndsIsNoLibrary) {
  Sandbox box;
  box.InstallOpener();
  box.Write("big.txt", "/music/" + std::string(40 << 20, 'x'));
  Result run = box.Run({"-library", "big.txt"});
  EXPECT_EQ(NotALibrary("big.txt", "line 1 is longer than 65536 bytes"), run.out);
  ExpectRefusedPlaylist(box, run);
}

TEST(BadInput, OverlongLineIsNamedByItsOwnNumber) {
  Sandbox box;
  box.InstallOpener();
  // The walks that come round again after the bad line read no further.
  std::string lines;
  for (int i = 0; i < 20000; ++i) lines += "/music/" + std::to_string(i) + ".mp3\n";
  box.Write("long.txt", "/a.mp3\n/b.mp3\n/" + std::string(70000, 'x') + "\n" + lines);
  Result run = box.Run({"-library", "long.txt"});
  EXPECT_EQ(NotALibrary("long.txt", "line 3 is longer than 65536 bytes"), run.out);
  ExpectRefusedPlaylist(box, run);
}

TEST(BadInput, BinaryFileAsTheLibraryLeavesNoPlaylist) {
  Sandbox box;
  box.InstallOpener();
  // Lines that pass until the NUL byte of a typical tag header: the picks
  // made before the walk reached it do not stay behind in random.m3u.
  std::string song;
  for (int i = 0; i < 3000; ++i) song += "\xff\xfb\x90" + std::to_string(i) + "\n";
  song += std::string("ID3\x03\0\0", 6) + "rest\n";
  box.Write("song.mp3", song);
  Result run = box.Run({"-library", "song.mp3", "-tracks", "2000"});
  EXPECT_EQ(std::string(kBanner) +
                "Using Library set song.mp3\nNumber of tracks set to "
                "2000\n\nCreating Random Playlist\nsong.mp3: line 3001 "
                "holds a NUL byte, so it does not look like a library file\n",
            run.out);
  ExpectRefusedPlaylist(box, run);
}

TEST(BadInput, LinesJustUnderTheBoundStillWork) {
  Sandbox box;
  box.InstallOpener();
  // 65 536 bytes before the line end: the longest line there may be.
  std::string longest = "/music/" + std::string(65536 - 11, 'x') + ".mp3";
  ASSERT_EQ(65536u, longest.size());
  box.Write("library.txt", longest + "\n");
  Result run = box.Run({"-tracks", "2"});
  EXPECT_EQ(0, run.status);
  EXPECT_EQ(longest + "\n" + longest + "\n", box.Read("random.m3u"));

  box.Touch("m/a.mp3");
  std::string ignore(65536, 'i');
  box.Write("paths.ini",
            "[ignore]\n" + ignore + "\n[filetypes]\nmp3\n[add]\n" + box.Host("m") + "\n");
  Result build = box.Run({"-build"});
  EXPECT_NE(std::string::npos, build.out.find("Library Playlist Complete - 1 tracks"));
  EXPECT_EQ(box.Host("m/a.mp3") + "\n", box.Read("library.txt"));
}

// A paths file that is no text stops the build before anything is listed or
// replaced: endless zeros, a NUL byte after the entries that came before it,
// and a line over the bound.
TEST(BadInput, PathsFilesThatAreNoTextStopTheBuild) {
  struct Case {
    std::string name, text, problem;
  };
  Sandbox box;
  box.Touch("m/a.mp3");
  box.Write("library.txt", "old\n");
  const Case cases[] = {
      {"/dev/zero", "", "line 1 holds a NUL byte"},
      {"binary.ini",
       "[filetypes]\nmp3\n[add]\n" + box.Host("m") + std::string("\0x\n", 3),
       "line 4 holds a NUL byte"},
      {"long.ini", "[ignore]\n" + std::string(65537, 'i') + "\n",
       "line 2 is longer than 65536 bytes"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.name == "/dev/zero" && OnWindows()) continue;
    if (!c.text.empty()) box.Write(c.name, c.text);
    Result run = box.Run({"-build", "-paths", c.name});
    EXPECT_EQ(std::string(kBanner) + kBuildFlag + "Using Path set " + c.name + "\n\n" +
                  c.name + ": " + c.problem +
                  ", so it does not look like a paths file - library not changed\n",
              run.out);
    EXPECT_EQ(1, run.status);
    EXPECT_EQ("old\n", box.Read("library.txt"));
    if (!c.text.empty()) std::remove(box.At(c.name).c_str());
    EXPECT_EQ("library.txt m", box.Listing());
    ExpectLittleMemory(run);
  }
}

TEST(BadInput, SectionsHoldAtMostAHundredThousandEntries) {
  Sandbox box;
  box.Write("library.txt", "old\n");
  std::string types = "[filetypes]\n";
  for (int n = 0; n < 100000; ++n) types += "mp3\n";
  box.Write("paths.ini", types);
  Result full = box.Run({"-build"});
  EXPECT_EQ(0, full.status) << full.out;
  box.Write("paths.ini", types + "ogg\n");
  Result over = box.Run({"-build"});
  EXPECT_EQ(
      std::string(kBanner) + kBuildFlag +
          "\npaths.ini: line 100002: more than 100000 [filetypes] entries - library "
          "not changed\n",
      over.out);
  EXPECT_EQ(1, over.status);
  EXPECT_EQ("", box.Read("library.txt"));  // from the build that was allowed
}

}  // namespace
