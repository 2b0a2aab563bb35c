// Tags the index can be trusted with: every value of every tag, fields
// bounded and blanked, numbers read as other readers read them, files read
// again until they could be read, lengths that TagLib misses, the index and
// the library put in place as a pair, and field queries that say what is
// wrong with them. The files are made here, byte by byte. Runs against the
// Windows program too.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <set>

#include "tests/audio_files.h"
#include "tests/harness.h"

namespace {

bool Holds(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// The fields of an index line.
std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos;
       start = tab + 1)
    fields.push_back(line.substr(start, tab - start));
  fields.push_back(line.substr(start));
  return fields;
}

class TagsTrust : public testing::Test {
 protected:
  TagsTrust() {
    box_.InstallOpener();
    box_.Write("paths.ini",
               "[filetypes]\nflac\nogg\nwav\n[add]\n" + box_.Host("m") + "\n");
  }

  bool TagLib() { return !Holds(box_.Run({"-minutes", "1"}).out, "cannot read"); }

  // The index line of the track `name`, split.
  std::vector<std::string> Indexed(const std::string& name) {
    for (const std::string& line : Lines(box_.Read("library.txt.tags"))) {
      std::vector<std::string> fields = Fields(line);
      if (fields.size() == 11 && fields[10] == box_.Host(name)) return fields;
    }
    ADD_FAILURE() << name << " is not in the index";
    return std::vector<std::string>(11);
  }

  // The file names of the tracks a playlist of `options` got.
  std::set<std::string> Picked(const std::vector<std::string>& options) {
    Result run = box_.Run(options);
    EXPECT_EQ(0, run.status) << run.out;
    std::set<std::string> names;
    for (const std::string& line : Lines(box_.Read("random.m3u"))) {
      if (!line.empty() && line[0] != '#')
        names.insert(line.substr(line.find_last_of("/\\") + 1));
    }
    return names;
  }

  Sandbox box_;
};

TEST_F(TagsTrust, EveryValueBoundedAndBlankedAndNumbersWithBlanks) {
  if (!TagLib()) GTEST_SKIP() << "this build has no TagLib";
  // A title with a line end, DEL, a C1 control and a line separator.
  box_.Write("m/multi.flac",
             Flac(30000, {"ARTIST=Alpha", "ARTIST=Beta", "ALBUMARTIST=Gamma",
                          "ALBUM=Bj\xc3\xb6rk", "GENRE=Rock", "GENRE=Jazz",
                          "TITLE=a\nb\x7f"
                          "c\xc2\x85"
                          "d\xe2\x80\xa8"
                          "e",
                          "TRACKNUMBER= 6 ", "DATE= 1987-05-03"}));
  // 100 000 bytes of title, a two-byte letter across the field's bound.
  box_.Write("m/long.flac", Flac(30000, {"TITLE=" + std::string(1023, 'x') + "\xc3\xa9" +
                                         std::string(100000, 'y')}));
  Result built = box_.Run({"-build", "-tags"});
  EXPECT_TRUE(Holds(built.out, "2 tracks: 2 files opened, 0 reused, 0 unreadable.\n"))
      << built.out;
  std::vector<std::string> multi = Indexed("m/multi.flac");
  EXPECT_EQ((std::vector<std::string>{"30000", "Alpha; Beta", "Gamma", "Bj\xc3\xb6rk",
                                      "a b c d e", "Rock; Jazz", "1987", "6"}),
            std::vector<std::string>(multi.begin() + 2, multi.begin() + 10));
  EXPECT_EQ(std::string(1023, 'x'), Indexed("m/long.flac")[6]);
  EXPECT_EQ((std::set<std::string>{"multi.flac"}), Picked({"-only", "genre:jazz"}));
  EXPECT_EQ((std::set<std::string>{"multi.flac"}), Picked({"-only", "artist:beta"}));
  EXPECT_EQ((std::set<std::string>{"multi.flac"}), Picked({"-only", "artist:gamma"}));
  EXPECT_EQ((std::set<std::string>{"long.flac"}), Picked({"-skip", "year:1987"}));
  // The long line is read back like any other.
  Result again = box_.Run({"-build"});
  EXPECT_TRUE(Holds(again.out, "2 tracks: 0 files opened, 2 reused, 0 unreadable.\n"))
      << again.out;
}

