// Files on POSIX systems: names are bytes, passed on as they are.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/file_stamp-posix.h"
#include "platform/files.h"

std::FILE* OpenFile(const std::string& name, const char* mode) {
  return std::fopen(name.c_str(), mode);
}

namespace {

// Why a file of this kind cannot be read as text, or null when it can.
const char* Unreadable(int fd, const struct stat& info) {
  if (S_ISFIFO(info.st_mode)) return "Is a pipe";
  if (S_ISSOCK(info.st_mode)) return "Is a socket";
  if (S_ISDIR(info.st_mode)) return std::strerror(EISDIR);
  if (S_ISCHR(info.st_mode) && isatty(fd)) return "Is a terminal";
  return nullptr;
}

}  // namespace

bool OpenForReading(const std::string& name, std::FILE** file, std::string* err) {
  // Without a writer, opening a pipe would wait; so it is opened without
  // waiting and looked at before anything is read.
  int fd = open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    *err = std::strerror(errno);
    return false;
  }
  struct stat info;
  const char* problem =
      fstat(fd, &info) != 0 ? std::strerror(errno) : Unreadable(fd, info);
  if (!problem && fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0)
    problem = std::strerror(errno);
  if (!problem && !(*file = fdopen(fd, "r"))) problem = std::strerror(errno);
  if (!problem) return true;
  *err = problem;
  close(fd);
  return false;
}

bool Exists(const std::string& name) {
  struct stat info;
  return stat(name.c_str(), &info) == 0;
}

bool IsPlainFile(const std::string& name, long long* size) {
  struct stat info;
  if (stat(name.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  *size = static_cast<long long>(info.st_size);
  return true;
}

bool StampOf(const std::string& name, FileStamp* stamp) {
  struct stat info;
  return stat(name.c_str(), &info) == 0 && StampOfInfo(info, stamp);
}

bool SeekFile(std::FILE* file, long long offset) {
  return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
}

std::size_t ReadFileAt(std::FILE* file, long long offset, char* buffer,
                       std::size_t size) {
  std::size_t got = 0;
  while (got < size) {
    ssize_t n =
        pread(fileno(file), buffer + got, size - got, static_cast<off_t>(offset + got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  return got;
}

bool InWorkingFolder(const std::string& name) {
  std::size_t slash = name.rfind('/');
  if (slash == std::string::npos) return true;
  std::string folder = slash == 0 ? "/" : name.substr(0, slash);
  struct stat here, there;
  return stat(".", &here) == 0 && stat(folder.c_str(), &there) == 0 &&
         here.st_dev == there.st_dev && here.st_ino == there.st_ino;
}

bool RemoveFile(const std::string& name) {
  return std::remove(name.c_str()) == 0;
}

bool TruncateFile(const std::string& name, long long size, std::string* err) {
  if (truncate(name.c_str(), static_cast<off_t>(size)) == 0) return true;
  *err = std::strerror(errno);
  return false;
}

bool RenameOver(const std::string& from, const std::string& to, std::string* err) {
  if (std::rename(from.c_str(), to.c_str()) == 0) return true;
  *err = std::strerror(errno);
  return false;
}

bool KeepAside(const std::string& name, const std::string& aside, std::string* err) {
  unlink(aside.c_str());
  if (link(name.c_str(), aside.c_str()) == 0 ||
      std::rename(name.c_str(), aside.c_str()) == 0)
    return true;
  *err = std::strerror(errno);
  return false;
}

std::string_view TextLineEnd() {
  return "\n";
}

bool IsSoleName(const std::string& name) {
  struct stat info;
  return lstat(name.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_nlink == 1;
}

bool OverwriteStart(const char* name, const char* bytes, std::size_t size) {
  int file = open(name, O_WRONLY);
  if (file < 0) return false;
  bool written = pwrite(file, bytes, size, 0) == static_cast<ssize_t>(size);
  return close(file) == 0 && written;
}

std::string FollowLinks(const std::string& name) {
  std::string path = name;
  // As many links as the system itself follows before it gives up.
  for (int links = 0; links < 40; ++links) {
    struct stat info;
    if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
    std::string target(static_cast<std::size_t>(info.st_size) + 256, '\0');
    ssize_t size = readlink(path.c_str(), target.data(), target.size());
    if (size <= 0 || static_cast<std::size_t>(size) >= target.size()) return path;
    target.resize(static_cast<std::size_t>(size));
    // A relative target is taken against the link's own folder.
    std::size_t slash = path.rfind('/');
    if (target[0] != '/' && slash != std::string::npos)
      target = path.substr(0, slash + 1) + target;
    path = target;
  }
  return path;
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
  if (to->failed()) return;
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
