// Runs the built program in a fresh temporary folder, the way a user would,
// with a stand-in for the desktop's opener first on PATH.
#ifndef SONGWHIM_TESTS_HARNESS_H_
#define SONGWHIM_TESTS_HARNESS_H_

#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

struct Result {
  std::string out;  // standard output, byte for byte
  std::string err;  // standard error, which the program never uses
  int status = -1;  // exit status
  // Peak resident memory of the process. It counts the test's own memory too,
  // as the process has it between fork and exec: a few MiB.
  long max_rss_kib = 0;
  // Processor time the process took, its own and the system's for it: unlike
  // the time on the clock, no other load on the machine makes it grow.
  double cpu_seconds = 0;
};

// A program started and not yet waited for.
struct Running {
  int pid;
  int out;  // read ends of its standard output and error
  int err;
  int in = -1;  // write end of its standard input, when left open
};

// Waits for the program to end and collects what it wrote.
Result Finish(const Running& running);

// Reads the program's standard output until `text` has come (or the output
// ends) and returns what was read; Finish collects only what comes after.
std::string ReadUntil(const Running& running, const std::string& text);

// True where the tests can see what a program is blocked in: x86-64 Linux,
// not under Wine.
bool InputWaitsVisible();
// Waits until the program is blocked reading its standard input. Returns false
// when it ends first, or where that cannot be seen.
bool WaitUntilReadingInput(const Running& running);

// A temporary working folder, removed with everything in it at the end.
class Sandbox {
 public:
  Sandbox();
  ~Sandbox();
  Sandbox(const Sandbox&) = delete;
  Sandbox& operator=(const Sandbox&) = delete;

  const std::string& dir() const { return dir_; }
  std::string At(const std::string& name) const { return dir_ + "/" + name; }
  // The same, as the program under test names it: under Wine, on drive Z:.
  std::string Host(const std::string& name) const;

  void Write(const std::string& name, const std::string& text) const;
  // A file's text; under Windows its CR LF line ends are read as LF.
  std::string Read(const std::string& name) const;
  std::string ReadBytes(const std::string& name) const;
  bool Exists(const std::string& name) const;
  // Makes a file (and the folders above it); a name ending in '/' makes a folder.
  void Touch(const std::string& name) const;
  // The names in the working folder, sorted, as "a b c".
  std::string Listing() const;

  // Runs songwhim here with `args`; `input` is its standard input, or none
  // (end of input at once) when null.
  Result Run(const std::vector<std::string>& args,
             const std::string* input = nullptr) const;
  // The same without waiting; `keep_input_open` leaves standard input open
  // for the test to write to (Finish closes it).
  Running Start(const std::vector<std::string>& args, const std::string* input = nullptr,
                bool keep_input_open = false) const;

  // Runs `setup` in each program's process just before it starts: limits,
  // signal dispositions, another user. It may only make system calls.
  void InChild(std::function<void()> setup) { in_child_ = std::move(setup); }
  // Lets another user run the program here: the working folder is opened to
  // all, and a copy of the program is run from it, since the build's own may
  // lie in a folder only its owner may enter.
  void OpenToAll();
  // Runs the programs from now on as a user of their own, whom no other
  // process runs as (so no limit on a user's processes counts others), with
  // `limit` applied first. Needs root.
  void AsAnotherUser(std::function<void()> limit = nullptr);
  // Sets the environment variable `name` for the programs started from now.
  void SetEnv(const std::string& name, const std::string& value) {
    settings_.push_back(name + "=" + value);
  }

  // The same with standard input, output and error on a pseudo-terminal of
  // `columns` columns; `out` holds what the terminal received, byte for byte.
  Result RunOnTerminal(const std::vector<std::string>& args, int columns = 80) const;

  // Puts a stand-in opener first on PATH; with `installed` false, PATH leads to
  // no opener at all.
  void InstallOpener(bool installed = true);
  // Waits for the stand-in to finish; returns the playlist it was handed, or
  // "<not started>".
  std::string OpenedPlaylist() const;
  // How many times the stand-in was started, and with which arguments.
  std::string OpenerLog() const;

 private:
  std::string dir_;
  std::string bin_;
  bool opener_ = true;
  std::function<void()> in_child_;
  std::vector<std::string> settings_;
  std::string copy_;  // the copy of the program to run, or "" for the build's own
};

// A build of the folder "m" held in the middle, with its locks taken and its
// first listing made. Its paths file ("paths.ini") names "m" and then folders
// whose long names fill more console than any pipe holds, and the test reads
// the console only as far as the first listing: the build cannot go on
// writing until Finish reads the rest.
class HeldBuild {
 public:
  explicit HeldBuild(const Sandbox& box);
  ~HeldBuild();
  HeldBuild(const HeldBuild&) = delete;
  HeldBuild& operator=(const HeldBuild&) = delete;

  // Reads on, so the build ends, and collects what it wrote.
  Result Finish();
  // Ends the build with `signal` and collects what it wrote.
  Result Stop(int signal);

 private:
  Running running_;
  bool finished_ = false;
};

// True when the program under test is the Windows one, run under Wine.
bool OnWindows();

// Skips a test that checks what only the POSIX program does.
#define SKIP_ON_WINDOWS(why) \
  if (OnWindows()) GTEST_SKIP() << "Windows differs: " << why

// Skips a test that runs the program as another user where it cannot.
#define NEEDS_ROOT()                                                       \
  if (geteuid() != 0) GTEST_SKIP() << "needs root to run as another user"; \
  SKIP_ON_WINDOWS("POSIX users and limits")

// A WAV file of `seconds` seconds (at one sample a second, so a byte a
// second), with the tags given in a RIFF INFO chunk. TagLib counts the pad
// byte after an odd chunk, so `seconds` should be even.
struct WavTags {
  std::string artist, title, album, genre, year;
};
std::string Wav(int seconds, const WavTags& tags);
inline std::string Wav(int seconds, const std::string& artist, const std::string& title) {
  return Wav(seconds, WavTags{artist, title, "", "", ""});
}

// The banner every run begins with.
extern const char kBanner[];

// The library-missing notice that switches to builder mode.
std::string NotFound(const std::string& library);

// Lines of `text`, each without its newline.
std::vector<std::string> Lines(const std::string& text);

#endif  // SONGWHIM_TESTS_HARNESS_H_
