// Library builds from folder trees made by the tests, seen from outside: the
// console text, the library file and what is left in the working folder.
// Folders are named as the program under test names them (box.Host), so the
// same tests run against the Windows program under Wine.
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

std::string NotFoundNote() {
  return "(folder not found) ";
}

// What the system says when a folder stands where a file should be written.
std::string FolderInTheWay() {
  return OnWindows() ? "Permission denied" : "Is a directory";
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

// The library holds these tracks in this order. On Windows the order within
// a listing is `dir`'s own, so only the tracks are compared there.
void ExpectTracks(const Sandbox& box, const std::vector<std::string>& names) {
  std::vector<std::string> expected;
  for (const std::string& name : names) expected.push_back(box.Host(name));
  std::vector<std::string> library = Lines(box.Read("library.txt"));
  if (OnWindows()) {
    std::sort(expected.begin(), expected.end());
    std::sort(library.begin(), library.end());
  }
  EXPECT_EQ(expected, library);
}

// A small collection: two albums, a folder whose name looks like a track
// (and is none), and files of other types.
void MakeCollection(const Sandbox& box) {
  for (const char* name :
       {"m/b/2.mp3", "m/b/1.MP3", "m/a/x.flac", "m/a/y.wav", "m/top.mp3",
        "m/odd.mp3/inner.ogg", "m/Old/o.mp3", "m/Oldies/p.mp3"}) {
    box.Touch(name);
  }
}

std::string AddOnly(const Sandbox& box, const std::string& folder) {
  return "[filetypes]\nmp3\n[add]\n" + box.Host(folder) + "\n";
}

TEST(Build, ConsoleTextLibraryAndNothingLeftBehind) {
  Sandbox box;
  MakeCollection(box);
  box.Write("paths.ini", "[filetypes]\nmp3\n*.FLAC\n[add]\n" + box.Host("m") + "\n");
  Result run = box.Run({"-build"});
  EXPECT_EQ(Built(Listed(1, box.Host("m")), 6), run.out);
  EXPECT_EQ(0, run.status);
  // A folder's own entries come before what its subfolders hold, by name.
  ExpectTracks(box, {"m/top.mp3", "m/Old/o.mp3", "m/Oldies/p.mp3", "m/a/x.flac",
                     "m/b/1.MP3", "m/b/2.mp3"});
  EXPECT_EQ("library.txt m paths.ini", box.Listing());
}

TEST(Build, SectionHeadersTrimmingAndLengthThresholds) {
  Sandbox box;
  MakeCollection(box);
  box.Touch("m/ab/z.mp3");
  std::string separator = OnWindows() ? "\\" : "/";
  box.Write("paths.ini",
            "before any header\n"
            "[FILETYPE] anything\n"
            "x\n"
            "\n"
            "ab\n"
            " \t.mp3 \t\n"
            "[ADD]\n"
            "m/\n"
            "  \t" +
                box.Host("m") + separator +
                " \t\n"
                "  [add]\n"
                "[Ignore]\n"
                "  [add]\n"
                "XY\n"
                "[files]\n"
                "ogg\n");
  Result run = box.Run({"-build"});
  // "m/" is too short; the indented [add] is a folder entry of its own.
  EXPECT_EQ(
      Built(Listed(1, box.Host("m") + separator) + Listed(2, "[add]", NotFoundNote()), 7),
      run.out);
  std::string library = box.Read("library.txt");
  EXPECT_NE(std::string::npos, library.find(box.Host("m/odd.mp3/inner.ogg") + "\n"));
  EXPECT_EQ(std::string::npos, library.find("x.flac"));
  EXPECT_EQ("library.txt m paths.ini", box.Listing());
}

TEST(Build, IgnoreEntriesArePrefixesInAnyCase) {
  Sandbox box;
  MakeCollection(box);
  box.Write("paths.ini", "[add]\n" + box.Host("m") + "\n[ignore]\n" + box.Host("m/OLD") +
                             "\n[filetypes]\nmp3\n");
  box.Run({"-build"});
  ExpectTracks(box, {"m/top.mp3", "m/b/1.MP3", "m/b/2.mp3"});
}

TEST(Build, IgnoreEntriesOfTwoCharactersAreSkipped) {
  Sandbox box;
  box.Touch("m/a.mp3");
  // The first characters of every path here: as an entry they would drop it.
  std::string start = box.Host("m");
  for (std::size_t length : {2, 3}) {
    SCOPED_TRACE(length);
    box.Write("paths.ini",
              AddOnly(box, "m") + "[ignore]\n" + start.substr(0, length) + "\n");
    box.Run({"-build"});
    EXPECT_EQ(length == 2 ? box.Host("m/a.mp3") + "\n" : "", box.Read("library.txt"));
  }
}

TEST(Build, TwoFoldersInOrderDuplicatesKeptAndAMissingFolderNoted) {
  Sandbox box;
  box.Touch("one/a.mp3");
  box.Touch("with blanks/b.mp3");
  box.Write("paths.ini", "[filetypes]\nmp3\n[add]\nwith blanks\n" + box.Host("nowhere") +
                             "\n" + box.Host("one") + "\n" + box.Host("one") + "\n");
  Result run = box.Run({"-build"});
  EXPECT_EQ(
      Built(Listed(1, "with blanks") + Listed(2, box.Host("nowhere"), NotFoundNote()) +
                Listed(3, box.Host("one")) + Listed(4, box.Host("one")),
            3),
      run.out);
  ExpectTracks(box, {"with blanks/b.mp3", "one/a.mp3", "one/a.mp3"});
  EXPECT_EQ("library.txt one paths.ini with blanks", box.Listing());
}

TEST(Build, RelativeAndDottedFoldersAreListedByTheirFullPath) {
  SKIP_ON_WINDOWS("`dir` names what it finds as the folder was given");
  Sandbox box;
  box.Touch("one/a.mp3");
  box.Write("paths.ini",
            "[filetypes]\nmp3\n[add]\n./one\none/../one/\n" + box.At("one") + "//.\n");
  Result run = box.Run({"-build"});
  EXPECT_EQ(Built(Listed(1, "./one") + Listed(2, "one/../one/") +
                      Listed(3, box.At("one") + "//."),
                  3),
            run.out);
  ExpectTracks(box, {"one/a.mp3", "one/a.mp3", "one/a.mp3"});
}

TEST(Build, NoFiletypesSectionGivesAnEmptyLibrary) {
  Sandbox box;
  MakeCollection(box);
  box.Write("library.txt", "old\n");
  box.Write("paths.ini", "[add]\n" + box.Host("m") + "\n");
  Result build = box.Run({"-build"});
  EXPECT_EQ(Built(Listed(1, box.Host("m")), 0), build.out);
  EXPECT_EQ("", box.Read("library.txt"));
}

TEST(Build, CarriageReturnLineEndsWorkLikeLineFeeds) {
  Sandbox box;
  MakeCollection(box);
  box.Write("paths.ini", "[filetypes]\r\nmp3\r\n[add]\r\n" + box.Host("m") +
                             "\r\n[ignore]\r\n" + box.Host("m/Old") + "\r\n");
  Result run = box.Run({"-build"});
  EXPECT_EQ(Built(Listed(1, box.Host("m")), 3), run.out);
}

TEST(Build, LongPathsAndManyIgnoreEntriesAreKeptWhole) {
  SKIP_ON_WINDOWS("`dir` does not reach paths of more than 260 characters");
  Sandbox box;
  std::string deep = "m";
  for (int i = 0; i < 12; ++i) deep += "/" + std::string(200, static_cast<char>('a' + i));
  box.Touch(deep + "/song.mp3");
  box.Touch("m/keep.mp3");
  std::string paths = AddOnly(box, "m") + "[ignore]\n";
  for (int i = 0; i < 300; ++i) paths += box.At("m/skip") + std::to_string(i) + "\n";
  box.Write("paths.ini", paths);
  Result run = box.Run({"-build"});
  EXPECT_EQ(Built(Listed(1, box.At("m")), 2), run.out);
  ExpectTracks(box, {"m/keep.mp3", deep + "/song.mp3"});
}

TEST(Build, LinksAreFollowedButALoopIsEnteredOnce) {
  SKIP_ON_WINDOWS("symbolic links are a POSIX matter here");
  Sandbox box;
  box.Touch("m/a/song.mp3");
  box.Touch("elsewhere/far.mp3");
  ASSERT_EQ(0, symlink(box.At("m").c_str(), box.At("m/a/up.mp3").c_str()));
  ASSERT_EQ(0, symlink(box.At("elsewhere").c_str(), box.At("m/link").c_str()));
  ASSERT_EQ(0, symlink("nowhere", box.At("m/broken.mp3").c_str()));
  box.Write("paths.ini", AddOnly(box, "m"));
  Result run = box.Run({"-build"});
  // A link to a folder is a folder, named like a track or not.
  EXPECT_EQ(Built(Listed(1, box.At("m")), 3), run.out);
  ExpectTracks(box, {"m/broken.mp3", "m/a/song.mp3", "m/link/far.mp3"});
}

TEST(Build, NamesWithLineFeedsAreLeftOut) {
  SKIP_ON_WINDOWS("names cannot hold a line feed there");
  Sandbox box;
  box.Touch("m/bad\nname.mp3");
  box.Touch("m/bad\nfolder/in.mp3");
  box.Touch("m/good.mp3");
  box.Write("paths.ini", AddOnly(box, "m"));
  box.Run({"-build"});
  ExpectTracks(box, {"m/good.mp3"});
}

TEST(Build, UnreadableFoldersAreSkippedWithANote) {
  SKIP_ON_WINDOWS("POSIX permissions");
  Sandbox box;
  if (geteuid() == 0) box.AsAnotherUser();
  box.Touch("m/locked/a.mp3");
  box.Touch("m/open/b.mp3");
  box.Touch("n/x/c.mp3");
  box.Touch("n/y/d.mp3");
  box.Touch("n/z/e.mp3");
  for (const char* folder : {"m/locked", "n/x", "n/z"}) chmod(box.At(folder).c_str(), 0);
  box.Write("paths.ini", AddOnly(box, "m") + box.At("n") + "\n");
  Result run = box.Run({"-build"});
  EXPECT_EQ(Built(Listed(1, box.At("m"),
                         "(cannot read " + box.At("m/locked") + ": Permission denied) ") +
                      Listed(2, box.At("n"),
                             "(cannot read 2 folders, the first " + box.At("n/x") +
                                 ": Permission denied) "),
                  2),
            run.out);
  EXPECT_EQ(0, run.status);
}

TEST(Build, AgreesWithFindOnAGeneratedTree) {
  SKIP_ON_WINDOWS("find lists POSIX paths and follows links");
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
  std::string command =
      "cd '" + box.dir() + "' && find -L '" + box.At("root") +
      "' -mindepth 1 ! -type d | grep -i 'mp3$' | LC_ALL=C sort > found.txt";
  ASSERT_EQ(0, std::system(command.c_str()));
  std::vector<std::string> ours = Lines(box.Read("library.txt"));
  std::sort(ours.begin(), ours.end());
  EXPECT_EQ(Lines(box.Read("found.txt")), ours);
  // 30 tracks, the 5 in d1 again through the link, and none of the 30
  // folders named like tracks.
  EXPECT_EQ(35u, ours.size());
}

TEST(Build, ThenPlay) {
  Sandbox box;
  box.InstallOpener();
  MakeCollection(box);
  box.Write("paths.ini", AddOnly(box, "m"));
  Result first = box.Run({});
  EXPECT_EQ(0u, first.out.find(std::string(kBanner) + "\n" + NotFound("library.txt")));
  Result second = box.Run({"-tracks", "9"});
  EXPECT_EQ(0, second.status);
  std::vector<std::string> library = Lines(box.Read("library.txt"));
  EXPECT_EQ(5u, library.size());
  // On Windows the playlist goes to `start`, which has no stand-in.
  std::vector<std::string> picks =
      Lines(OnWindows() ? box.Read("random.m3u") : box.OpenedPlaylist());
  EXPECT_EQ(9u, picks.size());
  for (const std::string& pick : picks) {
    EXPECT_NE(library.end(), std::find(library.begin(), library.end(), pick)) << pick;
  }
}

// Failures: one clear line, the old library kept, no temporary file left.

// What a build of folder "m" prints when it stops at the merge with `problem`.
std::string StoppedAtMerge(const Sandbox& box, const std::string& problem) {
  return std::string(kBanner) + kBuildFlag + "\n" + Listed(1, box.Host("m")) +
         "--------------------\nCompiling Music Archive\n" + problem +
         " - library not changed\n";
}

void ExpectOldLibraryKept(const Sandbox& box, const Result& run,
                          const std::string& listing) {
  EXPECT_EQ(1, run.status);
  EXPECT_EQ("old\n", box.Read("library.txt"));
  EXPECT_EQ(listing, box.Listing());
}

TEST(BuildFailure, MergeFileCannotBeCreated) {
  Sandbox box;
  box.Touch("m/a.mp3");
  box.Touch("templibrary.txt/keep");
  box.Write("library.txt", "old\n");
  box.Write("paths.ini", AddOnly(box, "m"));
  Result run = box.Run({"-build"});
  EXPECT_EQ(StoppedAtMerge(box, "Cannot create templibrary.txt: " + FolderInTheWay()),
            run.out);
  ExpectOldLibraryKept(box, run, "library.txt m paths.ini templibrary.txt");
}

TEST(BuildFailure, LibraryCannotBeCreated) {
  Sandbox box;
  box.Touch("m/a.mp3");
  box.Write("paths.ini", AddOnly(box, "m"));
  Result run = box.Run({"-library", "no/such/lib.txt"});
  EXPECT_EQ(std::string(kBanner) + "Using Library set no/such/lib.txt\n\n" +
                NotFound("no/such/lib.txt") + Listed(1, box.Host("m")) +
                "--------------------\nCompiling Music Archive\n"
                "Cannot create library file no/such/lib.txt: No such file or directory - "
                "library not changed\n",
            run.out);
  EXPECT_EQ(1, run.status);
  EXPECT_EQ("m paths.ini", box.Listing());
}

TEST(BuildFailure, FullDiskKeepsTheOldLibrary) {
  SKIP_ON_WINDOWS("no /dev/full");
  Sandbox box;
  for (int i = 0; i < 200; ++i) {
    box.Touch("m/" + std::string(100, 'x') + std::to_string(i) + ".mp3");
  }
  box.Write("library.txt", "old\n");
  ASSERT_EQ(0, symlink("/dev/full", box.At("templibrary.txt").c_str()));
  box.Write("paths.ini", AddOnly(box, "m"));
  Result run = box.Run({"-build"});
  EXPECT_EQ(StoppedAtMerge(box, "Cannot write templibrary.txt: No space left on device"),
            run.out);
  ExpectOldLibraryKept(box, run, "library.txt m paths.ini");
}

TEST(BuildFailure, ListingThatCannotBeWrittenStopsTheBuild) {
  Sandbox box;
  box.Touch("m/a.mp3");
  box.Touch("n/b.mp3");
  box.Touch("dir1.txt/keep");
  box.Write("library.txt", "old\n");
  box.Write("paths.ini", AddOnly(box, "m") + box.Host("n") + "\n");
  Result run = box.Run({"-build"});
  EXPECT_EQ(std::string(kBanner) + kBuildFlag + "\nCreating Directory Listing 1 : " +
                box.Host("m") + " \nCannot create dir1.txt: " + FolderInTheWay() +
                " - library not changed\n",
            run.out);
  ExpectOldLibraryKept(box, run, "dir1.txt library.txt m n paths.ini");
}

}  // namespace
