#include "library/build_lock.h"

#include "base/work_files.h"
#include "platform/lock.h"

namespace {

// Made before the locks are taken, so an interrupt can use them without
// allocating.
std::string library_lock;
FileLock folder_lock;
FileLock library_file_lock;

}  // namespace

bool LockBuild(const std::string& library, std::string* err) {
  library_lock = LockName(library);
  struct {
    const char* name;
    FileLock* lock;
  } locks[] = {{kFolderLock, &folder_lock}, {library_lock.c_str(), &library_file_lock}};
  for (const auto& lock : locks) {
    if (LockFile(lock.name, lock.lock, err)) continue;
    UnlockBuild();
    if (lock.lock->busy) {
      *err = std::string("Another build is running: ") + lock.name + " is locked";
    } else {
      *err = std::string("Cannot lock ") + lock.name + ": " + *err +
             " (remove it if no build is running)";
    }
    return false;
  }
  return true;
}

void UnlockBuild() {
  UnlockFile(library_lock.c_str(), &library_file_lock);
  UnlockFile(kFolderLock, &folder_lock);
}
