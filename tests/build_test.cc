// Library builds from folder trees made by the tests, seen from outside: the
// console text, the library file and what is left in the working folder.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/harness.h"

namespace {

const char kBuildFlag[] = "Library Builder Mode\n--------------------\n";

std::string Listed(int number, const std::string& folder, const std::string& note = "") {
  return "Creating Directory Listing " + std::to_string(number) + " : " + folder + " " +
         note + "... Complete\n";
}

std::string Finished(int tracks) {
  return "--------------------\nCompiling Music Archive\nRemoving Unwanted Paths\n"
         "Archiving Chosen Filetypes\n--------------------\n\n"
         "Library Playlist Complete - " +
         std::to_string(tracks) + " tracks counted.\n";
}

std::string Built(const std::string& listings, int tracks) {
  return std::string(kBanner) + kBuildFlag + "\n" + listings + Finished(tracks);
}

// A small collection: two albums, a folder whose name looks like a track, and
// files of other types.
void MakeCollection(const Sandbox& box) {
  for (const char* name :
       {"m/b/2.mp3", "m/b/1.MP3", "m/a/x.flac", "m/a/y.wav", "m/top.mp3",
        "m/odd.mp3/inner.ogg", "m/Old/o.mp3", "m/Oldies/p.mp3"}) {
    box.Touch(name);
  }
}

TEST(Build, ConsoleTextLibraryAndNothingLeftBehind) {
  Sandbox box;
  MakeCollection(box);
  box.Write("paths.ini", "[filetypes]\nmp3\n*.FLAC\n[add]\n" + box.At("m") + "\n");
  Result run = box.Run({"-build"});
  EXPECT_EQ(Built(Listed(1, box.At("m")), 7), run.out);
  EXPECT_EQ(0, run.status);
  const std::string m = box.At("m");
  // A folder's own entries come before what its subfolders hold, by name.
  EXPECT_EQ(m + "/odd.mp3\n" + m + "/top.mp3\n" + m + "/Old/o.mp3\n" + m +
                "/Oldies/p.mp3\n" + m + "/a/x.flac\n" + m + "/b/1.MP3\n" + m +
                "/b/2.mp3\n",
            box.Read("library.txt"));
  EXPECT_EQ("library.txt m paths.ini", box.Listing());
}

TEST(Build, SectionHeadersTrimmingAndLengthThresholds) {
  Sandbox box;
  MakeCollection(box);
  box.Touch("m/c:/z.mp3");
  box.Write("paths.ini",
            "before any header\n"
            "[FILETYPE] anything\n"
            "x\n"
            "\n"
            "ab\n"
            " \t.mp3 \t\n"
            "[ADD]\n"
            "c:\n"
            "  \t" +
                box.At("m") +
                "/ \t\n"
                "  [add]\n"
                "[Ignore]\n"
                "  [add]\n"
                "XY\n"
                "[files]\n"
                "ogg\n");
  Result run = box.Run({"-build"});
  // The indented [add] is a folder entry of its own; "c:" is too short.
  EXPECT_EQ(
      Built(Listed(1, box.At("m") + "/") + Listed(2, "[add]", "(folder not found) "), 8),
      run.out);
  std::string library = box.Read("library.txt");
  EXPECT_NE(std::string::npos, library.find("/m/odd.mp3/inner.ogg\n"));
  EXPECT_EQ(std::string::npos, library.find("x.flac"));
  EXPECT_EQ("library.txt m paths.ini", box.Listing());
}

TEST(Build, IgnoreEntriesArePrefixesInAnyCase) {
  Sandbox box;
  MakeCollection(box);
  std::string upper = box.At("m/OLD");
  box.Write("paths.ini",
            "[add]\n" + box.At("m") + "\n[ignore]\n" + upper + "\n[filetypes]\nmp3\n");
  box.Run({"-build"});
  std::string library = box.Read("library.txt");
  EXPECT_EQ(std::string::npos, library.find("/Old/")) << library;
  EXPECT_EQ(std::string::npos, library.find("/Oldies/")) << library;
  EXPECT_EQ(4u, Lines(library).size()) << library;
}

TEST(Build, TwoFoldersInOrderDuplicatesKeptAndAMissingFolderNoted) {
  Sandbox box;
  box.Touch("one/a.mp3");
  box.Touch("with blanks/b.mp3");
  box.Write("paths.ini", "[filetypes]\nmp3\n[add]\nwith blanks\n" + box.At("nowhere") +
                             "\n./one\none/../one/\n");
  Result run = box.Run({"-build"});
  EXPECT_EQ(Built(Listed(1, "with blanks") +
                      Listed(2, box.At("nowhere"), "(folder not found) ") +
                      Listed(3, "./one") + Listed(4, "one/../one/"),
                  3),
            run.out);
  EXPECT_EQ(box.At("with blanks/b.mp3") + "\n" + box.At("one/a.mp3") + "\n" +
                box.At("one/a.mp3") + "\n",
            box.Read("library.txt"));
  EXPECT_EQ("library.txt one paths.ini with blanks", box.Listing());
}

TEST(Build, NoFiletypesSectionGivesAnEmptyLibrary) {
  Sandbox box;
  MakeCollection(box);
  box.Write("library.txt", "old\n");
  box.Write("paths.ini", "[add]\n" + box.At("m") + "\n");
  Result build = box.Run({"-build"});
  EXPECT_EQ(Built(Listed(1, box.At("m")), 0), build.out);
  EXPECT_EQ("", box.Read("library.txt"));
}

TEST(Build, CarriageReturnLineEndsWorkLikeLineFeeds) {
  Sandbox box;
  MakeCollection(box);
  box.Write("paths.ini", "[filetypes]\r\nmp3\r\n[add]\r\n" + box.At("m") +
                             "\r\n[ignore]\r\n" + box.At("m/Old") + "\r\n");
  Result run = box.Run({"-build"});
  EXPECT_EQ(Built(Listed(1, box.At("m")), 4), run.out);
}

TEST(Build, LongPathsAndManyIgnoreEntriesAreKeptWhole) {
  Sandbox box;
  std::string deep = "m";
  for (int i = 0; i < 12; ++i) deep += "/" + std::string(200, static_cast<char>('a' + i));
  box.Touch(deep + "/song.mp3");
  box.Touch("m/keep.mp3");
  std::string paths = "[filetypes]\nmp3\n[add]\n" + box.At("m") + "\n[ignore]\n";
  for (int i = 0; i < 300; ++i) paths += box.At("m/skip") + std::to_string(i) + "\n";
  box.Write("paths.ini", paths);
  Result run = box.Run({"-build"});
  EXPECT_EQ(Built(Listed(1, box.At("m")), 2), run.out);
  EXPECT_EQ(box.At("m/keep.mp3") + "\n" + box.At(deep + "/song.mp3") + "\n",
            box.Read("library.txt"));
}

TEST(Build, LinksAreFollowedButALoopIsListedOnce) {
  Sandbox box;
  box.Touch("m/a/song.mp3");
  box.Touch("elsewhere/far.mp3");
  ASSERT_EQ(0, symlink(box.At("m").c_str(), box.At("m/a/up.mp3").c_str()));
  ASSERT_EQ(0, symlink(box.At("elsewhere").c_str(), box.At("m/link").c_str()));
  ASSERT_EQ(0, symlink("nowhere", box.At("m/broken.mp3").c_str()));
  box.Write("paths.ini", "[filetypes]\nmp3\n[add]\n" + box.At("m") + "\n");
  Result run = box.Run({"-build"});
  EXPECT_EQ(Built(Listed(1, box.At("m")), 4), run.out);
  const std::string m = box.At("m");
  EXPECT_EQ(m + "/broken.mp3\n" + m + "/a/song.mp3\n" + m + "/a/up.mp3\n" + m +
                "/link/far.mp3\n",
            box.Read("library.txt"));
}

TEST(Build, NamesWithLineFeedsAreLeftOut) {
  Sandbox box;
  box.Touch("m/bad\nname.mp3");
  box.Touch("m/bad\nfolder/in.mp3");
  box.Touch("m/good.mp3");
  box.Write("paths.ini", "[filetypes]\nmp3\n[add]\n" + box.At("m") + "\n");
  box.Run({"-build"});
  EXPECT_EQ(box.At("m/good.mp3") + "\n", box.Read("library.txt"));
}

TEST(Build, UnreadableFolderIsSkipped) {
  if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
  Sandbox box;
  box.Touch("m/locked/a.mp3");
  box.Touch("m/open/b.mp3");
  chmod(box.At("m/locked").c_str(), 0);
  box.Write("paths.ini", "[filetypes]\nmp3\n[add]\n" + box.At("m") + "\n");
  Result run = box.Run({"-build"});
  EXPECT_EQ(Built(Listed(1, box.At("m")), 1), run.out);
}

TEST(Build, AgreesWithFindOnAGeneratedTree) {
  Sandbox box;
  for (int i = 0; i < 30; ++i) {
    std::string folder = "root/d" + std::to_string(i % 7) + "/s" + std::to_string(i % 3);
    box.Touch(folder + "/t" + std::to_string(i) + (i % 2 ? ".mp3" : ".Mp3"));
    box.Touch(folder + "/n" + std::to_string(i) + ".txt");
    box.Touch(folder + " x/e" + std::to_string(i) + ".mp3/");
  }
  ASSERT_EQ(0, symlink(box.At("root/d1").c_str(), box.At("root/d6/to-d1").c_str()));
  box.Write("paths.ini", "[filetypes]\nmp3\n[add]\nroot\n");
  box.Run({"-build"});
  std::string command = "cd '" + box.dir() + "' && find -L '" + box.At("root") +
                        "' -mindepth 1 | grep -i 'mp3$' | LC_ALL=C sort > found.txt";
  ASSERT_EQ(0, std::system(command.c_str()));
  std::vector<std::string> ours = Lines(box.Read("library.txt"));
  std::sort(ours.begin(), ours.end());
  EXPECT_EQ(Lines(box.Read("found.txt")), ours);
  // 30 tracks and 30 folders named like tracks, 10 of them again through the link.
  EXPECT_EQ(70u, ours.size());
}

TEST(Build, ThenPlay) {
  Sandbox box;
  box.InstallOpener();
  MakeCollection(box);
  box.Write("paths.ini", "[filetypes]\nmp3\n[add]\n" + box.At("m") + "\n");
  Result first = box.Run({});
  EXPECT_EQ(0u, first.out.find(std::string(kBanner) + "\n" + NotFound("library.txt")));
  Result second = box.Run({"-tracks", "9"});
  EXPECT_EQ(0, second.status);
  std::vector<std::string> library = Lines(box.Read("library.txt"));
  std::vector<std::string> picks = Lines(box.OpenedPlaylist());
  EXPECT_EQ(9u, picks.size());
  for (const std::string& pick : picks) {
    EXPECT_NE(library.end(), std::find(library.begin(), library.end(), pick)) << pick;
  }
}

// Failures: one clear line, the old library kept, no temporary file left.
TEST(BuildFailure, MergeFileCannotBeCreated) {
  Sandbox box;
  box.Touch("m/a.mp3");
  box.Touch("templibrary.txt/keep");
  box.Write("library.txt", "old\n");
  box.Write("paths.ini", "[filetypes]\nmp3\n[add]\n" + box.At("m") + "\n");
  Result run = box.Run({"-build"});
  EXPECT_EQ(std::string(kBanner) + kBuildFlag + "\n" + Listed(1, box.At("m")) +
                "--------------------\nCompiling Music Archive\n"
                "Cannot create templibrary.txt: Is a directory - library not changed\n",
            run.out);
  EXPECT_EQ(1, run.status);
  EXPECT_EQ("old\n", box.Read("library.txt"));
  EXPECT_EQ("library.txt m paths.ini templibrary.txt", box.Listing());
}

TEST(BuildFailure, LibraryCannotBeCreated) {
  Sandbox box;
  box.Touch("m/a.mp3");
  box.Write("paths.ini", "[filetypes]\nmp3\n[add]\n" + box.At("m") + "\n");
  Result run = box.Run({"-library", "no/such/lib.txt"});
  EXPECT_EQ(std::string(kBanner) + "Using Library set no/such/lib.txt\n\n" +
                NotFound("no/such/lib.txt") + Listed(1, box.At("m")) +
                "--------------------\nCompiling Music Archive\n"
                "Cannot create library file no/such/lib.txt: No such file or directory - "
                "library not changed\n",
            run.out);
  EXPECT_EQ(1, run.status);
  EXPECT_EQ("m paths.ini", box.Listing());
}

TEST(BuildFailure, FullDiskKeepsTheOldLibrary) {
  Sandbox box;
  for (int i = 0; i < 200; ++i)
    box.Touch("m/" + std::string(100, 'x') + std::to_string(i) + ".mp3");
  box.Write("library.txt", "old\n");
  ASSERT_EQ(0, symlink("/dev/full", box.At("templibrary.txt").c_str()));
  box.Write("paths.ini", "[filetypes]\nmp3\n[add]\n" + box.At("m") + "\n");
  Result run = box.Run({"-build"});
  EXPECT_EQ(
      std::string(kBanner) + kBuildFlag + "\n" + Listed(1, box.At("m")) +
          "--------------------\nCompiling Music Archive\n"
          "Cannot write templibrary.txt: No space left on device - library not changed\n",
      run.out);
  EXPECT_EQ(1, run.status);
  EXPECT_EQ("old\n", box.Read("library.txt"));
  EXPECT_EQ("library.txt m paths.ini", box.Listing());
}

TEST(BuildFailure, ListingThatCannotBeWrittenIsReportedAndSkipped) {
  Sandbox box;
  box.Touch("m/a.mp3");
  box.Touch("n/b.mp3");
  box.Touch("dir1.txt/keep");
  box.Write("paths.ini",
            "[filetypes]\nmp3\n[add]\n" + box.At("m") + "\n" + box.At("n") + "\n");
  Result run = box.Run({"-build"});
  EXPECT_EQ(
      std::string(kBanner) + kBuildFlag + "\n" +
          Listed(1, box.At("m"), "(cannot create dir1.txt: Is a directory) ") +
          Listed(2, box.At("n")) +
          "--------------------\nCompiling Music Archive\n"
          "Cannot read dir1.txt to the end: Is a directory\n"
          "Removing Unwanted Paths\nArchiving Chosen Filetypes\n--------------------\n\n"
          "Library Playlist Complete - 1 tracks counted.\n",
      run.out);
  EXPECT_EQ(box.At("n/b.mp3") + "\n", box.Read("library.txt"));
  EXPECT_EQ("dir1.txt library.txt m n paths.ini", box.Listing());
}

}  // namespace
