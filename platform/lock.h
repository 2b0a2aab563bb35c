// Exclusive locks on files, which the system drops when the process ends,
// however it ends. One file per platform implements it.
#ifndef SONGWHIM_PLATFORM_LOCK_H_
#define SONGWHIM_PLATFORM_LOCK_H_

#include <cstdint>
#include <string>

struct FileLock {
  std::intptr_t handle = -1;  // the open lock file while the lock is held
  bool busy = false;          // another process held the lock
};

// Takes the lock on the file `name`, making the file when needed. A name this
// process holds a lock on already (through another name for the same file)
// counts as taken. False when another process holds it (`lock->busy`) or no
// lock can be taken there (`err` says why).
bool LockFile(const std::string& name, FileLock* lock, std::string* err);

// Drops the lock and removes its file. Safe to call from a signal handler.
void UnlockFile(const char* name, FileLock* lock);

#endif  // SONGWHIM_PLATFORM_LOCK_H_
