// What only the Windows program does, run under Wine: listings through the
// command interpreter's `dir`, CR LF files and code pages.
#include <gtest/gtest.h>

#include "tests/harness.h"

namespace {

#define ONLY_ON_WINDOWS() \
  if (!OnWindows()) GTEST_SKIP() << "checks the Windows program"

const char kBuildFlag[] = "Library Builder Mode\n--------------------\n";

std::vector<std::string> Sorted(std::vector<std::string> lines) {
  std::sort(lines.begin(), lines.end());
  return lines;
}

TEST(Windows, BuildThroughDirWritesCrLfFilesAndPlays) {
  ONLY_ON_WINDOWS();
  Sandbox box;
  for (const char* name : {"m/top.mp3", "m/a/x.MP3", "m/a/notes.txt", "m/b c/y.mp3"}) {
    box.Touch(name);
  }
  box.Write("paths.ini", "[filetypes]\r\nmp3\r\n[add]\r\n" + box.Host("m") + "\r\n");
  Result build = box.Run({"-build"});
  EXPECT_EQ(std::string(kBanner) + kBuildFlag +
                "\nCreating Directory Listing 1 : " + box.Host("m") +
                " ... Complete\n--------------------\nCompiling Music Archive\n"
                "Removing Unwanted Paths\nArchiving Chosen Filetypes\n"
                "--------------------\n\nLibrary Playlist Complete - 3 tracks counted.\n",
            build.out);
  std::vector<std::string> expected = {box.Host("m/top.mp3"), box.Host("m/a/x.MP3"),
                                       box.Host("m/b c/y.mp3")};
  EXPECT_EQ(Sorted(expected), Sorted(Lines(box.Read("library.txt"))));
  std::string bytes = box.ReadBytes("library.txt");
  EXPECT_EQ(3u, static_cast<size_t>(std::count(bytes.begin(), bytes.end(), '\r')));
  EXPECT_EQ("library.txt m paths.ini", box.Listing());

  Result play = box.Run({"-tracks", "4"});
  EXPECT_EQ(std::string(kBanner) +
                "Number of tracks set to 4\n\nCreating Random Playlist\n"
                "4 tracks added.\nPlaying Playlist\n",
            play.out);
  std::string playlist = box.ReadBytes("random.m3u");
  EXPECT_EQ(4u, static_cast<size_t>(std::count(playlist.begin(), playlist.end(), '\r')));
  for (const std::string& pick : Lines(box.Read("random.m3u"))) {
    EXPECT_NE(expected.end(), std::find(expected.begin(), expected.end(), pick)) << pick;
  }
}

TEST(Windows, NamesTheInterpreterTreatsSpeciallyAreListed) {
  ONLY_ON_WINDOWS();
  Sandbox box;
  const std::vector<std::string> names = {"a & b/1.mp3", "100% sure/2.mp3",
                                          "semi;colon/3.mp3", "(paren)/4.mp3",
                                          "caret^/5.mp3"};
  std::vector<std::string> expected;
  for (const std::string& name : names) {
    box.Touch("m/" + name);
    expected.push_back(box.Host("m/" + name));
  }
  box.Touch("a & b/6.mp3");
  expected.push_back(box.Host("a & b/6.mp3"));
  box.Write("paths.ini", "[filetypes]\nmp3\n[add]\n" + box.Host("m") + "\n" +
                             box.Host("a & b") + "\n");
  Result run = box.Run({"-build"});
  EXPECT_NE(std::string::npos,
            run.out.find("Library Playlist Complete - 6 tracks counted.\n"));
  EXPECT_EQ(Sorted(expected), Sorted(Lines(box.Read("library.txt"))));
}

TEST(Windows, QuoteInAFolderNameNeverReachesTheInterpreter) {
  ONLY_ON_WINDOWS();
  Sandbox box;
  std::string entry = box.Host("m") + "\" & echo pwned > pwned.txt & rem \"";
  box.Write("paths.ini", "[filetypes]\nmp3\n[add]\n" + entry + "\n");
  Result run = box.Run({"-build"});
  EXPECT_EQ(
      std::string(kBanner) + kBuildFlag + "\nCreating Directory Listing 1 : " + entry +
          " (not a usable folder name) ... Complete\n--------------------\n"
          "Compiling Music Archive\nRemoving Unwanted Paths\nArchiving Chosen Filetypes\n"
          "--------------------\n\nLibrary Playlist Complete - 0 tracks counted.\n",
      run.out);
  EXPECT_EQ("library.txt paths.ini", box.Listing());
}

TEST(Windows, AccentedNamesReachThePlaylistInTheAnsiCodePage) {
  ONLY_ON_WINDOWS();
  Sandbox box;
  // Written in UTF-8 here; Wine shows them to Windows programs as é and ü.
  box.Touch("m/caf\xc3\xa9/m\xc3\xbcsic.mp3");
  box.Write("paths.ini", "[filetypes]\nmp3\n[add]\n" + box.Host("m") + "\n");
  box.Run({"-build"});
  // The library holds UTF-8; the playlist, the ANSI code page 1252, where é
  // is 0xe9 and ü 0xfc.
  EXPECT_EQ(box.Host("m") + "\\caf\xc3\xa9\\m\xc3\xbcsic.mp3\n", box.Read("library.txt"));
  box.Run({"-tracks", "2"});
  std::string track = box.Host("m") + "\\caf\xe9\\m\xfcsic.mp3";
  EXPECT_EQ(track + "\n" + track + "\n", box.Read("random.m3u"));
}

TEST(Windows, LibraryOfAnOlderBuildInTheAnsiCodePageStillPlays) {
  ONLY_ON_WINDOWS();
  Sandbox box;
  box.Touch("m/caf\xc3\xa9.mp3");
  // As builds before UTF-8 wrote it, in code page 1252: é is 0xe9.
  std::string track = box.Host("m") + "\\caf\xe9.mp3\n";
  box.Write("library.txt", track);
  Result run = box.Run({"-tracks", "2"});
  EXPECT_EQ(std::string(kBanner) +
                "Number of tracks set to 2\n\nCreating Random Playlist\n2 tracks added.\n"
                "Playing Playlist\n",
            run.out);
  EXPECT_EQ(track + track, box.Read("random.m3u"));
}

TEST(Windows, ListingIsWhatDirListsInItsOrder) {
  ONLY_ON_WINDOWS();
  Sandbox box;
  // Every name ends in mp3, folders too: the library holds the files of the
  // listing, and no folder.
  for (const char* name :
       {"r/z.mp3", "r/b.mp3/2.mp3", "r/b.mp3/x.mp3/deep.mp3", "r/a.mp3/", "r/c 1.mp3",
        "r/Bj\xc3\xb6rk.mp3/\xd0\x9a\xd0\xb8\xd0\xbd\xd0\xbe.mp3/\xf0\x9f\x8e\xb5.mp3",
        "r/Bj\xc3\xb6rk.mp3/\xe6\x97\xa5\xe6\x9c\xac.mp3", "r/b.mp3/1.mp3"}) {
    box.Touch(name);
  }
  box.Write("paths.ini", "[filetypes]\nmp3\n[add]\n" + box.Host("r") + "\n");
  box.Run({"-build"});
  // What the command interpreter lists, in UTF-16.
  const char* runner = std::getenv("SONGWHIM_RUNNER");
  if (!runner) GTEST_SKIP() << "needs the runner of Windows programs";
  std::string command = std::string(runner) + " cmd /u /c dir \"" + box.Host("r") +
                        "\" /s/b/a-d > '" + box.At("dir.txt") + "'";
  ASSERT_EQ(0, std::system(command.c_str()));
  std::string wide = box.ReadBytes("dir.txt"), listed;
  for (std::size_t i = 0; i + 1 < wide.size(); i += 2) {
    unsigned unit = static_cast<unsigned char>(wide[i]) |
                    static_cast<unsigned char>(wide[i + 1]) << 8;
    if (unit >= 0xd800 && unit < 0xdc00 && i + 3 < wide.size()) {
      unsigned low = static_cast<unsigned char>(wide[i + 2]) |
                     static_cast<unsigned char>(wide[i + 3]) << 8;
      unit = 0x10000 + ((unit - 0xd800) << 10) + (low - 0xdc00);
      i += 2;
    }
    if (unit == '\r') continue;
    if (unit < 0x80) {
      listed += static_cast<char>(unit);
    } else if (unit < 0x800) {
      listed +=
          {static_cast<char>(0xc0 | unit >> 6), static_cast<char>(0x80 | (unit & 0x3f))};
    } else if (unit < 0x10000) {
      listed += {static_cast<char>(0xe0 | unit >> 12),
                 static_cast<char>(0x80 | ((unit >> 6) & 0x3f)),
                 static_cast<char>(0x80 | (unit & 0x3f))};
    } else {
      listed += {static_cast<char>(0xf0 | unit >> 18),
                 static_cast<char>(0x80 | ((unit >> 12) & 0x3f)),
                 static_cast<char>(0x80 | ((unit >> 6) & 0x3f)),
                 static_cast<char>(0x80 | (unit & 0x3f))};
    }
  }
  EXPECT_EQ(listed, box.Read("library.txt"));
  EXPECT_EQ(7u, Lines(listed).size());
}

}  // namespace
