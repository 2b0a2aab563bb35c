// The POSIX side: folders are walked directly (no shell, so no file name can
// ever be run as a command) and the playlist goes to the desktop's opener.
#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
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
#include "source/text.h"

extern char** environ;

namespace {

#ifdef __APPLE__
const char kOpener[] = "open";
#else
const char kOpener[] = "xdg-open";
#endif

struct Entry {
  std::string name;
  unsigned char type;
};

// Folders on the way from the root to the one being listed, so that a link
// leading back up is listed but not entered again.
using Trail = std::vector<std::pair<dev_t, ino_t>>;

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

std::string Join(const std::string& folder, const std::string& name) {
  return folder == "/" ? "/" + name : folder + "/" + name;
}

bool MayBeFolder(unsigned char type) {
  return type == DT_DIR || type == DT_LNK || type == DT_UNKNOWN;
}

// Only links and file systems that give no type cost a stat.
bool IsFolder(const std::string& path, unsigned char type) {
  if (type == DT_DIR) return true;
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::vector<Entry> ReadEntries(DIR* dir) {
  std::vector<Entry> entries;
  while (struct dirent* item = readdir(dir)) {
    const char* name = item->d_name;
    if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
    // A line-oriented library cannot hold a name with a line feed.
    if (std::strchr(name, '\n')) continue;
    entries.push_back({name, item->d_type});
  }
  std::sort(entries.begin(), entries.end(),
            [](const Entry& a, const Entry& b) { return a.name < b.name; });
  return entries;
}

// Lists the open folder `dir`: all its entries first, then each subfolder's
// contents in the same order, as a recursive bare listing does.
void ListTree(DIR* dir, const std::string& folder, Trail* trail, std::FILE* out) {
  struct stat info;
  if (fstat(dirfd(dir), &info) != 0 ||
      std::find(trail->begin(), trail->end(), std::make_pair(info.st_dev, info.st_ino)) !=
          trail->end()) {
    closedir(dir);
    return;
  }
  trail->emplace_back(info.st_dev, info.st_ino);
  std::vector<Entry> entries = ReadEntries(dir);
  closedir(dir);
  std::string line;
  for (const Entry& entry : entries) {
    line = Join(folder, entry.name);
    line += '\n';
    WriteText(out, line);
  }
  for (const Entry& entry : entries) {
    if (!MayBeFolder(entry.type)) continue;
    std::string path = Join(folder, entry.name);
    if (!IsFolder(path, entry.type)) continue;
    if (DIR* sub = opendir(path.c_str())) ListTree(sub, path, trail, out);
  }
  trail->pop_back();
}

std::string Problem(const char* what, int error) {
  return std::string("(") + what + ": " + std::strerror(error) + ") ";
}

std::string ListRoot(const std::string& folder, std::FILE* out) {
  if (folder.find('\0') != std::string::npos) return "(not a usable folder name) ";
  std::string root = AbsoluteFolder(folder);
  DIR* dir = opendir(root.c_str());
  if (!dir) {
    if (errno == ENOENT) return "(folder not found) ";
    if (errno == ENOTDIR) return "(not a folder) ";
    return Problem("cannot read folder", errno);
  }
  Trail trail;
  ListTree(dir, root, &trail, out);
  return "";
}

}  // namespace

std::string ListFolder(const std::string& folder, const std::string& listing) {
  // A stale listing of the same name may be a link to anywhere; start afresh.
  std::remove(listing.c_str());
  std::FILE* out = std::fopen(listing.c_str(), "w");
  if (!out) return Problem(("cannot create " + listing).c_str(), errno);
  std::string note = ListRoot(folder, out);
  bool failed = std::ferror(out) != 0;
  if (std::fclose(out) != 0) failed = true;
  if (failed) {
    int error = errno;
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
