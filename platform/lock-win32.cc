// Build locks on Windows: LockFileEx on a file opened to be deleted on close,
// so the system drops the lock and removes the file with the process.
#include <windows.h>

#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace {

// The lock files this process holds, so that a second name for one of them is
// not taken for another build's lock.
struct HeldLock {
  DWORD volume, high, low;
};
HeldLock held_locks[4];
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

}  // namespace

LockState LockFile(const std::string& name, std::intptr_t* handle) {
  *handle = -1;
  // The system removes the file when the last handle to it closes.
  HANDLE file = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return GetLastError() == ERROR_SHARING_VIOLATION ? kHeld : kUnavailable;
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(file, &info)) {
    CloseHandle(file);
    return kUnavailable;
  }
  if (HeldHere(info)) {
    CloseHandle(file);
    return kLocked;
  }
  OVERLAPPED start = {};
  if (!LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                  &start)) {
    DWORD error = GetLastError();
    CloseHandle(file);
    return error == ERROR_LOCK_VIOLATION ? kHeld : kUnavailable;
  }
  if (held_count < 4)
    held_locks[held_count++] = {info.dwVolumeSerialNumber, info.nFileIndexHigh,
                                info.nFileIndexLow};
  *handle = reinterpret_cast<std::intptr_t>(file);
  return kLocked;
}

void UnlockFile(const char*, std::intptr_t handle) {
  if (handle != -1) CloseHandle(reinterpret_cast<HANDLE>(handle));
}
