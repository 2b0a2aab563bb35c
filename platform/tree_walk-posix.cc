// Walking folders on POSIX systems, with no shell (so no file name can ever
// be run as a command): a folder's entries by name in byte order.
#include <dirent.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <time.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include "platform/file_stamp-posix.h"
#include "platform/tree_walk.h"

namespace {

struct Entry {
  std::string name;
  unsigned char type;
};

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

}  // namespace

bool WalkRoot(const std::string& folder, std::string* root, std::string* note) {
  if (folder.find('\0') != std::string::npos) {
    *note = "not a usable folder name";
    return false;
  }
  *root = AbsoluteFolder(folder);
  DIR* dir = opendir(root->c_str());
  if (dir) {
    closedir(dir);
    return true;
  }
  if (errno == ENOENT) {
    *note = "folder not found";
  } else if (errno == ENOTDIR) {
    *note = "not a folder";
  } else {
    *note = std::string("cannot read folder: ") + std::strerror(errno);
  }
  return false;
}

namespace {

// The stamp of the entry `name` of the open folder `folder`, as StampOf
// gives it (through any link), or none.
FileStamp StampAt(int folder, const char* name) {
  FileStamp stamp;
  struct stat info;
  if (fstatat(folder, name, &info, 0) != 0 || !StampOfInfo(info, &stamp))
    return FileStamp();
  return stamp;
}

}  // namespace

bool ReadFolder(const std::string& path,
                const std::function<bool(const FolderId&)>& enter, bool stamps,
                FolderContents* contents) {
  DIR* dir = opendir(path.c_str());
  if (!dir) {
    contents->problem = std::strerror(errno);
    return false;
  }
  struct stat info;
  if (fstat(dirfd(dir), &info) != 0 ||
      !enter({static_cast<std::uint64_t>(info.st_dev),
              static_cast<std::uint64_t>(info.st_ino)})) {
    closedir(dir);
    return false;
  }
  std::vector<Entry> entries = ReadEntries(dir);
  std::string line;
  for (const Entry& entry : entries) {
    line = Join(path, entry.name);
    bool folder = MayBeFolder(entry.type) && IsFolder(line, entry.type);
    if (folder) contents->subfolders.push_back(line);
    if (stamps)
      AppendStamp(folder ? FileStamp() : StampAt(dirfd(dir), entry.name.c_str()),
                  &contents->lines);
    contents->lines += line;
    if (folder) contents->lines += kFolderMark;
    contents->lines += '\n';
  }
  closedir(dir);
  contents->count = static_cast<long long>(entries.size());
  return true;
}

// Waits for a network or a disk show as voluntary context switches where the
// system counts them for a thread (Linux); elsewhere as time that passed while
// the thread did not run.
WaitMark MarkWaits() {
  WaitMark mark;
  mark.wall = std::chrono::steady_clock::now();
#ifdef RUSAGE_THREAD
  struct rusage usage;
  if (getrusage(RUSAGE_THREAD, &usage) == 0) mark.switches = usage.ru_nvcsw;
#else
  struct timespec cpu;
  if (clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu) == 0)
    mark.cpu_ns = cpu.tv_sec * 1000000000LL + cpu.tv_nsec;
#endif
  return mark;
}

bool WaitedSince(const WaitMark& mark) {
  WaitMark now = MarkWaits();
#ifdef RUSAGE_THREAD
  return now.switches - mark.switches >= 2;
#else
  // A millisecond off the processor, and more than half the time: a read of
  // a local folder takes far less, one over a network at least that.
  auto wall = std::chrono::duration_cast<std::chrono::nanoseconds>(now.wall - mark.wall);
  long long off = wall.count() - (now.cpu_ns - mark.cpu_ns);
  return off > 1000000 && off * 2 > wall.count();
#endif
}
