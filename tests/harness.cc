#include "tests/harness.h"

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#ifdef __APPLE__
#include <util.h>
#else
#include <pty.h>
#endif

extern char** environ;

namespace fs = std::filesystem;

const char kBanner[] =
    "\n\n"
    "*****   Songwhim v0.2  *****\n"
    "**  Random playlist maker **\n"
    "***** for your library *****\n\n\n";

std::string NotFound(const std::string& library) {
  return library +
         " not found.\n------------------\nLibrary Builder Mode\n--------------------\n";
}

std::string Wav(int seconds, const WavTags& tags) {
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
  const std::pair<const char*, const std::string*> fields[] = {{"INAM", &tags.title},
                                                               {"IART", &tags.artist},
                                                               {"IPRD", &tags.album},
                                                               {"IGNR", &tags.genre},
                                                               {"ICRD", &tags.year}};
  for (const auto& [id, text] : fields) {
    if (!text->empty()) info += chunk(id, *text + '\0');
  }
  // PCM, one channel, one sample a second, one byte a sample.
  std::string format = number(1, 2) + number(1, 2) + number(1, 4) + number(1, 4) +
                       number(1, 2) + number(8, 2);
  std::string body = "WAVE" + chunk("fmt ", format) + chunk("LIST", info) +
                     chunk("data", std::string(seconds, '\x80'));
  return "RIFF" + number(static_cast<std::uint32_t>(body.size()), 4) + body;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

Sandbox::Sandbox() {
  std::string pattern = (fs::temp_directory_path() / "songwhim-test-XXXXXX").string();
  // The program names folders by their real path; so do the tests.
  dir_ = fs::canonical(mkdtemp(pattern.data())).string();
  bin_ = dir_ + ".bin";
  fs::create_directory(bin_);
}

Sandbox::~Sandbox() {
  std::error_code error;
  // Tests take permissions away; give them back so everything can go.
  for (auto it = fs::recursive_directory_iterator(dir_, error);
       it != fs::recursive_directory_iterator(); it.increment(error)) {
    if (it->is_directory(error) && !it->is_symlink(error)) {
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, error);
    }
  }
  fs::remove_all(dir_, error);
  fs::remove_all(bin_, error);
}

void Sandbox::Write(const std::string& name, const std::string& text) const {
  fs::path path = At(name);
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Windows text mode writes every LF as CR LF, in files and on the console.
std::string FromWindowsText(const std::string& text) {
  std::string result;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
      result += text[i];
  }
  return result;
}

}  // namespace

bool OnWindows() {
  const char* program = std::getenv("SONGWHIM_PROGRAM");
  std::string name = program ? program : "";
  return name.size() > 4 && name.compare(name.size() - 4, 4, ".exe") == 0;
}

std::string Sandbox::Host(const std::string& name) const {
  if (!OnWindows()) return At(name);
  std::string path = "Z:" + At(name);
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

std::string Sandbox::ReadBytes(const std::string& name) const {
  return ReadFile(At(name));
}

std::string Sandbox::Read(const std::string& name) const {
  std::string text = ReadFile(At(name));
  return OnWindows() ? FromWindowsText(text) : text;
}

bool Sandbox::Exists(const std::string& name) const {
  std::error_code error;
  return fs::exists(fs::symlink_status(At(name), error));
}

void Sandbox::Touch(const std::string& name) const {
  if (!name.empty() && name.back() == '/') {
    fs::create_directories(At(name));
  } else {
    Write(name, "");
  }
}

std::string Sandbox::Listing() const {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir_)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : " ") + name;
  return text;
}

namespace {

// A pipe whose ends close on exec, so no program started meanwhile holds
// another one's pipes.
bool MakePipe(int ends[2]) {
#ifdef __linux__
  return pipe2(ends, O_CLOEXEC) == 0;
#else
  if (pipe(ends) != 0) return false;
  return fcntl(ends[0], F_SETFD, FD_CLOEXEC) == 0 &&
         fcntl(ends[1], F_SETFD, FD_CLOEXEC) == 0;
#endif
}

// execvpe where the C library has none: the child's own environment is
// replaced first, which is all execvpe does besides.
[[noreturn]] void ExecWith(char** argv, char** env) {
#ifdef __linux__
  execvpe(argv[0], argv, env);
#else
  environ = env;
  execvp(argv[0], argv);
#endif
  _exit(127);
}

std::string Drain(int fd) {
  std::string text;
  char chunk[4096];
  for (ssize_t n; (n = read(fd, chunk, sizeof chunk)) > 0;) text.append(chunk, n);
  close(fd);
  return text;
}

// The program under test, and the command it runs under (an emulator, for a
// program built for another system), from the build.
std::string Program() {
  const char* program = std::getenv("SONGWHIM_PROGRAM");
  return program && *program ? program : SONGWHIM_BINARY;
}

// The program under test (a copy of it, when given), and the command it runs
// under (an emulator, for a program built for another system).
std::vector<std::string> Command(const std::string& copy) {
  std::vector<std::string> command;
  if (const char* runner = std::getenv("SONGWHIM_RUNNER"); runner && *runner) {
    command.push_back(runner);
  }
  command.push_back(copy.empty() ? Program() : copy);
  return command;
}

}  // namespace

