// Two builds at once would share the listings and the merge file, or write one
// library from two sides, so each build holds two locks for its whole run: one
// for the working folder's temporary files, one for the library it writes.
#include <cstdio>
#include <string>

#include "library/library.h"
#include "platform/platform.h"
#include "source/state.h"

namespace {

const char kFolderLock[] = "songwhim.lock";

// Made before the locks are taken, so an interrupt can use them without
// allocating.
std::string library_lock;
std::intptr_t folder_handle = -1;
std::intptr_t library_handle = -1;

}  // namespace

bool LockBuild() {
  library_lock = Library + ".lock";
  struct {
    const char* name;
    std::intptr_t* handle;
  } locks[] = {{kFolderLock, &folder_handle}, {library_lock.c_str(), &library_handle}};
  for (const auto& lock : locks) {
    // Where no lock file can be made, no library or merge file can be written
    // either, and the build says so when it tries.
    if (LockFile(lock.name, lock.handle) != kHeld) continue;
    UnlockBuild();
    std::printf("Another build is running: %s is locked - library not changed\n",
                lock.name);
    return false;
  }
  return true;
}

void UnlockBuild() {
  UnlockFile(library_lock.c_str(), library_handle);
  library_handle = -1;
  UnlockFile(kFolderLock, folder_handle);
  folder_handle = -1;
}
