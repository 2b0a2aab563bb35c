// The tag index seen from outside: written by -tags, refreshed by any later
// build, answering field queries and -minutes without opening a file, and
// never used when it is not that of the library as it is now. Runs against
// the Windows program too.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <set>

#include "tests/harness.h"

namespace {

bool Holds(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class TagsTest : public testing::Test {
 protected:
  TagsTest() {
    box_.InstallOpener();
    const struct {
      const char* name;
      WavTags tags;
    } tracks[] = {
        {"so what", {"Miles", "So What", "Kind of Blue", "Jazz", "1959"}},
        {"blue train", {"Coltrane", "Blue Train", "Blue Train", "Jazz", "1957"}},
        {"come together", {"Beatles", "Come Together", "Abbey Road", "Rock", "1969"}},
        {"bohemian",
         {"Queen", "Bohemian Rhapsody", "A Night at the Opera", "Rock", "1975"}},
        {"fernando", {"ABBA", "Fernando", "Arrival", "Pop", "1976"}},
        {"untagged", {}},
    };
    for (const auto& track : tracks)
      box_.Write(std::string("m/") + track.name + ".wav", Wav(30, track.tags));
    box_.Write("m/no audio.wav", "");
    box_.Write("paths.ini", "[filetypes]\nwav\n[add]\n" + box_.Host("m") + "\n");
  }

  // The tracks of a playlist made with `options`, by file name.
  std::set<std::string> Picked(const std::vector<std::string>& options) {
    Result run = box_.Run(options);
    EXPECT_EQ(0, run.status) << run.out;
    std::set<std::string> names;
    for (const std::string& line : Lines(box_.Read("random.m3u"))) {
      if (line.empty() || line[0] == '#') continue;
      std::size_t slash = line.find_last_of("/\\");
      names.insert(line.substr(slash + 1, line.size() - slash - 5));
    }
    return names;
  }

  bool TagLib() { return !Holds(box_.Run({"-minutes", "1"}).out, "cannot read"); }

  Sandbox box_;
};

TEST_F(TagsTest, WrittenRefreshedAndAskedByField) {
  if (!TagLib()) GTEST_SKIP() << "this build has no TagLib";
  Result built = box_.Run({"-TAGS", "-build"});
  EXPECT_EQ(0, built.status);
  EXPECT_TRUE(Holds(
      built.out, "Tag Index Mode - a build keeps the tracks' tags beside the library\n"))
      << built.out;
  EXPECT_TRUE(
      Holds(built.out,
            "Archiving Chosen Filetypes\nReading Track Tags ... Complete\nTag Index "
            "Complete - 7 tracks: 7 files opened, 0 reused, 1 unreadable.\n"
            "--------------------\n"))
      << built.out;
  std::vector<std::string> index = Lines(box_.Read("library.txt.tags"));
  ASSERT_EQ(8u, index.size());
  EXPECT_EQ(0u, index[0].find("songwhim tags 1\t"));
  std::string library = box_.Read("library.txt");
  for (const std::string& line : index) {
    if (Holds(line, "so what.wav")) {
      EXPECT_EQ("\t30000\tMiles\t\tKind of Blue\tSo What\tJazz\t1959\t\t" +
                    box_.Host("m/so what.wav"),
                line.substr(line.find('\t', line.find('\t') + 1)));
    }
  }

  EXPECT_EQ((std::set<std::string>{"so what", "blue train"}),
            Picked({"-only", "GENRE:jazz", "-tracks", "10"}));
  EXPECT_EQ((std::set<std::string>{"bohemian", "fernando"}),
            Picked({"-only", "year:1970..1979", "-tracks", "10"}));
  EXPECT_EQ((std::set<std::string>{"come together"}),
            Picked({"-only", "genre:rock", "-skip", "artist:QUEEN", "-tracks", "10"}));
  EXPECT_EQ((std::set<std::string>{"so what", "fernando"}),
            Picked({"-only", "album:blue", "-only", "title:nand", "-skip", "train"}));

  // A build without -tags refreshes it, opening only the files that changed.
  box_.Write("m/fernando.wav", Wav(30, {"ABBA", "Fernando", "Arrival", "Jazz", "1976"}));
  Result refreshed = box_.Run({"-build"});
  EXPECT_TRUE(Holds(refreshed.out, "7 tracks: 1 files opened, 6 reused, 1 unreadable.\n"))
      << refreshed.out;
  EXPECT_EQ((std::set<std::string>{"so what", "blue train", "fernando"}),
            Picked({"-only", "genre:jazz", "-tracks", "10"}));

  // -minutes takes lengths and titles from it: the files need not be there.
  for (const char* name :
       {"so what", "blue train", "come together", "bohemian", "fernando"})
    std::remove(box_.At(std::string("m/") + name + ".wav").c_str());
  Result timed = box_.Run({"-minutes", "2", "-skip", "untagged"});
  EXPECT_TRUE(Holds(timed.out, "4 tracks added.\nPlaying time 2:00 of 2 minutes\n"))
      << timed.out;
  const std::set<std::string> shown = {
      "#EXTINF:30,Miles - So What", "#EXTINF:30,Coltrane - Blue Train",
      "#EXTINF:30,Beatles - Come Together", "#EXTINF:30,Queen - Bohemian Rhapsody",
      "#EXTINF:30,ABBA - Fernando"};
  int extinf = 0;
  for (const std::string& line : Lines(box_.Read("random.m3u"))) {
    if (line.rfind("#EXTINF", 0) != 0) continue;
    EXPECT_EQ(1u, shown.count(line)) << line;
    ++extinf;
  }
  EXPECT_EQ(4, extinf);
}

TEST_F(TagsTest, FilesDatedLongBeforeOrAfterAreReused) {
  if (!TagLib()) GTEST_SKIP() << "this build has no TagLib";
  // 1960 is before the stamps' zero, 2500 past the nanoseconds 64 bits hold.
  const std::pair<const char*, time_t> dated[] = {{"m/so what.wav", -315619200},
                                                  {"m/blue train.wav", 16725225600}};
  for (const auto& [name, seconds] : dated) {
    const struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(0, utimensat(AT_FDCWD, box_.At(name).c_str(), times, 0)) << name;
  }
  ASSERT_EQ(0, box_.Run({"-build", "-tags"}).status);
  Result again = box_.Run({"-build"});
  EXPECT_TRUE(Holds(again.out, "7 tracks: 0 files opened, 7 reused, 1 unreadable.\n"))
      << again.out;
}

TEST_F(TagsTest, NeverUsedWhenItIsNotThatOfTheLibrary) {
  if (!TagLib()) GTEST_SKIP() << "this build has no TagLib";
  const std::string kNoPlaylist = " - no playlist made\n";
  ASSERT_EQ(0, box_.Run({"-build"}).status);
  box_.Write("random.m3u", "last\n");
  Result none = box_.Run({"-only", "genre:jazz"});
  EXPECT_TRUE(Holds(none.out,
                    "genre:jazz asks the tag index, but there is no tag index "
                    "library.txt.tags: run songwhim -build -tags first" +
                        kNoPlaylist))
      << none.out;
  EXPECT_EQ(1, none.status);

  // A build that fails leaves the index as it was.
  ASSERT_EQ(0, box_.Run({"-build", "-tags"}).status);
  std::string index = box_.Read("library.txt.tags");
  box_.Touch("library.txt.tags.part/x");
  EXPECT_EQ(1, box_.Run({"-build"}).status);
  EXPECT_EQ(index, box_.Read("library.txt.tags"));
  std::remove(box_.At("library.txt.tags.part/x").c_str());
  std::remove(box_.At("library.txt.tags.part").c_str());

  // A library edited by hand: field queries stop, -minutes reads the files.
  std::string library = box_.Read("library.txt");
  box_.Write("library.txt", library + box_.Host("m/so what.wav") + "\n");
  Result edited = box_.Run({"-only", "genre:jazz"});
  EXPECT_TRUE(Holds(edited.out,
                    "library.txt.tags is not the index of library.txt as it is "
                    "now: run songwhim -build -tags first" +
                        kNoPlaylist))
      << edited.out;
  Result timed = box_.Run({"-minutes", "1"});
  EXPECT_TRUE(Holds(timed.out,
                    "library.txt.tags is not the index of library.txt as it is "
                    "now, so it is not used (run songwhim -build -tags)\n"))
      << timed.out;
  EXPECT_TRUE(Holds(timed.out, "Playing time 1:00 of 1 minute\n")) << timed.out;

  // An index edited by hand is told by its checksum.
  box_.Write("library.txt", library);
  ASSERT_EQ(0, box_.Run({"-build"}).status);
  std::string text = box_.Read("library.txt.tags");
  std::size_t at = text.find("\tRock\t");
  ASSERT_NE(std::string::npos, at);
  box_.Write("library.txt.tags", text.replace(at + 1, 4, "Jazz"));
  box_.Write("random.m3u", "last\n");
  Result changed = box_.Run({"-only", "genre:jazz"});
  EXPECT_TRUE(Holds(changed.out,
                    "library.txt.tags was changed since it was written: run "
                    "songwhim -build -tags" +
                        kNoPlaylist))
      << changed.out;
  EXPECT_EQ("last\n", box_.Read("random.m3u"));
}

}  // namespace

TEST_F(TagsTest, RefreshOfAnUnchangedCollectionKeepsTheIndexAsItStands) {
  if (!TagLib()) GTEST_SKIP() << "this build has no TagLib";
  std::remove(box_.At("m/no audio.wav").c_str());
  // Tabs and names in other scripts end up in the stamped listing's lines
  // too.
  if (!OnWindows()) {
    box_.Write("m/a\tfolder/a\ttrack.wav", Wav(30, {"Tab", "Tab", "", "", ""}));
    box_.Write("m/Ελληνικά/日本語 Кириллица.wav", Wav(30, {"Α", "Β", "", "", ""}));
  }
  const std::string tracks = OnWindows() ? "6" : "8";
  const std::string none_read =
      tracks + " tracks: 0 files opened, " + tracks + " reused, 0 unreadable.\n";
  ASSERT_EQ(0, box_.Run({"-build", "-tags"}).status);
  std::string first = box_.Read("library.txt.tags");
  std::string body = first.substr(first.find('\n'));

  // Only the header changes, in place, for the library written anew.
  struct stat before, after;
  ASSERT_EQ(0, stat(box_.At("library.txt.tags").c_str(), &before));
  Result again = box_.Run({"-build"});
  ASSERT_EQ(0, stat(box_.At("library.txt.tags").c_str(), &after));
  EXPECT_EQ(before.st_ino, after.st_ino);
  EXPECT_TRUE(Holds(again.out,
                    "Reading Track Tags ... Complete\nTag Index Complete - " + none_read))
      << again.out;
  std::string second = box_.Read("library.txt.tags");
  EXPECT_EQ(body, second.substr(second.find('\n')));
  EXPECT_EQ((std::set<std::string>{"so what", "blue train"}),
            Picked({"-only", "genre:jazz", "-tracks", "10"}));

  // Should the library not go in place, the header is put back.
  std::string library = box_.Read("library.txt");
  std::remove(box_.At("library.txt").c_str());
  box_.Touch("library.txt/x");
  EXPECT_EQ(1, box_.Run({"-build"}).status);
  EXPECT_EQ(second, box_.Read("library.txt.tags"));
  std::remove(box_.At("library.txt/x").c_str());
  std::remove(box_.At("library.txt").c_str());
  box_.Write("library.txt", library);

  // Another name of the index keeps what it held.
  ASSERT_EQ(0, link(box_.At("library.txt.tags").c_str(), box_.At("other.tags").c_str()));
  ASSERT_EQ(0, box_.Run({"-build"}).status);
  EXPECT_EQ(second, box_.Read("other.tags"));
  EXPECT_EQ(2u, Picked({"-only", "genre:jazz", "-tracks", "10"}).size());

  // Lines ended otherwise than by a line feed alone are written anew.
  std::string crlf;
  for (const std::string& line : Lines(box_.Read("library.txt.tags")))
    crlf += line + "\r\n";
  box_.Write("library.txt.tags", crlf);
  Result rewritten = box_.Run({"-build"});
  EXPECT_TRUE(Holds(rewritten.out, none_read)) << rewritten.out;
  std::string third = box_.Read("library.txt.tags");
  EXPECT_EQ(body, third.substr(third.find('\n')));
  EXPECT_EQ(2u, Picked({"-only", "genre:jazz", "-tracks", "10"}).size());

  // The last track gone, every other found in order, is a change.
  std::string gone = Lines(box_.Read("library.txt")).back();
  std::string file = gone.substr(box_.Host("").size());
  std::replace(file.begin(), file.end(), '\\', '/');
  ASSERT_EQ(0, std::remove(box_.At(file).c_str())) << gone;
  ASSERT_EQ(0, box_.Run({"-build"}).status);
  std::vector<std::string> index = Lines(box_.Read("library.txt.tags"));
  EXPECT_EQ(Lines(box_.Read("library.txt")).size() + 1, index.size());
  EXPECT_EQ(std::string::npos, box_.Read("library.txt.tags").find(gone));
}
