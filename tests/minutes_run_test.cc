// -minutes on generated WAV files: the playlist fills the time with titles
// for the player, and files that are no audio, or no files, are passed over
// and counted. Runs against the Windows program too.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <regex>

#include "tests/audio_files.h"
#include "tests/harness.h"

namespace {

TEST(Minutes, FillsTheTimeWithTitlesAndPassesOverWhatIsNoAudio) {
  Sandbox box;
  box.InstallOpener();
  if (box.Run({"-minutes", "1"}).out.find("cannot read") != std::string::npos)
    GTEST_SKIP() << "this build has no TagLib";
  const char kCafe[] = "Caf\xc3\xa9 \xe2\x80\x98Live\xe2\x80\x99";
  box.Write("m/a.wav", Wav(126, "Bj\xc3\xb6rk", kCafe));
  box.Write("m/b.wav", Wav(300, "", "Second"));
  box.Write("m/Untitled Track.wav", Wav(240, "", ""));
  box.Write("m/notes.wav", "no audio\n");
  box.Touch("m/folder.wav/");
  std::string library;
  for (const char* name : {"a", "b", "Untitled Track", "notes", "folder", "gone"})
    library += box.Host(std::string("m/") + name + ".wav") + "\n";
  if (!OnWindows()) {
    // A pipe would keep a reader waiting for ever.
    ASSERT_EQ(0, mkfifo(box.At("m/pipe.wav").c_str(), 0644));
    library += box.Host("m/pipe.wav") + "\n";
  }
  box.Write("library.txt", library);
  Result run = box.Run({"-MINUTES", "20", "-tracks", "1"});
  EXPECT_EQ(0, run.status);
  std::string unreadable = OnWindows() ? "3" : "4";
  EXPECT_EQ(std::string(kBanner) +
                "Playlist time set to 20 minutes\nNumber of tracks set to 1\n\n"
                "Creating Random Playlist\n3 tracks added.\nPlaying time 11:06 of 20 "
                "minutes\n" +
                unreadable +
                " files could not be read as audio and were passed over\n"
                "Playing Playlist\n",
            run.out);
  // An extended M3U: each track after its length and title, in any order.
  bool utf8 = box.Exists("random.m3u8");
  std::string playlist = box.Read(utf8 ? "random.m3u8" : "random.m3u");
  std::vector<std::string> lines = Lines(playlist);
  ASSERT_EQ(7u, lines.size()) << playlist;
  EXPECT_EQ("#EXTM3U", lines[0]);
  std::map<std::string, std::string> shown;
  for (std::size_t n = 1; n + 1 < lines.size(); n += 2) shown[lines[n + 1]] = lines[n];
  std::string cafe = OnWindows() && !utf8 ? "Caf\xe9 \x91Live\x92" : kCafe;
  std::string bjork = OnWindows() && !utf8 ? "Bj\xf6rk" : "Bj\xc3\xb6rk";
  EXPECT_EQ("#EXTINF:126," + bjork + " - " + cafe, shown[box.Host("m/a.wav")]);
  EXPECT_EQ("#EXTINF:300,Second", shown[box.Host("m/b.wav")]);
  EXPECT_EQ("#EXTINF:240,Untitled Track", shown[box.Host("m/Untitled Track.wav")]);

  // Shorter than every track: nothing, and no player.
  box.Write("library.txt", box.Host("m/b.wav") + "\n");
  Result none = box.Run({"-minutes", "4"});
  EXPECT_NE(std::string::npos,
            none.out.find("0 tracks added.\nPlaying time 0:00 of 4 minutes\n"))
      << none.out;
  EXPECT_EQ(std::string::npos, none.out.find("Playing Playlist"));
}

TEST(Minutes, FillsMExactlyTimesEveryMp3ByItsFramesAndPassesOverDamage) {
  Sandbox box;
  box.InstallOpener();
  if (box.Run({"-minutes", "1"}).out.find("cannot read") != std::string::npos)
    GTEST_SKIP() << "this build has no TagLib";
  std::string library;
  for (int n = 0; n < 40; ++n) {
    std::string name = "m/t" + std::to_string(n) + ".wav";
    box.Write(name, Wav(20, "", ""));
    library += box.Host(name) + "\n";
  }
  box.Write("library.txt", library);
  for (int minutes : {1, 2, 5, 10}) {
    Result run = box.Run({"-minutes", std::to_string(minutes)});
    std::string unit = minutes == 1 ? " minute" : " minutes";
    EXPECT_EQ(std::string(kBanner) + "Playlist time set to " + std::to_string(minutes) +
                  unit + "\n\nCreating Random Playlist\n" + std::to_string(3 * minutes) +
                  " tracks added.\nPlaying time " + std::to_string(minutes) + ":00 of " +
                  std::to_string(minutes) + unit + "\nPlaying Playlist\n",
              run.out);
  }
  // 3 001 frames of 1 152 samples: 78.4 s, where its first frame says 784 s.
  box.Write("m/vbr.mp3", VbrMp3WithoutHeader(3000));
  box.Write("library.txt", box.Host("m/vbr.mp3") + "\n");
  box.Write("random.m3u", "old\n");
  Result timed = box.Run({"-minutes", "2"});
  EXPECT_NE(std::string::npos, timed.out.find("Playing time 1:18 of 2 minutes"))
      << timed.out;
  EXPECT_NE(std::string::npos, box.Read("random.m3u").find("#EXTINF:78,vbr\n"));
  // A damaged file of 4 GiB (of zeros, as a file system gives a sparse one)
  // is passed over in a moment, and with nothing else to play no playlist
  // is made: the last one stays.
  std::string damaged = box.At("m/damaged.mp3");
  box.Touch("m/damaged.mp3");
  ASSERT_EQ(0, truncate(damaged.c_str(), 4LL << 30));
  box.Write("library.txt", box.Host("m/damaged.mp3") + "\n");
  Result damage = box.Run({"-minutes", "3"});
  // Far more than the fraction of a second it takes; a scan of the whole
  // file took more than a minute of the processor. Its time, not the
  // clock's, which a loaded machine stretches.
  EXPECT_LT(damage.cpu_seconds, 20) << damage.cpu_seconds;
  EXPECT_EQ(std::string(kBanner) +
                "Playlist time set to 3 minutes\n\nCreating Random Playlist\n0 tracks "
                "added.\nPlaying time 0:00 of 3 minutes\n1 files could not be read as "
                "audio and were passed over\nNone of the tracks tried could be read as "
                "audio - no playlist made\n",
            damage.out);
  EXPECT_EQ(1, damage.status);
  EXPECT_EQ("#EXTM3U\n#EXTINF:78,vbr\n" + box.Host("m/vbr.mp3") + "\n",
            box.Read("random.m3u"));
}

TEST(Minutes, FreshRoundsMoveOnPastFilesThatCannotBeRead) {
  Sandbox box;
  box.InstallOpener();
  if (box.Run({"-minutes", "1"}).out.find("cannot read") != std::string::npos)
    GTEST_SKIP() << "this build has no TagLib";
  // Five minute-long tracks among a hundred files that hold no audio, as
  // many as a one-minute run tries: once the five are played, every run
  // would try only those, were they not counted for the round.
  std::string library;
  for (int n = 0; n < 105; ++n) {
    std::string name = "m/" + std::to_string(n) + ".wav";
    box.Write(name, n % 21 == 0 ? Wav(60, "", "") : "");
    library += box.Host(name) + "\n";
  }
  box.Write("library.txt", library);
  int made = 0;
  for (int run = 0; run < 10; ++run) {
    SCOPED_TRACE(run);
    std::string last = box.Exists("random.m3u") ? box.Read("random.m3u") : "";
    Result fresh = box.Run({"-fresh", "-minutes", "1"});
    // A run that tried only files it could not read makes no playlist, and
    // says so; the round then moves on.
    if (fresh.status != 0) {
      EXPECT_NE(std::string::npos, fresh.out.find(" - no playlist made\n")) << fresh.out;
      EXPECT_EQ(last, box.Exists("random.m3u") ? box.Read("random.m3u") : "");
    }
    EXPECT_FALSE(fresh.status == 0 &&
                 fresh.out.find("\n0 tracks added.") != std::string::npos)
        << fresh.out;
    made += fresh.status == 0;
  }
  EXPECT_GE(made, 9);
  // A new round's first track is no fresh one: one of two tracks is picked,
  // then the other and the first again begin a new round that holds both.
  box.Write("library.txt", box.Host("m/0.wav") + "\n" + box.Host("m/21.wav") + "\n");
  std::remove(box.At("library.txt.played").c_str());
  ASSERT_EQ(0, box.Run({"-fresh", "-minutes", "1"}).status);
  Result round = box.Run({"-fresh", "-minutes", "2"});
  EXPECT_NE(
      std::string::npos,
      round.out.find("Every track has been picked: a new round begins\n2 tracks added."))
      << round.out;
  EXPECT_EQ(3u, Lines(box.Read("library.txt.played")).size());
}

}  // namespace
