// Builds and playlists that meet a full disk, too few threads, another user's
// files, links, files that are no files, names of their own files, and
// signals: each keeps the library as it was, leaves nothing behind, and says
// so, or completes.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <set>

#include "tests/harness.h"

namespace {

const char kBuildFlag[] = "Library Builder Mode\n--------------------\n";

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() &&
         text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::string Completed(int tracks) {
  return "--------------------\n\nLibrary Playlist Complete - " + std::to_string(tracks) +
         " tracks counted.\n";
}

void ExpectNothingChanged(const Sandbox& box, const Result& run,
                          const std::string& listing) {
  EXPECT_EQ(1, run.status) << run.out;
  EXPECT_EQ("old\n", box.Read("library.txt"));
  EXPECT_EQ(listing, box.Listing());
}

// A tmpfs of `size` mounted on a folder for the test's life.
class Tmpfs {
 public:
  Tmpfs(const std::string& folder, const char* size) : folder_(folder) {
    mounted_ = mount("tmpfs", folder.c_str(), "tmpfs", 0,
                     (std::string("size=") + size).c_str()) == 0;
  }
  // Detached, so that it goes even while a stand-in opener started by the
  // test still has its working folder there.
  ~Tmpfs() {
    if (mounted_) umount2(folder_.c_str(), MNT_DETACH);
  }
  bool mounted() const { return mounted_; }

