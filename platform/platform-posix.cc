// The POSIX side: folders are walked directly (no shell, so no file name can
// ever be run as a command; the walk itself is in walk-posix.cc) and the
// playlist goes to the desktop's opener.
#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "platform/walk-posix.h"
#include "source/output_file.h"

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

std::string Problem(const char* what, int error) {
  return std::string("(") + what + ": " + std::strerror(error) + ") ";
}

std::string ListRoot(const std::string& folder, OutputFile* out,
                     const ListingProgress& progress) {
  if (folder.find('\0') != std::string::npos) return "(not a usable folder name) ";
  std::string root = AbsoluteFolder(folder);
  DIR* dir = opendir(root.c_str());
  if (!dir) {
    if (errno == ENOENT) return "(folder not found) ";
    if (errno == ENOTDIR) return "(not a folder) ";
    return Problem("cannot read folder", errno);
  }
  closedir(dir);
  WalkTree(root, out, WalkReaders(), progress);
  return "";
}

}  // namespace

std::string ListFolder(const std::string& folder, const std::string& listing,
                       const ListingProgress& progress) {
  // A stale listing of the same name may be a link to anywhere; start afresh.
  std::remove(listing.c_str());
  OutputFile out;
  if (!out.Open(listing)) return Problem(("cannot create " + listing).c_str(), errno);
  std::string note = ListRoot(folder, &out, progress);
  if (int error = out.Close()) {
    std::remove(listing.c_str());
    note += Problem(("cannot write " + listing).c_str(), error);
  }
  return note;
}

void OpenPlaylist(const std::string& name) {
  std::fflush(stdout);
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
  if (error != 0) {
    std::printf("Cannot start %s to open %s (%s); open it in your player.\n", kOpener,
                name.c_str(), std::strerror(error));
  }
}

void DiscardTypedAhead() {
  if (isatty(STDIN_FILENO)) tcflush(STDIN_FILENO, TCIFLUSH);
}

bool RenameOver(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

bool OutputIsTerminal() {
  return isatty(STDOUT_FILENO) == 1;
}

int TerminalWidth() {
  struct winsize size;
  if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0) return 0;
  return size.ws_col;
}

namespace {

// A copy the kernel cannot make (another file system, a device, a folder)
// goes on through read and write, which then tell which side failed.
bool CopyInKernel(int from, OutputFile* to, Appended* appended) {
#ifdef __linux__
  for (;;) {
    ssize_t copied =
        copy_file_range(from, nullptr, fileno(to->get()), nullptr, 1 << 30, 0);
    if (copied == 0) return true;
    if (copied < 0) {
      if (errno == ENOSPC || errno == EDQUOT || errno == EFBIG) {
        to->Failed(errno);
        return true;
      }
      return false;
    }
    appended->bytes += copied;
  }
#else
  (void)from;
  (void)to;
  (void)appended;
  return false;
#endif
}

}  // namespace

void AppendFile(std::FILE* from, OutputFile* to, Appended* appended) {
  to->Flush();
  if (to->error() != 0) return;
  int in = fileno(from);
  bool whole = CopyInKernel(in, to, appended);
  if (appended->bytes > 0) {
    off_t end = lseek(in, 0, SEEK_CUR);
    if (end <= 0 || pread(in, &appended->last, 1, end - 1) != 1) appended->last = '\n';
  }
  if (!whole) AppendStream(from, to, appended);
}

bool MoveInsteadOfCopy(const std::string& from, const std::string& to) {
  struct stat source, target;
  if (lstat(from.c_str(), &source) != 0 || !S_ISREG(source.st_mode) ||
      source.st_nlink != 1 || lstat(to.c_str(), &target) != 0 ||
      !S_ISREG(target.st_mode) || target.st_nlink != 1 || target.st_size != 0 ||
      source.st_dev != target.st_dev)
    return false;
  if (source.st_size > 0) {
    int fd = open(from.c_str(), O_RDONLY | O_CLOEXEC);
    char last = 0;
    bool ends = fd >= 0 && pread(fd, &last, 1, source.st_size - 1) == 1 && last == '\n';
    if (fd >= 0) close(fd);
    if (!ends) return false;
  }
  // Onto a name that is free: ext4 flushes a file renamed over another one
  // (a guard for replaced files, not wanted for a temporary one).
  unlink(to.c_str());
  return std::rename(from.c_str(), to.c_str()) == 0;
}
