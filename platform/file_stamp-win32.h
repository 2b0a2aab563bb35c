// A file's stamp from what Windows tells of it, the same whether it came
// from the file's attributes or from a find in its folder.
#ifndef SONGWHIM_PLATFORM_FILE_STAMP_WIN32_H_
#define SONGWHIM_PLATFORM_FILE_STAMP_WIN32_H_

#include <windows.h>

#include "base/tag_index.h"

// `Info` is WIN32_FILE_ATTRIBUTE_DATA or WIN32_FIND_DATAW. False for a folder
// or a device.
template <typename Info>
bool StampOfInfo(const Info& info, FileStamp* stamp) {
  if (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE))
    return false;
  stamp->size = (static_cast<long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  // Hundreds of nanoseconds since 1601, as nanoseconds since 1970; computed
  // unsigned, so that a time past 2262 or before 1678 wraps round instead of
  // overflowing: a stamp only tells whether the file changed.
  unsigned long long ticks =
      (static_cast<unsigned long long>(info.ftLastWriteTime.dwHighDateTime) << 32) |
      info.ftLastWriteTime.dwLowDateTime;
  stamp->time = static_cast<long long>((ticks - 116444736000000000ULL) * 100);
  return true;
}

#endif  // SONGWHIM_PLATFORM_FILE_STAMP_WIN32_H_