TEST_F(TagsTrust, LengthsTagLibCannotTellOrMisses) {
  if (!TagLib()) GTEST_SKIP() << "this build has no TagLib";
  box_.Write("m/piped.flac", Flac(0, {"ARTIST=Piped", "GENRE=Jazz"}));
  // The last page 1 022 bytes long: its "OggS" straddles TagLib's reads.
  box_.Write("m/short.ogg", OggVorbis(47011, {"TITLE=Short"}, 991));
  box_.Write("m/minute.wav", Wav(60, "Whole", "Minute"));
  Result built = box_.Run({"-build", "-tags"});
  EXPECT_TRUE(Holds(built.out,
                    "3 tracks: 3 files opened, 0 reused, 0 unreadable, "
                    "1 of unknown length.\n"))
      << built.out;
  std::vector<std::string> piped = Indexed("m/piped.flac");
  EXPECT_EQ("", piped[2]);
  EXPECT_EQ("Piped", piped[3]);
  EXPECT_EQ("1066", Indexed("m/short.ogg")[2]);
  EXPECT_EQ("Short", Indexed("m/short.ogg")[6]);
  EXPECT_EQ((std::set<std::string>{"piped.flac"}), Picked({"-only", "genre:jazz"}));
  // -minutes passes over a track of unknown length, from the index too;
  // with more minutes than the tracks hold, every one is tried.
  Result timed = box_.Run({"-minutes", "2", "-skip", "short"});
  EXPECT_TRUE(Holds(timed.out, "1 tracks added.\nPlaying time 1:00 of 2 minutes\n"))
      << timed.out;
  EXPECT_TRUE(
      Holds(timed.out, "1 files could not be read as audio and were passed over\n"))
      << timed.out;
  EXPECT_EQ("#EXTM3U\n#EXTINF:60,Whole - Minute\n" + box_.Host("m/minute.wav") + "\n",
            box_.Read("random.m3u"));
}

TEST_F(TagsTrust, Mp3sTimedByTheirFramesToTheMillisecond) {
  if (!TagLib()) GTEST_SKIP() << "this build has no TagLib";
  box_.Write("paths.ini", "[filetypes]\nmp3\n[add]\n" + box_.Host("m") + "\n");
  // 3 001 frames of 1 152 samples at 44.1 kHz: 78 393 ms.
  box_.Write("m/vbr.mp3", VbrMp3WithoutHeader(3000));
  // 100 frames on either side of other data: a mebibyte of it is passed over,
  // a byte more and the file cannot be timed.
  std::string frames = VbrMp3WithoutHeader(99);
  box_.Write("m/gap.mp3", frames + std::string(1 << 20, '\0') + frames);
  box_.Write("m/junk.mp3", frames + std::string((1 << 20) + 1, '\0') + frames);
  ASSERT_EQ(0, box_.Run({"-build", "-tags"}).status);
  EXPECT_EQ("78393", Indexed("m/vbr.mp3")[2]);
  EXPECT_EQ("5224", Indexed("m/gap.mp3")[2]);
  EXPECT_EQ("", Indexed("m/junk.mp3")[2]);
}

TEST_F(TagsTrust, AFileThatCouldNotBeReadIsReadAgain) {
  if (!TagLib()) GTEST_SKIP() << "this build has no TagLib";
  SKIP_ON_WINDOWS("POSIX permissions");
  if (geteuid() == 0) box_.AsAnotherUser();
  box_.Write("m/a.flac", Flac(30000, {"ARTIST=Once"}));
  chmod(box_.At("m/a.flac").c_str(), 0);
  Result locked = box_.Run({"-build", "-tags"});
  EXPECT_TRUE(Holds(locked.out, "1 tracks: 1 files opened, 0 reused, 1 unreadable.\n"))
      << locked.out;
  // Its size and time are as they were: only what can be read changed.
  chmod(box_.At("m/a.flac").c_str(), 0644);
  Result opened = box_.Run({"-build"});
  EXPECT_TRUE(Holds(opened.out, "1 tracks: 1 files opened, 0 reused, 0 unreadable.\n"))
      << opened.out;
  EXPECT_EQ("Once", Indexed("m/a.flac")[3]);
}

