// Shared by the fuzz targets: quiet console, input as a file.
#ifndef SONGWHIM_FUZZ_FUZZ_UTIL_H_
#define SONGWHIM_FUZZ_FUZZ_UTIL_H_

#include <cstdint>
#include <cstdio>
#include <cstdlib>

// The program's console text would only slow the fuzzer down.
inline void SilenceConsole() {
  if (!std::freopen("/dev/null", "w", stdout)) std::abort();
}

// Serves `data` as a file opened for reading.
inline std::FILE* OpenBytes(const uint8_t* data, size_t size) {
  std::FILE* file = std::tmpfile();
  if (!file) std::abort();
  std::fwrite(data, 1, size, file);
  std::rewind(file);
  return file;
}

#define FUZZ_CHECK(condition)       \
  do {                              \
    if (!(condition)) std::abort(); \
  } while (0)

#endif  // SONGWHIM_FUZZ_FUZZ_UTIL_H_
