// The POSIX side: folders are walked directly (no shell, so no file name can
// ever be run as a command) and the playlist goes to the desktop's opener.
#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "platform/console.h"
#include "platform/files.h"
#include "platform/output_file.h"
#include "platform/platform.h"

extern char** environ;

namespace {

#ifdef __APPLE__
const char kOpener[] = "open";
#else
const char kOpener[] = "xdg-open";
#endif

// A relative folder is taken against the working folder; ".", ".." and doubled
// separators are resolved on the text alone, as the user wrote it.
std::string AbsoluteFolder(const std::string& folder) {
  std::string full = folder;
  if (full.empty() || full[0] != '/') {
    std::error_code error;
    full = std::filesystem::current_path(error).string() + "/" + folder;
  }
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= full.size()) {
    std::size_t slash = std::min(full.find('/', start), full.size());
    std::string part = full.substr(start, slash - start);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    start = slash + 1;
  }
  if (parts.empty()) return "/";
  std::string result;
  for (const std::string& part : parts) result += "/" + part;
  return result;
}

// The note for a folder that gives no listing, or "".
std::string ListRoot(const std::string& folder, OutputFile* out,
                     const ListingProgress& progress) {
  if (folder.find('\0') != std::string::npos) return "not a usable folder name";
  std::string root = AbsoluteFolder(folder);
  DIR* dir = opendir(root.c_str());
  if (!dir) {
    if (errno == ENOENT) return "folder not found";
    if (errno == ENOTDIR) return "not a folder";
    return std::string("cannot read folder: ") + std::strerror(errno);
  }
  closedir(dir);
  WalkTree(root, out, WalkReaders(), progress);
  return "";
}

}  // namespace

std::vector<std::string> Arguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

bool ListFolder(const std::string& folder, const std::string& listing,
                const ListingProgress& progress, std::string* note, std::string* err) {
  // A stale listing of the same name may be a link to anywhere; start afresh.
  RemoveFile(listing);
  OutputFile out;
  if (!out.Open(listing, err)) {
    *err = "Cannot create " + listing + ": " + *err;
    return false;
  }
  *note = ListRoot(folder, &out, progress);
  if (out.Close(err)) return true;
  *err = "Cannot write " + listing + ": " + *err;
  return false;
}

bool OpenPlaylist(const std::string& name, std::string* err) {
  FlushOutput();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  // The opener's own chatter must not mix into ours.
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  // Its own process group, so a Ctrl-C in this terminal later spares the player.
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attributes, 0);
  std::string opener = kOpener;
  std::string file = name;
  char* argv[] = {opener.data(), file.data(), nullptr};
  pid_t pid;
  int error = posix_spawnp(&pid, kOpener, &actions, &attributes, argv, environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  if (error == 0) return true;
  *err = std::string("Cannot start ") + kOpener + " to open " + name + " (" +
         std::strerror(error) + ")";
  return false;
}

void CatchEndingSignals(void (*handler)(int signal)) {
  for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE}) {
    struct sigaction now;
    if (sigaction(signal, nullptr, &now) != 0 || now.sa_handler == SIG_IGN) continue;
    struct sigaction catching = {};
    catching.sa_handler = handler;
    sigemptyset(&catching.sa_mask);
    catching.sa_flags = SA_RESTART;
    sigaction(signal, &catching, nullptr);
  }
}

void EndBySignal(int signal) {
  std::signal(signal, SIG_DFL);
  std::raise(signal);
  // A signal blocked here ends the process when the handler returns; until
  // then, nothing more may happen.
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, signal);
  sigprocmask(SIG_UNBLOCK, &set, nullptr);
  _exit(128 + signal);
}
