// -minutes on generated WAV files: the playlist fills the time with titles
// for the player, and files that are no audio, or no files, are passed over
// and counted. Runs against the Windows program too.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <regex>

#include "tests/harness.h"

namespace {

// A WAV file of `seconds` seconds (at one sample a second, so a byte a
// second), with its title and artist in a RIFF INFO chunk when given. TagLib
// counts the pad byte after an odd chunk, so `seconds` should be even.
std::string Wav(int seconds, const std::string& artist, const std::string& title) {
  auto number = [](std::uint32_t value, int bytes) {
    std::string text;
    for (int n = 0; n < bytes; ++n) text += static_cast<char>((value >> (8 * n)) & 0xff);
    return text;
  };
  auto chunk = [&](const std::string& id, const std::string& data) {
    return id + number(static_cast<std::uint32_t>(data.size()), 4) + data +
           (data.size() % 2 ? std::string(1, '\0') : "");
  };
  std::string info = "INFO";
  if (!title.empty()) info += chunk("INAM", title + '\0');
  if (!artist.empty()) info += chunk("IART", artist + '\0');
  // PCM, one channel, one sample a second, one byte a sample.
  std::string format = number(1, 2) + number(1, 2) + number(1, 4) + number(1, 4) +
                       number(1, 2) + number(8, 2);
  std::string body = "WAVE" + chunk("fmt ", format) + chunk("LIST", info) +
                     chunk("data", std::string(seconds, '\x80'));
  return "RIFF" + number(static_cast<std::uint32_t>(body.size()), 4) + body;
}

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

}  // namespace
