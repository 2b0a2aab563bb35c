// -copy onto a real FAT file system, as a USB stick has: an image made with
// mkfs.vfat and mounted with fusefat (as root), which refuses <>:"\|?* in
// names and takes names alike in case for one. Names it refuses and names
// alike in case, refreshes beside the user's files and a copy the user
// changed, a stick that fills up in the middle of a track and a run killed
// in the middle of one. Runs against the Windows program too.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

#include "tests/harness.h"

namespace {

bool Holds(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// A FAT file system of `kilobytes` in the sandbox, mounted on its folder
// "stick" for the test's life; fusefat runs in the foreground as a child
// of the test, which ends it by its pid.
class FatStick {
 public:
  FatStick(const Sandbox& box, int kilobytes) : mount_(box.At("stick")) {
    std::string image = box.At("stick.img");
    std::string make =
        "mkfs.vfat -C '" + image + "' " + std::to_string(kilobytes) + " >/dev/null 2>&1";
    if (geteuid() != 0 || std::system(make.c_str()) != 0) return;
    box.Touch("stick/");
    server_ = fork();
    if (server_ == 0) {
      // It tells of each call it serves.
      int quiet = open("/dev/null", O_WRONLY);
      dup2(quiet, 1);
      dup2(quiet, 2);
      execlp("fusefat", "fusefat", "-f", "-o", "rw+", image.c_str(), mount_.c_str(),
             static_cast<char*>(nullptr));
      _exit(127);
    }
    // Mounted once the kernel lists it, or never when fusefat ends first.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    while (!mounted_ && waitpid(server_, nullptr, WNOHANG) == 0 &&
           std::chrono::steady_clock::now() < deadline) {
      std::ifstream mounts("/proc/self/mounts");
      std::string text((std::istreambuf_iterator<char>(mounts)), {});
      mounted_ = Holds(text, " " + mount_ + " fuse");
      if (!mounted_) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  ~FatStick() {
    if (mounted_) umount2(mount_.c_str(), MNT_DETACH);
    if (server_ > 0) {
      kill(server_, SIGTERM);
      waitpid(server_, nullptr, 0);
    }
  }
  bool mounted() const { return mounted_; }

 private:
  std::string mount_;
  pid_t server_ = -1;
  bool mounted_ = false;
};

#define NEEDS_A_STICK(stick) \
  if (!(stick).mounted()) GTEST_SKIP() << "needs root, mkfs.vfat and fusefat"

// Distinct bytes of `size`, for a track.
std::string Bytes(int size, char mark) {
  std::string bytes(static_cast<std::size_t>(size), mark);
  for (int n = 0; n < size; n += 97) bytes[n] = static_cast<char>(n / 97);
  return bytes;
}

class CopyRun : public testing::Test {
 protected:
  CopyRun() {
    box_.InstallOpener();
    box_.Write("paths.ini", "[filetypes]\nmp3\n[add]\n" + box_.Host("m") + "\n");
  }

  void Track(const std::string& name, int size) {
    box_.Write("m/" + name, Bytes(size, static_cast<char>('a' + tracks_++ % 26)));
  }

  // The names on the stick the playlist gives, each checked to be there.
  std::vector<std::string> Played() {
    std::vector<std::string> names;
    for (const std::string& line : Lines(box_.Read("stick/songwhim.m3u"))) {
      if (line.empty() || line[0] == '#') continue;
      EXPECT_TRUE(box_.Exists("stick/" + line)) << line;
      names.push_back(line);
    }
    return names;
  }

  // What the list of copies names, and the files on the stick besides the
  // list and the playlist; a part of a track among them shows.
  std::set<std::string> Listed() {
    std::set<std::string> names;
    for (const std::string& line : Lines(box_.Read("stick/songwhim.copies"))) {
      if (line.rfind("copy\t", 0) != 0) continue;
      std::vector<std::string> fields;
      std::istringstream split(line);
      for (std::string field; std::getline(split, field, '\t');) fields.push_back(field);
      names.insert(fields[5]);
    }
    return names;
  }
  std::set<std::string> OnStick() {
    std::set<std::string> names;
    std::string root = box_.At("stick/");
    std::string command = "cd '" + root + "' && find . -type f | cut -c3- | sort > '" +
                          box_.At("found.txt") + "'";
    EXPECT_EQ(0, std::system(command.c_str()));
    for (const std::string& name : Lines(box_.Read("found.txt"))) {
      if (name != "songwhim.copies" && name != "songwhim.m3u") names.insert(name);
    }
    return names;
  }

  Sandbox box_;
  int tracks_ = 0;
};

TEST_F(CopyRun, NamesAStickRefusesOrTakesForOneBecomeNamesItTakes) {
  FatStick stick(box_, 8192);
  NEEDS_A_STICK(stick);
  // Names Windows cannot hold are no tracks there.
  if (!OnWindows()) {
    Track("What?/Why: \"1\" <a|b>.mp3", 20000);
    Track("CON.mp3", 20000);
  }
  Track("Sigur R\xc3\xb3s/\xc3\x81g\xc3\xa6tis.mp3", 20000);
  Track("Bj\xc3\xb6rk/a.mp3", 20000);
  Track("BJ\xc3\x96RK/A.mp3", 30000);
  Track(std::string(240, 'n') + "/" + std::string(300, 'x') + ".mp3", 20000);
  ASSERT_EQ(0, box_.Run({"-build"}).status);
  std::size_t tracks = Lines(box_.Read("library.txt")).size();
  Result run = box_.Run({"-COPY", box_.Host("stick")});
  EXPECT_EQ(0, run.status) << run.out;
  EXPECT_TRUE(Holds(run.out, "Copying to " + box_.Host("stick") + "\n")) << run.out;
  EXPECT_TRUE(Holds(run.out, "Copied " + std::to_string(tracks) + " tracks ("))
      << run.out;
  std::vector<std::string> played = Played();
  EXPECT_EQ(tracks, played.size());
  EXPECT_EQ(OnStick(), std::set<std::string>(played.begin(), played.end()));
  EXPECT_EQ(OnStick(), Listed());
  // Each copy is its track, and the two alike in case are two files.
  std::set<std::string> contents;
  for (const std::string& name : played) contents.insert(box_.ReadBytes("stick/" + name));
  EXPECT_EQ(tracks, contents.size());
  EXPECT_TRUE(OnWindows() || box_.Exists("stick/_CON.mp3"));
  EXPECT_TRUE(OnWindows() || box_.Exists("stick/What_/Why_ _1_ _a_b_.mp3"));
  // Again, and everything is there already.
  Result again = box_.Run({"-copy", box_.Host("stick")});
  EXPECT_TRUE(Holds(again.out, "Copied 0 tracks (0.0 KB), kept " +
                                   std::to_string(tracks) + ", removed 0 - 0 problems\n"))
      << again.out;
}

TEST_F(CopyRun, ARefreshKeepsItsPicksAndTouchesNoOtherFile) {
  FatStick stick(box_, 8192);
  NEEDS_A_STICK(stick);
  for (const char* name : {"Alpha/A/1.mp3", "Alpha/A/2.mp3", "Alpha/A/3.mp3",
                           "Beta/B/1.mp3", "Beta/B/2.mp3", "Beta/B/3.mp3"})
    Track(name, 40000);
  ASSERT_EQ(0, box_.Run({"-build"}).status);
  ASSERT_EQ(0,
            box_.Run({"-copy", box_.Host("stick"), "-only", "Alpha", "-fresh"}).status);
  EXPECT_EQ((std::set<std::string>{"Alpha/A/1.mp3", "Alpha/A/2.mp3", "Alpha/A/3.mp3"}),
            OnStick());
  // -fresh counts the copies as picked. (Tracks in Artist/Album folders,
  // for -spread below.)
  EXPECT_EQ(4u, Lines(box_.Read("library.txt.played")).size());
  // The user's own files, and a copy the user changed, are never touched.
  box_.Write("stick/mine.txt", "mine\n");
  box_.Write("stick/Alpha/A/notes.txt", "notes\n");
  std::remove(box_.At("stick/Alpha/A/2.mp3").c_str());
  box_.Write("stick/Alpha/A/2.mp3", "re-tagged\n");
  Result beta = box_.Run({"-copy", box_.Host("stick"), "-only", "Beta"});
  EXPECT_TRUE(
      Holds(beta.out, "Copied 3 tracks (120.0 KB), kept 0, removed 2 - 0 problems"))
      << beta.out;
  EXPECT_EQ((std::set<std::string>{"mine.txt", "Alpha/A/notes.txt", "Alpha/A/2.mp3",
                                   "Beta/B/1.mp3", "Beta/B/2.mp3", "Beta/B/3.mp3"}),
            OnStick());
  EXPECT_EQ("re-tagged\n", box_.Read("stick/Alpha/A/2.mp3"));
  // Picked again, the changed one's track gets a name of its own; -spread
  // orders the copies as it orders a playlist.
  Result all = box_.Run({"-copy", box_.Host("stick"), "-spread"});
  EXPECT_TRUE(
      Holds(all.out, "Copied 3 tracks (120.0 KB), kept 3, removed 0 - 0 problems"))
      << all.out;
  EXPECT_TRUE(box_.Exists("stick/Alpha/A/2 (2).mp3"));
  std::vector<std::string> played = Played();
  EXPECT_EQ(Listed().size(), played.size());
  for (std::size_t n = 1; n < played.size(); ++n)
    EXPECT_NE(played[n - 1].substr(0, 4), played[n].substr(0, 4)) << n;
  // A folder the copies left is removed; one with the user's files stays.
  std::remove(box_.At("stick/Alpha/A/notes.txt").c_str());
  std::remove(box_.At("stick/Alpha/A/2.mp3").c_str());
  ASSERT_EQ(0, box_.Run({"-copy", box_.Host("stick"), "-only", "Beta"}).status);
  EXPECT_FALSE(box_.Exists("stick/Alpha"));
  EXPECT_TRUE(box_.Exists("stick/mine.txt"));
}

TEST_F(CopyRun, AFullStickOrAKillLeavesNoPartOfATrackAndAListOfWhatIsThere) {
  SKIP_ON_WINDOWS("limits on a file's size are POSIX's");
  FatStick stick(box_, 16384);
  NEEDS_A_STICK(stick);
  for (int n = 0; n < 6; ++n) Track("Small/" + std::to_string(n) + ".mp3", 30000);
  Track("Big/long.mp3", 3 << 20);
  ASSERT_EQ(0, box_.Run({"-build"}).status);
  // A file may not pass a mebibyte: the big track fills the "stick" in its
  // middle, with EFBIG, as a full one does.
  box_.InChild([] {
    rlimit limit = {1 << 20, 1 << 20};
    setrlimit(RLIMIT_FSIZE, &limit);
    signal(SIGXFSZ, SIG_IGN);
  });
  Result full = box_.Run({"-copy", box_.Host("stick")});
  EXPECT_EQ(0, full.status) << full.out;
  EXPECT_TRUE(Holds(full.out, box_.Host("stick") + " is full: ")) << full.out;
  std::vector<std::string> played = Played();
  EXPECT_EQ(OnStick(), std::set<std::string>(played.begin(), played.end()));
  EXPECT_EQ(OnStick(), Listed());
  // Killed at that write, the run leaves the part it was writing, which the
  // next run removes; the list names just what is there all the while.
  std::remove(box_.At("stick/songwhim.copies").c_str());
  for (const std::string& name : played) std::remove(box_.At("stick/" + name).c_str());
  box_.InChild([] {
    rlimit limit = {1 << 20, 1 << 20};
    setrlimit(RLIMIT_FSIZE, &limit);
  });
  Result killed = box_.Run({"-copy", box_.Host("stick"), "-only", "Big"});
  EXPECT_EQ(128 + SIGXFSZ, killed.status) << killed.out;
  EXPECT_EQ((std::set<std::string>{"Big/long.mp3.part"}), OnStick());
  EXPECT_TRUE(Listed().empty());
  box_.InChild(nullptr);
  Result next = box_.Run({"-copy", box_.Host("stick"), "-only", "Small"});
  EXPECT_EQ(0, next.status) << next.out;
  EXPECT_EQ(OnStick(), Listed());
  EXPECT_EQ(6u, OnStick().size());
}

TEST_F(CopyRun, RefusesAFolderItCannotUse) {
  Track("a.mp3", 1000);
  box_.Touch("m/inner/");
  box_.Write("file.txt", "x\n");
  ASSERT_EQ(0, box_.Run({"-build"}).status);
  box_.Write("random.m3u", "last\n");
  for (const std::string& folder :
       {box_.Host("nowhere"), box_.Host("m/inner"), box_.Host("file.txt")}) {
    Result run = box_.Run({"-copy", folder});
    EXPECT_EQ(1, run.status) << folder;
    EXPECT_TRUE(Holds(run.out, "Cannot copy to " + folder + ": ")) << run.out;
  }
  EXPECT_FALSE(box_.Exists("m/inner/songwhim.copies"));
  EXPECT_EQ("last\n", box_.Read("random.m3u"));
  EXPECT_EQ("", box_.OpenerLog());
}

}  // namespace