namespace {

// The words and environment of a run: the program (under its runner) with
// `args`, and PATH leading to the stand-in opener first, or to nothing.
struct Launch {
  std::vector<std::string> words;
  std::vector<std::string> settings;  // NAME=value, set on top of this process's
  std::vector<char*> argv;
  std::vector<char*> env;
};

void Prepare(Launch* launch, const std::vector<std::string>& args, const std::string& bin,
             bool opener, const std::vector<std::string>& settings,
             const std::string& copy) {
  launch->words = Command(copy);
  launch->words.insert(launch->words.end(), args.begin(), args.end());
  for (std::string& word : launch->words) launch->argv.push_back(word.data());
  launch->argv.push_back(nullptr);
  launch->settings = settings;
  launch->settings.push_back("PATH=" + bin +
                             (opener ? std::string(":") + std::getenv("PATH") : ""));
  auto overridden = [&](const char* var) {
    for (const std::string& setting : launch->settings) {
      std::size_t name = setting.find('=') + 1;
      if (std::strncmp(var, setting.c_str(), name) == 0) return true;
    }
    return false;
  };
  for (char** var = environ; *var; ++var) {
    if (!overridden(*var)) launch->env.push_back(*var);
  }
  for (std::string& setting : launch->settings) launch->env.push_back(setting.data());
  launch->env.push_back(nullptr);
}

}  // namespace

Running Sandbox::Start(const std::vector<std::string>& args, const std::string* input,
                       bool keep_input_open) const {
  // What the opener of an earlier run left says nothing of this one.
  std::error_code error;
  fs::remove(bin_ + "/done", error);
  Launch launch;
  Prepare(&launch, args, bin_, opener_, settings_, copy_);
  std::vector<char*>& argv = launch.argv;
  std::vector<char*>& env = launch.env;

  int in[2], out[2], err[2];
  if (!MakePipe(in) || !MakePipe(out) || !MakePipe(err)) std::abort();
  pid_t pid = fork();
  if (pid == 0) {
    if (in_child_) in_child_();
    dup2(in[0], 0);
    dup2(out[1], 1);
    dup2(err[1], 2);
    for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) close(fd);
    if (chdir(dir_.c_str()) != 0) _exit(126);
    // The program is found on this process's PATH, and runs with its own.
    ExecWith(argv.data(), env.data());
  }
  close(in[0]);
  close(out[1]);
  close(err[1]);
  if (input) {
    ssize_t written = write(in[1], input->data(), input->size());
    (void)written;
  }
  if (keep_input_open) return {pid, out[0], err[0], in[1]};
  close(in[1]);
  return {pid, out[0], err[0]};
}