TEST_F(TagsTrust, ARefreshReadsWhatChangedAndNoEditedIndex) {
  if (!TagLib()) GTEST_SKIP() << "this build has no TagLib";
  box_.Write("m/a.flac", Flac(30000, {"GENRE=Rock"}));
  box_.Write("m/b.flac", Flac(30000, {"GENRE=Folk"}));
  ASSERT_EQ(0, box_.Run({"-build", "-tags"}).status);
  // Tagged anew in place, the same size: only its time tells.
  box_.Write("m/a.flac", Flac(30000, {"GENRE=Jazz"}));
  const struct timespec later[2] = {{2000000000, 0}, {2000000000, 0}};
  ASSERT_EQ(0, utimensat(AT_FDCWD, box_.At("m/a.flac").c_str(), later, 0));
  Result retagged = box_.Run({"-build"});
  EXPECT_TRUE(Holds(retagged.out, "2 tracks: 1 files opened, 1 reused, 0 unreadable.\n"))
      << retagged.out;
  EXPECT_EQ("Jazz", Indexed("m/a.flac")[7]);

  // An index edited by hand, the same size: every track is read anew.
  std::string index = box_.Read("library.txt.tags");
  box_.Write("library.txt.tags", index.replace(index.find("Folk"), 4, "Funk"));
  Result edited = box_.Run({"-build"});
  EXPECT_TRUE(Holds(edited.out,
                    "library.txt.tags: it was changed since it was written, "
                    "so every track is read anew\nTag Index Complete - 2 "
                    "tracks: 2 files opened, 0 reused"))
      << edited.out;
  EXPECT_EQ("Folk", Indexed("m/b.flac")[7]);

  // A library of the same size, of another time, is another library.
  std::string library = box_.Read("library.txt");
  box_.Write("library.txt", library);
  ASSERT_EQ(0, utimensat(AT_FDCWD, box_.At("library.txt").c_str(), later, 0));
  Result other = box_.Run({"-only", "genre:jazz"});
  EXPECT_TRUE(Holds(other.out,
                    "library.txt.tags is not the index of library.txt as it "
                    "is now: run songwhim -build -tags first - no playlist made"))
      << other.out;

  // An index of the first revision: read anew, and not asked.
  ASSERT_EQ(0, box_.Run({"-build"}).status);
  index = box_.Read("library.txt.tags");
  box_.Write("library.txt.tags", index.erase(index.find('\n') - 2, 2));
  Result earlier = box_.Run({"-only", "genre:jazz"});
  EXPECT_TRUE(Holds(earlier.out,
                    "library.txt.tags was written by an earlier version of "
                    "songwhim: run songwhim -build -tags first"))
      << earlier.out;
  Result anew = box_.Run({"-build"});
  EXPECT_TRUE(Holds(anew.out,
                    "library.txt.tags: it was written by an earlier version, "
                    "so every track is read anew\n"))
      << anew.out;
}

TEST_F(TagsTrust, TheIndexAndTheLibraryGoInPlaceTogether) {
  if (!TagLib()) GTEST_SKIP() << "this build has no TagLib";
  box_.Write("m/a.flac", Flac(30000, {"GENRE=Jazz"}));
  ASSERT_EQ(0, box_.Run({"-build", "-tags"}).status);
  std::string index = box_.Read("library.txt.tags");
  std::string library = box_.ReadBytes("library.txt");
  struct stat made;
  ASSERT_EQ(0, stat(box_.At("library.txt").c_str(), &made));
  // A folder where the library is: the new one cannot take its place.
  box_.Write("m/b.flac", Flac(30000, {"GENRE=Jazz"}));
  std::remove(box_.At("library.txt").c_str());
  box_.Touch("library.txt/in the way");
  Result failed = box_.Run({"-build"});
  EXPECT_EQ(1, failed.status);
  EXPECT_TRUE(Holds(failed.out, "Cannot replace library.txt: ")) << failed.out;
  EXPECT_EQ(index, box_.Read("library.txt.tags"));
  EXPECT_FALSE(box_.Exists("library.txt.tags.undo"));
  // With the old library back as it was, its index answers.
  std::remove(box_.At("library.txt/in the way").c_str());
  std::remove(box_.At("library.txt").c_str());
  box_.Write("library.txt", library);
  const struct timespec times[2] = {made.st_atim, made.st_mtim};
  ASSERT_EQ(0, utimensat(AT_FDCWD, box_.At("library.txt").c_str(), times, 0));
  EXPECT_EQ((std::set<std::string>{"a.flac"}), Picked({"-only", "genre:jazz"}));
}

TEST_F(TagsTrust, FieldQueriesSayWhatIsWrongAndAFirstRunIndexes) {
  if (!TagLib()) GTEST_SKIP() << "this build has no TagLib";
  box_.Write("m/a.flac", Flac(30000, {"GENRE=Jazz", "DATE=1999"}));
  box_.Write("random.m3u", "last\n");
  std::remove(box_.At("library.txt").c_str());
  for (const char* query :
       {"genre:", "artist: ", "year:19x9", "year:..", "year:1970-1979"}) {
    Result run = box_.Run({"-skip", query});
    EXPECT_EQ(1, run.status) << query;
    EXPECT_TRUE(Holds(
        run.out, std::string(query) +
                     (query[0] == 'y' ? " is no year" : " names a field but no text")))
        << run.out;
  }
  EXPECT_FALSE(box_.Exists("library.txt"));
  EXPECT_EQ("last\n", box_.Read("random.m3u"));
  // No library yet: the build a field query starts writes its index too.
  Result first = box_.Run({"-only", "genre:jazz"});
  EXPECT_TRUE(Holds(first.out, "Reading Track Tags")) << first.out;
  EXPECT_EQ((std::set<std::string>{"a.flac"}), Picked({"-only", "year:1990.."}));
  EXPECT_EQ((std::set<std::string>{"a.flac"}), Picked({"-only", "year:2000..1990"}));
  Result tags = box_.Run({"-tags", "-only", "year:..1999"});
  EXPECT_TRUE(
      Holds(tags.out, "-tags takes effect with a build: run songwhim -build -tags\n"))
      << tags.out;
}

}  // namespace
