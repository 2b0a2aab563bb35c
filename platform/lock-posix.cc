// Locks on POSIX: flock on a lock file, which the kernel drops with the
// process. A build removes its lock file while it still holds it.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/lock.h"

namespace {

// The lock files this process holds, so that a second name for one of them
// (a library called like the working folder's lock) is not taken for another
// process's lock. Emptied as locks are dropped: a new lock file may get the
// inode of an old one.
struct HeldLock {
  int fd;
  dev_t dev;
  ino_t ino;
};
constexpr int kMostHeld = 4;
HeldLock held_locks[kMostHeld];
int held_count = 0;

bool HeldHere(const struct stat& info) {
  for (int n = 0; n < held_count; ++n) {
    if (held_locks[n].dev == info.st_dev && held_locks[n].ino == info.st_ino) return true;
  }
  return false;
}

// A lock file left by a build of another user may be open to us for reading
// only; flock works all the same.
int OpenLockFile(const std::string& name) {
  int fd = open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (fd < 0 && errno == EACCES)
    fd = open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  return fd;
}

bool Refuse(int error, std::string* err) {
  *err = std::strerror(error);
  return false;
}

}  // namespace

bool LockFile(const std::string& name, FileLock* lock, std::string* err) {
  lock->handle = -1;
  lock->busy = false;
  // A build that ends removes its lock file while it still holds it; one that
  // opened the old file meanwhile tries again with the new one.
  for (int attempt = 0; attempt < 100; ++attempt) {
    int fd = OpenLockFile(name);
    // Where the folder itself is missing, nothing can be written by anyone.
    if (fd < 0) return errno == ENOENT || errno == ENOTDIR || Refuse(errno, err);
    struct stat opened;
    if (fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
      close(fd);
      *err = "not a plain file";
      return false;
    }
    if (HeldHere(opened)) {
      close(fd);
      return true;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
      int error = errno;
      close(fd);
      lock->busy = error == EWOULDBLOCK;
      return !lock->busy && Refuse(error, err);
    }
    struct stat named;
    if (stat(name.c_str(), &named) == 0 && named.st_dev == opened.st_dev &&
        named.st_ino == opened.st_ino) {
      if (held_count < kMostHeld)
        held_locks[held_count++] = {fd, opened.st_dev, opened.st_ino};
      lock->handle = fd;
      return true;
    }
    close(fd);
  }
  return Refuse(EAGAIN, err);
}

void UnlockFile(const char* name, FileLock* lock) {
  if (lock->handle < 0) return;
  int fd = static_cast<int>(lock->handle);
  for (int n = 0; n < held_count; ++n) {
    if (held_locks[n].fd == fd) held_locks[n] = held_locks[--held_count];
  }
  unlink(name);
  close(fd);
  lock->handle = -1;
}