Result Finish(const Running& running) {
  if (running.in >= 0) close(running.in);
  Result result;
  std::thread errors([&] { result.err = Drain(running.err); });
  result.out = Drain(running.out);
  errors.join();
  int status = 0;
  struct rusage usage = {};
  wait4(running.pid, &status, 0, &usage);
#ifdef __APPLE__
  result.max_rss_kib = usage.ru_maxrss / 1024;  // counted in bytes there
#else
  result.max_rss_kib = usage.ru_maxrss;
#endif
  result.cpu_seconds =
      static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
      (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  if (OnWindows()) {
    result.out = FromWindowsText(result.out);
    // What `start` and the command interpreter say after this is theirs, and
    // depends on the desktop.
    const std::string playing = "Playing Playlist\n";
    std::size_t at = result.out.find(playing);
    if (at != std::string::npos) result.out.erase(at + playing.size());
  }
  // In a sanitizer build, a finding in the program fails the test that ran it.
  EXPECT_EQ(std::string::npos, result.err.find("Sanitizer")) << result.err;
  EXPECT_EQ(std::string::npos, result.err.find("runtime error")) << result.err;
  return result;
}

Result Sandbox::Run(const std::vector<std::string>& args,
                    const std::string* input) const {
  return Finish(Start(args, input));
}

void Sandbox::OpenToAll() {
  copy_ = bin_ + "/" + fs::path(Program()).filename().string();
  fs::copy_file(Program(), copy_, fs::copy_options::overwrite_existing);
  for (const std::string& folder : {dir_, bin_})
    fs::permissions(folder, fs::perms::all, fs::perm_options::add);
  fs::permissions(copy_, fs::perms::owner_all | fs::perms::group_read |
                             fs::perms::group_exec | fs::perms::others_read |
                             fs::perms::others_exec);
}

void Sandbox::AsAnotherUser(std::function<void()> limit) {
  OpenToAll();
  // A user of this test's own, far above any an installation gives out.
  uid_t user = 3000000000u + static_cast<uid_t>(getpid() % 1000000);
  InChild([limit, user] {
    if (limit) limit();
    if (setgroups(0, nullptr) != 0 || setgid(user) != 0 || setuid(user) != 0) _exit(125);
  });
}

void Sandbox::InstallOpener(bool installed) {
  std::string opener = bin_ + "/xdg-open";
  std::error_code error;
  fs::remove(opener, error);
  opener_ = installed;
  if (!installed) return;
  // Records its arguments and the playlist as it finds it, then says it is done.
  std::ofstream(opener) << "#!/bin/sh\n"
                        << "echo \"$*\" >> '" << bin_ << "/log'\n"
                        << "cat \"$1\" > '" << bin_ << "/playlist'\n"
                        << "echo done > '" << bin_ << "/done'\n";
  fs::permissions(opener, fs::perms::owner_all);
}

std::string Sandbox::OpenedPlaylist() const {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!fs::exists(bin_ + "/done")) {
    if (std::chrono::steady_clock::now() > deadline) return "<not started>";
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return ReadFile(bin_ + "/playlist");
}

std::string Sandbox::OpenerLog() const {
  return ReadFile(bin_ + "/log");
}

std::string ReadUntil(const Running& running, const std::string& text) {
  std::string seen;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  // The Windows program ends its console lines in CR LF.
  auto has_come = [&] {
    return (OnWindows() ? FromWindowsText(seen) : seen).find(text) != std::string::npos;
  };
  while (!has_come() && std::chrono::steady_clock::now() < deadline) {
    pollfd ready = {running.out, POLLIN, 0};
    if (poll(&ready, 1, 100) <= 0) continue;
    char chunk[4096];
    ssize_t n = read(running.out, chunk, sizeof chunk);
    if (n <= 0) break;
    seen.append(chunk, n);
  }
  return OnWindows() ? FromWindowsText(seen) : seen;
}

bool InputWaitsVisible() {
#if defined(__linux__) && defined(__x86_64__)
  return !OnWindows() && !ReadFile("/proc/self/syscall").empty();
#else
  return false;
#endif
}

bool WaitUntilReadingInput(const Running& running) {
#if defined(__linux__) && defined(__x86_64__)
  if (!InputWaitsVisible()) return false;
  // The first two fields are the system call the process is blocked in and
  // its first argument: read (0) from standard input (0).
  std::string syscall = "/proc/" + std::to_string(running.pid) + "/syscall";
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (std::chrono::steady_clock::now() < deadline) {
    std::string state = ReadFile(syscall);
    if (state.rfind("0 0x0 ", 0) == 0) return true;
    if (state.empty()) return false;  // the program has ended
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
#else
  (void)running;
#endif
  return false;
}

HeldBuild::HeldBuild(const Sandbox& box) {
  std::string paths = "[filetypes]\nmp3\n[add]\n" + box.Host("m") + "\n";
  // 240 KB of console lines, far more than a pipe holds.
  for (int n = 0; n < 8; ++n) paths += "nowhere" + std::string(30000, 'a' + n) + "\n";
  box.Write("paths.ini", paths);
  running_ = box.Start({"-build"});
  std::string seen = ReadUntil(running_, "... Complete\n");
  EXPECT_NE(std::string::npos, seen.find("... Complete\n")) << seen;
}

HeldBuild::~HeldBuild() {
  if (!finished_) Finish();
}

Result HeldBuild::Finish() {
  finished_ = true;
  return ::Finish(running_);
}

Result HeldBuild::Stop(int signal) {
  kill(running_.pid, signal);
  return Finish();
}

Result Sandbox::RunOnTerminal(const std::vector<std::string>& args, int columns) const {
  Launch launch;
  Prepare(&launch, args, bin_, opener_, settings_, copy_);
  winsize size = {};
  size.ws_row = 50;
  size.ws_col = static_cast<unsigned short>(columns);
  int terminal = -1;
  pid_t pid = forkpty(&terminal, nullptr, nullptr, &size);
  if (pid < 0) std::abort();
  if (pid == 0) {
    if (in_child_) in_child_();
    if (chdir(dir_.c_str()) != 0) _exit(126);
    ExecWith(launch.argv.data(), launch.env.data());
  }
  Result result;
  char chunk[4096];
  // Linux says EIO once the program's side of the terminal is closed.
  for (ssize_t n; (n = read(terminal, chunk, sizeof chunk)) > 0;)
    result.out.append(chunk, n);
  close(terminal);
  int status = 0;
  waitpid(pid, &status, 0);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}
