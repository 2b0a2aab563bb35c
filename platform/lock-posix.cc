// Build locks on POSIX: flock on a lock file, which the kernel drops with the
// process. A build removes its lock file while it still holds it.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace {

// The lock files this process holds, so that a second name for one of them
// (a library called like the working folder's lock) is not taken for another
// build's lock.
struct HeldLock {
  dev_t dev;
  ino_t ino;
};
HeldLock held_locks[4];
int held_count = 0;

bool HeldHere(const struct stat& info) {
  for (int n = 0; n < held_count; ++n) {
    if (held_locks[n].dev == info.st_dev && held_locks[n].ino == info.st_ino) return true;
  }
  return false;
}

}  // namespace

LockState LockFile(const std::string& name, std::intptr_t* handle) {
  *handle = -1;
  // A build that ends removes its lock file while it still holds it; one that
  // opened the old file meanwhile tries again with the new one.
  for (int attempt = 0; attempt < 100; ++attempt) {
    int fd = open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0) return kUnavailable;
    struct stat opened;
    if (fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
      close(fd);
      return kUnavailable;
    }
    if (HeldHere(opened)) {
      close(fd);
      return kLocked;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
      int error = errno;
      close(fd);
      return error == EWOULDBLOCK ? kHeld : kUnavailable;
    }
    struct stat named;
    if (stat(name.c_str(), &named) == 0 && named.st_dev == opened.st_dev &&
        named.st_ino == opened.st_ino) {
      if (held_count < 4) held_locks[held_count++] = {opened.st_dev, opened.st_ino};
      *handle = fd;
      return kLocked;
    }
    close(fd);
  }
  return kUnavailable;
}

void UnlockFile(const char* name, std::intptr_t handle) {
  if (handle < 0) return;
  unlink(name);
  close(static_cast<int>(handle));
}