 private:
  std::string folder_;
  bool mounted_ = false;
};

TEST(NothingLost, FullDiskWhileListingKeepsTheLibrary) {
  Sandbox music;
  music.Touch("small/a.mp3");
  // Paths of about 1 KB: the listing of "big" needs more than the disk holds.
  std::string deep = "big";
  for (int n = 0; n < 4; ++n) deep += "/" + std::string(240, 'd');
  for (int n = 0; n < 1500; ++n) music.Touch(deep + "/" + std::to_string(n) + ".mp3");
  Sandbox box;
  Tmpfs disk(box.dir(), "1m");
  if (!disk.mounted()) GTEST_SKIP() << "cannot mount a tmpfs here";
  box.Write("library.txt", "old\n");
  box.Write("paths.ini", "[filetypes]\nmp3\n[add]\n" + music.Host("small") + "\n" +
                             music.Host("big") + "\n");
  Result run = box.Run({"-build"});
  // Wine's C library gives a write in text mode to a full disk as EINVAL.
  std::string reason =
      OnWindows() ? "" : "No space left on device - library not changed\n";
  EXPECT_TRUE(EndsWith(run.out, reason)) << run.out;
  EXPECT_NE(std::string::npos,
            run.out.find("Creating Directory Listing 2 : " + music.Host("big") +
                         " \nCannot write dir2.txt: "))
      << run.out;
  ExpectNothingChanged(box, run, "library.txt paths.ini");
}

TEST(NothingLost, TooFewThreadsOrTooLittleMemory) {
  NEEDS_ROOT();
#ifdef SONGWHIM_SANITIZED
  GTEST_SKIP() << "the sanitizers need threads and memory of their own";
#endif
  Sandbox box;
  for (int n = 0; n < 300; ++n)
    box.Touch("m/d" + std::to_string(n % 30) + "/t" + std::to_string(n) + ".mp3");
  box.Write("library.txt", "old\n");
  box.Write("paths.ini", "[filetypes]\nmp3\n[add]\n" + box.Host("m") + "\n");
  auto cap = [](int resource, rlim_t value) {
    rlimit limit = {value, value};
    setrlimit(resource, &limit);
  };
  // No thread at all: the writer reads for itself. A build that spins instead
  // runs out of processor time.
  box.AsAnotherUser([cap] {
    cap(RLIMIT_NPROC, 1);
    cap(RLIMIT_CPU, 60);
  });
  Result alone = box.Run({"-build"});
  EXPECT_TRUE(EndsWith(alone.out, Completed(300))) << alone.out;
  EXPECT_EQ(0, alone.status);
  // Too little memory for the threads, or even for the build: it completes or
  // says so, and leaves nothing behind either way.
  box.Write("library.txt", "old\n");
  box.InChild([cap] { cap(RLIMIT_AS, 40000 << 10); });
  Result squeezed = box.Run({"-build"});
  if (squeezed.status != 0) {
    EXPECT_TRUE(EndsWith(squeezed.out, "Out of memory - library not changed\n") ||
                EndsWith(squeezed.out, "Cannot allocate memory - library not changed\n"))
        << squeezed.out;
    EXPECT_EQ("old\n", box.Read("library.txt"));
  } else {
    EXPECT_EQ(300u, Lines(box.Read("library.txt")).size());
  }
  EXPECT_EQ("library.txt m paths.ini", box.Listing());
}

TEST(NothingLost, LockFilesLeftByAnotherUser) {
  NEEDS_ROOT();
  Sandbox box;
  for (int n = 0; n < 2000; ++n)
    box.Touch("m/d" + std::to_string(n / 100) + "/t" + std::to_string(n) + ".mp3");
  box.Write("paths.ini", "[filetypes]\nmp3\n[add]\n" + box.Host("m") + "\n");
  box.Touch("songwhim.lock");
  box.Touch("library.txt.lock");
  box.AsAnotherUser();
  // Readable only: still locked, so of builds started together one builds.
  std::vector<Running> runs;
  for (int n = 0; n < 4; ++n) runs.push_back(box.Start({"-build"}));
  for (const Running& running : runs) Finish(running);
  std::vector<std::string> library = Lines(box.Read("library.txt"));
  EXPECT_EQ(2000u, library.size());
  EXPECT_EQ(2000u, std::set<std::string>(library.begin(), library.end()).size());
  // Not even readable: refused, with what to do.
  box.Write("library.txt", "old\n");
  box.Touch("songwhim.lock");
  chmod(box.At("songwhim.lock").c_str(), 0600);
  Result refused = box.Run({"-build"});
  EXPECT_EQ(std::string(kBanner) + kBuildFlag +
                "\nCannot lock songwhim.lock: Permission denied (remove it if no build "
                "is running) - library not changed\n",
            refused.out);
  ExpectNothingChanged(box, refused, "library.txt m paths.ini songwhim.lock");
}

TEST(NothingLost, LibraryBehindALinkStaysALink) {
  SKIP_ON_WINDOWS("symbolic links are a POSIX matter here");
  Sandbox box;
  box.Touch("m/a.mp3");
  box.Write("store/real.txt", "old\n");
  ASSERT_EQ(0, symlink("store/real.txt", box.At("library.txt").c_str()));
  box.Write("paths.ini", "[filetypes]\nmp3\n[add]\n" + box.Host("m") + "\n");
  Result run = box.Run({"-build"});
  EXPECT_TRUE(EndsWith(run.out, Completed(1))) << run.out;
  struct stat info;
  ASSERT_EQ(0, lstat(box.At("library.txt").c_str(), &info));
  EXPECT_TRUE(S_ISLNK(info.st_mode));
  EXPECT_EQ(box.At("m/a.mp3") + "\n", box.Read("store/real.txt"));
  EXPECT_EQ("library.txt m paths.ini store", box.Listing());
  EXPECT_FALSE(box.Exists("store/real.txt.part"));
  EXPECT_FALSE(box.Exists("store/real.txt.lock"));
}

// Files that cannot serve as what the user named them for, and library names
// that a run uses for files of its own: refused before anything is written.
TEST(NothingLost, FilesThatCannotServeAreRefused) {
  struct Case {
    std::vector<std::string> args;
    std::string
        make;  // "fifo", "folder", "secret" (mode 000, run as another user), or ""
    std::string said;
  };
  const Case cases[] = {
      {{"-library", "pipe"}, "fifo", "Cannot read pipe: Is a pipe\n"},
      {{"-library", "folder"}, "folder", "Cannot read folder: Is a directory\n"},
      {{"-library", "secret"}, "secret", "Cannot read secret: Permission denied\n"},
      {{"-build", "-paths", "pipe"},
       "fifo",
       "Cannot read paths file pipe: Is a pipe - library not changed\n"},
      {{"-build", "-library", "dir1.txt"},
       "",
       "Cannot use dir1.txt as the library: songwhim makes a file of that name - "
       "library not changed\n"},
      {{"-library", "./templibrary.txt"},
       "",
       "Cannot use ./templibrary.txt as the library: songwhim makes a file of that "
       "name\n"},
      {{"-build", "-library", "songwhim.lock"}, "", ""},
      {{"-library", "RANDOM.M3U"}, "", ""},
  };
  for (const Case& c : cases) {
    std::string name = c.args[c.args.size() - 1];
    SCOPED_TRACE(name);
    if (c.make == "secret" && (geteuid() != 0 || OnWindows())) continue;
    if (c.make == "fifo" && OnWindows()) continue;
    Sandbox box;
    box.InstallOpener();
    box.Touch("m/a.mp3");
    box.Write("paths.ini", "[filetypes]\nmp3\n[add]\n" + box.Host("m") + "\n");
    if (c.make == "fifo") {
      ASSERT_EQ(0, mkfifo(box.At(name).c_str(), 0644));
    }
    if (c.make == "folder") box.Touch(name + "/");
    if (c.make.empty() && name.find("random") == std::string::npos)
      box.Write(name, "/music/a.mp3\n");
    if (c.make == "secret") {
      box.Write(name, "/music/a.mp3\n");
      chmod(box.At(name).c_str(), 0);
      box.AsAnotherUser();
    }
    std::string before = box.Listing();
    Result run = box.Run(c.args);
    EXPECT_EQ(1, run.status) << run.out;
    if (!c.said.empty()) {
      EXPECT_TRUE(EndsWith(run.out, c.said)) << run.out;
    }
    EXPECT_NE(std::string::npos, run.out.find(name));
    EXPECT_EQ(before, box.Listing());
    EXPECT_EQ("", box.OpenerLog());
  }
}

TEST(NothingLost, SignalsEndTheBuildCleanlyUnlessIgnored) {
  SKIP_ON_WINDOWS("no POSIX signals");
  for (int signal_number : {SIGHUP, SIGQUIT, SIGPIPE}) {
    SCOPED_TRACE(signal_number);
    Sandbox box;
    box.Touch("m/a.mp3");
    box.Write("library.txt", "old\n");
    box.InChild([] {
      rlimit no_core = {0, 0};
      setrlimit(RLIMIT_CORE, &no_core);
    });
    HeldBuild build(box);
    EXPECT_EQ(128 + signal_number, build.Stop(signal_number).status);
    EXPECT_EQ("old\n", box.Read("library.txt"));
    EXPECT_EQ("library.txt m paths.ini", box.Listing());
  }
  // Under nohup, a hangup leaves the build to complete.
  Sandbox box;
  box.Touch("m/a.mp3");
  box.InChild([] { signal(SIGHUP, SIG_IGN); });
  HeldBuild build(box);
  Result run = build.Stop(SIGHUP);
  EXPECT_TRUE(EndsWith(run.out, Completed(1))) << run.out;
  EXPECT_EQ(0, run.status);
  // What a build killed outright leaves, the next one clears away.
  for (const char* left : {"dir1.txt", "dir2.txt", "dir3.txt", "songwhim.lock"})
    box.Write(left, "left\n");
  box.Write("one.ini", "[filetypes]\nmp3\n[add]\n" + box.Host("m") + "\n");
  EXPECT_EQ(0, box.Run({"-build", "-paths", "one.ini"}).status);
  EXPECT_EQ("library.txt m one.ini paths.ini", box.Listing());
}

// The tracks of the record after its header, each without its line end.
std::set<std::string> Recorded(const Sandbox& box) {
  std::vector<std::string> lines = Lines(box.Read("library.txt.played"));
  EXPECT_FALSE(lines.empty());
  return std::set<std::string>(lines.begin() + (lines.empty() ? 0 : 1), lines.end());
}

TEST(NothingLost, TheRecordKeepsItsRoundThroughAFullDiskAndAKill) {
  Sandbox box;
  Tmpfs disk(box.dir(), "256k");
  if (!disk.mounted()) GTEST_SKIP() << "cannot mount a tmpfs here";
  box.InstallOpener();
  std::string library;
  for (int n = 0; n < 400; ++n)
    library += "/music/" + std::string(90, 'x') + std::to_string(1000 + n) + ".mp3\n";
  box.Write("library.txt", library);
  ASSERT_EQ(0, box.Run({"-fresh", "-tracks", "100"}).status);
  std::string record = box.Read("library.txt.played");
  std::string playlist = box.Read("random.m3u");

  // A disk with room for the playlist and a page more: adding to the record
  // fails midway, and the run undoes what it added.
  struct statvfs space;
  ASSERT_EQ(0, statvfs(box.dir().c_str(), &space));
  box.Write("filler", std::string(space.f_bavail * space.f_bsize - 5 * 4096, 'f'));
  Result full = box.Run({"-fresh", "-tracks", "100"});
  EXPECT_EQ(1, full.status);
  // Wine's C library tells a full disk by other names.
  EXPECT_NE(std::string::npos,
            full.out.find("\nCannot write library.txt.played: " +
                          std::string(OnWindows() ? "" : "No space left")))
      << full.out;
  EXPECT_EQ(record, box.Read("library.txt.played"));
  EXPECT_EQ(playlist, box.Read("random.m3u"));
  EXPECT_EQ("filler library.txt library.txt.played random.m3u", box.Listing());
  std::remove(box.At("filler").c_str());

  // The round goes on from where it was.
  std::set<std::string> before = Recorded(box);
  Result next = box.Run({"-fresh", "-tracks", "100"});
  EXPECT_EQ(0, next.status);
  EXPECT_EQ(std::string::npos, next.out.find("library.txt.played:")) << next.out;
  EXPECT_EQ(std::string::npos, next.out.find("a new round")) << next.out;
  std::set<std::string> after = Recorded(box);
  EXPECT_EQ(before.size() + 100, after.size());
  if (OnWindows()) return;

  // A run killed while it adds to the record, a page in: the next run undoes
  // the addition, and the round goes on.
  record = box.Read("library.txt.played");
  before = after;
  rlim_t cut = record.size() + 4096;
  box.InChild([cut] {
    rlimit none = {0, 0}, most = {cut, cut};
    setrlimit(RLIMIT_CORE, &none);
    setrlimit(RLIMIT_FSIZE, &most);
  });
  EXPECT_EQ(128 + SIGXFSZ, box.Run({"-fresh", "-tracks", "100"}).status);
  EXPECT_EQ(cut, box.Read("library.txt.played").size());
  box.InChild(nullptr);
  Result undone = box.Run({"-fresh", "-tracks", "50"});
  EXPECT_EQ(0, undone.status);
  EXPECT_EQ(std::string::npos, undone.out.find("library.txt.played:")) << undone.out;
  after = Recorded(box);
  EXPECT_EQ(before.size() + 50, after.size());
  EXPECT_EQ(0u, box.Read("library.txt.played").find(record));
}

TEST(NothingLost, PlaylistOnAFullDiskStopsAndIsRemoved) {
  SKIP_ON_WINDOWS("no /dev/full");
  Sandbox box;
  box.InstallOpener();
  box.Write("library.txt", "/music/" + std::string(1000, 'n') + ".mp3\n");
  ASSERT_EQ(0, symlink("/dev/full", box.At("random.m3u").c_str()));
  // The walks stop at the first write that fails, long before 10^7 picks.
  Result run = box.Run({"-tracks", "10000000"});
  EXPECT_TRUE(EndsWith(run.out,
                       " tracks added.\nCannot write random.m3u: No space left "
                       "on device\n"))
      << run.out;
  EXPECT_EQ(std::string::npos, run.out.find("10000000 tracks added."));
  EXPECT_EQ(1, run.status);
  EXPECT_EQ("library.txt", box.Listing());
}

}  // namespace
