// Devices on POSIX systems: statvfs for the room, and copy_file_range (on
// Linux) or reads and writes of a mebibyte for the copy.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/device_files.h"

const char kPathSeparators[] = "/";

bool SpaceOf(const std::string& folder, DeviceSpace* space, std::string* err) {
  struct stat info;
  struct statvfs room;
  if (stat(folder.c_str(), &info) != 0 || statvfs(folder.c_str(), &room) != 0) {
    *err = std::strerror(errno);
    return false;
  }
  if (!S_ISDIR(info.st_mode) || access(folder.c_str(), W_OK | X_OK) != 0) {
    *err = std::strerror(S_ISDIR(info.st_mode) ? errno : ENOTDIR);
    return false;
  }
  unsigned long block = room.f_frsize ? room.f_frsize : room.f_bsize;
  space->free = static_cast<long long>(room.f_bavail) * static_cast<long long>(block);
  space->cluster = static_cast<long long>(std::max(block, room.f_bsize));
  return true;
}

std::string RealPath(const std::string& path) {
  char* real = realpath(path.c_str(), nullptr);
  if (!real) return std::string();
  std::string result = real;
  std::free(real);
  return result;
}

namespace {

// What a file system that takes a name for none says of it: fusefat's FAT
// refuses names outside ASCII with EPERM.
bool NameRefused(int error) {
  return error == EINVAL || error == EILSEQ || error == EPERM || error == ENAMETOOLONG;
}

}  // namespace

bool MakeFolder(const std::string& path, bool* refused, std::string* err) {
  struct stat info;
  if (mkdir(path.c_str(), 0777) == 0 ||
      (errno == EEXIST && stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)))
    return true;
  *refused = NameRefused(errno);
  *err = std::strerror(errno == EEXIST ? ENOTDIR : errno);
  return false;
}

void RemoveEmptyFolder(const std::string& path) {
  rmdir(path.c_str());
}

namespace {

bool IsFull(int error) {
  return error == ENOSPC || error == EDQUOT || error == EFBIG;
}

// The bytes of `from` written to `to`: in the kernel where it can; else, or
// for what is left, through a buffer. False with errno of the failure, and
// `reading` true when it was the read that failed.
bool CopyBytes(int from, int to, long long size,
               const std::function<void(long long)>& copied, bool* reading) {
  long long done = 0;
  // A progress step of 8 MiB: a few system calls a second.
  constexpr long long kStep = 8 << 20;
#ifdef __linux__
  while (done < size) {
    ssize_t moved =
        copy_file_range(from, nullptr, to, nullptr,
                        static_cast<std::size_t>(std::min(kStep, size - done)), 0);
    if (moved <= 0) break;
    done += moved;
    if (copied) copied(done);
  }
  if (done > 0 && lseek(from, done, SEEK_SET) != done) return false;
#endif
  std::unique_ptr<char[]> buffer(new char[1 << 20]);
  for (;;) {
    ssize_t got = read(from, buffer.get(), 1 << 20);
    if (got < 0) {
      *reading = true;
      return false;
    }
    if (got == 0) return true;
    for (ssize_t put = 0; put < got;) {
      ssize_t wrote = write(to, buffer.get() + put, static_cast<std::size_t>(got - put));
      if (wrote < 0) return false;
      put += wrote;
    }
    done += got;
    if (copied) copied(done);
  }
}

}  // namespace

CopyOutcome CopyWhole(const std::string& from, const std::string& to,
                      const std::function<void(long long)>& copied, std::string* err) {
  int source = open(from.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat info;
  if (source < 0 || fstat(source, &info) != 0 || !S_ISREG(info.st_mode)) {
    *err = std::strerror(source < 0 ? errno : EINVAL);
    if (source >= 0) close(source);
    return CopyOutcome::kSourceFailed;
  }
  int target = open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (target < 0) {
    int error = errno;
    close(source);
    *err = std::strerror(error);
    if (NameRefused(error)) return CopyOutcome::kNameRefused;
    return IsFull(error) ? CopyOutcome::kDeviceFull : CopyOutcome::kDeviceFailed;
  }
  bool reading = false;
  bool written =
      CopyBytes(source, target, static_cast<long long>(info.st_size), copied, &reading) &&
      fsync(target) == 0;
  int error = errno;
  // A close can be the first to tell of a write that failed.
  if (close(target) != 0 && written) {
    written = false;
    error = errno;
  }
  close(source);
  if (written) return CopyOutcome::kCopied;
  unlink(to.c_str());
  *err = std::strerror(error);
  if (reading) return CopyOutcome::kSourceFailed;
  return IsFull(error) ? CopyOutcome::kDeviceFull : CopyOutcome::kDeviceFailed;
}
