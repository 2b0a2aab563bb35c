// Locks on Windows: LockFileEx on a file opened to be deleted on close, so
// the system drops the lock and removes the file with the process.
#include <windows.h>

#include <cerrno>
#include <cstring>

#include "platform/lock.h"
#include "platform/unicode-win32.h"

namespace {

// The lock files this process holds, so that a second name for one of them is
// not taken for another process's lock. Emptied as locks are dropped.
struct HeldLock {
  HANDLE file;
  DWORD volume, high, low;
};
constexpr int kMostHeld = 4;
HeldLock held_locks[kMostHeld];
int held_count = 0;

bool HeldHere(const BY_HANDLE_FILE_INFORMATION& info) {
  for (int n = 0; n < held_count; ++n) {
    const HeldLock& held = held_locks[n];
    if (held.volume == info.dwVolumeSerialNumber && held.high == info.nFileIndexHigh &&
        held.low == info.nFileIndexLow)
      return true;
  }
  return false;
}

bool Refuse(DWORD error, std::string* err) {
  *err = std::strerror(error == ERROR_ACCESS_DENIED ? EACCES : EIO);
  return false;
}

}  // namespace

bool LockFile(const std::string& name, FileLock* lock, std::string* err) {
  lock->handle = -1;
  lock->busy = false;
  HANDLE file = INVALID_HANDLE_VALUE;
  DWORD error = ERROR_SUCCESS;
  // The system removes the file when the last handle to it closes. Until it
  // is gone, a file another run has just let go of cannot be opened: wait
  // that out, as long as a run takes to end, before calling it a refusal.
  for (int attempt = 0; attempt < 300; ++attempt) {
    file = CreateFileW(Widen(name).c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE,
                       nullptr);
    error = GetLastError();
    if (file != INVALID_HANDLE_VALUE || error != ERROR_ACCESS_DENIED) break;
    Sleep(10);
  }
  if (file == INVALID_HANDLE_VALUE) {
    // Where the folder itself is missing, nothing can be written by anyone.
    if (error == ERROR_PATH_NOT_FOUND) return true;
    lock->busy = error == ERROR_SHARING_VIOLATION;
    return !lock->busy && Refuse(error, err);
  }
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(file, &info)) {
    DWORD error = GetLastError();
    CloseHandle(file);
    return Refuse(error, err);
  }
  if (HeldHere(info)) {
    CloseHandle(file);
    return true;
  }
  OVERLAPPED start = {};
  if (!LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                  &start)) {
    DWORD error = GetLastError();
    CloseHandle(file);
    lock->busy = error == ERROR_LOCK_VIOLATION;
    return !lock->busy && Refuse(error, err);
  }
  if (held_count < kMostHeld)
    held_locks[held_count++] = {file, info.dwVolumeSerialNumber, info.nFileIndexHigh,
                                info.nFileIndexLow};
  lock->handle = reinterpret_cast<std::intptr_t>(file);
  return true;
}

void UnlockFile(const char*, FileLock* lock) {
  if (lock->handle == -1) return;
  HANDLE file = reinterpret_cast<HANDLE>(lock->handle);
  for (int n = 0; n < held_count; ++n) {
    if (held_locks[n].file == file) held_locks[n] = held_locks[--held_count];
  }
  CloseHandle(file);
  lock->handle = -1;
}
