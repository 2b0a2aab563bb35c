// A file's stamp from what stat() tells of it, the same whether the stat was
// made by the file's full name or relative to its open folder.
#ifndef SONGWHIM_PLATFORM_FILE_STAMP_POSIX_H_
#define SONGWHIM_PLATFORM_FILE_STAMP_POSIX_H_

#include <sys/stat.h>

#include "base/tag_index.h"

// False for anything but a plain file.
inline bool StampOfInfo(const struct stat& info, FileStamp* stamp) {
  if (!S_ISREG(info.st_mode)) return false;
  stamp->size = static_cast<long long>(info.st_size);
#ifdef __APPLE__
  const struct timespec& time = info.st_mtimespec;
#else
  const struct timespec& time = info.st_mtim;
#endif
  // Computed unsigned, so that a time past 2262 or before 1678 wraps round
  // instead of overflowing: a stamp only tells whether the file changed.
  unsigned long long nanoseconds =
      static_cast<unsigned long long>(time.tv_sec) * 1000000000ULL +
      static_cast<unsigned long long>(time.tv_nsec);
  stamp->time = static_cast<long long>(nanoseconds);
  return true;
}

#endif  // SONGWHIM_PLATFORM_FILE_STAMP_POSIX_H_
